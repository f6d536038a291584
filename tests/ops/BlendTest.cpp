#include "OpsTestSupport.h"

#include "ops/Blend.h"

#include <algorithm>
#include <cmath>

namespace
{
using namespace opstest;
using mosvane::test::PatternRgba;

using Blend = OpsFixture;

// The picture stretched to w x h as linear filtering with clamped edges samples it: each target
// pixel centre maps into the source, between the four nearest texel centres. Values 0..1.
std::vector<double> StretchBilinear(const std::vector<uint8_t>& src, int64_t sw, int64_t sh, int64_t w, int64_t h)
{
    const auto texel = [&](int64_t x, int64_t y, size_t c) {
        return src[size_t(std::clamp<int64_t>(y, 0, sh - 1) * sw + std::clamp<int64_t>(x, 0, sw - 1)) * 4 + c] / 255.0;
    };
    std::vector<double> out;
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x)
        {
            const double s = (double(x) + 0.5) * double(sw) / double(w) - 0.5;
            const double t = (double(y) + 0.5) * double(sh) / double(h) - 0.5;
            const int64_t x0 = int64_t(std::floor(s)), y0 = int64_t(std::floor(t));
            const double fx = s - double(x0), fy = t - double(y0);
            for (size_t c = 0; c < 4; ++c)
                out.push_back((texel(x0, y0, c) * (1 - fx) + texel(x0 + 1, y0, c) * fx) * (1 - fy) +
                              (texel(x0, y0 + 1, c) * (1 - fx) + texel(x0 + 1, y0 + 1, c) * fx) * fy);
        }
    return out;
}

// Source-over on all four channels: source x source alpha + destination x (1 - source alpha).
void Over(std::vector<double>& dst, const std::vector<double>& src)
{
    for (size_t i = 0; i < dst.size(); i += 4)
        for (size_t c = 0; c < 4; ++c)
            dst[i + c] = src[i + c] * src[i + 3] + dst[i + c] * (1 - src[i + 3]);
}

TEST_F(Blend, MatchesAReferenceComposedOnTheCpu)
{
    std::vector<uint8_t> background = PatternRgba(10, 10, false), overlay = PatternRgba(50, 20, true);
    for (size_t i = 0; i < background.size(); i += 4)
        background[i] = uint8_t(i * 5); // sharp steps, so that the filtering shows
    for (size_t i = 3; i < overlay.size(); i += 4)
        overlay[i] = uint8_t(i % 3 == 0 ? 0 : i % 3 == 1 ? 90 : 255);
    const std::vector<uint8_t> picture = PatternRgba(200, 100, true);
    WRITE_PICTURE(background, 10, 10, m_dir.File("bk.png"));
    WRITE_PICTURE(overlay, 50, 20, m_dir.File("mark.png"));
    Open(picture, 200, 100, "picture.png");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_RGBA));

    BlendCommand(m_output, m_dir.File("bk.png"), m_dir.File("mark.png"), m_image);
    EXPECT_ONLY_MESSAGE(m_frame,
                        "Success to blend the current image with the background and overlay image and save it as\n\n" +
                            m_dir.File("out.png") + ".",
                        "Succeed", EMessageIcon::Information);
    EXPECT_EQ(m_frame.m_nCursorDepth, 0);
    EXPECT_EQ(m_nRedraws, 1);

    std::vector<double> expected = StretchBilinear(background, 10, 10, 200, 100);
    Over(expected, StretchBilinear(picture, 200, 100, 200, 100));
    Over(expected, StretchBilinear(overlay, 50, 20, 200, 100));
    std::vector<uint8_t> reference;
    for (double v : expected)
        reference.push_back(uint8_t(std::lround(v * 255)));
    EXPECT_LE(mosvane::test::MaxDifference(Pixels(), reference), 3);

    uint32_t w = 0, h = 0;
    std::vector<uint8_t> written;
    READ_PICTURE(m_dir.File("out.png"), w, h, written);
    EXPECT_EQ(written, Pixels());
}

TEST_F(Blend, OpaqueImageWithoutVisibleLayersStaysAsItWas)
{
    // GL_BGR stays GL_BGR; a fully transparent overlay changes nothing; layers that do not load
    // are left out.
    WRITE_PICTURE(Solid(7, 3, 255, 0, 0, 0), 7, 3, m_dir.File("clear.png"));
    Open(PatternRgba(33, 17, false), 33, 17, "picture.bmp", "-type TrueColor");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_BGR));
    const std::vector<uint8_t> before = Pixels();
    ASSERT_TRUE(BlendImage("", m_dir.File("clear.png"), m_image));
    EXPECT_EQ(m_image.m_gxImg.format, uint32_t(GL_BGR));
    EXPECT_EQ(Pixels(), before);
    ASSERT_TRUE(BlendImage(m_dir.File("missing.png"), m_dir.File("missing.tga"), m_image));
    EXPECT_EQ(Pixels(), before);
}

TEST_F(Blend, CommandReportsOnlyWhatItWrote)
{
    const std::string black = m_dir.File("black.png");
    WRITE_PICTURE(Solid(3, 3, 0, 0, 0), 3, 3, black);
    BlendCommand(m_output, black, "", m_image); // no working image
    Open(Solid(4, 4, 255, 255, 255, 0), 4, 4, "clear.png");
    BlendCommand(m_output, "", "", m_image); // no layers
    EXPECT_EQ(PixelAt(Pixels(), 4, 0, 0)[3], 0);
    // Without output settings the picture is blended all the same, and nothing is said.
    BlendCommand(SequenceRecord{m_dir.Path(), "out", "", "", 0}, black, "", m_image);
    EXPECT_TRUE(m_frame.m_messages.empty());
    EXPECT_EQ(PixelAt(Pixels(), 4, 0, 0), Rgba(0, 0, 0, 255));
    EXPECT_FALSE(mosvane::test::FileExists(m_dir.File("out.png")));

    BlendCommand(SequenceRecord{m_dir.File("gone"), "out", "", "jpg", 0}, black, "", m_image);
    EXPECT_ONLY_MESSAGE(m_frame,
                        "Failed to blend the current image and save it as\n\n" + m_dir.File("gone/out.jpg") + ".",
                        "Fail", EMessageIcon::Exclamation);
}
} // namespace
