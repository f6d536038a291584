// Builds the runner's manual page and its bash completion from the runner's own texts and tables,
// so that neither repeats a list of options, kinds or exit statuses by hand. Usage:
//   mosvane_make_runner_docs manual <output.1>
//   mosvane_make_runner_docs completion <template.bash.in> <output>
//
// The manual page is the text of --help (RunnerUsage, whose layout rules are stated beside it)
// turned into troff. The completion is its template with these placeholders filled in:
//   @OPTIONS@       every option the --help text lists
//   @KINDS@         the kind names
//   @VALUE_CASES@   one case arm per option that takes a value, completing that value

#include "batch/BatchKind.h"
#include "batch/BatchRunner.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// One block of the help text: a paragraph (its lines filled), lines shown as they stand, or an
// option with its term ("--jobs N") and description.
struct SBlock
{
    enum EType
    {
        Paragraph,
        Verbatim,
        Option,
        Subsection // "mosvane-batch VERB ...": the options after it are the verb's
    } m_eType = Paragraph;
    std::string m_strTerm;
    std::vector<std::string> m_lines;
    bool m_bStartsGroup = false; // first block after a blank line or a heading
};

struct SSection
{
    std::string m_strHeading; // empty: the description before the first heading
    std::vector<SBlock> m_blocks;
};

struct SUsage
{
    std::vector<std::string> m_synopsis;
    std::vector<SSection> m_sections;
};

size_t Indent(const std::string& line)
{
    const size_t n = line.find_first_not_of(' ');
    return n == std::string::npos ? line.size() : n;
}

// "Options:", "Exit status:": a short line of words ending in a colon.
bool IsHeading(const std::string& line)
{
    if (line.size() < 2 || line.size() > 32 || line.back() != ':' || line[0] < 'A' || line[0] > 'Z')
        return false;
    for (size_t i = 0; i + 1 < line.size(); ++i)
    {
        const char c = line[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' '))
            return false;
    }
    return true;
}

SUsage ParseUsage(const std::string& text)
{
    SUsage usage;
    usage.m_sections.push_back({});
    std::istringstream in(text);
    std::string line;
    bool group = true;
    while (std::getline(in, line))
    {
        for (const char* prefix : {"Usage: ", "   or: "})
            if (line.rfind(prefix, 0) == 0)
            {
                usage.m_synopsis.push_back(line.substr(std::string(prefix).size()));
                line.clear();
                break;
            }
        std::vector<SBlock>& blocks = usage.m_sections.back().m_blocks;
        if (line.find_first_not_of(' ') == std::string::npos)
        {
            group = true;
            continue;
        }
        const size_t indent = Indent(line);
        const std::string body = line.substr(indent);
        SBlock* last = blocks.empty() || group ? nullptr : &blocks.back();
        if (indent == 0 && IsHeading(line))
        {
            usage.m_sections.push_back({line.substr(0, line.size() - 1), {}});
            group = true;
            continue;
        }
        if (indent == 0 && line.rfind(std::string(kRunnerProgram) + " ", 0) == 0)
        {
            blocks.push_back({SBlock::Subsection, line, {}, true});
            group = true;
            continue;
        }
        if (indent == 0)
        {
            if (last && last->m_eType == SBlock::Paragraph)
                last->m_lines.push_back(body);
            else
                blocks.push_back({SBlock::Paragraph, "", {body}, group});
        }
        else if (indent == 2 && body[0] == '-')
        {
            const size_t gap = body.find("  ");
            SBlock option{SBlock::Option, body.substr(0, gap), {}, group};
            if (gap != std::string::npos)
                option.m_lines.push_back(body.substr(body.find_first_not_of(' ', gap)));
            blocks.push_back(option);
        }
        else if (indent > 2 && last && last->m_eType == SBlock::Option)
            last->m_lines.push_back(body);
        else if (last && last->m_eType == SBlock::Verbatim)
            last->m_lines.push_back(line.substr(2));
        else
            blocks.push_back({SBlock::Verbatim, "", {line.substr(2)}, group});
        group = false;
    }
    return usage;
}

// Text for troff: backslashes and hyphens escaped, a leading '.' or '\'' kept from being a request.
std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '\\' ? std::string("\\e") : c == '-' ? std::string("\\-") : std::string(1, c);
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out = "\\&" + out;
    return out;
}

// A synopsis or an option term: options bold, placeholders (upper-case words) italic.
std::string Term(const std::string& text)
{
    std::string out;
    size_t i = 0;
    while (i < text.size())
    {
        const size_t end = text.find_first_of(" []|,", i);
        const size_t stop = end == std::string::npos ? text.size() : end;
        if (stop == i)
        {
            out += Escape(std::string(1, text[i++]));
            continue;
        }
        std::string word = text.substr(i, stop - i);
        std::string dots;
        while (word.size() > 1 && word.back() == '.')
            dots += '.', word.pop_back();
        bool upper = false, lower = false;
        for (char c : word)
            upper |= c >= 'A' && c <= 'Z', lower |= c >= 'a' && c <= 'z';
        if (word[0] == '-')
        {
            const size_t equals = word.find('=');
            out += "\\fB" + Escape(word.substr(0, equals)) + "\\fR" +
                   (equals == std::string::npos ? "" : "=" + Term(word.substr(equals + 1)));
        }
        else if (upper && !lower)
            out += "\\fI" + Escape(word) + "\\fR";
        else
            out += Escape(word);
        out += dots;
        i = stop;
    }
    return out;
}

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

std::string ManualPage(const SUsage& usage)
{
    std::ostringstream out;
    out << ".TH MOSVANE\\-BATCH 1 \"\" \"Mosvane\" \"User Commands\"\n"
        << ".SH NAME\nmosvane\\-batch \\- execute Mosvane batch files without a window\n"
        << ".SH SYNOPSIS\n";
    for (const std::string& line : usage.m_synopsis)
    {
        const size_t space = line.find(' ');
        out << ".B " << Escape(line.substr(0, space)) << "\n";
        if (space != std::string::npos)
            out << Term(line.substr(space + 1)) << "\n";
        out << ".br\n";
    }
    for (const SSection& section : usage.m_sections)
    {
        out << ".SH " << (section.m_strHeading.empty() ? "DESCRIPTION" : Upper(section.m_strHeading)) << "\n";
        for (const SBlock& block : section.m_blocks)
        {
            if (block.m_eType == SBlock::Subsection)
            {
                const std::string rest = block.m_strTerm.substr(std::string(kRunnerProgram).size() + 1);
                const size_t space = rest.find(' ');
                out << ".SS " << Escape(rest.substr(0, space)) << "\n.B " << Escape(kRunnerProgram) << " "
                    << Escape(rest.substr(0, space)) << "\n"
                    << (space == std::string::npos ? "" : Term(rest.substr(space + 1)) + "\n") << ".br\n";
                continue;
            }
            if (block.m_eType == SBlock::Option)
            {
                out << ".TP\n" << Term(block.m_strTerm) << "\n";
                for (const std::string& line : block.m_lines)
                    out << Escape(line) << "\n";
                continue;
            }
            if (block.m_bStartsGroup)
                out << ".PP\n";
            if (block.m_eType == SBlock::Verbatim)
                out << ".RS 4\n.nf\n";
            for (const std::string& line : block.m_lines)
                out << Escape(line) << "\n";
            if (block.m_eType == SBlock::Verbatim)
                out << ".fi\n.RE\n";
        }
    }
    out << ".SH SEE ALSO\n.BR mosvane (1);\n"
        << "the help file Mosvane.html, installed with the program's shipped settings.\n";
    return out.str();
}

std::string Join(const std::vector<std::string>& words, const char* separator)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : separator) + word;
    return text;
}

std::string Replaced(std::string text, const std::vector<std::pair<std::string, std::string>>& values)
{
    for (const auto& [placeholder, value] : values)
        for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at))
        {
            text.replace(at, placeholder.size(), value);
            at += value.size();
        }
    return text;
}

// The options of the help text: the runner's own, and each verb's after its subsection line. The
// value of an option completes by its placeholder: a KIND as a kind name, a FILE as any file, a
// DIR as a folder, choices written a|b|c as one of them; other values are the user's to type.
std::string Completion(const SUsage& usage, const std::string& text)
{
    std::vector<std::string> options, kinds, verbs, valued;
    std::vector<std::pair<std::string, std::vector<std::string>>> verbOptions;
    std::string cases, verbCases;
    for (const SSection& section : usage.m_sections)
        for (const SBlock& block : section.m_blocks)
        {
            if (block.m_eType == SBlock::Subsection)
            {
                const std::string rest = block.m_strTerm.substr(std::string(kRunnerProgram).size() + 1);
                verbs.push_back(rest.substr(0, rest.find(' ')));
                verbOptions.push_back({verbs.back(), {}});
                continue;
            }
            if (block.m_eType != SBlock::Option)
                continue;
            const std::string name = block.m_strTerm.substr(0, block.m_strTerm.find_first_of(" =,"));
            (section.m_strHeading == "Options" || verbOptions.empty() ? options : verbOptions.back().second).push_back(name);
            const size_t space = block.m_strTerm.find(' ');
            if (space == std::string::npos || std::find(valued.begin(), valued.end(), name) != valued.end())
                continue;
            valued.push_back(name);
            const std::string value = block.m_strTerm.substr(space + 1);
            const char* files = "compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -";
            std::string choices = value;
            std::replace(choices.begin(), choices.end(), '|', ' ');
            const std::string action = value == "KIND"  ? "mapfile -t COMPREPLY < <(compgen -W \"$kinds\" -- \"$cur\")"
                                       : value == "FILE" ? files + std::string("f -- \"$cur\")")
                                       : value == "DIR"  ? files + std::string("d -- \"$cur\")")
                                       : choices != value
                                           ? "mapfile -t COMPREPLY < <(compgen -W \"" + choices + "\" -- \"$cur\")"
                                           : "";
            cases += "        " + name + ") " + action + (action.empty() ? "" : "; ") + "return ;;\n";
        }
    for (const auto& [verb, names] : verbOptions)
        verbCases += "        " + verb + ") options+=\" " + Join(names, " ") + "\" ;;\n";
    for (EBatchKind kind : kBatchKinds)
        kinds.push_back(KindCommandName(kind));
    return Replaced(text, {{"@OPTIONS@", Join(options, " ")},
                           {"@KINDS@", Join(kinds, " ")},
                           {"@VERBS@", Join(verbs, " ")},
                           {"@VERB_CASES@", verbCases},
                           {"@VALUE_OPTIONS@", Join(valued, " ")},
                           {"@VALUE_CASES@", cases}});
}

bool WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        std::cerr << "mosvane_make_runner_docs: cannot write " << path << "\n";
    return static_cast<bool>(out);
}
} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const SUsage usage = ParseUsage(RunnerUsage());
    if (args.size() == 2 && args[0] == "manual")
        return WriteFile(args[1], ManualPage(usage)) ? 0 : 1;
    if (args.size() == 3 && args[0] == "completion")
    {
        std::ifstream in(args[1], std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof())
            return std::cerr << "mosvane_make_runner_docs: cannot read " << args[1] << "\n", 1;
        return WriteFile(args[2], Completion(usage, text)) ? 0 : 1;
    }
    std::cerr << "usage: mosvane_make_runner_docs manual OUT | completion TEMPLATE OUT\n";
    return 2;
}
