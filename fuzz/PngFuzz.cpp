// Differential: any bytes go through the own PNG reader, through libpng alone, and through
// DecodePng. DecodePng must give libpng's verdict and pixels exactly, and the own reader, whenever
// it decodes, libpng's pixels. Seeded from the PngSuite.

#include "engine/codecs/Codecs.h"
#include "engine/codecs/PngDecode.h"

#include <cstdint>
#include <cstdlib>

namespace
{
bool Same(const gx::CBitmap& a, const gx::CBitmap& b)
{
    return a.m_nWidth == b.m_nWidth && a.m_nHeight == b.m_nHeight && a.m_nFormat == b.m_nFormat &&
           a.m_pixels == b.m_pixels;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::span<const uint8_t> file(pData, nSize);
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
    return 0;
}
