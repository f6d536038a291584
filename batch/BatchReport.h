#pragma once
// What one execution did, item by item, for callers that tell more than the executor's boolean:
// the headless runner reports skipped items and files that could not be written. The executors
// fill it when one is given and behave the same without it.

#include "base/FileIo.h"

#include <cstdint>
#include <string>
#include <vector>

class CBatchReport
{
public:
    // Problems described one per line; only the first kMaxNotes are kept, the rest are counted.
    static constexpr size_t kMaxNotes = 50;

    void Item() { ++m_nItems; }
    void Done() { ++m_nDone; }
    void Skipped(const std::string& path, const std::string& reason)
    {
        ++m_nSkipped;
        Note(path + ": " + reason);
    }
    // An output file: written, or refused by the encoder or the system. Called right after the
    // write, so that the file module's reason for a refusal is still the one of this file.
    void Saved(const std::string& name, bool written)
    {
        if (written)
            ++m_nWritten;
        else
        {
            ++m_nFailedWrites;
            const std::string& reason = LastFileError();
            Note(name + ": could not be written" + (reason.empty() ? std::string() : " (" + reason + ")"));
        }
    }
    void Note(const std::string& line)
    {
        if (m_notes.size() < kMaxNotes)
            m_notes.push_back(line);
        else
            ++m_nNotesLeftOut;
    }

    int64_t m_nItems = 0;        // entries of the item list with a path
    int64_t m_nDone = 0;         // items processed
    int64_t m_nSkipped = 0;      // items left out (did not load, did not fit)
    int64_t m_nWritten = 0;      // output files written
    int64_t m_nFailedWrites = 0; // output files that could not be written
    std::vector<std::string> m_notes;
    int64_t m_nNotesLeftOut = 0;
};
