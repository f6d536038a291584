#include "xml/XmlFile.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CXmlInputFile::~CXmlInputFile()
{
    if (m_pFile)
        std::fclose(m_pFile);
}

bool CXmlInputFile::Open(const char* pszPath)
{
    if (m_pFile || !pszPath)
        return false;
    const int fd = ::open(pszPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_pFile = ::fdopen(fd, "rb");
    if (!m_pFile)
    {
        ::close(fd);
        return false;
    }
    m_nSize = uint64_t(st.st_size);
    return true;
}

CXmlAtomicFile::~CXmlAtomicFile()
{
    Discard();
}

bool CXmlAtomicFile::Open(const char* pszPath)
{
    Discard();
    if (!pszPath || !*pszPath)
        return false;
    m_strTarget = pszPath;
    char szReal[PATH_MAX];
    if (::realpath(pszPath, szReal))
        m_strTarget = szReal;

    mode_t nMode;
    struct stat st{};
    if (::stat(m_strTarget.c_str(), &st) == 0)
    {
        if (!S_ISREG(st.st_mode))
            return false;
        nMode = st.st_mode & 07777;
    }
    else
    {
        const mode_t nMask = ::umask(0);
        ::umask(nMask);
        nMode = 0666 & ~nMask;
    }
    m_strTemp = m_strTarget + ".XXXXXX";
    m_nFd = ::mkstemp(m_strTemp.data());
    if (m_nFd < 0)
    {
        m_strTemp.clear();
        return false;
    }
    ::fchmod(m_nFd, nMode);
    return true;
}

bool CXmlAtomicFile::Commit(bool bWritten)
{
    if (m_nFd < 0)
        return false;
    const bool bClosed = ::close(m_nFd) == 0;
    m_nFd = -1;
    if (bWritten && bClosed && ::rename(m_strTemp.c_str(), m_strTarget.c_str()) == 0)
    {
        m_strTemp.clear();
        return true;
    }
    Discard();
    return false;
}

void CXmlAtomicFile::Discard()
{
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
    if (!m_strTemp.empty())
        ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
}
