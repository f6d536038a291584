#include "BatchTesting.h"

namespace
{
using namespace batchtest;

// The sizes in the MNG header and in each embedded PNG header, in file order; *ticks gets the
// header's ticks per second.
std::vector<std::pair<uint32_t, uint32_t>> MngSizes(const std::string& path, uint32_t* ticks = nullptr)
{
    std::vector<uint8_t> d;
    EXPECT_TRUE(ReadFileBytes(path, d)) << path;
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

struct Mng : BatchTest
{
    void SetUp() override
    {
        BatchTest::SetUp();
        std::filesystem::create_directory(dir.File("out"));
        for (int n : {5, 7})
            WRITE_PICTURE(PatternRgba(8, 6, true), 8, 6, dir.File("run00" + std::to_string(n) + ".png"));
        Record(3);
        batch.AddItem(EBatchKind::Mng, dir.File("run.png"));
    }
    void Record(int32_t frames)
    {
        ASSERT_TRUE(batch.WriteMngSection(SequenceRecord{dir.File("out"), "", "abc", "png", 5}, frames, 10));
    }
};

TEST_F(Mng, FramesThatDoNotLoadAreLeftOutAndOthersAreFittedToTheFirst)
{
    batch.AddItem(EBatchKind::Mng, dir.File("none.png"));
    ASSERT_TRUE(ExecuteMngBatch(batch));
    uint32_t ticks = 0;
    EXPECT_EQ(MngSizes(dir.File("out/run.mng"), &ticks).size(), 3u); // the header and two frames
    EXPECT_EQ(ticks, 10u);
    // An item with no frame writes nothing and still steps.
    EXPECT_EQ(frame.m_calls, (std::vector<std::string>{"begin 2", "step", "step", "end"}));

    WRITE_PICTURE(PatternRgba(20, 2, true), 20, 2, dir.File("run006.png"));
    ASSERT_TRUE(ExecuteMngBatch(batch));
    EXPECT_EQ(MngSizes(dir.File("out/run.mng")), (std::vector<std::pair<uint32_t, uint32_t>>(4, {8, 6})));
}

TEST_F(Mng, AbsurdFrameCountsEndCleanly)
{
    Record(0);
    EXPECT_FALSE(ExecuteMngBatch(batch));
    EXPECT_TRUE(frame.m_calls.empty());
    Record(-4);
    ASSERT_TRUE(ExecuteMngBatch(batch));
    EXPECT_FALSE(FileExists(dir.File("out/run.mng")));
    // Two thousand million frames: only files that exist are tried (trying every number would
    // outlast the test's time limit), and the frame table holds the two that load.
    Record(2000000000);
    ASSERT_TRUE(ExecuteMngBatch(batch));
    EXPECT_EQ(MngSizes(dir.File("out/run.mng")).size(), 3u);
}
} // namespace
