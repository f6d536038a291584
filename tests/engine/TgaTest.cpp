#include "engine/codecs/Codecs.h"
#include "engine/gx.h"
#include "RasterFileTesting.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace rastertest;
using mosvane::test::CTempDir;
using mosvane::test::HaveImageMagick;
using mosvane::test::MagickWriteRgba;
using mosvane::test::PatternRgba;

namespace
{
// A TGA built field by field: the 18-byte header, the image ID, the colour map and the data.
struct STga
{
    uint8_t type = 2;
    uint16_t width = 1, height = 1;
    uint8_t bits = 24;
    uint8_t descriptor = 0x20; // top-left origin, no attribute bits
    std::string id;
    uint8_t mapType = 0;
    uint16_t mapFirst = 0;
    uint8_t mapBits = 0;
    Bytes map; // stored entries; their count follows from mapBits
    Bytes data;
    Bytes footer;
};

Bytes BuildTga(const STga& t)
{
    const uint16_t mapLength = t.mapBits ? uint16_t(t.map.size() / ((t.mapBits + 7) / 8)) : 0;
    CFileBuilder b;
    b.U8(uint8_t(t.id.size())).U8(t.mapType).U8(t.type);
    b.U16(t.mapFirst).U16(mapLength).U8(t.mapBits);
    b.U16(0).U16(0 /* x and y origin, not read */).U16(t.width).U16(t.height).U8(t.bits).U8(t.descriptor);
    b.Text(t.id.data(), t.id.size()).Raw(t.map).Raw(t.data).Raw(t.footer);
    return b.Get();
}

// A TGA 2.0 extension area of 495 bytes giving the attribute type, and the footer pointing to it.
Bytes ExtensionAndFooter(size_t extensionOffset, uint8_t attributeType)
{
    CFileBuilder b;
    b.U16(495).Zeros(492).U8(attributeType);
    b.U32(uint32_t(extensionOffset)).U32(0 /* no developer area */).Text("TRUEVISION-XFILE.", 18);
    return b.Get();
}

SDecoded DecodeBuilt(const STga& t)
{
    return Decode(gx::DecodeTga, BuildTga(t));
}

struct SMagickTga
{
    const char* options;
    bool alphaSource;
    uint8_t type;
    uint8_t bits;
    uint8_t descriptor;
    uint32_t format;
    int tolerance = 0;
};

// What this ImageMagick writes for each set of options. It writes rows in memory order and sets
// the origin bit from the image's orientation, so "-flip" makes a correct bottom-left file.
const SMagickTga kMagickVariants[] = {
    {"-orient TopLeft", true, 2, 32, 0x28, GL_BGRA},
    {"-orient TopLeft -alpha off", false, 2, 24, 0x20, GL_BGR},
    {"-flip", true, 2, 32, 0x08, GL_BGRA},
    {"-flip -alpha off -compress RLE", false, 10, 24, 0x00, GL_BGR},
    {"-orient TopLeft -compress RLE", true, 10, 32, 0x28, GL_BGRA},
    // This ImageMagick widens 5-bit fields of TGA with truncation (4 reads as 32, not 33).
    {"-orient TopLeft -depth 5", true, 2, 16, 0x21, GL_BGRA, 1},
    {"-flip -depth 5 -alpha off", false, 2, 16, 0x00, GL_BGR, 1},
    {"-orient TopLeft -alpha off -type Palette", false, 1, 8, 0x20, GL_BGR},
    {"-flip -alpha off -type Palette -compress RLE", false, 9, 8, 0x00, GL_BGR},
    {"-orient TopLeft -alpha off -type Grayscale", false, 3, 8, 0x20, GL_BGR},
    {"-flip -alpha off -type Grayscale -compress RLE", false, 11, 8, 0x00, GL_BGR},
};

struct TgaMagick : ::testing::Test
{
    void SetUp() override
    {
        if (!HaveImageMagick())
            GTEST_SKIP() << "ImageMagick is not installed";
    }
    CTempDir m_dir;

    Bytes WriteVariant(const SMagickTga& v, const Bytes& rgba, uint32_t w, uint32_t h, const std::string& path)
    {
        Bytes file;
        EXPECT_TRUE(MagickWriteRgba(rgba, w, h, path, v.options));
        EXPECT_TRUE(mosvane::test::ReadFileBytes(path, file));
        if (file.size() < 18)
            return {};
        EXPECT_EQ(file[2], v.type);
        EXPECT_EQ(file[16], v.bits);
        EXPECT_EQ(file[17], v.descriptor);
        return file;
    }
};

TEST_F(TgaMagick, ReadsEveryVariantImageMagickWritesAsItDoes)
{
    const uint32_t w = 13, h = 7;
    int n = 0;
    for (const SMagickTga& v : kMagickVariants)
    {
        SCOPED_TRACE(v.options);
        const std::string path = m_dir.File("v" + std::to_string(n++) + ".tga");
        if (WriteVariant(v, PatternRgba(w, h, v.alphaSource), w, h, path).empty())
            continue;
        ExpectMatchesMagick(gx::DecodeTga, path, v.tolerance, true);
        EXPECT_EQ(DecodeFile(gx::DecodeTga, path).format, v.format);
    }
}

TEST_F(TgaMagick, TrueColourFilesGiveBackTheSourcePicture)
{
    // Independent of any reader: 24- and 32-bit files in both origins hold the picture exactly.
    const uint32_t w = 6, h = 5;
    for (const char* options : {"-orient TopLeft", "-flip", "-flip -compress RLE", "-orient TopLeft -alpha off"})
    {
        SCOPED_TRACE(options);
        const bool alpha = std::strstr(options, "alpha off") == nullptr;
        const Bytes picture = PatternRgba(w, h, alpha);
        const std::string path = m_dir.File("tc.tga");
        ASSERT_TRUE(MagickWriteRgba(picture, w, h, path, options));
        EXPECT_EQ(DecodeFile(gx::DecodeTga, path).rgba, picture);
    }
}

TEST(TgaRead, SixteenAndFifteenBitPixels)
{
    // Little-endian A RRRRR GGGGG BBBBB: white without the attribute bit, blue with it, and a
    // mid green (16 of 31 widens to 132).
    STga t;
    t.width = 3;
    t.bits = 16;
    t.data = {0xFF, 0x7F, 0x1F, 0x80, 0x00, 0x02};
    SDecoded d = DecodeBuilt(t);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.format, GL_BGR); // no attribute bits in the descriptor: opaque
    EXPECT_EQ(d.rgba, (Bytes{255, 255, 255, 255, 0, 0, 255, 255, 0, 132, 0, 255}));

    t.descriptor = 0x21; // one attribute bit
    d = DecodeBuilt(t);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.format, GL_BGRA);
    EXPECT_EQ(d.rgba, (Bytes{255, 255, 255, 0, 0, 0, 255, 255, 0, 132, 0, 0}));

    t.bits = 15; // the top bit is not an attribute at 15 bits
    d = DecodeBuilt(t);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.format, GL_BGR);
}

TEST(TgaRead, ThirtyTwoBitAlphaFollowsDescriptorOrData)
{
    STga t;
    t.width = 2;
    t.bits = 32;
    t.data = {10, 20, 30, 0x80, 40, 50, 60, 0};
    // No attribute bits, but the fourth bytes hold data: older writers; read as alpha.
    SDecoded d = DecodeBuilt(t);
    EXPECT_EQ(d.format, GL_BGRA);
    EXPECT_EQ(d.rgba, (Bytes{30, 20, 10, 0x80, 60, 50, 40, 0}));
    // No attribute bits and only zeros: opaque.
    t.data = {10, 20, 30, 0, 40, 50, 60, 0};
    d = DecodeBuilt(t);
    EXPECT_EQ(d.format, GL_BGR);
    EXPECT_EQ(d.rgba, (Bytes{30, 20, 10, 255, 60, 50, 40, 255}));
    // Eight attribute bits: the zeros are meant, the pixels are transparent.
    t.descriptor = 0x28;
    d = DecodeBuilt(t);
    EXPECT_EQ(d.format, GL_BGRA);
    EXPECT_EQ(d.rgba, (Bytes{30, 20, 10, 0, 60, 50, 40, 0}));
}

TEST(TgaRead, ExtensionAreaAttributeTypeOverridesTheDescriptor)
{
    STga t;
    t.width = 2;
    t.bits = 32;
    t.descriptor = 0x28;
    t.data = {64, 32, 0, 128, 40, 50, 60, 0};
    const size_t extension = 18 + t.data.size();
    // Type 2: alpha data that is to be kept but not used.
    t.footer = ExtensionAndFooter(extension, 2);
    SDecoded d = DecodeBuilt(t);
    EXPECT_EQ(d.format, GL_BGR);
    EXPECT_EQ(d.rgba, (Bytes{0, 32, 64, 255, 60, 50, 40, 255}));
    // Type 3: useful alpha, even with no attribute bits in the descriptor.
    t.descriptor = 0x20;
    t.footer = ExtensionAndFooter(extension, 3);
    d = DecodeBuilt(t);
    EXPECT_EQ(d.rgba, (Bytes{0, 32, 64, 128, 60, 50, 40, 0}));
    // Type 4: premultiplied; colours are divided back by alpha.
    t.footer = ExtensionAndFooter(extension, 4);
    d = DecodeBuilt(t);
    EXPECT_EQ(d.rgba, (Bytes{0, 64, 128, 128, 60, 50, 40, 0}));
    // A footer whose extension offset points nowhere sensible is ignored.
    t.footer = ExtensionAndFooter(100000, 2);
    d = DecodeBuilt(t);
    EXPECT_EQ(d.format, GL_BGRA);
}

TEST(TgaRead, ColourMapsOfEveryEntrySize)
{
    STga t;
    t.type = 1;
    t.width = 4;
    t.bits = 8;
    t.mapType = 1;
    t.mapFirst = 2; // the map starts at index 2
    t.id = "picture id, skipped";
    t.data = {2, 3, 4, 7}; // 7 is outside the map and takes its first entry

    t.mapBits = 24;
    t.map = {255, 0, 0, /**/ 0, 255, 0, /**/ 0, 0, 255};
    SDecoded d = DecodeBuilt(t);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.format, GL_BGR);
    EXPECT_EQ(d.rgba, (Bytes{0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255}));

    t.mapBits = 32;
    t.map = {255, 0, 0, 10, /**/ 0, 255, 0, 20, /**/ 0, 0, 255, 255};
    d = DecodeBuilt(t);
    EXPECT_EQ(d.format, GL_BGRA); // the entries carry alpha although the descriptor has none
    EXPECT_EQ(d.rgba, (Bytes{0, 0, 255, 10, 0, 255, 0, 20, 255, 0, 0, 255, 0, 0, 255, 10}));

    t.mapBits = 16;
    t.map = {0x1F, 0x80, /**/ 0xE0, 0x03, /**/ 0x00, 0xFC};
    t.descriptor = 0x21;
    d = DecodeBuilt(t);
    EXPECT_EQ(d.format, GL_BGRA);
    EXPECT_EQ(d.rgba, (Bytes{0, 0, 255, 255, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 255}));

    t.mapBits = 15;
    d = DecodeBuilt(t);
    EXPECT_EQ(d.format, GL_BGR);

    // 16-bit indices.
    t.bits = 16;
    t.mapBits = 24;
    t.map = {255, 0, 0, /**/ 0, 255, 0, /**/ 0, 0, 255};
    t.data = {3, 0, 4, 0, 2, 0, 0, 1};
    d = DecodeBuilt(t);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rgba, (Bytes{0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255}));
}

TEST(TgaRead, OriginsRunLengthAndGrey)
{
    // 2 x 2 grey with attribute: stored rows 1 2 / 3 4 (values 10, 20, 30, 40).
    STga t;
    t.type = 3;
    t.width = 2;
    t.height = 2;
    t.bits = 16;
    t.data = {10, 255, 20, 128, 30, 0, 40, 255};
    auto greys = [](const SDecoded& d) {
        Bytes g;
        for (size_t i = 0; i < d.rgba.size(); i += 4)
            g.push_back(d.rgba[i]);
        return g;
    };
    const uint8_t origins[] = {0x28, 0x38, 0x08, 0x18}; // top-left, top-right, bottom-left, bottom-right
    const Bytes expected[] = {{10, 20, 30, 40}, {20, 10, 40, 30}, {30, 40, 10, 20}, {40, 30, 20, 10}};
    for (int i = 0; i < 4; ++i)
    {
        t.descriptor = origins[i];
        const SDecoded d = DecodeBuilt(t);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(greys(d), expected[i]) << int(origins[i]);
    }
    t.descriptor = 0x28;
    EXPECT_EQ(DecodeBuilt(t).rgba, (Bytes{10, 10, 10, 255, 20, 20, 20, 128, 30, 30, 30, 0, 40, 40, 40, 255}));
    t.descriptor = 0x20; // no attribute bits: the high byte is not alpha
    EXPECT_EQ(DecodeBuilt(t).format, GL_BGR);

    // Run-length 8-bit grey, 3 x 2: a run crossing the row end, a raw packet, and a last run
    // that claims more pixels than are left.
    STga r;
    r.type = 11;
    r.width = 3;
    r.height = 2;
    r.bits = 8;
    r.data = {0x83, 50, /**/ 0x00, 60, /**/ 0x85, 70};
    const SDecoded d = DecodeBuilt(r);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(greys(d), (Bytes{50, 50, 50, 50, 60, 70}));
    // A stream that ends early fails.
    r.data = {0x83, 50, 0x00};
    EXPECT_FALSE(DecodeBuilt(r).ok);
}

TEST(TgaRead, MalformedHeadersFail)
{
    auto ok = [](auto edit) {
        STga t;
        t.width = 2;
        t.height = 2;
        t.data.assign(12, 7);
        edit(t);
        return DecodeBuilt(t).ok;
    };
    EXPECT_TRUE(ok([](STga&) {}));
    EXPECT_FALSE(ok([](STga& t) { t.width = 0; }));
    EXPECT_FALSE(ok([](STga& t) { t.height = 0; }));
    EXPECT_FALSE(ok([](STga& t) { t.width = t.height = 65535, t.bits = 32; }));  // past 1 GiB
    EXPECT_FALSE(ok([](STga& t) { t.width = t.height = 60000; }));
    EXPECT_FALSE(ok([](STga& t) { t.width = t.height = 16384, t.type = 10; })); // too little data
    EXPECT_FALSE(ok([](STga& t) { t.type = 0; }));                              // no image
    EXPECT_FALSE(ok([](STga& t) { t.type = 32; }));                             // Huffman
    EXPECT_FALSE(ok([](STga& t) { t.bits = 12; }));
    EXPECT_FALSE(ok([](STga& t) { t.mapType = 2; }));
    EXPECT_FALSE(ok([](STga& t) { t.type = 1, t.bits = 8; })); // colour-mapped without a map
    EXPECT_FALSE(ok([](STga& t) { t.data.pop_back(); }));
    // An unused map of a type that is not read is skipped.
    EXPECT_TRUE(ok([](STga& t) { t.mapType = 1, t.mapBits = 8, t.map = {1, 2, 3}; }));
}

// Writing.

gx::CBitmap BitmapFrom(const Bytes& rgba, uint32_t w, uint32_t h, uint32_t format)
{
    gx::CBitmap bitmap;
    EXPECT_TRUE(bitmap.Allocate(w, h, format));
    gx::ConvertPixels(rgba.data(), GL_RGBA, bitmap.m_pixels.data(), format, size_t(w) * h);
    return bitmap;
}

TEST(TgaWrite, EveryPixelFormatRoundTripsAndImageMagickAgrees)
{
    CTempDir dir;
    const uint32_t w = 7, h = 4;
    for (const uint32_t format : {GL_RGB, GL_RGBA, GL_BGR, GL_BGRA})
    {
        SCOPED_TRACE(format);
        const bool alpha = gx::BytesPerPixel(format) == 4;
        const Bytes source = PatternRgba(w, h, alpha);
        Bytes file;
        ASSERT_TRUE(gx::EncodeTga(BitmapFrom(source, w, h, format), file));
        ASSERT_EQ(file.size(), 18 + w * h * (alpha ? 4 : 3) + 26);
        EXPECT_EQ(file[2], 2);
        EXPECT_EQ(file[16], alpha ? 32 : 24);
        EXPECT_EQ(file[17], alpha ? 0x28 : 0x20);
        EXPECT_EQ(std::memcmp(&file[file.size() - 18], "TRUEVISION-XFILE.", 18), 0);

        const SDecoded d = Decode(gx::DecodeTga, file);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.format, alpha ? GL_BGRA : GL_BGR);
        EXPECT_EQ(d.rgba, source);

        if (HaveImageMagick())
        {
            // Read without applying orientation: the rows are stored top first.
            const std::string path = dir.File("ours.tga");
            WriteFile(path, file);
            uint32_t mw = 0, mh = 0;
            Bytes theirs;
            ASSERT_TRUE(mosvane::test::MagickReadRgba(path, mw, mh, theirs));
            EXPECT_EQ(theirs, source);
        }
    }
}

TEST(TgaWrite, EngineSavesAndLoadsByExtension)
{
    CTempDir dir;
    ASSERT_TRUE(gxInitialize());
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(3, 2, GL_RGB));
    const Bytes rgba = PatternRgba(3, 2, false);
    ASSERT_TRUE(gxSetPixels(0, 0, 3, 2, GL_RGBA, rgba.data()));
    const std::string path = dir.File("saved.tga");
    ASSERT_TRUE(gxSaveImage(path.c_str(), false));
    const GX_IMAGE loaded = gxLoadImage(path.c_str());
    ASSERT_NE(loaded.id, 0u);
    EXPECT_EQ(loaded.format, uint32_t(GL_BGR));
    EXPECT_EQ(loaded.bytesPerPixel, 3);
    const uint8_t* p = gxGetImageBuffer(loaded.id);
    EXPECT_EQ(p[0], rgba[2]);
    EXPECT_EQ(p[2], rgba[0]);
    gxDestroy();
}

// The corpus.

TEST(TgaCorpus, ConformanceImagesReadOpaqueWithImageMagicksColours)
{
    // The originator's samples mark their attribute data as "keep but do not use" (utc16, utc32)
    // or have none, so all read opaque; ImageMagick does not read the extension area and gives
    // utc16 and utc32 alpha 0, so only colours are compared.
    const std::string dir = mosvane::test::CorpusDir() + "/tga/conformance/";
    if (!mosvane::test::FileExists(dir))
        GTEST_SKIP() << "no corpus at " << dir;
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    for (const char* name : {"cbw8", "ccm8", "ctc24", "ubw8", "ucm8", "utc16", "utc24", "utc32"})
    {
        SCOPED_TRACE(name);
        const std::string path = dir + name + ".tga";
        const SDecoded d = DecodeFile(gx::DecodeTga, path);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.format, GL_BGR);
        uint32_t w = 0, h = 0;
        Bytes theirs;
        ASSERT_TRUE(MagickRgba(path, w, h, theirs, true));
        ASSERT_EQ(d.width, w);
        ASSERT_EQ(d.height, h);
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
    if (!mosvane::test::FileExists(dir))
        GTEST_SKIP() << "no corpus at " << dir;
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    for (const char* name :
         {"monochrome16_top_left", "monochrome16_top_left_rle", "monochrome8_bottom_left", "monochrome8_bottom_left_rle",
          "rgb24_bottom_left_rle", "rgb24_top_left", "rgb24_top_left_colormap", "rgb32_bottom_left", "rgb32_top_left_rle",
          "rgb32_top_left_rle_colormap"})
    {
        SCOPED_TRACE(name);
        const SDecoded d = DecodeFile(gx::DecodeTga, dir + name + ".tga");
        ASSERT_TRUE(d.ok);
        uint32_t w = 0, h = 0;
        Bytes expected;
        ASSERT_TRUE(MagickRgba(dir + name + ".png", w, h, expected));
        ASSERT_EQ(d.width, w);
        ASSERT_EQ(d.height, h);
        size_t differing = 0;
        for (size_t i = 0; i < expected.size(); i += 4)
            if (!(expected[i + 3] == 0 && d.rgba[i + 3] == 0) && std::memcmp(&expected[i], &d.rgba[i], 4) != 0)
                ++differing;
        EXPECT_EQ(differing, 0u);
    }
}

// Damage.

TEST_F(TgaMagick, DamagedFilesFailOrDecodeCleanly)
{
    std::vector<Bytes> fixtures;
    int n = 0;
    for (const SMagickTga& v : kMagickVariants)
        fixtures.push_back(WriteVariant(v, PatternRgba(8, 6, v.alphaSource), 8, 6, m_dir.File("d" + std::to_string(n++) + ".tga")));
    STga mapped;
    mapped.type = 9;
    mapped.width = 4;
    mapped.height = 3;
    mapped.bits = 16;
    mapped.mapType = 1;
    mapped.mapBits = 32;
    mapped.map = {1, 2, 3, 4, 5, 6, 7, 8};
    mapped.data = {0x82, 0, 0, 0x02, 1, 0, 0, 0, 1, 0, 0x83, 1, 0, 0x01, 0, 0, 1, 0};
    mapped.footer = ExtensionAndFooter(18 + 8 + mapped.data.size(), 3);
    fixtures.push_back(BuildTga(mapped));
    for (size_t i = 0; i < fixtures.size(); ++i)
    {
        SCOPED_TRACE("fixture " + std::to_string(i));
        ASSERT_TRUE(Decode(gx::DecodeTga, fixtures[i]).ok);
        ExpectCleanCuts(gx::DecodeTga, fixtures[i]);
        ExpectCleanMutations(gx::DecodeTga, fixtures[i], 300, 4321 + uint32_t(i));
    }
}
} // namespace
