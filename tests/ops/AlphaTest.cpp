#include "WorkingImageFixture.h"

#include "ops/Alpha.h"

namespace
{
using namespace opstest;
using mosvane::test::FileExists;
using mosvane::test::PatternRgba;

const std::string kSaveHint = "\nYou need to save it as a alpha supported image format, such as tga/png.";

using Alpha = WorkingImageOps;

// White background with a red 2 x 2 square at (1, 1), opaque, 4 x 4.
std::vector<uint8_t> RedOnWhite()
{
    std::vector<uint8_t> rgba = Solid(4, 4, 255, 255, 255);
    for (uint32_t y = 1; y < 3; ++y)
        for (uint32_t x = 1; x < 3; ++x)
        {
            uint8_t* p = &rgba[(y * 4 + x) * 4];
            p[1] = p[2] = 0;
        }
    return rgba;
}

TEST_F(Alpha, ExtractWritesTheAlphaAsGrey)
{
    const std::vector<uint8_t> picture = PatternRgba(20, 10, true);
    Open(picture, 20, 10, "alpha.png");
    const std::vector<uint8_t> before = Pixels();
    ExtractAlphaCommand(m_output, m_image);
    EXPECT_ONLY_MESSAGE(m_frame, "Succeed to extract and save the alpha layer image as\n\n" + m_dir.File("out.png"),
                        "Succeed", EMessageIcon::Information);
    EXPECT_EQ(Pixels(), before);
    EXPECT_EQ(m_frame.m_nCursorShown, 1);

    uint32_t w = 0, h = 0;
    std::vector<uint8_t> grey;
    READ_PICTURE(m_dir.File("out.png"), w, h, grey);
    ASSERT_EQ(w * h, 200u);
    for (size_t i = 0; i < 200; ++i)
    {
        const uint8_t a = picture[i * 4 + 3];
        ASSERT_EQ(PixelAt(grey, w, uint32_t(i % 20), uint32_t(i / 20)), Rgba(a, a, a)) << i;
    }
}

TEST_F(Alpha, ExtractFailures)
{
    const std::string noAlpha = "Sorry but the opened image file does not have a alpha layer data!";
    ExtractAlphaCommand(m_output, m_image); // no working image
    EXPECT_ONLY_MESSAGE(m_frame, noAlpha, "Fail", EMessageIcon::Exclamation);

    Open(PatternRgba(8, 8, false), 8, 8, "rgb.png", "-type TrueColor");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_RGB));
    {
        CFrameDouble frame;
        ExtractAlphaCommand(m_output, m_image);
        EXPECT_ONLY_MESSAGE(frame, noAlpha, "Fail", EMessageIcon::Exclamation);
        EXPECT_FALSE(FileExists(m_dir.File("out.png")));
    }
    {
        CFrameDouble frame;
        ExtractAlphaCommand(SequenceRecord{"", "out", "", "png", 0}, m_image);
        EXPECT_ONLY_MESSAGE(frame, "Please input the Output Settings first!", "Wrong Parameters",
                            EMessageIcon::Exclamation);
    }
    Open(PatternRgba(8, 8, true), 8, 8, "rgba.png");
    {
        CFrameDouble frame;
        ExtractAlphaCommand(SequenceRecord{m_dir.File("gone"), "out", "", "tga", 0}, m_image);
        EXPECT_ONLY_MESSAGE(frame, "Failed to save the alpha layer image as\n\n" + m_dir.File("gone/out.tga"), "Fail",
                            EMessageIcon::Exclamation);
    }
}

TEST_F(Alpha, MakeAlphaTurnsOneColourBlackAndTransparent)
{
    Open(RedOnWhite(), 4, 4, "rgb.png", "-type TrueColor");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_RGB));
    MakeAlphaCommand(m_output, 255, 255, 255, 0, m_image);
    EXPECT_ONLY_MESSAGE(m_frame, "Succeed to make the alpha layer at pixles which color value is RGB(255, 255, 255)!" + kSaveHint,
                        "Succeed", EMessageIcon::Information);
    EXPECT_EQ(m_image.m_gxImg.format, uint32_t(GL_RGBA));
    EXPECT_EQ(m_image.m_gxImg.bytesPerPixel, 4);
    EXPECT_NE(m_image.m_gxImg.texture, 0u);
    EXPECT_EQ(m_nRedraws, 1);
    const std::vector<uint8_t> pixels = Pixels();
    EXPECT_EQ(PixelAt(pixels, 4, 0, 0), Rgba(0, 0, 0, 0));
    EXPECT_EQ(PixelAt(pixels, 4, 3, 3), Rgba(0, 0, 0, 0));
    EXPECT_EQ(PixelAt(pixels, 4, 1, 1), Rgba(255, 0, 0, 255));
}

TEST_F(Alpha, MakeAlphaUsesTheLowEightBitsAndFindsRedInBgra)
{
    // 300 compares as 44 while the message shows what was typed.
    Open(Solid(2, 1, 44, 1, 2), 2, 1, "a.png", "-type TrueColor");
    MakeAlphaCommand(m_output, 300, 257, 2, 256 + 77, m_image);
    EXPECT_ONLY_MESSAGE(m_frame, "Succeed to make the alpha layer at pixles which color value is RGB(300, 257, 2)!" + kSaveHint,
                        "Succeed", EMessageIcon::Information);
    EXPECT_EQ(Pixels(), (std::vector<uint8_t>{0, 0, 0, 77, 0, 0, 0, 77}));

    // A TGA with alpha loads as GL_BGRA: red is its third byte.
    std::vector<uint8_t> two = Solid(2, 1, 0, 0, 255, 200);
    two[4] = 255, two[6] = 0; // second pixel pure red
    Open(two, 2, 1, "b.tga");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_BGRA));
    EXPECT_TRUE(MakeAlphaByRgb(0, 0, 255, 9, m_image));
    EXPECT_EQ(m_image.m_gxImg.format, uint32_t(GL_BGRA));
    EXPECT_EQ(Pixels(), (std::vector<uint8_t>{0, 0, 0, 9, 0, 0, 255, 200}));
}

TEST_F(Alpha, MakeAlphaNeedsAnImageAndOutputSettings)
{
    MakeAlphaCommand(m_output, 1, 2, 3, 4, m_image);
    EXPECT_TRUE(m_frame.m_messages.empty());
    Open(RedOnWhite(), 4, 4, "rgb.png", "-type TrueColor");
    MakeAlphaCommand(SequenceRecord{m_dir.Path(), "", "", "png", 0}, 255, 255, 255, 0, m_image);
    EXPECT_TRUE(m_frame.m_messages.empty());
    EXPECT_EQ(m_image.m_gxImg.format, uint32_t(GL_RGB));
}

TEST_F(Alpha, CombineTakesTheMeanOfTheFirstThreeBytes)
{
    std::vector<uint8_t> source = Solid(2, 1, 30, 60, 90);
    source[4] = 1, source[5] = 1, source[6] = 2;
    const std::string alphaPath = m_dir.File("mask.bmp");
    WRITE_PICTURE(source, 2, 1, alphaPath, "-type TrueColor");
    Open(Solid(2, 1, 5, 6, 7), 2, 1, "image.png", "-type TrueColor");

    CombineAlphaCommand(m_output, alphaPath, m_image);
    EXPECT_ONLY_MESSAGE(m_frame, "Succeed to combine the alpha layer into current image!" + kSaveHint, "Succeed",
                        EMessageIcon::Information);
    // The BMP holds B, G, R: the mean of 90, 60, 30 and of 2, 1, 1.
    EXPECT_EQ(Pixels(), (std::vector<uint8_t>{5, 6, 7, 60, 5, 6, 7, 1}));
    EXPECT_EQ(m_nRedraws, 1);
}

TEST_F(Alpha, CombineWithAnotherSizeChangesNothingAndSaysNothing)
{
    const std::string wider = m_dir.File("wider.png");
    WRITE_PICTURE(Solid(5, 4, 9, 9, 9), 5, 4, wider);
    Open(PatternRgba(4, 4, true), 4, 4, "image.png");
    const std::vector<uint8_t> before = Pixels();
    CombineAlphaCommand(m_output, wider, m_image);
    CombineAlphaCommand(m_output, m_dir.File("missing.png"), m_image);
    CombineAlphaCommand(m_output, "", m_image);
    CombineAlphaCommand(SequenceRecord{}, m_dir.File("image.png"), m_image);
    EXPECT_TRUE(m_frame.m_messages.empty());
    EXPECT_EQ(Pixels(), before);
    EXPECT_EQ(m_nRedraws, 0);
}
} // namespace
