#pragma once
// The user-interface texts kept in Cnfg/StringTable.stb beside the executable: a raw block of
// NUL-terminated texts, each found at a fixed byte offset. Replacing the file changes the texts
// without touching the program.

#include <cstdint>
#include <string>
#include <vector>

// The offsets the program reads.
enum StringTableOffset : uint32_t
{
    StbImageOpenCaption = 1, // caption of the warning when an image cannot be opened (7 bytes)
    StbImageOpenText = 9,    // its text (60 bytes)
    StbOpenFilters = 70,     // file-type filters of the open-image dialogs
    StbSaveFilters = 316,    // file-type filters of the save-image dialog
};

// The largest string table file that is loaded.
inline constexpr uint32_t kStringTableMaxBytes = 1u << 20;

class CStringTable
{
public:
    // Loads the file of the executable's folder whole; true when it was opened and read. An
    // empty file loads too. A failed load leaves what was loaded before.
    bool LoadStringTable();
    // The same for the program folder given (the folder that holds Cnfg/).
    bool LoadStringTable(const std::string& strProgramFolder);

    // The text (or filter list: description, NUL, patterns, NUL, ..., NUL NUL) at a byte offset.
    // The block is followed by two NUL bytes, so the last text always ends. Where the block holds
    // no text (an empty text, or an offset at or past its end), an offset of the table above gives
    // the shipped English text, any other offset an empty filter list. Pointers stay valid until
    // the next load.
    const char* GetStringAt(uint32_t nOffset) const;

    uint32_t Size() const { return m_nSize; }

private:
    const char* m_pData = nullptr;
    const char* m_pBuffer = nullptr;
    uint32_t m_nSize = 0;
    std::vector<char> m_block;
};

// The single instance, empty until loaded.
CStringTable& GetStringTable();

// The string table file of a program folder.
std::string StringTableFilePath(const std::string& strProgramFolder);
