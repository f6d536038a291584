#include "OpsTestSupport.h"

#include "ops/Combine.h"
#include "ops/Split.h"

namespace
{
using namespace opstest;
using mosvane::test::FileExists;
using mosvane::test::PatternRgba;

using Split = OpsFixture;

TEST_F(Split, DrawSplitLineRefusesGridsWithoutProperCells)
{
    Open(PatternRgba(10, 60, false), 10, 60, "narrow.png");
    CSplitGrid grid;
    ASSERT_TRUE(DrawSplitLineCommand(2, 3, m_image, grid));
    EXPECT_TRUE(m_frame.m_messages.empty());
    for (const auto& [rows, cols] : std::vector<std::pair<int32_t, int32_t>>{{1, 1}, {0, 2}, {-1, 3}, {1, 7}})
    {
        CFrameDouble frame;
        EXPECT_FALSE(DrawSplitLineCommand(rows, cols, m_image, grid));
        EXPECT_ONLY_MESSAGE(frame, "Invalid split row or column value found!\nPlease correct it first to continue!",
                            "OK", EMessageIcon::Exclamation);
    }
    EXPECT_EQ(grid.m_colWidths, (std::vector<int32_t>{4, 4, 2}));

    CWorkingImage none; // valid counts without an image lay nothing and say nothing
    CSplitGrid empty;
    EXPECT_FALSE(DrawSplitLineCommand(1, 2, none, empty));
    EXPECT_TRUE(empty.Empty());
    EXPECT_TRUE(m_frame.m_messages.empty());
}

TEST_F(Split, CellsWrittenAndCombinedGiveThePictureBack)
{
    const std::vector<uint8_t> picture = PatternRgba(96, 64, true);
    Open(picture, 96, 64, "source.png");
    CSplitGrid grid;
    ASSERT_TRUE(DrawSplitLineCommand(2, 3, m_image, grid));
    SplitCommand(SequenceRecord{m_dir.Path(), "cell", "", "png", 0}, "###", 9, m_image, grid);
    EXPECT_ONLY_MESSAGE(m_frame, "Succeed to split the image and save as:\n\n " + m_dir.File("cell###.png"),
                        "Succeed", EMessageIcon::Information);
    EXPECT_EQ(m_frame.m_progress.front(), "begin 6");
    EXPECT_EQ(m_frame.Steps(), 6u);
    EXPECT_EQ(m_frame.m_nCursorDepth, 0);
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> cell;
    READ_PICTURE(m_dir.File("cell013.png"), w, h, cell); // bottom row, middle column
    EXPECT_EQ(w, 32u);
    EXPECT_EQ(h, 32u);
    EXPECT_EQ(PixelAt(cell, 32, 0, 0), PixelAt(picture, 96, 32, 32)); // alpha kept in the cells
    EXPECT_FALSE(FileExists(m_dir.File("cell015.png")));

    CombineCommand(CombineInputs{SequenceRecord{m_dir.Path(), "cell", "###", "png", 9}, 2, 3},
                   SequenceRecord{m_dir.Path(), "whole", "", "png", 0});
    ASSERT_EQ(m_frame.m_messages.size(), 2u);
    std::vector<uint8_t> whole, opaque = picture;
    READ_PICTURE(m_dir.File("whole.png"), w, h, whole);
    for (size_t i = 3; i < opaque.size(); i += 4)
        opaque[i] = 255;
    EXPECT_EQ(whole, opaque);
}

TEST_F(Split, SettingsAndWriteFailuresAreReported)
{
    Open(PatternRgba(40, 20, false), 40, 20, "source.bmp");
    CSplitGrid grid;
    SplitCommand(m_output, "#", 1, m_image, grid); // a grid never laid writes nothing and succeeds
    EXPECT_EQ(m_frame.OnlyMessage().m_strCaption, "Succeed");
    EXPECT_FALSE(FileExists(m_dir.File("out1.png")));

    ASSERT_TRUE(grid.DrawSplitLines(1, 2, 40, 20));
    const auto says = [&](const SequenceRecord& output, const std::string& tmpl, const std::string& text,
                          const std::string& caption) {
        CFrameDouble frame;
        SplitCommand(output, tmpl, -1, m_image, grid);
        if (text.empty())
            EXPECT_TRUE(frame.m_messages.empty() && frame.m_progress.empty());
        else
            EXPECT_ONLY_MESSAGE(frame, text, caption, EMessageIcon::Exclamation);
    };
    const std::string wrong = "Invalid output settings!\nPlease input or correct the output settings!";
    says(SequenceRecord{m_dir.Path(), "", "", "png", 0}, "#", wrong, "Wrong Settings");
    says(SequenceRecord{m_dir.Path(), "out", "", "", 0}, "#", wrong, "Wrong Settings");
    says(m_output, "", "", "");
    says(SequenceRecord{m_dir.File("gone"), "out", "", "bmp", 0}, "###",
         "Failed to save 2 of the 2 split images, the first as:\n\n " + m_dir.File("gone/out-01.bmp"), "Fail");
}
} // namespace
