#include "config/ProgramFolder.h"

#include <climits>
#include <unistd.h>

std::string GetProgramFolder()
{
    char szPath[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", szPath, sizeof(szPath) - 1);
    if (n <= 0)
        return "./";
    const std::string strPath(szPath, size_t(n));
    const size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos ? std::string("./") : strPath.substr(0, nSlash + 1);
}

std::string GetConfigFolder()
{
    return GetProgramFolder() + "Cnfg/";
}

std::string WithTrailingSeparator(const std::string& strFolder)
{
    if (!strFolder.empty() && strFolder.back() != '/')
        return strFolder + "/";
    return strFolder;
}
