// A batch file's attributes are read by name in one place, the section readers: a read of one of
// their names anywhere else in the libraries fails here, naming the file and line, so that a new
// setting cannot grow a second, private way of being read.

#include "SourceTree.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace
{
using namespace mosvane::test;

const char* const kReaders = "batch/BatchSections.cpp";

// Every attribute name the readers read, as the literals they pass to their read helpers.
std::set<std::string> ReaderAttributeNames(const std::filesystem::path& root)
{
    const std::string text = TextOf(root / kReaders);
    const std::regex read(R"re((?:\.(?:Text|RecordedText|Integer|Setting)|\bValueOf)\s*\([^;"]*"(\w+)")re");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), read); it != std::sregex_iterator(); ++it)
        names.insert((*it)[1].str());
    return names;
}

// "file:line: reads Name" for every read of an attribute by one of the given names, as a literal,
// in the library folders under root other than the readers' file. A call that sets the attribute
// it names (Attribute("X").SetValue(...)) is a write; the XML library itself names none.
std::vector<std::string> AttributeReadsOutsideReaders(const std::filesystem::path& root,
                                                      const std::set<std::string>& names)
{
    const std::regex call(R"re(\b(?:Find)?Attribute\s*\(\s*"(\w+)"\s*\)(\s*\.\s*Set\w*\s*\()?)re");
    std::vector<std::string> found;
    for (const char* folder : {"base", "config", "engine", "image", "ops", "batch", "view", "ui", "app"})
        for (const std::string& name : SourcesUnder(root, folder))
        {
            const std::string text = name == kReaders ? "" : TextOf(root / name);
            for (auto it = std::sregex_iterator(text.begin(), text.end(), call); it != std::sregex_iterator(); ++it)
            {
                const std::smatch& m = *it;
                if (m[2].matched || !names.count(m[1].str()))
                    continue;
                const auto line = 1 + std::count(text.begin(), text.begin() + m.position(0), '\n');
                found.push_back(name + ":" + std::to_string(line) + ": reads " + m[1].str());
            }
        }
    std::sort(found.begin(), found.end());
    return found;
}

// In the batch folder, where a name can reach a read through any helper or variable, the rule is
// stricter: outside the readers and the writers (batch/BatchFile.cpp) no string literal equals one
// of the names and no attribute is looked up at all. "file:line: names X" and "file:line: looks
// up" for each; comments are passed over.
std::vector<std::string> BatchFolderNamesOutsideReaders(const std::filesystem::path& root,
                                                        const std::set<std::string>& names)
{
    const std::regex token(R"re(//.*|"((?:[^"\\]|\\.)*)"|'(?:[^'\\]|\\.)*')re");
    const std::regex lookup(R"re((?:\.|->)\s*(?:Find)?Attribute\s*\()re");
    std::vector<std::string> found;
    for (const std::string& name : SourcesUnder(root, "batch"))
    {
        std::istringstream lines(name == kReaders || name == "batch/BatchFile.cpp" ? "" : TextOf(root / name));
        std::string line;
        for (int n = 1; std::getline(lines, line); ++n)
        {
            const std::string where = name + ":" + std::to_string(n) + ": ";
            std::string code; // the line without its comment, each literal as '#'
            size_t last = 0;
            for (auto it = std::sregex_iterator(line.begin(), line.end(), token); it != std::sregex_iterator(); ++it)
            {
                code += line.substr(last, size_t(it->position()) - last) + (it->str().rfind("//", 0) == 0 ? "" : "#");
                last = size_t(it->position() + it->length());
                if ((*it)[1].matched && names.count((*it)[1].str()))
                    found.push_back(where + "names " + (*it)[1].str());
            }
            if (std::regex_search(code + line.substr(last), lookup))
                found.push_back(where + "looks up");
        }
    }
    return found;
}

TEST(BatchAttributes, TheCheckersFindReadsByNameOutsideTheReaders)
{
    CTempDir dir;
    WriteFiles(dir, {{kReaders, "output.Text(\"Folder\", a);\nValueOf(entry, \"PathName\", x);\n"},
                     {"ops/B.h", "x = n.Attribute(\n    \"Folder\" ).Value();\n"}, // across lines
                     {"ui/C.cpp", "item.Attribute(\"PathName\").SetValue(p);\n"},  // a write
                     {"batch/Kind.cpp", "// \"Folder\" in a comment\nf(\"PathName\");\n"}});
    const std::set<std::string> names = ReaderAttributeNames(dir.Path());
    EXPECT_EQ(names, (std::set<std::string>{"Folder", "PathName"}));
    EXPECT_EQ(AttributeReadsOutsideReaders(dir.Path(), names), std::vector<std::string>{"ops/B.h:1: reads Folder"});
    EXPECT_EQ(BatchFolderNamesOutsideReaders(dir.Path(), names),
              std::vector<std::string>{"batch/Kind.cpp:2: names PathName"});
}

TEST(BatchAttributes, NoAttributeOfABatchSectionIsReadOutsideTheSectionReaders)
{
    const std::set<std::string> names = ReaderAttributeNames(MOSVANE_SOURCE_DIR);
    // The readers' names are found (a checker that finds none would pass anything).
    for (const char* name : {"Folder", "Ratio", "FPS", "PathName"})
        EXPECT_EQ(names.count(name), 1u) << name;
    EXPECT_EQ(AttributeReadsOutsideReaders(MOSVANE_SOURCE_DIR, names), std::vector<std::string>{});
    EXPECT_EQ(BatchFolderNamesOutsideReaders(MOSVANE_SOURCE_DIR, names), std::vector<std::string>{});
}
} // namespace
