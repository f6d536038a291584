#include "engine/codecs/Codecs.h"
#include "RasterFileTesting.h"

using namespace rastertest;
using mosvane::test::MagickWriteRgba;
using mosvane::test::PatternRgba;

namespace
{
using DdsMagick = MagickTest;

constexpr uint32_t kFourCc = 0x4, kRgb = 0x40, kAlphaPixels = 0x1, kLuminance = 0x20000;

constexpr uint32_t FourCc(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) | (uint32_t(uint8_t(s[1])) << 8) | (uint32_t(uint8_t(s[2])) << 16) |
           (uint32_t(uint8_t(s[3])) << 24);
}

struct SVariant
{
    const char* options;
    bool alpha;
    uint32_t pfFlags, fourCc, bits; // of the written file, so that each case stays the variant meant
    uint32_t format;
};

const SVariant kVariants[] = {
    {"-define dds:compression=none", true, kRgb | kAlphaPixels, 0, 32, GL_BGRA},
    {"-alpha off -define dds:compression=none", false, kRgb, 0, 24, GL_BGR},
    {"-define dds:compression=dxt1", true, kFourCc, FourCc("DXT1"), 0, GL_BGRA},
    {"-alpha off -define dds:compression=dxt1", false, kFourCc, FourCc("DXT1"), 0, GL_BGRA},
    {"-define dds:compression=dxt5", true, kFourCc, FourCc("DXT5"), 0, GL_BGRA},
};

Bytes WriteVariant(const SVariant& v, uint32_t w, uint32_t h, const std::string& path)
{
    Bytes file;
    EXPECT_TRUE(MagickWriteRgba(PatternRgba(w, h, v.alpha), w, h, path, v.options));
    EXPECT_TRUE(mosvane::test::ReadFileBytes(path, file));
    EXPECT_GE(file.size(), 128u);
    if (file.size() >= 128)
    {
        EXPECT_EQ(Le32At(file, 80), v.pfFlags);
        EXPECT_EQ(Le32At(file, 84), v.fourCc);
        EXPECT_EQ(Le32At(file, 88), v.bits);
    }
    return file;
}

TEST_F(DdsMagick, ReadsWhatImageMagickWritesAsItDoes)
{
    // 13 x 7 ends in partial blocks; 16 x 16 gets mip levels, of which the first is read.
    int n = 0;
    for (const SVariant& v : kVariants)
        for (const uint32_t h : {7u, 16u})
        {
            SCOPED_TRACE(v.options);
            const std::string path = m_dir.File(std::to_string(n++) + ".dds");
            const Bytes file = WriteVariant(v, h == 16 ? 16 : 13, h, path);
            if (h == 16 && file.size() > 32)
            {
                EXPECT_GT(Le32At(file, 28), 1u);
            }
            EXPECT_EQ(ExpectMatchesMagick(gx::DecodeDds, path).format, v.format);
        }
}

struct SDds
{
    uint32_t width = 4, height = 4;
    uint32_t fourCc = 0;
    Bytes data;
    uint32_t pfFlags = kFourCc;
    uint32_t bits = 0;
    uint32_t masks[4] = {}; // red, green, blue, alpha
    uint32_t headerSize = 124;
};

Bytes BuildDds(const SDds& s)
{
    CFileBuilder b;
    b.Text("DDS ", 4).U32(s.headerSize).U32(0x1007 /* caps, height, width, pixel format */);
    b.U32(s.height).U32(s.width).U32(0 /* pitch */).U32(0 /* depth */).U32(1 /* mip levels */).Zeros(44);
    b.U32(32).U32(s.pfFlags).U32(s.fourCc).U32(s.bits).U32(s.masks[0]).U32(s.masks[1]).U32(s.masks[2]).U32(s.masks[3]);
    b.U32(0x1000 /* texture */).Zeros(16).Raw(s.data);
    return b.m_bytes;
}

// A colour block of two 5:6:5 colours with indices 0, 1, 2, 3 along every row.
Bytes ColourBlock(uint16_t c0, uint16_t c1)
{
    return {uint8_t(c0), uint8_t(c0 >> 8), uint8_t(c1), uint8_t(c1 >> 8), 0xE4, 0xE4, 0xE4, 0xE4};
}

Bytes Concat(const Bytes& a, const Bytes& b)
{
    Bytes all = a;
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

constexpr uint16_t kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F;
const Bytes kAlpha4Bit = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE}; // 0 to 15 in pixel order
const Bytes kAlphaIndices = {0x88, 0xC6, 0xFA, 0x88, 0xC6, 0xFA};          // 0 to 7, twice

TEST_F(DdsMagick, BlockModesReadAsStatedAndAsImageMagickReadsThem)
{
    struct SCase
    {
        const char* name;
        SDds dds;
        Bytes firstRow; // RGBA of the block's first row
    };
    const SCase cases[] = {
        // Red above blue: four colours, two mixed by thirds.
        {"dxt1 four", {4, 4, FourCc("DXT1"), ColourBlock(kRed, kBlue)},
         {255, 0, 0, 255, 0, 0, 255, 255, 170, 0, 85, 255, 85, 0, 170, 255}},
        // Blue below red: three colours, a half mix, and transparent black.
        {"dxt1 three", {4, 4, FourCc("DXT1"), ColourBlock(kBlue, kRed)},
         {0, 0, 255, 255, 255, 0, 0, 255, 127, 0, 127, 255, 0, 0, 0, 0}},
        // Explicit alpha times 17; the colour block always has four colours here.
        {"dxt3", {4, 4, FourCc("DXT3"), Concat(kAlpha4Bit, ColourBlock(kBlue, kRed))},
         {0, 0, 255, 0, 255, 0, 0, 17, 85, 0, 170, 34, 170, 0, 85, 51}},
        // Alpha 200 > 10: eight levels; 10 < 200: six levels, then 0 and 255.
        {"dxt5 eight", {4, 4, FourCc("DXT5"), Concat(Concat({200, 10}, kAlphaIndices), ColourBlock(kRed, kGreen))},
         {255, 0, 0, 200, 0, 255, 0, 10, 170, 85, 0, 172, 85, 170, 0, 145}},
        {"dxt5 six", {4, 4, FourCc("DXT5"), Concat(Concat({10, 200}, kAlphaIndices), ColourBlock(kRed, kGreen))},
         {255, 0, 0, 10, 0, 255, 0, 200, 170, 85, 0, 48, 85, 170, 0, 86}},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir.File("block.dds");
        ASSERT_TRUE(mosvane::test::WriteFileBytes(path, BuildDds(c.dds)));
        const SDecoded d = ExpectMatchesMagick(gx::DecodeDds, path);
        EXPECT_EQ(Bytes(d.rgba.begin(), d.rgba.begin() + 16), c.firstRow);
    }
}

TEST(DdsRead, PartialBlocksAndUncompressedLayouts)
{
    // 5 x 3 from two blocks: of the second, column 0 of rows 0 to 2.
    const Bytes blocks = Concat(ColourBlock(kRed, kBlue), ColourBlock(kGreen, kBlue));
    SDecoded d = Decode(gx::DecodeDds, BuildDds({5, 3, FourCc("DXT1"), blocks}));
    ASSERT_EQ(d.rgba.size(), 5u * 3 * 4);
    EXPECT_EQ(Bytes(d.rgba.begin() + 16, d.rgba.begin() + 20), (Bytes{0, 255, 0, 255}));
    EXPECT_EQ(Bytes(d.rgba.begin() + 56, d.rgba.begin() + 60), (Bytes{0, 255, 0, 255}));

    // 5:6:5 red, and green 32 of 63 (widened to 130).
    d = Decode(gx::DecodeDds, BuildDds({2, 1, 0, {0x00, 0xF8, 0x00, 0x04}, kRgb, 16, {kRed, kGreen, kBlue}}));
    EXPECT_EQ(d.format, GL_BGR);
    EXPECT_EQ(d.rgba, (Bytes{255, 0, 0, 255, 0, 130, 0, 255}));
    // Luminance and alpha of 8 bits each; without the alpha-pixels flag the mask is not alpha.
    d = Decode(gx::DecodeDds, BuildDds({2, 1, 0, {90, 255, 200, 7}, kLuminance | kAlphaPixels, 16, {0xFF, 0, 0, 0xFF00}}));
    EXPECT_EQ(d.format, GL_BGRA);
    EXPECT_EQ(d.rgba, (Bytes{90, 90, 90, 255, 200, 200, 200, 7}));
    d = Decode(gx::DecodeDds, BuildDds({2, 1, 0, {90, 255, 200, 7}, kLuminance, 16, {0xFF, 0, 0, 0xFF00}}));
    EXPECT_EQ(d.format, GL_BGR);
}

TEST(DdsRead, ImpossibleSizesAndLayoutsFail)
{
    auto ok = [](auto edit) {
        SDds s{4, 4, FourCc("DXT1"), Bytes(8, 0x55)};
        edit(s);
        return Decode(gx::DecodeDds, BuildDds(s)).ok;
    };
    EXPECT_TRUE(ok([](SDds&) {}));
    EXPECT_FALSE(ok([](SDds& s) { s.width = 65536, s.height = 1; }));
    EXPECT_FALSE(ok([](SDds& s) { s.width = s.height = 60000; }));
    EXPECT_FALSE(ok([](SDds& s) { s.width = 0; }));
    EXPECT_FALSE(ok([](SDds& s) { s.height = 0; }));
    EXPECT_FALSE(ok([](SDds& s) { s.width = s.height = 16384; })); // the file lacks its blocks
    EXPECT_FALSE(ok([](SDds& s) { s.headerSize = 0; }));
    EXPECT_FALSE(ok([](SDds& s) { s.fourCc = FourCc("DXT2"); }));
    EXPECT_FALSE(ok([](SDds& s) { s.fourCc = FourCc("DX10"); }));
    EXPECT_FALSE(ok([](SDds& s) { s.data.pop_back(); }));
    EXPECT_FALSE(ok([](SDds& s) { s.pfFlags = kRgb, s.bits = 12; }));
    EXPECT_FALSE(ok([](SDds& s) { s.pfFlags = 0x2 /* alpha only */, s.bits = 8; }));
}

TEST_F(DdsMagick, DamagedFilesFailOrDecodeCleanly)
{
    std::vector<Bytes> fixtures;
    for (const SVariant& v : kVariants)
        fixtures.push_back(WriteVariant(v, 8, 6, m_dir.File("damage.dds")));
    fixtures.push_back(BuildDds({4, 4, FourCc("DXT3"), Concat(kAlpha4Bit, ColourBlock(kBlue, kRed))}));
    for (size_t i = 0; i < fixtures.size(); ++i)
    {
        SCOPED_TRACE("fixture " + std::to_string(i));
        ASSERT_TRUE(Decode(gx::DecodeDds, fixtures[i]).ok);
        ExpectSurvivesDamage(gx::DecodeDds, fixtures[i], 99 + uint32_t(i));
    }
}
} // namespace
