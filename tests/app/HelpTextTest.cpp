#include "batch/BatchRunner.h"
#include "batch/BatchTesting.h"

namespace mosvane::test
{
namespace
{
// Both texts wrap their lines anywhere; compare words, not layout.
std::string Words(const std::string& text)
{
    std::string words;
    for (char c : text)
        if (c != ' ' && c != '\n' && c != '\t')
            words += c;
        else if (!words.empty() && words.back() != ' ')
            words += ' ';
    return words;
}

// The runner's --help and the help file that ships with the window make the same promises: a
// script that trusts exit status 0 reads the same rule in either place.
TEST(HelpText, TheRunnerAndTheHelpFileStateTheSameExitRuleAndOptions)
{
    const std::string file = Words(ReadTextFile(std::string(MOSVANE_SOURCE_DIR) + "/data/Mosvane.html"));
    const SRun help = RunWith({"--help"});
    ASSERT_EQ(help.m_nStatus, kRunnerSucceeded);
    const std::string usage = Words(help.m_strOut);
    for (const char* promise : {"0 only when every executed kind succeeded", "none left by a worker process that ended",
                                "2 for bad arguments or a file that is not a batch file", "--jobs N", "--shard K/N",
                                "--shard $SLURM_ARRAY_TASK_ID/8", "--shard $JOB_COMPLETION_INDEX/8",
                                "--shard {}/4 ::: 0 1 2 3"})
    {
        SCOPED_TRACE(promise);
        EXPECT_NE(file.find(promise), std::string::npos);
        EXPECT_NE(usage.find(promise), std::string::npos);
    }
}

} // namespace
} // namespace mosvane::test
