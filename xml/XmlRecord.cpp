#include "xml/XmlRecord.h"

#include <cstdlib>
#include <cstring>

char* XmlCopyString(const char* pszText)
{
    const size_t n = std::strlen(pszText) + 1;
    auto* p = static_cast<char*>(std::malloc(n));
    if (p)
        std::memcpy(p, pszText, n);
    return p;
}

bool XmlReplaceString(char*& pszSlot, bool& bInBuffer, const char* pszText)
{
    if (!pszText)
        return false;
    const size_t n = std::strlen(pszText);
    if (pszSlot && std::strlen(pszSlot) >= n)
    {
        std::memmove(pszSlot, pszText, n + 1);
        return true;
    }
    char* pCopy = XmlCopyString(pszText);
    if (!pCopy)
        return false;
    if (pszSlot && !bInBuffer)
        std::free(pszSlot);
    pszSlot = pCopy;
    bInBuffer = false;
    return true;
}

XmlNodeRecord* XmlNewRecord(uint32_t nKind)
{
    auto* p = static_cast<XmlNodeRecord*>(std::calloc(1, sizeof(XmlNodeRecord)));
    if (p)
        p->m_nKind = nKind;
    return p;
}

namespace
{
// Grows a heap or pooled pointer array to one more slot. A pooled array is copied to the heap,
// since the pool cannot resize.
template <class T>
bool GrowByOne(T**& ppArray, uint32_t& nCapacity, uint32_t nCount, uint8_t& nAlloc, uint8_t nPooledFlag)
{
    if (nCount < nCapacity)
        return true;
    if (nCapacity == UINT32_MAX)
        return false;
    const size_t nNew = size_t(nCapacity) + 1;
    T** ppNew;
    if (nAlloc & nPooledFlag)
    {
        ppNew = static_cast<T**>(std::malloc(nNew * sizeof(T*)));
        if (ppNew && nCount)
            std::memcpy(ppNew, ppArray, nCount * sizeof(T*));
    }
    else
    {
        ppNew = static_cast<T**>(std::realloc(ppArray, nNew * sizeof(T*)));
    }
    if (!ppNew)
        return false;
    ppArray = ppNew;
    nCapacity = uint32_t(nNew);
    nAlloc = uint8_t(nAlloc & ~nPooledFlag);
    return true;
}

void FreeRecordParts(XmlNodeRecord* p)
{
    for (uint32_t i = 0; i < p->m_nAttributeCount; ++i)
    {
        XmlAttributeRecord* a = p->m_ppAttributes[i];
        if (!a->m_bNameInBuffer)
            std::free(a->m_pszName);
        if (!a->m_bValueInBuffer)
            std::free(a->m_pszValue);
        if (!a->m_bPooled)
            std::free(a);
    }
    if (!(p->m_nAlloc & XmlAllocAttributesPooled))
        std::free(p->m_ppAttributes);
    if (!(p->m_nAlloc & XmlAllocChildrenPooled))
        std::free(p->m_ppChildren);
    if (!p->m_bNameInBuffer)
        std::free(p->m_pszName);
    if (!p->m_bValueInBuffer)
        std::free(p->m_pszValue);
    if (!(p->m_nAlloc & XmlAllocRecordPooled))
        std::free(p);
}
} // namespace

bool XmlLinkChild(XmlNodeRecord* pParent, XmlNodeRecord* pChild)
{
    if (!GrowByOne(pParent->m_ppChildren, pParent->m_nChildCapacity, pParent->m_nChildCount, pParent->m_nAlloc,
                   uint8_t(XmlAllocChildrenPooled)))
        return false;
    pParent->m_ppChildren[pParent->m_nChildCount++] = pChild;
    pChild->m_pParent = pParent;
    return true;
}

XmlAttributeRecord* XmlAppendAttributeRecord(XmlNodeRecord* pNode, const char* pszName, const char* pszValue)
{
    if (!GrowByOne(pNode->m_ppAttributes, pNode->m_nAttributeCapacity, pNode->m_nAttributeCount, pNode->m_nAlloc,
                   uint8_t(XmlAllocAttributesPooled)))
        return nullptr;
    auto* a = static_cast<XmlAttributeRecord*>(std::calloc(1, sizeof(XmlAttributeRecord)));
    char* pszNameCopy = XmlCopyString(pszName);
    char* pszValueCopy = XmlCopyString(pszValue);
    if (!a || !pszNameCopy || !pszValueCopy)
    {
        std::free(a);
        std::free(pszNameCopy);
        std::free(pszValueCopy);
        return nullptr;
    }
    a->m_pszName = pszNameCopy;
    a->m_pszValue = pszValueCopy;
    pNode->m_ppAttributes[pNode->m_nAttributeCount++] = a;
    return a;
}

void XmlFreeSubtree(XmlNodeRecord* pRoot)
{
    if (!pRoot)
        return;
    // Always descend into the last remaining child; a childless record is freed and its parent
    // forgets it, so every record is visited once and no stack is needed.
    XmlNodeRecord* p = pRoot;
    for (;;)
    {
        if (p->m_nChildCount > 0)
        {
            p = p->m_ppChildren[p->m_nChildCount - 1];
            continue;
        }
        if (p == pRoot)
        {
            FreeRecordParts(p);
            return;
        }
        XmlNodeRecord* pParent = p->m_pParent;
        FreeRecordParts(p);
        --pParent->m_nChildCount;
        p = pParent;
    }
}
