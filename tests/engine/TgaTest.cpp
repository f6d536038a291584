#include "engine/codecs/Codecs.h"
#include "RasterFileTesting.h"

#include <cstring>

using namespace rastertest;
using mosvane::test::MagickWriteRgba;
using mosvane::test::PatternRgba;

namespace
{
using TgaMagick = MagickTest;

struct SVariant
{
    const char* options;
    bool alpha;
    uint8_t type, bits, descriptor; // of the written file, so that each case stays the variant meant
    uint32_t format;
    int tolerance = 0;
};

// This ImageMagick writes rows in memory order and sets the origin bit from the orientation, so
// "-flip" makes a correct bottom-left file.
const SVariant kVariants[] = {
    {"-orient TopLeft", true, 2, 32, 0x28, GL_BGRA},
    {"-orient TopLeft -alpha off", false, 2, 24, 0x20, GL_BGR},
    {"-flip", true, 2, 32, 0x08, GL_BGRA},
    {"-flip -alpha off -compress RLE", false, 10, 24, 0x00, GL_BGR},
    {"-orient TopLeft -compress RLE", true, 10, 32, 0x28, GL_BGRA},
    // It widens 5-bit fields by truncation (4 reads as 32, not 33).
    {"-orient TopLeft -depth 5", true, 2, 16, 0x21, GL_BGRA, 1},
    {"-flip -depth 5 -alpha off", false, 2, 16, 0x00, GL_BGR, 1},
    {"-orient TopLeft -alpha off -type Palette", false, 1, 8, 0x20, GL_BGR},
    {"-flip -alpha off -type Palette -compress RLE", false, 9, 8, 0x00, GL_BGR},
    {"-orient TopLeft -alpha off -type Grayscale", false, 3, 8, 0x20, GL_BGR},
    {"-flip -alpha off -type Grayscale -compress RLE", false, 11, 8, 0x00, GL_BGR},
};

Bytes WriteVariant(const SVariant& v, uint32_t w, uint32_t h, const std::string& path)
{
    Bytes file;
    EXPECT_TRUE(MagickWriteRgba(PatternRgba(w, h, v.alpha), w, h, path, v.options));
    EXPECT_TRUE(mosvane::test::ReadFileBytes(path, file));
    EXPECT_GT(file.size(), 18u);
    if (file.size() > 18)
    {
        EXPECT_EQ(file[2], v.type);
        EXPECT_EQ(file[16], v.bits);
        EXPECT_EQ(file[17], v.descriptor);
    }
    return file;
}

TEST_F(TgaMagick, ReadsEveryVariantImageMagickWritesAsItDoes)
{
    int n = 0;
    for (const SVariant& v : kVariants)
    {
        SCOPED_TRACE(v.options);
        const std::string path = m_dir.File(std::to_string(n++) + ".tga");
        WriteVariant(v, 13, 7, path);
        EXPECT_EQ(ExpectMatchesMagick(gx::DecodeTga, path, v.tolerance, true).format, v.format);
        // True colour holds the picture itself, in either origin.
        if (v.bits >= 24)
        {
            EXPECT_EQ(DecodeFile(gx::DecodeTga, path).rgba, PatternRgba(13, 7, v.alpha));
        }
    }
}

struct STga
{
    uint8_t type = 2;
    uint16_t width = 1, height = 1;
    uint8_t bits = 24;
    uint8_t descriptor = 0x20; // top-left origin, no attribute bits
    Bytes data;
    uint8_t mapBits = 0;       // 0: no colour map
    Bytes map = {};
    uint16_t mapFirst = 0;
    std::string id = {};
    uint8_t attributeType = 0xFF; // else a TGA 2.0 extension area with this attribute type
};

Bytes BuildTga(const STga& t)
{
    CFileBuilder b;
    b.U8(uint8_t(t.id.size())).U8(t.mapBits ? 1 : 0).U8(t.type);
    b.U16(t.mapFirst).U16(t.mapBits ? uint16_t(t.map.size() / ((t.mapBits + 7) / 8)) : 0).U8(t.mapBits);
    b.U16(0).U16(0 /* origin position, not read */).U16(t.width).U16(t.height).U8(t.bits).U8(t.descriptor);
    b.Text(t.id.data(), t.id.size()).Raw(t.map).Raw(t.data);
    if (t.attributeType != 0xFF)
    {
        const size_t extension = b.m_bytes.size();
        b.U16(495).Zeros(492).U8(t.attributeType);
        b.U32(uint32_t(extension)).U32(0 /* developer area */).Text("TRUEVISION-XFILE.", 18);
    }
    return b.m_bytes;
}

TEST(TgaRead, HandBuiltVariants)
{
    // Little-endian A RRRRR GGGGG BBBBB: white with the attribute bit clear, blue with it set,
    // and green 16 of 31 (widened to 132).
    const Bytes p16 = {0xFF, 0x7F, 0x1F, 0x80, 0x00, 0x02};
    const Bytes p32 = {10, 20, 30, 0x80, 40, 50, 60, 0};
    const Bytes p32zero = {10, 20, 30, 0, 40, 50, 60, 0};
    const Bytes map24 = {255, 0, 0, /**/ 0, 255, 0, /**/ 0, 0, 255};
    const Bytes grey16 = {10, 255, 20, 128, 30, 0, 40, 255}; // grey, attribute
    struct SCase
    {
        const char* name;
        STga tga;
        Bytes rgba; // empty: must fail
        uint32_t format;
    };
    const SCase cases[] = {
        {"16 bits, no attribute bits", {2, 3, 1, 16, 0x20, p16}, {255, 255, 255, 255, 0, 0, 255, 255, 0, 132, 0, 255}, GL_BGR},
        {"16 bits, one attribute bit", {2, 3, 1, 16, 0x21, p16}, {255, 255, 255, 0, 0, 0, 255, 255, 0, 132, 0, 0}, GL_BGRA},
        {"15 bits", {2, 3, 1, 15, 0x21, p16}, {255, 255, 255, 255, 0, 0, 255, 255, 0, 132, 0, 255}, GL_BGR},
        // 32 bits without attribute bits: older writers; the data decides.
        {"32 bits, data", {2, 2, 1, 32, 0x20, p32}, {30, 20, 10, 0x80, 60, 50, 40, 0}, GL_BGRA},
        {"32 bits, zeros", {2, 2, 1, 32, 0x20, p32zero}, {30, 20, 10, 255, 60, 50, 40, 255}, GL_BGR},
        {"32 bits, zeros meant", {2, 2, 1, 32, 0x28, p32zero}, {30, 20, 10, 0, 60, 50, 40, 0}, GL_BGRA},
        // The extension area's attribute type overrides the descriptor.
        {"attribute kept, not used", {2, 2, 1, 32, 0x28, p32, 0, {}, 0, {}, 2}, {30, 20, 10, 255, 60, 50, 40, 255}, GL_BGR},
        {"attribute useful", {2, 2, 1, 32, 0x20, p32zero, 0, {}, 0, {}, 3}, {30, 20, 10, 0, 60, 50, 40, 0}, GL_BGRA},
        {"premultiplied", {2, 1, 1, 32, 0x28, {64, 32, 0, 128}, 0, {}, 0, {}, 4}, {0, 64, 128, 128}, GL_BGRA},
        // Colour maps starting at index 2, after an image ID; 7 is outside and takes entry 2.
        {"map of 24 bits", {1, 4, 1, 8, 0x20, {2, 3, 4, 7}, 24, map24, 2, "id, skipped"},
         {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255}, GL_BGR},
        {"map of 32 bits", {1, 3, 1, 8, 0x20, {2, 3, 4}, 32, {255, 0, 0, 10, 0, 255, 0, 20, 0, 0, 255, 255}, 2},
         {0, 0, 255, 10, 0, 255, 0, 20, 255, 0, 0, 255}, GL_BGRA},
        {"map of 16 bits", {1, 3, 1, 8, 0x21, {0, 1, 2}, 16, {0x1F, 0x80, 0xE0, 0x03, 0x00, 0xFC}},
         {0, 0, 255, 255, 0, 255, 0, 0, 255, 0, 0, 255}, GL_BGRA},
        {"map of 15 bits", {1, 3, 1, 8, 0x21, {0, 1, 2}, 15, {0x1F, 0x80, 0xE0, 0x03, 0x00, 0xFC}},
         {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255}, GL_BGR},
        {"16-bit indices", {1, 3, 1, 16, 0x20, {3, 0, 4, 0, 0, 1}, 24, map24, 2},
         {0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255}, GL_BGR},
        // 2 x 2 grey with attribute in the four origins.
        {"top left", {3, 2, 2, 16, 0x28, grey16}, {10, 10, 10, 255, 20, 20, 20, 128, 30, 30, 30, 0, 40, 40, 40, 255}, GL_BGRA},
        {"top right", {3, 2, 2, 16, 0x38, grey16}, {20, 20, 20, 128, 10, 10, 10, 255, 40, 40, 40, 255, 30, 30, 30, 0}, GL_BGRA},
        {"bottom left", {3, 2, 2, 16, 0x08, grey16}, {30, 30, 30, 0, 40, 40, 40, 255, 10, 10, 10, 255, 20, 20, 20, 128}, GL_BGRA},
        {"bottom right", {3, 2, 2, 16, 0x18, grey16}, {40, 40, 40, 255, 30, 30, 30, 0, 20, 20, 20, 128, 10, 10, 10, 255}, GL_BGRA},
        {"grey without attribute bits", {3, 2, 1, 16, 0x20, {10, 255, 20, 0}}, {10, 10, 10, 255, 20, 20, 20, 255}, GL_BGR},
        // Run length, 3 x 2: a run across the row end, a raw packet, a run longer than what is left.
        {"run length", {11, 3, 2, 8, 0x20, {0x83, 50, 0x00, 60, 0x85, 70}},
         {50, 50, 50, 255, 50, 50, 50, 255, 50, 50, 50, 255, 50, 50, 50, 255, 60, 60, 60, 255, 70, 70, 70, 255}, GL_BGR},
        {"run length ending early", {11, 3, 2, 8, 0x20, {0x83, 50, 0x00}}, {}, 0},
        {"raw data ending early", {2, 2, 1, 24, 0x20, {1, 2, 3, 4, 5}}, {}, 0},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const SDecoded d = Decode(gx::DecodeTga, BuildTga(c.tga));
        ASSERT_EQ(d.ok, !c.rgba.empty());
        EXPECT_EQ(d.rgba, c.rgba);
        EXPECT_EQ(d.format, c.format);
    }
}

TEST(TgaRead, ImpossibleSizesAndLayoutsFailFromTheHeader)
{
    auto ok = [](auto edit) {
        STga t{2, 2, 2, 24, 0x20, Bytes(12, 7)};
        edit(t);
        return Decode(gx::DecodeTga, BuildTga(t)).ok;
    };
    EXPECT_TRUE(ok([](STga&) {}));
    EXPECT_FALSE(ok([](STga& t) { t.width = 0; }));
    EXPECT_FALSE(ok([](STga& t) { t.height = 0; }));
    EXPECT_FALSE(ok([](STga& t) { t.width = t.height = 65535, t.bits = 32; })); // past 1 GiB
    EXPECT_FALSE(ok([](STga& t) { t.width = t.height = 60000; }));
    EXPECT_FALSE(ok([](STga& t) { t.width = t.height = 16384, t.type = 10; })); // too little data
    EXPECT_FALSE(ok([](STga& t) { t.type = 0; }));                              // no image
    EXPECT_FALSE(ok([](STga& t) { t.type = 32; }));                             // Huffman
    EXPECT_FALSE(ok([](STga& t) { t.bits = 12; }));
    EXPECT_FALSE(ok([](STga& t) { t.type = 1, t.bits = 8; })); // colour-mapped without a map
    // An unused map of a kind that is not read is skipped.
    EXPECT_TRUE(ok([](STga& t) { t.mapBits = 8, t.map = {1, 2, 3}; }));
}

TEST(TgaCorpus, ConformanceImagesReadOpaqueWithImageMagicksColours)
{
    // The originator's samples mark their attribute data "keep but do not use" or have none, so
    // all read opaque; ImageMagick ignores the extension area and gives utc16 and utc32 alpha 0.
    const std::string dir = mosvane::test::CorpusDir() + "/tga/conformance/";
    if (!mosvane::test::FileExists(dir) || !mosvane::test::HaveImageMagick())
        GTEST_SKIP() << "no corpus at " << dir << " or no ImageMagick";
    for (const char* name : {"cbw8", "ccm8", "ctc24", "ubw8", "ucm8", "utc16", "utc24", "utc32"})
    {
        SCOPED_TRACE(name);
        const SDecoded d = DecodeFile(gx::DecodeTga, dir + name + ".tga");
        EXPECT_EQ(d.format, GL_BGR);
        uint32_t w = 0, h = 0;
        Bytes theirs;
        ASSERT_TRUE(MagickRgba(dir + name + ".tga", w, h, theirs, true));
        for (size_t i = 3; i < theirs.size(); i += 4)
            theirs[i] = 255;
        EXPECT_EQ(d.rgba, theirs);
    }
}

TEST(TgaCorpus, SmallFilesOfEveryKindMatchTheirPngs)
{
    // Each TGA has a PNG of how it should look, read here through ImageMagick. Fully transparent
    // pixels may differ in colour.
    const std::string dir = mosvane::test::CorpusDir() + "/tga/ftrvxmtrx/";
    if (!mosvane::test::FileExists(dir) || !mosvane::test::HaveImageMagick())
        GTEST_SKIP() << "no corpus at " << dir << " or no ImageMagick";
    for (const char* name :
         {"monochrome16_top_left", "monochrome16_top_left_rle", "monochrome8_bottom_left", "monochrome8_bottom_left_rle",
          "rgb24_bottom_left_rle", "rgb24_top_left", "rgb24_top_left_colormap", "rgb32_bottom_left", "rgb32_top_left_rle",
          "rgb32_top_left_rle_colormap"})
    {
        SCOPED_TRACE(name);
        const SDecoded d = DecodeFile(gx::DecodeTga, dir + name + ".tga");
        uint32_t w = 0, h = 0;
        Bytes expected;
        ASSERT_TRUE(MagickRgba(dir + name + ".png", w, h, expected));
        ASSERT_EQ(d.rgba.size(), expected.size());
        size_t differing = 0;
        for (size_t i = 0; i < expected.size(); i += 4)
            differing += (expected[i + 3] || d.rgba[i + 3]) && std::memcmp(&expected[i], &d.rgba[i], 4) != 0;
        EXPECT_EQ(differing, 0u);
    }
}

TEST_F(TgaMagick, DamagedFilesFailOrDecodeCleanly)
{
    std::vector<Bytes> fixtures;
    for (const SVariant& v : kVariants)
        fixtures.push_back(WriteVariant(v, 8, 6, m_dir.File("damage.tga")));
    // Run-length, 16-bit indices into a 32-bit map, with an extension area.
    fixtures.push_back(BuildTga({9, 4, 3, 16, 0x20, {0x82, 0, 0, 0x02, 1, 0, 0, 0, 1, 0, 0x83, 1, 0, 0x01, 0, 0, 1, 0}, 32,
                                 {1, 2, 3, 4, 5, 6, 7, 8}, 0, {}, 3}));
    for (size_t i = 0; i < fixtures.size(); ++i)
    {
        SCOPED_TRACE("fixture " + std::to_string(i));
        ASSERT_TRUE(Decode(gx::DecodeTga, fixtures[i]).ok);
        ExpectSurvivesDamage(gx::DecodeTga, fixtures[i], 4321 + uint32_t(i));
    }
}
} // namespace
