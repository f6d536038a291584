// Batch files written to hurt: huge templates, absurd counts, numbers at the ends of the range,
// empty ratio entries, an empty folder, a zero frame rate, and runs that did only part of their
// work. Each must end cleanly, quickly, within bounded memory, and say what happened.

#include "batch/BatchCommon.h"
#include "batch/BatchTesting.h"

#include <chrono>
#include <climits>
#include <tuple>

namespace
{
using namespace mosvane::test;
using namespace batch;

// A temporary folder with an output folder "out" in it.
struct HostileRun : ::testing::Test
{
    CTempDir dir;
    std::string out = dir.File("out");
    void SetUp() override { std::filesystem::create_directory(out); }
};

TEST_F(HostileRun, ReportLinesAreBoundedAndAHugeTemplateStaysWithinAMemoryLimit)
{
    const std::string huge(20'000'000, 'x');
    const std::string shown = CBatchReport::Bounded(huge + ": could not be written");
    EXPECT_LE(shown.size(), CBatchReport::kMaxLineBytes + 64);
    EXPECT_NE(shown.find("20000022 characters"), std::string::npos);
    EXPECT_NE(shown.find(": could not be written"), std::string::npos);
    EXPECT_EQ(CBatchReport::Bounded("short"), "short");
    // Cut between characters, never inside one.
    std::string accents;
    for (int i = 0; i < 1000; ++i)
        accents += "\xC3\xA9";
    const std::string cut = CBatchReport::Bounded(accents);
    EXPECT_EQ(cut.substr(0, cut.find(' ')).size() % 2, 0u);

    if (kUnderSanitizer)
        GTEST_SKIP() << "address space limits do not apply under the sanitizer";
    // Every piece's name would be 20 million characters long: each item is refused once, with a
    // short line, and nothing of the template is copied per piece.
    Put(dir.File("a.png"), Pattern(4, 4));
    const std::string ratios = "<Rows><Row Ratio=\"0.5\"/><Row Ratio=\"0.5\"/></Rows>"
                               "<Cols><Col Ratio=\"0.5\"/><Col Ratio=\"0.5\"/></Cols>";
    const std::string batch =
        WriteBatch(dir.File("b.xml"),
                   {Section("SplitBatch",
                            PngOutput(out) + " FromNumber=\"1\" Template=\"" + std::string(20'000'000, '#') + "\"",
                            "", std::vector<std::string>(12, dir.File("a.png")), ratios)});
    EXPECT_EQ(RunInChild([&] { return RunWith({batch, "--kind", "split"}).m_nStatus; }, 120000, uint64_t(300) << 20),
              kRunnerFailed);
}

TEST_F(HostileRun, SequencesNoSystemCanNameAreRefusedOnceWithoutProbing)
{
    const std::string name255(251, 'n');
    struct SCase
    {
        CSequencePattern m_pattern;
        bool m_bFits;
    } cases[] = {
        {{"dir/" + name255.substr(4), 4, ".png"}, true},         // exactly NAME_MAX
        {{"dir/" + name255.substr(3), 4, ".png"}, false},
        {{std::string(PATH_MAX, 'd') + "/w", 1, ".png"}, false}, // the whole path too long
        {{"seq", 200'000, "/x.png"}, false},                    // the field names a folder
        {{"seq", 3, "/x.png"}, true},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(SequenceNamesFit(c.m_pattern), c.m_bFits) << c.m_pattern.m_strHead.size() << " "
                                                           << c.m_pattern.m_nDigits;

    const std::string longTemplate(200'000, '#');
    const std::vector<std::string> items(3, dir.File("walk.png"));
    for (const auto& [section, kind, input] :
         {std::tuple{"MNGMakingBatch", "mng", "FrameCount=\"65536\" FPS=\"10\" FromNumber=\"1\""},
          std::tuple{"CombineBatch", "combine", "Rows=\"256\" Cols=\"256\" FromNumber=\"1\""}})
    {
        const std::string batch = WriteBatch(
            dir.File("b.xml"),
            {Section(section, PngOutput(out), std::string(input) + " Template=\"" + longTemplate + "\"", items)});
        const auto start = std::chrono::steady_clock::now();
        const SRun run = RunWith({batch, "--kind", kind});
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << kind;
        EXPECT_EQ(run.m_nStatus, kRunnerFailed) << kind;
        EXPECT_TRUE(run.Says(kNamesTooLong)) << run.m_strErr;
    }
}

TEST_F(HostileRun, NumbersAtTheEndsOfTheRangeBecomeNoFrames)
{
    // Beyond the count the folder is listed rather than probed; these must not pass for members.
    for (const char* name : {"run-3.png", "run9223372036854775807.png", "run-9223372036854775808.png"})
        Put(dir.File(name), Pattern(6, 4, true));
    const std::string batch =
        WriteBatch(dir.File("b.xml"), {Section("MNGMakingBatch", "Folder=\"" + out + "\"",
                                               "Template=\"\" FromNumber=\"-5\" FrameCount=\"100000\" FPS=\"5\"",
                                               {dir.File("run.png")})});
    const SRun run = RunWith({batch});
    EXPECT_EQ(MngSizes(out + "/run.mng"), std::vector<Size>(2, {6, 4})); // the header and one frame
    // The members that are not there: the first few of each gap named, the rest counted.
    EXPECT_TRUE(run.Says(dir.File("run-5.png") + " does not exist")) << run.m_strErr;
    EXPECT_TRUE(run.Says(dir.File("run7.png") + " does not exist")) << run.m_strErr;
    EXPECT_FALSE(run.Says(dir.File("run8.png") + " does not exist")) << run.m_strErr;
    EXPECT_TRUE(run.Says("and 99987 more members do not exist")) << run.m_strErr;
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
}

TEST_F(HostileRun, RatioEntriesThatAddNothingAddNoAllowance)
{
    Put(dir.File("a.png"), Pattern(8, 8));
    auto rows = [](std::vector<std::string> ratios, int empty) {
        std::string text = "<Rows>";
        for (const std::string& ratio : ratios)
            text += "<Row Ratio=\"" + ratio + "\"/>";
        for (int i = 0; i < empty; ++i)
            text += "<Row/>";
        return text + "</Rows><Cols><Col Ratio=\"1\"/></Cols>";
    };
    const struct
    {
        std::vector<std::string> m_ratios;
        int m_nEmpty;
        bool m_bRuns;
    } cases[] = {
        {{"0.6", "0.5"}, 200'000, false},
        {std::vector<std::string>(6, "0.166667"), 1000, true}, // stored roundings are still allowed for
    };
    for (const auto& c : cases)
    {
        const std::string batch =
            WriteBatch(dir.File("b.xml"), {Section("SplitBatch", PngOutput(out) + " Template=\"#\"", "",
                                                   {dir.File("a.png")}, rows(c.m_ratios, c.m_nEmpty))});
        EXPECT_EQ(RunWith({batch}).m_nStatus, c.m_bRuns ? kRunnerSucceeded : kRunnerFailed)
            << c.m_ratios.size() << " ratios, " << c.m_nEmpty << " empty";
    }
}

TEST_F(HostileRun, AnEmptyFolderIsTheCurrentFolderNotTheRoot)
{
    EXPECT_EQ(ItemOutputName("", "car", "_Blend", "png"), "car_Blend.png");
    Put(dir.File("car.png"), Pattern(4, 4, true));
    const std::string batch =
        WriteBatch(dir.File("b.xml"), {Section("AlphaExtractBatch", PngOutput(""), "", {dir.File("car.png")})});
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const SRun run = RunWith({batch});
    std::filesystem::current_path(before);
    EXPECT_EQ(run.m_nStatus, kRunnerSucceeded) << run.m_strErr;
    EXPECT_TRUE(FileExists(dir.File("car_Alpha.png")));
}

TEST_F(HostileRun, AFrameRateOfZeroIsABadSettingNotAFailedWrite)
{
    Put(dir.File("run1.png"), Pattern(4, 4));
    for (const char* fps : {"0", "-3"})
    {
        const std::string batch = WriteBatch(
            dir.File("b.xml"), {Section("MNGMakingBatch", "Folder=\"" + dir.Path() + "\"",
                                        std::string("Template=\"#\" FromNumber=\"1\" FrameCount=\"1\" FPS=\"") + fps + "\"",
                                        {dir.File("run.png")})});
        const SRun run = RunWith({batch});
        EXPECT_EQ(run.m_strOut, std::string("mng: ") + kBatchFailText + "\n");
        EXPECT_TRUE(run.Says(std::string("\"FPS\" is ") + fps)) << run.m_strErr;
        EXPECT_FALSE(run.Says("could not be written"));
        EXPECT_FALSE(FileExists(dir.File("run.mng")));
    }
}

TEST_F(HostileRun, StatusZeroOnlyWhenEveryItemAndMemberGaveItsOutputs)
{
    Put(dir.File("walk1.png"), Pattern(4, 4));
    WriteTextFile(dir.File("walk2.png"), "\x89PNG\r\n\x1a\n truncated");
    const std::string batch =
        WriteBatch(dir.File("b.xml"), {Section("CombineBatch", PngOutput(out),
                                               "Template=\"#\" FromNumber=\"1\" Rows=\"1\" Cols=\"3\"", {dir.File("walk.png")})});
    SRun run = RunWith({batch});
    // The kind itself ran and wrote its picture, but never says "Succeed"; the summary tells what
    // is missing from it.
    EXPECT_EQ(run.m_strOut, std::string("combine: ") + kBatchFailText +
                                " 0 of 1 items done; 1 item without all of their members: see the summary\n");
    EXPECT_TRUE(FileExists(out + "/walk.png"));
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_TRUE(run.Says(dir.File("walk2.png") + " could not be decoded")) << run.m_strErr;
    EXPECT_TRUE(run.Says(dir.File("walk3.png") + " does not exist")) << run.m_strErr;
    EXPECT_TRUE(run.Says("1 item with members missing or not decoded")) << run.m_strErr;

    Put(dir.File("walk2.png"), Pattern(4, 4));
    Put(dir.File("walk3.png"), Pattern(4, 4));
    run = RunWith({batch});
    EXPECT_EQ(run.m_nStatus, kRunnerSucceeded) << run.m_strErr;

    // An item that is not there, is not a picture or does not decode fails the run as well, and
    // the summary says why.
    Put(dir.File("cut.png"), Pattern(4, 4, true));
    std::filesystem::resize_file(dir.File("cut.png"), std::filesystem::file_size(dir.File("cut.png")) - 16);
    for (const auto& [item, reason] : {std::pair{dir.File("gone.png"), "does not exist"},
                                       std::pair{dir.Path(), "is not a regular file"},
                                       std::pair{dir.File("cut.png"), "could not be decoded: truncated PNG data"}})
    {
        run = RunWith({WriteBatch(dir.File("b.xml"), {Section("AlphaExtractBatch", PngOutput(out), "", {item})})});
        EXPECT_EQ(run.m_nStatus, kRunnerFailed);
        EXPECT_TRUE(run.Says(item + ": " + reason)) << run.m_strErr;
    }
}
} // namespace
