#include "batch/BatchRunner.h"
#include "batch/BatchTesting.h"

#include <algorithm>
#include <sstream>

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

std::string DocFile(const std::string& name)
{
    return BinDir() + "/../doc/" + name;
}

// The options of the --help text: the first word of each "  --name ..." line.
std::vector<std::string> HelpOptions()
{
    std::vector<std::string> options;
    std::istringstream in(RunWith({"--help"}).m_strOut);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("  -", 0) == 0)
            options.push_back(line.substr(2, line.find_first_of(" =", 2) - 2));
    return options;
}

// The manual page is made from the --help text: every option is a term of its own, the exit
// statuses are there, and groff reads both pages without a warning (lintian checks the same).
TEST(HelpText, TheManualPagesHoldEveryOptionAndFormatCleanly)
{
    const std::string page = ReadTextFile(DocFile("mosvane-batch.1"));
    const std::vector<std::string> options = HelpOptions();
    ASSERT_GE(options.size(), 5u);
    for (const std::string& option : options)
    {
        std::string escaped;
        for (char c : option)
            escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(page.find(".TP\n\\fB" + escaped + "\\fR"), std::string::npos) << option;
    }
    for (const char* section : {".SH SYNOPSIS\n.B mosvane\\-batch\n", ".SH OPTIONS\n", ".SH EXIT STATUS\n.PP\n0 only when",
                                ".SH EXAMPLES\n", ".BR mosvane (1)"})
        EXPECT_NE(page.find(section), std::string::npos) << section;

    if (RunCommand("command -v groff >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "groff is not installed";
    for (const char* name : {"mosvane-batch.1", "mosvane.1"})
    {
        std::string warnings;
        EXPECT_EQ(RunCommand("groff -man -ww -z -Tutf8 " + ShellQuote(DocFile(name)) + " 2>&1", &warnings), 0);
        EXPECT_EQ(warnings, "") << name;
    }
}

// The completion as bash runs it: the words typed so far, the candidates for the last one.
std::vector<std::string> Complete(const std::vector<std::string>& words, const std::string& folder)
{
    std::string array;
    for (const std::string& word : words)
        array += " " + ShellQuote(word);
    std::string out;
    const std::string script = "cd " + ShellQuote(folder) + " && source " + ShellQuote(DocFile("mosvane-batch")) +
                               " && complete -p mosvane-batch >/dev/null && COMP_WORDS=(" + array +
                               ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _mosvane_batch && "
                               "printf '%s\\n' \"${COMPREPLY[@]}\"";
    EXPECT_EQ(RunCommand("bash -c " + ShellQuote(script) + " 2>&1", &out), 0) << out;
    std::vector<std::string> candidates;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            candidates.push_back(line);
    std::sort(candidates.begin(), candidates.end());
    return candidates;
}

TEST(HelpText, TheCompletionOffersOptionsKindsAndFiles)
{
    CTempDir dir;
    WriteTextFile(dir.File("batch one.xml"), "<MosvaneBatch/>");
    WriteTextFile(dir.File("pictures.png"), "");
    std::filesystem::create_directory(dir.File("--odd"));

    std::vector<std::string> options = HelpOptions();
    std::sort(options.begin(), options.end());
    EXPECT_EQ(Complete({"mosvane-batch", "--"}, dir.Path()), options);
    EXPECT_EQ(Complete({"mosvane-batch", "b"}, dir.Path()), std::vector<std::string>{"batch one.xml"});
    EXPECT_EQ(Complete({"mosvane-batch", "x.xml", "--kind", "alpha"}, dir.Path()),
              (std::vector<std::string>{"alpha-extract", "alpha-image"}));
    // --kind=r: bash splits the word at '='.
    EXPECT_EQ(Complete({"mosvane-batch", "x.xml", "--kind", "=", "r"}, dir.Path()), std::vector<std::string>{"rgb-alpha"});
    EXPECT_EQ(Complete({"mosvane-batch", "x.xml", "--jobs", ""}, dir.Path()), std::vector<std::string>{});
    // After "--" a word that starts with a dash is a file.
    EXPECT_EQ(Complete({"mosvane-batch", "--", "--o"}, dir.Path()), std::vector<std::string>{"--odd"});
}

} // namespace
} // namespace mosvane::test
