#pragma once
// The project's sources as the layout checks read them, and small trees of them written for the
// checkers' own tests.

#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace mosvane::test
{
inline std::string TextOf(const std::filesystem::path& path) { return ReadTextFile(path.string()); }

// Every .h and .cpp under root/folder, as paths relative to root, sorted.
inline std::vector<std::string> SourcesUnder(const std::filesystem::path& root, const std::string& folder)
{
    std::vector<std::string> files;
    if (std::filesystem::is_directory(root / folder))
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder))
        {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp"))
                files.push_back(std::filesystem::relative(entry.path(), root).generic_string());
        }
    std::sort(files.begin(), files.end());
    return files;
}

// Writes each file of the map, by its path under the folder, with its text.
inline void WriteFiles(const CTempDir& dir, const std::map<std::string, std::string>& files)
{
    for (const auto& [name, text] : files)
    {
        std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
        WriteTextFile(dir.File(name), text);
    }
}
} // namespace mosvane::test
