#pragma once
// The one way the program reads and replaces files. The rules hold for every caller:
// - only regular files are read or replaced; a path is opened so that the open itself cannot
//   block (a named pipe or a device named like a picture is refused at once);
// - a whole-file read never allocates more than the file's size and never throws;
// - a replacement is written completely to a temporary file beside the target before the target
//   changes, so a full disk or a file size limit leaves the old file as it was;
// - a replaced file keeps its mode, a symbolic link keeps pointing at the replaced file, and a
//   file with several hard links keeps them;
// - every failure has a reason, the system's words for it ("No space left on device", "Permission
//   denied") or the module's ("not a regular file"), handed to the caller that asks for it in
//   pstrReason (emptied on success).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The whole content of the regular file at pszPath. False (with the reason) when the path cannot
// be opened, is not a regular file, is larger than nMaxBytes or cannot be read; out is then empty.
bool ReadWholeFile(const char* pszPath, std::vector<uint8_t>& out, uint64_t nMaxBytes,
                   std::string* pstrReason = nullptr);

// Replaces (or creates) the file at pszPath with bytes. True only when every byte reached the file;
// on failure the old content is untouched (see the hard link case in FileIo.cpp) and no temporary
// file is left behind.
bool ReplaceFile(const char* pszPath, std::span<const uint8_t> bytes, std::string* pstrReason = nullptr);

// Makes the folder that holds pszPath, with every missing parent (as mkdir -p does). True when it
// is a folder afterwards; false, with the system's reason ("Permission denied", "Not a
// directory"), otherwise. A path without a folder part names the current folder, which exists.
bool MakeFolderOf(const char* pszPath, std::string* pstrReason = nullptr);

// Renames pszFrom to pszTo only when nothing is at pszTo: false, with the reason ("File exists"
// when something is), otherwise.
bool RenameWithoutReplacing(const char* pszFrom, const char* pszTo, std::string* pstrReason = nullptr);

// Appends bytes to the regular file at pszPath, creating it when missing; nSizeAfter receives the
// file's length afterwards. Used for logs, where a half-written entry is acceptable.
bool AppendToFile(const char* pszPath, std::span<const uint8_t> bytes, uint64_t& nSizeAfter,
                  std::string* pstrReason = nullptr);

// A write past the process's file size limit then fails with "File too large" instead of killing
// the process. Every program calls this once at start.
void IgnoreFileSizeSignal();
