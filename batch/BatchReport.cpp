#include "batch/BatchReport.h"

#include <set>

void CBatchReport::AddResult(SItemResult result)
{
    m_bInItem = true;
    m_nCurrentPosition = result.m_nPosition;
    m_strCurrentPath = result.m_strPath;
    std::vector<std::string> files = std::move(result.m_files);
    result.m_files.clear();
    m_bCurrentListed = m_results.size() < kMaxResults;
    if (m_bCurrentListed)
        m_results.push_back(std::move(result));
    else
        ++m_nResultsLeftOut;
    for (const std::string& file : files)
        Wrote(file);
}

void CBatchReport::Wrote(const std::string& file)
{
    const auto known = m_writers.find(file);
    if (known == m_writers.end())
    {
        ++m_nWritten;
        const size_t bytes = file.size() + m_strCurrentPath.size();
        if (m_nNamedBytes + bytes > kMaxNamedBytes)
        {
            ++m_nUnnamedFiles;
            return;
        }
        m_nNamedBytes += bytes;
        m_writers.emplace(file, std::pair(m_nCurrentPosition, m_strCurrentPath));
    }
    else
    {
        // The same entry writing a file twice is one write of it; another entry's is a clash.
        if (!m_bInItem || known->second.first == m_nCurrentPosition)
            return;
        if (m_clashes.size() < kMaxFailures)
            m_clashes.push_back({file, Bounded(known->second.second), Bounded(m_strCurrentPath)});
        else
            ++m_nClashesLeftOut;
        known->second = {m_nCurrentPosition, m_strCurrentPath};
    }
    if (SItemResult* result = Current())
        result->m_files.push_back(file);
}

std::vector<uint32_t> CBatchReport::ClashWinners() const
{
    std::set<uint32_t> winners;
    for (const SClash& clash : m_clashes)
        if (const auto it = m_writers.find(clash.m_strFile); it != m_writers.end())
            winners.insert(it->second.first);
    return {winners.begin(), winners.end()};
}

void CBatchReport::Merge(const CBatchReport& from)
{
    for (int64_t CBatchReport::*counter : {&CBatchReport::m_nItems, &CBatchReport::m_nDone, &CBatchReport::m_nSkipped,
                                           &CBatchReport::m_nIncomplete, &CBatchReport::m_nFailedWrites,
                                           &CBatchReport::m_nNotDone, &CBatchReport::m_nNotStarted,
                                           &CBatchReport::m_nNotesLeftOut, &CBatchReport::m_nFailuresLeftOut,
                                           &CBatchReport::m_nResultsLeftOut, &CBatchReport::m_nClashesLeftOut})
        this->*counter += from.*counter;
    for (const std::string& note : from.m_notes)
        Note(note);
    for (const SFailure& failure : from.m_failures)
        if (m_failures.size() < kMaxFailures)
            m_failures.push_back(failure);
        else
            ++m_nFailuresLeftOut;
    // The files come again through Wrote, so that each is counted once over the whole run; those
    // the other report could not name count as new ones here too.
    int64_t named = 0;
    for (const SItemResult& result : from.m_results)
    {
        named += int64_t(result.m_files.size());
        AddResult(result);
    }
    const int64_t unnamed = std::max<int64_t>(from.m_nWritten - named, 0);
    m_nWritten += unnamed;
    m_nUnnamedFiles += unnamed;
    for (const SClash& clash : from.m_clashes)
        if (m_clashes.size() < kMaxFailures)
            m_clashes.push_back(clash);
        else
            ++m_nClashesLeftOut;
}
