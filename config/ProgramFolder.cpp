#include "config/ProgramFolder.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#ifndef MOSVANE_SHIPPED_DATA_FOLDER
#define MOSVANE_SHIPPED_DATA_FOLDER "share/mosvane/"
#endif
const char* const kShippedDataFolder = MOSVANE_SHIPPED_DATA_FOLDER;

namespace
{
bool HasConfigFolder(const std::string& folder)
{
    struct stat info = {};
    return ::stat((folder + "Cnfg").c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
} // namespace

std::string GetProgramFolder()
{
    char szPath[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", szPath, sizeof(szPath) - 1);
    if (n <= 0)
        return "./";
    const std::string strPath(szPath, size_t(n));
    const size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? std::string("./") : ShippedFilesFolder(strPath.substr(0, nSlash + 1));
}

std::string ShippedFilesFolder(const std::string& exeFolder)
{
    const std::string folder = WithTrailingSeparator(exeFolder);
    if (HasConfigFolder(folder))
        return folder;
    const bool inBin = folder == "bin/" || (folder.size() >= 5 && folder.compare(folder.size() - 5, 5, "/bin/") == 0);
    if (!inBin)
        return folder;
    // "/usr/bin/" gives "/usr/share/mosvane/".
    const std::string data = folder.substr(0, folder.size() - 4) + kShippedDataFolder;
    return HasConfigFolder(data) ? data : folder;
}

std::string WithTrailingSeparator(const std::string& strFolder)
{
    if (!strFolder.empty() && strFolder.back() != '/')
        return strFolder + "/";
    return strFolder;
}
