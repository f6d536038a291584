#pragma once
// Replacing a file without ever leaving it half written: the new content goes to a temporary
// file in the same folder, which is renamed over the target only when every byte got there.

#include <string>

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
