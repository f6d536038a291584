#pragma once
// Pictures and files for the operation tests.

#include "support/TestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace opstest
{
// A w x h RGBA picture of one colour.
inline std::vector<uint8_t> Solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (size_t i = 0; i < rgba.size(); i += 4)
    {
        rgba[i] = r, rgba[i + 1] = g, rgba[i + 2] = b, rgba[i + 3] = a;
    }
    return rgba;
}

// The RGBA bytes of pixel (x, y).
inline std::vector<uint8_t> PixelAt(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t x, uint32_t y)
{
    const size_t at = (size_t(y) * width + x) * 4;
    return std::vector<uint8_t>(rgba.begin() + long(at), rgba.begin() + long(at) + 4);
}

inline std::vector<uint8_t> Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    return {r, g, b, a};
}

// A picture file written by ImageMagick; the test stops when it cannot be written.
#define WRITE_PICTURE(rgba, w, h, path, ...)                                                                     \
    ASSERT_TRUE(mosvane::test::MagickWriteRgba(rgba, w, h, path __VA_OPT__(, ) __VA_ARGS__)) << (path)

// Decoded by ImageMagick; the test stops when it cannot be read.
#define READ_PICTURE(path, w, h, rgba) ASSERT_TRUE(mosvane::test::MagickReadRgba(path, w, h, rgba)) << (path)
} // namespace opstest
