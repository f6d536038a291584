#include "batch/BatchRunner.h"
#include "batch/ConsoleFrame.h"
#include "batch/BatchTesting.h"

#include <sys/stat.h>

namespace mosvane::test
{
namespace
{

TEST(Runner, BadArgumentsAndFilesThatAreNotBatchFilesAreRefused)
{
    SRunnerOptions options;
    std::string error;
    ASSERT_TRUE(ParseRunnerArguments({"b.xml", "--kind", "mng", "--kind=split", "--list"}, options, error));
    EXPECT_EQ(options.m_kinds, (std::vector<EBatchKind>{EBatchKind::Mng, EBatchKind::Split}));
    ASSERT_TRUE(ParseRunnerArguments({"--", "--odd name.xml"}, options, error));
    EXPECT_EQ(options.m_strFile, "--odd name.xml");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"b.xml", "--kind"}, {"b.xml", "--kind", "Split"}, {"b.xml", "-x"}, {"a.xml", "b.xml"},
             {"b.xml", "--jobs=257"}, {"b.xml", "--jobs", "two"}, {"b.xml", "--shard=2/2"}})
    {
        // Refused for the arguments themselves, not for the file they name, which does not exist.
        const SRun run = RunWith(args);
        EXPECT_TRUE(run.m_nStatus == kRunnerRefused && run.Says("Try 'mosvane-batch --help'")) << run.m_strErr;
    }
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

TEST(Runner, StatusFollowsTheKindsAndTheWrites)
{
    CTempDir dir;
    Put(dir.File("a.png"), Pattern(4, 4, true));
    WriteBatch(dir.File("b.xml"), {Section("AlphaExtractBatch", PngOutput(dir.File("out")), "", {dir.File("a.png")}),
                                   Section("MNGMakingBatch", "", "FrameCount=\"0\"", {})});
    const std::string before = ReadTextFile(dir.File("b.xml"));

    // The output folder does not exist: it is made, and the run succeeds.
    EXPECT_EQ(RunWith({dir.File("b.xml"), "--kind", "alpha-extract"}).m_nStatus, kRunnerSucceeded);
    EXPECT_TRUE(FileExists(dir.File("out/a_Alpha.png")));
    // A folder that cannot be made (a file stands in its way): the kind ran, a file is missing,
    // the line does not say "Succeed" and the summary names the system's reason.
    WriteBatch(dir.File("c.xml"), {Section("AlphaExtractBatch", PngOutput(dir.File("a.png/out")), "", {dir.File("a.png")})});
    SRun run = RunWith({dir.File("c.xml")});
    EXPECT_EQ(run.m_strOut, std::string("alpha-extract: ") + kBatchFailText +
                                " 1 of 1 items done; 1 file could not be written: see the summary\n");
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_TRUE(run.Says(dir.File("a.png/out/a_Alpha.png") + ": could not be written (Not a directory)")) << run.m_strErr;
    // A type no encoder writes: the encoder's reason is named as the system's is.
    WriteBatch(dir.File("gif.xml"), {Section("AlphaExtractBatch", "ImageType=\"gif\" Folder=\"" + dir.File("out") + "\"",
                                             "", {dir.File("a.png")})});
    run = RunWith({dir.File("gif.xml")});
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_TRUE(run.Says(dir.File("out/a_Alpha.gif") + ": could not be written (pictures cannot be written as this type)"))
        << run.m_strErr;

    // Every section present, in the panel's order: the MNG frame count 0 fails, with the reason.
    run = RunWith({dir.File("b.xml")});
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_EQ(run.m_strOut, std::string("alpha-extract: ") + kBatchSucceedText + "\nmng: " + kBatchFailText + "\n");
    EXPECT_TRUE(run.Says("\"FrameCount\" is 0"));
    EXPECT_TRUE(RunWith({dir.File("b.xml"), "--kind", "split"}).Says("no \"SplitBatch\" section"));

    // Listing executes nothing, and no run changes the file.
    run = RunWith({dir.File("b.xml"), "--list"});
    EXPECT_EQ(run.m_nStatus, kRunnerSucceeded);
    EXPECT_TRUE(run.Prints("alpha-extract (AlphaExtractBatch): 1 item\n"));
    EXPECT_TRUE(run.Prints("  Input: FrameCount=\"0\"\n"));
    EXPECT_TRUE(run.Prints("  Format: mng (none recorded)\n")) << run.m_strOut;
    EXPECT_EQ(ReadTextFile(dir.File("b.xml")), before);
}

// Layers that do not load are named and left out; over an opaque background a clear item
// under a half-transparent mark comes out opaque.
TEST(Runner, ABlendNamesTheLayersThatDoNotLoadAndIsOpaqueOverAnOpaqueBackground)
{
    CTempDir dir;
    const SPicture photo = Put(dir.File("a.png"), Pattern(6, 4));
    const std::string layers = "BkImg=\"" + dir.File("none.png") + "\" OverlayImg=\"" + dir.File("gone.png") + "\"";
    const SRun run =
        RunWith({WriteBatch(dir.File("b.xml"), {Section("BlendBatch", PngOutput(dir.Path()), layers, {dir.File("a.png")})})});
    EXPECT_EQ(run.m_nStatus, kRunnerSucceeded);
    EXPECT_TRUE(run.Says("blend: 1 item, 1 done, 0 skipped; 1 file written\n")) << run.m_strErr;
    for (const char* layer : {"none.png", "gone.png"})
        EXPECT_TRUE(run.Says(dir.File(layer) + ": does not exist; it is left out of the blend")) << layer;
    EXPECT_EQ(Read(dir.File("a_Blend.png")).m_rgba, photo.m_rgba); // opaque: unchanged without layers

    Put(dir.File("grey.png"), Solid(64, 48, 90, 90, 90), "-alpha off");
    Put(dir.File("mark.png"), Solid(8, 8, 0, 0, 255, 128));
    Put(dir.File("clear.png"), Solid(8, 8, 0, 0, 0, 0));
    const std::string real = "BkImg=\"" + dir.File("grey.png") + "\" OverlayImg=\"" + dir.File("mark.png") + "\"";
    ASSERT_EQ(RunWith({WriteBatch(dir.File("b.xml"), {Section("BlendBatch", PngOutput(dir.Path()), real, {dir.File("clear.png")})})})
                  .m_nStatus,
              kRunnerSucceeded);
    EXPECT_TRUE(Near(Read(dir.File("clear_Blend.png")).At(5, 2), {45, 45, 173, 255}));
}

TEST(Runner, TheProgressBarIsDrawnOnATerminal)
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
TEST(Runner, PipesNamedLikeFilesAreNeverOpenedForWaiting)
{
    CTempDir dir;
    for (const char* name : {"fifo.xml", "x.png", "layer.png"})
        ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0600), 0);
    EXPECT_TRUE(TrueInChild([&] {
        const SRun run = RunWith({dir.File("fifo.xml")});
        return run.m_nStatus == kRunnerRefused && run.Says("cannot read '" + dir.File("fifo.xml") + "': not a regular file");
    }));

    Put(dir.File("a.png"), Pattern(4, 4, true));
    const std::string output = PngOutput(dir.Path());
    const std::vector<std::string> items = {dir.File("x.png"), dir.File("a.png")};
    const std::string layers = "BkImg=\"" + dir.File("layer.png") + "\" OverlayImg=\"" + dir.File("layer.png") + "\"";
    WriteBatch(dir.File("b.xml"), {Section("AlphaExtractBatch", output, "", items), Section("BlendBatch", output, layers, items)});
    // The run goes through the built program under a time limit (the blend starts GL of its own).
    const SRun run = RunProgram(ShellQuote(dir.File("b.xml")), "timeout 20");
    EXPECT_NE(run.m_nStatus, 124) << "the run hung";
    EXPECT_TRUE(run.Says(dir.File("x.png") + ": ")) << run.m_strErr;
    EXPECT_TRUE(FileExists(dir.File("a_Alpha.png")));
}

TEST(Runner, AListingThatCannotBeWrittenFailsWithTheReason)
{
    CTempDir dir;
    WriteBatch(dir.File("b.xml"), {Section("MNGMakingBatch", "", "", {})});
    const SRun full = RunProgram(ShellQuote(dir.File("b.xml")) + " --list >/dev/full");
    EXPECT_EQ(full.m_nStatus, 1);
    EXPECT_EQ(full.m_strErr, "mosvane-batch: cannot write to standard output: No space left on device\n");
    EXPECT_EQ(RunProgram(ShellQuote(dir.File("b.xml")) + " --list >/dev/null").m_nStatus, 0);
}
} // namespace
} // namespace mosvane::test
