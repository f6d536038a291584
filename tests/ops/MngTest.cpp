#include "OpsTestSupport.h"

#include "ops/Mng.h"
#include "ops/MngFrames.h"

#include <sstream>

namespace
{
using namespace opstest;
using mosvane::test::FileExists;

struct Mng : OpsFixture
{
    // f05.png, f06.png, f07.png at 10 frames per second.
    MngInputs m_in{SequenceRecord{m_dir.Path(), "f", "##", "png", 5}, 3, 10};
    std::string Frame(int n) const { return m_dir.File("f" + FormatNumberField(n, 2) + ".png"); }
    std::string Output() const { return m_dir.File("out.mng"); }
};

// An engine image holding the given pixels.
CEngineImage MakeImage(uint32_t w, uint32_t h, uint32_t format, const std::vector<uint8_t>& pixels)
{
    CEngineImage image = CEngineImage::Generate();
    image.Bind();
    EXPECT_TRUE(gxTexImage(int(w), int(h), format) && gxSetPixels(0, 0, int(w), int(h), format, pixels.data()));
    image.Refresh();
    return image;
}

TEST_F(Mng, FramesBecomeRgbaOfTheFirstFramesSize)
{
    CMngFrameSet frames;
    EXPECT_FALSE(frames.Add(CEngineImage()));
    ASSERT_TRUE(frames.Add(MakeImage(2, 2, GL_BGRA, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})));
    ASSERT_TRUE(frames.Add(MakeImage(3, 1, GL_RGB, {1, 1, 1, 2, 2, 2, 3, 3, 3}))); // cropped and padded
    ASSERT_EQ(frames.Count(), 2);
    EXPECT_EQ(frames.Width(), 2);
    EXPECT_EQ(frames.Height(), 2);
    const uint8_t* const* p = frames.Pointers();
    EXPECT_EQ(std::vector<uint8_t>(p[0], p[0] + 16),
              (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12, 15, 14, 13, 16}));
    EXPECT_EQ(std::vector<uint8_t>(p[1], p[1] + 16),
              (std::vector<uint8_t>{1, 1, 1, 255, 2, 2, 2, 255, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(Mng, MissingFramesAreLeftOutAndOthersFitTheFirst)
{
    WRITE_PICTURE(Solid(8, 6, 200, 10, 10), 8, 6, Frame(5));
    WRITE_PICTURE(Solid(10, 4, 10, 200, 10), 10, 4, Frame(7));
    MngCommand(m_in, m_output);

    EXPECT_ONLY_MESSAGE(m_frame, "Success to make the mng animation and save it as\n\n" + Output() + ".", "Succeed",
                        EMessageIcon::Information);
    std::string sizes;
    ASSERT_EQ(mosvane::test::RunCommand("identify -format '%w %h,' " + mosvane::test::ShellQuote(Output()), &sizes), 0);
    EXPECT_EQ(sizes, "8 6,8 6,");
    EXPECT_EQ(m_frame.m_progress, (std::vector<std::string>{"begin 4", "step", "step", "step", "step", "end"}));
    EXPECT_EQ(m_frame.m_nCursorDepth, 0);
}

TEST_F(Mng, InvalidSettingsAreRefused)
{
    const auto refused = [&](int32_t frames, int32_t fps, const std::string& folder, const std::string& tmpl) {
        CFrameDouble frame;
        MngCommand(MngInputs{SequenceRecord{folder, "f", tmpl, "png", 5}, frames, fps}, m_output);
        EXPECT_ONLY_MESSAGE(frame,
                            "Invalid mng animation settings!\nPlease input or correct the settings and try again!",
                            "Wrong Parameters", EMessageIcon::Exclamation);
    };
    refused(0, 10, m_dir.Path(), "##");
    refused(3, 0, m_dir.Path(), "##");
    refused(3, 10, "", "##");
    refused(3, 10, m_dir.Path(), "");

    // Output settings without a type: nothing happens and nothing is said.
    WRITE_PICTURE(Solid(2, 2, 1, 2, 3), 2, 2, Frame(5));
    MngCommand(m_in, SequenceRecord{m_dir.Path(), "out", "", "", 0});
    EXPECT_TRUE(m_frame.m_messages.empty());
    EXPECT_FALSE(FileExists(Output()));
}

TEST_F(Mng, NothingLoadedOrNothingWrittenIsAFailure)
{
    const auto fails = [&](const MngInputs& in, const SequenceRecord& output, const std::string& text) {
        CFrameDouble frame;
        MngCommand(in, output);
        EXPECT_ONLY_MESSAGE(frame, text, "Fail", EMessageIcon::Exclamation);
        EXPECT_FALSE(FileExists(Output()));
    };
    const std::string noFrames =
        "No image of the sequence could be loaded, the first being\n\n" + Frame(5) + "\n\nNo mng animation was made.";
    fails(m_in, m_output, noFrames);
    WRITE_PICTURE(Solid(2, 2, 1, 2, 3), 2, 2, Frame(5));
    fails(MngInputs{m_in.m_source, -3, 10}, m_output, noFrames); // a negative count passes the check
    fails(m_in, SequenceRecord{m_dir.File("gone"), "out", "", "bmp", 0},
          "Failed to save the mng animation as\n\n" + m_dir.File("gone/out.mng") + ".");
}
} // namespace
