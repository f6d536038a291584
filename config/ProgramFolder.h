#pragma once
// The folder of the running program's shipped files (Cnfg/, the help file).

#include <string>

// The folder holding the program's shipped files, with its trailing "/" ("./" when the
// executable cannot be found): ShippedFilesFolder of the executable's own folder.
std::string GetProgramFolder();

// Where the shipped files of an executable in exeFolder lie: Cnfg/ beside it (a build, a portable
// folder, or a symbolic link to either, which the executable's path already resolves), else, for
// an executable in the bin/ folder of an installation prefix, that prefix's data folder for
// Mosvane (kShippedDataFolder under the prefix) when it holds Cnfg/. Otherwise exeFolder itself, where start-up then says what
// is missing.
std::string ShippedFilesFolder(const std::string& exeFolder);

// The shipped files' folder of an installation under its prefix, where the install rules put them.
extern const char* const kShippedDataFolder; // "share/mosvane/"

// A folder given by a caller, with a trailing "/" added when it has none (empty stays empty:
// the current folder).
std::string WithTrailingSeparator(const std::string& strFolder);
