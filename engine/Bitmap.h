#pragma once
// The pixel store behind every engine image, and the conversions between the four formats.

#include "engine/gx.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace gx
{
// Bytes per pixel of one of GL_RGB, GL_RGBA, GL_BGR, GL_BGRA; 0 for anything else.
constexpr uint32_t BytesPerPixel(uint32_t format)
{
    switch (format)
    {
    case GL_RGB:
    case GL_BGR: return 3;
    case GL_RGBA:
    case GL_BGRA: return 4;
    default: return 0;
    }
}

struct CBitmap
{
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;
    uint32_t m_nFormat = GL_RGBA;
    std::vector<uint8_t> m_pixels; // rows top first, tightly packed

    uint32_t BytesPerPixel() const { return gx::BytesPerPixel(m_nFormat); }
    size_t RowBytes() const { return size_t(m_nWidth) * BytesPerPixel(); }
    bool Empty() const { return m_pixels.empty(); }

    // Zeroed storage; false (and the bitmap left empty) when the size or format is not allowed or
    // memory runs out.
    bool Allocate(uint32_t width, uint32_t height, uint32_t format);
    void Clear();
};

// Converts count pixels from one format to another; src and dst must not overlap unless they are
// the same buffer and the formats have the same size. Alpha added by a conversion is 255.
void ConvertPixels(const uint8_t* src, uint32_t srcFormat, uint8_t* dst, uint32_t dstFormat, size_t count);

// The bitmap brought to another format in place (a new buffer when the size per pixel changes);
// false, with the bitmap unchanged, when memory for that buffer runs out.
bool ConvertBitmap(CBitmap& bitmap, uint32_t format);

void FlipRows(CBitmap& bitmap);

// Sizes v to n bytes of value; false, with v empty, when memory runs out. For encoders and
// readers that must not throw.
bool TryAssign(std::vector<uint8_t>& v, size_t n, uint8_t value = 0);
} // namespace gx
