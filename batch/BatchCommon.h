#pragma once
// What the executors share: the item loop, output names, saving with a report, and the numbers of
// a sequence that are worth trying.

#include "batch/BatchExecute.h"
#include "ops/EngineImage.h"
#include "ops/MainFrame.h"
#include "ops/SequenceNaming.h"

#include <cstdint>
#include <functional>
#include <string>

namespace batch
{
// The frame of every executor's run: one progress bar over every child of the section's item list,
// and process(path, bar) for each entry that has a path, in document order. Entries without a path
// (comments, items without "PathName") are passed over; process decides when the bar steps.
void ForEachItem(const BatchSection& section, CBatchReport* report,
                 const std::function<void(const std::string&, CProgress&)>& process);

// Why the picture the engine loaded last did not load ("truncated PNG data"), for the report.
const char* LoadRefusal();

// One loaded item's work: nullptr when done, otherwise why the item is skipped.
using ItemWork = std::function<const char*(CEngineImage& item, const std::string& path)>;

// ForEachItem for the kinds that work on each item's picture: an item that does not load is
// skipped, so is one that work refuses; a skipped item makes no progress step.
void ForEachLoadedItem(const BatchSection& section, CBatchReport* report, const ItemWork& work);

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
void ForEachItemPicture(const BatchSection& section, const SItemOutput& output, CBatchReport* report,
                        const ItemWork& work);

// Reporting without a report given does nothing.
void Note(CBatchReport* report, const std::string& line);
void Skip(CBatchReport* report, const std::string& path, const std::string& reason);

// folder "/" title suffix "." type, every part taken literally.
std::string OutputName(const std::string& folder, const std::string& title, const char* suffix,
                       const std::string& type);

// The item's title, or for an empty one the decimal text of a pseudo-random number from 0 to 32767.
std::string TitleOrRandom(const std::string& itemPath);

// Writes the bound image and tells the report whether the file was written.
bool SaveBound(const std::string& name, bool flip, CBatchReport* report);

// Sequences longer than this are not probed number by number: the files of the folder are listed
// instead, so that an absurd count costs time in proportion to what exists.
inline constexpr int64_t kDirectProbeLimit = int64_t(1) << 16;

// Calls visit(number) for the numbers from .. from + count - 1 in increasing order, leaving out
// numbers whose file surely does not exist; visit returns false to stop. Nothing for count <= 0.
void ForEachSequenceNumber(const CSequencePattern& pattern, int64_t from, int64_t count,
                           const std::function<bool(int64_t)>& visit);

// True for the formats whose fourth byte is alpha.
inline bool HasAlpha(uint32_t format)
{
    return format == GL_RGBA || format == GL_BGRA;
}
} // namespace batch
