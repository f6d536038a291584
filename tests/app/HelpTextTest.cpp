#include "batch/BatchRunner.h"
#include "batch/BatchTesting.h"

#include <algorithm>
#include <regex>
#include <sstream>

namespace mosvane::test
{
namespace
{
// Both texts wrap their lines anywhere; compare words, not layout.
std::string Words(const std::string& text)
{
    return std::regex_replace(text, std::regex("[ \n\t]+"), " ");
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
                                "natural order (frame2 before frame10)", "--save-batch FILE", "mosvane-batch ./split",
                                "2 for bad arguments or a file that is not a batch file",
                                "the status is 130 (SIGINT) or 143 (SIGTERM)", "--jobs N", "--shard K/N",
                                "--shard $SLURM_ARRAY_TASK_ID/8", "--shard $JOB_COMPLETION_INDEX/8",
                                "--shard {}/4 ::: 0 1 2 3"})
    {
        SCOPED_TRACE(promise);
        EXPECT_NE(file.find(promise), std::string::npos);
        EXPECT_NE(usage.find(promise), std::string::npos);
    }
}

// The help file's table of verbs names every option of every verb, in the verb's own row.
TEST(HelpText, TheHelpFileNamesEveryVerbOption)
{
    const std::string file = ReadTextFile(std::string(MOSVANE_SOURCE_DIR) + "/data/Mosvane.html");
    for (const SVerb& verb : RunnerVerbs())
    {
        const std::string name = KindCommandName(verb.m_eKind);
        const size_t row = file.find("<tr><td><code>" + name + "</code></td>");
        ASSERT_NE(row, std::string::npos) << name;
        const std::string text = file.substr(row, file.find("</tr>", row) - row);
        for (const SVerbOption& option : verb.m_options)
            EXPECT_NE(text.find(std::string(option.m_pszName) + " " + option.m_pszValue), std::string::npos)
                << name << " " << option.m_pszName;
    }
}

std::string DocFile(const std::string& name)
{
    return BinDir() + "/../doc/" + name;
}

// The options of the --help text: the first word of each "  --name ..." line; with onlyRunner,
// those of the runner itself (under "Options:"), not the verbs'.
std::vector<std::string> HelpOptions(bool onlyRunner = false)
{
    std::vector<std::string> options;
    std::istringstream in(RunWith({"--help"}).m_strOut);
    bool runner = false;
    for (std::string line; std::getline(in, line);)
    {
        if (!line.empty() && line[0] != ' ')
            runner = line == "Options:" || (runner && line.back() != ':');
        if (line.rfind("  -", 0) == 0 && (runner || !onlyRunner))
            options.push_back(line.substr(2, line.find_first_of(" =", 2) - 2));
    }
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

    std::vector<std::string> options = HelpOptions(true);
    std::sort(options.begin(), options.end());
    EXPECT_EQ(Complete({"mosvane-batch", "--"}, dir.Path()), options);
    EXPECT_EQ(Complete({"mosvane-batch", "b"}, dir.Path()), (std::vector<std::string>{"batch one.xml", "blend"}));
    // The first word: a verb or a file; after a verb, its options join the runner's.
    std::vector<std::string> first = {"--odd", "batch one.xml", "pictures.png"};
    for (const SVerb& verb : RunnerVerbs())
        first.push_back(KindCommandName(verb.m_eKind));
    std::sort(first.begin(), first.end());
    EXPECT_EQ(Complete({"mosvane-batch", ""}, dir.Path()), first);
    EXPECT_EQ(Complete({"mosvane-batch", "--jobs", "2", "rgb-alpha", "x.png", "--r"}, dir.Path()),
              (std::vector<std::string>{"--red", "--run"}));
    EXPECT_EQ(Complete({"mosvane-batch", "split", "x.png", "-o", ""}, dir.Path()), std::vector<std::string>{"--odd"});
    // --kind=r: bash splits the word at '='.
    EXPECT_EQ(Complete({"mosvane-batch", "x.xml", "--kind", "=", "r"}, dir.Path()), std::vector<std::string>{"rgb-alpha"});
    // After "--" a word that starts with a dash is a file.
    EXPECT_EQ(Complete({"mosvane-batch", "--", "--o"}, dir.Path()), std::vector<std::string>{"--odd"});
}

} // namespace
} // namespace mosvane::test
