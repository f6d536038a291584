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

XmlNode XmlNode::SelectPath(const char* pszPath, const char* pszDelimiters) const
{
    if (!pszPath)
        return XmlNode();
    if (!pszDelimiters)
        pszDelimiters = "";
    std::string strPath(pszPath);
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
    if (tokens.empty())
        return XmlNode();

    XmlNodeRecord* pCur = m_pRecord;
    if (pszDelimiters[0] && pszPath[0] == pszDelimiters[0])
        pCur = DocumentOf(pCur);
    if (!pCur || pCur == &s_nullRecord)
        return XmlNode();

    // The backtracking moves only to later siblings or up, but tokens may send it down again;
    // a state (node, token) seen twice would repeat for ever, so cycles are detected (Brent).
    XmlNodeRecord* pSeenNode = pCur;
    size_t nSeenToken = 0;
    size_t nPower = 1;
    size_t nSteps = 0;

    // The index of pCur in its parent, kept while it is known, so that trying sibling after
    // sibling stays linear in the number of siblings.
    uint32_t nIndex = UINT32_MAX;
    size_t i = 0;
    while (i < tokens.size())
    {
        const char* pszToken = tokens[i];
        if (pszToken[0] == '.')
        {
            if (std::strcmp(pszToken, "..") == 0)
            {
                pCur = pCur->m_pParent;
                nIndex = UINT32_MAX;
                if (!pCur || XmlIsDocumentRecord(pCur))
                    return XmlNode();
            }
            ++i;
        }
        else
        {
            uint32_t c = 0;
            while (c < pCur->m_nChildCount &&
                   !(pCur->m_ppChildren[c]->m_pszName && MatchWildcard(pszToken, pCur->m_ppChildren[c]->m_pszName)))
                ++c;
            if (c < pCur->m_nChildCount)
            {
                pCur = pCur->m_ppChildren[c];
                nIndex = c;
                ++i;
            }
            else
            {
                size_t nBack;
                if (XmlNodeRecord* pSibling = LaterNamesake(pCur, nIndex))
                {
                    pCur = pSibling;
                    nBack = 1;
                }
                else
                {
                    XmlNodeRecord* pParent = pCur->m_pParent;
                    if (!pParent || XmlIsDocumentRecord(pParent) || pParent == pCur)
                        return XmlNode();
                    pCur = pParent;
                    nIndex = UINT32_MAX;
                    nBack = 1;
                    if (XmlNodeRecord* pParentSibling = LaterNamesake(pCur, nIndex))
                    {
                        pCur = pParentSibling;
                        nBack = 2;
                    }
                }
                // Never step back from the first token; then the usual step forward.
                i -= nBack < i ? nBack : i;
                ++i;
            }
        }
        if (pCur == pSeenNode && i == nSeenToken)
            return XmlNode();
        if (++nSteps == nPower)
        {
            pSeenNode = pCur;
            nSeenToken = i;
            nPower *= 2;
            nSteps = 0;
        }
    }
    return XmlNode(pCur);
}
