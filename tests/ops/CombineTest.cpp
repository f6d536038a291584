#include "FrameDouble.h"
#include "OpsTestSupport.h"

#include "engine/gx.h"
#include "ops/Combine.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
using namespace opstest;
using mosvane::test::CTempDir;
using mosvane::test::FileExists;

struct Combine : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(mosvane::test::HaveImageMagick());
        ASSERT_TRUE(gxInitialize());
        m_inputs.m_source = SequenceRecord{m_dir.Path(), "img", "###", "png", 1};
        m_inputs.m_nRows = 2;
        m_inputs.m_nCols = 3;
        m_output = SequenceRecord{m_dir.Path(), "sheet", "", "png", 0};
    }
    void TearDown() override { gxDestroy(); }

    std::string Source(int n) const { return m_dir.File("img" + FormatNumberField(n, 3) + ".png"); }
    std::string Output() const { return m_dir.File("sheet.png"); }

    CTempDir m_dir;
    CFrameDouble m_frame;
    CombineInputs m_inputs;
    SequenceRecord m_output;
};

TEST_F(Combine, PicturesFillTheGridInRowOrder)
{
    for (int n = 1; n <= 6; ++n)
        WRITE_PICTURE(Solid(4, 3, uint8_t(n * 40), uint8_t(n), 7), 4, 3, Source(n));
    CombineCommand(m_inputs, m_output);

    const SRecordedMessage message = m_frame.OnlyMessage();
    EXPECT_EQ(message.m_strText, "Succeed to combine the image and save as:\n\n " + Output());
    EXPECT_EQ(message.m_strCaption, "Succeed");
    EXPECT_EQ(message.m_eIcon, EMessageIcon::Information);
    EXPECT_EQ(message.m_pOwner, &m_frame.m_window);
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> sheet;
    READ_PICTURE(Output(), w, h, sheet);
    ASSERT_EQ(w, 12u);
    ASSERT_EQ(h, 6u);
    for (int n = 1; n <= 6; ++n)
    {
        const uint32_t x = uint32_t((n - 1) % 3) * 4, y = uint32_t((n - 1) / 3) * 3;
        EXPECT_EQ(PixelAt(sheet, w, x, y), Rgba(uint8_t(n * 40), uint8_t(n), 7)) << n;
        EXPECT_EQ(PixelAt(sheet, w, x + 3, y + 2), Rgba(uint8_t(n * 40), uint8_t(n), 7)) << n;
    }
    EXPECT_EQ(m_frame.m_progress, (std::vector<std::string>{"begin 6", "step", "step", "step", "step", "step",
                                                            "step", "end"}));
    EXPECT_EQ(m_frame.m_nCursorShown, 1);
    EXPECT_EQ(m_frame.m_nCursorDepth, 0);
}

TEST_F(Combine, MissingAndOddSizedPicturesKeepTheirCells)
{
    // Tiles are 4 x 4 (picture 1). Picture 2 is larger and reaches into the cells right of and
    // below it, 3 is missing, 4 carries alpha, 5 is smaller than a tile, 6 reaches past the edge.
    m_inputs.m_source.m_strType = "bmp";
    const auto source = [&](int n) { return m_dir.File("img" + FormatNumberField(n, 3) + ".bmp"); };
    WRITE_PICTURE(Solid(4, 4, 10, 20, 30), 4, 4, source(1));
    WRITE_PICTURE(Solid(6, 5, 40, 50, 60), 6, 5, source(2));
    WRITE_PICTURE(Solid(4, 4, 70, 80, 90, 128), 4, 4, source(4), "-define bmp:format=bmp4");
    WRITE_PICTURE(Solid(2, 2, 100, 110, 120), 2, 2, source(5));
    WRITE_PICTURE(Solid(9, 9, 130, 140, 150), 9, 9, source(6));
    CombineCommand(m_inputs, m_output);
    EXPECT_EQ(m_frame.OnlyMessage().m_strCaption, "Succeed");

    uint32_t w = 0, h = 0;
    std::vector<uint8_t> sheet;
    READ_PICTURE(Output(), w, h, sheet);
    ASSERT_EQ(w, 12u);
    ASSERT_EQ(h, 8u);
    EXPECT_EQ(PixelAt(sheet, w, 3, 3), Rgba(10, 20, 30));
    EXPECT_EQ(PixelAt(sheet, w, 9, 0), Rgba(40, 50, 60));  // 2 reaches into the empty third cell
    EXPECT_EQ(PixelAt(sheet, w, 11, 3), Rgba(0, 0, 0));     // the rest of the empty cell
    EXPECT_EQ(PixelAt(sheet, w, 0, 4), Rgba(70, 80, 90));   // alpha is dropped
    EXPECT_EQ(PixelAt(sheet, w, 3, 4), Rgba(70, 80, 90));
    EXPECT_EQ(PixelAt(sheet, w, 4, 4), Rgba(100, 110, 120));
    EXPECT_EQ(PixelAt(sheet, w, 7, 7), Rgba(0, 0, 0));      // not covered by the small picture
    EXPECT_EQ(PixelAt(sheet, w, 11, 7), Rgba(130, 140, 150));
    // The missing picture makes no progress step.
    EXPECT_EQ(std::count(m_frame.m_progress.begin(), m_frame.m_progress.end(), "step"), 5);
}

TEST_F(Combine, ThirtyTwoPixelTilesFourByFour)
{
    m_inputs.m_nRows = m_inputs.m_nCols = 4;
    m_inputs.m_source.m_nFromNumber = 0;
    m_inputs.m_source.m_strTemplate = "#";
    for (int n = 0; n < 16; ++n)
        WRITE_PICTURE(mosvane::test::PatternRgba(32, 32, false), 32, 32, m_dir.File("img" + std::to_string(n) + ".png"));
    CombineCommand(m_inputs, m_output);
    ASSERT_EQ(m_frame.OnlyMessage().m_strCaption, "Succeed");
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> sheet;
    READ_PICTURE(Output(), w, h, sheet);
    EXPECT_EQ(w, 128u);
    EXPECT_EQ(h, 128u);
}

TEST_F(Combine, InvalidInputsAreRefusedBeforeAnythingIsRead)
{
    const auto refused = [&](CombineInputs inputs) {
        CFrameDouble frame;
        CombineCommand(inputs, m_output);
        const SRecordedMessage message = frame.OnlyMessage();
        EXPECT_EQ(message.m_strText, "Invalid combination data found!\nPlease input or correct the combination infors!");
        EXPECT_EQ(message.m_strCaption, "Wrong Parameters");
        EXPECT_EQ(message.m_eIcon, EMessageIcon::Exclamation);
        EXPECT_TRUE(frame.m_progress.empty());
    };
    CombineInputs in = m_inputs;
    in.m_nRows = 0;
    refused(in);
    in.m_nRows = -2;
    refused(in);
    in.m_nRows = in.m_nCols = 1;
    refused(in);
    in = m_inputs;
    in.m_source.m_strFolder.clear();
    refused(in);
    in = m_inputs;
    in.m_source.m_strTemplate.clear();
    refused(in);

    CFrameDouble frame;
    CombineCommand(m_inputs, SequenceRecord{m_dir.Path(), "sheet", "", "", 0});
    const SRecordedMessage message = frame.OnlyMessage();
    EXPECT_EQ(message.m_strText, "Please input the output image file infor in the Output Settings panel first!");
    EXPECT_EQ(message.m_strCaption, "Wrong Parameters");
    EXPECT_EQ(message.m_eIcon, EMessageIcon::Exclamation);
}

TEST_F(Combine, FailuresAreReportedWithTheFileName)
{
    {
        CFrameDouble frame;
        CombineCommand(m_inputs, m_output);
        const SRecordedMessage message = frame.OnlyMessage();
        EXPECT_EQ(message.m_strText, "Cannot load the first image of the sequence:\n\n " + Source(1) +
                                         "\n\nNothing was combined.");
        EXPECT_EQ(message.m_strCaption, "Fail");
        EXPECT_EQ(message.m_eIcon, EMessageIcon::Exclamation);
        EXPECT_EQ(frame.m_progress, (std::vector<std::string>{"begin 6", "end"}));
        EXPECT_FALSE(FileExists(Output()));
    }
    WRITE_PICTURE(Solid(2, 2, 1, 2, 3), 2, 2, Source(1));
    {
        CFrameDouble frame;
        const SequenceRecord nowhere{m_dir.File("no-such-folder"), "sheet", "", "png", 0};
        CombineCommand(m_inputs, nowhere);
        EXPECT_EQ(frame.OnlyMessage().m_strText,
                  "Failed to save the combined image as:\n\n " + m_dir.File("no-such-folder/sheet.png"));
        EXPECT_EQ(frame.OnlyMessage().m_strCaption, "Fail");
        EXPECT_EQ(frame.m_progress.back(), "end");
    }
    {
        // A name longer than the system takes is not shortened: the write fails.
        CFrameDouble frame;
        const std::string title(300, 't');
        CombineCommand(m_inputs, SequenceRecord{m_dir.Path(), title, "", "png", 0});
        EXPECT_EQ(frame.OnlyMessage().m_strText,
                  "Failed to save the combined image as:\n\n " + m_dir.File(title + ".png"));
    }
    {
        CFrameDouble frame;
        CombineInputs wide = m_inputs;
        wide.m_nRows = 1;
        wide.m_nCols = 40000; // 2 x 40000 pixels wide is past the engine's 65535
        CombineCommand(wide, m_output);
        EXPECT_EQ(frame.OnlyMessage().m_strText, "The combined image would be too large to make:\n\n " + Output());
        EXPECT_EQ(frame.OnlyMessage().m_strCaption, "Fail");
    }
}

TEST(CombinePrepare, DescribesThePlanOrNamesTheFirstProblem)
{
    CombineInputs in{SequenceRecord{"D:/in", "img", "###", "png", 1}, 2, 3};
    PrepareResult result = PrepareCombine(in);
    EXPECT_TRUE(result.m_bReady);
    EXPECT_EQ(result.m_strHint,
              "Combine out a 2 x 3 picture using images from img001.png to img006.png from the source folder D:/in.");

    in.m_nRows = in.m_nCols = 1; // passes here, refused by the combine itself
    EXPECT_TRUE(PrepareCombine(in).m_bReady);
    in.m_nCols = 0;
    result = PrepareCombine(in);
    EXPECT_FALSE(result.m_bReady);
    EXPECT_EQ(result.m_strHint, "Bad Combination Rows or Cols!");
    in.m_nCols = -1;
    EXPECT_EQ(PrepareCombine(in).m_strHint, "Bad Combination Rows or Cols!");
    in.m_source.m_strTemplate.clear();
    EXPECT_EQ(PrepareCombine(in).m_strHint, "Bad Number Template Inputted!");
    in.m_source.m_strFolder.clear();
    EXPECT_EQ(PrepareCombine(in).m_strHint, "Bad Combination Image Source Folder!");

    const CombineInputs percent{SequenceRecord{"/50%s", "a%d", "##", "p%n", -3}, 1, 5};
    EXPECT_EQ(PrepareCombine(percent).m_strHint,
              "Combine out a 1 x 5 picture using images from a%d-3.p%n to a%d01.p%n from the source folder /50%s.");
}
} // namespace
