#include "engine/HeadlessGl.h"
#include "engine/gx.h"

#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace
{
using Rgba = std::array<int, 4>;

// The current surface's pixels as RGBA, top row first.
std::vector<uint8_t> ReadTopDown(int width, int height)
{
    std::vector<uint8_t> bottomUp(size_t(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> out(bottomUp.size());
    const size_t row = size_t(width) * 4;
    for (int y = 0; y < height; ++y)
        std::copy_n(bottomUp.data() + size_t(height - 1 - y) * row, row, out.data() + size_t(y) * row);
    return out;
}

Rgba At(const std::vector<uint8_t>& pixels, int width, int x, int y)
{
    const uint8_t* p = pixels.data() + (size_t(y) * width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

TEST(RenderDevice, HeadlessDeviceOwnsItsContextAndAdoptsNestedOnes)
{
    ASSERT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    GX_DEVICE device = gxCreateRenderDevice(nullptr);
    ASSERT_NE(device, nullptr);
    const EGLContext context = eglGetCurrentContext();
    ASSERT_NE(context, EGL_NO_CONTEXT);

    // A device made while a context is current takes that one and leaves it current when freed.
    GX_DEVICE adopted = gxCreateRenderDevice(nullptr);
    ASSERT_NE(adopted, nullptr);
    EXPECT_EQ(eglGetCurrentContext(), context);
    gxDestroyRenderDevice(adopted);
    EXPECT_EQ(eglGetCurrentContext(), context);
    {
        CHeadlessGl nested;
        EXPECT_TRUE(nested.Ok());
        EXPECT_EQ(nested.Device(), nullptr);
    }
    EXPECT_EQ(eglGetCurrentContext(), context);

    gxDestroyRenderDevice(device);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);

    // The surfaceless display can be brought up again after the last device went.
    {
        CHeadlessGl gl;
        ASSERT_TRUE(gl.Ok());
        EXPECT_NE(gl.Device(), nullptr);
        EXPECT_NE(eglGetCurrentContext(), EGL_NO_CONTEXT);
    }
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

TEST(RenderDevice, WindowModePutsTheOriginTopLeftOneUnitPerPixel)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    constexpr int kW = 40, kH = 30;
    gxResizeCurrentDevice(kW, kH);
    const float background[3] = {0.4f, 0.4f, 0.6f};
    gxClearDevice(background);

    gxBeginRender();
    gxBeginWindowMode(kW, kH);
    glTranslatef(2.0f, 0.0f, 0.0f); // undone by gxEndFlatMode
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_QUADS);
    glVertex2i(0, 0);
    glVertex2i(0, 5);
    glVertex2i(10, 5);
    glVertex2i(10, 0);
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    const float red[3] = {1.0f, 0.0f, 0.0f};
    gxDrawLine(t_POINT{0, 20}, t_POINT{kW, 20}, red, 2.0f);
    gxEndFlatMode();
    gxEndRender();

    const std::vector<uint8_t> px = ReadTopDown(kW, kH);
    const Rgba bg = {102, 102, 153, 255};
    const Rgba green = {0, 255, 0, 255};
    const Rgba redPx = {255, 0, 0, 255};
    // The quad covers columns 2..11 (translated by 2) and rows 0..4 counted from the top.
    EXPECT_EQ(At(px, kW, 2, 0), green);
    EXPECT_EQ(At(px, kW, 11, 4), green);
    EXPECT_EQ(At(px, kW, 1, 0), bg);
    EXPECT_EQ(At(px, kW, 12, 0), bg);
    EXPECT_EQ(At(px, kW, 2, 5), bg);
    // A 2-pixel line on y = 20 covers the rows on both sides of that boundary.
    EXPECT_EQ(At(px, kW, 20, 18), bg);
    EXPECT_EQ(At(px, kW, 20, 19), redPx);
    EXPECT_EQ(At(px, kW, 20, 20), redPx);
    EXPECT_EQ(At(px, kW, 20, 21), bg);

    // The matrices, the current colour and texturing are as they were before.
    GLfloat projection[16], modelview[16], colour[4];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_FLOAT_EQ(projection[i], i % 5 == 0 ? 1.0f : 0.0f);
        EXPECT_FLOAT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f);
    }
    EXPECT_FLOAT_EQ(colour[0], 1.0f);
    EXPECT_FLOAT_EQ(colour[1], 1.0f);
    EXPECT_FLOAT_EQ(colour[2], 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(RenderDevice, HeadlessSurfaceFollowsTheViewportSize)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    gxResizeCurrentDevice(0, 10); // a minimised window changes nothing
    gxResizeCurrentDevice(64, 48);
    EGLint width = 0, height = 0;
    eglQuerySurface(eglGetCurrentDisplay(), eglGetCurrentSurface(EGL_DRAW), EGL_WIDTH, &width);
    eglQuerySurface(eglGetCurrentDisplay(), eglGetCurrentSurface(EGL_DRAW), EGL_HEIGHT, &height);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 64);
    EXPECT_EQ(viewport[3], 48);

    const float white[3] = {1.0f, 1.0f, 1.0f};
    gxClearDevice(white);
    gxBeginRender();
    gxEndRender();
    const std::vector<uint8_t> px = ReadTopDown(64, 48);
    EXPECT_EQ(At(px, 64, 63, 47), (Rgba{255, 255, 255, 255}));
}
} // namespace
