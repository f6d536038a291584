#pragma once
// Where the program's files live. Run from a build or a portable folder, everything is beside the
// executable (Cnfg/ there, the log in the current directory). Installed where the user cannot
// write, nothing is ever written beside the executable: the shipped settings and default batch
// file are copied once into the user's configuration folder and used there, and the daily log
// goes to the user's state folder.

#include <string>

struct SDataFolders
{
    std::string m_strProgram; // the executable's folder: string table, help file (read only)
    std::string m_strData;    // the folder holding Cnfg/ with the settings and the batch file
    std::string m_strLog;     // the log folder; empty: the current directory
    bool m_bInstalled = false;
};

// The folders for an executable in programFolder. The user's folders follow XDG_CONFIG_HOME and
// XDG_STATE_HOME (defaults ~/.config and ~/.local/state), each with "Mosvane/" appended. When the
// user's folders cannot be made, the program folder is read in place (settings then cannot be
// saved, which is not reported, like any failed save).
SDataFolders ResolveDataFolders(const std::string& programFolder);
// The same with the installed case decided by the caller.
SDataFolders ResolveDataFolders(const std::string& programFolder, bool bInstalled);

// An executable counts as installed when the user cannot write its folder, or when the folder
// is one of the system's (under /usr/ or /opt/), where even a user who may write there must not.
bool IsInstalledFolder(const std::string& programFolder);

// The files of Cnfg/ that are copied for the user.
inline constexpr const char* kUserConfigFiles[] = {"Mosvane.xml", "BatchMosvane.xml"};
