#include "CodecTestSupport.h"
#include "engine/codecs/Codecs.h"

#include <gtest/gtest.h>

using namespace mosvane::test;

namespace
{
const uint8_t kPalette[4][3] = {{10, 20, 30}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}};

struct SGifLayout
{
    uint16_t screenWidth, screenHeight, left, top, width, height;
    std::vector<uint8_t> indices;  // 2-bit
    int transparent = -1;          // palette index, or none
    bool colourTable = true;       // the global table of kPalette
};

// A GIF built byte by byte. Its LZW data is uncompressed: a clear code before every pair of
// literals keeps the dictionary below 8 entries, so every code is 3 bits wide.
std::vector<uint8_t> CraftedGif(const SGifLayout& s)
{
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&](uint16_t v) { gif.insert(gif.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    put16(s.screenWidth);
    put16(s.screenHeight);
    gif.insert(gif.end(), {uint8_t(s.colourTable ? 0x81 : 0), 0, 0}); // table of 4, background 0, no aspect
    for (int i = 0; s.colourTable && i < 4; ++i)
        gif.insert(gif.end(), kPalette[i], kPalette[i] + 3);
    if (s.transparent >= 0) // graphic control: 4 bytes, transparency flag, no delay, index, end
        gif.insert(gif.end(), {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, uint8_t(s.transparent), 0x00});
    gif.push_back(0x2C); // image descriptor
    for (uint16_t v : {s.left, s.top, s.width, s.height})
        put16(v);
    gif.insert(gif.end(), {0x00, 2}); // not interlaced, no local table; LZW code size 2
    std::vector<uint8_t> lzw;
    uint32_t bits = 0, count = 0;
    auto code = [&](uint32_t c) {
        for (bits |= c << count, count += 3; count >= 8; count -= 8, bits >>= 8)
            lzw.push_back(uint8_t(bits));
    };
    for (size_t i = 0; i < s.indices.size(); ++i)
    {
        if (i % 2 == 0)
            code(4); // clear
        code(s.indices[i]);
    }
    code(5); // end of information
    if (count > 0)
        lzw.push_back(uint8_t(bits));
    gif.push_back(uint8_t(lzw.size())); // one sub-block (the tests stay under 255 bytes)
    gif.insert(gif.end(), lzw.begin(), lzw.end());
    gif.insert(gif.end(), {0x00, 0x3B}); // end of image data, trailer
    return gif;
}

std::vector<uint8_t> Pixel(int index, uint8_t alpha)
{
    return {kPalette[index][0], kPalette[index][1], kPalette[index][2], alpha};
}

std::vector<uint8_t> PixelAt(const gx::CBitmap& bitmap, uint32_t x, uint32_t y)
{
    const std::vector<uint8_t> rgba = ToRgba(bitmap);
    const auto p = rgba.begin() + long((size_t(y) * bitmap.m_nWidth + x) * 4);
    return {p, p + 4};
}
} // namespace

TEST(GifDecode, MatchesImageMagickAndSurvivesCuts)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    const struct
    {
        bool transparent;
        const char* options;
        uint32_t format;
    } cases[] = {{false, "", GL_RGB}, {true, "", GL_RGBA}, {true, "-interlace GIF", GL_RGBA}};
    CTempDir dir;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.options) + (c.transparent ? " transparent" : ""));
        std::vector<uint8_t> rgba = PatternRgba(16, 12, c.transparent);
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = rgba[i] < 200 ? 0 : 255; // a GIF holds only full transparency
        const std::vector<uint8_t> file = MagickFixture(rgba, 16, 12, dir.File("f.gif"), c.options);
        ExpectSameAsMagick(dir.File("f.gif"), gx::DecodeGif, c.format);
        DecodeEveryPrefix(file, gx::DecodeGif);
    }
}

TEST(GifDecode, CraftedFilesPlaceTheFrameOrFailCleanly)
{
    // A 3 x 2 frame at (2, 1) of a 6 x 4 screen, index 1 transparent; the rest of the screen is
    // transparent black.
    gx::CBitmap out;
    ASSERT_TRUE(gx::DecodeGif(CraftedGif({6, 4, 2, 1, 3, 2, {0, 1, 2, 3, 2, 1}, 1}), out));
    EXPECT_EQ(out.m_nFormat, GL_RGBA);
    ASSERT_EQ(std::make_pair(out.m_nWidth, out.m_nHeight), std::make_pair(6u, 4u));
    EXPECT_EQ(PixelAt(out, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(PixelAt(out, 2, 1), Pixel(0, 255));
    EXPECT_EQ(PixelAt(out, 3, 1), Pixel(1, 0));
    EXPECT_EQ(PixelAt(out, 2, 2), Pixel(3, 255));
    EXPECT_EQ(PixelAt(out, 5, 3), (std::vector<uint8_t>{0, 0, 0, 0}));

    // A screen of no size takes the frame's extent; an opaque frame covering it reads as RGB.
    ASSERT_TRUE(gx::DecodeGif(CraftedGif({0, 0, 0, 0, 3, 2, {0, 1, 2, 3, 2, 1}}), out));
    EXPECT_EQ(out.m_nFormat, GL_RGB);
    EXPECT_EQ(out.m_nWidth, 3u);
    EXPECT_EQ(PixelAt(out, 1, 0), Pixel(1, 255));

    const SGifLayout good{4, 2, 0, 0, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0}};
    ASSERT_TRUE(gx::DecodeGif(CraftedGif(good), out));
    // Only complete pixel data decodes; the end-of-data block and the trailer may be missing.
    EXPECT_LE(DecodeEveryPrefix(CraftedGif(good), gx::DecodeGif), 2);
    SGifLayout bad = good;
    bad.colourTable = false;
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(bad), out));
    bad = good;
    bad.indices.resize(5);
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(bad), out));
    bad = good;
    bad.screenWidth = bad.screenHeight = 60000;
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(bad), out));
    bad = good;
    bad.left = 65533; // the screen would need 65537 columns
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(bad), out));
    bad = good;
    bad.width = 0;
    EXPECT_FALSE(gx::DecodeGif(CraftedGif(bad), out));
    EXPECT_TRUE(out.Empty());
}
