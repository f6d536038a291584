// Differential: any bytes go through the own PNG reader, through libpng alone, and through
// DecodePng. DecodePng must give libpng's verdict and pixels exactly, and the own reader, whenever
// it decodes, libpng's pixels. Each input goes once as it is and once with every chunk's CRC made
// right, so that changed image data reaches the inflating, unfiltering and expanding instead of
// stopping at the checksum. Seeded from the PngSuite.

#include "engine/codecs/Codecs.h"
#include "engine/codecs/PngDecode.h"

#include <cstdint>
#include <cstdlib>
#include <libdeflate.h>
#include <vector>

namespace
{
bool Same(const gx::CBitmap& a, const gx::CBitmap& b)
{
    return a.m_nWidth == b.m_nWidth && a.m_nHeight == b.m_nHeight && a.m_nFormat == b.m_nFormat &&
           a.m_pixels == b.m_pixels;
}

void Check(std::span<const uint8_t> file)
{
    gx::CBitmap own, reference, decoded;
    const bool bOwn = gx::png::DecodePngOwnOnly(file, own);
    const bool bReference = gx::png::DecodePngLibpngOnly(file, reference);
    const bool bDecoded = gx::DecodePng(file, decoded);
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
