#include "batch/RunnerJson.h"

#include "base/JsonWriter.h"

namespace
{
std::string Field(const char* name, int64_t value)
{
    return JsonQuoted(name) + ": " + std::to_string(value);
}

std::string Field(const char* name, bool value)
{
    return JsonQuoted(name) + ": " + (value ? "true" : "false");
}

std::string KindObject(const SKindOutcome& outcome)
{
    const CBatchReport& r = outcome.m_report;
    std::string text = "{" + JsonQuoted("kind") + ": " + JsonQuoted(KindCommandName(outcome.m_eKind)) + ", " +
                       JsonQuoted("section") + ": " + JsonQuoted(SectionName(outcome.m_eKind)) + ", " +
                       Field("executed", outcome.m_bExecuted) + ", ";
    if (!outcome.m_bExecuted)
        text += JsonQuoted("reason") + ": " + JsonQuoted(outcome.m_strReason) + ", ";
    text += Field("complete", outcome.m_bExecuted && r.Complete()) + ", " + Field("items", r.m_nItems) + ", " +
            Field("done", r.m_nDone) + ", " + Field("skipped", r.m_nSkipped) + ", " + Field("incomplete", r.m_nIncomplete) +
            ", " + Field("not_done", r.m_nNotDone) + ", " + Field("not_started", r.m_nNotStarted) + ", " +
            Field("files_written", r.m_nWritten) + ", " +
            Field("files_not_written", r.m_nFailedWrites) + ", " + JsonQuoted("failed") + ": [";
    for (size_t i = 0; i < r.m_failures.size(); ++i)
        text += std::string(i ? ", " : "") + "{" + JsonQuoted("path") + ": " + JsonQuoted(r.m_failures[i].m_strPath) +
                ", " + JsonQuoted("reason") + ": " + JsonQuoted(r.m_failures[i].m_strReason) + "}";
    text += "], " + Field("failed_left_out", r.m_nFailuresLeftOut) + ", " + JsonQuoted("notes") + ": [";
    for (size_t i = 0; i < r.m_notes.size(); ++i)
        text += std::string(i ? ", " : "") + JsonQuoted(r.m_notes[i]);
    text += "], " + Field("notes_left_out", r.m_nNotesLeftOut) + ", " + JsonQuoted("results") + ": [";
    for (size_t i = 0; i < r.m_results.size(); ++i)
    {
        const CBatchReport::SItemResult& result = r.m_results[i];
        text += std::string(i ? ", " : "") + "{" + JsonQuoted("path") + ": " + JsonQuoted(result.m_strPath) + ", " +
                Field("done", result.m_bDone) + ", ";
        if (!result.m_strReason.empty())
            text += JsonQuoted("reason") + ": " + JsonQuoted(result.m_strReason) + ", ";
        text += JsonQuoted("files") + ": [";
        for (size_t f = 0; f < result.m_files.size(); ++f)
            text += std::string(f ? ", " : "") + JsonQuoted(result.m_files[f]);
        text += "]}";
    }
    text += "], " + Field("results_left_out", r.m_nResultsLeftOut) + ", " + JsonQuoted("clashes") + ": [";
    for (size_t i = 0; i < r.m_clashes.size(); ++i)
        text += std::string(i ? ", " : "") + "{" + JsonQuoted("file") + ": " + JsonQuoted(r.m_clashes[i].m_strFile) + ", " +
                JsonQuoted("earlier") + ": " + JsonQuoted(r.m_clashes[i].m_strEarlier) + ", " + JsonQuoted("later") + ": " +
                JsonQuoted(r.m_clashes[i].m_strLater) + "}";
    return text + "], " + Field("clashes_left_out", r.m_nClashesLeftOut) + "}";
}
} // namespace

std::string RunResultsJson(const std::vector<SKindOutcome>& kinds, int status, const std::string& error)
{
    std::string text = "{" + Field("status", int64_t(status)) + ", ";
    if (!error.empty())
        text += JsonQuoted("error") + ": " + JsonQuoted(error) + ", ";
    text += JsonQuoted("kinds") + ": [";
    for (size_t i = 0; i < kinds.size(); ++i)
        text += std::string(i ? ",\n  " : "\n  ") + KindObject(kinds[i]);
    return text + (kinds.empty() ? "" : "\n") + "]}\n";
}
