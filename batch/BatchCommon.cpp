#include "batch/BatchCommon.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <climits>
#include <filesystem>
#include <new>
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
        // Memory running out is this item's failure, not the run's end: what the item held is
        // released by the unwinding, and the next item starts afresh.
        try
        {
            process(path, progress);
        }
        catch (const std::bad_alloc&)
        {
            try
            {
                Skip(report, path, "not enough memory to process it");
            }
            catch (const std::bad_alloc&)
            {
            }
        }
    }
}

void ForEachLoadedItem(const BatchSection& section, CBatchReport* report, const ItemWork& work)
{
    ForEachItem(section, report, [&](const std::string& path, CProgress& progress) {
        CEngineImage item = CEngineImage::Load(path.c_str());
        if (item.Empty())
            return Skip(report, path, LoadFailure(path));
        if (const char* refused = work(item, path))
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

std::string LoadFailure(const std::string& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return "does not exist";
    if (!ec && status.type() != std::filesystem::file_type::regular)
        return "is not a regular file";
    return "could not be decoded";
}

CMemberFailures::~CMemberFailures()
{
    if (m_bAny && m_pReport)
        m_pReport->Incomplete();
}

void CMemberFailures::Failed(const std::string& member)
{
    m_bAny = true;
    Note(m_pReport, m_strItem + ": member " + member + " " + LoadFailure(member));
}

void CMemberFailures::Missing(const CSequencePattern& pattern, int64_t first, int64_t end)
{
    if (first >= end)
        return;
    m_bAny = true;
    const int64_t named = std::min<int64_t>(end - first, kNamedMembers);
    for (int64_t n = first; n < first + named; ++n)
        Note(m_pReport, m_strItem + ": member " + pattern.NameOf(n) + " does not exist");
    if (end - first > named)
        Note(m_pReport, m_strItem + ": and " + std::to_string(end - first - named) + " more members do not exist");
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
    return InFolder(folder, title + suffix + "." + type);
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

bool SequenceNamesFit(const CSequencePattern& pattern)
{
    // Every member's number field is at least `digits` characters long (and one at least).
    const std::string& head = pattern.m_strHead;
    const std::string& tail = pattern.m_strTail;
    const size_t field = size_t(std::max(pattern.m_nDigits, 1));
    const size_t headSlash = head.rfind('/');
    const size_t headPart = headSlash == std::string::npos ? head.size() : head.size() - headSlash - 1;
    const size_t tailFirstSlash = tail.find('/'), tailLastSlash = tail.rfind('/');
    const size_t fieldComponent = headPart + field + (tailFirstSlash == std::string::npos ? tail.size() : tailFirstSlash);
    const size_t lastComponent = tailLastSlash == std::string::npos ? fieldComponent : tail.size() - tailLastSlash - 1;
    return head.size() + field + tail.size() < size_t(PATH_MAX) && fieldComponent <= size_t(NAME_MAX) &&
           lastComponent <= size_t(NAME_MAX);
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
        if (parsed.ec != std::errc() || parsed.ptr != last || number < from ||
            uint64_t(number) - uint64_t(from) >= uint64_t(count))
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
