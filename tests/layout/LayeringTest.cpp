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

TEST(Layering, TheCheckerCatchesAWrongInclude)
{
    CTempDir dir;
    WriteFiles(dir, {{"engine/B.h", "#include \"config/Log.h\"\n #  include \"image/W.h\"\n"}, // down, then up
                     {"view/D.cpp", "#include \"ops/Blend.h\"\n#include <batch/x.h>\n"}});       // allowed; <> ignored
    EXPECT_EQ(UpwardIncludes(dir.Path()), std::vector<std::string>{"engine/B.h:2: includes image/"});
}

TEST(Layering, NoLibraryOfTheProjectIncludesAFolderAboveIt)
{
    EXPECT_EQ(UpwardIncludes(MOSVANE_SOURCE_DIR), std::vector<std::string>{});
}
} // namespace
