#include "engine/HeadlessGl.h"
#include "engine/gx.h"

#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

namespace
{
using Rgba = std::array<int, 4>;

// The current surface's pixel at (x, y) counted from the top.
Rgba At(int height, int x, int y)
{
    uint8_t p[4] = {};
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

TEST(RenderDevice, HeadlessDeviceOwnsItsContextAndAdoptsNestedOnes)
{
    ASSERT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    for (int round = 0; round < 2; ++round) // the display comes up again after the last device went
    {
        CHeadlessGl gl;
        ASSERT_TRUE(gl.Ok());
        ASSERT_NE(gl.Device(), nullptr);
        const EGLContext context = eglGetCurrentContext();
        {
            CHeadlessGl nested; // takes the current context and leaves it current when freed
            EXPECT_TRUE(nested.Ok());
            EXPECT_EQ(nested.Device(), nullptr);
        }
        EXPECT_EQ(eglGetCurrentContext(), context);
    }
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

TEST(RenderDevice, WindowModePutsTheOriginTopLeftOneUnitPerPixelOnASurfaceOfTheViewportSize)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    constexpr int kW = 40, kH = 30;
    gxResizeCurrentDevice(0, 10); // a minimised window changes nothing
    gxResizeCurrentDevice(kW, kH);
    EGLint width = 0, height = 0;
    eglQuerySurface(eglGetCurrentDisplay(), eglGetCurrentSurface(EGL_DRAW), EGL_WIDTH, &width);
    eglQuerySurface(eglGetCurrentDisplay(), eglGetCurrentSurface(EGL_DRAW), EGL_HEIGHT, &height);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(kW, kH));

    const float background[3] = {0.4f, 0.4f, 0.6f}, red[3] = {1.0f, 0.0f, 0.0f};
    gxClearDevice(background);
    gxBeginRender();
    gxBeginWindowMode(kW, kH);
    glTranslatef(2.0f, 0.0f, 0.0f); // undone by gxEndFlatMode
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.0f, 1.0f, 0.0f);
    glRecti(0, 0, 10, 5);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    gxDrawLine(t_POINT{0, 20}, t_POINT{kW, 20}, red, 2.0f);
    gxEndFlatMode();
    gxEndRender();

    // The rectangle covers columns 2..11 (translated by 2) and rows 0..4 counted from the top; the
    // 2-pixel line on y = 20 covers the rows on both sides of that boundary.
    const Rgba bg = {102, 102, 153, 255}, green = {0, 255, 0, 255}, redPx = {255, 0, 0, 255};
    const std::tuple<int, int, Rgba> probes[] = {
        {2, 0, green}, {11, 4, green}, {1, 0, bg}, {12, 0, bg}, {2, 5, bg},
        {20, 18, bg}, {20, 19, redPx}, {20, 20, redPx}, {20, 21, bg}, {kW - 1, kH - 1, bg},
    };
    for (const auto& [x, y, colour] : probes)
        EXPECT_EQ(At(kH, x, y), colour) << x << ", " << y;

    // The matrices, the current colour and texturing are as they were before.
    GLfloat projection[16], modelview[16], colour[4];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(projection[i] == (i % 5 == 0) && modelview[i] == (i % 5 == 0)) << i;
    EXPECT_EQ(std::vector<float>(colour, colour + 4), std::vector<float>(4, 1.0f));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
} // namespace
