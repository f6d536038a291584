// TGA: Truevision Targa.
//
// Read: image types 1 and 9 (colour-mapped, 8- or 16-bit indices into a map of 15-, 16-, 24- or
// 32-bit entries), 2 and 10 (true colour of 15, 16, 24 or 32 bits), 3 and 11 (grey of 8 bits, or
// 16 bits of grey and attribute); raw or run-length encoded; any of the four origins.
//
// Alpha, for a pixel value (or map entry) of:
// - 32 bits: the fourth byte, when the descriptor gives attribute bits or, as older writers leave
//   the descriptor at 0, when some value has the byte non-zero;
// - 16 bits: the top bit, when the descriptor gives attribute bits;
// - 16-bit grey: the high byte, when the descriptor gives attribute bits;
// - 15 and 24 bits and 8-bit grey: none.
// A TGA 2.0 extension area overrides this: attribute types 0 to 2 (no alpha, or alpha data to be
// ignored) load opaque, type 3 loads the attribute as alpha, and type 4 (premultiplied) loads it
// with the colours divided back. Images with alpha load as GL_BGRA, others as GL_BGR.
//
// Damage: the pixel data must be complete; a run-length stream that ends early fails the file,
// and a packet that passes the last pixel is cut there. Indices outside the colour map take the
// map's first entry.
//
// Written: type 2, 24 bits (3-byte images) or 32 bits with 8 attribute bits (4-byte images), top
// row first with the top-left origin bit set (so that readers which keep the stored row order,
// as ImageMagick does, show it upright too), and the TGA 2.0 footer.

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

constexpr uint64_t kHeaderBytes = 18;
constexpr uint64_t kFooterBytes = 26;
constexpr char kSignature[] = "TRUEVISION-XFILE."; // with its NUL, the last 18 bytes
constexpr uint64_t kExtensionBytes = 495;
constexpr uint8_t kTopOrigin = 0x20;
constexpr uint8_t kRightOrigin = 0x10;

enum class EAttribute
{
    Descriptor, // no extension area: the descriptor and the data decide
    None,
    Straight,
    Premultiplied,
};

// How one stored value (a pixel, or a colour-map entry) becomes B, G, R, A.
enum class EValue
{
    Bgr15,
    Bgr16,
    Bgr24,
    Bgra32,
    Grey8,
    GreyAttr16,
};

void ValueToBgra(EValue kind, const uint8_t* s, uint8_t* bgra)
{
    switch (kind)
    {
    case EValue::Bgr15:
    case EValue::Bgr16:
    {
        const uint32_t v = Le16(s);
        bgra[0] = codec::WidenBits(v & 31, 5);
        bgra[1] = codec::WidenBits((v >> 5) & 31, 5);
        bgra[2] = codec::WidenBits((v >> 10) & 31, 5);
        bgra[3] = (v & 0x8000) ? 255 : 0;
        break;
    }
    case EValue::Bgr24:
        std::memcpy(bgra, s, 3);
        bgra[3] = 255;
        break;
    case EValue::Bgra32: std::memcpy(bgra, s, 4); break;
    case EValue::Grey8:
    case EValue::GreyAttr16:
        bgra[0] = bgra[1] = bgra[2] = s[0];
        bgra[3] = kind == EValue::GreyAttr16 ? s[1] : 255;
        break;
    }
}

uint32_t ValueBytes(EValue kind)
{
    switch (kind)
    {
    case EValue::Grey8: return 1;
    case EValue::Bgr15:
    case EValue::Bgr16:
    case EValue::GreyAttr16: return 2;
    case EValue::Bgr24: return 3;
    case EValue::Bgra32: return 4;
    }
    return 0;
}

bool ValueKind(uint32_t bits, bool grey, EValue& kind)
{
    if (grey)
    {
        if (bits != 8 && bits != 16)
            return false;
        kind = bits == 8 ? EValue::Grey8 : EValue::GreyAttr16;
        return true;
    }
    switch (bits)
    {
    case 15: kind = EValue::Bgr15; return true;
    case 16: kind = EValue::Bgr16; return true;
    case 24: kind = EValue::Bgr24; return true;
    case 32: kind = EValue::Bgra32; return true;
    default: return false;
    }
}

struct STgaLayout
{
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;
    uint8_t m_nDescriptor = 0;
    bool m_bMapped = false;
    bool m_bRle = false;
    uint32_t m_nPixelBytes = 0;      // per stored pixel: an index or a value
    EValue m_value = EValue::Bgr24;  // kind of the pixel, or for mapped images of the map entries
    uint32_t m_nMapFirst = 0;
    uint32_t m_nMapLength = 0;
    uint64_t m_nMapOffset = 0;
    uint64_t m_nDataOffset = 0;
    EAttribute m_attribute = EAttribute::Descriptor;
};

EAttribute ReadAttributeType(std::span<const uint8_t> file)
{
    if (file.size() < kHeaderBytes + kFooterBytes)
        return EAttribute::Descriptor;
    const uint8_t* footer = file.data() + file.size() - kFooterBytes;
    if (std::memcmp(footer + 8, kSignature, sizeof kSignature) != 0)
        return EAttribute::Descriptor;
    const uint64_t extension = Le32(footer);
    if (extension < kHeaderBytes || !InFile(file, extension, kExtensionBytes) ||
        Le16(file.data() + extension) != kExtensionBytes)
        return EAttribute::Descriptor;
    switch (file[extension + 494])
    {
    case 3: return EAttribute::Straight;
    case 4: return EAttribute::Premultiplied;
    default: return EAttribute::None;
    }
}

ECodecError ReadLayout(std::span<const uint8_t> file, STgaLayout& layout)
{
    if (file.size() < kHeaderBytes)
        return ECodecError::Truncated;
    const uint8_t* h = file.data();
    const uint32_t idLength = h[0], mapType = h[1], imageType = h[2];
    const uint32_t mapFirst = Le16(h + 3), mapLength = Le16(h + 5), mapBits = h[7];
    const uint32_t width = Le16(h + 12), height = Le16(h + 14), pixelBits = h[16];
    layout.m_nDescriptor = h[17];
    if (mapType > 1)
        return ECodecError::Corrupt;
    const uint32_t baseType = imageType & ~8u;
    if ((imageType & ~11u) != 0 || baseType < 1 || baseType > 3)
        return ECodecError::UnsupportedType;
    layout.m_bRle = (imageType & 8) != 0;
    layout.m_bMapped = baseType == 1;

    uint32_t mapEntryBytes = 0;
    if (mapType == 1)
    {
        EValue mapKind = EValue::Bgr24;
        if (ValueKind(mapBits, false, mapKind))
            mapEntryBytes = ValueBytes(mapKind);
        else if (!layout.m_bMapped)
            mapEntryBytes = (mapBits + 7) / 8; // an unused map of a kind not read: skipped
        else
            return ECodecError::UnsupportedDepth;
        if (layout.m_bMapped)
            layout.m_value = mapKind;
    }
    if (layout.m_bMapped)
    {
        if (mapType != 1 || mapLength == 0)
            return ECodecError::Corrupt;
        if (pixelBits != 8 && pixelBits != 16)
            return ECodecError::UnsupportedDepth;
        layout.m_nPixelBytes = pixelBits / 8;
    }
    else
    {
        if (!ValueKind(pixelBits, baseType == 3, layout.m_value))
            return ECodecError::UnsupportedDepth;
        layout.m_nPixelBytes = ValueBytes(layout.m_value);
    }

    if (width == 0 || height == 0)
        return ECodecError::BadSize;
    if (!SizeAllowed(width, height, 3))
        return ECodecError::TooLarge;
    layout.m_nWidth = width;
    layout.m_nHeight = height;
    layout.m_nMapFirst = mapFirst;
    layout.m_nMapLength = mapType == 1 ? mapLength : 0;
    layout.m_nMapOffset = kHeaderBytes + idLength;
    layout.m_nDataOffset = layout.m_nMapOffset + uint64_t(layout.m_nMapLength) * mapEntryBytes;
    if (layout.m_nDataOffset > file.size())
        return ECodecError::Truncated;
    layout.m_attribute = ReadAttributeType(file);
    return ECodecError::None;
}

// Calls f(src) for each of count stored pixels in file order, a run's value once per pixel it
// stands for. False when the data ends first; a packet that passes the last pixel is cut.
template <class F>
bool ForEachStoredPixel(std::span<const uint8_t> data, uint64_t count, uint32_t pixelBytes, bool rle, F&& f)
{
    const uint8_t* p = data.data();
    if (!rle)
    {
        if (count > data.size() / pixelBytes)
            return false;
        for (uint64_t i = 0; i < count; ++i, p += pixelBytes)
            f(p);
        return true;
    }
    size_t pos = 0;
    uint64_t done = 0;
    while (done < count)
    {
        if (pos >= data.size())
            return false;
        const uint8_t packet = data[pos++];
        const uint64_t n = std::min<uint64_t>((packet & 0x7F) + 1u, count - done);
        if (packet & 0x80)
        {
            if (data.size() - pos < pixelBytes)
                return false;
            for (uint64_t i = 0; i < n; ++i)
                f(p + pos);
            pos += pixelBytes;
        }
        else
        {
            if ((data.size() - pos) / pixelBytes < n)
                return false;
            for (uint64_t i = 0; i < n; ++i)
                f(p + pos + i * pixelBytes);
            pos += n * pixelBytes; // a cut packet is the last one
        }
        done += n;
    }
    return true;
}

// Whether the attribute of the values becomes alpha; see the file comment.
bool DecideAlpha(const STgaLayout& layout, bool anyFourthByteSet)
{
    const bool carries = layout.m_value == EValue::Bgra32 || layout.m_value == EValue::Bgr16 ||
                         layout.m_value == EValue::GreyAttr16;
    if (!carries)
        return false;
    switch (layout.m_attribute)
    {
    case EAttribute::None: return false;
    case EAttribute::Straight:
    case EAttribute::Premultiplied: return true;
    case EAttribute::Descriptor: break;
    }
    if ((layout.m_nDescriptor & 0x0F) != 0)
        return true;
    return layout.m_value == EValue::Bgra32 && anyFourthByteSet;
}

void Unpremultiply(CBitmap& out)
{
    for (size_t i = 0; i + 3 < out.m_pixels.size(); i += 4)
    {
        uint8_t* px = &out.m_pixels[i];
        if (px[3] == 0 || px[3] == 255)
            continue;
        for (int c = 0; c < 3; ++c)
            px[c] = uint8_t(std::min(255u, (px[c] * 255u + px[3] / 2u) / px[3]));
    }
}

// Colour-map entries as BGRA, padded to every index with the first entry; tells whether some
// entry has its fourth byte set.
bool BuildColourMap(std::span<const uint8_t> file, const STgaLayout& layout, std::vector<uint8_t>& map)
{
    const uint32_t entryBytes = ValueBytes(layout.m_value);
    const size_t indices = size_t(1) << (8 * layout.m_nPixelBytes);
    map.assign(indices * 4, 0);
    const uint8_t* entry = file.data() + layout.m_nMapOffset;
    for (uint32_t i = 0; i < layout.m_nMapLength; ++i, entry += entryBytes)
    {
        const uint64_t index = uint64_t(layout.m_nMapFirst) + i;
        if (index >= indices)
            break;
        ValueToBgra(layout.m_value, entry, &map[index * 4]);
    }
    const size_t first = std::min<size_t>(layout.m_nMapFirst, indices - 1) * 4;
    for (size_t i = 0; i < indices; ++i)
        if (i < layout.m_nMapFirst || i >= uint64_t(layout.m_nMapFirst) + layout.m_nMapLength)
            std::memcpy(&map[i * 4], &map[first], 4);
    bool anyFourthByteSet = false;
    for (size_t i = 3; i < map.size(); i += 4)
        anyFourthByteSet |= map[i] != 0;
    return anyFourthByteSet;
}

// Every stored pixel into the allocated bitmap, turned to the top-left origin: stored rows run
// bottom to top unless the origin is at the top, and right to left when it is at the right.
bool DrawPixels(std::span<const uint8_t> data, const STgaLayout& layout, const std::vector<uint8_t>& map, CBitmap& out)
{
    const bool top = (layout.m_nDescriptor & kTopOrigin) != 0;
    const bool right = (layout.m_nDescriptor & kRightOrigin) != 0;
    const size_t rowBytes = out.RowBytes();
    const uint32_t width = layout.m_nWidth, bpp = out.BytesPerPixel(), pixelBytes = layout.m_nPixelBytes;
    uint32_t column = 0;
    uint32_t row = 0;
    auto rowStart = [&](uint32_t r) { return out.m_pixels.data() + (top ? r : layout.m_nHeight - 1 - r) * rowBytes; };
    uint8_t* dst = rowStart(0);
    const bool mapped = layout.m_bMapped;
    const EValue kind = layout.m_value;
    return ForEachStoredPixel(data, uint64_t(width) * layout.m_nHeight, pixelBytes, layout.m_bRle, [&](const uint8_t* s) {
        uint8_t bgra[4];
        if (mapped)
            std::memcpy(bgra, &map[(pixelBytes == 1 ? s[0] : Le16(s)) * size_t(4)], 4);
        else
            ValueToBgra(kind, s, bgra);
        std::memcpy(dst + size_t(right ? width - 1 - column : column) * bpp, bgra, bpp);
        if (++column == width && ++row < layout.m_nHeight)
        {
            column = 0;
            dst = rowStart(row);
        }
    });
}

ECodecError ReadTga(std::span<const uint8_t> file, CBitmap& out)
{
    STgaLayout layout;
    if (const ECodecError e = ReadLayout(file, layout); e != ECodecError::None)
        return e;
    const uint64_t pixelCount = uint64_t(layout.m_nWidth) * layout.m_nHeight;
    const std::span<const uint8_t> data = file.subspan(layout.m_nDataOffset);
    const uint32_t pixelBytes = layout.m_nPixelBytes;
    // The least data that can hold every pixel, checked before anything is allocated: a packet
    // stands for at most 128 pixels.
    const uint64_t least = layout.m_bRle ? (pixelCount + 127) / 128 * (1 + pixelBytes) : pixelCount * pixelBytes;
    if (least > data.size())
        return ECodecError::Truncated;

    std::vector<uint8_t> map;
    bool anyFourthByteSet = false;
    if (layout.m_bMapped)
        anyFourthByteSet = BuildColourMap(file, layout, map);
    else if (layout.m_value == EValue::Bgra32 && layout.m_attribute == EAttribute::Descriptor &&
             (layout.m_nDescriptor & 0x0F) == 0 &&
             !ForEachStoredPixel(data, pixelCount, pixelBytes, layout.m_bRle,
                                 [&](const uint8_t* s) { anyFourthByteSet |= s[3] != 0; }))
        return ECodecError::Truncated;

    const bool alpha = DecideAlpha(layout, anyFourthByteSet);
    if (const ECodecError e = AllocatePicture(out, layout.m_nWidth, layout.m_nHeight, alpha ? GL_BGRA : GL_BGR); e != ECodecError::None)
        return e;
    if (!DrawPixels(data, layout, map, out))
        return ECodecError::Truncated;
    if (alpha && layout.m_attribute == EAttribute::Premultiplied)
        Unpremultiply(out);
    return ECodecError::None;
}
} // namespace

ECodecError DecodeTga(std::span<const uint8_t> file, CBitmap& out)
{
    return FillOrClear(out, [&] { return ReadTga(file, out); });
}

bool EncodeTga(const CBitmap& image, std::vector<uint8_t>& out)
{
    out.clear();
    const uint32_t bpp = image.BytesPerPixel();
    const uint64_t width = image.m_nWidth, height = image.m_nHeight;
    if (bpp == 0 || image.Empty() || width > kMaxDimension || height > kMaxDimension ||
        image.m_pixels.size() < width * height * bpp)
        return false;
    const bool alpha = bpp == 4;
    const uint64_t pixelBytes = width * height * bpp;
    if (!TryAssign(out, kHeaderBytes + pixelBytes + kFooterBytes))
        return false;
    uint8_t* p = out.data();
    p[2] = 2; // uncompressed true colour
    codec::PutLe16(p + 12, uint32_t(width));
    codec::PutLe16(p + 14, uint32_t(height));
    p[16] = uint8_t(bpp * 8);
    p[17] = kTopOrigin | (alpha ? 8 : 0);
    ConvertPixels(image.m_pixels.data(), image.m_nFormat, p + kHeaderBytes, alpha ? GL_BGRA : GL_BGR,
                  size_t(width * height));
    // Footer with neither extension area nor developer area: only the signature.
    std::memcpy(p + kHeaderBytes + pixelBytes + 8, kSignature, sizeof kSignature);
    return true;
}
} // namespace gx
