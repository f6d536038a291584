#include "BatchTesting.h"

#include <filesystem>

namespace
{
using namespace batchtest;

struct Split : EngineTest
{
    CTempDir dir;
    BatchFile batch;
    CProgressRecorder frame;

    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(batch.NewBatchFile(dir.File("b.xml")));
    }
    void Record(const std::vector<float>& rows, const std::vector<float>& cols, const std::string& numberTemplate = "####",
                int32_t from = 1)
    {
        SequenceRecord out = Output(dir.Path());
        out.m_strTemplate = numberTemplate;
        out.m_nFromNumber = from;
        ASSERT_TRUE(batch.WriteSplitSection(out, rows, cols));
    }
    // Ratios as a hand-edited file holds them.
    void EditRatio(const char* list, uint32_t index, const char* value)
    {
        batch.SectionNode(EBatchKind::Split).ChildByName("Input").ChildByName(list).Child(index).Attribute("Ratio").SetValue(value);
    }
};

TEST_F(Split, PiecesFollowTheStoredRatiosAndLeaveTheRemainderOut)
{
    WRITE_PICTURE(Ramp(300, 200), 300, 200, dir.File("car.png"));
    Record({0.5f, 0.5f}, {1.0f / 3, 1.0f / 3, 1.0f / 3});
    batch.AddItem(EBatchKind::Split, dir.File("car.png"));
    CBatchReport report;
    ASSERT_TRUE(ExecuteSplitBatch(batch, &report));
    EXPECT_EQ(report.m_nWritten, 6);
    // 0.333333 of 300 is 99 pixels: the last three columns are in no piece.
    for (int k = 1; k <= 6; ++k)
    {
        const SPicture piece = Read(dir.File("car000" + std::to_string(k) + ".png"));
        ASSERT_EQ(piece.m_nWidth, 99u);
        ASSERT_EQ(piece.m_nHeight, 100u);
        const uint32_t x = uint32_t((k - 1) % 3 * 99), y = uint32_t((k - 1) / 3 * 100);
        EXPECT_EQ(piece.At(5, 7), Read(dir.File("car.png")).At(x + 5, y + 7)) << k;
    }
    EXPECT_FALSE(FileExists(dir.File("car0007.png")));
    EXPECT_EQ(frame.m_calls, (std::vector<std::string>{"begin 1", "step", "end"}));
}

TEST_F(Split, RatiosSavedForAnyRowCountAreAccepted)
{
    WRITE_PICTURE(Ramp(60, 30), 60, 30, dir.File("a.png"));
    // Six, ten, fourteen and fifteen thirds... of 1.0 stored with six decimals add up to a little
    // more than 1.0 in single precision; the batch Save Config wrote must run.
    for (int n : {2, 6, 10, 14, 15, 26, 60})
    {
        Record(std::vector<float>(size_t(n), float(1.0 / n)), {1.0f});
        EXPECT_TRUE(ExecuteSplitBatch(batch)) << n;
    }
}

TEST_F(Split, RatiosThatCannotBeAppliedRefuseTheBatchBeforeAnything)
{
    WRITE_PICTURE(Ramp(10, 10), 10, 10, dir.File("a.png"));
    Record({0.5f, 0.5f}, {0.5f, 0.5f});
    batch.AddItem(EBatchKind::Split, dir.File("a.png"));
    for (const char* bad : {"0.500100", "-0.5", "nan", "inf", "1e30", "1e999"})
    {
        EditRatio("Cols", 1, bad);
        CBatchReport report;
        EXPECT_FALSE(ExecuteSplitBatch(batch, &report)) << bad;
        EXPECT_EQ(report.m_notes.size(), 1u);
    }
    Record({0.5f, 0.5f}, {0.5f, 0.5f}, "");
    EXPECT_FALSE(ExecuteSplitBatch(batch));
    EXPECT_TRUE(frame.m_calls.empty());
    EXPECT_FALSE(FileExists(dir.File("a0001.png")));
}

TEST_F(Split, AbsurdGridsEndCleanly)
{
    WRITE_PICTURE(Ramp(64, 48), 64, 48, dir.File("a.png"));
    // 100000 rows of no height and a column of no width: no file can hold such pieces.
    Record(std::vector<float>(100000, 0.00001f), {0.0f, 1.0f});
    batch.AddItem(EBatchKind::Split, dir.File("a.png"));
    CBatchReport report;
    ASSERT_TRUE(ExecuteSplitBatch(batch, &report));
    EXPECT_EQ(report.m_nWritten + report.m_nFailedWrites, 0);

    // Ratios just past 1.0 within rounding never reach past the picture's edge.
    Record({1.0f}, {0.5f, 0.5f});
    EditRatio("Cols", 0, "0.500001");
    ASSERT_TRUE(ExecuteSplitBatch(batch));
    EXPECT_EQ(Read(dir.File("a0001.png")).m_nWidth, 32u);
    EXPECT_EQ(Read(dir.File("a0002.png")).m_nWidth, 32u);
}

TEST_F(Split, ItemsThatCannotBeUsedAreSkippedAndPathsAreLiteral)
{
    const std::string odd = dir.File("100%s %d");
    std::filesystem::create_directory(odd);
    // ImageMagick reads '%' in a name as a directive: the picture is written elsewhere and moved.
    WRITE_PICTURE(Ramp(4, 4), 4, 4, dir.File("p.png"));
    std::filesystem::rename(dir.File("p.png"), odd + "/p%n.png");
    SequenceRecord out = Output(odd);
    out.m_strTemplate = "#";
    ASSERT_TRUE(batch.WriteSplitSection(out, {1.0f}, {1.0f}));
    batch.AddItem(EBatchKind::Split, dir.File("missing.png"));
    XmlNode items = batch.SectionNode(EBatchKind::Split).ChildByName("ApplyToItems");
    items.AppendChild(XmlKindComment).SetValue("a note");
    XmlNode bare = items.AppendChild(XmlKindElement);
    bare.SetName("Item");
    batch.AddItem(EBatchKind::Split, odd + "/p%n.png");

    CBatchReport report;
    ASSERT_TRUE(ExecuteSplitBatch(batch, &report));
    EXPECT_TRUE(FileExists(odd + "/p%n0.png"));
    EXPECT_EQ(report.m_nSkipped, 1);
    // Every child counts in the total; only the item that was processed steps.
    EXPECT_EQ(frame.m_calls, (std::vector<std::string>{"begin 4", "step", "end"}));
    // The bare item gained an empty path; the comment did not change.
    EXPECT_EQ(bare.AttributeCount(), 1u);
    EXPECT_EQ(items.Child(1).AttributeCount(), 0u);
}

struct Combine : Split
{
    void Record(int32_t rows, int32_t cols, const std::string& numberTemplate = "####")
    {
        SequenceRecord source;
        source.m_strTemplate = numberTemplate;
        source.m_nFromNumber = 1;
        ASSERT_TRUE(batch.WriteCombineSection(Output(dir.File("out")), rows, cols, source));
    }
    void SetUp() override
    {
        Split::SetUp();
        std::filesystem::create_directory(dir.File("out"));
        for (int n : {1, 2, 3, 5, 6})
            WRITE_PICTURE(Solid(4, 3, uint8_t(n * 40), 0, 0), 4, 3, dir.File("walk000" + std::to_string(n) + ".png"));
    }
};

TEST_F(Combine, AMissingPictureLeavesItsCellAndTheNumberingGoesOn)
{
    Record(2, 3);
    batch.AddItem(EBatchKind::Combine, dir.File("walk.png"));
    ASSERT_TRUE(ExecuteCombineBatch(batch));
    const SPicture sheet = Read(dir.File("out/walk.png"));
    ASSERT_EQ(sheet.m_nWidth, 12u);
    ASSERT_EQ(sheet.m_nHeight, 6u);
    EXPECT_EQ(sheet.At(0, 0)[0], 40);
    EXPECT_EQ(sheet.At(8, 2)[0], 120);
    EXPECT_EQ(sheet.At(1, 4), (std::vector<uint8_t>{0, 0, 0, 255})); // walk0004 is missing
    EXPECT_EQ(sheet.At(5, 4)[0], 200);
}

TEST_F(Combine, GridsWithoutCellsOrTooLargeWriteNothing)
{
    Record(1, 1);
    batch.AddItem(EBatchKind::Combine, dir.File("walk.png"));
    batch.AddItem(EBatchKind::Combine, dir.File("nothing.png"));
    for (auto [rows, cols] : {std::pair{0, 3}, std::pair{-2, 3}, std::pair{100000, 100000}, std::pair{1, 20000}})
    {
        Record(rows, cols);
        CBatchReport report;
        ASSERT_TRUE(ExecuteCombineBatch(batch, &report));
        EXPECT_EQ(report.m_nSkipped, 2) << rows << " x " << cols;
        EXPECT_EQ(report.m_nWritten + report.m_nFailedWrites, 0);
    }
    EXPECT_FALSE(FileExists(dir.File("out/walk.png")));
    // The first item stepped, each time; the second never loaded.
    EXPECT_EQ(frame.m_calls.size(), 12u);
}

TEST_F(Combine, AnEmptyTitleIsReplacedByANumber)
{
    Record(1, 2, "#");
    WRITE_PICTURE(Solid(2, 2, 9, 9, 9), 2, 2, dir.File("1.png"));
    batch.AddItem(EBatchKind::Combine, dir.File(".png"));
    ASSERT_TRUE(ExecuteCombineBatch(batch));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("out")))
        names.push_back(entry.path().filename().string());
    ASSERT_EQ(names.size(), 1u);
    const int number = std::stoi(names[0]);
    EXPECT_TRUE(number >= 0 && number <= 32767);
    EXPECT_EQ(names[0], std::to_string(number) + ".png");
}
} // namespace
