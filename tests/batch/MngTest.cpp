#include "BatchTesting.h"

namespace mosvane::test
{
namespace
{
using Mng = BatchTest;

TEST_F(Mng, FramesThatDoNotLoadAreLeftOutOthersAreFittedAndAbsurdCountsEndCleanly)
{
    std::filesystem::create_directory(dir.File("out"));
    for (const char* name : {"run005.png", "run007.png"})
        Put(dir.File(name), Pattern(8, 6, true));
    auto record = [&](int32_t frames) {
        ASSERT_TRUE(batch.WriteMngSection({{dir.File("out"), "", "", "png", 0}, {dir.File("out"), "", "abc", "png", 5}, frames, 10}));
    };
    record(3);
    batch.AddItem(EBatchKind::Mng, dir.File("run.png"));
    batch.AddItem(EBatchKind::Mng, dir.File("none.png"));
    ASSERT_TRUE(ExecuteMngBatch(batch));
    uint32_t ticks = 0;
    EXPECT_EQ(MngSizes(dir.File("out/run.mng"), &ticks), std::vector<Size>(3, {8, 6})); // the header, two frames
    EXPECT_EQ(ticks, 10u);
    // An item with no frame writes nothing and still steps.
    EXPECT_EQ(frame.m_strProgress, "[2..]");

    Put(dir.File("run006.png"), Pattern(20, 2, true));
    ASSERT_TRUE(ExecuteMngBatch(batch));
    EXPECT_EQ(MngSizes(dir.File("out/run.mng")), std::vector<Size>(4, {8, 6}));
    std::filesystem::remove(dir.File("out/run.mng"));
    std::filesystem::remove(dir.File("run006.png"));

    frame.m_strProgress.clear();
    record(0);
    EXPECT_FALSE(ExecuteMngBatch(batch));
    EXPECT_TRUE(frame.m_strProgress.empty());
    record(-4);
    ASSERT_TRUE(ExecuteMngBatch(batch));
    EXPECT_FALSE(FileExists(dir.File("out/run.mng")));
    // Two thousand million frames: only files that exist are tried (trying every number would
    // outlast the test's time limit), and the frame table holds the two that load.
    record(2000000000);
    ASSERT_TRUE(ExecuteMngBatch(batch));
    EXPECT_EQ(MngSizes(dir.File("out/run.mng")).size(), 3u);
}
} // namespace
} // namespace mosvane::test
