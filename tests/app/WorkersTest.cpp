// A batch spread over worker processes (--jobs) and over independent runs (--shard) does what one
// plain run does: the same files byte for byte, the same lines printed, the same summary.

#include "batch/BatchRunner.h"
#include "batch/BatchTesting.h"
#include "batch/BatchWorkers.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mosvane::test
{
namespace
{
namespace fs = std::filesystem;
using Files = std::map<std::string, std::vector<uint8_t>>;

// A batch file with every kind, several items each, among them items that do not load or do not
// fit and a sequence item with an empty title; outputs go to folder "out".
struct WorkersTest : ::testing::Test
{
    CTempDir dir;
    std::string in = dir.File("in"), out = dir.File("out"), file = dir.File("batch.xml");

    void SetUp() override
    {
        fs::create_directories(in), fs::create_directories(out);
        for (const char* name : {"a", "b", "c", "d"})
            Put(in + "/" + name + ".png", Pattern(40 + uint32_t(*name), 30, *name == 'b'));
        Put(in + "/grey.png", Solid(20, 20, 90, 90, 90), "-alpha off");
        Put(in + "/mark.png", Solid(8, 8, 0, 0, 255, 128));
        Put(in + "/white.png", Solid(3, 2, 255, 255, 255), "-alpha off");
        for (int n = 1; n <= 4; ++n)
            for (const char* title : {"t", "u", ""})
                Put(in + "/" + title + "000" + std::to_string(n) + ".png", Solid(6, 5, uint8_t(n * 60), *title, 7));

        BatchFile batch;
        ASSERT_TRUE(batch.NewBatchFile(file));
        const SequenceRecord output{out, "unused", "###", "png", 1};
        const std::vector<std::string> pictures = {in + "/a.png", in + "/missing.png", in + "/b.png", in + "/c.png",
                                                   in + "/d.png", in + "/white.png"};
        ASSERT_TRUE(batch.WriteSplitSection({output, {0.5f, 0.5f}, {0.3f, 0.3f, 0.3f}}));
        ASSERT_TRUE(batch.WriteBlendSection({output, in + "/grey.png", in + "/mark.png"}));
        ASSERT_TRUE(batch.WriteAlphaExtractSection(output));
        ASSERT_TRUE(batch.WriteRgbAlphaSection({output, 255, 255, 255, 0}));
        ASSERT_TRUE(batch.WriteAlphaImageCombineSection({output, in + "/a.png"}));
        for (EBatchKind kind : {EBatchKind::Split, EBatchKind::Blend, EBatchKind::AlphaExtract, EBatchKind::RgbAlpha,
                                EBatchKind::AlphaImageCombine})
            for (const std::string& picture : pictures)
                batch.AddItem(kind, picture);
        ASSERT_TRUE(batch.WriteCombineSection({output, {in, "t", "####", "png", 1}, 2, 2}));
        ASSERT_TRUE(batch.WriteMngSection({{out, "", "", "png", 0}, {out, "", "####", "png", 1}, 3, 10}));
        for (EBatchKind kind : {EBatchKind::Combine, EBatchKind::Mng})
            for (const std::string& item : {in + "/t.png", in + "/none.png", in + "/.png", in + "/u.png"})
                batch.AddItem(kind, item);
        ASSERT_TRUE(batch.SaveBatchFile());
    }

    SRun Run(const std::string& options, const std::string& environment = "")
    {
        return RunProgram(ShellQuote(file) + " " + options, environment);
    }

    // The outputs of a run, the output folder emptied for the next.
    Files TakeOutputs()
    {
        Files files = FilesIn(out);
        fs::remove_all(out);
        fs::create_directories(out);
        return files;
    }
};

TEST_F(WorkersTest, JobsAndShardsGiveThePlainRunsFilesLinesAndSummary)
{
    // Items that do not load or do not fit make the run incomplete: status 1, in both ways.
    const SRun plain = Run("--jobs 1");
    ASSERT_EQ(plain.m_nStatus, kRunnerFailed) << plain.m_strErr;
    const Files expected = TakeOutputs();
    // Split 4 x 6 pieces, blend 5, alpha extract 4, RGB alpha 5, alpha image 1, combine 3, MNG 3.
    ASSERT_EQ(expected.size(), 45u) << plain.m_strErr;
    EXPECT_NE(plain.m_strErr.find("missing.png: does not exist"), std::string::npos);

    for (const char* jobs : {"--jobs 2", "--jobs=3", "--jobs 8", ""})
    {
        const SRun spread = Run(jobs);
        EXPECT_EQ(spread.m_nStatus, plain.m_nStatus) << jobs;
        EXPECT_EQ(spread.m_strOut, plain.m_strOut) << jobs;
        EXPECT_EQ(spread.m_strErr, plain.m_strErr) << jobs;
        EXPECT_TRUE(TakeOutputs() == expected) << jobs;
    }

    // Each shard on its own, as a scheduler would start them: at once, knowing nothing of each other.
    const std::string command = "printf '0\\n1\\n2\\n3\\n' | xargs -P 4 -I {} " + ShellQuote(BinDir() + "/mosvane-batch") +
                                " " + ShellQuote(file) + " --shard {}/4 >/dev/null 2>&1";
    RunCommand(command); // the shards with the unloadable items end with status 1
    EXPECT_TRUE(TakeOutputs() == expected);

    // One shard writes only its own items' files: the split item at position 2 is b.
    ASSERT_EQ(Run("--shard 2/4 --kind split").m_nStatus, 0); // b alone, which loads
    const Files shard = TakeOutputs();
    EXPECT_EQ(shard.size(), 6u);
    EXPECT_EQ(shard.count("b001.png"), 1u);
}

TEST_F(WorkersTest, AKilledWorkerIsReportedWithItsItemAndTheRunFails)
{
    const SRun run = Run("--jobs 2 --kind split --kind alpha-image", std::string(kWorkerKillVariable) + "=c.png");
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_EQ(run.m_strOut, std::string("split: ") + kBatchFailText + " 4 of 6 items done; 2 failed: see the summary\n" +
                                "alpha-image: " + kBatchFailText + " 1 of 6 items done; 5 failed: see the summary\n");
    EXPECT_NE(run.m_strErr.find("c.png: NOT done"), std::string::npos) << run.m_strErr;
    EXPECT_NE(run.m_strErr.find("killed by signal 9"), std::string::npos) << run.m_strErr;
    EXPECT_NE(run.m_strErr.find("1 item NOT done"), std::string::npos) << run.m_strErr;
    // The other worker went on with the rest.
    const Files made = TakeOutputs();
    EXPECT_EQ(made.count("d006.png"), 1u);
    EXPECT_EQ(made.count("c001.png"), 0u);
}

// Two items of one kind writing the same names (two pic.png from different folders into one
// folder): the later item's files stay at any number of workers, the summary names each clash, and
// the files are counted once. The earlier pic.png is the slowest item, so that a worker finishes
// it after the later one unless the run sees to the order.
TEST_F(WorkersTest, TheLaterOfTwoItemsWritingOneNameWinsAtAnyNumberOfWorkers)
{
    fs::create_directories(in + "/1"), fs::create_directories(in + "/2");
    Put(in + "/1/pic.png", Pattern(1600, 1200));
    Put(in + "/2/pic.png", Pattern(40, 30, true));
    const std::string items = ShellQuote(in + "/1/pic.png") + " " + ShellQuote(in + "/a.png") + " " +
                              ShellQuote(in + "/2/pic.png") + " " + ShellQuote(in + "/c.png");
    const auto split = [&](const char* jobs) {
        return RunProgram("split " + items + " --rows 2 --cols 2 -o " + ShellQuote(out) + " " + jobs);
    };
    const SRun plain = split("--jobs 1");
    ASSERT_EQ(plain.m_nStatus, 0) << plain.m_strErr;
    const Files expected = TakeOutputs();
    EXPECT_EQ(expected.size(), 12u);
    EXPECT_NE(plain.m_strErr.find("4 items, 4 done, 0 skipped; 12 files written"), std::string::npos) << plain.m_strErr;
    for (int piece = 1; piece <= 4; ++piece)
        EXPECT_NE(plain.m_strErr.find(out + "/pic00" + std::to_string(piece) + ".png: written by " + in + "/1/pic.png, then by " +
                                      in + "/2/pic.png, whose file it is"),
                  std::string::npos)
            << plain.m_strErr;
    ASSERT_EQ(RunProgram("split " + ShellQuote(in + "/2/pic.png") + " --rows 2 --cols 2 -o " + ShellQuote(out)).m_nStatus, 0);
    const Files later = TakeOutputs();
    for (const auto& [name, bytes] : later)
        EXPECT_TRUE(expected.at(name) == bytes) << name;
    for (const char* jobs : {"--jobs 4", "--jobs 2"})
    {
        const SRun spread = split(jobs);
        EXPECT_EQ(spread.m_nStatus, 0) << jobs;
        EXPECT_EQ(spread.m_strErr, plain.m_strErr) << jobs;
        EXPECT_TRUE(TakeOutputs() == expected) << jobs;
    }
}

// The runner started as a terminal starts it (SIGINT and SIGTERM not ignored), signalled once the
// first output file is there, and waited for: its exit status.
int RunAndSignal(const std::vector<std::string>& args, const std::string& out, const std::string& streams, int signal)
{
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        const int fd = ::open(streams.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, STDOUT_FILENO), ::dup2(fd, STDERR_FILENO);
        std::signal(SIGINT, SIG_DFL), std::signal(SIGTERM, SIG_DFL);
        const std::string program = BinDir() + "/mosvane-batch";
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    for (int waited = 0; waited < 2000 && FolderNames(out).empty(); ++waited)
        ::usleep(5000);
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A run stopped by SIGINT or SIGTERM, in one process or four: the items started are finished
// whole, no temporary file is left, the summary tells what was done and the status is the shell's.
TEST(StoppedRun, FinishesWhatItStartedLeavesNoTemporaryFileAndTellsWhatItDid)
{
    CTempDir dir;
    const std::string in = dir.File("in"), out = dir.File("out"), file = dir.File("batch.xml");
    fs::create_directories(in);
    Put(in + "/p0.png", Pattern(400, 400, true));
    constexpr int kItems = 160;
    BatchFile batch;
    ASSERT_TRUE(batch.NewBatchFile(file));
    ASSERT_TRUE(batch.WriteSplitSection({{out, "unused", "###", "png", 1}, {0.5f, 0.5f}, {0.5f, 0.5f}}));
    for (int i = 0; i < kItems; ++i)
    {
        const std::string picture = in + "/p" + std::to_string(i) + ".png";
        if (i > 0)
            fs::copy_file(in + "/p0.png", picture);
        batch.AddItem(EBatchKind::Split, picture);
    }
    ASSERT_TRUE(batch.SaveBatchFile());

    for (const char* jobs : {"4", "1"})
        for (auto [signal, name] : {std::pair{SIGINT, "SIGINT"}, std::pair{SIGTERM, "SIGTERM"}})
        {
            SCOPED_TRACE(std::string("--jobs ") + jobs + ", " + name);
            fs::remove_all(out), fs::create_directories(out);
            const int status = RunAndSignal({file, "--jobs", jobs}, out, dir.File("streams"), signal);
            EXPECT_EQ(status, 128 + signal);
            const std::vector<std::string> made = FolderNames(out);
            for (const std::string& name : made)
                EXPECT_NE(name[0], '.') << "left behind: " << name;
            // Stopped early, every item started written whole: its four pieces.
            EXPECT_LT(made.size(), size_t(kItems) * 4);
            EXPECT_EQ(made.size() % 4, 0u);
            const std::string streams = ReadTextFile(dir.File("streams"));
            EXPECT_NE(streams.find(std::to_string(made.size() / 4) + " of " + std::to_string(kItems) + " items done; " +
                                   std::to_string(kItems - made.size() / 4) + " not started"),
                      std::string::npos)
                << streams;
            EXPECT_NE(streams.find(std::string("NOT started (the run was stopped by ") + name + ")"), std::string::npos);
            EXPECT_EQ(streams.find(kBatchSucceedText), std::string::npos);
        }
}
} // namespace
} // namespace mosvane::test
