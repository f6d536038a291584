#pragma once
// What one execution did, item by item, for callers that tell more than the executor's boolean:
// the headless runner reports skipped items and files that could not be written. The executors
// fill it when one is given and behave the same without it.

#include "base/Utf8.h"

#include <algorithm>
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
        Failure(path, reason);
    }
    // An item whose outputs lack part of what it lists: a sequence member missing or not decoded.
    void Incomplete() { ++m_nIncomplete; }
    // An output file: written, or refused by the encoder or the system for `reason` (the
    // engine's words for it; none when empty).
    void Saved(const std::string& name, bool written, const std::string& reason)
    {
        if (written)
            ++m_nWritten;
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
        Failure(path, "NOT done: its worker process ended before finishing it");
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

    int64_t m_nItems = 0;        // entries of the item list with a path
    int64_t m_nDone = 0;         // items processed
    int64_t m_nSkipped = 0;      // items left out (did not load, did not fit)
    int64_t m_nIncomplete = 0;   // items done without some of what they list
    int64_t m_nWritten = 0;      // output files written
    int64_t m_nFailedWrites = 0; // output files that could not be written
    int64_t m_nNotDone = 0;      // items a worker process left unfinished
    int64_t m_nNotStarted = 0;   // items a stopped run did not start
    std::vector<std::string> m_notes;
    int64_t m_nNotesLeftOut = 0;
    std::vector<SFailure> m_failures;
    int64_t m_nFailuresLeftOut = 0;

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
};
