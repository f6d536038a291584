#pragma once
// The two PNG readers behind DecodePng. Our own reader takes the common files (8-bit,
// non-interlaced, grey, grey and alpha, RGB, RGBA, palette, with tRNS) whole in memory: one
// libdeflate call and SIMD unfiltering. libpng takes everything else, and every file the own reader
// does not vouch for, so that what libpng refuses stays refused. Both give the same pixels.

#include "engine/Bitmap.h"

#include <cstdint>
#include <span>
#include <vector>

namespace gx::png
{
// What one walk over the chunks learned of a file.
struct SPngScan
{
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;
    uint8_t m_nDepth = 0;
    uint8_t m_nColorType = 0;
    // The own reader vouches for the file's structure: IHDR first, every chunk whole with a good
    // CRC up to IEND, only the critical chunks and the tRNS it understands, one run of IDAT.
    bool m_bOwnPath = false;
    // The most image data any reader can find in the file: the first run of IDAT chunks when it
    // ends inside the file, otherwise every byte from its start.
    uint64_t m_nIdatBound = 0;
    std::vector<std::span<const uint8_t>> m_idat; // the first run of IDAT chunks' data
    uint8_t m_palette[256][4] = {};               // RGBA; entries past the palette are opaque black
    bool m_bTransparency = false;                 // a tRNS that makes the output RGBA
    uint8_t m_key[3] = {};                        // the transparent grey or RGB of types 0 and 2
};

// Deflate gives at most 1032 bytes for each byte it reads (a 258-byte match in two bits, blocks
// aside), so image data of `available` bytes that cannot cover `needed` is cut short or lying;
// such a file fails before its pixels are allocated.
inline constexpr uint64_t kMaxInflateRatio = 1040;
inline bool InflateCanCover(uint64_t needed, uint64_t available)
{
    return needed / kMaxInflateRatio <= available;
}

void ScanPng(std::span<const uint8_t> file, SPngScan& scan);

// False when the file is not the own reader's, or anything in its data is amiss; then libpng
// decides. `out` is left for the caller to clear.
bool DecodeOwn(const SPngScan& scan, CBitmap& out);
bool DecodeWithLibpng(std::span<const uint8_t> file, const SPngScan& scan, CBitmap& out);

// Whole decodes by one reader alone, for the comparisons of the tests, bench and fuzz target.
bool DecodePngOwnOnly(std::span<const uint8_t> file, CBitmap& out);
bool DecodePngLibpngOnly(std::span<const uint8_t> file, CBitmap& out);
} // namespace gx::png
