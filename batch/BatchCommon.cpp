#include "batch/BatchCommon.h"
#include "batch/BatchSections.h"
#include "batch/ItemSchedule.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <new>

namespace batch
{
void ForEachItem(const BatchSection& section, const SItemRun& run,
                 const std::function<void(const std::string&, uint32_t, CProgress&)>& process)
{
    const uint32_t count = section.m_items.ChildCount();
    CBatchReport* report = run.m_pReport;
    IItemSchedule* schedule = run.m_pSchedule;
    CProgress progress(schedule ? schedule->ProgressRange(count) : count);
    for (uint32_t i = 0; i < count; ++i)
    {
        const std::string path = ReadItemPath(section.m_items.Child(i));
        if (schedule && !schedule->Wanted(i, path))
            continue;
        if (!path.empty())
        {
            if (report)
                report->Item(i, path);
            // Memory running out is this item's failure, not the run's end: what the item held is
            // released by the unwinding, and the next item starts afresh.
            try
            {
                process(path, i, progress);
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
        if (schedule)
            schedule->Finished(i);
    }
}

void ForEachLoadedItem(const BatchSection& section, const SItemRun& run, const ItemWork& work)
{
    CBatchReport* report = run.m_pReport;
    ForEachItem(section, run, [&](const std::string& path, uint32_t, CProgress& progress) {
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

void ForEachItemPicture(const BatchSection& section, const SItemOutput& output, const SItemRun& run,
                        const ItemWork& work)
{
    CBatchReport* report = run.m_pReport;
    ForEachLoadedItem(section, run, [&](CEngineImage& item, const std::string& path) -> const char* {
        if (const char* refused = work(item, path))
            return refused;
        SaveBound(ItemOutputName(output.m_strFolder, ItemTitle(path), output.m_pSuffix, output.m_strType), output.m_bFlip,
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
    // The decoder's words for why ("truncated PNG data"), where the engine gave them.
    const char* why = gxGetLastErrorText();
    return *why ? std::string("could not be decoded: ") + why : std::string("could not be decoded");
}

CMemberFailures::~CMemberFailures()
{
    if (m_bAny && m_pReport)
        m_pReport->Incomplete();
}

void CMemberFailures::Failed(const std::string& member)
{
    m_bAny = true;
    const std::string why = LoadFailure(member);
    Note(m_pReport, m_strItem + ": member " + member + " " + why);
    if (m_pReport)
        m_pReport->Failed(member, why + " (a member of " + m_strItem + ")");
}

void CMemberFailures::Missing(const CSequencePattern& pattern, int64_t first, int64_t end)
{
    if (first >= end)
        return;
    m_bAny = true;
    const int64_t named = std::min<int64_t>(end - first, kNamedMembers);
    for (int64_t n = first; n < first + named; ++n)
    {
        Note(m_pReport, m_strItem + ": member " + pattern.NameOf(n) + " does not exist");
        if (m_pReport)
            m_pReport->Failed(pattern.NameOf(n), "does not exist (a member of " + m_strItem + ")");
    }
    if (end - first > named)
    {
        const std::string more = "and " + std::to_string(end - first - named) + " more members do not exist";
        Note(m_pReport, m_strItem + ": " + more);
        if (m_pReport)
            m_pReport->Failed(m_strItem, more);
    }
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

bool SaveBound(const std::string& name, bool flip, CBatchReport* report)
{
    const bool written = gxSaveImage(name.c_str(), flip);
    if (report)
        report->Saved(name, written, written ? "" : gxGetLastErrorText());
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
} // namespace batch
