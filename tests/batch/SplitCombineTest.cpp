#include "BatchTesting.h"

#include "batch/BatchSections.h"
#include "ops/SheetLayout.h"
#include "ops/Split.h"

namespace mosvane::test
{
namespace
{

struct Split : BatchTest
{
    void Record(const std::vector<float>& rows, const std::vector<float>& cols, const std::string& numbers = "####")
    {
        ASSERT_TRUE(batch.WriteSplitSection({{dir.Path(), "", numbers, "png", 1}, rows, cols}));
    }
    // A column ratio as a hand-edited file holds it.
    void EditRatio(uint32_t index, const char* value)
    {
        XmlNode cols = batch.SectionNode(EBatchKind::Split).ChildByName("Input").ChildByName("Cols");
        cols.Child(index).Attribute("Ratio").SetValue(value);
    }
};

TEST_F(Split, AGridRecordedFromTheViewCutsTheSamePixelsFromAPictureOfItsSize)
{
    // Sides up to the largest picture, grids of two to five cells with and without margin and
    // gutters: through the stored text, every cell keeps the size and place "Split it!" gives it.
    uint64_t seed = 7;
    const auto next = [&seed](int64_t below) { return int64_t((seed = seed * 6364136223846793005u + 1) >> 33) % below; };
    for (int round = 0; round < 400; ++round)
    {
        std::vector<int32_t> sizes(size_t(2 + next(4)));
        for (int32_t& size : sizes)
            size = int32_t(1 + next(round % 4 == 0 ? 16000 : 64));
        CSplitGrid grid;
        grid.m_colWidths = sizes;
        grid.m_rowHeights = {int32_t(1 + next(65535))};
        SplitInputs inputs{{dir.Path(), "", "##", "png", 1}, {1.0f}, std::vector<float>(sizes.size())};
        inputs.m_sheet.m_nMargin = round % 3 == 0 ? next(3) : 0;
        inputs.m_sheet.m_nSpacing = round % 5 == 0 ? next(3) : 0;
        std::vector<SSheetSpan> expected, cut;
        int64_t side = 0;
        for (int32_t size : sizes)
            side += size;
        if (!SheetSpansOfSizes(sizes, inputs.m_sheet.m_nMargin, inputs.m_sheet.m_nSpacing, expected))
            continue;
        ASSERT_TRUE(RecordSplitGrid(grid, inputs) && batch.WriteSplitSection(inputs));
        ASSERT_TRUE(ExecuteSplitBatch(batch)) << "round " << round << ": the recorded shares are refused";
        SplitInputs read;
        BatchSection section;
        ASSERT_TRUE(batch.GetSection(EBatchKind::Split, section));
        ReadSplitSection(section, read);
        ASSERT_TRUE(SheetSpansOfRatios(read.m_colFractions, side, inputs.m_sheet.m_nMargin, inputs.m_sheet.m_nSpacing, cut));
        for (size_t k = 0; k < sizes.size(); ++k)
            ASSERT_TRUE(cut[k].m_nStart == expected[k].m_nStart && cut[k].m_nLength == expected[k].m_nLength)
                << "round " << round << " cell " << k << ": " << cut[k].m_nLength << " of " << expected[k].m_nLength;
    }
}

TEST_F(Split, RatiosAreAcceptedAsSaveConfigWritesThemAndOthersRefusedBeforeAnything)
{
    // 1/6, 1/10, 1/14, 1/15 ... stored with six decimals add up to a little more than 1.0.
    for (int n : {6, 10, 14, 15, 26})
    {
        Record(std::vector<float>(size_t(n), float(1.0 / n)), {1.0f});
        EXPECT_TRUE(ExecuteSplitBatch(batch)) << n;
    }
    Put(dir.File("a.png"), Solid(64, 48, 1, 2, 3));
    batch.AddItem(EBatchKind::Split, dir.File("a.png"));
    frame.m_strProgress.clear();
    Record({1.0f}, {0.5f, 0.5f});
    for (const char* bad : {"0.500100", "-0.5", "nan", "inf", "1e30", "1e999"})
    {
        EditRatio(1, bad);
        EXPECT_FALSE(ExecuteSplitBatch(batch)) << bad;
    }
    Record({1.0f}, {0.5f, 0.5f}, "");
    EXPECT_FALSE(ExecuteSplitBatch(batch));
    EXPECT_TRUE(frame.m_strProgress.empty());
    EXPECT_FALSE(FileExists(dir.File("a0001.png")));

    // Within the rounding allowance, but no piece reaches past the picture's edge.
    Record({1.0f}, {0.5f, 0.5f});
    EditRatio(0, "0.500001");
    ASSERT_TRUE(ExecuteSplitBatch(batch));
    EXPECT_EQ(Read(dir.File("a0002.png")).m_nWidth, 32u);
    // Ten thousand rows of no height, and a column of no width: no file can hold such pieces.
    Record(std::vector<float>(10000, 0.0001f), {0.0f, 1.0f});
    CBatchReport report;
    ASSERT_TRUE(ExecuteSplitBatch(batch, &report));
    EXPECT_EQ(report.m_nWritten + report.m_nFailedWrites, 0);
}

TEST_F(Split, ItemsThatCannotBeUsedAreSkippedAndNamesAreLiteral)
{
    const std::string odd = dir.File("100%s %d");
    std::filesystem::create_directory(odd);
    // ImageMagick reads '%' in a name as a directive: the picture is written elsewhere and moved.
    Put(dir.File("p.png"), Solid(4, 4, 1, 2, 3));
    std::filesystem::rename(dir.File("p.png"), odd + "/p%n.png");
    ASSERT_TRUE(batch.WriteSplitSection({{odd, "", "#", "png", 0}, {1.0f}, {1.0f}}));
    batch.AddItem(EBatchKind::Split, dir.File("missing.png"));
    XmlNode items = batch.SectionNode(EBatchKind::Split).ChildByName("ApplyToItems");
    items.AppendChild(XmlKindComment).SetValue("a note");
    items.AppendChild(XmlKindElement).SetName("Item");
    batch.AddItem(EBatchKind::Split, odd + "/p%n.png");

    ASSERT_TRUE(ExecuteSplitBatch(batch));
    EXPECT_TRUE(FileExists(odd + "/p%n0.png"));
    // Every child counts in the total; only the item that was processed steps.
    EXPECT_EQ(frame.m_strProgress, "[4.]");
}

struct Combine : BatchTest
{
    void SetUp() override
    {
        BatchTest::SetUp();
        std::filesystem::create_directory(dir.File("out"));
        for (int n : {1, 2, 3, 5, 6})
            Put(dir.File("walk000" + std::to_string(n) + ".png"), Solid(4, 3, uint8_t(n * 40), 0, 0));
        Record(2, 3);
        batch.AddItem(EBatchKind::Combine, dir.File("walk.png"));
    }
    void Record(int32_t rows, int32_t cols)
    {
        ASSERT_TRUE(batch.WriteCombineSection({Output(dir.File("out")), {"", "", "####", "", 1}, rows, cols}));
    }
};

TEST_F(Combine, GridsWithoutCellsOrTooLargeWriteNothing)
{
    batch.AddItem(EBatchKind::Combine, dir.File("nothing.png"));
    for (auto [rows, cols] : {std::pair{0, 3}, std::pair{-2, 3}, std::pair{100000, 100000}, std::pair{1, 20000}})
    {
        Record(rows, cols);
        CBatchReport report;
        ASSERT_TRUE(ExecuteCombineBatch(batch, &report));
        EXPECT_EQ(report.m_nSkipped, 2) << rows << " x " << cols;
    }
    EXPECT_FALSE(FileExists(dir.File("out/walk.png")));
    // The first item stepped each time; the second never loaded.
    EXPECT_EQ(frame.m_strProgress, "[2.][2.][2.][2.]");
}
} // namespace
} // namespace mosvane::test
