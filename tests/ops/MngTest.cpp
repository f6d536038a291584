#include "FrameDouble.h"
#include "OpsTestSupport.h"

#include "engine/gx.h"
#include "ops/Mng.h"
#include "ops/MngFrames.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
using namespace opstest;
using mosvane::test::CTempDir;
using mosvane::test::FileExists;

// An engine image holding the given pixels.
CEngineImage MakeImage(uint32_t w, uint32_t h, uint32_t format, const std::vector<uint8_t>& pixels)
{
    CEngineImage image = CEngineImage::Generate();
    image.Bind();
    EXPECT_TRUE(gxTexImage(int(w), int(h), format));
    EXPECT_TRUE(gxSetPixels(0, 0, int(w), int(h), format, pixels.data()));
    image.Refresh();
    return image;
}

struct MngFrames : ::testing::Test
{
    void SetUp() override { ASSERT_TRUE(gxInitialize()); }
    void TearDown() override { gxDestroy(); }
};

TEST_F(MngFrames, FramesBecomeRgbaOfTheFirstFramesSize)
{
    CMngFrameSet frames;
    EXPECT_FALSE(frames.Add(CEngineImage()));
    ASSERT_TRUE(frames.Add(MakeImage(3, 2, GL_BGRA, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                                                     13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24})));
    // Larger: cropped to 3 x 2.
    ASSERT_TRUE(frames.Add(MakeImage(4, 3, GL_RGB, std::vector<uint8_t>(36, 200))));
    // Smaller: padded with transparent black.
    ASSERT_TRUE(frames.Add(MakeImage(1, 1, GL_RGBA, {9, 8, 7, 6})));
    ASSERT_EQ(frames.Count(), 3);
    EXPECT_EQ(frames.Width(), 3);
    EXPECT_EQ(frames.Height(), 2);

    const uint8_t* const* p = frames.Pointers();
    EXPECT_EQ(std::vector<uint8_t>(p[0], p[0] + 8), (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));
    std::vector<uint8_t> cropped(24, 200);
    for (size_t i = 3; i < cropped.size(); i += 4)
        cropped[i] = 255;
    EXPECT_EQ(std::vector<uint8_t>(p[1], p[1] + 24), cropped);
    std::vector<uint8_t> padded(24, 0);
    padded[0] = 9, padded[1] = 8, padded[2] = 7, padded[3] = 6;
    EXPECT_EQ(std::vector<uint8_t>(p[2], p[2] + 24), padded);

    frames.Clear();
    EXPECT_EQ(frames.Count(), 0);
}

TEST(FitRgbaPixels, CropsAndPads)
{
    const std::vector<uint8_t> src = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4}; // 2 x 2
    std::vector<uint8_t> wide(3 * 1 * 4, 0xEE);
    FitRgbaPixels(src.data(), 2, 2, wide.data(), 3, 1);
    EXPECT_EQ(wide, (std::vector<uint8_t>{1, 1, 1, 1, 2, 2, 2, 2, 0, 0, 0, 0}));
    std::vector<uint8_t> tall(1 * 3 * 4, 0xEE);
    FitRgbaPixels(src.data(), 2, 2, tall.data(), 1, 3);
    EXPECT_EQ(tall, (std::vector<uint8_t>{1, 1, 1, 1, 3, 3, 3, 3, 0, 0, 0, 0}));
}

struct Mng : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(mosvane::test::HaveImageMagick());
        ASSERT_TRUE(gxInitialize());
        m_inputs = MngInputs{SequenceRecord{m_dir.Path(), "f", "##", "png", 5}, 3, 10};
        m_output = SequenceRecord{m_dir.Path(), "anim", "", "png", 0};
    }
    void TearDown() override { gxDestroy(); }

    std::string Frame(int n) const { return m_dir.File("f" + FormatNumberField(n, 2) + ".png"); }
    std::string Output() const { return m_dir.File("anim.mng"); }

    CTempDir m_dir;
    CFrameDouble m_frame;
    MngInputs m_inputs;
    SequenceRecord m_output;
};

// "w h" of every frame ImageMagick finds in the file.
std::vector<std::string> FrameSizes(const std::string& path)
{
    std::string text;
    if (mosvane::test::RunCommand("identify -format '%w %h\\n' " + mosvane::test::ShellQuote(path) + " 2>/dev/null",
                                  &text) != 0)
        return {};
    std::vector<std::string> sizes;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        sizes.push_back(line);
    return sizes;
}

TEST_F(Mng, MissingFramesAreLeftOutAndOthersFitTheFirst)
{
    WRITE_PICTURE(Solid(8, 6, 200, 10, 10), 8, 6, Frame(5));
    WRITE_PICTURE(Solid(10, 4, 10, 200, 10), 10, 4, Frame(7));
    MngCommand(m_inputs, m_output);

    const SRecordedMessage message = m_frame.OnlyMessage();
    EXPECT_EQ(message.m_strText, "Success to make the mng animation and save it as\n\n" + Output() + ".");
    EXPECT_EQ(message.m_strCaption, "Succeed");
    EXPECT_EQ(message.m_eIcon, EMessageIcon::Information);
    EXPECT_EQ(FrameSizes(Output()), (std::vector<std::string>{"8 6", "8 6"}));
    EXPECT_EQ(m_frame.m_progress, (std::vector<std::string>{"begin 4", "step", "step", "step", "step", "end"}));
    EXPECT_EQ(m_frame.m_nCursorShown, 1);
    EXPECT_EQ(m_frame.m_nCursorDepth, 0);
}

TEST_F(Mng, InvalidSettingsAreRefused)
{
    const auto refused = [&](MngInputs inputs) {
        CFrameDouble frame;
        MngCommand(inputs, m_output);
        const SRecordedMessage message = frame.OnlyMessage();
        EXPECT_EQ(message.m_strText,
                  "Invalid mng animation settings!\nPlease input or correct the settings and try again!");
        EXPECT_EQ(message.m_strCaption, "Wrong Parameters");
        EXPECT_EQ(message.m_eIcon, EMessageIcon::Exclamation);
        EXPECT_TRUE(frame.m_progress.empty());
    };
    MngInputs in = m_inputs;
    in.m_nFrameCount = 0;
    refused(in);
    in = m_inputs;
    in.m_nFramesPerSecond = 0;
    refused(in);
    in = m_inputs;
    in.m_source.m_strFolder.clear();
    refused(in);
    in = m_inputs;
    in.m_source.m_strTemplate.clear();
    refused(in);

    // Output settings without a type: nothing happens and nothing is said.
    CFrameDouble frame;
    WRITE_PICTURE(Solid(2, 2, 1, 2, 3), 2, 2, Frame(5));
    MngCommand(m_inputs, SequenceRecord{m_dir.Path(), "anim", "", "", 0});
    EXPECT_TRUE(frame.m_messages.empty());
    EXPECT_FALSE(FileExists(Output()));
}

TEST_F(Mng, NothingLoadedOrNothingWrittenIsAFailure)
{
    const std::string noFrames =
        "No image of the sequence could be loaded, the first being\n\n" + Frame(5) + "\n\nNo mng animation was made.";
    {
        CFrameDouble frame;
        MngCommand(m_inputs, m_output);
        EXPECT_EQ(frame.OnlyMessage().m_strText, noFrames);
        EXPECT_EQ(frame.OnlyMessage().m_strCaption, "Fail");
        EXPECT_EQ(frame.OnlyMessage().m_eIcon, EMessageIcon::Exclamation);
        EXPECT_EQ(frame.m_progress, (std::vector<std::string>{"begin 4", "step", "step", "step", "end"}));
        EXPECT_FALSE(FileExists(Output()));
    }
    WRITE_PICTURE(Solid(2, 2, 1, 2, 3), 2, 2, Frame(5));
    {
        // A negative frame count passes the check and loads nothing.
        CFrameDouble frame;
        MngInputs negative = m_inputs;
        negative.m_nFrameCount = -3;
        MngCommand(negative, m_output);
        EXPECT_EQ(frame.OnlyMessage().m_strText, noFrames);
        EXPECT_TRUE(frame.m_progress.empty());
        EXPECT_FALSE(FileExists(Output()));
    }
    {
        CFrameDouble frame;
        MngCommand(m_inputs, SequenceRecord{m_dir.File("missing"), "anim", "", "bmp", 0});
        EXPECT_EQ(frame.OnlyMessage().m_strText,
                  "Failed to save the mng animation as\n\n" + m_dir.File("missing/anim.mng") + ".");
        EXPECT_EQ(frame.OnlyMessage().m_strCaption, "Fail");
    }
}
} // namespace
