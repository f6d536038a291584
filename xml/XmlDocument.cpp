#include "xml/XmlDocument.h"

#include "base/FileIo.h"
#include "xml/XmlParser.h"
#include "xml/XmlRecord.h"
#include "xml/XmlWriter.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
// The growing buffer a file is gathered in; it is handed to the document once complete.
class CChunkBuffer
{
public:
    ~CChunkBuffer() { std::free(m_p); }

    // Room for one more chunk (and the final NUL) after what is kept so far.
    char* ChunkSpace()
    {
        const size_t nNeed = m_nLength + kXmlChunkBytes;
        if (nNeed > m_nCapacity)
        {
            size_t nCap = m_nCapacity ? m_nCapacity * 2 : 64 * 1024;
            if (nCap < nNeed)
                nCap = nNeed;
            if (!Reserve(nCap))
                return nullptr;
        }
        return m_p + m_nLength;
    }
    bool Reserve(size_t nCapacity)
    {
        if (nCapacity <= m_nCapacity)
            return true;
        auto* p = static_cast<char*>(std::realloc(m_p, nCapacity));
        if (!p)
            return false;
        m_p = p;
        m_nCapacity = nCapacity;
        return true;
    }
    // Keeps the text of a chunk just placed at ChunkSpace: up to its first NUL.
    void Keep(size_t nRead) { m_nLength += ::strnlen(m_p + m_nLength, nRead); }

    size_t Length() const { return m_nLength; }
    char* Release()
    {
        char* p = m_p;
        p[m_nLength] = 0;
        m_p = nullptr;
        return p;
    }

private:
    char* m_p = nullptr;
    size_t m_nLength = 0;
    size_t m_nCapacity = 0;
};
} // namespace

XmlDocument::XmlDocument(int32_t nGrowth, bool bOwnsTree, uint32_t nOptions)
    : m_nGrowth(nGrowth), m_bOwnsTree(bOwnsTree), m_nOptions(nOptions)
{
}

XmlDocument::~XmlDocument()
{
    if (m_bOwnsTree)
        Free();
    else
        m_pool.Abandon();
}

void XmlDocument::Free()
{
    XmlFreeSubtree(m_pTree);
    m_pTree = nullptr;
    m_pool.Clear();
    std::free(m_pBuffer);
    m_pBuffer = nullptr;
    m_pStop = nullptr;
}

bool XmlDocument::LoadFile(const char* pszPath, uint32_t nOptions, std::string* pstrReason)
{
    if (pstrReason)
        pstrReason->clear();
    if (!pszPath)
        return false;
    Free();
    if (nOptions != XmlOptKeepCurrent)
        m_nOptions = nOptions;
    std::vector<uint8_t> file;
    if (!ReadWholeFile(pszPath, file, kXmlMaxFileBytes, pstrReason))
        return false;
    return LoadMemory(file.data(), file.size(), XmlOptKeepCurrent);
}

bool XmlDocument::LoadMemory(const void* pData, size_t nSize, uint32_t nOptions)
{
    Free();
    if (nOptions != XmlOptKeepCurrent)
        m_nOptions = nOptions;
    if (!pData || nSize == 0 || nSize > kXmlMaxFileBytes)
        return false;
    CChunkBuffer buffer;
    if (!buffer.Reserve(nSize + kXmlChunkBytes))
        return false;
    const auto* p = static_cast<const char*>(pData);
    for (size_t nDone = 0; nDone < nSize;)
    {
        size_t n = nSize - nDone;
        if (n > kXmlChunkBytes - 1)
            n = kXmlChunkBytes - 1;
        char* pChunk = buffer.ChunkSpace();
        if (!pChunk)
            return false;
        std::memcpy(pChunk, p + nDone, n);
        buffer.Keep(n);
        nDone += n;
    }
    const size_t nLength = buffer.Length();
    return Parse(buffer.Release(), nLength, m_nOptions);
}

bool XmlDocument::Parse(char* pBuffer, size_t nLength, uint32_t nOptions)
{
    m_pBuffer = pBuffer;
    m_pTree = XmlNewRecord(XmlKindDocument);
    if (!m_pTree)
    {
        Free();
        return false;
    }
    m_pTree->m_pParent = m_pTree;
    // Roughly one record per few dozen bytes of text: one block for most files.
    m_pool.SetFirstBlockSize(nLength * 2);
    m_pStop = XmlParse(m_pBuffer, m_pBuffer + nLength, m_pTree, m_pool, m_nGrowth, nOptions);
    return true;
}

void XmlDocument::CreateEmpty()
{
    Free();
    m_pTree = XmlNewRecord(XmlKindDocument);
    if (!m_pTree)
        return;
    m_pTree->m_pParent = m_pTree;
    m_pTree->m_bNameInBuffer = true;
    m_pTree->m_bValueInBuffer = true;
}

bool XmlDocument::Save(const char* pszPath, std::string* pstrReason) const
{
    if (pstrReason)
        pstrReason->clear();
    if (!m_pTree)
        return false;
    XmlOutputStream out;
    if (!Root().WriteTo(out, '\t', true))
        return false;
    const std::string& strText = out.Text();
    return ReplaceFile(pszPath, {reinterpret_cast<const uint8_t*>(strText.data()), strText.size()}, pstrReason);
}
