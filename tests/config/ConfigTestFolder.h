#pragma once
// A program folder of the config tests' own, holding a Cnfg folder for the files under test.

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace mosvane::test
{
class CProgramFolder
{
public:
    CProgramFolder() { std::filesystem::create_directories(m_dir.File("Cnfg")); }
    std::string Path() const { return m_dir.Path() + "/"; }
    std::string File(const std::string& name) const { return m_dir.File("Cnfg/" + name); }
    void Write(const std::string& name, const std::string& bytes) const { WriteTextFile(File(name), bytes); }
    std::string Read(const std::string& name) const { return ReadTextFile(File(name)); }

private:
    CTempDir m_dir;
};
} // namespace mosvane::test
