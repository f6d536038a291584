#include "BatchTesting.h"

namespace
{
using namespace batchtest;
using Blend = BatchTest;

// The overlay over an opaque item, upright, is checked end to end with the built runner.
TEST_F(Blend, TheBackgroundIsStretchedUnderEachItemAndWithoutALayerTheBatchIsRefused)
{
    SPicture halves = Solid(100, 100, 255, 0, 0);
    for (size_t i = 0; i < halves.m_rgba.size(); i += 4)
        if ((i / 4) % 100 >= 50)
            halves.m_rgba[i] = 0, halves.m_rgba[i + 2] = 255;
    Put(dir.File("bk.png"), halves);
    Put(dir.File("clear.png"), Solid(640, 480, 0, 0, 0, 0));
    batch.WriteBlendSection(Output(dir.Path()), dir.File("bk.png"), "");
    batch.AddItem(EBatchKind::Blend, dir.File("clear.png"));
    ASSERT_TRUE(ExecuteBlendBatch(batch));
    const SPicture out = Read(dir.File("clear_Blend.png"));
    ASSERT_EQ(out.m_nWidth, 640u);
    EXPECT_TRUE(Near(out.At(0, 0), {255, 0, 0, 255}));
    EXPECT_TRUE(Near(out.At(310, 479), {255, 0, 0, 255}));
    EXPECT_TRUE(Near(out.At(330, 0), {0, 0, 255, 255}));
    EXPECT_EQ(frame.m_calls, (Calls{"begin 1", "step", "end"}));

    // No layer named, or layers that name no loadable picture: nothing to blend with, nothing begun.
    frame.m_calls.clear();
    batch.WriteBlendSection(Output(dir.Path()), "", "");
    EXPECT_FALSE(ExecuteBlendBatch(batch));
    batch.WriteBlendSection(Output(dir.Path()), dir.File("none.png"), dir.File("b.xml"));
    EXPECT_FALSE(ExecuteBlendBatch(batch));
    EXPECT_TRUE(frame.m_calls.empty());
}
} // namespace
