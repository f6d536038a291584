// Differential: any bytes go through the own PNG reader, through libpng alone, and through
// DecodePng. DecodePng must give libpng's verdict and pixels exactly, and the own reader, whenever
// it decodes, libpng's pixels. Each input goes once as it is and once with every chunk's CRC made
// right, so that changed image data reaches the inflating, unfiltering and expanding instead of
// stopping at the checksum. Seeded from the PngSuite.
//
// One divergence is known and allowed: libdeflate reads the deflate codes RFC 1951 reserves
// (literal/length 286 and 287, distances 30 and 31, more code lengths than those) where zlib, under
// libpng, stops. The own reader may then decode a file libpng refuses, its Adler-32 still matching.

#include "engine/codecs/Codecs.h"
#include "engine/codecs/PngDecode.h"

#include <cstdint>
#include <cstdlib>
#include <libdeflate.h>
#include <cstring>
#include <vector>
#include <zlib.h>

namespace
{
bool Same(const gx::CBitmap& a, const gx::CBitmap& b)
{
    return a.m_nWidth == b.m_nWidth && a.m_nHeight == b.m_nHeight && a.m_nFormat == b.m_nFormat &&
           a.m_pixels == b.m_pixels;
}

// True when zlib stops the file's image data at a code RFC 1951 reserves.
bool ZlibRefusesReservedCode(std::span<const uint8_t> file, size_t outSize)
{
    gx::png::SPngScan scan;
    gx::png::ScanPng(file, scan);
    std::vector<uint8_t> stream, out(outSize + 1);
    for (const auto& part : scan.m_idat)
        stream.insert(stream.end(), part.begin(), part.end());
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = stream.data();
    z.avail_in = uInt(stream.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int result = inflate(&z, Z_FINISH);
    const char* message = z.msg ? z.msg : "";
    inflateEnd(&z);
    return result == Z_DATA_ERROR &&
           (!std::strcmp(message, "invalid literal/length code") || !std::strcmp(message, "invalid distance code") ||
            !std::strcmp(message, "too many length or distance symbols"));
}

void Check(std::span<const uint8_t> file)
{
    gx::CBitmap own, reference, decoded;
    const bool bOwn = gx::png::DecodePngOwnOnly(file, own);
    const bool bReference = gx::png::DecodePngLibpngOnly(file, reference);
    const bool bDecoded = gx::DecodePng(file, decoded) == gx::ECodecError::None;
    if (bOwn && !bReference && bDecoded && Same(own, decoded) &&
        ZlibRefusesReservedCode(file, size_t(own.m_nHeight) * (own.m_nWidth * 4 + 1)))
        return;
    if (bDecoded != bReference || !Same(decoded, reference))
        std::abort();
    if (bOwn && (!bReference || !Same(own, reference)))
        std::abort();
    if (!bOwn && !own.Empty())
        std::abort();
}

uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    Check({pData, nSize});
    std::vector<uint8_t> fixed(pData, pData + nSize);
    for (size_t pos = 8; pos + 12 <= fixed.size();)
    {
        const uint32_t length = Be32(&fixed[pos]);
        if (length > fixed.size() - pos - 12)
            break;
        const uint32_t crc = uint32_t(libdeflate_crc32(0, &fixed[pos + 4], 4 + size_t(length)));
        for (int i = 0; i < 4; ++i)
            fixed[pos + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
        pos += 12 + size_t(length);
    }
    Check(fixed);
    return 0;
}
