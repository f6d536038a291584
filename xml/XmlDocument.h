#pragma once
// Owner of one parsed tree and of the file buffer its strings point into. Made for one load, one
// edit and at most one save, then destroyed.

#include "xml/XmlNode.h"
#include "xml/XmlPool.h"
#include "xml/XmlTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The largest file LoadFile takes; larger files are refused like unreadable ones.
inline constexpr size_t kXmlMaxFileBytes = size_t(256) << 20;
// Files are taken in chunks of this many bytes (less one, so that each chunk ends in NUL); a NUL
// byte inside a chunk ends what is kept of that chunk.
inline constexpr size_t kXmlChunkBytes = 4096;

class XmlDocument
{
public:
    // nGrowth: slots by which a full array grows while parsing. A document that does not own its
    // tree leaves the tree and its buffer alive when it is destroyed (they are then never freed).
    explicit XmlDocument(int32_t nGrowth = XmlDefaultGrowth, bool bOwnsTree = true,
                         uint32_t nOptions = XmlOptProgram);
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Reads the whole file and parses it. False (and no tree) when the path is null, the file
    // cannot be read, is not a regular file, is larger than kXmlMaxFileBytes or is empty (for all
    // but the last, pstrReason receives why; it is emptied otherwise); any text at all gives true.
    // nOptions replaces the document's options unless it is XmlOptKeepCurrent.
    bool LoadFile(const char* pszPath, uint32_t nOptions = XmlOptKeepCurrent, std::string* pstrReason = nullptr);
    bool LoadFile(const std::string& strPath, uint32_t nOptions = XmlOptKeepCurrent,
                  std::string* pstrReason = nullptr)
    {
        return LoadFile(strPath.c_str(), nOptions, pstrReason);
    }
    // The same from bytes in memory, taken in the same chunks as a file.
    bool LoadMemory(const void* pData, size_t nSize, uint32_t nOptions = XmlOptKeepCurrent);

    // Drops any tree and starts a new one holding only the document record.
    void CreateEmpty();

    // The document record; empty before a successful load or CreateEmpty.
    XmlNode Root() const { return XmlNode(m_pTree); }

    // Writes the tree with tab indentation and CR LF line ends and replaces the file with it
    // (base/FileIo.h: a failed save leaves the old file whole, its mode and links kept). True only
    // when every byte was written; otherwise pstrReason receives the file module's reason, where
    // there is one (it is emptied otherwise).
    bool Save(const char* pszPath, std::string* pstrReason = nullptr) const;
    bool Save(const std::string& strPath, std::string* pstrReason = nullptr) const
    {
        return Save(strPath.c_str(), pstrReason);
    }

    uint32_t Options() const { return m_nOptions; }
    // Where the last parse stopped, inside the buffer.
    const char* StopPosition() const { return m_pStop; }

private:
    void Free();
    bool Parse(char* pBuffer, size_t nLength, uint32_t nOptions);

    XmlNodeRecord* m_pTree = nullptr;
    int32_t m_nGrowth;
    bool m_bOwnsTree;
    char* m_pBuffer = nullptr;
    char* m_pStop = nullptr;
    uint32_t m_nOptions;
    CXmlPool m_pool;
};
