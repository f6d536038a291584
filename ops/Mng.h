#pragma once
// MNG animation making: a numbered sequence of pictures becomes one animated file, MNG unless the
// inputs name another format.

#include "ops/AnimationFormat.h"
#include "ops/OperationInputs.h"

#include <cstdint>
#include <string>

enum class EMngResult
{
    Written,
    NothingToWrite, // the frame count is below 1
    NoFrames,       // no picture of the sequence loaded: nothing written
    TooLarge,       // the frames would take more memory than an animation may hold
    WriteFailed,
};

// Loads frames fromNumber .. fromNumber + frameCount - 1 named by pattern and writes the
// animation in the format at the first loaded frame's size. Frames that do not load are left out;
// nothing is tried for a frame count below 1.
EMngResult MakeMngAnimation(int32_t fromNumber, int32_t frameCount, int32_t framesPerSecond,
                            const CSequencePattern& pattern, const std::string& outPath,
                            EAnimationFormat format = EAnimationFormat::Mng);

// "Generate Aniamted MNG": checks the inputs and the output settings, makes the file (named with
// the format's extension) and reports.
void MngCommand(const MngInputs& inputs);
