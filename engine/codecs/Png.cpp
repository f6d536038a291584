// PNG: read by our own reader for the common files and by libpng for the rest (every colour type
// and depth, brought to 8-bit RGB or RGBA), written by our own writer on libdeflate.

#include "engine/codecs/Codecs.h"
#include "engine/codecs/PngDecode.h"
#include "engine/codecs/PngWriter.h"
#include "engine/Limits.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <png.h>
#include <string_view>

namespace gx
{
namespace
{
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct SMemorySource
{
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep dst, size_t count)
{
    auto* src = static_cast<SMemorySource*>(png_get_io_ptr(png));
    if (count > src->size - src->pos)
        png_error(png, "unexpected end of file");
    std::memcpy(dst, src->data + src->pos, count);
    src->pos += count;
}

// libpng's message of the error that ended the read, for its reason.
ECodecError ReasonOf(const char* message)
{
    const std::string_view m = message ? message : "";
    if (m.find("end of file") != m.npos || m.find("Not enough") != m.npos || m.find("Read Error") != m.npos)
        return ECodecError::Truncated;
    if (m.find("exceeds user limit") != m.npos || m.find("too large") != m.npos)
        return ECodecError::TooLarge;
    if (m.find("nsupported") != m.npos || m.find("Unknown") != m.npos)
        return ECodecError::UnsupportedType;
    return ECodecError::Corrupt;
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message)
{
    *static_cast<ECodecError*>(png_get_error_ptr(png)) = ReasonOf(message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp)
{
}

class CPngReadStruct
{
public:
    CPngReadStruct()
    {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_reason, OnPngError, OnPngWarning);
        if (m_png)
            m_info = png_create_info_struct(m_png);
    }
    ~CPngReadStruct()
    {
        if (m_png)
            png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr);
    }
    CPngReadStruct(const CPngReadStruct&) = delete;
    CPngReadStruct& operator=(const CPngReadStruct&) = delete;

    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    ECodecError m_reason = ECodecError::None; // set by the error callback
};

// libpng leaves by longjmp on any error, so this frame holds no object with a destructor: the
// bitmap and the row table belong to the caller, which clears them on failure.
ECodecError ReadPng(png_structp png, png_infop info, uint64_t idatBound, CBitmap& out, std::vector<png_bytep>& rows)
{
    if (setjmp(png_jmpbuf(png)))
        return *static_cast<ECodecError*>(png_get_error_ptr(png));
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const uint32_t format = (colorType & PNG_COLOR_MASK_ALPHA) || hasTrns ? GL_RGBA : GL_RGB;
    if (!SizeAllowed(width, height, BytesPerPixel(format)))
        return ECodecError::TooLarge;
    const uint64_t packedRow = (uint64_t(width) * png_get_channels(png, info) * uint64_t(depth) + 7) / 8;
    // Interlaced rows may lack some filter bytes; the pixel bytes are always there.
    const uint64_t filtered = uint64_t(height) * (packedRow + (interlace == PNG_INTERLACE_NONE ? 1 : 0));
    if (!png::InflateCanCover(filtered, idatBound))
        return ECodecError::Truncated;

    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (hasTrns)
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png); // the high byte, as most viewers show 16-bit files
    if (!(colorType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const size_t rowBytes = size_t(width) * BytesPerPixel(format);
    if (png_get_rowbytes(png, info) != rowBytes)
        return ECodecError::UnsupportedType;
    if (const ECodecError e = AllocatePicture(out, width, height, format); e != ECodecError::None)
        return e;
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = out.m_pixels.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return ECodecError::None;
}
} // namespace

namespace png
{
namespace
{
// DecodeWithLibpng with the reason of a refusal.
ECodecError ReadWithLibpng(std::span<const uint8_t> file, const SPngScan& scan, CBitmap& out)
{
    CPngReadStruct reader;
    if (!reader.m_info)
        return ECodecError::OutOfMemory;
    SMemorySource source{file.data(), file.size(), 0};
    png_set_read_fn(reader.m_png, &source, ReadFromMemory);
    png_set_user_limits(reader.m_png, kMaxDimension, kMaxDimension);
    // No chunk can be longer than the file, and none but those that make the pixels is kept.
    png_set_chunk_malloc_max(reader.m_png, std::min<png_alloc_size_t>(file.size(), PNG_UINT_31_MAX));
    png_set_keep_unknown_chunks(reader.m_png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    std::vector<png_bytep> rows;
    return ReadPng(reader.m_png, reader.m_info, scan.m_nIdatBound, out, rows);
}

ECodecError Outcome(bool ok)
{
    return ok ? ECodecError::None : ECodecError::Corrupt;
}
} // namespace

bool DecodeWithLibpng(std::span<const uint8_t> file, const SPngScan& scan, CBitmap& out)
{
    return ReadWithLibpng(file, scan, out) == ECodecError::None;
}

bool DecodePngOwnOnly(std::span<const uint8_t> file, CBitmap& out)
{
    SPngScan scan;
    ScanPng(file, scan);
    return FillOrClear(out, [&] { return Outcome(scan.m_bOwnPath && DecodeOwn(scan, out)); }) == ECodecError::None;
}

bool DecodePngLibpngOnly(std::span<const uint8_t> file, CBitmap& out)
{
    if (file.size() < sizeof kSignature || std::memcmp(file.data(), kSignature, sizeof kSignature) != 0)
        return FillOrClear(out, [] { return Outcome(false); }) == ECodecError::None;
    SPngScan scan;
    ScanPng(file, scan);
    return FillOrClear(out, [&] { return ReadWithLibpng(file, scan, out); }) == ECodecError::None;
}
} // namespace png

ECodecError DecodePng(std::span<const uint8_t> file, CBitmap& out)
{
    out.Clear();
    if (file.size() < sizeof kSignature || std::memcmp(file.data(), kSignature, sizeof kSignature) != 0)
        return ECodecError::NotFormat;
    png::SPngScan scan;
    png::ScanPng(file, scan);
    return FillOrClear(out, [&] {
        if (scan.m_bOwnPath && png::DecodeOwn(scan, out))
            return ECodecError::None;
        out.Clear();
        return png::ReadWithLibpng(file, scan, out);
    });
}

bool EncodePng(const CBitmap& image, std::vector<uint8_t>& out)
{
    out.clear();
    if (image.Empty() || image.m_pixels.size() != image.RowBytes() * image.m_nHeight)
        return false;
    CPngImageWriter writer;
    out.assign(kSignature, kSignature + sizeof kSignature);
    if (!writer.Append(out, image.m_pixels.data(), image.m_nWidth, image.m_nHeight, image.m_nFormat))
    {
        out.clear();
        return false;
    }
    return true;
}
} // namespace gx
