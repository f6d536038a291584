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
// be missing. RLE data is kept as far as it goes: a stream that ends before its end-of-bitmap
// code keeps the rows decoded so far, a run or literal is cut at its row's end, and a delta or
// line end that leaves the image ends decoding. Pixels the stream never sets, and palette
// indices beyond the stored palette, take palette entry 0.
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

bool ReadLayout(std::span<const uint8_t> file, SBmpLayout& layout)
{
    if (!InFile(file, 0, kFileHeaderBytes + 4) || file[0] != 'B' || file[1] != 'M')
        return false;
    const uint8_t* p = file.data();
    const uint32_t headerSize = Le32(p + 14);
    if (headerSize != kCoreHeaderBytes && headerSize < 16)
        return false;
    if (!InFile(file, kFileHeaderBytes, headerSize))
        return false;
    const uint8_t* h = p + kFileHeaderBytes;
    // Fields past the end of a short OS/2 2.x header read as zero.
    auto field = [&](uint32_t at) -> uint32_t { return at + 4 <= headerSize ? Le32(h + at) : 0; };

    int64_t width = 0, height = 0;
    uint32_t colorsUsed = 0;
    uint32_t paletteEntryBytes = 4;
    uint64_t paletteOffset = kFileHeaderBytes + headerSize;
    uint32_t masks[4] = {};
    bool haveMasks = false;
    if (headerSize == kCoreHeaderBytes)
    {
        width = Le16(h + 4);
        height = Le16(h + 6);
        layout.m_nBitCount = Le16(h + 10);
        paletteEntryBytes = 3;
    }
    else
    {
        width = int32_t(field(4));
        height = int32_t(field(8));
        layout.m_nBitCount = Le16(h + 14);
        layout.m_nCompression = field(16);
        colorsUsed = field(32);
        const bool bitfields = layout.m_nCompression == kBiBitfields || layout.m_nCompression == kBiAlphaBitfields;
        // OS/2 2.x gives 3 and 4 to Huffman 1D and RLE24, which are not read.
        if (IsOs2v2HeaderSize(headerSize) && layout.m_nCompression >= kBiBitfields)
            return false;
        if (bitfields)
        {
            const uint32_t count = layout.m_nCompression == kBiAlphaBitfields ? 4 : 3;
            if (headerSize == kInfoHeaderBytes)
            {
                // The masks follow a 40-byte header, before the palette.
                if (!InFile(file, paletteOffset, count * 4))
                    return false;
                for (uint32_t i = 0; i < count; ++i)
                    masks[i] = Le32(p + paletteOffset + i * 4);
                paletteOffset += count * 4;
            }
            else
            {
                for (uint32_t i = 0; i < 3; ++i)
                    masks[i] = field(40 + i * 4);
                masks[3] = field(52);
            }
            haveMasks = true;
        }
    }

    if (width <= 0 || height == 0)
        return false;
    layout.m_bTopDown = height < 0;
    const uint64_t rows = uint64_t(height < 0 ? -height : height);
    if (!SizeAllowed(uint64_t(width), rows, 3))
        return false;
    layout.m_nWidth = uint32_t(width);
    layout.m_nHeight = uint32_t(rows);

    const uint32_t bits = layout.m_nBitCount;
    switch (layout.m_nCompression)
    {
    case kBiRgb:
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return false;
        break;
    case kBiRle8:
        if (bits != 8)
            return false;
        break;
    case kBiRle4:
        if (bits != 4)
            return false;
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (bits != 16 && bits != 32)
            return false;
        break;
    default: return false; // embedded JPEG or PNG, CMYK and anything unknown
    }

    if (!haveMasks && bits == 16)
    {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    else if (!haveMasks && bits == 32)
    {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
        masks[3] = 0xFF000000;
        layout.m_bGuessAlpha = true;
    }
    if (bits == 16)
        for (uint32_t& mask : masks)
            mask &= 0xFFFF;
    for (int i = 0; i < 4; ++i)
        layout.m_fields[i] = CBitField(masks[i]);

    // Writers disagree on the palette size and a few leave the pixel offset at 0: an offset that
    // points into the headers is taken to mean "right after the palette".
    const uint64_t declaredColors = colorsUsed ? colorsUsed : (bits <= 8 ? (1u << bits) : 0);
    uint64_t pixelOffset = Le32(p + 10);
    if (pixelOffset < paletteOffset)
        pixelOffset = paletteOffset + declaredColors * paletteEntryBytes;
    if (pixelOffset > file.size())
        return false;
    layout.m_nPixelOffset = pixelOffset;

    if (bits <= 8)
    {
        const uint64_t room = (pixelOffset - paletteOffset) / paletteEntryBytes;
        const uint64_t count = std::min<uint64_t>({declaredColors, 1u << bits, room});
        if (!InFile(file, paletteOffset, count * paletteEntryBytes))
            return false;
        const uint8_t* entry = p + paletteOffset;
        for (uint64_t i = 0; i < count; ++i, entry += paletteEntryBytes)
            std::memcpy(layout.m_palette + i * 3, entry, 3);
        for (uint64_t i = std::max<uint64_t>(count, 1); i < 256; ++i)
            std::memcpy(layout.m_palette + i * 3, layout.m_palette, 3);
    }
    return true;
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

// RLE4 and RLE8 into an image prefilled with palette entry 0; see the file comment for damage.
void DecodeRle(std::span<const uint8_t> data, const SBmpLayout& layout, CBitmap& out)
{
    const bool rle4 = layout.m_nCompression == kBiRle4;
    const uint32_t width = layout.m_nWidth;
    const uint8_t* palette = layout.m_palette;
    uint32_t x = 0;   // never beyond width
    uint64_t row = 0; // in file order, bottom first unless top-down
    uint8_t* dst = RowOf(out, layout, 0);
    auto put = [&](uint32_t index) {
        std::memcpy(dst + size_t(x) * 3, palette + index * 3, 3);
        ++x;
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
            if (++row < layout.m_nHeight)
                dst = RowOf(out, layout, row);
            continue;
        }
        if (second == 1) // end of bitmap
            break;
        if (second == 2) // delta: right and up
        {
            if (pos + 2 > data.size())
                break;
            x = uint32_t(std::min<uint64_t>(uint64_t(x) + data[pos], width));
            row += data[pos + 1];
            pos += 2;
            if (row < layout.m_nHeight)
                dst = RowOf(out, layout, row);
            continue;
        }
        // A literal of `second` indices, padded to a 16-bit boundary.
        const size_t bytes = rle4 ? (second + 1u) / 2 : second;
        if (bytes > data.size() - pos)
            break;
        const uint32_t count = std::min<uint32_t>(second, width - x);
        for (uint32_t i = 0; i < count; ++i)
            put(rle4 ? ((i & 1) ? data[pos + i / 2] & 15 : data[pos + i / 2] >> 4) : data[pos + i]);
        pos += std::min(data.size() - pos, (bytes + 1) & ~size_t(1));
    }
}
} // namespace

bool DecodeBmp(std::span<const uint8_t> file, CBitmap& out)
{
    out.Clear();
    SBmpLayout layout;
    if (!ReadLayout(file, layout))
        return false;
    const uint32_t bits = layout.m_nBitCount;

    if (layout.m_nCompression == kBiRle4 || layout.m_nCompression == kBiRle8)
    {
        if (!out.Allocate(layout.m_nWidth, layout.m_nHeight, GL_BGR))
            return false;
        for (size_t i = 0; i < out.m_pixels.size(); i += 3)
            std::memcpy(&out.m_pixels[i], layout.m_palette, 3);
        DecodeRle(file.subspan(layout.m_nPixelOffset), layout, out);
        return true;
    }

    const uint64_t rowBits = uint64_t(layout.m_nWidth) * bits;
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    if (!InFile(file, layout.m_nPixelOffset, stride * (layout.m_nHeight - 1) + (rowBits + 7) / 8))
        return false;

    bool alpha = false;
    if (bits >= 16)
        alpha = layout.m_bGuessAlpha ? AnyFourthByteSet(file, layout, stride) : layout.m_fields[3].Present();
    if (!out.Allocate(layout.m_nWidth, layout.m_nHeight, alpha ? GL_BGRA : GL_BGR))
        return false;
    for (uint64_t row = 0; row < layout.m_nHeight; ++row)
    {
        const uint8_t* src = file.data() + layout.m_nPixelOffset + row * stride;
        if (bits <= 8)
            DecodeIndexedRow(src, layout, RowOf(out, layout, row));
        else
            DecodeDirectRow(src, layout, alpha, RowOf(out, layout, row));
    }
    return true;
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
    out.assign(fileSize, 0);

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
