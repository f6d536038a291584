#include "batch/BatchCommon.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace batch
{
void ForEachItem(const BatchSection& section, CBatchReport* report,
                 const std::function<void(const std::string&, CProgress&)>& process)
{
    const uint32_t count = section.m_items.ChildCount();
    CProgress progress(count);
    for (uint32_t i = 0; i < count; ++i)
    {
        const std::string path = ReadBatchString(section.m_items.Child(i), "PathName");
        if (path.empty())
            continue;
        if (report)
            report->Item();
        process(path, progress);
    }
}

const char* LoadRefusal()
{
    const char* why = gxGetLastErrorText();
    return *why ? why : "could not be loaded";
}

void ForEachLoadedItem(const BatchSection& section, CBatchReport* report, const ItemWork& work)
{
    ForEachItem(section, report, [&](const std::string& path, CProgress& progress) {
        CEngineImage item = CEngineImage::Load(path.c_str());
        const char* refused = item.Empty() ? LoadRefusal() : work(item, path);
        if (refused)
            return Skip(report, path, refused);
        if (report)
            report->Done();
        progress.Step();
    });
}

void ForEachItemPicture(const BatchSection& section, const SItemOutput& output, CBatchReport* report,
                        const ItemWork& work)
{
    ForEachLoadedItem(section, report, [&](CEngineImage& item, const std::string& path) -> const char* {
        if (const char* refused = work(item, path))
            return refused;
        SaveBound(OutputName(output.m_strFolder, ItemTitle(path), output.m_pSuffix, output.m_strType), output.m_bFlip,
                  report);
        return nullptr;
    });
}

void Note(CBatchReport* report, const std::string& line)
{
    if (report)
        report->Note(line);
}

void Skip(CBatchReport* report, const std::string& path, const std::string& reason)
{
    if (report)
        report->Skipped(path, reason);
}

std::string OutputName(const std::string& folder, const std::string& title, const char* suffix,
                       const std::string& type)
{
    return folder + "/" + title + suffix + "." + type;
}

std::string TitleOrRandom(const std::string& itemPath)
{
    const std::string title = ItemTitle(itemPath);
    return title.empty() ? std::to_string(std::rand() & 0x7FFF) : title;
}

bool SaveBound(const std::string& name, bool flip, CBatchReport* report)
{
    const bool written = gxSaveImage(name.c_str(), flip);
    if (report)
        report->Saved(name, written);
    return written;
}

namespace
{
// The numbers in [from, from + count) whose name under the pattern is a file of the folder.
std::vector<int64_t> ListedNumbers(const CSequencePattern& pattern, int64_t from, int64_t count)
{
    std::vector<int64_t> numbers;
    const std::string& head = pattern.m_strHead;
    const size_t slash = head.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : head.substr(0, slash + 1);
    const std::string prefix = slash == std::string::npos ? head : head.substr(slash + 1);
    const std::string& tail = pattern.m_strTail;

    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec))
    {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + tail.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
            continue;
        const char* first = name.data() + prefix.size();
        const char* last = name.data() + name.size() - tail.size();
        int64_t number = 0;
        const auto parsed = std::from_chars(first, last, number);
        if (parsed.ec != std::errc() || parsed.ptr != last || number < from || number - from >= count)
            continue;
        if (FormatNumberField(number, pattern.m_nDigits) == std::string(first, last))
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}
} // namespace

void ForEachSequenceNumber(const CSequencePattern& pattern, int64_t from, int64_t count,
                           const std::function<bool(int64_t)>& visit)
{
    if (count <= 0)
        return;
    // A tail with a folder separator puts every number in a folder of its own: nothing to list.
    if (count <= kDirectProbeLimit || pattern.m_strTail.find('/') != std::string::npos)
    {
        const int64_t probed = std::min(count, kDirectProbeLimit);
        for (int64_t k = 0; k < probed; ++k)
            if (!visit(from + k))
                return;
        return;
    }
    for (int64_t number : ListedNumbers(pattern, from, count))
        if (!visit(number))
            return;
}
} // namespace batch
