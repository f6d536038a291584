#include "config/DataFolders.h"

#include "config/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// $variable when it is an absolute path, else $HOME/fallback; empty without either.
std::string UserFolder(const char* variable, const char* fallback)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return WithTrailingSeparator(value) + "Mosvane/";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return WithTrailingSeparator(home) + fallback + "Mosvane/";
    return {};
}

bool MakeFolder(const std::string& folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    return !error && fs::is_directory(folder, error);
}

// Copies the shipped files the user does not have yet; an existing copy is the user's and stays.
bool CopyShippedConfig(const std::string& fromCnfg, const std::string& toCnfg)
{
    if (!MakeFolder(toCnfg))
        return false;
    for (const char* name : kUserConfigFiles)
    {
        std::error_code error;
        const std::string target = toCnfg + name;
        if (fs::exists(target, error))
            continue;
        fs::copy_file(fromCnfg + name, target, error);
        // A file missing from the installation stays missing; start-up then says so.
        if (error && fs::exists(fromCnfg + name))
            return false;
    }
    return true;
}
} // namespace

bool IsInstalledFolder(const std::string& programFolder)
{
    const std::string folder = WithTrailingSeparator(programFolder);
    for (const char* system : {"/usr/", "/opt/"})
        if (folder.rfind(system, 0) == 0)
            return true;
    return ::access(folder.c_str(), W_OK) != 0;
}

SDataFolders ResolveDataFolders(const std::string& programFolder)
{
    return ResolveDataFolders(programFolder, IsInstalledFolder(programFolder.empty() ? "./" : programFolder));
}

SDataFolders ResolveDataFolders(const std::string& programFolder, bool bInstalled)
{
    SDataFolders folders;
    folders.m_strProgram = WithTrailingSeparator(programFolder.empty() ? std::string("./") : programFolder);
    folders.m_strData = folders.m_strProgram;
    if (!bInstalled)
        return folders;

    folders.m_bInstalled = true;
    const std::string config = UserFolder("XDG_CONFIG_HOME", ".config/");
    if (!config.empty() && CopyShippedConfig(folders.m_strProgram + "Cnfg/", config + "Cnfg/"))
        folders.m_strData = config;
    const std::string state = UserFolder("XDG_STATE_HOME", ".local/state/");
    if (!state.empty() && MakeFolder(state))
        folders.m_strLog = state;
    return folders;
}
