#pragma once
// The folder of the running executable, where the program's configuration folder lives.

#include <string>

// The executable's folder with its trailing "/" ("./" when it cannot be found).
std::string GetProgramFolder();

// The configuration folder beside the executable: GetProgramFolder() + "Cnfg/".
std::string GetConfigFolder();

// A folder given by a caller, with a trailing "/" added when it has none (empty stays empty:
// the current folder).
std::string WithTrailingSeparator(const std::string& strFolder);
