#include "engine/HeadlessGl.h"
#include "engine/gx.h"
#include "image/OglRenderToTexture.h"
#include "image/WorkingImage.h"
#include "GlDraw.h"
#include "support/TestSupport.h"

#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <vector>

namespace
{
using mosvane::test::CTempDir;

struct WorkingImage : ::testing::Test
{
    CHeadlessGl m_gl;
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok());
        ASSERT_TRUE(gxInitialize());
    }
    void TearDown() override { gxDestroy(); }
};

// Makes a w x h engine image of the given pixels the working image, as a load would.
void Adopt(CWorkingImage& image, int width, int height, uint32_t format, const std::vector<uint8_t>& pixels)
{
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(width, height, format));
    ASSERT_TRUE(gxSetPixels(0, 0, width, height, format, pixels.data()));
    const GX_IMAGE info = gxGetImageInfo(id);
    image.m_gxImg.id = id;
    image.m_gxImg.format = info.format;
    image.m_gxImg.bytesPerPixel = info.bytesPerPixel;
    image.m_gxImg.width = info.width;
    image.m_gxImg.height = info.height;
    image.m_gxImg.data = gxGetImageBuffer(id);
    ASSERT_TRUE(image.UploadTexture());
}

// Draws the texture 1:1 into an offscreen target and reads it back as RGBA, top row first.
std::vector<uint8_t> ShowTexture(GLuint texture, int width, int height)
{
    OglRenderToTexture target;
    EXPECT_TRUE(target.Create(width, height));
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(1, 1, 1, 1);
    mosvane::test::DrawFullQuad(width, height);
    return mosvane::test::ReadTopDown(width, height);
}

TEST_F(WorkingImage, FailedLoadKeepsTheCurrentImageAndTexture)
{
    CWorkingImage image;
    Adopt(image, 2, 2, GL_RGBA, std::vector<uint8_t>(16, 200));
    const WorkingImageRecord before = image.m_gxImg;

    CTempDir dir;
    ASSERT_TRUE(mosvane::test::WriteFileBytes(dir.File("junk.png"), {0x89, 'P', 'N', 'G', 1, 2, 3}));
    EXPECT_FALSE(image.LoadImageFile(dir.File("junk.png").c_str()));
    EXPECT_FALSE(image.LoadImageFile(dir.File("missing.bmp").c_str()));
    EXPECT_FALSE(image.LoadImageFile(nullptr));

    EXPECT_EQ(image.m_gxImg.id, before.id);
    EXPECT_EQ(image.m_gxImg.data, before.data);
    EXPECT_EQ(image.m_gxImg.texture, before.texture);
    EXPECT_TRUE(glIsTexture(before.texture));
    EXPECT_NE(gxGetImageBuffer(before.id), nullptr);
}

TEST_F(WorkingImage, ConvertToRgbaKeepsBgraAndWidensThreeBytePixels)
{
    CWorkingImage bgra;
    Adopt(bgra, 1, 1, GL_BGRA, {1, 2, 3, 4});
    const uint8_t* data = bgra.m_gxImg.data;
    EXPECT_TRUE(bgra.ConvertToRgba());
    EXPECT_EQ(bgra.m_gxImg.format, uint32_t(GL_BGRA));
    EXPECT_EQ(bgra.m_gxImg.bytesPerPixel, 4);
    EXPECT_EQ(bgra.m_gxImg.data, data);

    CWorkingImage bgr;
    Adopt(bgr, 2, 1, GL_BGR, {10, 20, 30, 40, 50, 60});
    EXPECT_TRUE(bgr.ConvertToRgba());
    EXPECT_EQ(bgr.m_gxImg.format, uint32_t(GL_RGBA));
    EXPECT_EQ(bgr.m_gxImg.bytesPerPixel, 4);
    ASSERT_EQ(bgr.m_gxImg.data, gxGetImageBuffer(bgr.m_gxImg.id));
    const std::vector<uint8_t> got(bgr.m_gxImg.data, bgr.m_gxImg.data + 8);
    EXPECT_EQ(got, (std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 255}));

    CWorkingImage none;
    EXPECT_FALSE(none.ConvertToRgba());
    EXPECT_EQ(none.m_gxImg.id, 0u);
}

TEST_F(WorkingImage, RefreshShowsTheCurrentPixelsAndAsksForARedraw)
{
    CWorkingImage image;
    int redraws = 0;
    image.SetRedrawCallback([&] { ++redraws; });
    // 3 x 2 RGB: odd rows of 9 bytes need unpack alignment 1.
    std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    Adopt(image, 3, 2, GL_RGB, rgb);
    EXPECT_EQ(ShowTexture(image.m_gxImg.texture, 3, 2),
              (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                                    1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}));

    ASSERT_TRUE(image.ConvertToRgba());
    image.m_gxImg.data[3] = 0;     // first pixel transparent
    image.m_gxImg.data[4 * 5] = 77; // last pixel's red
    const GLuint old = image.m_gxImg.texture;
    EXPECT_TRUE(image.RefreshTexture());
    EXPECT_EQ(redraws, 1);
    EXPECT_FALSE(glIsTexture(old) && old != image.m_gxImg.texture);
    const std::vector<uint8_t> shown = ShowTexture(image.m_gxImg.texture, 3, 2);
    EXPECT_EQ(shown[3], 0);
    EXPECT_EQ(shown[20], 77);
    EXPECT_EQ(shown[4], 0);
    EXPECT_EQ(shown[5], 255);
}

TEST_F(WorkingImage, ReleaseAndDestructionFreeTheEngineImageAndTexture)
{
    GLuint texture = 0;
    uint32_t id = 0;
    {
        CWorkingImage image;
        Adopt(image, 2, 1, GL_RGBA, std::vector<uint8_t>(8, 9));
        texture = image.m_gxImg.texture;
        id = image.m_gxImg.id;
        EXPECT_TRUE(image.HasImage());
    }
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(gxGetImageInfo(id).id, 0u);

    CWorkingImage image;
    Adopt(image, 2, 1, GL_RGBA, std::vector<uint8_t>(8, 9));
    image.ReleaseImage();
    EXPECT_FALSE(image.HasImage());
    EXPECT_EQ(image.m_gxImg.texture, 0u);
    EXPECT_EQ(image.m_gxImg.width, 0);
    CTempDir dir;
    EXPECT_FALSE(image.SaveImageAs(dir.File("none.png").c_str()));
    EXPECT_FALSE(mosvane::test::FileExists(dir.File("none.png")));
}

// The engine's pixels of an image as RGBA.
std::vector<uint8_t> RgbaOf(uint32_t id)
{
    const GX_IMAGE info = gxGetImageInfo(id);
    std::vector<uint8_t> out(size_t(info.width) * info.height * 4);
    EXPECT_TRUE(gxCopyImageBuffer(id, t_RECT{0, info.height, info.width, 0}, GL_RGBA, out.data()));
    return out;
}

TEST_F(WorkingImage, SavedFileLoadsBackEqualAndReplacesThePreviousImage)
{
    const std::vector<uint8_t> pixels = mosvane::test::PatternRgba(5, 3, true);
    CWorkingImage source;
    Adopt(source, 5, 3, GL_RGBA, pixels);

    CTempDir dir;
    const std::string path = dir.File("saved.tga");
    ASSERT_TRUE(source.SaveImageAs(path.c_str()));

    CWorkingImage image;
    Adopt(image, 1, 1, GL_RGBA, {1, 2, 3, 4});
    const uint32_t oldId = image.m_gxImg.id;
    ASSERT_TRUE(image.LoadImageFile(path.c_str()));
    EXPECT_EQ(gxGetImageInfo(oldId).id, 0u);
    EXPECT_EQ(image.m_gxImg.width, 5);
    EXPECT_EQ(image.m_gxImg.height, 3);
    EXPECT_EQ(image.m_gxImg.data, gxGetImageBuffer(image.m_gxImg.id));
    EXPECT_EQ(RgbaOf(image.m_gxImg.id), pixels);
    EXPECT_EQ(ShowTexture(image.m_gxImg.texture, 5, 3), pixels);
}
} // namespace
