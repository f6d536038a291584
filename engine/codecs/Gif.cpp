// GIF through giflib: the first frame, placed on the logical screen. Transparency, or a frame that
// leaves part of the screen uncovered, gives GL_RGBA (uncovered pixels transparent black); an opaque
// full-screen frame gives GL_RGB.

#include "engine/codecs/Codecs.h"
#include "engine/Limits.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <vector>

namespace gx
{
namespace
{
struct SMemorySource
{
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* dst, int count)
{
    auto* src = static_cast<SMemorySource*>(gif->UserData);
    const size_t n = std::min(size_t(count < 0 ? 0 : count), src->size - src->pos);
    if (n > 0) // an empty file may come without any storage
        std::memcpy(dst, src->data + src->pos, n);
    src->pos += n;
    return int(n);
}

struct SGifCloser
{
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifPtr = std::unique_ptr<GifFileType, SGifCloser>;

// Reads extension records up to the first image descriptor, keeping the transparent index of the
// last graphic control extension. False on a damaged or missing image.
bool SkipToFirstImage(GifFileType* gif, int& transparent)
{
    transparent = NO_TRANSPARENT_COLOR;
    for (;;)
    {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) == GIF_OK;
        if (type != EXTENSION_RECORD_TYPE)
            return false; // the trailer before any image, or garbage
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) != GIF_OK)
            return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block)
        {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent = control.TransparentColor;
        }
        while (block)
            if (DGifGetExtensionNext(gif, &block) != GIF_OK)
                return false;
    }
}

// Row of the frame that the n-th stored row of an interlaced frame lands on.
uint32_t InterlacedRow(uint32_t n, uint32_t height)
{
    static constexpr uint32_t kStart[4] = {0, 4, 2, 1};
    static constexpr uint32_t kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
    {
        const uint32_t rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (n < rows)
            return kStart[pass] + n * kStep[pass];
        n -= rows;
    }
    return height; // not reached for n < height
}

bool ReadGif(std::span<const uint8_t> file, CBitmap& out)
{
    SMemorySource source{file.data(), file.size(), 0};
    int error = 0;
    GifPtr gif(DGifOpen(&source, ReadFromMemory, &error));
    int transparent = NO_TRANSPARENT_COLOR;
    if (!gif || !SkipToFirstImage(gif.get(), transparent))
        return false;

    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || !map->Colors || frame.Left < 0 || frame.Top < 0 || frame.Width <= 0 || frame.Height <= 0)
        return false;
    const uint32_t left = uint32_t(frame.Left), top = uint32_t(frame.Top);
    const uint32_t width = uint32_t(frame.Width), height = uint32_t(frame.Height);
    // A screen too small for its first frame (or of no size at all) grows to hold it.
    const uint32_t canvasWidth = std::max<uint32_t>(uint32_t(std::max(gif->SWidth, 0)), left + width);
    const uint32_t canvasHeight = std::max<uint32_t>(uint32_t(std::max(gif->SHeight, 0)), top + height);
    const bool covers = left == 0 && top == 0 && width == canvasWidth && height == canvasHeight;
    const uint32_t format = covers && transparent == NO_TRANSPARENT_COLOR ? GL_RGB : GL_RGBA;
    const uint32_t bpp = BytesPerPixel(format);
    if (!SizeAllowed(canvasWidth, canvasHeight, bpp) || !out.Allocate(canvasWidth, canvasHeight, format))
        return false;

    // Indices past the colour table show black rather than reading beyond it.
    GifColorType palette[256]{};
    std::copy_n(map->Colors, std::clamp(map->ColorCount, 0, 256), palette);
    std::vector<GifPixelType> line(width);
    for (uint32_t n = 0; n < height; ++n)
    {
        if (DGifGetLine(gif.get(), line.data(), int(width)) != GIF_OK)
            return false;
        const uint32_t y = frame.Interlace ? InterlacedRow(n, height) : n;
        uint8_t* dst = out.m_pixels.data() + (size_t(top + y) * canvasWidth + left) * bpp;
        for (uint32_t x = 0; x < width; ++x, dst += bpp)
        {
            const GifColorType& c = palette[line[x]];
            dst[0] = c.Red;
            dst[1] = c.Green;
            dst[2] = c.Blue;
            if (bpp == 4)
                dst[3] = line[x] == transparent ? 0 : 255;
        }
    }
    return true;
}
} // namespace

bool DecodeGif(std::span<const uint8_t> file, CBitmap& out)
{
    return FillOrClear(out, [&] { return file.size() <= kMaxFileBytes && ReadGif(file, out); });
}
} // namespace gx
