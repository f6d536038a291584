#include "config/StringTable.h"

#include "config/ProgramFolder.h"
#include "xml/XmlFile.h"

#include <cstdio>

namespace
{
const char kEmptyList[2] = {0, 0};
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
    CXmlInputFile file;
    if (!file.Open(StringTableFilePath(strProgramFolder).c_str()))
        return false;
    if (std::fseek(file.Get(), 0, SEEK_END) != 0)
        return false;
    const long nSize = std::ftell(file.Get());
    if (nSize < 0 || uint64_t(nSize) > kStringTableMaxBytes || std::fseek(file.Get(), 0, SEEK_SET) != 0)
        return false;
    std::vector<char> block(size_t(nSize) + 2, 0);
    if (nSize > 0 && std::fread(block.data(), 1, size_t(nSize), file.Get()) != size_t(nSize))
        return false;
    m_block.swap(block);
    m_pData = m_pBuffer = m_block.data();
    m_nSize = uint32_t(nSize);
    return true;
}

const char* CStringTable::GetStringAt(uint32_t nOffset) const
{
    if (!m_pData || nOffset >= m_nSize)
        return kEmptyList;
    return m_pData + nOffset;
}

CStringTable& GetStringTable()
{
    static CStringTable s_table;
    return s_table;
}
