// GIF through giflib: the first frame, placed on the logical screen. Transparency, or a frame that
// leaves part of the screen uncovered, gives GL_RGBA (uncovered pixels transparent black); an opaque
// full-screen frame gives GL_RGB. The frame is decoded whole before the screen is allocated, so
// data that runs out costs no more than the frame its bytes can describe.

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

ECodecError ReasonOf(int giflibError)
{
    switch (giflibError)
    {
    case D_GIF_ERR_NOT_GIF_FILE: return ECodecError::NotFormat;
    case D_GIF_ERR_READ_FAILED:
    case D_GIF_ERR_EOF_TOO_SOON: return ECodecError::Truncated;
    case D_GIF_ERR_NOT_ENOUGH_MEM: return ECodecError::OutOfMemory;
    case D_GIF_ERR_NO_IMAG_DSCR: return ECodecError::NoPicture;
    default: return ECodecError::Corrupt;
    }
}

// Reads extension records up to the first image descriptor, keeping the transparent index of the
// last graphic control extension.
ECodecError SkipToFirstImage(GifFileType* gif, int& transparent)
{
    transparent = NO_TRANSPARENT_COLOR;
    for (;;)
    {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            return ReasonOf(gif->Error);
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) == GIF_OK ? ECodecError::None : ReasonOf(gif->Error);
        if (type != EXTENSION_RECORD_TYPE)
            return ECodecError::NoPicture; // the trailer before any image, or garbage
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) != GIF_OK)
            return ReasonOf(gif->Error);
        if (code == GRAPHICS_EXT_FUNC_CODE && block)
        {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                transparent = control.TransparentColor;
        }
        while (block)
            if (DGifGetExtensionNext(gif, &block) != GIF_OK)
                return ReasonOf(gif->Error);
    }
}

// The most pixels `bytes` of LZW data can stand for. Every code takes at least one bit, and the
// j-th code after a clear code stands for at most j pixels (each new table entry is one longer
// than an earlier one), never more than 4096: n codes give at most n(n+1)/2 pixels.
uint64_t MostLzwPixels(uint64_t bytes)
{
    const uint64_t codes = bytes * 8;
    return codes > 8192 ? codes * 4096 : codes * (codes + 1) / 2;
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

// The frame's colour indices, rows in display order. The data is judged before the rows are
// allocated: a frame larger than its remaining bytes can describe is refused.
ECodecError ReadFrameIndices(GifFileType* gif, uint64_t bytesLeft, std::vector<GifPixelType>& indices)
{
    const GifImageDesc& frame = gif->Image;
    const uint32_t width = uint32_t(frame.Width), height = uint32_t(frame.Height);
    if (!SizeAllowed(width, height, 1))
        return ECodecError::TooLarge;
    if (uint64_t(width) * height > MostLzwPixels(bytesLeft))
        return ECodecError::Truncated;
    indices.resize(size_t(width) * height);
    for (uint32_t n = 0; n < height; ++n)
    {
        const uint32_t y = frame.Interlace ? InterlacedRow(n, height) : n;
        if (DGifGetLine(gif, indices.data() + size_t(y) * width, int(width)) != GIF_OK)
            return ReasonOf(gif->Error);
    }
    return ECodecError::None;
}

ECodecError ReadGif(std::span<const uint8_t> file, CBitmap& out)
{
    SMemorySource source{file.data(), file.size(), 0};
    int error = 0;
    GifPtr gif(DGifOpen(&source, ReadFromMemory, &error));
    if (!gif)
        return ReasonOf(error);
    int transparent = NO_TRANSPARENT_COLOR;
    if (const ECodecError e = SkipToFirstImage(gif.get(), transparent); e != ECodecError::None)
        return e;

    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || !map->Colors)
        return ECodecError::Corrupt;
    if (frame.Left < 0 || frame.Top < 0 || frame.Width <= 0 || frame.Height <= 0)
        return ECodecError::BadSize;
    std::vector<GifPixelType> indices;
    if (const ECodecError e = ReadFrameIndices(gif.get(), source.size - source.pos, indices); e != ECodecError::None)
        return e;

    const uint32_t left = uint32_t(frame.Left), top = uint32_t(frame.Top);
    const uint32_t width = uint32_t(frame.Width), height = uint32_t(frame.Height);
    // A screen too small for its first frame (or of no size at all) grows to hold it.
    const uint32_t canvasWidth = std::max<uint32_t>(uint32_t(std::max(gif->SWidth, 0)), left + width);
    const uint32_t canvasHeight = std::max<uint32_t>(uint32_t(std::max(gif->SHeight, 0)), top + height);
    const bool covers = left == 0 && top == 0 && width == canvasWidth && height == canvasHeight;
    const uint32_t format = covers && transparent == NO_TRANSPARENT_COLOR ? GL_RGB : GL_RGBA;
    const uint32_t bpp = BytesPerPixel(format);
    if (const ECodecError e = AllocatePicture(out, canvasWidth, canvasHeight, format); e != ECodecError::None)
        return e;

    // Indices past the colour table show black rather than reading beyond it.
    GifColorType palette[256]{};
    std::copy_n(map->Colors, std::clamp(map->ColorCount, 0, 256), palette);
    const GifPixelType* index = indices.data();
    for (uint32_t y = 0; y < height; ++y)
    {
        uint8_t* dst = out.m_pixels.data() + (size_t(top + y) * canvasWidth + left) * bpp;
        for (uint32_t x = 0; x < width; ++x, dst += bpp, ++index)
        {
            const GifColorType& c = palette[*index];
            dst[0] = c.Red;
            dst[1] = c.Green;
            dst[2] = c.Blue;
            if (bpp == 4)
                dst[3] = *index == transparent ? 0 : 255;
        }
    }
    return ECodecError::None;
}
} // namespace

ECodecError DecodeGif(std::span<const uint8_t> file, CBitmap& out)
{
    if (file.size() > kMaxFileBytes)
        return ECodecError::TooLarge;
    return FillOrClear(out, [&] { return ReadGif(file, out); });
}
} // namespace gx
