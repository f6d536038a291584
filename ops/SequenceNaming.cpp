#include "ops/SequenceNaming.h"

#include "base/Utf8.h"

#include <algorithm>
#include <cstdlib>
#include <random>

namespace
{
// Byte offset at which the last `count` characters of text begin (0 when it has fewer).
size_t OffsetOfLastCharacters(const std::string& text, int count)
{
    size_t pos = text.size();
    for (int i = 0; i < count && pos > 0; ++i)
        pos = Utf8CharacterStart(text, pos - 1);
    return pos;
}

size_t FileNameStart(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}
} // namespace

std::string FileNameOf(const std::string& path)
{
    return path.substr(FileNameStart(path));
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    // An empty folder is the current one, never the root that a leading "/" would name.
    return folder.empty() ? name : folder + "/" + name;
}

std::string CSequencePattern::NameOf(int64_t number) const
{
    return m_strHead + FormatNumberField(number, m_nDigits) + m_strTail;
}

std::string FormatNumberField(int64_t number, int digits)
{
    // The magnitude as unsigned, so that the most negative number has one too.
    const bool negative = number < 0;
    const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(number) : uint64_t(number);
    const std::string figures = std::to_string(magnitude);
    const size_t width = size_t(std::max(digits, 0));
    const size_t used = figures.size() + (negative ? 1 : 0);
    std::string field = negative ? "-" : "";
    if (used < width)
        field.append(width - used, '0');
    return field + figures;
}

int TemplateDigits(const std::string& strTemplate)
{
    int count = 0;
    for (char c : strTemplate)
        count += IsUtf8Continuation(c) ? 0 : 1;
    return count;
}

bool BuildOutputPath(const SequenceRecord& output, std::string& path)
{
    if (output.m_strType.empty() || output.m_strFolder.empty() || output.m_strTitle.empty())
        return false;
    path = ItemOutputName(output.m_strFolder, output.m_strTitle, "", output.m_strType);
    return true;
}

bool BuildMngOutputPath(const SequenceRecord& output, std::string& path, const char* extension)
{
    if (!BuildOutputPath(output, path))
        return false;
    path = ItemOutputName(output.m_strFolder, output.m_strTitle, "", extension);
    return true;
}

bool ReadOutputParts(const SequenceRecord& output, SequenceRecord& parts)
{
    if (output.m_strType.empty() || output.m_strTitle.empty())
        return false;
    parts.m_strFolder = output.m_strFolder;
    parts.m_strTitle = output.m_strTitle;
    parts.m_strType = output.m_strType;
    return true;
}

CSequencePattern BuildNumberPattern(const std::string& folder, const std::string& title, int digits,
                                    const std::string& type)
{
    return CSequencePattern{InFolder(folder, title), digits, "." + type};
}

CSequencePattern BuildSourcePattern(const SequenceRecord& source)
{
    return BuildNumberPattern(source.m_strFolder, source.m_strTitle, TemplateDigits(source.m_strTemplate),
                              source.m_strType);
}

std::string TemplateDisplay(const std::string& folder, const std::string& title, int digits, const std::string& type)
{
    return InFolder(folder, title + std::string(size_t(std::max(digits, 0)), '#') + "." + type);
}

std::string SequenceRangeName(const std::string& title, int digits, int64_t number, const std::string& type)
{
    return title + FormatNumberField(number, digits) + "." + type;
}

std::string ItemTitle(const std::string& path)
{
    const std::string name = path.substr(FileNameStart(path));
    return name.substr(0, OffsetOfLastCharacters(name, 4));
}

std::string ItemOutputName(const std::string& folder, const std::string& title, const std::string& suffix,
                           const std::string& type)
{
    return InFolder(folder, title + suffix + "." + type);
}

std::string ItemTitleOrRandom(const std::string& path, uint32_t position)
{
    const std::string title = ItemTitle(path);
    if (!title.empty())
        return title;
    std::minstd_rand generator(position + 1);
    return std::to_string(generator() & 0x7FFF);
}

CSequencePattern ItemSequencePattern(const std::string& path, int digits)
{
    const size_t cut = OffsetOfLastCharacters(path, 4);
    return CSequencePattern{path.substr(0, cut), digits, path.substr(cut)};
}

bool NaturalNameLess(const std::string& a, const std::string& b)
{
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
    {
        if (digit(a[i]) && digit(b[j]))
        {
            // Compare the runs by value: without leading zeros, the longer is larger, else by digits.
            size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            const int order = a.compare(si, ei - si, b, sj, ej - sj);
            if (order != 0)
                return order < 0;
            i = ei, j = ej;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i, ++j;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;
}
