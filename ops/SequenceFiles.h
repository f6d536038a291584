#pragma once
// The members of a numbered sequence that are worth trying to load.

#include "ops/SequenceNaming.h"

#include <cstdint>
#include <functional>

// Sequences longer than this are not probed number by number: the files of the folder are listed
// instead, so that an absurd count costs time in proportion to what exists.
inline constexpr int64_t kDirectProbeLimit = int64_t(1) << 16;

// Calls visit(number) for the numbers from .. from + count - 1 in increasing order, leaving out
// numbers whose file surely does not exist; visit returns false to stop. Nothing for count <= 0.
void ForEachSequenceNumber(const CSequencePattern& pattern, int32_t from, int64_t count,
                           const std::function<bool(int64_t)>& visit);
