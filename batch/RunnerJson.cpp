#include "batch/RunnerJson.h"

#include <cstdio>

namespace
{
// The length of the UTF-8 sequence starting at text[at], or 0 when none starts there.
size_t Utf8Length(const std::string& text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    // Overlong forms, surrogates and code points past U+10FFFF are no valid UTF-8 either.
    const unsigned second = length > 1 ? byte(at + 1) : 0;
    if ((length == 2 && lead < 0xC2) || (length == 3 && lead == 0xE0 && second < 0xA0) ||
        (length == 3 && lead == 0xED && second >= 0xA0) || (length == 4 && lead == 0xF0 && second < 0x90) ||
        (length == 4 && (lead > 0xF4 || (lead == 0xF4 && second >= 0x90))))
        return 0;
    return length;
}

std::string Field(const char* name, int64_t value)
{
    return JsonString(name) + ": " + std::to_string(value);
}

std::string Field(const char* name, bool value)
{
    return JsonString(name) + ": " + (value ? "true" : "false");
}

std::string KindObject(const SKindOutcome& outcome)
{
    const CBatchReport& r = outcome.m_report;
    std::string text = "{" + JsonString("kind") + ": " + JsonString(KindCommandName(outcome.m_eKind)) + ", " +
                       JsonString("section") + ": " + JsonString(SectionName(outcome.m_eKind)) + ", " +
                       Field("executed", outcome.m_bExecuted) + ", ";
    if (!outcome.m_bExecuted)
        text += JsonString("reason") + ": " + JsonString(outcome.m_strReason) + ", ";
    text += Field("complete", outcome.m_bExecuted && r.Complete()) + ", " + Field("items", r.m_nItems) + ", " +
            Field("done", r.m_nDone) + ", " + Field("skipped", r.m_nSkipped) + ", " + Field("incomplete", r.m_nIncomplete) +
            ", " + Field("not_done", r.m_nNotDone) + ", " + Field("not_started", r.m_nNotStarted) + ", " +
            Field("files_written", r.m_nWritten) + ", " +
            Field("files_not_written", r.m_nFailedWrites) + ", " + JsonString("failed") + ": [";
    for (size_t i = 0; i < r.m_failures.size(); ++i)
        text += std::string(i ? ", " : "") + "{" + JsonString("path") + ": " + JsonString(r.m_failures[i].m_strPath) +
                ", " + JsonString("reason") + ": " + JsonString(r.m_failures[i].m_strReason) + "}";
    text += "], " + Field("failed_left_out", r.m_nFailuresLeftOut) + ", " + JsonString("notes") + ": [";
    for (size_t i = 0; i < r.m_notes.size(); ++i)
        text += std::string(i ? ", " : "") + JsonString(r.m_notes[i]);
    text += "], " + Field("notes_left_out", r.m_nNotesLeftOut) + ", " + JsonString("results") + ": [";
    for (size_t i = 0; i < r.m_results.size(); ++i)
    {
        const CBatchReport::SItemResult& result = r.m_results[i];
        text += std::string(i ? ", " : "") + "{" + JsonString("path") + ": " + JsonString(result.m_strPath) + ", " +
                Field("done", result.m_bDone) + ", ";
        if (!result.m_strReason.empty())
            text += JsonString("reason") + ": " + JsonString(result.m_strReason) + ", ";
        text += JsonString("files") + ": [";
        for (size_t f = 0; f < result.m_files.size(); ++f)
            text += std::string(f ? ", " : "") + JsonString(result.m_files[f]);
        text += "]}";
    }
    text += "], " + Field("results_left_out", r.m_nResultsLeftOut) + ", " + JsonString("clashes") + ": [";
    for (size_t i = 0; i < r.m_clashes.size(); ++i)
        text += std::string(i ? ", " : "") + "{" + JsonString("file") + ": " + JsonString(r.m_clashes[i].m_strFile) + ", " +
                JsonString("earlier") + ": " + JsonString(r.m_clashes[i].m_strEarlier) + ", " + JsonString("later") + ": " +
                JsonString(r.m_clashes[i].m_strLater) + "}";
    return text + "], " + Field("clashes_left_out", r.m_nClashesLeftOut) + "}";
}
} // namespace

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t at = 0; at < text.size();)
    {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const size_t length = Utf8Length(text, at);
        if (length == 0)
        {
            out += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\')
            out += std::string("\\") + char(c);
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7F)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        }
        else
            out.append(text, at, length);
        at += length;
    }
    return out + "\"";
}

std::string RunResultsJson(const std::vector<SKindOutcome>& kinds, int status, const std::string& error)
{
    std::string text = "{" + Field("status", int64_t(status)) + ", ";
    if (!error.empty())
        text += JsonString("error") + ": " + JsonString(error) + ", ";
    text += JsonString("kinds") + ": [";
    for (size_t i = 0; i < kinds.size(); ++i)
        text += std::string(i ? ",\n  " : "\n  ") + KindObject(kinds[i]);
    return text + (kinds.empty() ? "" : "\n") + "]}\n";
}
