#include "batch/WorkerRecord.h"

#include <charconv>
#include <limits>
#include <set>

namespace
{
constexpr std::string_view kHeader = "MVR1 ";
// "MVR1 " and the digits of kMaxRecordBytes with room to spare, then the line feed.
constexpr size_t kMaxHeaderBytes = 32;

const char* const kTypeNames[] = {"preamble", "item", "end"};

std::string Escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
    {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\0')
            out += "\\0";
        else
            out += c;
    }
    return out;
}

bool Unescaped(std::string_view text, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\0')
            return false;
        if (text[i] != '\\')
        {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i])
        {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '0': out += '\0'; break;
        default: return false;
        }
    }
    return true;
}

// A name of a file or an item: not empty, no NUL.
bool Name(std::string_view text, std::string& out)
{
    return Unescaped(text, out) && !out.empty() && out.find('\0') == std::string::npos;
}

// Digits only, all of them read, at most max.
bool Number(std::string_view text, int64_t max, int64_t& value)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value <= max;
}

void Line(std::string& out, const char* tag, std::string_view value)
{
    out.append(tag).append(" ").append(value).append("\n");
}

// The report's counters, by tag, the same list for writing and reading.
struct SCounter
{
    const char* m_pszTag;
    int64_t CBatchReport::*m_pField;
};
const SCounter kCounters[] = {
    {"items", &CBatchReport::m_nItems},
    {"done", &CBatchReport::m_nDone},
    {"skipped", &CBatchReport::m_nSkipped},
    {"incomplete", &CBatchReport::m_nIncomplete},
    {"written", &CBatchReport::m_nWritten},
    {"failed-writes", &CBatchReport::m_nFailedWrites},
    {"not-done", &CBatchReport::m_nNotDone},
    {"not-started", &CBatchReport::m_nNotStarted},
    {"notes-left-out", &CBatchReport::m_nNotesLeftOut},
    {"failures-left-out", &CBatchReport::m_nFailuresLeftOut},
    {"results-left-out", &CBatchReport::m_nResultsLeftOut},
    {"clashes-left-out", &CBatchReport::m_nClashesLeftOut},
    {"unnamed-files", &CBatchReport::m_nUnnamedFiles},
};

void WriteResults(std::string& out, const CBatchReport& report)
{
    for (const CBatchReport::SItemResult& result : report.m_results)
    {
        Line(out, "entry",
             std::to_string(result.m_nPosition) + (result.m_bDone ? "\tdone\t" : "\tfailed\t") + Escaped(result.m_strPath));
        if (!result.m_strReason.empty())
            Line(out, "reason", Escaped(result.m_strReason));
        for (const std::string& file : result.m_files)
            Line(out, "file", Escaped(file));
    }
    for (const CBatchReport::SClash& clash : report.m_clashes)
        Line(out, "clash",
             Escaped(clash.m_strFile) + "\t" + Escaped(clash.m_strEarlier) + "\t" + Escaped(clash.m_strLater));
}

// The record being read, with what may be given only once.
class CBodyReader
{
public:
    explicit CBodyReader(SWorkerRecord& record) : m_record(record), m_report(record.m_report) {}

    bool Field(std::string_view tag, std::string_view value)
    {
        if (tag == "record")
            return Once(tag) && Type(value);
        if (!m_bTyped)
            return false;
        int64_t number = 0;
        if (tag == "position")
            return Once(tag) && Number(value, std::numeric_limits<uint32_t>::max(), number) &&
                   (m_record.m_nPosition = uint32_t(number), true);
        if (tag == "result")
            return Once(tag) && (value == "0" || value == "1") && (m_record.m_bResult = value == "1", true);
        if (tag == "steps")
            return Once(tag) && Number(value, std::numeric_limits<int64_t>::max(), m_record.m_nSteps);
        for (const SCounter& counter : kCounters)
            if (tag == counter.m_pszTag)
                return Once(tag) && Number(value, std::numeric_limits<int64_t>::max(), m_report.*counter.m_pField);
        return Listed(tag, value);
    }

private:
    bool Once(std::string_view tag) { return m_seen.insert(std::string(tag)).second; }

    bool Type(std::string_view value)
    {
        for (size_t i = 0; i < std::size(kTypeNames); ++i)
            if (value == kTypeNames[i])
                return m_record.m_eType = EWorkerRecord(i), m_bTyped = true;
        return false;
    }

    // The fields that make lists: each bounded as the report bounds them.
    bool Listed(std::string_view tag, std::string_view value)
    {
        std::string text;
        if (tag == "note")
            return m_report.m_notes.size() < CBatchReport::kMaxNotes && Unescaped(value, text) &&
                   (m_report.m_notes.push_back(std::move(text)), true);
        if (tag == "failure")
            return m_report.m_failures.size() < CBatchReport::kMaxFailures && Failure(value);
        if (tag == "entry")
            return m_report.m_results.size() < CBatchReport::kMaxResults && Entry(value);
        if (tag == "reason")
            return !m_report.m_results.empty() && m_report.m_results.back().m_strReason.empty() &&
                   Unescaped(value, m_report.m_results.back().m_strReason) && !m_report.m_results.back().m_strReason.empty();
        if (tag == "file")
            return !m_report.m_results.empty() && Name(value, text) &&
                   (m_report.m_results.back().m_files.push_back(std::move(text)), true);
        if (tag == "clash")
            return m_report.m_clashes.size() < CBatchReport::kMaxFailures && Clash(value);
        return false;
    }

    bool Failure(std::string_view value)
    {
        const size_t tab = value.find('\t');
        CBatchReport::SFailure failure;
        return tab != std::string_view::npos && Name(value.substr(0, tab), failure.m_strPath) &&
               Unescaped(value.substr(tab + 1), failure.m_strReason) &&
               (m_report.m_failures.push_back(std::move(failure)), true);
    }

    bool Entry(std::string_view value)
    {
        const size_t first = value.find('\t');
        const size_t second = first == std::string_view::npos ? first : value.find('\t', first + 1);
        if (second == std::string_view::npos)
            return false;
        CBatchReport::SItemResult result;
        int64_t position = 0;
        const std::string_view state = value.substr(first + 1, second - first - 1);
        if (!Number(value.substr(0, first), std::numeric_limits<uint32_t>::max(), position) ||
            (state != "done" && state != "failed") || !Name(value.substr(second + 1), result.m_strPath))
            return false;
        result.m_nPosition = uint32_t(position);
        result.m_bDone = state == "done";
        m_report.m_results.push_back(std::move(result));
        return true;
    }

    bool Clash(std::string_view value)
    {
        const size_t first = value.find('\t');
        const size_t second = first == std::string_view::npos ? first : value.find('\t', first + 1);
        CBatchReport::SClash clash;
        return second != std::string_view::npos && Name(value.substr(0, first), clash.m_strFile) &&
               Name(value.substr(first + 1, second - first - 1), clash.m_strEarlier) &&
               Name(value.substr(second + 1), clash.m_strLater) && (m_report.m_clashes.push_back(std::move(clash)), true);
    }

    SWorkerRecord& m_record;
    CBatchReport& m_report;
    std::set<std::string> m_seen;
    bool m_bTyped = false;
};
} // namespace

std::string WriteWorkerRecord(const SWorkerRecord& record)
{
    std::string body;
    const CBatchReport& report = record.m_report;
    Line(body, "record", kTypeNames[size_t(record.m_eType)]);
    Line(body, "position", std::to_string(record.m_nPosition));
    Line(body, "result", record.m_bResult ? "1" : "0");
    Line(body, "steps", std::to_string(record.m_nSteps));
    for (const SCounter& counter : kCounters)
        Line(body, counter.m_pszTag, std::to_string(report.*counter.m_pField));
    for (const std::string& note : report.m_notes)
        Line(body, "note", Escaped(note));
    for (const CBatchReport::SFailure& failure : report.m_failures)
        Line(body, "failure", Escaped(failure.m_strPath) + "\t" + Escaped(failure.m_strReason));
    WriteResults(body, report);
    return std::string(kHeader) + std::to_string(body.size()) + "\n" + body;
}

bool ParseWorkerRecordBody(std::string_view body, SWorkerRecord& record)
{
    record = SWorkerRecord{};
    if (body.size() > kMaxRecordBytes || body.empty() || body.back() != '\n')
        return false;
    CBodyReader reader(record);
    for (size_t at = 0; at < body.size();)
    {
        const size_t end = body.find('\n', at);
        const std::string_view line = body.substr(at, end - at);
        const size_t space = line.find(' ');
        if (space == std::string_view::npos || !reader.Field(line.substr(0, space), line.substr(space + 1)))
            return false;
        at = end + 1;
    }
    return true;
}

ERecordRead ReadWorkerRecord(std::string_view stream, SWorkerRecord& record, size_t& used)
{
    used = 0;
    const size_t lineEnd = stream.find('\n');
    if (lineEnd == std::string_view::npos)
    {
        // Not all there yet, unless what is there can start no header.
        const bool header = stream.size() < kMaxHeaderBytes &&
                            stream.substr(0, kHeader.size()) == kHeader.substr(0, std::min(stream.size(), kHeader.size()));
        return header ? ERecordRead::Partial : ERecordRead::Damaged;
    }
    int64_t length = 0;
    if (lineEnd >= kMaxHeaderBytes || stream.substr(0, kHeader.size()) != kHeader ||
        !Number(stream.substr(kHeader.size(), lineEnd - kHeader.size()), int64_t(kMaxRecordBytes), length))
        return ERecordRead::Damaged;
    if (stream.size() - lineEnd - 1 < size_t(length))
        return ERecordRead::Partial;
    if (!ParseWorkerRecordBody(stream.substr(lineEnd + 1, size_t(length)), record))
        return ERecordRead::Damaged;
    used = lineEnd + 1 + size_t(length);
    return ERecordRead::Record;
}
