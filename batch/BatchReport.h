#pragma once
// What one execution did, item by item, for callers that tell more than the executor's boolean:
// the headless runner reports skipped items and files that could not be written. The executors
// fill it when one is given and behave the same without it.

#include "base/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CBatchReport
{
public:
    // Problems described one per line; only the first kMaxNotes are kept, the rest are counted.
    static constexpr size_t kMaxNotes = 50;

    // The entry at this position of the item list starts; what follows is told of it.
    void Item(uint32_t position, const std::string& path)
    {
        ++m_nItems;
        AddResult({position, path, false, {}, {}});
    }
    void Done()
    {
        ++m_nDone;
        if (SItemResult* result = Current())
            result->m_bDone = true;
    }
    void Skipped(const std::string& path, const std::string& reason)
    {
        ++m_nSkipped;
        Failure(path, reason);
        if (SItemResult* result = Current(); result && result->m_strReason.empty())
            result->m_strReason = Bounded(reason);
    }
    // An item whose outputs lack part of what it lists: a sequence member missing or not decoded.
    void Incomplete() { ++m_nIncomplete; }
    // An output file: written, or refused by the encoder or the system for `reason` (the
    // engine's words for it; none when empty).
    void Saved(const std::string& name, bool written, const std::string& reason)
    {
        if (written)
            Wrote(name);
        else
        {
            ++m_nFailedWrites;
            Failure(name, "could not be written" + (reason.empty() ? std::string() : " (" + reason + ")"));
        }
    }
    // An item left unfinished because the worker process executing it ended.
    void NotDone(const std::string& path)
    {
        ++m_nNotDone;
        const char* why = "NOT done: its worker process ended before finishing it";
        Failure(path, why);
        if (SItemResult* result = Current(); result && result->m_strReason.empty())
            result->m_strReason = why;
    }
    // Items a run asked to stop never started; they count among the items.
    void NotStarted(int64_t count)
    {
        m_nItems += count;
        m_nNotStarted += count;
    }
    // What failed (an item, a member of its sequence, an output file) and why: a note, and kept
    // apart for machine-readable results (only the first kMaxFailures, the rest counted).
    static constexpr size_t kMaxFailures = 10000;
    struct SFailure
    {
        std::string m_strPath;
        std::string m_strReason;
        bool operator==(const SFailure&) const = default;
    };
    void Failure(const std::string& path, const std::string& reason)
    {
        Note(path + ": " + reason);
        Failed(path, reason);
    }
    // The same without the note, for failures noted in other words.
    void Failed(const std::string& path, const std::string& reason)
    {
        if (m_failures.size() < kMaxFailures)
            m_failures.push_back({Bounded(path), Bounded(reason)});
        else
            ++m_nFailuresLeftOut;
    }
    void Note(const std::string& line)
    {
        if (m_notes.size() < kMaxNotes)
            m_notes.push_back(Bounded(line));
        else
            ++m_nNotesLeftOut;
    }

    // Lines longer than this are shown cut, with their length: a name made from a huge template
    // must not fill memory or the terminal.
    static constexpr size_t kMaxLineBytes = 400;
    static std::string Bounded(const std::string& line)
    {
        if (line.size() <= kMaxLineBytes)
            return line;
        // Cut where a character starts, so the kept text stays valid UTF-8.
        const size_t head = Utf8CharacterStart(line, kMaxLineBytes * 2 / 3);
        const size_t tail = Utf8CharacterStart(line, line.size() - kMaxLineBytes / 4);
        return line.substr(0, head) + " [... " + std::to_string(line.size()) + " characters in all ...] " +
               line.substr(tail);
    }

    // What became of one entry of the item list: done or not (and why not), the files it wrote.
    struct SItemResult
    {
        uint32_t m_nPosition = 0;
        std::string m_strPath;
        bool m_bDone = false;
        std::string m_strReason; // why it was not done
        std::vector<std::string> m_files;
        bool operator==(const SItemResult&) const = default;
    };
    // Two entries wrote the same file: the later one's is the file that stays.
    struct SClash
    {
        std::string m_strFile;
        std::string m_strEarlier;
        std::string m_strLater;
        bool operator==(const SClash&) const = default;
    };
    // Names of written files are kept (for counting each file once and finding clashes) up to
    // this many bytes; files written after that are counted as new files, neither listed nor compared.
    static constexpr size_t kMaxNamedBytes = size_t(8) << 20;
    static constexpr size_t kMaxResults = 10000;

    // A file written by the current entry: counted once however often it is written, and a clash
    // when an earlier entry wrote it.
    void Wrote(const std::string& file);
    // Appends an entry's result as told by another report (a worker's), its files through Wrote.
    void AddResult(SItemResult result);
    // Adds what another report (a worker's, of the entries that follow) holds, as if told here.
    void Merge(const CBatchReport& from);
    // The positions of the entries whose files won a clash, each once, in order.
    std::vector<uint32_t> ClashWinners() const;

    int64_t m_nItems = 0;        // entries of the item list with a path
    int64_t m_nDone = 0;         // items processed
    int64_t m_nSkipped = 0;      // items left out (did not load, did not fit)
    int64_t m_nIncomplete = 0;   // items done without some of what they list
    int64_t m_nWritten = 0;      // output files written, each counted once
    int64_t m_nFailedWrites = 0; // output files that could not be written
    int64_t m_nNotDone = 0;      // items a worker process left unfinished
    int64_t m_nNotStarted = 0;   // items a stopped run did not start
    std::vector<std::string> m_notes;
    int64_t m_nNotesLeftOut = 0;
    std::vector<SFailure> m_failures;
    int64_t m_nFailuresLeftOut = 0;
    std::vector<SItemResult> m_results; // the first kMaxResults entries, in item order
    int64_t m_nResultsLeftOut = 0;
    std::vector<SClash> m_clashes;      // in the order met, the first kMaxFailures
    int64_t m_nClashesLeftOut = 0;
    int64_t m_nUnnamedFiles = 0;        // files written past kMaxNamedBytes of names

    // True when every item listed produced all its outputs from all it lists.
    bool Complete() const
    {
        return m_nSkipped == 0 && m_nIncomplete == 0 && m_nFailedWrites == 0 && m_nNotDone == 0 && m_nNotStarted == 0;
    }

    // What an execution that was not complete left undone, in counts: "12 of 20 items done;
    // 8 failed", the items not started, then the files that could not be written. Empty when complete: a run that left
    // anything undone is never told as a success.
    std::string UndoneText() const
    {
        if (Complete())
            return std::string();
        const int64_t failed = m_nSkipped + m_nNotDone;
        const int64_t whole = m_nDone - std::min(m_nDone, m_nIncomplete);
        std::string text = std::to_string(whole) + " of " + std::to_string(m_nItems) + " items done";
        if (failed)
            text += "; " + std::to_string(failed) + " failed";
        if (m_nNotStarted)
            text += "; " + std::to_string(m_nNotStarted) + " not started";
        if (m_nIncomplete)
            text += "; " + std::to_string(m_nIncomplete) + (m_nIncomplete == 1 ? " item" : " items") +
                    " without all of their members";
        if (m_nFailedWrites)
            text += "; " + std::to_string(m_nFailedWrites) + (m_nFailedWrites == 1 ? " file" : " files") +
                    " could not be written";
        return text;
    }

private:
    SItemResult* Current() { return m_bCurrentListed ? &m_results.back() : nullptr; }

    // The last entry that wrote each named file: position and path.
    std::map<std::string, std::pair<uint32_t, std::string>> m_writers;
    size_t m_nNamedBytes = 0;
    uint32_t m_nCurrentPosition = 0;
    std::string m_strCurrentPath;
    bool m_bInItem = false;
    bool m_bCurrentListed = false;
};
