#pragma once
// The runner's results as one JSON object (--json), for scripts and pipelines:
//
//   {"status": 1,                      the exit status
//    "error": "...",                   only when the run was refused, or its batch file not saved: why
//    "kinds": [                        one object per kind executed, in the order run
//      {"kind": "split", "section": "SplitBatch",
//       "executed": true,              false: the kind did not start ("reason" says why)
//       "complete": false,             every item produced all its outputs from all it lists
//       "items": 3, "done": 2, "skipped": 1, "incomplete": 0, "not_done": 0,
//       "not_started": 0,              items a run stopped by SIGINT or SIGTERM did not start
//       "files_written": 8, "files_not_written": 0,   files, each counted once
//       "failed": [{"path": "/in/b.png", "reason": "does not exist"}],  item, member or file
//       "failed_left_out": 0,
//       "notes": ["..."], "notes_left_out": 0,   the summary's lines
//       "results": [{"path": "/in/a.png", "done": true, "files": ["out/a001.png"]},   per item,
//                   {"path": "/in/b.png", "done": false, "reason": "does not exist", "files": []}],
//       "results_left_out": 0,
//       "clashes": [{"file": "out/pic.png", "earlier": "/in/1/pic.png", "later": "/in/2/pic.png"}],
//       "clashes_left_out": 0}]}         files written by two items: the later one's stays
//
// Text is UTF-8; a byte that is not part of valid UTF-8 (a file name in another encoding) is
// written as U+FFFD.

#include "batch/BatchKind.h"
#include "batch/BatchReport.h"

#include <string>
#include <vector>

struct SKindOutcome
{
    EBatchKind m_eKind = EBatchKind::Split;
    bool m_bExecuted = false;
    std::string m_strReason; // why it did not start
    CBatchReport m_report;
};

std::string RunResultsJson(const std::vector<SKindOutcome>& kinds, int status, const std::string& error = "");
