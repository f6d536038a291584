#include "WorkingImageFixture.h"

#include "ops/Blend.h"

#include <algorithm>
#include <cmath>

namespace
{
using namespace opstest;
using mosvane::test::FileExists;
using mosvane::test::MaxDifference;
using mosvane::test::PatternRgba;

using Blend = WorkingImageOps;

struct SPicture
{
    uint32_t m_nWidth;
    uint32_t m_nHeight;
    std::vector<uint8_t> m_rgba;
};

// The picture stretched to w x h as linear filtering with clamped edges samples it: each target
// pixel centre maps into the source, between the four nearest texel centres.
std::vector<double> StretchBilinear(const SPicture& src, uint32_t w, uint32_t h)
{
    std::vector<double> out(size_t(w) * h * 4);
    const auto texel = [&](int64_t x, int64_t y, int c) {
        x = std::clamp<int64_t>(x, 0, src.m_nWidth - 1);
        y = std::clamp<int64_t>(y, 0, src.m_nHeight - 1);
        return src.m_rgba[(size_t(y) * src.m_nWidth + size_t(x)) * 4 + size_t(c)] / 255.0;
    };
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
        {
            const double s = (x + 0.5) * src.m_nWidth / w - 0.5, t = (y + 0.5) * src.m_nHeight / h - 0.5;
            const int64_t x0 = int64_t(std::floor(s)), y0 = int64_t(std::floor(t));
            const double fx = s - double(x0), fy = t - double(y0);
            for (int c = 0; c < 4; ++c)
            {
                const double top = texel(x0, y0, c) * (1 - fx) + texel(x0 + 1, y0, c) * fx;
                const double bottom = texel(x0, y0 + 1, c) * (1 - fx) + texel(x0 + 1, y0 + 1, c) * fx;
                out[(size_t(y) * w + x) * 4 + size_t(c)] = top * (1 - fy) + bottom * fy;
            }
        }
    return out;
}

// Source-over on all four channels: result = source x source alpha + destination x (1 - source alpha).
void Over(std::vector<double>& dst, const std::vector<double>& src)
{
    for (size_t i = 0; i < dst.size(); i += 4)
    {
        const double a = src[i + 3];
        for (size_t c = 0; c < 4; ++c)
            dst[i + c] = src[i + c] * a + dst[i + c] * (1 - a);
    }
}

std::vector<uint8_t> ToBytes(const std::vector<double>& values)
{
    std::vector<uint8_t> bytes(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        bytes[i] = uint8_t(std::lround(std::clamp(values[i], 0.0, 1.0) * 255));
    return bytes;
}

TEST_F(Blend, MatchesAReferenceComposedOnTheCpu)
{
    SPicture background{10, 10, PatternRgba(10, 10, false)};
    for (size_t i = 0; i < background.m_rgba.size(); i += 4)
        background.m_rgba[i] = uint8_t(i * 5); // sharp steps, so that the filtering shows
    SPicture overlay{50, 20, PatternRgba(50, 20, true)};
    for (size_t i = 3; i < overlay.m_rgba.size(); i += 4)
        overlay.m_rgba[i] = uint8_t((i / 4) % 3 == 0 ? 0 : (i / 4) % 3 == 1 ? 90 : 255);
    const SPicture picture{200, 100, PatternRgba(200, 100, true)};
    const std::string backgroundPath = m_dir.File("bk.png"), overlayPath = m_dir.File("mark.png");
    WRITE_PICTURE(background.m_rgba, 10, 10, backgroundPath);
    WRITE_PICTURE(overlay.m_rgba, 50, 20, overlayPath);
    Open(picture.m_rgba, 200, 100, "picture.png");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_RGBA));

    BlendCommand(m_output, backgroundPath, overlayPath, m_image);
    EXPECT_ONLY_MESSAGE(m_frame,
                        "Success to blend the current image with the background and overlay image and save it as\n\n" +
                            m_dir.File("out.png") + ".",
                        "Succeed", EMessageIcon::Information);

    std::vector<double> expected = StretchBilinear(background, 200, 100);
    Over(expected, StretchBilinear(picture, 200, 100));
    Over(expected, StretchBilinear(overlay, 200, 100));
    const std::vector<uint8_t> reference = ToBytes(expected);
    EXPECT_LE(MaxDifference(Pixels(), reference), 3);
    EXPECT_EQ(m_nRedraws, 1);

    uint32_t w = 0, h = 0;
    std::vector<uint8_t> written;
    READ_PICTURE(m_dir.File("out.png"), w, h, written);
    EXPECT_EQ(written, Pixels());
}

TEST_F(Blend, OpaqueImageWithoutVisibleLayersStaysAsItWas)
{
    // GL_BGR stays GL_BGR; an overlay that is transparent everywhere changes nothing, and layers
    // that do not load are left out.
    const std::string clear = m_dir.File("clear.png");
    WRITE_PICTURE(Solid(7, 3, 255, 0, 0, 0), 7, 3, clear);
    Open(PatternRgba(33, 17, false), 33, 17, "picture.bmp", "-type TrueColor");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_BGR));
    const std::vector<uint8_t> before = Pixels();

    ASSERT_TRUE(BlendImage("", clear, m_image));
    EXPECT_EQ(m_image.m_gxImg.format, uint32_t(GL_BGR));
    EXPECT_EQ(Pixels(), before);
    ASSERT_TRUE(BlendImage(m_dir.File("missing.png"), m_dir.File("missing.tga"), m_image));
    EXPECT_EQ(Pixels(), before);
}

TEST_F(Blend, TranslucentImageTakesTheTargetsAlpha)
{
    // 50% white over an opaque black background: half grey, alpha 0.5 x 0.5 + 1 x 0.5.
    const std::string black = m_dir.File("black.png");
    WRITE_PICTURE(Solid(3, 3, 0, 0, 0), 3, 3, black);
    Open(Solid(4, 4, 255, 255, 255, 128), 4, 4, "half.png");
    ASSERT_TRUE(BlendImage(black, "", m_image));
    const std::vector<uint8_t> pixel = PixelAt(Pixels(), 4, 2, 2);
    EXPECT_NEAR(pixel[0], 128, 2);
    EXPECT_NEAR(pixel[3], 191, 2);
    // A second blend starts from the result of the first.
    ASSERT_TRUE(BlendImage(black, "", m_image));
    EXPECT_NEAR(PixelAt(Pixels(), 4, 2, 2)[0], 96, 2);
}

TEST_F(Blend, CommandReportsOnlyWhatItWrote)
{
    const std::string black = m_dir.File("black.png");
    WRITE_PICTURE(Solid(3, 3, 0, 0, 0), 3, 3, black);
    BlendCommand(m_output, black, "", m_image); // no working image
    EXPECT_TRUE(m_frame.m_messages.empty());

    Open(Solid(4, 4, 255, 255, 255, 0), 4, 4, "clear.png");
    BlendCommand(m_output, "", "", m_image);
    EXPECT_TRUE(m_frame.m_messages.empty());
    EXPECT_EQ(PixelAt(Pixels(), 4, 0, 0)[3], 0);

    // Without output settings the picture is blended all the same, and nothing is said.
    BlendCommand(SequenceRecord{m_dir.Path(), "out", "", "", 0}, black, "", m_image);
    EXPECT_TRUE(m_frame.m_messages.empty());
    EXPECT_EQ(PixelAt(Pixels(), 4, 0, 0), Rgba(0, 0, 0, 255));
    EXPECT_FALSE(FileExists(m_dir.File("out.png")));

    BlendCommand(SequenceRecord{m_dir.File("gone"), "out", "", "jpg", 0}, black, "", m_image);
    EXPECT_ONLY_MESSAGE(m_frame, "Failed to blend the current image and save it as\n\n" + m_dir.File("gone/out.jpg") + ".",
                        "Fail", EMessageIcon::Exclamation);
    EXPECT_EQ(m_frame.m_nCursorDepth, 0);
}
} // namespace
