#include "engine/Bitmap.h"

#include "engine/Limits.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace gx
{
bool CBitmap::Allocate(uint32_t width, uint32_t height, uint32_t format)
{
    Clear();
    const uint32_t bpp = gx::BytesPerPixel(format);
    if (bpp == 0 || !SizeAllowed(width, height, bpp))
        return false;
    try
    {
        m_pixels.assign(size_t(width) * height * bpp, 0);
    }
    catch (const std::bad_alloc&)
    {
        return false; // still empty from Clear
    }
    m_nWidth = width;
    m_nHeight = height;
    m_nFormat = format;
    return true;
}

bool TryAssign(std::vector<uint8_t>& v, size_t n, uint8_t value)
{
    try
    {
        v.assign(n, value);
        return true;
    }
    catch (const std::exception&)
    {
        v.clear();
        return false;
    }
}

void CBitmap::Clear()
{
    m_pixels.clear();
    m_pixels.shrink_to_fit();
    m_nWidth = 0;
    m_nHeight = 0;
}

namespace
{
// Channel positions of red, green, blue within a pixel of the format; alpha is always the fourth.
struct SLayout
{
    uint32_t r, g, b, bpp;
};

SLayout LayoutOf(uint32_t format)
{
    const bool bgr = format == GL_BGR || format == GL_BGRA;
    return SLayout{bgr ? 2u : 0u, 1u, bgr ? 0u : 2u, gx::BytesPerPixel(format)};
}
} // namespace

void ConvertPixels(const uint8_t* src, uint32_t srcFormat, uint8_t* dst, uint32_t dstFormat, size_t count)
{
    if (srcFormat == dstFormat)
    {
        if (src != dst)
            std::memmove(dst, src, count * gx::BytesPerPixel(srcFormat));
        return;
    }
    const SLayout s = LayoutOf(srcFormat);
    const SLayout d = LayoutOf(dstFormat);
    for (size_t i = 0; i < count; ++i, src += s.bpp, dst += d.bpp)
    {
        const uint8_t r = src[s.r], g = src[s.g], b = src[s.b];
        const uint8_t a = s.bpp == 4 ? src[3] : 255;
        dst[d.r] = r;
        dst[d.g] = g;
        dst[d.b] = b;
        if (d.bpp == 4)
            dst[3] = a;
    }
}

bool ConvertBitmap(CBitmap& bitmap, uint32_t format)
{
    const uint32_t bpp = gx::BytesPerPixel(format);
    if (bpp == 0)
        return false;
    if (bitmap.m_nFormat == format)
        return true;
    const size_t count = size_t(bitmap.m_nWidth) * bitmap.m_nHeight;
    if (bpp == bitmap.BytesPerPixel())
    {
        ConvertPixels(bitmap.m_pixels.data(), bitmap.m_nFormat, bitmap.m_pixels.data(), format, count);
    }
    else
    {
        std::vector<uint8_t> pixels;
        try
        {
            pixels.resize(count * bpp);
        }
        catch (const std::bad_alloc&)
        {
            return false; // the bitmap stays as it was
        }
        ConvertPixels(bitmap.m_pixels.data(), bitmap.m_nFormat, pixels.data(), format, count);
        bitmap.m_pixels.swap(pixels);
    }
    bitmap.m_nFormat = format;
    return true;
}

void FlipRows(CBitmap& bitmap)
{
    const size_t row = bitmap.RowBytes();
    if (bitmap.m_nHeight < 2 || row == 0)
        return;
    uint8_t* top = bitmap.m_pixels.data();
    uint8_t* bottom = top + (bitmap.m_nHeight - 1) * row;
    for (; top < bottom; top += row, bottom -= row)
        std::swap_ranges(top, top + row, bottom);
}
} // namespace gx
