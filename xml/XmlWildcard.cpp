#include "xml/XmlNode.h"

namespace
{
// Matches one byte against the set that starts at p (just after its "["). Returns the position
// after the closing "]", or null when the set is not closed (the "[" then stands for itself).
const unsigned char* MatchSet(const unsigned char* p, unsigned char c, bool& bMatched)
{
    bool bInvert = false;
    if (*p == '!')
    {
        bInvert = true;
        ++p;
    }
    const unsigned char* pFirst = p;
    bool bIn = false;
    for (;;)
    {
        const unsigned char b = *p;
        if (!b)
            return nullptr;
        if (b == ']' && p != pFirst)
            break;
        if (p != pFirst && b == '-' && p[1] && p[1] != ']' && p[-1] < p[1])
        {
            // a range: the byte before it was already tested on its own
            if (c > p[-1] && c <= p[1])
                bIn = true;
            p += 2;
            continue;
        }
        if (b == c)
            bIn = true;
        ++p;
    }
    bMatched = bIn != bInvert;
    return p + 1;
}
} // namespace

bool MatchWildcard(const char* pszPattern, const char* pszText)
{
    if (!pszPattern || !pszText)
        return false;
    auto* p = reinterpret_cast<const unsigned char*>(pszPattern);
    auto* t = reinterpret_cast<const unsigned char*>(pszText);
    // The last "*" seen and the text position it was tried at: on a mismatch the star takes one
    // more byte, which is enough because a later star only ever makes the match easier.
    const unsigned char* pStar = nullptr;
    const unsigned char* tStar = nullptr;
    while (*t)
    {
        if (*p == '*')
        {
            while (*p == '*')
                ++p;
            pStar = p;
            tStar = t;
            continue;
        }
        const unsigned char* pNext = nullptr;
        if (*p == '?')
            pNext = p + 1;
        else if (*p == '[')
        {
            bool bMatched = false;
            const unsigned char* pAfter = MatchSet(p + 1, *t, bMatched);
            if (!pAfter)
                pNext = *t == '[' ? p + 1 : nullptr;
            else if (bMatched)
                pNext = pAfter;
        }
        else if (*p && *p == *t)
            pNext = p + 1;

        if (pNext)
        {
            p = pNext;
            ++t;
        }
        else if (pStar)
        {
            p = pStar;
            t = ++tStar;
        }
        else
            return false;
    }
    while (*p == '*')
        ++p;
    return *p == 0;
}
