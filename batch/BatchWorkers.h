#pragma once
// A kind's items spread over worker processes, with everything the caller sees exactly as in a
// run in one process.
//
// Why processes and not threads: the engine keeps one table of images with one bound image, and
// every executor works through that binding (gxBindImage, then calls on "the bound image"); the
// window depends on the same model. Threads would need that state made per thread throughout the
// engine and the GL code, and a crash in one decoder would take the whole run down. Forked after
// the batch file is parsed, each worker has its own engine state and, for blend, makes its own GL
// context after the fork (nothing GL is inherited), executes the entries it claims and streams each
// entry's report and progress steps to the parent over a pipe. The parent applies them in item
// order, so the summary, the progress bar and the result are those of one process; the outputs are
// the same files because each item is written by the same code from the same inputs. Entries are
// claimed one at a time from a counter shared by the workers, so a slow item does not hold up the
// others and a worker that dies loses only the item it was on, which is reported as not done.
// Memory is bounded per worker by one item, as in a plain run.

#include "batch/BatchFile.h"
#include "batch/BatchReport.h"
#include "batch/ItemSchedule.h"

// The processors this process may run on, at least 1.
int AvailableCores();

// Worker processes worth starting for a kind's section: at most `workers`, at most one per entry
// of the shard that has a path; 0 when the section cannot be read.
int WorkersFor(EBatchKind kind, BatchFile& batch, SItemShard shard, int workers);

// Executes the kind over the shard's entries in `workers` (at least 2) processes forked from this
// one; the installed frame's progress calls and the report are those of ExecuteBatch in one
// process. A worker that ends without finishing sets workerLost and shows in report.m_nNotDone
// (each entry it left named) and in report.m_notes (how it ended); the result is then false.
bool ExecuteInWorkers(EBatchKind kind, BatchFile& batch, SItemShard shard, int workers, CBatchReport& report,
                      bool& workerLost);

// The environment variable that makes a worker kill itself on the entry whose path contains its
// value: how the tests stand for a worker that crashes.
inline constexpr const char* kWorkerKillVariable = "MOSVANE_TEST_KILL_WORKER_AT";
