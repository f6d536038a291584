// The shape of the sources: no function in the core longer than a reader takes in at once, and
// no circle of includes between the window's files, each failure naming the file and line.
//
// Function bodies are found by Universal Ctags (scripts/install-deps.sh installs it), which reads
// past comments, literals and preprocessor lines; a function's length runs from the line of its
// name to the line of its closing brace, both included.

#include "SourceTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <regex>
#include <set>

namespace
{
using namespace mosvane::test;

constexpr int kMaxFunctionLines = 80;
const std::vector<std::string> kCoreFolders = {"base", "xml", "config", "engine", "image", "ops", "batch"};

// "file:line: Name is N lines" for every function of the folders longer than the limit.
std::vector<std::string> LongFunctions(const std::filesystem::path& root, const std::vector<std::string>& folders,
                                       int limit = kMaxFunctionLines)
{
    std::string present;
    for (const std::string& folder : folders)
        if (std::filesystem::is_directory(root / folder))
            present += " " + folder;
    std::string listing;
    EXPECT_EQ(RunCommand("cd " + ShellQuote(root.string()) + " && ctags -R --languages=C++ --langmap=C++:+.h "
                         "--kinds-C++=f --fields=+ne -x --_xformat='%{input} %{line} %{end} %{name}'" + present,
                         &listing), 0) << "Universal Ctags is needed (scripts/install-deps.sh test)";
    std::vector<std::string> found;
    std::istringstream lines(listing);
    std::string file, name;
    for (int first = 0, last = 0; lines >> file >> first >> last >> name;)
        if (last - first + 1 > limit)
            found.push_back(file + ":" + std::to_string(first) + ": " + name + " is " + std::to_string(last - first + 1) +
                            " lines");
    std::sort(found.begin(), found.end());
    return found;
}

// The include circles between the units of a folder (a unit: a header and its source, by name),
// each as "A -> B -> ... -> A" from its alphabetically first unit; empty when there is none.
std::vector<std::string> IncludeCircles(const std::filesystem::path& root, const std::string& folder)
{
    std::map<std::string, std::set<std::string>> edges;
    const std::regex include("^\\s*#\\s*include\\s*\"" + folder + "/([A-Za-z0-9_/]+)\\.h\"");
    for (const std::string& file : SourcesUnder(root, folder))
    {
        const std::string unit = std::filesystem::path(file).replace_extension().string().substr(folder.size() + 1);
        edges[unit];
        std::istringstream lines(TextOf(root / file));
        std::smatch m;
        for (std::string line; std::getline(lines, line);)
            if (std::regex_search(line, m, include) && m[1].str() != unit)
                edges[unit].insert(m[1].str());
    }
    // Depth-first from every unit; a unit met again on the current path closes a circle. Each
    // circle is reported once, rotated to start at its smallest unit.
    std::set<std::string> circles, done;
    std::vector<std::string> path;
    std::function<void(const std::string&)> visit = [&](const std::string& unit) {
        const auto onPath = std::find(path.begin(), path.end(), unit);
        if (onPath != path.end())
        {
            std::vector<std::string> circle(onPath, path.end());
            std::rotate(circle.begin(), std::min_element(circle.begin(), circle.end()), circle.end());
            std::string text;
            for (const std::string& member : circle)
                text += member + " -> ";
            circles.insert(text + circle.front());
            return;
        }
        if (done.count(unit))
            return;
        path.push_back(unit);
        for (const std::string& next : edges[unit])
            visit(next);
        path.pop_back();
        done.insert(unit);
    };
    for (const auto& entry : edges)
        visit(entry.first);
    return {circles.begin(), circles.end()};
}

// n lines of body, each a statement.
std::string Body(int n)
{
    std::string body;
    for (int i = 0; i < n; ++i)
        body += "    x += " + std::to_string(i) + ";\n";
    return body;
}

TEST(SourceShape, TheCheckersNameLongFunctionsAndIncludeCircles)
{
    CTempDir dir;
    WriteFiles(dir, {
        {"ops/Long.cpp", "int Fits()\n{\n" + Body(77) + "}\n\nint TooLong()\n{\n" + Body(78) + "}\n"},
        {"ui/A.h", "#include \"ui/B.h\"\n"},
        {"ui/B.cpp", "#include \"ui/B.h\"\n#include <ui/A.h>\n"}, // not a project include: no circle
        {"ui/D.cpp", "#include \"ui/E.h\"\n"},
        {"ui/E.cpp", "#include \"ui/D.h\"\n"},
    });
    EXPECT_EQ(LongFunctions(dir.Path(), {"ops"}), std::vector<std::string>{"ops/Long.cpp:82: TooLong is 81 lines"});
    EXPECT_EQ(IncludeCircles(dir.Path(), "ui"), std::vector<std::string>{"D -> E -> D"});
}

TEST(SourceShape, NoCoreFunctionIsLongerThanTheLimit)
{
    EXPECT_EQ(LongFunctions(MOSVANE_SOURCE_DIR, kCoreFolders), std::vector<std::string>{});
}

TEST(SourceShape, NoCircleOfIncludesBetweenTheWindowsFiles)
{
    EXPECT_EQ(IncludeCircles(MOSVANE_SOURCE_DIR, "ui"), std::vector<std::string>{});
}
} // namespace
