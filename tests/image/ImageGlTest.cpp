// The offscreen render target and the working image, drawn and read back on a headless context.

#include "engine/GlTexture.h"
#include "engine/HeadlessGl.h"
#include "image/OglRenderToTexture.h"
#include "image/WorkingImage.h"
#include "support/SheetTesting.h"

#include <EGL/egl.h>
#include <gtest/gtest.h>

namespace
{
using Bytes = std::vector<uint8_t>;

// The texture, white and unlit, over the whole w x h surface, its first row at the top.
void DrawFullQuad(int width, int height, GLuint texture)
{
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    gxBeginWindowMode(width, height);
    DrawTexturedQuad(texture, 0, 0, width, height);
    gxEndFlatMode();
}

// The current surface as RGBA, top row first.
Bytes ReadPixels(int width, int height)
{
    Bytes rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        glReadPixels(0, height - 1 - y, width, 1, GL_RGBA, GL_UNSIGNED_BYTE, &rgba[size_t(y) * width * 4]);
    return rgba;
}

TEST(RenderTarget, NeedsACurrentContextAndGivesTheCallersBack)
{
    ASSERT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    OglRenderToTexture target;
    EXPECT_FALSE(target.Create(16, 16));
    target.Destroy(); // an empty target changes nothing
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);

    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    const EGLContext caller = eglGetCurrentContext();
    const EGLSurface callerSurface = eglGetCurrentSurface(EGL_DRAW);
    EXPECT_FALSE(target.Create(0, 16));
    EXPECT_EQ(eglGetCurrentContext(), caller);
    // Past the driver's limit: the largest pbuffer, or a refusal that changes nothing.
    EXPECT_TRUE(!target.Create(1 << 20, 4) || (target.Width() > 0 && target.Width() <= 1 << 20));
    target.Destroy();
    EXPECT_EQ(eglGetCurrentContext(), caller);
    EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), callerSurface);
}

TEST(RenderTarget, SharesTheCallersTextures)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    const EGLContext caller = eglGetCurrentContext();
    // A 2 x 1 texture made in the caller's context: red, then blue.
    const uint8_t texels[8] = {255, 0, 0, 255, 0, 0, 255, 255};
    const GLuint texture = CreateGlTexture(2, 1, GL_RGBA, GL_UNSIGNED_BYTE, texels, GL_RGBA, GL_LINEAR);

    constexpr int kW = 300, kH = 200;
    OglRenderToTexture target;
    ASSERT_TRUE(target.Create(8, 8)); // made again below: the caller's context stays the one to restore
    ASSERT_TRUE(target.Create(kW, kH));
    EXPECT_EQ(std::make_pair(target.Width(), target.Height()), std::make_pair(kW, kH));
    EXPECT_NE(eglGetCurrentContext(), caller);
    DrawFullQuad(kW, kH, texture);
    const Bytes rgba = ReadPixels(kW, kH);
    // The caller's texture, stretched: red on the left, blue on the right, mixed between.
    for (const auto& [x, red] : {std::pair{0, 255}, {150, 128}, {299, 0}})
    {
        const uint8_t* p = &rgba[(size_t(kH / 2) * kW + x) * 4];
        EXPECT_NEAR(p[0], red, 3) << "x " << x;
        EXPECT_NEAR(p[2], 255 - red, 3) << "x " << x;
        EXPECT_TRUE(p[1] == 0 && p[3] == 255);
    }

    target.Destroy();
    EXPECT_EQ(eglGetCurrentContext(), caller);
    EXPECT_TRUE(glIsTexture(texture));
    glDeleteTextures(1, &texture);
}

struct WorkingImage : ::testing::Test
{
    CHeadlessGl m_gl;
    mosvane::test::CTempDir m_dir;
    void SetUp() override { ASSERT_TRUE(m_gl.Ok() && gxInitialize()); }
    void TearDown() override { gxDestroy(); }

    // RGBA pixels written through the engine (PNG loads as GL_RGB or GL_RGBA, TGA as GL_BGR or
    // GL_BGRA); gives the path.
    std::string Save(const char* name, const Bytes& rgba, uint32_t width, uint32_t height, bool alpha)
    {
        mosvane::test::WriteWithEngine(m_dir.File(name), {width, height, rgba}, alpha);
        return m_dir.File(name);
    }
};

// The texture drawn 1:1 into an offscreen target, as RGBA, top row first.
Bytes Show(GLuint texture, int width, int height)
{
    OglRenderToTexture target;
    EXPECT_TRUE(target.Create(width, height));
    DrawFullQuad(width, height, texture);
    return ReadPixels(width, height);
}

TEST_F(WorkingImage, LoadReplacesOnlyOnSuccessAndReleaseFreesEverything)
{
    const Bytes pixels = mosvane::test::PatternRgba(5, 3, true);
    CWorkingImage image;
    ASSERT_TRUE(image.LoadImageFile(Save("first.tga", Bytes(4, 200), 1, 1, true).c_str()));
    const WorkingImageRecord first = image.m_gxImg;
    ASSERT_TRUE(mosvane::test::WriteFileBytes(m_dir.File("junk.png"), {0x89, 'P', 'N', 'G', 1, 2, 3}));
    EXPECT_FALSE(image.LoadImageFile(m_dir.File("junk.png").c_str()));
    EXPECT_FALSE(image.LoadImageFile(m_dir.File("missing.bmp").c_str()));
    EXPECT_FALSE(image.LoadImageFile(nullptr));
    EXPECT_TRUE(image.m_gxImg.id == first.id && image.m_gxImg.data == first.data &&
                image.m_gxImg.texture == first.texture && glIsTexture(first.texture));

    ASSERT_TRUE(image.LoadImageFile(Save("second.tga", pixels, 5, 3, true).c_str()));
    EXPECT_TRUE(gxGetImageInfo(first.id).id == 0 && !glIsTexture(first.texture));
    EXPECT_TRUE(image.m_gxImg.width == 5 && image.m_gxImg.height == 3);
    EXPECT_EQ(image.m_gxImg.data, gxGetImageBuffer(image.m_gxImg.id));
    EXPECT_EQ(Show(image.m_gxImg.texture, 5, 3), pixels);

    ASSERT_TRUE(image.SaveImageAs(m_dir.File("third.png").c_str()));
    WorkingImageRecord third;
    {
        CWorkingImage again;
        ASSERT_TRUE(again.LoadImageFile(m_dir.File("third.png").c_str()));
        EXPECT_EQ(Show(again.m_gxImg.texture, 5, 3), pixels);
        third = again.m_gxImg;
    }
    EXPECT_TRUE(gxGetImageInfo(third.id).id == 0 && !glIsTexture(third.texture));
    const GLuint texture = image.m_gxImg.texture;
    image.ReleaseImage();
    EXPECT_TRUE(!image.HasImage() && image.m_gxImg.texture == 0 && !glIsTexture(texture));
    EXPECT_FALSE(image.SaveImageAs(m_dir.File("none.png").c_str()));
    EXPECT_FALSE(mosvane::test::FileExists(m_dir.File("none.png")));
}

TEST_F(WorkingImage, ConvertWidensThreeBytePixelsAndRefreshShowsTheEdits)
{
    CWorkingImage bgra;
    ASSERT_TRUE(bgra.LoadImageFile(Save("bgra.tga", {1, 2, 3, 4}, 1, 1, true).c_str()));
    const uint8_t* data = bgra.m_gxImg.data;
    EXPECT_TRUE(bgra.ConvertToRgba());
    EXPECT_TRUE(bgra.m_gxImg.format == GL_BGRA && bgra.m_gxImg.data == data);

    // 3 x 2 RGB: odd rows of 9 bytes need unpack alignment 1.
    const Bytes rgba = mosvane::test::PatternRgba(3, 2, false);
    CWorkingImage image;
    int redraws = 0;
    image.SetRedrawCallback([&] { ++redraws; });
    ASSERT_TRUE(image.LoadImageFile(Save("rgb.png", rgba, 3, 2, false).c_str()));
    EXPECT_EQ(image.m_gxImg.format, uint32_t(GL_RGB));
    EXPECT_EQ(Show(image.m_gxImg.texture, 3, 2), rgba);
    ASSERT_TRUE(image.ConvertToRgba());
    EXPECT_TRUE(image.m_gxImg.format == GL_RGBA && image.m_gxImg.bytesPerPixel == 4);
    ASSERT_EQ(image.m_gxImg.data, gxGetImageBuffer(image.m_gxImg.id));

    Bytes edited = rgba;
    edited[3] = image.m_gxImg.data[3] = 0;       // first pixel transparent
    edited[20] = image.m_gxImg.data[4 * 5] = 77; // last pixel's red
    const GLuint old = image.m_gxImg.texture;
    EXPECT_TRUE(image.RefreshTexture());
    EXPECT_EQ(redraws, 1);
    EXPECT_FALSE(glIsTexture(old) && old != image.m_gxImg.texture);
    EXPECT_EQ(Show(image.m_gxImg.texture, 3, 2), edited);
}
} // namespace
