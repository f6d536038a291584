#pragma once
// Reading and replacing the files the program keeps its settings, texts and batches in.

#include <cstdint>
#include <cstdio>
#include <string>

// A regular file open for reading. It is opened without blocking, so that a named pipe in its
// place cannot hang the open, and anything but a regular file (a device could be read for ever)
// is refused.
class CXmlInputFile
{
public:
    CXmlInputFile() = default;
    ~CXmlInputFile();
    CXmlInputFile(const CXmlInputFile&) = delete;
    CXmlInputFile& operator=(const CXmlInputFile&) = delete;

    // False when the path is null, cannot be opened or is not a regular file.
    bool Open(const char* pszPath);
    FILE* Get() const { return m_pFile; }
    // The size the file had when it was opened.
    uint64_t Size() const { return m_nSize; }

private:
    FILE* m_pFile = nullptr;
    uint64_t m_nSize = 0;
};

// Replacing a file without ever leaving it half written: the new content goes to a temporary
// file in the same folder, which is renamed over the target only when every byte got there.

class CXmlAtomicFile
{
public:
    CXmlAtomicFile() = default;
    ~CXmlAtomicFile(); // an uncommitted temporary file is removed
    CXmlAtomicFile(const CXmlAtomicFile&) = delete;
    CXmlAtomicFile& operator=(const CXmlAtomicFile&) = delete;

    // Creates the temporary file for a target path (a symbolic link is followed, so that the
    // link stays). The new file takes the mode of the file it replaces.
    bool Open(const char* pszPath);
    int Fd() const { return m_nFd; }
    // Closes the temporary file and, when bWritten, renames it over the target. False when the
    // content did not reach the target; the old file is then untouched.
    bool Commit(bool bWritten);

private:
    void Discard();

    int m_nFd = -1;
    std::string m_strTarget;
    std::string m_strTemp;
};
