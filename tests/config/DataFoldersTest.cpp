// Where the program's files live: beside a portable executable, or in the user's XDG folders for
// an installed one, with the shipped files copied once and the user's copies kept.

#include "config/DataFolders.h"
#include "config/ProgramFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace mosvane::test;

namespace
{
// Sets an environment variable for the life of the guard.
class CEnv
{
public:
    CEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old, m_bHad = true;
        ::setenv(name, value.c_str(), 1);
    }
    ~CEnv() { m_bHad ? (void)::setenv(m_name, m_old.c_str(), 1) : (void)::unsetenv(m_name); }

private:
    const char* m_name;
    std::string m_old;
    bool m_bHad = false;
};
} // namespace

TEST(DataFolders, PortableUsesProgramFolderInstalledCopiesToUserFolders)
{
    CTempDir program, user;
    std::filesystem::create_directories(program.File("Cnfg"));
    std::ofstream(program.File("Cnfg/Mosvane.xml")) << "<shipped/>";
    std::ofstream(program.File("Cnfg/BatchMosvane.xml")) << "<MosvaneBatch/>";

    const SDataFolders portable = ResolveDataFolders(program.Path(), false);
    EXPECT_EQ(portable.m_strData, program.Path() + "/");
    EXPECT_EQ(portable.m_strLog, "");
    EXPECT_FALSE(IsInstalledFolder(program.Path()));
    EXPECT_TRUE(IsInstalledFolder("/usr/lib/mosvane"));

    const CEnv config("XDG_CONFIG_HOME", user.File("cfg"));
    const CEnv state("XDG_STATE_HOME", user.File("st"));
    const SDataFolders installed = ResolveDataFolders(program.Path(), true);
    EXPECT_TRUE(installed.m_bInstalled);
    EXPECT_EQ(installed.m_strProgram, program.Path() + "/");
    EXPECT_EQ(installed.m_strData, user.File("cfg") + "/Mosvane/");
    EXPECT_EQ(installed.m_strLog, user.File("st") + "/Mosvane/");
    EXPECT_TRUE(std::filesystem::is_directory(installed.m_strLog));
    EXPECT_EQ(ReadTextFile(installed.m_strData + "Cnfg/BatchMosvane.xml"), "<MosvaneBatch/>");

    // The user's copy is theirs: a later start does not overwrite it.
    std::ofstream(installed.m_strData + "Cnfg/Mosvane.xml") << "<edited/>";
    ResolveDataFolders(program.Path(), true);
    EXPECT_EQ(ReadTextFile(installed.m_strData + "Cnfg/Mosvane.xml"), "<edited/>");

    // Relative or missing XDG variables fall back to HOME.
    const CEnv relative("XDG_CONFIG_HOME", "relative/path");
    const CEnv home("HOME", user.File("home"));
    EXPECT_EQ(ResolveDataFolders(program.Path(), true).m_strData, user.File("home") + "/.config/Mosvane/");
}

// An executable finds its shipped files beside itself (a build, a portable folder) or, in the bin/
// folder of an installation, in that prefix's data folder; otherwise it stays where it is and
// start-up names what is missing.
TEST(DataFolders, ShippedFilesLieBesideTheProgramOrInThePrefixDataFolder)
{
    CTempDir root;
    const std::string prefix = root.File("usr");
    std::filesystem::create_directories(prefix + "/bin");
    std::filesystem::create_directories(prefix + "/" + kShippedDataFolder + "Cnfg");
    std::filesystem::create_directories(root.File("portable/Cnfg"));
    std::filesystem::create_directories(root.File("bare/bin"));

    EXPECT_EQ(ShippedFilesFolder(prefix + "/bin/"), prefix + "/" + kShippedDataFolder);
    EXPECT_EQ(ShippedFilesFolder(prefix + "/bin"), prefix + "/" + kShippedDataFolder);
    EXPECT_EQ(ShippedFilesFolder(root.File("portable")), root.File("portable/"));
    EXPECT_EQ(ShippedFilesFolder(root.File("bare/bin/")), root.File("bare/bin/"));
    // A portable folder that happens to be called bin keeps its own files.
    std::filesystem::create_directories(prefix + "/bin/Cnfg");
    EXPECT_EQ(ShippedFilesFolder(prefix + "/bin/"), prefix + "/bin/");
}
