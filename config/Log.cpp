#include "config/Log.h"

#include "base/FileIo.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

const char* const kLogIfOkFormat = "IF_OK(%s)\u2605 in %s, %d";
const char* const kLogCheckfFormat = "\u2605CHECKF(%s)\u2605 in %s, %d";

namespace
{
std::string& LogFolder()
{
    static std::string folder;
    return folder;
}

std::string InFolder(const char* name)
{
    const std::string& folder = LogFolder();
    return folder.empty() ? std::string(name) : folder + "/" + name;
}

bool LocalNow(std::tm& out)
{
    const std::time_t now = std::time(nullptr);
    return localtime_r(&now, &out) != nullptr;
}

void WriteMessage(const char* prefix, const char* message)
{
    std::tm local{};
    if (!LocalNow(local))
        return;

    std::fprintf(stderr, "%s\n", message);

    char name[512];
    std::snprintf(name, sizeof name, "%s %d-%d-%d.log", prefix, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const std::string path = InFolder(name);
    // The classic 24-character time text; asctime_r adds its own line end, written here as CR LF
    // like the entry's own line end, so each entry is one line followed by an empty line.
    char when[64] = {};
    asctime_r(&local, when);
    when[std::strcspn(when, "\n")] = '\0';
    const std::string entry = std::string(message) + " -- " + when + "\r\n\r\n";
    uint64_t length = 0;
    if (!AppendToFile(path.c_str(), {reinterpret_cast<const uint8_t*>(entry.data()), entry.size()}, length))
        return;

    if (length >= kLogRollThreshold)
    {
        std::tm roll{};
        if (!LocalNow(roll))
            return;
        const unsigned timeNumber = unsigned((roll.tm_hour * 100 + roll.tm_min) * 100 + roll.tm_sec);
        char rolled[512];
        std::snprintf(rolled, sizeof rolled, "%s %d-%d-%d.%u.log", prefix, roll.tm_year + 1900, roll.tm_mon + 1,
                      roll.tm_mday, timeNumber);
        // Two rolls within one second must not overwrite the first rolled file: when the target
        // exists the rename fails and the next entry tries again, as for any failed rename.
        RenameWithoutReplacing(path.c_str(), InFolder(rolled).c_str());
    }
}
} // namespace

void WriteLog(const char* prefix, const char* format, ...)
{
    if (!prefix || !format)
        return;
    char message[kLogMessageBuffer] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    WriteMessage(prefix, message);
}

void LogCheckFailure(const char* checkFormat, const char* condition, const char* file, int line)
{
    if (!checkFormat)
        return;
    char message[kLogMessageBuffer] = {};
    std::snprintf(message, sizeof message, checkFormat, condition ? condition : "", file ? file : "", line);
    WriteLog("error", "%s", message);
}

void SetLogFolder(const std::string& folder)
{
    LogFolder() = folder;
}

bool LogCheckResult(bool holds, const char* checkFormat, const char* condition, const char* sourcePath, int line)
{
    if (holds)
        return true;
    std::string stem = sourcePath ? sourcePath : "";
    const size_t slash = stem.find_last_of('/');
    if (slash != std::string::npos)
        stem.erase(0, slash + 1);
    const size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        stem.erase(dot);
    LogCheckFailure(checkFormat, condition, stem.c_str(), line);
    return false;
}
