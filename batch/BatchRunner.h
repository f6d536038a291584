#pragma once
// The headless batch runner behind mosvane-batch: executes the sections of a batch file from a
// terminal or a script, or lists what the file records.

#include "batch/BatchFile.h"
#include "batch/ItemSchedule.h"
#include "batch/RunnerVerbs.h"

#include <ostream>
#include <string>
#include <vector>

// The most worker processes --jobs accepts.
inline constexpr int kMaxRunnerJobs = 256;

inline constexpr const char* kRunnerProgram = "mosvane-batch";

// Exit statuses of the runner.
inline constexpr int kRunnerSucceeded = 0; // every executed kind returned true, every item complete
inline constexpr int kRunnerFailed = 1;    // a kind returned false, an item or member failed, a write failed
inline constexpr int kRunnerRefused = 2;   // bad arguments, or a file that is not a batch file

struct SRunnerOptions
{
    std::string m_strFile;
    std::vector<EBatchKind> m_kinds; // as given; empty: every section present
    SItemShard m_shard;              // --shard K/N; 0/1 is the whole list
    int m_nJobs = 0;                 // --jobs N; 0: one per available core
    bool m_bList = false;
    bool m_bHelp = false;
    bool m_bJson = false;            // one JSON object of the results on out at the end

    // A verb instead of a file: its values (the shipped settings' unless given) and its inputs.
    const SVerb* m_pVerb = nullptr;
    SVerbValues m_verbValues;
    std::vector<std::string> m_verbInputs;
    std::string m_strSaveBatch;      // --save-batch FILE: the verb's section is written there
    bool m_bRun = false;             // --run: and executed as well
};

// Reads the arguments after the program name. False, with a one-line reason, for arguments that
// cannot be used.
bool ParseRunnerArguments(const std::vector<std::string>& args, SRunnerOptions& options, std::string& error);

// The text of --help.
std::string RunnerUsage();

// The kinds to execute: those asked for, without repeats, in the panel's row order; without any,
// every kind whose section is present.
std::vector<EBatchKind> KindsToRun(const BatchFile& batch, const std::vector<EBatchKind>& asked);

// Each present section of the asked kinds (all without any) with its recorded values and item
// count. The document is not changed.
void ListBatch(const BatchFile& batch, const std::vector<EBatchKind>& asked, std::ostream& out);

// The whole run: results on out, messages, reports and the progress bar (when progressOnErr) on
// err. Returns the exit status.
int RunBatchRunner(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progressOnErr);
