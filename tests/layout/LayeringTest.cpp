// Each library sees only the folders below it: an #include "folder/..." that runs upward (or
// sideways between the window libraries and the core) fails here, naming the file and line.

#include "SourceTree.h"

#include <gtest/gtest.h>

#include <regex>

namespace
{
using namespace mosvane::test;

// The core, lowest first; a core folder may include only the folders before it.
const std::vector<std::string> kCore = {"base", "xml", "config", "engine", "image", "ops", "batch"};

int CoreRank(const std::string& folder)
{
    const auto it = std::find(kCore.begin(), kCore.end(), folder);
    return it == kCore.end() ? -1 : int(it - kCore.begin());
}

bool MayInclude(const std::string& from, const std::string& to)
{
    if (from == to || from == "app")
        return true;
    const int nTo = CoreRank(to);
    if (from == "view") // the image view: the core up to the operations
        return nTo >= 0 && nTo <= CoreRank("ops");
    if (from == "ui") // the window: everything but the entry points
        return to != "app";
    const int nFrom = CoreRank(from);
    return nFrom >= 0 && nTo >= 0 && nTo < nFrom;
}

// "file:line: includes folder/..." for every include of a project folder that the rules forbid,
// over the library folders present under root (tests, bench, fuzz and tools may use anything).
std::vector<std::string> UpwardIncludes(const std::filesystem::path& root)
{
    std::vector<std::string> folders = kCore;
    folders.insert(folders.end(), {"view", "ui", "app"});
    const std::regex include(R"(^\s*#\s*include\s*"([A-Za-z_]+)/)");
    std::vector<std::string> found;
    for (const std::string& from : folders)
        for (const std::string& file : SourcesUnder(root, from))
        {
            std::istringstream lines(TextOf(root / file));
            std::string line;
            for (int n = 1; std::getline(lines, line); ++n)
            {
                std::smatch m;
                const std::string to = std::regex_search(line, m, include) ? m[1].str() : "";
                const bool project = std::find(folders.begin(), folders.end(), to) != folders.end();
                if (project && !MayInclude(from, to))
                    found.push_back(file + ":" + std::to_string(n) + ": includes " + to + "/");
            }
        }
    return found;
}

TEST(Layering, TheCheckerCatchesEveryKindOfWrongInclude)
{
    CTempDir dir;
    const std::map<std::string, std::string> files = {
        {"base/A.cpp", "#include \"xml/XmlNode.h\"\n"},           // up
        {"engine/B.h", "#include \"config/Log.h\"\n #  include \"image/W.h\"\n"}, // down, then up
        {"ops/C.cpp", "#include \"view/V.h\"\n#include <batch/x.h>\n"}, // core to window; <> ignored
        {"view/D.cpp", "#include \"batch/BatchFile.h\"\n#include \"ops/Blend.h\"\n"},
        {"ui/E.cpp", "#include \"app/Main.h\"\n#include \"view/V.h\"\n#include \"batch/B.h\"\n"},
        {"app/F.cpp", "#include \"ui/MainFrm.h\"\n"},
        {"xml/G.txt", "#include \"batch/B.h\"\n"}, // not a source file
    };
    WriteFiles(dir, files);
    std::vector<std::string> found = UpwardIncludes(dir.Path());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"base/A.cpp:1: includes xml/", "engine/B.h:2: includes image/",
                                               "ops/C.cpp:1: includes view/", "ui/E.cpp:1: includes app/",
                                               "view/D.cpp:1: includes batch/"}));
}

TEST(Layering, NoLibraryOfTheProjectIncludesAFolderAboveIt)
{
    EXPECT_EQ(UpwardIncludes(MOSVANE_SOURCE_DIR), std::vector<std::string>{});
}
} // namespace
