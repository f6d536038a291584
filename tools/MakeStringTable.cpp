// Builds the string table file from its readable source. Usage:
//   mosvane_make_stringtable <source.txt> <output.stb>
//
// Source format, line by line ("\r" at line ends is ignored):
//   # ...                a comment
//   (empty line)         ignored
//   @<offset> text       starts a block at that byte offset holding one text: the next line
//   @<offset> filters    starts a block holding a dialog filter list: the following lines in
//                        pairs, a description then its patterns ("*.bmp;*.png")
//   any other line       belongs to the block above
// Each text is written with its NUL, a filter list with one more NUL after its last string.
// Bytes between blocks are NUL. The build fails (exit 1, no output) when a block is empty or
// malformed, when offsets do not increase, or when a block does not end before the next one.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace
{
struct CBlock
{
    unsigned long m_nOffset = 0;
    bool m_bFilters = false;
    std::vector<std::string> m_lines;
    int m_nLine = 0; // where it starts in the source, for messages
};

int Fail(const std::string& strSource, int nLine, const std::string& strMessage)
{
    std::cerr << strSource << ":" << nLine << ": " << strMessage << "\n";
    return 1;
}

int Generate(const std::string& strSource, const std::string& strTarget)
{
    std::ifstream in(strSource, std::ios::binary);
    if (!in)
    {
        std::cerr << strSource << ": cannot be read\n";
        return 1;
    }

    std::vector<CBlock> blocks;
    std::string strLine;
    for (int nLine = 1; std::getline(in, strLine); ++nLine)
    {
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        if (strLine.empty() || strLine[0] == '#')
            continue;
        if (strLine[0] != '@')
        {
            if (blocks.empty())
                return Fail(strSource, nLine, "text before the first @offset line");
            blocks.back().m_lines.push_back(strLine);
            continue;
        }
        CBlock block;
        block.m_nLine = nLine;
        const char* p = strLine.c_str() + 1;
        char* pEnd = nullptr;
        errno = 0;
        block.m_nOffset = std::strtoul(p, &pEnd, 10);
        if (pEnd == p || errno != 0 || block.m_nOffset > 1u << 20)
            return Fail(strSource, nLine, "bad offset");
        const std::string strKind = pEnd[0] == ' ' ? std::string(pEnd + 1) : std::string(pEnd);
        if (strKind == "filters")
            block.m_bFilters = true;
        else if (strKind != "text")
            return Fail(strSource, nLine, "a block is \"text\" or \"filters\"");
        if (!blocks.empty() && block.m_nOffset <= blocks.back().m_nOffset)
            return Fail(strSource, nLine, "offsets must increase");
        blocks.push_back(block);
    }

    std::string strOut;
    for (size_t i = 0; i < blocks.size(); ++i)
    {
        const CBlock& block = blocks[i];
        if (block.m_bFilters ? block.m_lines.empty() || block.m_lines.size() % 2 != 0 : block.m_lines.size() != 1)
            return Fail(strSource, block.m_nLine,
                        block.m_bFilters ? "a filter list needs description and pattern lines in pairs"
                                         : "a text block holds exactly one line");
        std::string strBytes;
        for (const std::string& s : block.m_lines)
            strBytes += s + '\0';
        if (block.m_bFilters)
            strBytes += '\0';
        if (i + 1 < blocks.size() && block.m_nOffset + strBytes.size() > blocks[i + 1].m_nOffset)
            return Fail(strSource, block.m_nLine,
                        "needs " + std::to_string(strBytes.size()) + " bytes but only " +
                            std::to_string(blocks[i + 1].m_nOffset - block.m_nOffset) +
                            " fit before the next offset");
        strOut.resize(block.m_nOffset, '\0');
        strOut += strBytes;
    }

    std::ofstream out(strTarget, std::ios::binary | std::ios::trunc);
    out.write(strOut.data(), std::streamsize(strOut.size()));
    out.close();
    if (!out)
    {
        std::cerr << strTarget << ": cannot be written\n";
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: mosvane_make_stringtable <source.txt> <output.stb>\n";
        return 2;
    }
    // A failed build leaves no table behind, so that a stale one is never shipped.
    const int nResult = Generate(argv[1], argv[2]);
    if (nResult != 0)
        std::remove(argv[2]);
    return nResult;
}
