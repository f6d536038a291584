#include "base/FileIo.h"
#include "base/Fd.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace
{
// Every step below that can fail takes `why`, the reason its caller hands back, and a failing
// step fills it: failing paths read "return Fail(why, e)".
bool Fail(std::string& why, int nErrno)
{
    why = std::error_code(nErrno, std::generic_category()).message();
    return false;
}

bool FailText(std::string& why, const char* pszReason)
{
    why = pszReason;
    return false;
}

// Hands a step's outcome to the caller's optional reason: empty after a success.
bool Report(bool bOk, const std::string& why, std::string* pstrReason)
{
    if (pstrReason)
    {
        if (bOk)
            pstrReason->clear();
        else
            *pstrReason = why;
    }
    return bOk;
}

// A temporary file that is removed unless it was renamed into place.
class CTempFile
{
public:
    ~CTempFile()
    {
        if (!m_strPath.empty())
            ::unlink(m_strPath.c_str());
    }
    std::string m_strPath;
};

bool IsRegularOrFail(const struct stat& st, std::string& why)
{
    if (S_ISREG(st.st_mode))
        return true;
    if (S_ISDIR(st.st_mode))
        return Fail(why, EISDIR);
    return FailText(why, "not a regular file");
}

bool WriteAll(int nFd, const uint8_t* p, size_t n, std::string& why)
{
    size_t nDone = 0;
    while (nDone < n)
    {
        const ssize_t nWritten = ::write(nFd, p + nDone, n - nDone);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten < 0)
            return Fail(why, errno);
        if (nWritten == 0)
            return Fail(why, EIO);
        nDone += size_t(nWritten);
    }
    return true;
}

// Opens an existing path without blocking and makes sure it is a regular file; the descriptor is
// made blocking again for the reads and writes that follow.
int OpenRegular(const char* pszPath, int nFlags, struct stat& st, std::string& why)
{
    CFd fd(::open(pszPath, nFlags | O_NONBLOCK | O_CLOEXEC, 0666));
    if (fd.Get() < 0)
        return Fail(why, errno), -1;
    if (::fstat(fd.Get(), &st) != 0)
        return Fail(why, errno), -1;
    if (!IsRegularOrFail(st, why))
        return -1;
    const int nFl = ::fcntl(fd.Get(), F_GETFL);
    if (nFl < 0 || ::fcntl(fd.Get(), F_SETFL, nFl & ~O_NONBLOCK) != 0)
        return Fail(why, errno), -1;
    return fd.Release();
}

// The file a chain of symbolic links ends at (the path itself when it is no link or when the
// chain cannot be followed), so that replacing it leaves the links in place.
std::string FollowLinks(const std::string& strPath)
{
    std::string strCurrent = strPath;
    for (int nHops = 0; nHops < 40; ++nHops)
    {
        struct stat st{};
        if (::lstat(strCurrent.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return strCurrent;
        char szTarget[PATH_MAX];
        const ssize_t n = ::readlink(strCurrent.c_str(), szTarget, sizeof szTarget - 1);
        if (n <= 0)
            return strCurrent;
        std::string strTarget(szTarget, size_t(n));
        if (strTarget[0] != '/')
        {
            const size_t nSlash = strCurrent.rfind('/');
            strTarget = (nSlash == std::string::npos ? std::string() : strCurrent.substr(0, nSlash + 1)) + strTarget;
        }
        strCurrent = strTarget;
    }
    return strCurrent;
}

// A name in the target's folder: "." + the target's name + ".XXXXXX", the name cut so that the
// whole stays within NAME_MAX. Targets with names up to NAME_MAX are therefore writable.
std::string TempPattern(const std::string& strTarget)
{
    const size_t nSlash = strTarget.rfind('/');
    const size_t nNameAt = nSlash == std::string::npos ? 0 : nSlash + 1;
    constexpr size_t kAdded = 8; // "." before, ".XXXXXX" after
    const std::string strName = strTarget.substr(nNameAt, NAME_MAX - kAdded);
    return strTarget.substr(0, nNameAt) + "." + strName + ".XXXXXX";
}

mode_t NewFileMode()
{
    const mode_t nMask = ::umask(0);
    ::umask(nMask);
    return 0666 & ~nMask;
}

// A file with several hard links cannot be replaced by a rename without cutting the other names
// off the new content. Its new content has already been written whole to the temporary file,
// which proves that the disk and the size limit take it; removing that temporary frees the same
// room again, and the bytes are then written over the existing inode. Only a failure in this
// final copy (another writer taking the room in between) can leave the file damaged.
bool OverwriteInPlace(const std::string& strTarget, const struct stat& stOld, std::span<const uint8_t> bytes,
                      std::string& why)
{
    struct stat st{};
    CFd fd(OpenRegular(strTarget.c_str(), O_WRONLY, st, why));
    if (fd.Get() < 0)
        return false;
    if (st.st_dev != stOld.st_dev || st.st_ino != stOld.st_ino)
        return FailText(why, "the file changed while it was being written");
    if (!WriteAll(fd.Get(), bytes.data(), bytes.size(), why))
        return false;
    if (::ftruncate(fd.Get(), off_t(bytes.size())) != 0)
        return Fail(why, errno);
    return fd.Close() || Fail(why, errno);
}
} // namespace

namespace
{
bool ReadWhole(const char* pszPath, std::vector<uint8_t>& out, uint64_t nMaxBytes, std::string& why)
{
    out.clear();
    if (!pszPath || !*pszPath)
        return Fail(why, ENOENT);
    struct stat st{};
    CFd fd(OpenRegular(pszPath, O_RDONLY, st, why));
    if (fd.Get() < 0)
        return false;
    if (uint64_t(st.st_size) > nMaxBytes)
        return Fail(why, EFBIG);
    try
    {
        out.resize(size_t(st.st_size));
    }
    catch (const std::bad_alloc&)
    {
        return Fail(why, ENOMEM);
    }
    size_t nDone = 0;
    while (nDone < out.size())
    {
        const ssize_t n = ::read(fd.Get(), out.data() + nDone, out.size() - nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            const int nErr = errno;
            out.clear();
            return Fail(why, nErr);
        }
        if (n == 0)
            break;
        nDone += size_t(n);
    }
    out.resize(nDone); // a file that shrank while being read keeps what was there
    return true;
}

bool Replace(const char* pszPath, std::span<const uint8_t> bytes, std::string& why)
{
    if (!pszPath || !*pszPath)
        return Fail(why, ENOENT);
    const std::string strTarget = FollowLinks(pszPath);

    struct stat stOld{};
    const bool bExists = ::stat(strTarget.c_str(), &stOld) == 0;
    if (!bExists && errno != ENOENT)
        return Fail(why, errno);
    if (bExists && !IsRegularOrFail(stOld, why))
        return false;

    CTempFile temp;
    std::string strTemp = TempPattern(strTarget);
    CFd fd(::mkostemp(strTemp.data(), O_CLOEXEC));
    if (fd.Get() < 0)
        return Fail(why, errno);
    temp.m_strPath = strTemp;
    if (::fchmod(fd.Get(), bExists ? stOld.st_mode & 07777 : NewFileMode()) != 0)
        return Fail(why, errno);
    if (!WriteAll(fd.Get(), bytes.data(), bytes.size(), why))
        return false;
    if (!fd.Close())
        return Fail(why, errno);

    if (bExists && stOld.st_nlink > 1)
    {
        ::unlink(temp.m_strPath.c_str());
        temp.m_strPath.clear();
        return OverwriteInPlace(strTarget, stOld, bytes, why);
    }
    if (::rename(temp.m_strPath.c_str(), strTarget.c_str()) != 0)
        return Fail(why, errno);
    temp.m_strPath.clear();
    return true;
}

bool Append(const char* pszPath, std::span<const uint8_t> bytes, uint64_t& nSizeAfter, std::string& why)
{
    nSizeAfter = 0;
    if (!pszPath || !*pszPath)
        return Fail(why, ENOENT);
    struct stat st{};
    CFd fd(OpenRegular(pszPath, O_WRONLY | O_APPEND | O_CREAT, st, why));
    if (fd.Get() < 0)
        return false;
    const bool bWritten = WriteAll(fd.Get(), bytes.data(), bytes.size(), why);
    if (::fstat(fd.Get(), &st) == 0)
        nSizeAfter = uint64_t(st.st_size);
    return fd.Close() ? bWritten : Fail(why, errno);
}
} // namespace

bool ReadWholeFile(const char* pszPath, std::vector<uint8_t>& out, uint64_t nMaxBytes, std::string* pstrReason)
{
    std::string why;
    return Report(ReadWhole(pszPath, out, nMaxBytes, why), why, pstrReason);
}

bool ReplaceFile(const char* pszPath, std::span<const uint8_t> bytes, std::string* pstrReason)
{
    std::string why;
    return Report(Replace(pszPath, bytes, why), why, pstrReason);
}

bool AppendToFile(const char* pszPath, std::span<const uint8_t> bytes, uint64_t& nSizeAfter, std::string* pstrReason)
{
    std::string why;
    return Report(Append(pszPath, bytes, nSizeAfter, why), why, pstrReason);
}

bool MakeFolderOf(const char* pszPath, std::string* pstrReason)
{
    std::string why;
    if (!pszPath)
        return Report(Fail(why, ENOENT), why, pstrReason);
    const std::string path(pszPath);
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return Report(true, why, pstrReason);
    const std::string folder = path.substr(0, slash);
    struct stat st{};
    if (::stat(folder.c_str(), &st) == 0)
        return Report(S_ISDIR(st.st_mode) || Fail(why, ENOTDIR), why, pstrReason);
    // Each component from the first: one already there (made by a concurrent writer too) is
    // passed over, one that is not a folder stops the walk with its reason.
    for (size_t end = path.find('/', 1); end != std::string::npos && end <= slash; end = path.find('/', end + 1))
    {
        const std::string part = path.substr(0, end);
        if (part.empty() || part.back() == '/')
            continue;
        if (::mkdir(part.c_str(), 0777) == 0)
            continue;
        if (errno != EEXIST)
            return Report(Fail(why, errno), why, pstrReason);
        if (::stat(part.c_str(), &st) != 0)
            return Report(Fail(why, errno), why, pstrReason);
        if (!S_ISDIR(st.st_mode))
            return Report(Fail(why, ENOTDIR), why, pstrReason);
    }
    return Report(true, why, pstrReason);
}

bool RenameWithoutReplacing(const char* pszFrom, const char* pszTo, std::string* pstrReason)
{
    std::string why;
    bool bOk = false;
    if (!pszFrom || !pszTo)
        Fail(why, ENOENT);
    else if (::renameat2(AT_FDCWD, pszFrom, AT_FDCWD, pszTo, RENAME_NOREPLACE) == 0)
        bOk = true;
    else if (errno != EINVAL && errno != ENOSYS)
        Fail(why, errno);
    else
    {
        // The file system cannot refuse the replacement itself: the target is looked for first.
        struct stat st{};
        if (::lstat(pszTo, &st) == 0)
            Fail(why, EEXIST);
        else
            bOk = ::rename(pszFrom, pszTo) == 0 || Fail(why, errno);
    }
    return Report(bOk, why, pstrReason);
}

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
