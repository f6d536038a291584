#pragma once
// The seven executors. Each applies one kind's recorded settings to every item of its section and
// writes the results into the recorded output folder, item by item, from files on disk; each
// drives the main frame's progress bar and shows no message itself.
//
// True when the section was executed, whatever happened to single items: items that do not load
// or do not fit the kind are skipped. False when execution did not start (section missing or
// incomplete, or a recorded value that cannot be applied); nothing has been written then.
// Reading the values appends the attributes that are missing, empty, to the document.
//
// Outputs are named after each item's title (ItemTitle): split pieces folder/<title><number>.<type>,
// combine folder/<title>.<type>, blend folder/<title>_Blend.<type>, alpha extract _Alpha, RGB alpha
// _AlphaRGB, alpha image combine _ImageAlpha, MNG folder/<title>.mng. A sequence item (combine,
// MNG) is the path of its files without the number field, which goes back in just before the last
// four characters; an empty title is replaced by a random number for those two.
//
// A report, when given, receives what happened to each item and each output file. A schedule, when
// given, chooses the entries of the item list this process executes (one shard, one worker's
// share); without one every entry is executed.

#include "batch/BatchFile.h"
#include "batch/BatchReport.h"
#include "batch/ItemSchedule.h"

// Ratios of a split list may add up to a little more than 1.0: each is stored with six decimals and
// held in single precision, and a grid recorded from the view stores each cell's share up to two
// millionths above it (RecordSplitGrid). The allowance per ratio covers these; a list that exceeds
// 1.0 by more is refused.
inline constexpr float kSplitRatioRounding = 2.5e-6f;

bool ExecuteSplitBatch(BatchFile& batch, CBatchReport* report = nullptr, IItemSchedule* schedule = nullptr);
bool ExecuteCombineBatch(BatchFile& batch, CBatchReport* report = nullptr, IItemSchedule* schedule = nullptr);
// Needs OpenGL: uses the current context, or makes a headless one for its own run when none is
// current. False as well when no context can be had.
bool ExecuteBlendBatch(BatchFile& batch, CBatchReport* report = nullptr, IItemSchedule* schedule = nullptr);
bool ExecuteAlphaExtractBatch(BatchFile& batch, CBatchReport* report = nullptr, IItemSchedule* schedule = nullptr);
bool ExecuteRgbAlphaBatch(BatchFile& batch, CBatchReport* report = nullptr, IItemSchedule* schedule = nullptr);
bool ExecuteAlphaImageCombineBatch(BatchFile& batch, CBatchReport* report = nullptr, IItemSchedule* schedule = nullptr);
bool ExecuteMngBatch(BatchFile& batch, CBatchReport* report = nullptr, IItemSchedule* schedule = nullptr);

// What the batch panel tells the user about an execution, by the executor's result.
inline constexpr const char* kBatchSucceedText =
    "Succeed to execute the batch, check the images in specific output folder.";
inline constexpr const char* kBatchFailText = "Fail to execute the batch, please check the inputted parameters.";

// The executor of a kind.
bool ExecuteBatch(EBatchKind kind, BatchFile& batch, CBatchReport* report = nullptr, IItemSchedule* schedule = nullptr);
