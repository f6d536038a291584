#pragma once
#include "engine/Limits.h"

#include <cstdint>
#include <span>
#include <vector>

namespace gx
{
// Reads a whole regular file; false when it cannot be read or is larger than maxBytes.
bool ReadWholeFile(const char* path, std::vector<uint8_t>& out, uint64_t maxBytes = kMaxFileBytes);

// Writes bytes to a temporary file in the target's folder and renames it over path, so that a
// failed write never destroys an existing file. True only when every byte reached the file.
bool WriteFileAtomically(const char* path, std::span<const uint8_t> bytes);
} // namespace gx
