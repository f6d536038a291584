#pragma once
// The error log: failed internal checks, one file per day in the log folder (the current directory
// unless set), each entry also echoed to standard error. Logging never fails the caller: a file
// that cannot be opened loses only the file's copy of the entry.

#include <cstdint>
#include <string>

// The two check forms; each takes the condition's text, the source file name and the line.
extern const char* const kLogIfOkFormat;   // "IF_OK(%s)★ in %s, %d"
extern const char* const kLogCheckfFormat; // "★CHECKF(%s)★ in %s, %d"

// Size at which a day's file is renamed aside and the next entry starts a fresh one.
inline constexpr uint64_t kLogRollThreshold = 20971520;
// Room for a message including its NUL: longer messages are cut.
inline constexpr size_t kLogMessageBuffer = 1024;

// Formats one message (printf-style) and appends it as an entry to "<prefix> Y-M-D.log". Nothing
// happens when prefix or format is null.
void WriteLog(const char* prefix, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Logs a failed check under the prefix "error". checkFormat is one of the two forms above; the
// formatted message is written as it stands, never used as a format again.
void LogCheckFailure(const char* checkFormat, const char* condition, const char* file, int line);

// The folder log files go to; empty means the current directory.
void SetLogFolder(const std::string& folder);

// Logs a failed check whose source file is named by its stem (the path's last component without
// its extension) and gives the check's result back. Use through the macros below.
bool LogCheckResult(bool holds, const char* checkFormat, const char* condition, const char* sourcePath, int line);

// Evaluate to the condition's truth; a false condition is logged with its text, file and line.
#define MOSVANE_IF_OK(expr) LogCheckResult(static_cast<bool>(expr), kLogIfOkFormat, #expr, __FILE__, __LINE__)
#define MOSVANE_CHECKF(expr) LogCheckResult(static_cast<bool>(expr), kLogCheckfFormat, #expr, __FILE__, __LINE__)
