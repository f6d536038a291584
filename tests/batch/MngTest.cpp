#include "BatchTesting.h"

#include <filesystem>

namespace
{
using namespace batchtest;

// The sizes in the MNG header and in each embedded PNG header, in file order.
std::vector<std::pair<uint32_t, uint32_t>> MngSizes(const std::string& path, uint32_t* ticks = nullptr)
{
    std::vector<uint8_t> d;
    EXPECT_TRUE(mosvane::test::ReadFileBytes(path, d)) << path;
    auto be32 = [&](size_t at) { return uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | d[at + 3]; };
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
    for (size_t at = 8; at + 12 <= d.size(); at += 12 + be32(at))
    {
        const std::string type(d.begin() + long(at) + 4, d.begin() + long(at) + 8);
        if (type == "MHDR" && ticks)
            *ticks = be32(at + 16);
        if (type == "MHDR" || type == "IHDR")
            sizes.emplace_back(be32(at + 8), be32(at + 12));
    }
    return sizes;
}

struct Mng : EngineTest
{
    CTempDir dir;
    BatchFile batch;
    CProgressRecorder frame;

    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(batch.NewBatchFile(dir.File("b.xml")));
        for (int n : {5, 7})
            WRITE_PICTURE(Ramp(8, 6), 8, 6, dir.File("run00" + std::to_string(n) + ".png"));
    }
    void Record(int32_t from, int32_t frames, int32_t fps = 10)
    {
        SequenceRecord record = Output(dir.File("out"));
        record.m_strTemplate = "abc";
        record.m_nFromNumber = from;
        ASSERT_TRUE(batch.WriteMngSection(record, frames, fps));
    }
};

TEST_F(Mng, FramesThatDoNotLoadAreLeftOut)
{
    std::filesystem::create_directory(dir.File("out"));
    Record(5, 3);
    batch.AddItem(EBatchKind::Mng, dir.File("run.png"));
    batch.AddItem(EBatchKind::Mng, dir.File("none.png"));
    ASSERT_TRUE(ExecuteMngBatch(batch));
    uint32_t ticks = 0;
    EXPECT_EQ(MngSizes(dir.File("out/run.mng"), &ticks).size(), 3u); // the header and two frames
    EXPECT_EQ(ticks, 10u);
    // An item with no frame writes nothing and still steps.
    EXPECT_EQ(frame.m_calls, (std::vector<std::string>{"begin 2", "step", "step", "end"}));
}

TEST_F(Mng, FramesOfAnotherSizeAreFittedToTheFirst)
{
    std::filesystem::create_directory(dir.File("out"));
    WRITE_PICTURE(Ramp(20, 2), 20, 2, dir.File("run006.png"));
    Record(5, 3);
    batch.AddItem(EBatchKind::Mng, dir.File("run.png"));
    ASSERT_TRUE(ExecuteMngBatch(batch));
    const auto sizes = MngSizes(dir.File("out/run.mng"));
    ASSERT_EQ(sizes.size(), 4u);
    for (const auto& size : sizes)
        EXPECT_EQ(size, (std::pair<uint32_t, uint32_t>{8, 6}));
}

TEST_F(Mng, AbsurdFrameCountsEndCleanly)
{
    std::filesystem::create_directory(dir.File("out"));
    Record(5, 0);
    batch.AddItem(EBatchKind::Mng, dir.File("run.png"));
    EXPECT_FALSE(ExecuteMngBatch(batch));
    EXPECT_TRUE(frame.m_calls.empty());

    Record(5, -4);
    ASSERT_TRUE(ExecuteMngBatch(batch));
    EXPECT_FALSE(FileExists(dir.File("out/run.mng")));

    // Two thousand million frames: only those that exist are tried (trying each number would
    // outlast the test's time limit), and the table holds the two that load.
    Record(5, 2000000000);
    ASSERT_TRUE(ExecuteMngBatch(batch));
    EXPECT_EQ(MngSizes(dir.File("out/run.mng")).size(), 3u);
}
} // namespace
