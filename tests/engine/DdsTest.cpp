#include "engine/codecs/Codecs.h"
#include "RasterFileTesting.h"

#include <gtest/gtest.h>

using namespace rastertest;
using mosvane::test::CTempDir;
using mosvane::test::HaveImageMagick;
using mosvane::test::MagickWriteRgba;
using mosvane::test::PatternRgba;

namespace
{
constexpr uint32_t kFourCc = 0x4, kRgb = 0x40, kAlphaPixels = 0x1, kLuminance = 0x20000;

uint32_t FourCc(const char* s)
{
    return uint32_t(uint8_t(s[0])) | (uint32_t(uint8_t(s[1])) << 8) | (uint32_t(uint8_t(s[2])) << 16) |
           (uint32_t(uint8_t(s[3])) << 24);
}

uint32_t Le32At(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

struct SDds
{
    uint32_t width = 4, height = 4;
    uint32_t pfFlags = kFourCc;
    uint32_t fourCc = 0;
    uint32_t bits = 0;
    uint32_t masks[4] = {}; // red, green, blue, alpha
    Bytes data;
    uint32_t headerSize = 124;
};

Bytes BuildDds(const SDds& s)
{
    CFileBuilder b;
    b.Text("DDS ", 4).U32(s.headerSize).U32(0x1007 /* caps, height, width, pixel format */);
    b.U32(s.height).U32(s.width).U32(0 /* pitch */).U32(0 /* depth */).U32(1 /* mip levels */).Zeros(44);
    b.U32(32).U32(s.pfFlags).U32(s.fourCc).U32(s.bits);
    for (uint32_t m : s.masks)
        b.U32(m);
    b.U32(0x1000 /* texture */).U32(0).U32(0).U32(0).U32(0);
    b.Raw(s.data);
    return b.Get();
}

Bytes Le16Pair(uint16_t a, uint16_t b)
{
    return {uint8_t(a), uint8_t(a >> 8), uint8_t(b), uint8_t(b >> 8)};
}

// Colour indices 0, 1, 2, 3 repeated along every row of a 4 x 4 block.
const Bytes kIndexColumns = {0b11100100, 0b11100100, 0b11100100, 0b11100100};

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// The first row of a decoded 4 x 4 block.
Bytes FirstRow(const SDecoded& d)
{
    return Bytes(d.rgba.begin(), d.rgba.begin() + 16);
}

struct SMagickDds
{
    const char* options;
    bool alphaSource;
    uint32_t pfFlags;
    uint32_t fourCc;
    uint32_t bits;
    uint32_t format;
};

const SMagickDds kMagickVariants[] = {
    {"-define dds:compression=none", true, kRgb | kAlphaPixels, 0, 32, GL_BGRA},
    {"-alpha off -define dds:compression=none", false, kRgb, 0, 24, GL_BGR},
    {"-define dds:compression=dxt1", true, kFourCc, FourCc("DXT1"), 0, GL_BGRA},
    {"-alpha off -define dds:compression=dxt1", false, kFourCc, FourCc("DXT1"), 0, GL_BGRA},
    {"-define dds:compression=dxt5", true, kFourCc, FourCc("DXT5"), 0, GL_BGRA},
};

struct DdsMagick : ::testing::Test
{
    void SetUp() override
    {
        if (!HaveImageMagick())
            GTEST_SKIP() << "ImageMagick is not installed";
    }
    CTempDir m_dir;

    Bytes WriteVariant(const SMagickDds& v, uint32_t w, uint32_t h, const std::string& path)
    {
        Bytes file;
        EXPECT_TRUE(MagickWriteRgba(PatternRgba(w, h, v.alphaSource), w, h, path, v.options));
        EXPECT_TRUE(mosvane::test::ReadFileBytes(path, file));
        if (file.size() < 128)
            return {};
        EXPECT_EQ(Le32At(file, 80), v.pfFlags);
        EXPECT_EQ(Le32At(file, 84), v.fourCc);
        EXPECT_EQ(Le32At(file, 88), v.bits);
        return file;
    }
};

TEST_F(DdsMagick, ReadsWhatImageMagickWritesAsItDoes)
{
    // 13 x 7 ends in partial blocks; 16 x 16 gets a chain of mip levels, of which only the
    // first is read.
    int n = 0;
    for (const SMagickDds& v : kMagickVariants)
        for (const uint32_t size : {13u, 16u})
        {
            SCOPED_TRACE(v.options);
            const uint32_t w = size, h = size == 16 ? 16 : 7;
            const std::string path = m_dir.File("v" + std::to_string(n++) + ".dds");
            const Bytes file = WriteVariant(v, w, h, path);
            if (file.empty())
                continue;
            if (size == 16)
            {
                EXPECT_GT(Le32At(file, 28), 1u); // mip levels
            }
            ExpectMatchesMagick(gx::DecodeDds, path);
            EXPECT_EQ(DecodeFile(gx::DecodeDds, path).format, v.format);
        }
}

TEST_F(DdsMagick, BlockModesReadAsStatedAndAsImageMagickReadsThem)
{
    struct SCase
    {
        const char* name;
        SDds dds;
        Bytes firstRow; // RGBA of the block's first row
    };
    SDds dxt1Four, dxt1Three, dxt3, dxt5Eight, dxt5Six;
    // DXT1, red above blue: four colours, two of them mixed by thirds.
    dxt1Four.fourCc = FourCc("DXT1");
    dxt1Four.data = Concat({Le16Pair(0xF800, 0x001F), kIndexColumns});
    // DXT1, blue below red: three colours, a half mix, and transparent black.
    dxt1Three.fourCc = FourCc("DXT1");
    dxt1Three.data = Concat({Le16Pair(0x001F, 0xF800), kIndexColumns});
    // DXT3: explicit 4-bit alpha 0 to 15 in pixel order; the colour block always has four
    // colours, even with its first colour below its second.
    dxt3.fourCc = FourCc("DXT3");
    dxt3.data = Concat({{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE}, Le16Pair(0x001F, 0xF800), kIndexColumns});
    // DXT5 with alpha 200 > 10: eight levels. Alpha indices 0..7 along the first row pair.
    const Bytes alphaIndices = {0b10001000, 0b11000110, 0b11111010, 0b10001000, 0b11000110, 0b11111010};
    dxt5Eight.fourCc = FourCc("DXT5");
    dxt5Eight.data = Concat({{200, 10}, alphaIndices, Le16Pair(0xF800, 0x07E0), kIndexColumns});
    // DXT5 with alpha 10 < 200: six levels, then 0 and 255.
    dxt5Six.fourCc = FourCc("DXT5");
    dxt5Six.data = Concat({{10, 200}, alphaIndices, Le16Pair(0xF800, 0x07E0), kIndexColumns});
    const SCase cases[] = {
        {"dxt1 four", dxt1Four, {255, 0, 0, 255, 0, 0, 255, 255, 170, 0, 85, 255, 85, 0, 170, 255}},
        {"dxt1 three", dxt1Three, {0, 0, 255, 255, 255, 0, 0, 255, 127, 0, 127, 255, 0, 0, 0, 0}},
        {"dxt3", dxt3, {0, 0, 255, 0, 255, 0, 0, 17, 85, 0, 170, 34, 170, 0, 85, 51}},
        {"dxt5 eight", dxt5Eight, {255, 0, 0, 200, 0, 255, 0, 10, 170, 85, 0, 172, 85, 170, 0, 145}},
        {"dxt5 six", dxt5Six, {255, 0, 0, 10, 0, 255, 0, 200, 170, 85, 0, 48, 85, 170, 0, 86}},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Bytes file = BuildDds(c.dds);
        const SDecoded d = Decode(gx::DecodeDds, file);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.format, GL_BGRA);
        EXPECT_EQ(FirstRow(d), c.firstRow);
        const std::string path = m_dir.File("block.dds");
        WriteFile(path, file);
        ExpectMatchesMagick(gx::DecodeDds, path);
    }
}

TEST(DdsRead, PartialBlocksAndUncompressedLayouts)
{
    // 5 x 3 from two DXT1 blocks: the second block's first column only, three rows of each.
    SDds part;
    part.width = 5;
    part.height = 3;
    part.fourCc = FourCc("DXT1");
    part.data = Concat({Le16Pair(0xF800, 0x001F), kIndexColumns, Le16Pair(0x07E0, 0x001F), kIndexColumns});
    SDecoded d = Decode(gx::DecodeDds, BuildDds(part));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.rgba.size(), 5u * 3 * 4);
    EXPECT_EQ(Bytes(d.rgba.begin() + 16, d.rgba.begin() + 20), (Bytes{0, 255, 0, 255}));
    EXPECT_EQ(Bytes(d.rgba.begin() + 56, d.rgba.begin() + 60), (Bytes{0, 255, 0, 255}));

    // 16-bit 5:6:5 RGB: red, and green 32 of 63 (widened to 130).
    SDds rgb565;
    rgb565.width = 2;
    rgb565.height = 1;
    rgb565.pfFlags = kRgb;
    rgb565.bits = 16;
    rgb565.masks[0] = 0xF800;
    rgb565.masks[1] = 0x07E0;
    rgb565.masks[2] = 0x001F;
    rgb565.data = Le16Pair(0xF800, 0x0400);
    d = Decode(gx::DecodeDds, BuildDds(rgb565));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.format, GL_BGR);
    EXPECT_EQ(d.rgba, (Bytes{255, 0, 0, 255, 0, 130, 0, 255}));

    // Luminance with alpha, 8 bits each.
    SDds la;
    la.width = 2;
    la.height = 1;
    la.pfFlags = kLuminance | kAlphaPixels;
    la.bits = 16;
    la.masks[0] = 0x00FF;
    la.masks[3] = 0xFF00;
    la.data = {90, 255, 200, 7};
    d = Decode(gx::DecodeDds, BuildDds(la));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.format, GL_BGRA);
    EXPECT_EQ(d.rgba, (Bytes{90, 90, 90, 255, 200, 200, 200, 7}));

    // An alpha mask without the alpha-pixels flag is not alpha.
    SDds noFlag = la;
    noFlag.pfFlags = kLuminance;
    EXPECT_EQ(Decode(gx::DecodeDds, BuildDds(noFlag)).format, GL_BGR);
}

TEST(DdsRead, MalformedAndUnsupportedFilesFail)
{
    auto ok = [](auto edit) {
        SDds s;
        s.fourCc = FourCc("DXT1");
        s.data.assign(8, 0x55);
        edit(s);
        return Decode(gx::DecodeDds, BuildDds(s)).ok;
    };
    EXPECT_TRUE(ok([](SDds&) {}));
    EXPECT_FALSE(ok([](SDds& s) { s.width = 65536, s.height = 1; }));
    EXPECT_FALSE(ok([](SDds& s) { s.width = s.height = 60000; }));
    EXPECT_FALSE(ok([](SDds& s) { s.width = 0; }));
    EXPECT_FALSE(ok([](SDds& s) { s.height = 0; }));
    EXPECT_FALSE(ok([](SDds& s) { s.width = s.height = 16384; })); // no data for it
    EXPECT_FALSE(ok([](SDds& s) { s.headerSize = 0; }));
    EXPECT_FALSE(ok([](SDds& s) { s.fourCc = FourCc("DXT2"); }));
    EXPECT_FALSE(ok([](SDds& s) { s.fourCc = FourCc("DX10"); }));
    EXPECT_FALSE(ok([](SDds& s) { s.data.pop_back(); }));
    EXPECT_FALSE(ok([](SDds& s) { s.pfFlags = kRgb, s.bits = 12; }));
    EXPECT_FALSE(ok([](SDds& s) { s.pfFlags = 0x2 /* alpha only */, s.bits = 8; }));
    Bytes notDds = BuildDds(SDds{});
    notDds[3] = 'X';
    EXPECT_FALSE(Decode(gx::DecodeDds, notDds).ok);
}

TEST_F(DdsMagick, DamagedFilesFailOrDecodeCleanly)
{
    std::vector<Bytes> fixtures;
    int n = 0;
    for (const SMagickDds& v : kMagickVariants)
        fixtures.push_back(WriteVariant(v, 8, 6, m_dir.File("d" + std::to_string(n++) + ".dds")));
    SDds dxt3;
    dxt3.fourCc = FourCc("DXT3");
    dxt3.data = Concat({{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE}, Le16Pair(0x001F, 0xF800), kIndexColumns});
    fixtures.push_back(BuildDds(dxt3));
    for (size_t i = 0; i < fixtures.size(); ++i)
    {
        SCOPED_TRACE("fixture " + std::to_string(i));
        ASSERT_TRUE(Decode(gx::DecodeDds, fixtures[i]).ok);
        ExpectCleanCuts(gx::DecodeDds, fixtures[i]);
        ExpectCleanMutations(gx::DecodeDds, fixtures[i], 300, 99 + uint32_t(i));
    }
}
} // namespace
