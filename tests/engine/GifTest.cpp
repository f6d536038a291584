#include "CodecTestSupport.h"
#include "engine/codecs/Codecs.h"

#include <gtest/gtest.h>

using namespace mosvane::test;

namespace
{
constexpr uint32_t kW = 16, kH = 12;

// Opaque pattern, or one whose alpha is only 0 and 255 (what a GIF can hold).
std::vector<uint8_t> Picture(bool transparent)
{
    std::vector<uint8_t> rgba = PatternRgba(kW, kH, transparent);
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = rgba[i] < 200 ? 0 : 255;
    return rgba;
}

// LZW data of 2-bit indices without any compression: a clear code before every pair of
// literals keeps the dictionary below 8 entries, so every code stays 3 bits wide.
std::vector<uint8_t> LiteralLzw(const std::vector<uint8_t>& indices)
{
    std::vector<int> codes;
    for (size_t i = 0; i < indices.size(); ++i)
    {
        if (i % 2 == 0)
            codes.push_back(4); // clear
        codes.push_back(indices[i]);
    }
    codes.push_back(5); // end of information
    std::vector<uint8_t> bytes;
    uint32_t bits = 0, count = 0;
    for (int code : codes)
    {
        bits |= uint32_t(code) << count;
        count += 3;
        for (; count >= 8; count -= 8, bits >>= 8)
            bytes.push_back(uint8_t(bits));
    }
    if (count > 0)
        bytes.push_back(uint8_t(bits));
    return bytes;
}

struct SGifSpec
{
    uint16_t screenWidth, screenHeight;
    uint16_t left, top, width, height;
    bool interlaced = false;
    int transparent = -1;  // palette index, or none
    bool colourTable = true; // a global table of four colours
    std::vector<uint8_t> indices = {};
};

const uint8_t kPalette[4][3] = {{10, 20, 30}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}};

std::vector<uint8_t> CraftedGif(const SGifSpec& s)
{
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&](uint16_t v) { gif.insert(gif.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    put16(s.screenWidth);
    put16(s.screenHeight);
    gif.push_back(s.colourTable ? 0x81 : 0x00); // global table present, 2^(1+1) entries
    gif.push_back(0);                           // background colour index
    gif.push_back(0);                           // no aspect ratio
    if (s.colourTable)
        for (const auto& c : kPalette)
            gif.insert(gif.end(), c, c + 3);
    if (s.transparent >= 0)
    {
        // Graphic control extension: 4 bytes, transparency flag, no delay, the index, terminator.
        gif.insert(gif.end(), {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, uint8_t(s.transparent), 0x00});
    }
    gif.push_back(0x2C); // image descriptor
    put16(s.left);
    put16(s.top);
    put16(s.width);
    put16(s.height);
    gif.push_back(s.interlaced ? 0x40 : 0x00); // no local table
    gif.push_back(2);                          // LZW minimum code size
    const std::vector<uint8_t> lzw = LiteralLzw(s.indices);
    for (size_t i = 0; i < lzw.size(); i += 255)
    {
        const size_t n = std::min<size_t>(255, lzw.size() - i);
        gif.push_back(uint8_t(n));
        gif.insert(gif.end(), lzw.begin() + long(i), lzw.begin() + long(i + n));
    }
    gif.push_back(0);    // end of the image data
    gif.push_back(0x3B); // trailer
    return gif;
}

std::vector<uint8_t> Pixel(int index, uint8_t alpha)
{
    return {kPalette[index][0], kPalette[index][1], kPalette[index][2], alpha};
}

std::vector<uint8_t> PixelAt(const gx::CBitmap& bitmap, uint32_t x, uint32_t y)
{
    const std::vector<uint8_t> rgba = ToRgba(bitmap);
    const size_t i = (size_t(y) * bitmap.m_nWidth + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}
} // namespace

TEST(GifDecode, MatchesImageMagick)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    struct SCase
    {
        bool transparent;
        const char* options;
        uint32_t format;
    };
    const SCase cases[] = {
        {false, "", GL_RGB},
        {true, "", GL_RGBA},
        {true, "-interlace GIF", GL_RGBA},
    };
    CTempDir dir;
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(std::string(c.options) + (c.transparent ? " transparent" : ""));
        const std::string path = dir.File("fixture.gif");
        ASSERT_TRUE(MagickWriteRgba(Picture(c.transparent), kW, kH, path, c.options));
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadFileBytes(path, file));
        gx::CBitmap ours;
        ASSERT_TRUE(gx::DecodeGif(file, ours));
        EXPECT_EQ(ours.m_nFormat, c.format);
        uint32_t w = 0, h = 0;
        std::vector<uint8_t> magick;
        ASSERT_TRUE(MagickReadRgba(path, w, h, magick));
        ASSERT_EQ(ours.m_nWidth, w);
        ASSERT_EQ(ours.m_nHeight, h);
        EXPECT_EQ(MaxDifference(ToRgba(ours), magick), 0);
        DecodeEveryPrefix(file, gx::DecodeGif);
    }
}

TEST(GifDecode, FramePlacedOnItsScreen)
{
    // A 3 x 2 frame at (2, 1) of a 6 x 4 screen, index 1 transparent.
    SGifSpec spec{6, 4, 2, 1, 3, 2};
    spec.transparent = 1;
    spec.indices = {0, 1, 2, 3, 2, 1};
    gx::CBitmap out;
    ASSERT_TRUE(gx::DecodeGif(CraftedGif(spec), out));
    EXPECT_EQ(out.m_nFormat, GL_RGBA);
    ASSERT_EQ(out.m_nWidth, 6u);
    ASSERT_EQ(out.m_nHeight, 4u);
    EXPECT_EQ(PixelAt(out, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0})); // outside the frame
    EXPECT_EQ(PixelAt(out, 2, 1), Pixel(0, 255));
    EXPECT_EQ(PixelAt(out, 3, 1), Pixel(1, 0));
    EXPECT_EQ(PixelAt(out, 2, 2), Pixel(3, 255));
    EXPECT_EQ(PixelAt(out, 4, 2), Pixel(1, 0));
    EXPECT_EQ(PixelAt(out, 5, 3), (std::vector<uint8_t>{0, 0, 0, 0}));

    // A screen of no size takes the frame's extent; an opaque frame covering it reads as RGB.
    SGifSpec bare{0, 0, 0, 0, 3, 2};
    bare.indices = spec.indices;
    ASSERT_TRUE(gx::DecodeGif(CraftedGif(bare), out));
    EXPECT_EQ(out.m_nFormat, GL_RGB);
    EXPECT_EQ(out.m_nWidth, 3u);
    EXPECT_EQ(PixelAt(out, 1, 0), Pixel(1, 255));
}

TEST(GifDecode, InterlacedRowsLandInPassOrder)
{
    // Ten rows stored as passes: rows 0, 8; 4; 2, 6; 1, 3, 5, 7, 9.
    SGifSpec spec{1, 10, 0, 0, 1, 10};
    spec.interlaced = true;
    const int storedRows[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    for (int row : storedRows)
        spec.indices.push_back(uint8_t(row % 4));
    gx::CBitmap out;
    ASSERT_TRUE(gx::DecodeGif(CraftedGif(spec), out));
    for (uint32_t y = 0; y < 10; ++y)
        EXPECT_EQ(PixelAt(out, 0, y), Pixel(int(y % 4), 255)) << "row " << y;
}

TEST(GifDecode, MalformedFilesFailCleanly)
{
    SGifSpec good{4, 2, 0, 0, 4, 2};
    good.indices = {0, 1, 2, 3, 3, 2, 1, 0};
    gx::CBitmap out;
    ASSERT_TRUE(gx::DecodeGif(CraftedGif(good), out));
    // Only the complete pixel data decodes; the end-of-data block and the trailer may be missing.
    EXPECT_LE(DecodeEveryPrefix(CraftedGif(good), gx::DecodeGif), 2);

    SGifSpec noTable = good;
    noTable.colourTable = false;
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(noTable), out));

    SGifSpec tooFewPixels = good;
    tooFewPixels.indices.resize(5);
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(tooFewPixels), out));

    SGifSpec huge = good;
    huge.screenWidth = huge.screenHeight = 60000;
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(huge), out));

    SGifSpec offEdge = good; // placed so that the screen would need 65536 columns
    offEdge.left = 65533;
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(offEdge), out));

    SGifSpec empty = good;
    empty.width = 0;
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(empty), out));
    EXPECT_TRUE(out.Empty());
}
