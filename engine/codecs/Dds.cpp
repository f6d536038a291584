// DDS: DirectDraw surfaces, the first mip level of the first surface only.
//
// Read: DXT1 (with its one-bit alpha mode), DXT3 and DXT5, loaded as GL_BGRA; uncompressed RGB
// of 16, 24 or 32 bits and luminance of 8 or 16 bits under the header's masks, loaded as GL_BGRA
// when the header flags alpha pixels and gives an alpha mask, else as GL_BGR. Block colours are
// widened from 5:6:5 by repeating their top bits and mixed with truncating integer division, as
// most decoders do. Premultiplied DXT2/DXT4, DX10 headers and other layouts are not read.
//
// Damage: the first level must be complete; anything shorter fails.

#include "engine/codecs/Codecs.h"
#include "engine/codecs/PixelFields.h"
#include "engine/Limits.h"

#include <cstring>

namespace gx
{
namespace
{
using namespace codec; // the shared little-endian readers and bit-field channels

constexpr uint64_t kDataOffset = 128; // magic and header
constexpr uint32_t kHeaderSize = 124;

enum : uint32_t
{
    kPfAlphaPixels = 0x1,
    kPfFourCc = 0x4,
    kPfRgb = 0x40,
    kPfLuminance = 0x20000,
};

constexpr uint32_t FourCc(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) | (uint32_t(uint8_t(s[1])) << 8) | (uint32_t(uint8_t(s[2])) << 16) |
           (uint32_t(uint8_t(s[3])) << 24);
}

enum class EBlocks
{
    None,
    Dxt1,
    Dxt3,
    Dxt5,
};

// The four colours of a block as BGRA; with three-colour mode the fourth is transparent black.
void BlockColours(const uint8_t* block, bool allowThreeColours, uint8_t colours[4][4])
{
    const uint32_t c0 = Le16(block), c1 = Le16(block + 2);
    for (int i = 0; i < 2; ++i)
    {
        const uint32_t c = i == 0 ? c0 : c1;
        const uint32_t r = c >> 11, g = (c >> 5) & 63, b = c & 31;
        colours[i][0] = uint8_t((b << 3) | (b >> 2));
        colours[i][1] = uint8_t((g << 2) | (g >> 4));
        colours[i][2] = uint8_t((r << 3) | (r >> 2));
        colours[i][3] = 255;
    }
    const bool four = c0 > c1 || !allowThreeColours;
    for (int ch = 0; ch < 3; ++ch)
    {
        const uint32_t a = colours[0][ch], b = colours[1][ch];
        colours[2][ch] = uint8_t(four ? (2 * a + b) / 3 : (a + b) / 2);
        colours[3][ch] = uint8_t(four ? (a + 2 * b) / 3 : 0);
    }
    colours[2][3] = 255;
    colours[3][3] = four ? 255 : 0;
}

// The sixteen alphas of a DXT5 alpha block, in pixel order.
void InterpolatedAlphas(const uint8_t* block, uint8_t alphas[16])
{
    const uint32_t a0 = block[0], a1 = block[1];
    uint8_t table[8] = {uint8_t(a0), uint8_t(a1)};
    if (a0 > a1)
    {
        for (uint32_t i = 1; i < 7; ++i)
            table[i + 1] = uint8_t(((7 - i) * a0 + i * a1) / 7);
    }
    else
    {
        for (uint32_t i = 1; i < 5; ++i)
            table[i + 1] = uint8_t(((5 - i) * a0 + i * a1) / 5);
        table[6] = 0;
        table[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= uint64_t(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i)
        alphas[i] = table[(bits >> (3 * i)) & 7];
}

void DecodeBlocks(const uint8_t* src, EBlocks kind, CBitmap& out)
{
    const uint32_t width = out.m_nWidth, height = out.m_nHeight;
    const size_t rowBytes = out.RowBytes();
    const uint32_t blockBytes = kind == EBlocks::Dxt1 ? 8 : 16;
    for (uint32_t by = 0; by < height; by += 4)
        for (uint32_t bx = 0; bx < width; bx += 4, src += blockBytes)
        {
            uint8_t alphas[16] = {};
            const uint8_t* colourBlock = src + blockBytes - 8;
            if (kind == EBlocks::Dxt3)
                for (int i = 0; i < 16; ++i)
                    alphas[i] = uint8_t(((src[i / 2] >> (4 * (i & 1))) & 15) * 17);
            else if (kind == EBlocks::Dxt5)
                InterpolatedAlphas(src, alphas);
            uint8_t colours[4][4];
            BlockColours(colourBlock, kind == EBlocks::Dxt1, colours);
            const uint32_t indices = Le32(colourBlock + 4);
            for (uint32_t y = 0; y < 4 && by + y < height; ++y)
            {
                uint8_t* dst = out.m_pixels.data() + (by + y) * rowBytes + size_t(bx) * 4;
                for (uint32_t x = 0; x < 4 && bx + x < width; ++x, dst += 4)
                {
                    const uint32_t i = y * 4 + x;
                    std::memcpy(dst, colours[(indices >> (2 * i)) & 3], 4);
                    if (kind != EBlocks::Dxt1)
                        dst[3] = alphas[i];
                }
            }
        }
}
} // namespace

namespace
{
ECodecError DecodeBlockSurface(std::span<const uint8_t> file, uint32_t width, uint32_t height, uint32_t fourCc,
                               CBitmap& out)
{
    EBlocks kind = EBlocks::None;
    if (fourCc == FourCc("DXT1"))
        kind = EBlocks::Dxt1;
    else if (fourCc == FourCc("DXT3"))
        kind = EBlocks::Dxt3;
    else if (fourCc == FourCc("DXT5"))
        kind = EBlocks::Dxt5;
    else
        return ECodecError::UnsupportedCompression;
    const uint64_t blocks = (uint64_t(width) + 3) / 4 * ((uint64_t(height) + 3) / 4);
    if (!InFile(file, kDataOffset, blocks * (kind == EBlocks::Dxt1 ? 8 : 16)))
        return ECodecError::Truncated;
    if (const ECodecError e = AllocatePicture(out, width, height, GL_BGRA); e != ECodecError::None)
        return e;
    DecodeBlocks(file.data() + kDataOffset, kind, out);
    return ECodecError::None;
}

ECodecError DecodeMaskedSurface(std::span<const uint8_t> file, uint32_t width, uint32_t height, CBitmap& out)
{
    const uint8_t* pf = file.data() + 4 + 72;
    const uint32_t pfFlags = Le32(pf + 4), bitCount = Le32(pf + 12);
    const bool luminance = (pfFlags & kPfLuminance) != 0;
    if (!(pfFlags & kPfRgb) && !luminance)
        return ECodecError::UnsupportedType;
    if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return ECodecError::UnsupportedDepth;
    const uint32_t pixelBytes = bitCount / 8;
    const uint32_t valueMask = bitCount == 32 ? 0xFFFFFFFFu : (1u << bitCount) - 1;
    const CBitField red(Le32(pf + 16) & valueMask), green(luminance ? red.Mask() : Le32(pf + 20) & valueMask);
    const CBitField blue(luminance ? red.Mask() : Le32(pf + 24) & valueMask);
    const CBitField alphaField((pfFlags & kPfAlphaPixels) ? Le32(pf + 28) & valueMask : 0);
    const bool alpha = alphaField.Present();
    // Rows are packed to the byte; the header's pitch is not trusted.
    if (!InFile(file, kDataOffset, uint64_t(width) * height * pixelBytes))
        return ECodecError::Truncated;
    if (const ECodecError e = AllocatePicture(out, width, height, alpha ? GL_BGRA : GL_BGR); e != ECodecError::None)
        return e;
    const uint32_t bpp = alpha ? 4 : 3;
    const uint8_t* data = file.data() + kDataOffset;
    uint8_t* dst = out.m_pixels.data();
    const size_t count = size_t(width) * height;
    for (size_t i = 0; i < count; ++i, data += pixelBytes, dst += bpp)
    {
        uint32_t v = 0;
        for (uint32_t b = 0; b < pixelBytes; ++b)
            v |= uint32_t(data[b]) << (8 * b);
        dst[0] = blue.Extract(v);
        dst[1] = green.Extract(v);
        dst[2] = red.Extract(v);
        if (alpha)
            dst[3] = alphaField.Extract(v);
    }
    return ECodecError::None;
}
} // namespace

ECodecError DecodeDds(std::span<const uint8_t> file, CBitmap& out)
{
    out.Clear();
    if (file.size() < 4 || std::memcmp(file.data(), "DDS ", 4) != 0)
        return ECodecError::NotFormat;
    if (!InFile(file, 0, kDataOffset))
        return ECodecError::Truncated;
    const uint8_t* h = file.data() + 4;
    if (Le32(h) != kHeaderSize)
        return ECodecError::Corrupt;
    const uint32_t height = Le32(h + 8), width = Le32(h + 12);
    const uint8_t* pf = h + 72;
    if (width == 0 || height == 0)
        return ECodecError::BadSize;
    if (!SizeAllowed(width, height, 3))
        return ECodecError::TooLarge;
    if (Le32(pf + 4) & kPfFourCc)
        return DecodeBlockSurface(file, width, height, Le32(pf + 8), out);
    return DecodeMaskedSurface(file, width, height, out);
}
} // namespace gx
