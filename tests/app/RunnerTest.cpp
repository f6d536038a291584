#include "batch/BatchExecute.h"
#include "batch/BatchRunner.h"
#include "batch/ConsoleFrame.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace
{
using mosvane::test::CTempDir;

struct SRun
{
    int m_nStatus;
    std::string m_strOut, m_strErr;
};

SRun RunWith(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunBatchRunner(args, out, err, false);
    return SRun{status, out.str(), err.str()};
}

void WriteText(const std::string& path, const std::string& text)
{
    ASSERT_TRUE(mosvane::test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end())));
}

TEST(RunnerArguments, KindsFilesAndOptions)
{
    SRunnerOptions options;
    std::string error;
    ASSERT_TRUE(ParseRunnerArguments({"b.xml", "--kind", "mng", "--kind=split", "--list"}, options, error));
    EXPECT_EQ(options.m_strFile, "b.xml");
    EXPECT_EQ(options.m_kinds, (std::vector<EBatchKind>{EBatchKind::Mng, EBatchKind::Split}));
    EXPECT_TRUE(options.m_bList);
    ASSERT_TRUE(ParseRunnerArguments({"--", "--odd name.xml"}, options, error));
    EXPECT_EQ(options.m_strFile, "--odd name.xml");
    ASSERT_TRUE(ParseRunnerArguments({"--help"}, options, error));
    EXPECT_TRUE(options.m_bHelp);

    const std::vector<std::vector<std::string>> refused = {
        {}, {"--kind", "split"}, {"b.xml", "--kind"}, {"b.xml", "--kind", "Split"}, {"b.xml", "--kind=alpha"},
        {"b.xml", "-x"}, {"a.xml", "b.xml"},
    };
    for (const auto& args : refused)
    {
        EXPECT_FALSE(ParseRunnerArguments(args, options, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(RunWith(args).m_nStatus, kRunnerRefused);
    }
    const SRun help = RunWith({"--help"});
    EXPECT_EQ(help.m_nStatus, kRunnerSucceeded);
    for (const char* word : {"--kind", "--list", "alpha-extract", "rgb-alpha", "alpha-image", "Exit status"})
        EXPECT_NE(help.m_strOut.find(word), std::string::npos) << word;
}

TEST(Runner, FilesThatAreNotBatchFilesAreRefusedWithTheReason)
{
    CTempDir dir;
    WriteText(dir.File("other.xml"), "<Settings/>");
    SRun run = RunWith({dir.File("other.xml")});
    EXPECT_EQ(run.m_nStatus, kRunnerRefused);
    EXPECT_NE(run.m_strErr.find("is not a batch file"), std::string::npos);
    run = RunWith({dir.File("missing.xml")});
    EXPECT_EQ(run.m_nStatus, kRunnerRefused);
    EXPECT_NE(run.m_strErr.find("cannot read"), std::string::npos);
}

TEST(Runner, StatusFollowsTheKindsAndTheWrites)
{
    CTempDir dir;
    ASSERT_TRUE(mosvane::test::MagickWriteRgba(mosvane::test::PatternRgba(4, 4, true), 4, 4, dir.File("a.png")));
    WriteText(dir.File("b.xml"),
              "<MosvaneBatch>"
              "<AlphaExtractBatch><Output ImageType=\"png\" Folder=\"" + dir.File("out") + "\"/><Input/>"
              "<ApplyToItems><Item PathName=\"" + dir.File("a.png") + "\"/></ApplyToItems></AlphaExtractBatch>"
              "<MNGMakingBatch><Output/><Input FrameCount=\"0\"/><ApplyToItems/></MNGMakingBatch>"
              "</MosvaneBatch>");
    const std::vector<uint8_t> before = [&] {
        std::vector<uint8_t> bytes;
        mosvane::test::ReadFileBytes(dir.File("b.xml"), bytes);
        return bytes;
    }();

    // The output folder does not exist: the kind ran, but its file is not there.
    SRun run = RunWith({dir.File("b.xml"), "--kind", "alpha-extract"});
    EXPECT_EQ(run.m_strOut, std::string("alpha-extract: ") + kBatchSucceedText + "\n");
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_NE(run.m_strErr.find("1 could NOT be written"), std::string::npos);
    EXPECT_NE(run.m_strErr.find(dir.File("out/a_Alpha.png") + ": could not be written"), std::string::npos);

    std::filesystem::create_directory(dir.File("out"));
    EXPECT_EQ(RunWith({dir.File("b.xml"), "--kind", "alpha-extract"}).m_nStatus, kRunnerSucceeded);
    // Every section present, in the panel's order: the MNG frame count 0 fails.
    run = RunWith({dir.File("b.xml")});
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_EQ(run.m_strOut, std::string("alpha-extract: ") + kBatchSucceedText + "\nmng: " + kBatchFailText + "\n");
    EXPECT_NE(run.m_strErr.find("\"FrameCount\" is 0"), std::string::npos);
    // A kind without a section fails and says so.
    run = RunWith({dir.File("b.xml"), "--kind", "split"});
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_NE(run.m_strErr.find("no \"SplitBatch\" section"), std::string::npos);

    // Listing executes nothing; no run changes the file.
    run = RunWith({dir.File("b.xml"), "--list"});
    EXPECT_EQ(run.m_nStatus, kRunnerSucceeded);
    EXPECT_NE(run.m_strOut.find("alpha-extract (AlphaExtractBatch): 1 item\n"), std::string::npos);
    EXPECT_NE(run.m_strOut.find("  Input: FrameCount=\"0\"\n"), std::string::npos);
    std::vector<uint8_t> after;
    mosvane::test::ReadFileBytes(dir.File("b.xml"), after);
    EXPECT_EQ(before, after);
}

TEST(ConsoleFrame, TheBarShowsTheShareDone)
{
    EXPECT_EQ(CConsoleFrame::BarText("mng", 1, 3), "mng [##########....................] 1/3");
    EXPECT_EQ(CConsoleFrame::BarText("", 0, 0), "[##############################] 0/0");
    std::ostringstream terminal, pipe;
    CConsoleFrame shown(terminal, true), hidden(pipe, false);
    for (CConsoleFrame* frame : {&shown, &hidden})
    {
        frame->BeginProgress(2);
        frame->StepProgress();
        frame->StepProgress();
        frame->EndProgress();
    }
    EXPECT_NE(terminal.str().find("[##############################] 2/2"), std::string::npos);
    EXPECT_EQ(terminal.str().back(), '\r');
    EXPECT_TRUE(pipe.str().empty());
}
} // namespace
