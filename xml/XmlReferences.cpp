#include "xml/XmlReferences.h"

#include <cstdint>
#include <cstring>

namespace
{
struct SEntity
{
    const char* m_pszName; // after the '&', with its ';'
    size_t m_nLength;
    char m_c;
};
constexpr SEntity kEntities[] = {
    {"amp;", 4, '&'}, {"lt;", 3, '<'}, {"gt;", 3, '>'}, {"quot;", 5, '"'}, {"apos;", 5, '\''},
};

size_t EncodeUtf8(uint32_t c, char* out)
{
    if (c < 0x80)
    {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800)
    {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000)
    {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

int DigitValue(char c, bool bHex)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (bHex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (bHex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The reference starting at p (an '&'): its length and the bytes it stands for; 0 when it is none.
size_t DecodeOne(const char* p, char* out, size_t& nOut)
{
    if (p[1] != '#')
    {
        for (const SEntity& e : kEntities)
            if (std::strncmp(p + 1, e.m_pszName, e.m_nLength) == 0)
            {
                out[0] = e.m_c;
                nOut = 1;
                return e.m_nLength + 1;
            }
        return 0;
    }
    const bool bHex = p[2] == 'x';
    const char* q = p + (bHex ? 3 : 2);
    uint32_t c = 0;
    const char* pDigits = q;
    for (int d; (d = DigitValue(*q, bHex)) >= 0; ++q)
    {
        c = c * (bHex ? 16 : 10) + uint32_t(d);
        if (c > 0x10FFFF)
            return 0;
    }
    if (q == pDigits || *q != ';' || c == 0 || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    nOut = EncodeUtf8(c, out);
    return size_t(q + 1 - p);
}
} // namespace

void XmlDecodeReferences(char* pszValue)
{
    char* p = std::strchr(pszValue, '&');
    if (!p)
        return;
    char* pOut = p;
    while (*p)
    {
        if (*p == '&')
        {
            char bytes[4];
            size_t nBytes = 0;
            if (const size_t nUsed = DecodeOne(p, bytes, nBytes))
            {
                std::memcpy(pOut, bytes, nBytes);
                pOut += nBytes;
                p += nUsed;
                continue;
            }
        }
        *pOut++ = *p++;
    }
    *pOut = 0;
}
