#include "xml/XmlNode.h"

#include "xml/XmlRecord.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// What every empty handle points at. No operation ever writes to it: edits of an empty handle
// are refused, so nothing can be attached to it and nothing can leak from it.
XmlNodeRecord s_nullRecord{};

// What Attribute gives on an empty handle: reads as an empty value and refuses every change.
char s_szEmpty[1] = {0};
XmlAttributeRecord s_sinkAttribute{nullptr, true, s_szEmpty, true, true};

XmlNodeRecord* DocumentOf(XmlNodeRecord* p)
{
    // Bounded by the depth of the tree; a detached record without a document gives null.
    while (p && !XmlIsDocumentRecord(p))
        p = p->m_pParent;
    return p;
}

// Where p stands among its parent's children; the child count when it is not there.
uint32_t IndexInParent(const XmlNodeRecord* p)
{
    const XmlNodeRecord* pParent = p->m_pParent;
    if (!pParent || pParent == p)
        return 0;
    uint32_t i = 0;
    while (i < pParent->m_nChildCount && pParent->m_ppChildren[i] != p)
        ++i;
    return i;
}

// The next sibling after p (found at nIndex in its parent, or looked up when that is unknown)
// whose name matches p's own name, taken as a pattern. nIndex becomes the sibling's index.
XmlNodeRecord* LaterNamesake(XmlNodeRecord* p, uint32_t& nIndex)
{
    XmlNodeRecord* pParent = p->m_pParent;
    if (!pParent || pParent == p || !p->m_pszName)
        return nullptr;
    if (nIndex >= pParent->m_nChildCount || pParent->m_ppChildren[nIndex] != p)
        nIndex = IndexInParent(p);
    for (uint32_t i = nIndex + 1; i < pParent->m_nChildCount; ++i)
    {
        XmlNodeRecord* pSibling = pParent->m_ppChildren[i];
        if (pSibling->m_pszName && MatchWildcard(p->m_pszName, pSibling->m_pszName))
        {
            nIndex = i;
            return pSibling;
        }
    }
    return nullptr;
}
} // namespace

bool XmlAttribute::SetValue(const char* pszText) const
{
    if (!m_pRecord || m_pRecord == &s_sinkAttribute)
        return false;
    return XmlReplaceString(m_pRecord->m_pszValue, m_pRecord->m_bValueInBuffer, pszText);
}

XmlAttribute XmlAttribute::SetLong(int32_t nValue) const
{
    char sz[32];
    auto res = std::to_chars(sz, sz + sizeof(sz) - 1, nValue);
    *res.ptr = 0;
    SetValue(sz);
    return *this;
}

XmlAttribute XmlAttribute::SetDouble(double dValue) const
{
    // Locale-independent, so that a user interface that sets a locale with a decimal comma does
    // not change the files. Large enough for the longest fixed-notation double.
    char sz[400];
    auto res = std::to_chars(sz, sz + sizeof(sz) - 1, dValue, std::chars_format::fixed, 6);
    if (res.ec != std::errc())
        return *this;
    *res.ptr = 0;
    SetValue(sz);
    return *this;
}

XmlNode::XmlNode() : m_pRecord(&s_nullRecord) {}

XmlNode::XmlNode(XmlNodeRecord* pRecord) : m_pRecord(pRecord ? pRecord : &s_nullRecord) {}

bool XmlNode::IsEmpty() const
{
    return m_pRecord == &s_nullRecord;
}

XmlNode XmlNode::Parent() const
{
    if (IsEmpty() || XmlIsDocumentRecord(m_pRecord))
        return XmlNode();
    return XmlNode(m_pRecord->m_pParent);
}

XmlNode XmlNode::Child(uint32_t nIndex) const
{
    if (nIndex >= m_pRecord->m_nChildCount)
        return XmlNode();
    return XmlNode(m_pRecord->m_ppChildren[nIndex]);
}

XmlAttribute XmlNode::AttributeAt(uint32_t nIndex) const
{
    if (nIndex >= m_pRecord->m_nAttributeCount)
        return XmlAttribute();
    return XmlAttribute(m_pRecord->m_ppAttributes[nIndex]);
}

int32_t XmlNode::FindChild(const char* pszPattern) const
{
    if (!pszPattern)
        return -1;
    const uint32_t n = m_pRecord->m_nChildCount;
    for (uint32_t i = 0; i < n && i <= uint32_t(INT32_MAX); ++i)
    {
        const char* pszName = m_pRecord->m_ppChildren[i]->m_pszName;
        if (pszName && MatchWildcard(pszPattern, pszName))
            return int32_t(i);
    }
    return -1;
}

XmlNode XmlNode::ChildByName(const char* pszPattern) const
{
    const int32_t i = FindChild(pszPattern);
    return i < 0 ? XmlNode() : Child(uint32_t(i));
}

XmlAttribute XmlNode::FindAttribute(const char* pszPattern) const
{
    if (!pszPattern)
        return XmlAttribute();
    for (uint32_t i = 0; i < m_pRecord->m_nAttributeCount; ++i)
    {
        XmlAttributeRecord* a = m_pRecord->m_ppAttributes[i];
        if (a->m_pszName && MatchWildcard(pszPattern, a->m_pszName))
            return XmlAttribute(a);
    }
    return XmlAttribute();
}

XmlAttribute XmlNode::Attribute(const char* pszName) const
{
    if (!pszName)
        return XmlAttribute();
    if (IsEmpty())
        return XmlAttribute(&s_sinkAttribute);
    XmlAttribute found = FindAttribute(pszName);
    if (!found.IsEmpty())
        return found;
    return AppendAttribute(pszName, "");
}

XmlAttribute XmlNode::AppendAttribute(const char* pszName, const char* pszValue) const
{
    if (IsEmpty() || !pszName || !pszValue)
        return XmlAttribute();
    return XmlAttribute(XmlAppendAttributeRecord(m_pRecord, pszName, pszValue));
}

XmlNode XmlNode::AppendChild(uint32_t nKind) const
{
    if (IsEmpty() || (m_pRecord->m_nKind != XmlKindElement && !XmlIsDocumentRecord(m_pRecord)))
        return XmlNode();
    XmlNodeRecord* pChild = XmlNewRecord(nKind);
    if (!pChild)
        return XmlNode();
    if (!XmlLinkChild(m_pRecord, pChild))
    {
        std::free(pChild);
        return XmlNode();
    }
    return XmlNode(pChild);
}

bool XmlNode::RemoveChild(uint32_t nIndex) const
{
    if (nIndex >= m_pRecord->m_nChildCount)
        return false;
    XmlNodeRecord* pChild = m_pRecord->m_ppChildren[nIndex];
    std::memmove(m_pRecord->m_ppChildren + nIndex, m_pRecord->m_ppChildren + nIndex + 1,
                 (m_pRecord->m_nChildCount - nIndex - 1) * sizeof(XmlNodeRecord*));
    --m_pRecord->m_nChildCount;
    XmlFreeSubtree(pChild);
    return true;
}

bool XmlNode::SetName(const char* pszText) const
{
    if (IsEmpty())
        return false;
    return XmlReplaceString(m_pRecord->m_pszName, m_pRecord->m_bNameInBuffer, pszText);
}

bool XmlNode::SetValue(const char* pszText) const
{
    if (IsEmpty())
        return false;
    return XmlReplaceString(m_pRecord->m_pszValue, m_pRecord->m_bValueInBuffer, pszText);
}

namespace
{
// The path's tokens, pointing into strPath, whose delimiters are overwritten with NULs; empty
// tokens disappear.
std::vector<const char*> SplitPath(std::string& strPath, const char* pszDelimiters)
{
    std::vector<const char*> tokens;
    for (size_t i = 0; i < strPath.size();)
    {
        if (std::strchr(pszDelimiters, strPath[i]))
        {
            strPath[i++] = 0;
            continue;
        }
        tokens.push_back(strPath.c_str() + i);
        while (i < strPath.size() && !std::strchr(pszDelimiters, strPath[i]))
            ++i;
    }
    return tokens;
}

// The child of pCur whose name matches the token, first in document order; nIndex gets its index.
XmlNodeRecord* MatchingChild(const XmlNodeRecord* pCur, const char* pszToken, uint32_t& nIndex)
{
    for (uint32_t c = 0; c < pCur->m_nChildCount; ++c)
    {
        XmlNodeRecord* pChild = pCur->m_ppChildren[c];
        if (pChild->m_pszName && MatchWildcard(pszToken, pChild->m_pszName))
        {
            nIndex = c;
            return pChild;
        }
    }
    return nullptr;
}

// Where the search goes on when no child of pCur matches: a later namesake of pCur (try the same
// token there, one step back), else the parent or the parent's later namesake (one or two steps
// back). Gives the number of steps back; 0 when the search has reached the document and fails.
size_t Backtrack(XmlNodeRecord*& pCur, uint32_t& nIndex)
{
    if (XmlNodeRecord* pSibling = LaterNamesake(pCur, nIndex))
    {
        pCur = pSibling;
        return 1;
    }
    XmlNodeRecord* pParent = pCur->m_pParent;
    if (!pParent || XmlIsDocumentRecord(pParent) || pParent == pCur)
        return 0;
    pCur = pParent;
    nIndex = UINT32_MAX;
    if (XmlNodeRecord* pParentSibling = LaterNamesake(pCur, nIndex))
    {
        pCur = pParentSibling;
        return 2;
    }
    return 1;
}

// The backtracking moves only to later siblings or up, but tokens may send it down again; a state
// (node, token) seen twice would repeat for ever, so cycles are detected (Brent).
class CCycleGuard
{
public:
    explicit CCycleGuard(const XmlNodeRecord* pStart) : m_pSeen(pStart) {}
    bool Repeats(const XmlNodeRecord* pCur, size_t nToken)
    {
        if (pCur == m_pSeen && nToken == m_nSeenToken)
            return true;
        if (++m_nSteps == m_nPower)
        {
            m_pSeen = pCur;
            m_nSeenToken = nToken;
            m_nPower *= 2;
            m_nSteps = 0;
        }
        return false;
    }

private:
    const XmlNodeRecord* m_pSeen;
    size_t m_nSeenToken = 0;
    size_t m_nPower = 1;
    size_t m_nSteps = 0;
};
} // namespace

XmlNode XmlNode::SelectPath(const char* pszPath, const char* pszDelimiters) const
{
    if (!pszPath)
        return XmlNode();
    if (!pszDelimiters)
        pszDelimiters = "";
    std::string strPath(pszPath);
    const std::vector<const char*> tokens = SplitPath(strPath, pszDelimiters);
    if (tokens.empty())
        return XmlNode();

    XmlNodeRecord* pCur = m_pRecord;
    if (pszDelimiters[0] && pszPath[0] == pszDelimiters[0])
        pCur = DocumentOf(pCur);
    if (!pCur || pCur == &s_nullRecord)
        return XmlNode();

    CCycleGuard guard(pCur);
    // The index of pCur in its parent, kept while it is known, so that trying sibling after
    // sibling stays linear in the number of siblings.
    uint32_t nIndex = UINT32_MAX;
    size_t i = 0;
    while (i < tokens.size())
    {
        const char* pszToken = tokens[i];
        if (std::strcmp(pszToken, "..") == 0)
        {
            pCur = pCur->m_pParent;
            nIndex = UINT32_MAX;
            if (!pCur || XmlIsDocumentRecord(pCur))
                return XmlNode();
            ++i;
        }
        else if (pszToken[0] == '.')
            ++i;
        else if (XmlNodeRecord* pChild = MatchingChild(pCur, pszToken, nIndex))
        {
            pCur = pChild;
            ++i;
        }
        else
        {
            const size_t nBack = Backtrack(pCur, nIndex);
            if (nBack == 0)
                return XmlNode();
            // Never step back from the first token; then the usual step forward.
            i -= nBack < i ? nBack : i;
            ++i;
        }
        if (guard.Repeats(pCur, i))
            return XmlNode();
    }
    return XmlNode(pCur);
}
