#include "xml/XmlPool.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace
{
// Records hold nothing wider than a pointer.
constexpr size_t kAlign = alignof(void*) > alignof(uint64_t) ? alignof(void*) : alignof(uint64_t);
constexpr size_t kHeader = (sizeof(void*) + kAlign - 1) / kAlign * kAlign;

size_t RoundUp(size_t n)
{
    return (n + kAlign - 1) / kAlign * kAlign;
}
} // namespace

void* CXmlPool::Allocate(size_t nBytes)
{
    if (nBytes > kMaxBytes)
        return nullptr;
    nBytes = RoundUp(nBytes == 0 ? 1 : nBytes);
    if (size_t(m_pEnd - m_pCursor) >= nBytes)
    {
        void* p = m_pCursor;
        m_pCursor += nBytes;
        return p;
    }
    // A request larger than a quarter block gets a block of its own, so that the open block keeps
    // serving small records.
    const size_t nBlock = std::clamp(m_nNextBlock, kMinBlock, kMaxBlock);
    const bool bOwnBlock = nBytes > nBlock / 4;
    const size_t nSize = kHeader + (bOwnBlock ? nBytes : nBlock);
    auto* pRaw = static_cast<char*>(std::malloc(nSize));
    if (!pRaw)
        return nullptr;
    auto* pBlock = reinterpret_cast<CBlock*>(pRaw);
    pBlock->m_pNext = m_pBlocks;
    m_pBlocks = pBlock;
    char* pData = pRaw + kHeader;
    if (bOwnBlock)
        return pData;
    m_pCursor = pData + nBytes;
    m_pEnd = pRaw + nSize;
    m_nNextBlock = std::min(nBlock * 2, kMaxBlock);
    return pData;
}

void CXmlPool::Clear()
{
    while (m_pBlocks)
    {
        CBlock* pNext = m_pBlocks->m_pNext;
        std::free(m_pBlocks);
        m_pBlocks = pNext;
    }
    Abandon();
}

void CXmlPool::Abandon()
{
    m_pBlocks = nullptr;
    m_pCursor = m_pEnd = nullptr;
    m_nNextBlock = kMinBlock;
}
