#include "BatchTesting.h"
#include "support/AnimationReaders.h"

namespace mosvane::test
{
namespace
{
using Mng = BatchTest;

TEST_F(Mng, FramesThatDoNotLoadAreLeftOutAndAbsurdCountsEndCleanly)
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

    std::filesystem::remove(dir.File("out/run.mng"));

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

// Every format takes the same frames in the same order with the same missing-frame rule; the
// format is recorded only when it is not MNG (or replaces one recorded before), and a name that is
// no format is refused with that name rather than made into MNG.
TEST_F(Mng, EachFormatMakesTheSameFramesAndAnUnknownFormatIsRefusedByName)
{
    if (PillowPython().empty())
        GTEST_SKIP() << "Pillow (python3-pil) is not installed";
    std::filesystem::create_directory(dir.File("out"));
    // The frames' pixels in each format are the writers' tests'; here the frames given, in order.
    const SPicture first = Put(dir.File("run005.png"), Pattern(8, 6));
    Put(dir.File("run007.png"), Pattern(8, 6, true));
    auto record = [&](const char* format) {
        ASSERT_TRUE(batch.WriteMngSection({{dir.File("out"), "", "", "png", 0}, {dir.File("out"), "", "abc", "png", 5}, 3, 10, format}));
        ASSERT_TRUE(batch.SaveBatchFile());
    };
    const std::string inputLine = "<Input Template=\"abc\" FPS=\"10\" FrameCount=\"3\" FromNumber=\"5\"";
    record("mng");
    ASSERT_TRUE(batch.AddItem(EBatchKind::Mng, dir.File("run.png")));
    ASSERT_TRUE(batch.SaveBatchFile());
    EXPECT_NE(ReadTextFile(dir.File("b.xml")).find(inputLine + "/>"), std::string::npos) << "MNG records no format";
    const struct
    {
        const char* m_pszFormat;
        const char* m_pszFile;
        const char* m_pszPillow;
    } formats[] = {{"apng", "out/run.png", "PNG"}, {"gif", "out/run.gif", "GIF"}};
    for (const auto& f : formats)
    {
        record(f.m_pszFormat);
        EXPECT_NE(ReadTextFile(dir.File("b.xml")).find(inputLine + " Format=\"" + f.m_pszFormat + "\"/>"), std::string::npos);
        CBatchReport report;
        ASSERT_TRUE(ExecuteMngBatch(batch, &report)) << f.m_pszFormat;
        EXPECT_EQ(report.m_nWritten, 1) << f.m_pszFormat;
        EXPECT_EQ(report.m_nIncomplete, 1) << "run006 is missing";
        CTempDir scratch;
        SAnimationRead read;
        ASSERT_TRUE(ReadWithPillow(dir.File(f.m_pszFile), scratch, read)) << f.m_pszFormat;
        EXPECT_EQ(read.m_strFormat, f.m_pszPillow);
        ASSERT_EQ(read.m_frames.size(), 2u) << f.m_pszFormat;
        EXPECT_EQ(read.m_frames[0], first.m_rgba) << f.m_pszFormat;
        ASSERT_EQ(read.m_durations.size(), 2u);
        for (const std::string& duration : read.m_durations)
            EXPECT_EQ(std::stod(duration), 100.0) << f.m_pszFormat;
    }
    // Back to MNG: the recorded "gif" is overwritten, and the MNG is written as before.
    record("");
    EXPECT_NE(ReadTextFile(dir.File("b.xml")).find(inputLine + " Format=\"mng\"/>"), std::string::npos);
    ASSERT_TRUE(ExecuteMngBatch(batch));
    EXPECT_EQ(MngSizes(dir.File("out/run.mng")), std::vector<Size>(3, {8, 6}));

    std::filesystem::remove_all(dir.File("out"));
    std::filesystem::create_directory(dir.File("out"));
    for (const char* unknown : {"webp", "GIF", " apng"})
    {
        record(unknown);
        CBatchReport report;
        EXPECT_FALSE(ExecuteMngBatch(batch, &report)) << unknown;
        ASSERT_EQ(report.m_notes.size(), 1u) << unknown;
        EXPECT_NE(report.m_notes[0].find(std::string("\"Format\" is \"") + unknown + "\""), std::string::npos)
            << report.m_notes[0];
        EXPECT_TRUE(FolderNames(dir.File("out")).empty()) << unknown;
    }
}
} // namespace
} // namespace mosvane::test
