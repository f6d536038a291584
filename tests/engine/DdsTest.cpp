#include "CodecTestSupport.h"

using namespace mosvane::test;

namespace
{
// The FourCC of a block file, else the bits per pixel.
std::string Describe(const Bytes& f)
{
    if (f.size() < 128)
        return "short";
    return Le32At(f, 84) ? std::string(f.begin() + 84, f.begin() + 88) : std::to_string(Le32At(f, 88));
}

using DdsMagick = MagickTest;

TEST_F(DdsMagick, UncompressedAndBlockFilesReadAsImageMagickReadsThem)
{
    const SMagickCase cases[] = {
        {"-define dds:compression=none", EPicture::Alpha, "32", GL_BGRA, 0, true},
        {"-alpha off -define dds:compression=none", EPicture::Opaque, "24", GL_BGR, 0, true},
        {"-define dds:compression=dxt1", EPicture::Alpha, "DXT1", GL_BGRA},
        {"-alpha off -define dds:compression=dxt1", EPicture::Opaque, "DXT1", GL_BGRA},
        {"-define dds:compression=dxt5", EPicture::Alpha, "DXT5", GL_BGRA},
    };
    // 13 x 7 ends in partial blocks; 16 x 16 gets mip levels, of which the first is read.
    ExpectMagickCases(gx::DecodeDds, "dds", Describe, cases, 13, 7, m_dir);
    for (const Bytes& file : ExpectMagickCases(gx::DecodeDds, "dds", Describe, cases, 16, 16, m_dir))
        EXPECT_GT(Le32At(file, 28), 1u);
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A colour block of two 5:6:5 colours with indices 0, 1, 2, 3 along every row.
Bytes ColourBlock(uint16_t c0, uint16_t c1)
{
    return {uint8_t(c0), uint8_t(c0 >> 8), uint8_t(c1), uint8_t(c1 >> 8), 0xE4, 0xE4, 0xE4, 0xE4};
}

constexpr uint16_t kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F;
const Bytes kAlpha4Bit = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE}; // 0 to 15 in pixel order
const Bytes kAlphaIndices = {0x88, 0xC6, 0xFA, 0x88, 0xC6, 0xFA};          // 0 to 7, twice

TEST(DdsRead, HandBuiltVariantsAndImpossibleSizes)
{
    const SHandBuilt cases[] = {
        // 5:6:5 red, and green 32 of 63 (widened to 130).
        {"5:6:5", BuildDds({2, 1, 0, {0x00, 0xF8, 0x00, 0x04}, kDdsRgb, 16, {kRed, kGreen, kBlue}}),
         {255, 0, 0, 255, 0, 130, 0, 255}},
        // Luminance and alpha of 8 bits each; without the alpha-pixels flag the mask is not alpha.
        {"luminance, alpha", BuildDds({2, 1, 0, {90, 255, 200, 7}, kDdsLuminance | kDdsAlphaPixels, 16, {0xFF, 0, 0, 0xFF00}}),
         {90, 90, 90, 255, 200, 200, 200, 7}, GL_BGRA},
        {"luminance, alpha mask unflagged", BuildDds({2, 1, 0, {90, 255, 200, 7}, kDdsLuminance, 16, {0xFF, 0, 0, 0xFF00}}),
         {90, 90, 90, 255, 200, 200, 200, 255}},
        // The block modes, one row high. Red above blue: four colours, two mixed by thirds.
        {"DXT1 four colours", BuildDds({4, 1, FourCc("DXT1"), ColourBlock(kRed, kBlue)}),
         {255, 0, 0, 255, 0, 0, 255, 255, 170, 0, 85, 255, 85, 0, 170, 255}, GL_BGRA},
        // Blue below red: three colours, a half mix, and transparent black.
        {"DXT1 three colours", BuildDds({4, 1, FourCc("DXT1"), ColourBlock(kBlue, kRed)}),
         {0, 0, 255, 255, 255, 0, 0, 255, 127, 0, 127, 255, 0, 0, 0, 0}, GL_BGRA},
        // Explicit alpha times 17; the colour block always has four colours here.
        {"DXT3", BuildDds({4, 1, FourCc("DXT3"), Concat({kAlpha4Bit, ColourBlock(kBlue, kRed)})}),
         {0, 0, 255, 0, 255, 0, 0, 17, 85, 0, 170, 34, 170, 0, 85, 51}, GL_BGRA},
        // Alpha 200 > 10: eight levels; 10 < 200: six levels, then 0 and 255.
        {"DXT5 eight levels", BuildDds({4, 1, FourCc("DXT5"), Concat({{200, 10}, kAlphaIndices, ColourBlock(kRed, kGreen)})}),
         {255, 0, 0, 200, 0, 255, 0, 10, 170, 85, 0, 172, 85, 170, 0, 145}, GL_BGRA},
        {"DXT5 six levels", BuildDds({4, 1, FourCc("DXT5"), Concat({{10, 200}, kAlphaIndices, ColourBlock(kRed, kGreen)})}),
         {255, 0, 0, 10, 0, 255, 0, 200, 170, 85, 0, 48, 85, 170, 0, 86}, GL_BGRA},
        {"block cut short", BuildDds({4, 4, FourCc("DXT1"), Bytes(7, 0x55)}), {}},
    };
    ExpectHandBuilt(gx::DecodeDds, cases);
    ExpectImpossibleSizesFail(
        gx::DecodeDds, [](uint32_t w, uint32_t h) { return BuildDds({w, h, FourCc("DXT1"), Bytes(8, 0x55)}); }, 16384);
}
} // namespace
