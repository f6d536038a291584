#include "WorkingImageFixture.h"

#include "ops/Combine.h"
#include "ops/Split.h"

namespace
{
using namespace opstest;
using mosvane::test::FileExists;
using mosvane::test::PatternRgba;

const char* const kInvalidGrid = "Invalid split row or column value found!\nPlease correct it first to continue!";

using Split = WorkingImageOps;

TEST_F(Split, DrawSplitLineRefusesGridsWithoutProperCells)
{
    Open(PatternRgba(10, 60, false), 10, 60, "narrow.png");
    CSplitGrid grid;
    ASSERT_TRUE(DrawSplitLineCommand(2, 3, m_image, grid));
    EXPECT_TRUE(m_frame.m_messages.empty());
    EXPECT_EQ(grid.m_colWidths, (std::vector<int32_t>{4, 4, 2}));

    for (const auto& [rows, cols] : std::vector<std::pair<int32_t, int32_t>>{{1, 1}, {0, 2}, {2, 0}, {-1, 3}, {1, 7}})
    {
        CFrameDouble frame;
        EXPECT_FALSE(DrawSplitLineCommand(rows, cols, m_image, grid)) << rows << " x " << cols;
        EXPECT_ONLY_MESSAGE(frame, kInvalidGrid, "OK", EMessageIcon::Exclamation);
        EXPECT_EQ(grid.m_colWidths, (std::vector<int32_t>{4, 4, 2}));
    }

    // Without an image valid counts lay nothing and say nothing.
    CWorkingImage none;
    CSplitGrid empty;
    EXPECT_FALSE(DrawSplitLineCommand(1, 2, none, empty));
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(m_frame.m_messages.size(), 0u);
}

TEST_F(Split, EveryCellIsWrittenUnderItsNumber)
{
    const std::vector<uint8_t> picture = PatternRgba(100, 60, true);
    Open(picture, 100, 60, "source.png");
    CSplitGrid grid;
    ASSERT_TRUE(DrawSplitLineCommand(2, 3, m_image, grid));
    SplitCommand(SequenceRecord{m_dir.Path(), "tile", "", "png", 0}, "##", 9, m_image, grid);

    EXPECT_ONLY_MESSAGE(m_frame, "Succeed to split the image and save as:\n\n " + m_dir.File("tile##.png"), "Succeed",
                        EMessageIcon::Information);
    EXPECT_EQ(m_frame.m_progress.front(), "begin 6");
    EXPECT_EQ(m_frame.m_progress.size(), 8u);
    EXPECT_EQ(m_frame.m_nCursorShown, 1);
    EXPECT_EQ(m_frame.m_nCursorDepth, 0);

    const std::vector<SGridCell> cells = grid.Cells();
    for (size_t k = 0; k < cells.size(); ++k)
    {
        const std::string name = m_dir.File("tile" + FormatNumberField(int64_t(9 + k), 2) + ".png");
        uint32_t w = 0, h = 0;
        std::vector<uint8_t> tile;
        READ_PICTURE(name, w, h, tile);
        ASSERT_EQ(w, uint32_t(cells[k].m_nWidth));
        ASSERT_EQ(h, uint32_t(cells[k].m_nHeight));
        for (uint32_t y = 0; y < h; y += h - 1)
            for (uint32_t x = 0; x < w; x += w - 1)
                EXPECT_EQ(PixelAt(tile, w, x, y),
                          PixelAt(picture, 100, uint32_t(cells[k].m_nX) + x, uint32_t(cells[k].m_nY) + y))
                    << name << " " << x << "," << y;
    }
}

TEST_F(Split, SettingsAndWriteFailuresAreReported)
{
    Open(PatternRgba(40, 20, false), 40, 20, "source.bmp");
    CSplitGrid grid;
    // A grid never laid writes nothing and still reports success.
    SplitCommand(m_output, "#", 1, m_image, grid);
    EXPECT_ONLY_MESSAGE(m_frame, "Succeed to split the image and save as:\n\n " + m_dir.File("out#.png"), "Succeed",
                        EMessageIcon::Information);
    EXPECT_FALSE(FileExists(m_dir.File("out1.png")));

    ASSERT_TRUE(grid.DrawSplitLines(1, 2, 40, 20));
    {
        CFrameDouble frame;
        SplitCommand(SequenceRecord{m_dir.Path(), "", "", "png", 0}, "#", 1, m_image, grid);
        EXPECT_ONLY_MESSAGE(frame, "Invalid output settings!\nPlease input or correct the output settings!",
                            "Wrong Settings", EMessageIcon::Exclamation);
        SplitCommand(SequenceRecord{m_dir.Path(), "out", "", "", 0}, "#", 1, m_image, grid);
        EXPECT_EQ(frame.m_messages.size(), 2u);
    }
    {
        CFrameDouble frame;
        SplitCommand(m_output, "", 1, m_image, grid);
        EXPECT_TRUE(frame.m_messages.empty());
        EXPECT_TRUE(frame.m_progress.empty());
    }
    {
        CFrameDouble frame;
        SplitCommand(SequenceRecord{m_dir.File("gone"), "out", "", "bmp", 0}, "###", -1, m_image, grid);
        EXPECT_ONLY_MESSAGE(frame, "Failed to save 2 of the 2 split images, the first as:\n\n " +
                                       m_dir.File("gone/out-01.bmp"),
                            "Fail", EMessageIcon::Exclamation);
        EXPECT_EQ(frame.m_progress.back(), "end");
    }
}

TEST_F(Split, CombiningTheCellsGivesThePictureBack)
{
    const std::vector<uint8_t> picture = PatternRgba(96, 64, true);
    Open(picture, 96, 64, "source.png");
    CSplitGrid grid;
    ASSERT_TRUE(DrawSplitLineCommand(2, 3, m_image, grid));
    SplitCommand(SequenceRecord{m_dir.Path(), "cell", "", "png", 0}, "###", 1, m_image, grid);
    CombineCommand(CombineInputs{SequenceRecord{m_dir.Path(), "cell", "###", "png", 1}, 2, 3},
                   SequenceRecord{m_dir.Path(), "whole", "", "png", 0});
    ASSERT_EQ(m_frame.m_messages.size(), 2u);
    EXPECT_EQ(m_frame.m_messages[1].m_strCaption, "Succeed");

    uint32_t w = 0, h = 0;
    std::vector<uint8_t> whole;
    READ_PICTURE(m_dir.File("whole.png"), w, h, whole);
    ASSERT_EQ(w, 96u);
    ASSERT_EQ(h, 64u);
    std::vector<uint8_t> opaque = picture;
    for (size_t i = 3; i < opaque.size(); i += 4)
        opaque[i] = 255;
    EXPECT_EQ(whole, opaque);
}
} // namespace
