#include "xml/XmlFile.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

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
