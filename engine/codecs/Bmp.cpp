// BMP: Windows and OS/2 device-independent bitmaps.
//
// Read: OS/2 1.x core headers (12 bytes), OS/2 2.x headers (16 to 64 bytes) and the Windows
// headers of 40, 52, 56, 108 and 124 bytes; 1, 2, 4 and 8 bits through a palette, uncompressed or
// RLE4/RLE8; 16 and 32 bits with the default or BI_BITFIELDS/BI_ALPHABITFIELDS masks; 24 bits;
// rows bottom-up or top-down (negative height). Fields narrower than 8 bits are widened by
// repeating their bits (so 4-bit 0xF and 1-bit 1 read as 255), wider ones keep their top 8 bits.
//
// Alpha: palette and 24-bit images load as GL_BGR. A 16- or 32-bit image with an alpha mask loads
// as GL_BGRA with alpha as stored, even when every pixel is 0, since the writer said so. In a
// 32-bit BI_RGB image the fourth byte is alpha only when some pixel has it non-zero, whatever the
// header: many writers leave it zero, and such an image is opaque (GL_BGR).
//
// Damage: uncompressed pixel data must be complete, except that the padding of the last row may
// be missing. An RLE stream must reach the picture's last row: one whose data runs out, or whose
// end-of-bitmap code comes, on an earlier row fails the file before the picture is allocated (so
// a few bytes claiming a huge picture cost nothing). Within it, a run or literal is cut at its
// row's end, and a delta or line end that leaves the image ends decoding. Pixels the stream skips
// (by deltas, line ends or the end-of-bitmap code on the last row), and palette indices beyond
// the stored palette, take palette entry 0.
//
// Written: 24-bit BI_RGB with a 40-byte header for 3-byte images, 32-bit BI_BITFIELDS with a
// BITMAPV5HEADER and an alpha mask for 4-byte images; rows bottom-up.

#include "engine/codecs/Codecs.h"
#include "engine/codecs/PixelFields.h"
#include "engine/Limits.h"

#include <algorithm>
#include <cstring>

namespace gx
{
namespace
{
using namespace codec; // the shared little-endian readers and bit-field channels

enum : uint32_t
{
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitfields = 3,
    kBiAlphaBitfields = 6,
};

constexpr uint64_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kV5HeaderBytes = 124;

struct SBmpLayout
{
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;
    bool m_bTopDown = false;
    uint32_t m_nBitCount = 0;
    uint32_t m_nCompression = kBiRgb;
    CBitField m_fields[4];          // red, green, blue, alpha of 16- and 32-bit pixels
    bool m_bGuessAlpha = false;     // 32-bit BI_RGB: the fourth byte is alpha if any is non-zero
    uint8_t m_palette[256 * 3] = {}; // BGR; entries beyond the stored ones repeat entry 0
    uint64_t m_nPixelOffset = 0;
};

bool IsOs2v2HeaderSize(uint32_t size)
{
    return size >= 16 && size <= 64 && size != 40 && size != 52 && size != 56;
}

// What the headers say beyond the layout itself, for the later steps of reading it.
struct SHeaderFields
{
    uint32_t m_nHeaderSize = 0;
    int64_t m_nWidth = 0;
    int64_t m_nHeight = 0;
    uint32_t m_nColorsUsed = 0;
    uint32_t m_nPaletteEntryBytes = 4;
    uint64_t m_nPaletteOffset = 0;
    uint32_t m_masks[4] = {};
    bool m_bHaveMasks = false;
};

// The bit-field masks: after a 40-byte header (before the palette), or inside a longer one.
ECodecError ReadMasks(std::span<const uint8_t> file, const SBmpLayout& layout, SHeaderFields& f)
{
    const uint8_t* h = file.data() + kFileHeaderBytes;
    auto field = [&](uint32_t at) -> uint32_t { return at + 4 <= f.m_nHeaderSize ? Le32(h + at) : 0; };
    if (f.m_nHeaderSize == kInfoHeaderBytes)
    {
        const uint32_t count = layout.m_nCompression == kBiAlphaBitfields ? 4 : 3;
        if (!InFile(file, f.m_nPaletteOffset, count * 4))
            return ECodecError::Truncated;
        for (uint32_t i = 0; i < count; ++i)
            f.m_masks[i] = Le32(file.data() + f.m_nPaletteOffset + i * 4);
        f.m_nPaletteOffset += count * 4;
    }
    else
    {
        for (uint32_t i = 0; i < 3; ++i)
            f.m_masks[i] = field(40 + i * 4);
        f.m_masks[3] = field(52);
    }
    f.m_bHaveMasks = true;
    return ECodecError::None;
}

// The file header and the bitmap header of any of the sizes read.
ECodecError ReadHeaders(std::span<const uint8_t> file, SBmpLayout& layout, SHeaderFields& f)
{
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M')
        return ECodecError::NotFormat;
    if (!InFile(file, 0, kFileHeaderBytes + 4))
        return ECodecError::Truncated;
    f.m_nHeaderSize = Le32(file.data() + 14);
    if (f.m_nHeaderSize != kCoreHeaderBytes && f.m_nHeaderSize < 16)
        return ECodecError::Corrupt;
    if (!InFile(file, kFileHeaderBytes, f.m_nHeaderSize))
        return ECodecError::Truncated;
    const uint8_t* h = file.data() + kFileHeaderBytes;
    // Fields past the end of a short OS/2 2.x header read as zero.
    auto field = [&](uint32_t at) -> uint32_t { return at + 4 <= f.m_nHeaderSize ? Le32(h + at) : 0; };
    f.m_nPaletteOffset = kFileHeaderBytes + f.m_nHeaderSize;
    if (f.m_nHeaderSize == kCoreHeaderBytes)
    {
        f.m_nWidth = Le16(h + 4);
        f.m_nHeight = Le16(h + 6);
        layout.m_nBitCount = Le16(h + 10);
        f.m_nPaletteEntryBytes = 3;
        return ECodecError::None;
    }
    f.m_nWidth = int32_t(field(4));
    f.m_nHeight = int32_t(field(8));
    layout.m_nBitCount = Le16(h + 14);
    layout.m_nCompression = field(16);
    f.m_nColorsUsed = field(32);
    // OS/2 2.x gives 3 and 4 to Huffman 1D and RLE24, which are not read.
    if (IsOs2v2HeaderSize(f.m_nHeaderSize) && layout.m_nCompression >= kBiBitfields)
        return ECodecError::UnsupportedCompression;
    if (layout.m_nCompression == kBiBitfields || layout.m_nCompression == kBiAlphaBitfields)
        return ReadMasks(file, layout, f);
    return ECodecError::None;
}

// The bit counts each compression allows.
ECodecError CheckPixelKind(const SBmpLayout& layout)
{
    const uint32_t bits = layout.m_nBitCount;
    switch (layout.m_nCompression)
    {
    case kBiRgb:
        return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32
                   ? ECodecError::None
                   : ECodecError::UnsupportedDepth;
    case kBiRle8: return bits == 8 ? ECodecError::None : ECodecError::UnsupportedDepth;
    case kBiRle4: return bits == 4 ? ECodecError::None : ECodecError::UnsupportedDepth;
    case kBiBitfields:
    case kBiAlphaBitfields: return bits == 16 || bits == 32 ? ECodecError::None : ECodecError::UnsupportedDepth;
    default: return ECodecError::UnsupportedCompression; // embedded JPEG or PNG, CMYK and anything unknown
    }
}

// The channels of 16- and 32-bit pixels: the header's masks, or the defaults of BI_RGB.
void SetChannels(SBmpLayout& layout, SHeaderFields& f)
{
    const uint32_t bits = layout.m_nBitCount;
    uint32_t* masks = f.m_masks;
    if (!f.m_bHaveMasks && bits == 16)
    {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    else if (!f.m_bHaveMasks && bits == 32)
    {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
        masks[3] = 0xFF000000;
        layout.m_bGuessAlpha = true;
    }
    for (int i = 0; i < 4; ++i)
        layout.m_fields[i] = CBitField(bits == 16 ? masks[i] & 0xFFFF : masks[i]);
}

// The pixel offset and, for up to 8 bits, the palette.
ECodecError ReadPalette(std::span<const uint8_t> file, SBmpLayout& layout, const SHeaderFields& f)
{
    const uint32_t bits = layout.m_nBitCount;
    // Writers disagree on the palette size and a few leave the pixel offset at 0: an offset that
    // points into the headers is taken to mean "right after the palette".
    const uint64_t declaredColors = f.m_nColorsUsed ? f.m_nColorsUsed : (bits <= 8 ? (1u << bits) : 0);
    uint64_t pixelOffset = Le32(file.data() + 10);
    if (pixelOffset < f.m_nPaletteOffset)
        pixelOffset = f.m_nPaletteOffset + declaredColors * f.m_nPaletteEntryBytes;
    if (pixelOffset > file.size())
        return ECodecError::Truncated;
    layout.m_nPixelOffset = pixelOffset;
    if (bits > 8)
        return ECodecError::None;
    const uint64_t room = (pixelOffset - f.m_nPaletteOffset) / f.m_nPaletteEntryBytes;
    const uint64_t count = std::min<uint64_t>({declaredColors, 1u << bits, room});
    if (!InFile(file, f.m_nPaletteOffset, count * f.m_nPaletteEntryBytes))
        return ECodecError::Truncated;
    const uint8_t* entry = file.data() + f.m_nPaletteOffset;
    for (uint64_t i = 0; i < count; ++i, entry += f.m_nPaletteEntryBytes)
        std::memcpy(layout.m_palette + i * 3, entry, 3);
    for (uint64_t i = std::max<uint64_t>(count, 1); i < 256; ++i)
        std::memcpy(layout.m_palette + i * 3, layout.m_palette, 3);
    return ECodecError::None;
}

ECodecError ReadLayout(std::span<const uint8_t> file, SBmpLayout& layout)
{
    SHeaderFields f;
    if (const ECodecError e = ReadHeaders(file, layout, f); e != ECodecError::None)
        return e;
    if (f.m_nWidth <= 0 || f.m_nHeight == 0)
        return ECodecError::BadSize;
    layout.m_bTopDown = f.m_nHeight < 0;
    const uint64_t rows = uint64_t(f.m_nHeight < 0 ? -f.m_nHeight : f.m_nHeight);
    if (!SizeAllowed(uint64_t(f.m_nWidth), rows, 3))
        return ECodecError::TooLarge;
    layout.m_nWidth = uint32_t(f.m_nWidth);
    layout.m_nHeight = uint32_t(rows);
    if (const ECodecError e = CheckPixelKind(layout); e != ECodecError::None)
        return e;
    SetChannels(layout, f);
    return ReadPalette(file, layout, f);
}

uint8_t* RowOf(CBitmap& out, const SBmpLayout& layout, uint64_t fileRow)
{
    const uint64_t y = layout.m_bTopDown ? fileRow : layout.m_nHeight - 1 - fileRow;
    return out.m_pixels.data() + y * out.RowBytes();
}

void DecodeIndexedRow(const uint8_t* src, const SBmpLayout& layout, uint8_t* dst)
{
    const uint32_t bits = layout.m_nBitCount;
    const uint32_t indexMask = (1u << bits) - 1;
    for (uint32_t x = 0; x < layout.m_nWidth; ++x, dst += 3)
    {
        const uint64_t bit = uint64_t(x) * bits;
        const uint32_t index = (src[bit / 8] >> (8 - bits - bit % 8)) & indexMask;
        std::memcpy(dst, layout.m_palette + index * 3, 3);
    }
}

void DecodeDirectRow(const uint8_t* src, const SBmpLayout& layout, bool alpha, uint8_t* dst)
{
    const uint32_t bpp = alpha ? 4 : 3;
    if (layout.m_nBitCount == 24)
    {
        for (uint32_t x = 0; x < layout.m_nWidth; ++x, src += 3, dst += 3)
            std::memcpy(dst, src, 3);
        return;
    }
    const bool wide = layout.m_nBitCount == 32;
    for (uint32_t x = 0; x < layout.m_nWidth; ++x, dst += bpp)
    {
        const uint32_t v = wide ? Le32(src) : Le16(src);
        src += wide ? 4 : 2;
        dst[0] = layout.m_fields[2].Extract(v);
        dst[1] = layout.m_fields[1].Extract(v);
        dst[2] = layout.m_fields[0].Extract(v);
        if (alpha)
            dst[3] = layout.m_fields[3].Extract(v);
    }
}

bool AnyFourthByteSet(std::span<const uint8_t> file, const SBmpLayout& layout, uint64_t stride)
{
    for (uint64_t row = 0; row < layout.m_nHeight; ++row)
    {
        const uint8_t* src = file.data() + layout.m_nPixelOffset + row * stride;
        for (uint32_t x = 0; x < layout.m_nWidth; ++x)
            if (src[x * 4 + 3] != 0)
                return true;
    }
    return false;
}

// Walks an RLE4 or RLE8 stream; with `out` (prefilled with palette entry 0) it also draws it (see
// the file comment for damage). True when the stream reaches the last row: it fills that row,
// ends the bitmap there, or moves past it; false when its data runs out, or its end-of-bitmap code
// comes, before. A walk without `out` costs no memory, so a stream is judged before the picture
// exists.
bool WalkRle(std::span<const uint8_t> data, const SBmpLayout& layout, CBitmap* out)
{
    const bool rle4 = layout.m_nCompression == kBiRle4;
    const uint32_t width = layout.m_nWidth;
    const uint8_t* palette = layout.m_palette;
    uint32_t x = 0;   // never beyond width
    uint64_t row = 0; // in file order, bottom first unless top-down
    uint8_t* dst = out ? RowOf(*out, layout, 0) : nullptr;
    auto put = [&](uint32_t index) {
        if (dst)
            std::memcpy(dst + size_t(x) * 3, palette + index * 3, 3);
        ++x;
    };
    auto toRow = [&](uint64_t r) {
        row = r;
        if (out && row < layout.m_nHeight)
            dst = RowOf(*out, layout, row);
    };
    size_t pos = 0;
    while (row < layout.m_nHeight && pos + 2 <= data.size())
    {
        const uint8_t first = data[pos], second = data[pos + 1];
        pos += 2;
        if (first > 0)
        {
            // A run of one index, or for RLE4 of two alternating nibbles.
            const uint32_t count = std::min<uint32_t>(first, width - x);
            for (uint32_t i = 0; i < count; ++i)
                put(rle4 ? ((i & 1) ? second & 15 : second >> 4) : second);
            continue;
        }
        if (second == 0) // end of line
        {
            x = 0;
            toRow(row + 1);
            continue;
        }
        if (second == 1) // end of bitmap: the rest of the last row is background
            return row + 1 >= layout.m_nHeight;
        if (second == 2) // delta: right and up
        {
            if (pos + 2 > data.size())
                return false;
            x = uint32_t(std::min<uint64_t>(uint64_t(x) + data[pos], width));
            toRow(row + data[pos + 1]);
            pos += 2;
            continue;
        }
        // A literal of `second` indices, padded to a 16-bit boundary.
        const size_t bytes = rle4 ? (second + 1u) / 2 : second;
        if (bytes > data.size() - pos)
            return false;
        const uint32_t count = std::min<uint32_t>(second, width - x);
        for (uint32_t i = 0; i < count; ++i)
            put(rle4 ? ((i & 1) ? data[pos + i / 2] & 15 : data[pos + i / 2] >> 4) : data[pos + i]);
        pos += std::min(data.size() - pos, (bytes + 1) & ~size_t(1));
    }
    return row >= layout.m_nHeight || (row + 1 == layout.m_nHeight && x == width);
}
} // namespace

ECodecError DecodeBmp(std::span<const uint8_t> file, CBitmap& out)
{
    out.Clear();
    SBmpLayout layout;
    if (const ECodecError e = ReadLayout(file, layout); e != ECodecError::None)
        return e;
    const uint32_t bits = layout.m_nBitCount;

    if (layout.m_nCompression == kBiRle4 || layout.m_nCompression == kBiRle8)
    {
        const std::span<const uint8_t> data = file.subspan(layout.m_nPixelOffset);
        if (!WalkRle(data, layout, nullptr))
            return ECodecError::Truncated;
        if (const ECodecError e = AllocatePicture(out, layout.m_nWidth, layout.m_nHeight, GL_BGR); e != ECodecError::None)
            return e;
        for (size_t i = 0; i < out.m_pixels.size(); i += 3)
            std::memcpy(&out.m_pixels[i], layout.m_palette, 3);
        WalkRle(data, layout, &out);
        return ECodecError::None;
    }

    const uint64_t rowBits = uint64_t(layout.m_nWidth) * bits;
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    if (!InFile(file, layout.m_nPixelOffset, stride * (layout.m_nHeight - 1) + (rowBits + 7) / 8))
        return ECodecError::Truncated;

    bool alpha = false;
    if (bits >= 16)
        alpha = layout.m_bGuessAlpha ? AnyFourthByteSet(file, layout, stride) : layout.m_fields[3].Present();
    if (const ECodecError e = AllocatePicture(out, layout.m_nWidth, layout.m_nHeight, alpha ? GL_BGRA : GL_BGR); e != ECodecError::None)
        return e;
    for (uint64_t row = 0; row < layout.m_nHeight; ++row)
    {
        const uint8_t* src = file.data() + layout.m_nPixelOffset + row * stride;
        if (bits <= 8)
            DecodeIndexedRow(src, layout, RowOf(out, layout, row));
        else
            DecodeDirectRow(src, layout, alpha, RowOf(out, layout, row));
    }
    return ECodecError::None;
}

bool EncodeBmp(const CBitmap& image, std::vector<uint8_t>& out)
{
    out.clear();
    const uint32_t bpp = image.BytesPerPixel();
    const uint64_t width = image.m_nWidth, height = image.m_nHeight;
    if (bpp == 0 || image.Empty() || image.m_pixels.size() < width * height * bpp)
        return false;
    const bool alpha = bpp == 4;
    const uint32_t headerSize = alpha ? kV5HeaderBytes : kInfoHeaderBytes;
    const uint64_t stride = (width * bpp + 3) & ~uint64_t(3);
    const uint64_t pixelOffset = kFileHeaderBytes + headerSize;
    const uint64_t fileSize = pixelOffset + stride * height;
    if (fileSize > UINT32_MAX)
        return false;
    if (!TryAssign(out, fileSize))
        return false;

    uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    PutLe32(p + 2, uint32_t(fileSize));
    PutLe32(p + 10, uint32_t(pixelOffset));
    uint8_t* h = p + kFileHeaderBytes;
    PutLe32(h, headerSize);
    PutLe32(h + 4, uint32_t(width));
    PutLe32(h + 8, uint32_t(height)); // positive: bottom row first
    PutLe16(h + 12, 1);               // planes
    PutLe16(h + 14, bpp * 8);
    PutLe32(h + 16, alpha ? kBiBitfields : kBiRgb);
    PutLe32(h + 20, uint32_t(stride * height));
    PutLe32(h + 24, 2835); // 72 dots per inch, in dots per metre
    PutLe32(h + 28, 2835);
    if (alpha)
    {
        PutLe32(h + 40, 0x00FF0000);
        PutLe32(h + 44, 0x0000FF00);
        PutLe32(h + 48, 0x000000FF);
        PutLe32(h + 52, 0xFF000000);
        PutLe32(h + 56, 0x73524742); // colour space 'sRGB'
        PutLe32(h + 108, 4);         // rendering intent: pictures
    }

    const uint32_t fileFormat = alpha ? GL_BGRA : GL_BGR;
    const size_t srcRow = image.RowBytes();
    for (uint64_t y = 0; y < height; ++y)
    {
        const uint8_t* src = image.m_pixels.data() + (height - 1 - y) * srcRow;
        ConvertPixels(src, image.m_nFormat, p + pixelOffset + y * stride, fileFormat, width);
    }
    return true;
}
} // namespace gx
