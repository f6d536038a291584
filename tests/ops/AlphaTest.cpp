#include "OpsTestSupport.h"

#include "ops/Alpha.h"

namespace
{
using namespace opstest;
using mosvane::test::FileExists;
using mosvane::test::PatternRgba;

const std::string kSaveHint = "\nYou need to save it as a alpha supported image format, such as tga/png.";

using Alpha = OpsFixture;

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
        ASSERT_EQ(PixelAt(grey, w, uint32_t(i % 20), uint32_t(i / 20)),
                  Rgba(picture[i * 4 + 3], picture[i * 4 + 3], picture[i * 4 + 3]));
}

TEST_F(Alpha, ExtractFailures)
{
    const auto says = [&](const SequenceRecord& output, const std::string& text, const std::string& caption) {
        CFrameDouble frame;
        ExtractAlphaCommand(output, m_image);
        EXPECT_ONLY_MESSAGE(frame, text, caption, EMessageIcon::Exclamation);
        EXPECT_FALSE(FileExists(m_dir.File("out.png")));
    };
    const std::string noAlpha = "Sorry but the opened image file does not have a alpha layer data!";
    says(m_output, noAlpha, "Fail"); // no working image
    Open(PatternRgba(8, 8, false), 8, 8, "rgb.png", "-type TrueColor");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_RGB));
    says(m_output, noAlpha, "Fail");
    says(SequenceRecord{"", "out", "", "png", 0}, "Please input the Output Settings first!", "Wrong Parameters");
    Open(PatternRgba(8, 8, true), 8, 8, "rgba.png");
    says(SequenceRecord{m_dir.File("gone"), "out", "", "tga", 0},
         "Failed to save the alpha layer image as\n\n" + m_dir.File("gone/out.tga"), "Fail");
}

TEST_F(Alpha, MakeAlphaTurnsOneColourBlackAndTransparent)
{
    std::vector<uint8_t> picture = Solid(2, 2, 255, 255, 255);
    picture[4] = 254; // one pixel off-white
    Open(picture, 2, 2, "rgb.png", "-type TrueColor");
    MakeAlphaCommand(m_output, 255, 255, 255, 0, m_image);
    EXPECT_ONLY_MESSAGE(
        m_frame, "Succeed to make the alpha layer at pixles which color value is RGB(255, 255, 255)!" + kSaveHint,
        "Succeed", EMessageIcon::Information);
    EXPECT_EQ(m_image.m_gxImg.format, uint32_t(GL_RGBA));
    EXPECT_EQ(m_image.m_gxImg.bytesPerPixel, 4);
    EXPECT_EQ(Pixels(), (std::vector<uint8_t>{0, 0, 0, 0, 254, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_NE(m_image.m_gxImg.texture, 0u);
    EXPECT_EQ(m_nRedraws, 1);

    // Without output settings nothing happens.
    CFrameDouble frame;
    MakeAlphaCommand(SequenceRecord{}, 254, 255, 255, 9, m_image);
    EXPECT_TRUE(frame.m_messages.empty());
    EXPECT_EQ(Pixels()[7], 255);
}

TEST_F(Alpha, MakeAlphaUsesTheLowEightBitsAndFindsRedInBgra)
{
    // 300 compares as 44 while the message shows what was typed.
    Open(Solid(2, 1, 44, 1, 2), 2, 1, "a.png", "-type TrueColor");
    MakeAlphaCommand(m_output, 300, 257, 2, 256 + 77, m_image);
    EXPECT_EQ(m_frame.OnlyMessage().m_strText,
              "Succeed to make the alpha layer at pixles which color value is RGB(300, 257, 2)!" + kSaveHint);
    EXPECT_EQ(Pixels(), (std::vector<uint8_t>{0, 0, 0, 77, 0, 0, 0, 77}));

    // A TGA with alpha loads as GL_BGRA: blue first, red third.
    std::vector<uint8_t> two = Solid(2, 1, 0, 0, 255, 200);
    two[4] = 255, two[6] = 0;
    Open(two, 2, 1, "b.tga");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_BGRA));
    EXPECT_TRUE(MakeAlphaByRgb(0, 0, 255, 9, m_image));
    EXPECT_EQ(Pixels(), (std::vector<uint8_t>{0, 0, 0, 9, 0, 0, 255, 200}));
}

TEST_F(Alpha, CombineTakesTheMeanOfTheFirstThreeBytes)
{
    std::vector<uint8_t> mask = Solid(2, 1, 30, 60, 90);
    mask[4] = 1, mask[5] = 1, mask[6] = 2;
    WRITE_PICTURE(mask, 2, 1, m_dir.File("mask.bmp"), "-type TrueColor");
    WRITE_PICTURE(Solid(3, 1, 9, 9, 9), 3, 1, m_dir.File("wider.png"));
    Open(Solid(2, 1, 5, 6, 7), 2, 1, "image.png", "-type TrueColor");

    // Another size, a missing picture, no path or no output settings: nothing changes or is said.
    CombineAlphaCommand(m_output, m_dir.File("wider.png"), m_image);
    CombineAlphaCommand(m_output, m_dir.File("missing.png"), m_image);
    CombineAlphaCommand(m_output, "", m_image);
    CombineAlphaCommand(SequenceRecord{}, m_dir.File("mask.bmp"), m_image);
    EXPECT_TRUE(m_frame.m_messages.empty());
    EXPECT_EQ(Pixels(), (std::vector<uint8_t>{5, 6, 7, 255, 5, 6, 7, 255}));
    EXPECT_EQ(m_nRedraws, 0);

    CombineAlphaCommand(m_output, m_dir.File("mask.bmp"), m_image);
    EXPECT_ONLY_MESSAGE(m_frame, "Succeed to combine the alpha layer into current image!" + kSaveHint, "Succeed",
                        EMessageIcon::Information);
    // The BMP holds B, G, R: the means of 90, 60, 30 and of 2, 1, 1.
    EXPECT_EQ(Pixels(), (std::vector<uint8_t>{5, 6, 7, 60, 5, 6, 7, 1}));
    EXPECT_EQ(m_nRedraws, 1);
}
} // namespace
