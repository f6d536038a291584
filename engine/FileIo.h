#pragma once
#include "engine/Limits.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace gx
{
// Owner of a file descriptor: closed at the end of its life unless Close was called.
class CFd
{
public:
    explicit CFd(int fd = -1) : m_nFd(fd) {}
    ~CFd() { Close(); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_nFd; }
    // True when nothing was open or the close succeeded.
    bool Close();
    // Gives up ownership without closing.
    int Release() { return std::exchange(m_nFd, -1); }

private:
    int m_nFd;
};

// Reads a whole regular file; false when it cannot be read or is larger than maxBytes.
bool ReadWholeFile(const char* path, std::vector<uint8_t>& out, uint64_t maxBytes = kMaxFileBytes);

// Writes bytes to a temporary file in the target's folder and renames it over path, so that a
// failed write never destroys an existing file. True only when every byte reached the file.
bool WriteFileAtomically(const char* path, std::span<const uint8_t> bytes);
} // namespace gx
