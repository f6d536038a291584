#pragma once
// What the executors share: the item loop, the item's output picture and saving with a report.
// Names come from ops/SequenceNaming, the members of a sequence from ops/SequenceFiles.

#include "batch/BatchExecute.h"
#include "ops/EngineImage.h"
#include "ops/MainFrame.h"
#include "ops/SequenceFiles.h"
#include "ops/SequenceNaming.h"

#include <cstdint>
#include <functional>
#include <string>

class IItemSchedule;

namespace batch
{
// What an executor's run carries to its item loop: the report, when one is given, and the
// schedule of the entries this process executes (every entry without one).
struct SItemRun
{
    CBatchReport* m_pReport = nullptr;
    IItemSchedule* m_pSchedule = nullptr;
};

// The frame of every executor's run: one progress bar over the entries of the section's item list
// the schedule wants, and process(path, position, bar) for each of them that has a path, in
// document order; position is the entry's index in the list. Entries without a path (comments,
// items without "PathName") are passed over; process decides when the bar steps.
void ForEachItem(const BatchSection& section, const SItemRun& run,
                 const std::function<void(const std::string&, uint32_t, CProgress&)>& process);

// One loaded item's work: nullptr when done, otherwise why the item is skipped.
using ItemWork = std::function<const char*(CEngineImage& item, const std::string& path)>;

// ForEachItem for the kinds that work on each item's picture: an item that does not load is
// skipped, so is one that work refuses; a skipped item makes no progress step.
void ForEachLoadedItem(const BatchSection& section, const SItemRun& run, const ItemWork& work);

// Where the one picture an item gives is written: folder/<title><suffix>.<type>, flipped for
// pixels read back from GL (bottom row first).
struct SItemOutput
{
    std::string m_strFolder;
    std::string m_strType;
    const char* m_pSuffix;
    bool m_bFlip = false;
};

// ForEachLoadedItem for the kinds that write one picture per item: work leaves that picture bound.
void ForEachItemPicture(const BatchSection& section, const SItemOutput& output, const SItemRun& run,
                        const ItemWork& work);

// Why the picture loaded last did not load: missing, not a regular file, or the decoder's reason.
std::string LoadFailure(const std::string& path);

// Collects the members of one item's sequence that gave no picture, for one report line per
// member (bounded like every line) and one incomplete item.
class CMemberFailures
{
public:
    CMemberFailures(CBatchReport* report, const std::string& item) : m_pReport(report), m_strItem(item) {}
    ~CMemberFailures();
    CMemberFailures(const CMemberFailures&) = delete;
    CMemberFailures& operator=(const CMemberFailures&) = delete;
    // A member that was tried and gave no picture.
    void Failed(const std::string& member);
    // Members first .. end - 1 that were never tried (a folder listing did not find them): the
    // first kNamedMembers named, the rest counted.
    static constexpr int64_t kNamedMembers = 10;
    void Missing(const CSequencePattern& pattern, int64_t first, int64_t end);

private:
    CBatchReport* m_pReport;
    std::string m_strItem;
    bool m_bAny = false;
};

// Reporting without a report given does nothing.
void Note(CBatchReport* report, const std::string& line);
void Skip(CBatchReport* report, const std::string& path, const std::string& reason);

// Writes the bound image and tells the report whether the file was written.
bool SaveBound(const std::string& name, bool flip, CBatchReport* report);

// False when no member of the sequence can be named on this system: its file name passes
// NAME_MAX or its path PATH_MAX for every number. Such a sequence is refused once, not probed.
bool SequenceNamesFit(const CSequencePattern& pattern);
inline constexpr const char* kNamesTooLong = "the names it needs are longer than the system allows";
} // namespace batch
