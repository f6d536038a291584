#include "config/StringTable.h"

#include "config/ProgramFolder.h"
#include "config/ShippedFiles.h"
#include "base/FileIo.h"

#include <algorithm>
#include <cstdint>

namespace
{
const char kEmptyList[2] = {0, 0};

constexpr StringTableOffset kProgramOffsets[] = {StbImageOpenCaption, StbImageOpenText, StbOpenFilters, StbSaveFilters};

// The shipped text at an offset the program reads, or null.
const char* ShippedTextAt(uint32_t nOffset)
{
    const std::span<const uint8_t> shipped = ShippedStringTable();
    for (StringTableOffset at : kProgramOffsets)
        if (at == nOffset && nOffset < shipped.size())
            return reinterpret_cast<const char*>(shipped.data()) + nOffset;
    return nullptr;
}
} // namespace

std::string StringTableFilePath(const std::string& strProgramFolder)
{
    return WithTrailingSeparator(strProgramFolder) + "Cnfg/StringTable.stb";
}

bool CStringTable::LoadStringTable()
{
    return LoadStringTable(GetProgramFolder());
}

bool CStringTable::LoadStringTable(const std::string& strProgramFolder)
{
    std::vector<uint8_t> file;
    if (!ReadWholeFile(StringTableFilePath(strProgramFolder).c_str(), file, kStringTableMaxBytes))
        return false;
    // Two NULs after the block: a text at the last offset still ends, and so does the list after it.
    std::vector<char> block(file.size() + 2, 0);
    std::copy(file.begin(), file.end(), block.begin());
    m_block.swap(block);
    m_pData = m_pBuffer = m_block.data();
    m_nSize = uint32_t(file.size());
    return true;
}

const char* CStringTable::GetStringAt(uint32_t nOffset) const
{
    if (m_pData && nOffset < m_nSize && m_pData[nOffset])
        return m_pData + nOffset;
    // A table that is empty or too short for a text the program reads must not give a message
    // box without words or a dialog without file types.
    const char* pszShipped = ShippedTextAt(nOffset);
    return pszShipped ? pszShipped : kEmptyList;
}

CStringTable& GetStringTable()
{
    static CStringTable s_table;
    return s_table;
}
