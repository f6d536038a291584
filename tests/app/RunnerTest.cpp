// The headless runner on batch files: its arguments, its status, what it says and writes; and
// batch files written to hurt (huge templates, absurd counts, numbers at the ends of the range,
// empty ratio entries, an empty folder, a zero frame rate, pipes named like files, runs that did
// only part of their work): each ends cleanly, quickly, within bounded memory, and says why.

#include "batch/BatchCommon.h"
#include "batch/BatchRunner.h"
#include "batch/ConsoleFrame.h"
#include "batch/BatchTesting.h"

#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <tuple>

namespace mosvane::test
{
namespace
{
using namespace batch;

// A temporary folder with an output folder "out" in it; Run writes b.xml of the sections and runs it.
struct RunnerFixture : ::testing::Test
{
    CTempDir dir;
    std::string out = dir.File("out");
    void SetUp() override { std::filesystem::create_directory(out); }
    std::string Batch(const std::vector<std::string>& sections) { return WriteBatch(dir.File("b.xml"), sections); }
    SRun Run(const std::vector<std::string>& sections, std::vector<std::string> args = {})
    {
        args.insert(args.begin(), Batch(sections));
        return RunWith(args);
    }
};
using Runner = RunnerFixture;
using HostileRun = RunnerFixture;

TEST(RunnerArguments, BadArgumentsAndFilesThatAreNotBatchFilesAreRefused)
{
    SRunnerOptions options;
    std::string error;
    ASSERT_TRUE(ParseRunnerArguments({"b.xml", "--kind", "mng", "--kind=split", "--list", "--jobs=4", "--shard", "1/3"},
                                     options, error));
    EXPECT_EQ(options.m_kinds, (std::vector<EBatchKind>{EBatchKind::Mng, EBatchKind::Split}));
    EXPECT_EQ(std::tuple(options.m_nJobs, options.m_shard.m_nIndex, options.m_shard.m_nCount), std::tuple(4, 1u, 3u));
    ASSERT_TRUE(ParseRunnerArguments({"--", "--odd name.xml"}, options, error));
    EXPECT_EQ(options.m_strFile, "--odd name.xml");
    SItemShard shard;
    ASSERT_TRUE(ParseItemShard("3/4", shard));
    EXPECT_EQ(std::tuple(shard.m_nIndex, shard.m_nCount, shard.Size(8), shard.Size(3), shard.Owns(7)),
              std::tuple(3u, 4u, int64_t(2), int64_t(0), true));
    for (const char* text : {"4/4", "0/0", "1", "-1/2", "1/2x", "1/99999999999"})
        EXPECT_FALSE(ParseItemShard(text, shard)) << text;

    const SRun help = RunWith({"--help"});
    EXPECT_EQ(help.m_nStatus, kRunnerSucceeded);
    EXPECT_TRUE(help.Prints("Usage: mosvane-batch FILE"));
    CTempDir dir;
    WriteTextFile(dir.File("other.xml"), "<Settings/>");
    EXPECT_TRUE(RunWith({dir.File("other.xml")}).Says("is not a batch file"));
    const SRun missing = RunWith({dir.File("missing.xml")});
    EXPECT_EQ(missing.m_nStatus, kRunnerRefused);
    EXPECT_TRUE(missing.Says("cannot read"));
}

TEST_F(Runner, StatusFollowsTheKindsAndTheWrites)
{
    Put(dir.File("a.png"), Pattern(4, 4, true));
    const std::vector<std::string> both = {Section("AlphaExtractBatch", PngOutput(dir.File("made")), "", {dir.File("a.png")}),
                                           Section("MNGMakingBatch", "", "FrameCount=\"0\"", {})};
    const std::string before = ReadTextFile(Batch(both));

    // The output folder does not exist: it is made, and the run succeeds.
    EXPECT_EQ(Run(both, {"--kind", "alpha-extract"}).m_nStatus, kRunnerSucceeded);
    EXPECT_TRUE(FileExists(dir.File("made/a_Alpha.png")));
    // A folder that cannot be made (a file stands in its way), and a type no encoder writes: the
    // kind ran, a file is missing, the line does not say "Succeed" and the summary names the
    // system's or the encoder's reason.
    for (const auto& [output, said] :
         {std::pair{PngOutput(dir.File("a.png/out")), dir.File("a.png/out/a_Alpha.png") + ": could not be written (Not a directory)"},
          std::pair{"ImageType=\"gif\" Folder=\"" + out + "\"",
                    out + "/a_Alpha.gif: could not be written (pictures cannot be written as this type)"}})
    {
        const SRun run = Run({Section("AlphaExtractBatch", output, "", {dir.File("a.png")})});
        EXPECT_EQ(run.m_strOut, std::string("alpha-extract: ") + kBatchFailText +
                                    " 1 of 1 items done; 1 file could not be written: see the summary\n");
        EXPECT_EQ(run.m_nStatus, kRunnerFailed);
        EXPECT_TRUE(run.Says(said)) << run.m_strErr;
    }

    // Every section present, in the panel's order: the MNG frame count 0 fails, with the reason.
    SRun run = Run(both);
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_EQ(run.m_strOut, std::string("alpha-extract: ") + kBatchSucceedText + "\nmng: " + kBatchFailText + "\n");
    EXPECT_TRUE(run.Says("\"FrameCount\" is 0"));
    EXPECT_TRUE(Run(both, {"--kind", "split"}).Says("no \"SplitBatch\" section"));

    // Listing executes nothing, and no run changes the file.
    run = Run(both, {"--list"});
    EXPECT_EQ(run.m_nStatus, kRunnerSucceeded);
    EXPECT_TRUE(run.Prints("alpha-extract (AlphaExtractBatch): 1 item\n"));
    EXPECT_TRUE(run.Prints("  Input: FrameCount=\"0\"\n"));
    EXPECT_TRUE(run.Prints("  Format: mng (none recorded)\n")) << run.m_strOut;
    EXPECT_EQ(ReadTextFile(dir.File("b.xml")), before);
    // A listing that cannot be written fails with the reason.
    const SRun full = RunProgram(ShellQuote(dir.File("b.xml")) + " --list >/dev/full");
    EXPECT_EQ(full.m_nStatus, 1);
    EXPECT_EQ(full.m_strErr, "mosvane-batch: cannot write to standard output: No space left on device\n");
}

// Layers that do not load are named and left out; over an opaque background a clear item
// under a half-transparent mark comes out opaque.
TEST_F(Runner, ABlendNamesTheLayersThatDoNotLoadAndIsOpaqueOverAnOpaqueBackground)
{
    const SPicture photo = Put(dir.File("a.png"), Pattern(6, 4));
    const auto blend = [&](const char* back, const char* mark, const char* item) {
        return Run({Section("BlendBatch", PngOutput(out), "BkImg=\"" + dir.File(back) + "\" OverlayImg=\"" + dir.File(mark) + "\"",
                            {dir.File(item)})});
    };
    const SRun run = blend("none.png", "gone.png", "a.png");
    EXPECT_EQ(run.m_nStatus, kRunnerSucceeded);
    EXPECT_TRUE(run.Says("blend: 1 item, 1 done, 0 skipped; 1 file written\n")) << run.m_strErr;
    for (const char* layer : {"none.png", "gone.png"})
        EXPECT_TRUE(run.Says(dir.File(layer) + ": does not exist; it is left out of the blend")) << layer;
    EXPECT_EQ(Read(out + "/a_Blend.png").m_rgba, photo.m_rgba); // opaque: unchanged without layers

    Put(dir.File("grey.png"), Solid(64, 48, 90, 90, 90), "-alpha off");
    Put(dir.File("mark.png"), Solid(8, 8, 0, 0, 255, 128));
    Put(dir.File("clear.png"), Solid(8, 8, 0, 0, 0, 0));
    ASSERT_EQ(blend("grey.png", "mark.png", "clear.png").m_nStatus, kRunnerSucceeded);
    EXPECT_TRUE(Near(Read(out + "/clear_Blend.png").At(5, 2), {45, 45, 173, 255}));
}

TEST(ConsoleFrame, TheProgressBarIsDrawnOnATerminal)
{
    std::ostringstream terminal;
    CConsoleFrame frame(terminal, true);
    frame.SetLabel("mng");
    frame.BeginProgress(3);
    for (int step = 0; step < 3; ++step)
        frame.StepProgress();
    EXPECT_NE(terminal.str().find("mng [##############################] 3/3"), std::string::npos);
}

// Pipes in place of the batch file, an item or a layer: refused or skipped, never waited on.
TEST_F(HostileRun, PipesNamedLikeFilesAreNeverOpenedForWaiting)
{
    for (const char* name : {"fifo.xml", "x.png", "layer.png"})
        ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0600), 0);
    EXPECT_TRUE(TrueInChild([&] {
        const SRun run = RunWith({dir.File("fifo.xml")});
        return run.m_nStatus == kRunnerRefused && run.Says("cannot read '" + dir.File("fifo.xml") + "': not a regular file");
    }));

    Put(dir.File("a.png"), Pattern(4, 4, true));
    const std::vector<std::string> items = {dir.File("x.png"), dir.File("a.png")};
    const std::string layers = "BkImg=\"" + dir.File("layer.png") + "\" OverlayImg=\"" + dir.File("layer.png") + "\"";
    Batch({Section("AlphaExtractBatch", PngOutput(out), "", items), Section("BlendBatch", PngOutput(out), layers, items)});
    // The run goes through the built program under a time limit (the blend starts GL of its own).
    const SRun run = RunProgram(ShellQuote(dir.File("b.xml")), "timeout 20");
    EXPECT_NE(run.m_nStatus, 124) << "the run hung";
    EXPECT_TRUE(run.Says(dir.File("x.png") + ": ")) << run.m_strErr;
    EXPECT_TRUE(FileExists(out + "/a_Alpha.png"));
}

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
    const std::string batch = Batch({Section("SplitBatch", PngOutput(out) + " FromNumber=\"1\" Template=\"" + std::string(20'000'000, '#') + "\"",
                                             "", std::vector<std::string>(12, dir.File("a.png")),
                                             "<Rows><Row Ratio=\"0.5\"/><Row Ratio=\"0.5\"/></Rows><Cols><Col Ratio=\"0.5\"/><Col Ratio=\"0.5\"/></Cols>")});
    EXPECT_EQ(RunInChild([&] { return RunWith({batch, "--kind", "split"}).m_nStatus; }, 120000, uint64_t(300) << 20),
              kRunnerFailed);
}

TEST_F(HostileRun, SequencesNoSystemCanNameAreRefusedOnceWithoutProbing)
{
    const std::string name255(251, 'n');
    for (const auto& [pattern, fits] : {std::pair{CSequencePattern{"dir/" + name255.substr(4), 4, ".png"}, true}, // NAME_MAX
                                        {{"dir/" + name255.substr(3), 4, ".png"}, false},
                                        {{std::string(PATH_MAX, 'd') + "/w", 1, ".png"}, false}, // the whole path
                                        {{"seq", 200'000, "/x.png"}, false}, // the field names a folder
                                        {{"seq", 3, "/x.png"}, true}})
        EXPECT_EQ(SequenceNamesFit(pattern), fits) << pattern.m_strHead.size() << " " << pattern.m_nDigits;

    const std::string longTemplate(200'000, '#');
    for (const auto& [section, kind, input] :
         {std::tuple{"MNGMakingBatch", "mng", "FrameCount=\"65536\" FPS=\"10\" FromNumber=\"1\""},
          std::tuple{"CombineBatch", "combine", "Rows=\"256\" Cols=\"256\" FromNumber=\"1\""}})
    {
        const auto start = std::chrono::steady_clock::now();
        const SRun run = Run({Section(section, PngOutput(out), std::string(input) + " Template=\"" + longTemplate + "\"",
                                      std::vector<std::string>(3, dir.File("walk.png")))},
                             {"--kind", kind});
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
    const SRun run = Run({Section("MNGMakingBatch", "Folder=\"" + out + "\"",
                                  "Template=\"\" FromNumber=\"-5\" FrameCount=\"100000\" FPS=\"5\"", {dir.File("run.png")})});
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
    // Stored roundings are still allowed for; two hundred thousand empty entries are no allowance.
    for (const auto& [ratios, empty, runs] : {std::tuple{std::vector<std::string>{"0.6", "0.5"}, 200'000, false},
                                              {std::vector<std::string>(6, "0.166667"), 1000, true}})
    {
        std::string rows = "<Rows>";
        for (const std::string& ratio : ratios)
            rows += "<Row Ratio=\"" + ratio + "\"/>";
        for (int i = 0; i < empty; ++i)
            rows += "<Row/>";
        rows += "</Rows><Cols><Col Ratio=\"1\"/></Cols>";
        EXPECT_EQ(Run({Section("SplitBatch", PngOutput(out) + " Template=\"#\"", "", {dir.File("a.png")}, rows)}).m_nStatus,
                  runs ? kRunnerSucceeded : kRunnerFailed)
            << ratios.size() << " ratios, " << empty << " empty";
    }
}

TEST_F(HostileRun, AnEmptyFolderIsTheCurrentFolderNotTheRoot)
{
    EXPECT_EQ(ItemOutputName("", "car", "_Blend", "png"), "car_Blend.png");
    Put(dir.File("car.png"), Pattern(4, 4, true));
    const std::string batch = Batch({Section("AlphaExtractBatch", PngOutput(""), "", {dir.File("car.png")})});
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
        const SRun run = Run({Section("MNGMakingBatch", "Folder=\"" + dir.Path() + "\"",
                                      std::string("Template=\"#\" FromNumber=\"1\" FrameCount=\"1\" FPS=\"") + fps + "\"",
                                      {dir.File("run.png")})});
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
    const std::vector<std::string> combine = {
        Section("CombineBatch", PngOutput(out), "Template=\"#\" FromNumber=\"1\" Rows=\"1\" Cols=\"3\"", {dir.File("walk.png")})};
    SRun run = Run(combine);
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
    EXPECT_EQ(Run(combine).m_nStatus, kRunnerSucceeded);

    // An item that is not there, is not a picture or does not decode fails the run as well, and
    // the summary says why.
    Put(dir.File("cut.png"), Pattern(4, 4, true));
    std::filesystem::resize_file(dir.File("cut.png"), std::filesystem::file_size(dir.File("cut.png")) - 16);
    for (const auto& [item, reason] : {std::pair{dir.File("gone.png"), "does not exist"},
                                       std::pair{dir.Path(), "is not a regular file"},
                                       std::pair{dir.File("cut.png"), "could not be decoded: truncated PNG data"}})
    {
        run = Run({Section("AlphaExtractBatch", PngOutput(out), "", {item})});
        EXPECT_EQ(run.m_nStatus, kRunnerFailed);
        EXPECT_TRUE(run.Says(item + ": " + reason)) << run.m_strErr;
    }
}
} // namespace
} // namespace mosvane::test
