#pragma once
// A bump allocator for the records and pointer arrays that one parse makes. Nothing is freed one
// by one: the pool releases every block at once when the document drops its tree.

#include <cstddef>

class CXmlPool
{
public:
    CXmlPool() = default;
    ~CXmlPool() { Clear(); }
    CXmlPool(const CXmlPool&) = delete;
    CXmlPool& operator=(const CXmlPool&) = delete;

    // The size of the first block, so that a tree of a large file needs few blocks.
    void SetFirstBlockSize(size_t nBytes) { m_nNextBlock = nBytes; }

    // Uninitialised memory aligned for pointers and 64-bit numbers, or null when no memory can be
    // had.
    void* Allocate(size_t nBytes);

    template <class T>
    T* AllocateArray(size_t nCount)
    {
        if (nCount > kMaxBytes / sizeof(T))
            return nullptr;
        return static_cast<T*>(Allocate(nCount * sizeof(T)));
    }

    void Clear();
    // Forgets the blocks without freeing them, for a tree that must outlive its document.
    void Abandon();

private:
    struct CBlock
    {
        CBlock* m_pNext;
    };
    static constexpr size_t kMinBlock = 64 * 1024;
    static constexpr size_t kMaxBlock = 64 * 1024 * 1024;
    static constexpr size_t kMaxBytes = size_t(1) << 40;

    CBlock* m_pBlocks = nullptr;
    char* m_pCursor = nullptr;
    char* m_pEnd = nullptr;
    size_t m_nNextBlock = kMinBlock;
};
