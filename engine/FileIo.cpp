#include "engine/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace gx
{
namespace
{
mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}
} // namespace

bool CFd::Close()
{
    const int fd = m_nFd;
    m_nFd = -1;
    return fd < 0 || ::close(fd) == 0;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>& out, uint64_t maxBytes)
{
    out.clear();
    if (!path || !*path)
        return false;
    CFd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    struct stat st{};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > maxBytes)
        return false;
    out.resize(size_t(st.st_size));
    size_t done = 0;
    while (done < out.size())
    {
        const ssize_t n = ::read(fd.Get(), out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    out.resize(done); // a file that shrank while being read keeps what was there
    return true;
}

bool WriteFileAtomically(const char* path, std::span<const uint8_t> bytes)
{
    if (!path || !*path)
        return false;
    std::string temp = std::string(path) + ".XXXXXX";
    CFd fd(::mkstemp(temp.data()));
    if (fd.Get() < 0)
        return false;
    bool ok = ::fchmod(fd.Get(), 0666 & ~CurrentUmask()) == 0;
    size_t done = 0;
    while (ok && done < bytes.size())
    {
        const ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += size_t(n);
    }
    ok = fd.Close() && ok;
    if (ok && ::rename(temp.c_str(), path) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}
} // namespace gx
