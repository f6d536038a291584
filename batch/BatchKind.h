#pragma once
// The seven kinds of batch section, in the order of the batch panel's rows, with the names their
// sections carry in a batch file and the names the headless runner gives them on its command line
// (each kind's row is in batch/BatchKindTable.h).

#include <array>
#include <string>

enum class EBatchKind
{
    Split,
    Combine,
    Blend,
    AlphaExtract,
    RgbAlpha,
    AlphaImageCombine,
    Mng,
};

// Every kind, in the panel's row order.
inline constexpr std::array<EBatchKind, 7> kBatchKinds = {
    EBatchKind::Split,    EBatchKind::Combine,           EBatchKind::Blend, EBatchKind::AlphaExtract,
    EBatchKind::RgbAlpha, EBatchKind::AlphaImageCombine, EBatchKind::Mng,
};

// The section element: "SplitBatch", "CombineBatch", ...
const char* SectionName(EBatchKind kind);
// The runner's name: "split", "combine", "blend", "alpha-extract", "rgb-alpha", "alpha-image", "mng".
const char* KindCommandName(EBatchKind kind);
// False when the name is none of the runner's names (exact, lower case).
bool KindFromCommandName(const std::string& name, EBatchKind& kind);
// True for the kinds whose items name numbered sequences rather than single files.
bool IsSequenceKind(EBatchKind kind);
