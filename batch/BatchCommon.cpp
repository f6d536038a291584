#include "batch/BatchCommon.h"

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
        SaveBound(ItemOutputName(output.m_strFolder, ItemTitle(path), output.m_pSuffix, output.m_strType), output.m_bFlip,
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

bool SaveBound(const std::string& name, bool flip, CBatchReport* report)
{
    const bool written = gxSaveImage(name.c_str(), flip);
    if (report)
        report->Saved(name, written);
    return written;
}
} // namespace batch
