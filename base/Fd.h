#pragma once
// The owner of a file descriptor: closed at the end of its life unless released or closed before.

#include <unistd.h>

#include <utility>

class CFd
{
public:
    explicit CFd(int nFd = -1) : m_nFd(nFd) {}
    ~CFd() { Close(); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_nFd; }
    // Gives up ownership without closing.
    int Release() { return std::exchange(m_nFd, -1); }
    // True when nothing was open or the close succeeded. Close errors matter for writes: a delayed
    // write error (NFS, quota) shows up here.
    bool Close() { return m_nFd < 0 || ::close(std::exchange(m_nFd, -1)) == 0; }

private:
    int m_nFd;
};
