#pragma once
// MNG animation making: a numbered sequence of pictures becomes one animated MNG file.

#include "ops/SequenceNaming.h"

#include <cstdint>
#include <string>

// The MNG box: source folder, title, template, type and from number, frame count and rate.
struct MngInputs
{
    SequenceRecord m_source;
    int32_t m_nFrameCount = 0;
    int32_t m_nFramesPerSecond = 0;
};

enum class EMngResult
{
    Written,
    NoFrames,    // no picture of the sequence loaded (or the frame count is below 1): nothing written
    WriteFailed,
};

// Loads frames fromNumber .. fromNumber + frameCount - 1 named by pattern and writes the
// animation at the first loaded frame's size. Frames that do not load are left out.
EMngResult MakeMngAnimation(int32_t fromNumber, int32_t frameCount, int32_t framesPerSecond,
                            const CSequencePattern& pattern, const std::string& outPath);

// "Generate Aniamted MNG": checks the inputs and the output settings, makes the file and reports.
void MngCommand(const MngInputs& inputs, const SequenceRecord& output);
