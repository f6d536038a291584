#include "engine/gx.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
struct ImageStore : ::testing::Test
{
    void SetUp() override { ASSERT_TRUE(gxInitialize()); }
    void TearDown() override { gxDestroy(); }
};

TEST_F(ImageStore, TexImageStartsZeroedAndReportsItsSize)
{
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(3, 2, GL_BGR));
    const GX_IMAGE info = gxGetImageInfo(id);
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.bytesPerPixel, 3);
    const uint8_t* p = gxGetImageBuffer(id);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 18; ++i)
        EXPECT_EQ(p[i], 0);
    EXPECT_FALSE(gxTexImage(65536, 1, GL_RGBA));
    EXPECT_FALSE(gxTexImage(60000, 60000, GL_RGBA));
}

TEST_F(ImageStore, SetPixelsClipsAndConverts)
{
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(2, 2, GL_BGR));
    // A 2 x 2 RGBA block placed at (1, 1): only its first pixel lands, as B, G, R.
    const std::vector<uint8_t> block = {10, 20, 30, 40, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9};
    ASSERT_TRUE(gxSetPixels(1, 1, 2, 2, GL_RGBA, block.data()));
    const uint8_t* p = gxGetImageBuffer(id);
    const std::vector<uint8_t> got(p, p + 12);
    EXPECT_EQ(got, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 30, 20, 10}));
    EXPECT_FALSE(gxSetPixels(5, 5, 2, 2, GL_RGBA, block.data()));
}

TEST_F(ImageStore, CopyBufferTakesTheRectangleInTheAskedFormat)
{
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(3, 2, GL_RGB));
    std::vector<uint8_t> rgb(18);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i);
    ASSERT_TRUE(gxSetPixels(0, 0, 3, 2, GL_RGB, rgb.data()));
    // Block of 2 x 1 at column 1, row 1: (x, y + h, x + w, y).
    std::vector<uint8_t> out(8, 0xEE);
    ASSERT_TRUE(gxCopyImageBuffer(id, t_RECT{1, 2, 3, 1}, GL_BGRA, out.data()));
    EXPECT_EQ(out, (std::vector<uint8_t>{14, 13, 12, 255, 17, 16, 15, 255}));
}

TEST_F(ImageStore, ConvertFlipAndDelete)
{
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(1, 2, GL_BGR));
    const uint8_t px[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(gxSetPixels(0, 0, 1, 2, GL_BGR, px));
    ASSERT_TRUE(gxConvertImage(GL_RGBA));
    ASSERT_TRUE(gxFlipImage());
    const uint8_t* p = gxGetImageBuffer(id);
    EXPECT_EQ(std::vector<uint8_t>(p, p + 8), (std::vector<uint8_t>{6, 5, 4, 255, 3, 2, 1, 255}));
    uint8_t alpha[2] = {};
    ASSERT_TRUE(gxCopyImageAlpha(id, alpha));
    EXPECT_EQ(alpha[0], 255);
    gxDeleteImages(1, &id);
    EXPECT_EQ(gxGetImageBuffer(id), nullptr);
    EXPECT_EQ(gxGetImageInfo(id).id, 0u);
}

TEST_F(ImageStore, SaveToUnknownTypeOrMissingFileFails)
{
    EXPECT_EQ(gxLoadImage("/nonexistent/file.png").id, 0u);
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(2, 2, GL_RGB));
    EXPECT_FALSE(gxSaveImage("/tmp/mosvane-never.xyz", false));
}
} // namespace
