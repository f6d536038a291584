#include "base/FileIo.h"
#include "engine/gx.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

struct ImageStore : ::testing::Test
{
    void SetUp() override { ASSERT_TRUE(gxInitialize()); }
    void TearDown() override { gxDestroy(); }

    // A new bound image of the given size, zeroed.
    static uint32_t NewImage(int width, int height, uint32_t format)
    {
        uint32_t id = 0;
        gxGenImages(1, &id);
        gxBindImage(id);
        EXPECT_TRUE(gxTexImage(width, height, format));
        return id;
    }
    static Bytes Buffer(uint32_t id, size_t n) { return Bytes(gxGetImageBuffer(id), gxGetImageBuffer(id) + n); }
};

TEST_F(ImageStore, TexImageStartsZeroedWithinTheSizeLimits)
{
    const uint32_t id = NewImage(3, 2, GL_BGR);
    const GX_IMAGE info = gxGetImageInfo(id);
    EXPECT_EQ(std::vector<int>({info.width, info.height, info.bytesPerPixel}), std::vector<int>({3, 2, 3}));
    EXPECT_EQ(Buffer(id, 18), Bytes(18, 0));
    EXPECT_FALSE(gxTexImage(65536, 1, GL_RGBA));
    EXPECT_FALSE(gxTexImage(60000, 60000, GL_RGBA));
}

TEST_F(ImageStore, SetPixelsClipsAndConvertsAndCopyTakesARectangle)
{
    const uint32_t id = NewImage(2, 2, GL_BGR);
    // A 2 x 2 RGBA block placed at (1, 1): only its first pixel lands, as B, G, R.
    const Bytes block = {10, 20, 30, 40, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9};
    ASSERT_TRUE(gxSetPixels(1, 1, 2, 2, GL_RGBA, block.data()));
    EXPECT_EQ(Buffer(id, 12), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 30, 20, 10}));
    EXPECT_FALSE(gxSetPixels(5, 5, 2, 2, GL_RGBA, block.data()));

    // Block of 2 x 1 at column 1, row 1 of a 3 x 2 image: (x, y + h, x + w, y).
    const uint32_t other = NewImage(3, 2, GL_RGB);
    Bytes rgb(18), out(8, 0xEE);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i);
    ASSERT_TRUE(gxSetPixels(0, 0, 3, 2, GL_RGB, rgb.data()));
    ASSERT_TRUE(gxCopyImageBuffer(other, t_RECT{1, 2, 3, 1}, GL_BGRA, out.data()));
    EXPECT_EQ(out, (Bytes{14, 13, 12, 255, 17, 16, 15, 255}));
}

// A save goes through the file module's replacement, which keeps an old file's mode and links
// (its own tests): refusing a pipe before opening it is that replacement's.
TEST_F(ImageStore, PipesNamedLikePicturesAreRefusedAtOnce)
{
    mosvane::test::CTempDir dir;
    const std::string fifo = dir.File("x.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    using mosvane::test::TrueInChild;
    EXPECT_TRUE(TrueInChild([&] { return gxLoadImage(fifo.c_str()).id == 0 && std::string(gxGetLastErrorText()) == "not a regular file"; }));
    NewImage(2, 2, GL_RGBA);
    EXPECT_TRUE(TrueInChild([&] { return !gxSaveImage(fifo.c_str(), false) && std::string(gxGetLastErrorText()) == "not a regular file"; }));
}
} // namespace
