// Our own PNG reader for the common files, and the chunk walk both readers share. The walk accepts
// for the own reader only what libpng accepts with the same pixels; anything else (a bad CRC, an
// unknown critical chunk, chunks out of order, a second PLTE or tRNS, IDAT after other chunks,
// missing IEND) goes to libpng, which then refuses or reads it as it always has.

#include "engine/codecs/PngDecode.h"
#include "engine/codecs/PngFilters.h"
#include "engine/Limits.h"

#include <cstring>
#include <libdeflate.h>
#include <memory>

namespace gx::png
{
namespace
{
constexpr size_t kSignatureBytes = 8;
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;

constexpr uint32_t ChunkType(const char (&name)[5])
{
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 | uint32_t(uint8_t(name[2])) << 8 |
           uint8_t(name[3]);
}

inline uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline bool IsLetter(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Channels of an 8-bit colour type the own reader takes; 0 for the others.
uint32_t OwnChannels(uint8_t colorType)
{
    switch (colorType)
    {
    case 0: return 1; // grey
    case 2: return 3; // RGB
    case 3: return 1; // palette
    case 4: return 2; // grey and alpha
    case 6: return 4; // RGBA
    default: return 0;
    }
}

struct SDecompressorDeleter
{
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// The whole zlib stream into exactly `size` bytes. False on any fault, on a stream that gives
// more or less, and on one whose declared window is smaller than the data it may reach back into
// (zlib, under libpng, holds a stream to its window; libdeflate does not). One leniency remains:
// libdeflate reads the codes RFC 1951 reserves (literal/length 286 and 287, distances 30 and 31)
// where zlib stops, so a file using them, its Adler-32 matching, is read here and refused by
// libpng. Finding them would take a second decode of every stream.
bool Inflate(std::span<const uint8_t> stream, uint8_t* dst, size_t size)
{
    if (stream.size() < 2)
        return false;
    const uint32_t windowLog = 8 + (stream[0] >> 4);
    if (windowLog > 15 || (windowLog < 15 && size > (size_t(1) << windowLog)))
        return false;
    std::unique_ptr<libdeflate_decompressor, SDecompressorDeleter> inflater(libdeflate_alloc_decompressor());
    size_t produced = 0;
    return inflater &&
           libdeflate_zlib_decompress(inflater.get(), stream.data(), stream.size(), dst, size, &produced) ==
               LIBDEFLATE_SUCCESS &&
           produced == size;
}

// Expands reversed rows of grey, grey and alpha or palette indices, or RGB with a transparent
// key, into the output format.
void ExpandRow(const SPngScan& scan, const uint8_t* src, uint8_t* dst, uint32_t width)
{
    switch (scan.m_nColorType)
    {
    case 0:
        if (scan.m_bTransparency)
            for (uint32_t x = 0; x < width; ++x, dst += 4)
                dst[0] = dst[1] = dst[2] = src[x], dst[3] = src[x] == scan.m_key[0] ? 0 : 255;
        else
            for (uint32_t x = 0; x < width; ++x, dst += 3)
                dst[0] = dst[1] = dst[2] = src[x];
        break;
    case 2:
        for (uint32_t x = 0; x < width; ++x, src += 3, dst += 4)
        {
            dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
            dst[3] = src[0] == scan.m_key[0] && src[1] == scan.m_key[1] && src[2] == scan.m_key[2] ? 0 : 255;
        }
        break;
    case 3:
        if (scan.m_bTransparency)
            for (uint32_t x = 0; x < width; ++x, dst += 4)
                std::memcpy(dst, scan.m_palette[src[x]], 4);
        else
            for (uint32_t x = 0; x < width; ++x, dst += 3)
                std::memcpy(dst, scan.m_palette[src[x]], 3);
        break;
    case 4:
        for (uint32_t x = 0; x < width; ++x, src += 2, dst += 4)
            dst[0] = dst[1] = dst[2] = src[0], dst[3] = src[1];
        break;
    default: break;
    }
}

// What a walk over the chunks carries from one chunk to the next besides the scan itself.
struct SChunkWalk
{
    SPngScan& m_scan;
    bool m_bOwn = false; // still the own reader's file
    bool m_bRunOpen = false, m_bRunEnded = false, m_bEnded = false;
    uint32_t m_nPaletteEntries = 0;
    uint64_t m_nIdatStart = 0, m_nIdatBytes = 0;
};

void ReadHeaderChunk(SChunkWalk& walk, const uint8_t* data, uint32_t length)
{
    SPngScan& scan = walk.m_scan;
    if (length == 13)
    {
        scan.m_nWidth = Be32(data);
        scan.m_nHeight = Be32(data + 4);
        scan.m_nDepth = data[8];
        scan.m_nColorType = data[9];
    }
    walk.m_bOwn = walk.m_bOwn && length == 13 && scan.m_nWidth >= 1 && scan.m_nWidth <= kMaxDimension &&
                  scan.m_nHeight >= 1 && scan.m_nHeight <= kMaxDimension && scan.m_nDepth == 8 &&
                  OwnChannels(data[9]) != 0 && data[10] == 0 && data[11] == 0 && data[12] == 0;
}

void ReadPaletteChunk(SChunkWalk& walk, const uint8_t* data, uint32_t length)
{
    walk.m_bOwn = walk.m_bOwn && walk.m_scan.m_nColorType == 3 && walk.m_nPaletteEntries == 0 &&
                  walk.m_nIdatStart == 0 && length % 3 == 0 && length >= 3 && length <= 3 * 256;
    if (!walk.m_bOwn)
        return;
    walk.m_nPaletteEntries = length / 3;
    for (uint32_t i = 0; i < walk.m_nPaletteEntries; ++i)
        std::memcpy(walk.m_scan.m_palette[i], data + 3 * i, 3);
}

// libpng ignores, with a warning, a tRNS out of place or of the wrong size, and compares only the
// low byte of an out-of-range key: such files are left to it.
void ReadTransparencyChunk(SChunkWalk& walk, const uint8_t* data, uint32_t length)
{
    SPngScan& scan = walk.m_scan;
    bool& own = walk.m_bOwn;
    own = own && !scan.m_bTransparency && walk.m_nIdatStart == 0;
    scan.m_bTransparency = true;
    if (scan.m_nColorType == 3)
    {
        own = own && length >= 1 && length <= walk.m_nPaletteEntries;
        for (uint32_t i = 0; own && i < length; ++i)
            scan.m_palette[i][3] = data[i];
    }
    else if (scan.m_nColorType == 0 || scan.m_nColorType == 2)
    {
        const uint32_t samples = scan.m_nColorType == 0 ? 1 : 3;
        own = own && length == 2 * samples;
        for (uint32_t i = 0; own && i < samples; ++i)
        {
            own = data[2 * i] == 0;
            scan.m_key[i] = data[2 * i + 1];
        }
    }
    else
    {
        own = false;
    }
}

// `pos`: where the chunk starts in the file.
void ReadImageDataChunk(SChunkWalk& walk, size_t pos, const uint8_t* data, uint32_t length)
{
    if (walk.m_nIdatStart == 0)
    {
        walk.m_nIdatStart = pos + 8;
        walk.m_bRunOpen = true;
        walk.m_bOwn = walk.m_bOwn && (walk.m_scan.m_nColorType != 3 || walk.m_nPaletteEntries > 0);
    }
    walk.m_bOwn = walk.m_bOwn && !walk.m_bRunEnded;
    if (walk.m_bRunOpen)
    {
        walk.m_nIdatBytes += length;
        walk.m_scan.m_idat.emplace_back(data, length);
    }
}

// One whole chunk of a good length and type name, at `pos` in the file.
void ReadChunk(SChunkWalk& walk, const uint8_t* chunk, size_t pos, bool first)
{
    const uint32_t length = Be32(chunk);
    const uint32_t type = Be32(chunk + 4);
    if (uint32_t(libdeflate_crc32(0, chunk + 4, 4 + size_t(length))) != Be32(chunk + 8 + length) ||
        first != (type == ChunkType("IHDR")))
        walk.m_bOwn = false;
    const uint8_t* data = chunk + 8;
    if (walk.m_bRunOpen && type != ChunkType("IDAT"))
        walk.m_bRunOpen = false, walk.m_bRunEnded = true;
    switch (type)
    {
    case ChunkType("IHDR"):
        if (first)
            ReadHeaderChunk(walk, data, length);
        break;
    case ChunkType("PLTE"): ReadPaletteChunk(walk, data, length); break;
    case ChunkType("tRNS"): ReadTransparencyChunk(walk, data, length); break;
    case ChunkType("IDAT"): ReadImageDataChunk(walk, pos, data, length); break;
    case ChunkType("IEND"):
        walk.m_bOwn = walk.m_bOwn && length == 0 && walk.m_bRunEnded;
        walk.m_bEnded = true;
        break;
    default:
        // ancillary chunks are skipped; critical ones are libpng's to refuse
        walk.m_bOwn = walk.m_bOwn && (chunk[4] & 0x20) != 0;
        break;
    }
}
} // namespace

void ScanPng(std::span<const uint8_t> file, SPngScan& scan)
{
    scan = SPngScan();
    for (auto& entry : scan.m_palette)
        entry[3] = 255;
    // The walk goes on past what only disqualifies the own reader, so that the bound on image
    // data serves libpng too; it stops where chunk boundaries can no longer be trusted.
    static constexpr uint8_t kSignature[kSignatureBytes] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    SChunkWalk walk{scan};
    walk.m_bOwn = file.size() > kSignatureBytes && std::memcmp(file.data(), kSignature, kSignatureBytes) == 0;
    size_t pos = kSignatureBytes;
    for (bool first = true; !walk.m_bEnded && file.size() >= pos && file.size() - pos >= 12; first = false)
    {
        const uint8_t* chunk = file.data() + pos;
        const uint32_t length = Be32(chunk);
        if (length > kMaxChunkLength || length > file.size() - pos - 12 || !IsLetter(chunk[4]) ||
            !IsLetter(chunk[5]) || !IsLetter(chunk[6]) || !IsLetter(chunk[7]))
            break;
        ReadChunk(walk, chunk, pos, first);
        pos += 12 + size_t(length);
    }
    scan.m_bOwnPath = walk.m_bOwn && walk.m_bEnded;
    scan.m_nIdatBound = walk.m_bRunEnded ? walk.m_nIdatBytes : file.size() - walk.m_nIdatStart;
}

bool DecodeOwn(const SPngScan& scan, CBitmap& out)
{
    const uint32_t channels = OwnChannels(scan.m_nColorType);
    if (!scan.m_bOwnPath || channels == 0)
        return false;
    const uint32_t width = scan.m_nWidth, height = scan.m_nHeight;
    const bool alpha = scan.m_nColorType == 4 || scan.m_nColorType == 6 || scan.m_bTransparency;
    const uint32_t format = alpha ? GL_RGBA : GL_RGB;
    const size_t rowBytes = size_t(width) * channels;
    const uint64_t filtered = uint64_t(height) * (rowBytes + 1);
    if (!SizeAllowed(width, height, BytesPerPixel(format)) || !InflateCanCover(filtered, scan.m_nIdatBound))
        return false;

    std::vector<uint8_t> joined;
    std::span<const uint8_t> stream;
    if (scan.m_idat.size() == 1)
    {
        stream = scan.m_idat[0];
    }
    else
    {
        joined.reserve(scan.m_nIdatBound);
        for (const auto& part : scan.m_idat)
            joined.insert(joined.end(), part.begin(), part.end());
        stream = joined;
    }

    // RGB and RGBA are inflated into the bitmap itself and reversed in place, each row moving up
    // over its filter byte; the others are reversed in a scratch buffer and then expanded.
    const bool direct = scan.m_nColorType == 6 || (scan.m_nColorType == 2 && !scan.m_bTransparency);
    std::vector<uint8_t> scratch;
    std::vector<uint8_t>& raw = direct ? out.m_pixels : scratch;
    raw.resize(filtered);
    if (!Inflate(stream, raw.data(), raw.size()))
        return false;
    joined = {};
    const std::vector<uint8_t> zeros(rowBytes, 0);
    const uint8_t* prior = zeros.data();
    for (uint32_t y = 0; y < height; ++y)
    {
        const uint8_t* in = raw.data() + y * (rowBytes + 1);
        uint8_t* row = direct ? raw.data() + y * rowBytes : raw.data() + y * (rowBytes + 1) + 1;
        if (!UnfilterRow(in[0], in + 1, prior, row, rowBytes, channels))
            return false;
        prior = row;
    }
    if (direct)
    {
        raw.resize(size_t(height) * rowBytes);
    }
    else
    {
        if (!out.Allocate(width, height, format))
            return false;
        for (uint32_t y = 0; y < height; ++y)
            ExpandRow(scan, raw.data() + y * (rowBytes + 1) + 1, out.m_pixels.data() + y * out.RowBytes(), width);
    }
    out.m_nWidth = width;
    out.m_nHeight = height;
    out.m_nFormat = format;
    return true;
}
} // namespace gx::png
