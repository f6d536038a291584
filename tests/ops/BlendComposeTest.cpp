// The blend composition at sizes beyond GL's limits: tiles and CPU-reduced layers against a
// single-pass CPU reference, and uploads GL refuses reported as failures.

#include "BlendReference.h"
#include "engine/HeadlessGl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>

namespace
{
using namespace mosvane::test;

struct SComposeCase
{
    const char* m_pName;
    int m_nWidth, m_nHeight;
    uint32_t m_nFormat;
    int m_nBackgroundWidth, m_nBackgroundHeight; // 0: no background
    int m_nOverlayWidth, m_nOverlayHeight;       // 0: no overlay
    SCompositionLimits m_limits;
    SLevels m_item, m_background, m_overlay;
};

// A failing case is named, not dumped as bytes.
void PrintTo(const SComposeCase& c, std::ostream* os)
{
    *os << c.m_pName;
}

class BlendCompose : public ::testing::TestWithParam<SComposeCase>
{
};

TEST_P(BlendCompose, MatchesTheSinglePassReferenceWithinThreeLevels)
{
    const SComposeCase& c = GetParam();
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());

    CEngineImage item = Noise(c.m_nWidth, c.m_nHeight, c.m_nFormat, 1, c.m_item);
    const uint32_t bpp = gx::BytesPerPixel(c.m_nFormat);
    const std::vector<uint8_t> original(item.Buffer(), item.Buffer() + size_t(c.m_nWidth) * c.m_nHeight * bpp);
    CBlendLayer background, overlay;
    if (c.m_nBackgroundWidth)
        background.Adopt(Noise(c.m_nBackgroundWidth, c.m_nBackgroundHeight, GL_RGBA, 2, c.m_background));
    if (c.m_nOverlayWidth)
        overlay.Adopt(Noise(c.m_nOverlayWidth, c.m_nOverlayHeight, GL_BGRA, 3, c.m_overlay));
    const SRefPicture bg = background.Empty() ? SRefPicture{} : RefOf(background.Picture());
    const SRefPicture ov = overlay.Empty() ? SRefPicture{} : RefOf(overlay.Picture());
    const CBlendReference reference(c.m_nWidth, c.m_nHeight, bg.m_pPixels ? &bg : nullptr,
                                    ov.m_pPixels ? &ov : nullptr);

    ASSERT_TRUE(ComposeBlend(c.m_nWidth, c.m_nHeight, c.m_nFormat, item.Buffer(), &background, &overlay, c.m_limits));
    const SRefPicture before{c.m_nWidth, c.m_nHeight, c.m_nFormat, original.data()};
    const SRefPicture after = RefOf(item);
    int worst = 0;
    for (int y = 0; y < c.m_nHeight; ++y)
        for (int x = 0; x < c.m_nWidth; ++x)
        {
            const auto expected = reference.At(x, y, TexelOf(before, x, y));
            const Rgba got = TexelOf(after, x, y);
            for (int ch = 0; ch < (bpp == 4 ? 4 : 3); ++ch)
                worst = std::max(worst, std::abs(int(got[size_t(ch)]) - int(expected[size_t(ch)])));
        }
    EXPECT_LE(worst, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BlendCompose,
    ::testing::Values(
        // Tiles of 48 over a 150 x 130 picture; layers wider and taller than a texture of 64.
        SComposeCase{"TilesAndReducedLayers", 150, 130, GL_RGBA, 200, 10, 40, 300, {64, 48}, {}, {}, {}},
        // An odd-sized three-byte picture in tiles that do not divide it, a background alone.
        SComposeCase{"ThreeBytesBackgroundOnly", 97, 61, GL_BGR, 130, 130, 0, 0, {64, 32}, {}, {}, {}},
        // A picture larger than a texture can be, an overlay alone reduced on both axes.
        SComposeCase{"PictureBeyondTheTextureLimit", 100, 90, GL_RGB, 0, 0, 300, 200, {64, 64}, {}, {}, {}},
        // A bright background, reduced across and stretched down, seen through nearly clear
        // layers in tiles: whatever level its stretch or the storage between layers loses shows
        // in the result undimmed.
        SComposeCase{"BrightReducedBackgroundThroughFaintLayers", 512, 512, GL_RGBA, 700, 13, 100, 100, {128, 100},
                     SLevels{0, 255, 0, 16}, SLevels{160, 255, 160, 255}, SLevels{0, 255, 0, 16}}),
    [](const auto& info) { return std::string(info.param.m_pName); });

// A watermark of alpha 128 to 200 over a picture with holes over an opaque background: opaque
// wherever the background is, tiled or not; without a background the picture's own coverage
// grows by the watermark's and never shrinks.
TEST(BlendComposeAlpha, OverAnOpaqueBackgroundTheResultIsOpaque)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    for (const SCompositionLimits limits : {SCompositionLimits{}, SCompositionLimits{32, 24}})
    {
        for (const bool withBackground : {true, false})
        {
            SCOPED_TRACE(std::to_string(limits.m_nTile) + (withBackground ? " with background" : " alone"));
            CEngineImage item = Noise(70, 50, GL_RGBA, 4);
            const std::vector<uint8_t> original(item.Buffer(), item.Buffer() + 70 * 50 * 4);
            CBlendLayer background, overlay;
            if (withBackground)
                background.Adopt(Noise(20, 20, GL_BGR, 5));
            overlay.Adopt(Noise(90, 40, GL_RGBA, 6, SLevels{0, 255, 128, 200}));
            ASSERT_TRUE(ComposeBlend(70, 50, GL_RGBA, item.Buffer(), &background, &overlay, limits));
            int lowest = 255, shrunk = 0;
            for (size_t i = 3; i < original.size(); i += 4)
            {
                lowest = std::min(lowest, int(item.Buffer()[i]));
                shrunk += item.Buffer()[i] + 1 < original[i] ? 1 : 0;
            }
            if (withBackground)
                EXPECT_EQ(lowest, 255);
            else
                EXPECT_TRUE(lowest >= 127 && shrunk == 0) << lowest << " " << shrunk;
        }
    }
}

TEST(GlUploads, RefusedAreFailuresNotWhiteTextures)
{
    CHeadlessGl gl;
    ASSERT_TRUE(gl.Ok());
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    const std::vector<uint8_t> row(size_t(maxSide + 1) * 4, 7);
    CGlTexture texture;
    EXPECT_FALSE(texture.Create(maxSide + 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, row.data(), ETexelUse::Stretched));
    EXPECT_TRUE(texture.Empty());
    // A format GL does not know.
    EXPECT_FALSE(texture.Create(4, 1, 0x1234, GL_UNSIGNED_BYTE, row.data(), ETexelUse::Stretched));
    EXPECT_TRUE(texture.Empty());
    EXPECT_TRUE(texture.Create(maxSide, 1, GL_RGBA, GL_UNSIGNED_BYTE, row.data(), ETexelUse::Stretched));

    // Sizes and formats that name no picture.
    uint8_t pixel[4] = {1, 2, 3, 4};
    CBlendLayer none;
    EXPECT_FALSE(ComposeBlend(0, 1, GL_RGBA, pixel, &none, &none));
    EXPECT_FALSE(ComposeBlend(1, 1, 0x1234, pixel, &none, &none));
}
} // namespace
