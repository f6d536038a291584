#pragma once
#include <cstdint>

namespace gx
{
// Widths and heights are 16-bit: an image is 1 to 65535 pixels on each side.
inline constexpr uint32_t kMaxDimension = 65535;

// The largest pixel store the engine allocates for one image (1 GiB, for example 16384 x 16384
// RGBA). A file whose decoded pixels would pass it fails to load before anything is allocated.
inline constexpr uint64_t kMaxImageBytes = 1ull << 30;

// The largest file the readers take into memory.
inline constexpr uint64_t kMaxFileBytes = 1ull << 30;

// True when a width x height image of bytesPerPixel may be allocated.
constexpr bool SizeAllowed(uint64_t width, uint64_t height, uint64_t bytesPerPixel)
{
    return width >= 1 && height >= 1 && width <= kMaxDimension && height <= kMaxDimension &&
           width * height * bytesPerPixel <= kMaxImageBytes;
}
} // namespace gx
