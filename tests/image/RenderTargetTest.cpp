#include "engine/HeadlessGl.h"
#include "engine/gx.h"
#include "image/OglRenderToTexture.h"
#include "GlDraw.h"

#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace
{
using mosvane::test::DrawFullQuad;
using mosvane::test::ReadPixels;

GLuint MakeTexture(int width, int height, const std::vector<uint8_t>& rgba)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

TEST(RenderTarget, CreateNeedsACurrentContextAndAnEmptyDestroyChangesNothing)
{
    ASSERT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    OglRenderToTexture target;
    EXPECT_FALSE(target.Create(16, 16));
    EXPECT_FALSE(target.IsCreated());
    target.Destroy();
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);

    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    const EGLContext caller = eglGetCurrentContext();
    const EGLSurface callerSurface = eglGetCurrentSurface(EGL_DRAW);
    EXPECT_FALSE(target.Create(0, 16));
    EXPECT_EQ(eglGetCurrentContext(), caller);
    target.Destroy();
    EXPECT_EQ(eglGetCurrentContext(), caller);
    EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), callerSurface);
}

TEST(RenderTarget, CreatingAgainKeepsTheCallersContextAsTheOneToRestore)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    const EGLContext caller = eglGetCurrentContext();
    const EGLSurface callerSurface = eglGetCurrentSurface(EGL_DRAW);
    {
        OglRenderToTexture target;
        ASSERT_TRUE(target.Create(8, 8));
        EXPECT_NE(eglGetCurrentContext(), caller);
        ASSERT_TRUE(target.Create(30, 20));
        EXPECT_EQ(target.Width(), 30);
        EXPECT_EQ(target.Height(), 20);
        EGLint width = 0;
        eglQuerySurface(eglGetCurrentDisplay(), eglGetCurrentSurface(EGL_DRAW), EGL_WIDTH, &width);
        EXPECT_EQ(width, 30);
    } // the destructor restores
    EXPECT_EQ(eglGetCurrentContext(), caller);
    EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), callerSurface);
}

TEST(RenderTarget, DrawsTheCallersTexturesAndReadsBackInEveryOrder)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    const EGLContext caller = eglGetCurrentContext();
    // A 2 x 1 texture made in the caller's context: red, then blue.
    const GLuint texture = MakeTexture(2, 1, {255, 0, 0, 255, 0, 0, 255, 255});

    constexpr int kW = 300, kH = 200;
    OglRenderToTexture target;
    ASSERT_TRUE(target.Create(kW, kH));
    EXPECT_NE(eglGetCurrentContext(), caller);

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(1, 1, 1, 1);
    DrawFullQuad(kW, kH);
    glFinish();

    const std::vector<uint8_t> rgba = ReadPixels(kW, kH, GL_RGBA);
    // Bilinear reference: texel centres at u = 0.25 and 0.75, clamped outside them.
    for (int x : {0, 40, 74, 75, 100, 149, 150, 200, 224, 225, 299})
    {
        const double u = (x + 0.5) / kW * 2.0 - 0.5;
        const double t = std::clamp(u, 0.0, 1.0);
        const int red = int(std::lround(255.0 * (1.0 - t)));
        const int blue = int(std::lround(255.0 * t));
        for (int y : {0, 100, kH - 1})
        {
            const uint8_t* p = rgba.data() + (size_t(y) * kW + x) * 4;
            EXPECT_LE(std::abs(p[0] - red), 3) << "x " << x;
            EXPECT_EQ(p[1], 0);
            EXPECT_LE(std::abs(p[2] - blue), 3) << "x " << x;
            EXPECT_EQ(p[3], 255);
        }
    }

    const std::vector<uint8_t> bgra = ReadPixels(kW, kH, GL_BGRA);
    const std::vector<uint8_t> bgr = ReadPixels(kW, kH, GL_BGR);
    for (size_t i = 0; i < size_t(kW) * kH; ++i)
    {
        ASSERT_EQ(bgra[i * 4 + 0], rgba[i * 4 + 2]);
        ASSERT_EQ(bgra[i * 4 + 2], rgba[i * 4 + 0]);
        ASSERT_EQ(bgra[i * 4 + 3], rgba[i * 4 + 3]);
        ASSERT_EQ(bgr[i * 3 + 0], rgba[i * 4 + 2]);
        ASSERT_EQ(bgr[i * 3 + 1], rgba[i * 4 + 1]);
        ASSERT_EQ(bgr[i * 3 + 2], rgba[i * 4 + 0]);
    }

    target.Destroy();
    EXPECT_FALSE(target.IsCreated());
    EXPECT_EQ(eglGetCurrentContext(), caller);
    EXPECT_TRUE(glIsTexture(texture));
    glDeleteTextures(1, &texture);
}

TEST(RenderTarget, BlendingHalfRedOverOpaqueBlueChangesDestinationAlphaToo)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    OglRenderToTexture target;
    ASSERT_TRUE(target.Create(7, 3)); // odd width: GL_BGR rows are not 4-byte aligned

    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 0, 0, 0.5f);
    DrawFullQuad(7, 3);
    glDisable(GL_BLEND);
    glFinish();

    const std::vector<uint8_t> rgba = ReadPixels(7, 3, GL_RGBA);
    const std::vector<uint8_t> bgr = ReadPixels(7, 3, GL_BGR);
    for (size_t i = 0; i < 21; ++i)
    {
        EXPECT_NEAR(rgba[i * 4 + 0], 128, 1);
        EXPECT_EQ(rgba[i * 4 + 1], 0);
        EXPECT_NEAR(rgba[i * 4 + 2], 128, 1);
        EXPECT_NEAR(rgba[i * 4 + 3], 191, 1);
        EXPECT_EQ(bgr[i * 3 + 0], rgba[i * 4 + 2]);
        EXPECT_EQ(bgr[i * 3 + 2], rgba[i * 4 + 0]);
    }
}

TEST(RenderTarget, OversizedRequestGivesTheLargestPbufferInsteadOfFailing)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    const EGLContext caller = eglGetCurrentContext();
    OglRenderToTexture target;
    if (!target.Create(1 << 20, 4))
    {
        // A driver may still refuse; then nothing changed.
        EXPECT_EQ(eglGetCurrentContext(), caller);
        GTEST_SKIP() << "driver refuses oversized pbuffers";
    }
    EXPECT_GT(target.Width(), 0);
    EXPECT_LE(target.Width(), 1 << 20);
    target.Destroy();
    EXPECT_EQ(eglGetCurrentContext(), caller);
}
} // namespace
