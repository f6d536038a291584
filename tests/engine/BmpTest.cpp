#include "engine/codecs/Codecs.h"
#include "RasterFileTesting.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>

using namespace rastertest;
using mosvane::test::MagickWriteRgba;
using mosvane::test::PatternRgba;

namespace
{
using BmpMagick = MagickTest;

// Flat stripes three pixels wide, so that run-length writers make runs; more than sixteen
// colours from 8 x 6 on, so that palette writers choose 8 bits.
Bytes StripesRgba(uint32_t width, uint32_t height)
{
    Bytes rgba;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
        {
            const uint32_t k = x / 3 + 4 * y;
            rgba.insert(rgba.end(), {uint8_t(k * 60), uint8_t(255 - k * 35), uint8_t((k & 1) * 200), 255});
        }
    return rgba;
}

// "header-size bits compression" of a BMP file.
std::string Describe(const Bytes& f)
{
    if (f.size() < 34)
        return "short";
    const uint32_t hs = Le32At(f, 14);
    if (hs == 12)
        return "12 " + std::to_string(f[24]);
    return std::to_string(hs) + " " + std::to_string(f[28]) + " " + std::to_string(Le32At(f, 30));
}

// This ImageMagick widens 4-bit fields and 1-bit alpha by shifting alone (0xF reads as 0xF0, an
// opaque 1-bit alpha as 0x80); its decode is brought to full range before comparing.
enum class EQuirk
{
    None,
    NibbleFields,
    OneBitAlpha,
};

struct SVariant
{
    const char* options;
    bool alpha;
    const char* layout; // as Describe gives it, so that each case stays the variant meant
    uint32_t format;
    EQuirk quirk = EQuirk::None;
};

const SVariant kVariants[] = {
    {"-alpha off -define bmp:format=bmp3", false, "40 24 0", GL_BGR},
    {"-alpha off", false, "124 24 0", GL_BGR},
    {"-alpha off -type Grayscale", false, "108 24 0", GL_BGR},
    {"", true, "124 32 3", GL_BGRA},
    {"-alpha off -define bmp:format=bmp2", false, "12 24", GL_BGR},
    {"-alpha off -type Palette -define bmp:format=bmp2", false, "12 8", GL_BGR},
    {"-alpha off -colors 16 -define bmp:format=bmp2", false, "12 4", GL_BGR},
    {"-alpha off -colors 2 -define bmp:format=bmp2", false, "12 1", GL_BGR},
    {"-alpha off -colors 2", false, "124 1 0", GL_BGR},
    {"-alpha off -colors 16 -define bmp:format=bmp3", false, "40 4 0", GL_BGR},
    {"-alpha off -type Palette -compress None", false, "124 8 0", GL_BGR},
    {"-alpha off -type Palette -define bmp:format=bmp3", false, "40 8 1", GL_BGR},
    {"-alpha off -type Palette", false, "124 8 1", GL_BGR},
    {"-alpha off -define bmp:subtype=RGB565", false, "124 16 3", GL_BGR},
    {"-alpha off -define bmp:subtype=RGB555", false, "124 16 3", GL_BGR},
    {"-define bmp:subtype=ARGB4444", true, "124 16 3", GL_BGRA, EQuirk::NibbleFields},
    {"-define bmp:subtype=ARGB1555", true, "124 16 3", GL_BGRA, EQuirk::OneBitAlpha},
};

TEST_F(BmpMagick, ReadsEveryVariantImageMagickWritesAsItDoes)
{
    const uint32_t w = 13, h = 7; // odd width: every row is padded
    int n = 0;
    for (const SVariant& v : kVariants)
        for (const Bytes& picture : {PatternRgba(w, h, v.alpha), StripesRgba(w, h)})
        {
            SCOPED_TRACE(v.options);
            const std::string path = m_dir.File(std::to_string(n++) + ".bmp");
            Bytes file, theirs;
            ASSERT_TRUE(MagickWriteRgba(picture, w, h, path, v.options));
            ASSERT_TRUE(mosvane::test::ReadFileBytes(path, file));
            EXPECT_EQ(Describe(file), v.layout);
            const SDecoded ours = Decode(gx::DecodeBmp, file);
            EXPECT_EQ(ours.format, v.format);
            uint32_t mw = 0, mh = 0;
            ASSERT_TRUE(MagickRgba(path, mw, mh, theirs));
            EXPECT_EQ(ours.width, mw);
            EXPECT_EQ(ours.height, mh);
            for (size_t i = 0; i < theirs.size(); ++i)
                if (v.quirk == EQuirk::NibbleFields)
                    theirs[i] = uint8_t((theirs[i] & 0xF0) | (theirs[i] >> 4));
                else if (v.quirk == EQuirk::OneBitAlpha && i % 4 == 3)
                    theirs[i] = theirs[i] ? 255 : 0;
            EXPECT_EQ(ours.rgba, theirs);

            if (v.layout == std::string("40 24 0") || v.layout == std::string("124 32 3"))
            {
                // The same rows stored top first under a negative height read the same.
                const uint32_t offset = Le32At(file, 10);
                const size_t stride = (file.size() - offset) / h;
                Bytes topDown(file.begin(), file.begin() + offset);
                for (uint32_t r = h; r-- > 0;)
                    topDown.insert(topDown.end(), file.begin() + offset + r * stride, file.begin() + offset + (r + 1) * stride);
                for (int i = 0; i < 4; ++i)
                    topDown[22 + i] = uint8_t(uint32_t(-int32_t(h)) >> (8 * i));
                EXPECT_EQ(Decode(gx::DecodeBmp, topDown).rgba, ours.rgba);
            }
        }
}

// A BMP with a Windows header of 40 bytes or more. Masks go into the header when it has room
// for them, else after a 40-byte header.
struct SBmp
{
    int32_t width = 1, height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    Bytes pixels;
    Bytes palette = {};       // B, G, R, 0 an entry
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> masks = {};
    uint32_t headerSize = 40;
    bool zeroPixelOffset = false;
};

Bytes BuildBmp(const SBmp& s)
{
    CFileBuilder b;
    b.Text("BM", 2).U32(0 /* file size */).U32(0).U32(0 /* pixel offset */);
    b.U32(s.headerSize).U32(uint32_t(s.width)).U32(uint32_t(s.height)).U16(1 /* planes */).U16(s.bits);
    b.U32(s.compression).U32(uint32_t(s.pixels.size())).U32(2835).U32(2835).U32(s.colorsUsed).U32(0);
    for (size_t i = 0; i < s.masks.size() && (s.headerSize == 40 || 40 + i * 4 < s.headerSize); ++i)
        b.U32(s.masks[i]);
    if (s.headerSize > 40)
        b.Zeros(14 + s.headerSize - b.m_bytes.size());
    b.Raw(s.palette);
    const size_t offset = b.m_bytes.size();
    b.Raw(s.pixels);
    b.Patch32(2, uint32_t(b.m_bytes.size()));
    b.Patch32(10, s.zeroPixelOffset ? 0 : uint32_t(offset));
    return b.m_bytes;
}

// Entries 0 to 4: black, red, green, blue, yellow.
const Bytes kPalette = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 255, 0};
const Bytes kPalette4(kPalette.begin(), kPalette.begin() + 16);

Bytes Indexed(std::initializer_list<int> indices)
{
    static const uint8_t rgb[5][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    Bytes rgba;
    for (int i : indices)
        rgba.insert(rgba.end(), {rgb[i][0], rgb[i][1], rgb[i][2], 255});
    return rgba;
}

TEST(BmpRead, HandBuiltVariants)
{
    // OS/2 1.x core header: 16-bit sizes, 3-byte palette entries; 1 bit, indices 0 1 0.
    CFileBuilder core;
    core.Text("BM", 2).U32(0).U32(0).U32(14 + 12 + 6).U32(12).U16(3).U16(1).U16(1).U16(1);
    core.Raw({0, 0, 255, 255, 0, 0}).Raw({0b01000000, 0, 0, 0});
    const uint32_t wide = (2u << 30) | (1023u << 20) | (512u << 10); // 2:10:10:10
    struct SCase
    {
        const char* name;
        Bytes file;
        Bytes rgba; // empty: must fail
        uint32_t format = GL_BGR;
    };
    const SCase cases[] = {
        {"os2 core", core.m_bytes, {255, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0, 255}},
        {"os2 2.x, 2 bits", BuildBmp({5, 1, 2, 0, {0b00011011, 0b01000000, 0, 0}, kPalette4, 0, {}, 64}),
         Indexed({0, 1, 2, 3, 1})},
        {"os2 2.x huffman", BuildBmp({8, 1, 1, 3, {0, 0, 0, 0}, kPalette4, 0, {}, 64}), {}},
        // RLE4, bottom-up 6 x 4.
        {"rle4",
         BuildBmp({6, 4, 4, 2,
                   {
                       0x05, 0x12,             // bottom row: five of 1, 2 alternating
                       0x00, 0x00,             // end of line; the sixth pixel keeps entry 0
                       0x00, 0x03, 0x31, 0x20, // literal 3, 1, 2 (two bytes, already even)
                       0x04, 0x33,             // four 3s from column 3: cut at the row end
                       0x00, 0x00,             // end of line
                       0x00, 0x02, 0x02, 0x01, // delta two right, one up: a row left at entry 0
                       0x02, 0x11,             // two 1s at columns 2 and 3 of the top row
                       0x00, 0x01,             // end of bitmap
                   },
                   kPalette}),
         Indexed({0, 0, 1, 1, 0, 0, /**/ 0, 0, 0, 0, 0, 0, /**/ 3, 1, 2, 3, 3, 3, /**/ 1, 2, 1, 2, 1, 0})},
        // RLE8, top-down 5 x 3, the stream ending without end of line or of bitmap.
        {"rle8 unfinished",
         BuildBmp({5, -3, 8, 1,
                   {
                       0x00, 0x03, 1, 2, 3, 0x00,  // literal of three, padded to even
                       0x03, 0x04,                 // three 4s from column 3: cut to two
                       0x00, 0x00,                 // end of line
                       0x00, 0x06, 1, 1, 2, 2, 3, 3 // literal of six: the sixth passes the row end
                   },
                   kPalette}),
         Indexed({1, 2, 3, 4, 4, /**/ 1, 1, 2, 2, 3, /**/ 0, 0, 0, 0, 0})},
        {"rle8 delta out of the image",
         BuildBmp({5, 2, 8, 1, {0x02, 0x01, 0x00, 0x02, 0x00, 0x05, 0x02, 0x02}, kPalette}),
         Indexed({0, 0, 0, 0, 0, /**/ 1, 1, 0, 0, 0})},
        {"index beyond the palette", BuildBmp({4, 1, 8, 0, {1, 9, 3, 2}, kPalette4, 4}), Indexed({1, 0, 3, 2})},
        {"pixel offset 0", BuildBmp({2, 1, 8, 0, {3, 2, 0, 0}, kPalette4, 4, {}, 40, true}), Indexed({3, 2})},
        {"alpha bit fields, 2:10:10:10",
         BuildBmp({1, 1, 32, 6, {uint8_t(wide), uint8_t(wide >> 8), uint8_t(wide >> 16), uint8_t(wide >> 24)}, {}, 0,
                   {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}}),
         {255, 128, 0, 170}, GL_BGRA},
        {"bit fields after the header",
         BuildBmp({2, 1, 32, 3, {10, 20, 30, 0, 40, 50, 60, 0}, {}, 0, {0x000000FF, 0x0000FF00, 0x00FF0000}}),
         {10, 20, 30, 255, 40, 50, 60, 255}},
        {"alpha mask finding zeros", // the writer said alpha: transparent, as ImageMagick reads it
         BuildBmp({2, 1, 32, 3, {10, 20, 30, 0, 40, 50, 60, 0}, {}, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 124}),
         {30, 20, 10, 0, 60, 50, 40, 0}, GL_BGRA},
        // 32-bit BI_RGB: the fourth byte is alpha once any is set (ImageMagick agrees for the
        // 40-byte header; it reads larger headers opaque), and all zeros mean opaque.
        {"rgb32 with alpha", BuildBmp({2, 1, 32, 0, {10, 20, 30, 0x80, 40, 50, 60, 0}}),
         {30, 20, 10, 0x80, 60, 50, 40, 0}, GL_BGRA},
        {"rgb32 v5 with alpha", BuildBmp({2, 1, 32, 0, {10, 20, 30, 0x80, 40, 50, 60, 0}, {}, 0, {}, 124}),
         {30, 20, 10, 0x80, 60, 50, 40, 0}, GL_BGRA},
        {"rgb32 all zero", BuildBmp({2, 1, 32, 0, {10, 20, 30, 0, 40, 50, 60, 0}}), {30, 20, 10, 255, 60, 50, 40, 255}},
        {"last row without padding", BuildBmp({1, 2, 24, 0, {1, 2, 3, 0, 4, 5, 6}}), {6, 5, 4, 255, 3, 2, 1, 255}},
        {"last row short", BuildBmp({1, 2, 24, 0, {1, 2, 3, 0, 4, 5}}), {}},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const SDecoded d = Decode(gx::DecodeBmp, c.file);
        ASSERT_EQ(d.ok, !c.rgba.empty());
        EXPECT_EQ(d.rgba, c.rgba);
        if (d.ok)
        {
            EXPECT_EQ(d.format, c.format);
        }
    }
}

TEST(BmpRead, ImpossibleSizesAndLayoutsFailFromTheHeader)
{
    auto ok = [](int32_t w, int32_t h, uint16_t bits, uint32_t compression) {
        return Decode(gx::DecodeBmp, BuildBmp({w, h, bits, compression, Bytes(64, 0x11)})).ok;
    };
    EXPECT_TRUE(ok(4, 4, 24, 0));
    EXPECT_FALSE(ok(65536, 1, 24, 0));
    EXPECT_FALSE(ok(1, -65536, 24, 0));
    EXPECT_FALSE(ok(60000, 60000, 24, 0));
    EXPECT_FALSE(ok(60000, 60000, 8, 1));   // run-length: no data check could stop it
    EXPECT_FALSE(ok(65535, 5462, 24, 0));   // just past 1 GiB
    EXPECT_FALSE(ok(16384, 16384, 32, 0));  // allowed, but the file does not hold the pixels
    EXPECT_FALSE(ok(0, 5, 24, 0));
    EXPECT_FALSE(ok(5, 0, 24, 0));
    EXPECT_FALSE(ok(-5, 5, 24, 0));
    EXPECT_FALSE(ok(5, INT32_MIN, 24, 0));
    EXPECT_FALSE(ok(2, 2, 7, 0));
    EXPECT_FALSE(ok(2, 2, 24, 1)); // RLE8 of 24 bits
    EXPECT_FALSE(ok(2, 2, 8, 4));  // embedded JPEG
}

// The PngSuite converted to 32-bit BMP by another program, against the expected pixels of the
// PNG files. The converter keeps 8-bit pixels exactly; 16-bit files without a reduced copy of the
// expected pixels it reduced by its own rounding (within one level); and it does not keep the
// colour of fully transparent pixels.
Bytes ReadExpectedPixels(const std::string& path)
{
    std::ifstream in(path);
    std::vector<uint32_t> values;
    std::string token;
    while (std::getline(in, token, ','))
    {
        token.erase(std::remove_if(token.begin(), token.end(), [](char c) { return c < '0' || c > '9'; }), token.end());
        if (!token.empty())
            values.push_back(uint32_t(std::stoul(token)));
    }
    const bool sixteen = std::any_of(values.begin(), values.end(), [](uint32_t v) { return v > 255; });
    Bytes bytes;
    for (uint32_t v : values)
        bytes.push_back(uint8_t(sixteen ? (v * 255 + 32767) / 65535 : v));
    return bytes;
}

TEST(BmpCorpus, PngSuiteConversionsMatchTheExpectedPixels)
{
    const std::string root = mosvane::test::CorpusDir() + "/pngsuite/";
    DIR* dir = ::opendir((root + "bmp").c_str());
    if (!dir)
        GTEST_SKIP() << "no corpus at " << root;
    int compared = 0;
    while (const dirent* e = ::readdir(dir))
    {
        const std::string file = e->d_name;
        if (file.size() < 5 || file.substr(file.size() - 4) != ".bmp")
            continue;
        const std::string name = file.substr(0, file.size() - 4);
        SCOPED_TRACE(name);
        const SDecoded d = DecodeFile(gx::DecodeBmp, root + "bmp/" + file);
        ASSERT_TRUE(d.ok);
        const bool reduced = mosvane::test::FileExists(root + "json/" + name + "_to8.json");
        const Bytes expected = ReadExpectedPixels(root + "json/" + name + (reduced ? "_to8.json" : ".json"));
        ASSERT_EQ(expected.size(), d.rgba.size());
        int worst = 0;
        for (size_t i = 0; i < expected.size(); i += 4)
            for (size_t c = 0; c < 4 && (expected[i + 3] || d.rgba[i + 3]); ++c)
                worst = std::max(worst, std::abs(int(expected[i + c]) - int(d.rgba[i + c])));
        EXPECT_LE(worst, name.substr(name.size() - 2) == "16" && !reduced ? 1 : 0);
        ++compared;
    }
    ::closedir(dir);
    EXPECT_GT(compared, 100);
}

TEST_F(BmpMagick, DamagedFilesFailOrDecodeCleanly)
{
    std::vector<Bytes> fixtures;
    for (const SVariant& v : kVariants)
    {
        const std::string path = m_dir.File("damage.bmp");
        fixtures.emplace_back();
        ASSERT_TRUE(MagickWriteRgba(StripesRgba(8, 6), 8, 6, path, v.options));
        ASSERT_TRUE(mosvane::test::ReadFileBytes(path, fixtures.back()));
    }
    fixtures.push_back(BuildBmp({6, 2, 4, 2, {0x05, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 2, 1, 0, 2, 0x11, 0, 1}, kPalette}));
    fixtures.push_back(BuildBmp({2, 1, 32, 6, {1, 2, 3, 4, 5, 6, 7, 8}, {}, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}}));
    for (size_t i = 0; i < fixtures.size(); ++i)
    {
        SCOPED_TRACE("fixture " + std::to_string(i));
        ASSERT_TRUE(Decode(gx::DecodeBmp, fixtures[i]).ok);
        ExpectSurvivesDamage(gx::DecodeBmp, fixtures[i], 1234 + uint32_t(i));
    }
}
} // namespace
