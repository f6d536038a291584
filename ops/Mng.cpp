#include "ops/Mng.h"

#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/MngFrames.h"
#include "ops/WaitCursor.h"
#include "ops/WriteGuard.h"

EMngResult MakeMngAnimation(int32_t fromNumber, int32_t frameCount, int32_t framesPerSecond,
                            const CSequencePattern& pattern, const std::string& outPath, EAnimationFormat format)
{
    if (frameCount < 1)
        return EMngResult::NothingToWrite;
    CProgress progress(int64_t(frameCount) + 1);
    CMngFrameSet frames;
    if (!CollectFrames(pattern, fromNumber, frameCount, frames, [&](int64_t, bool) { progress.Step(); }))
        return EMngResult::TooLarge;
    if (frames.Count() == 0)
        return EMngResult::NoFrames;
    const bool written = WriteAnimation(format, outPath, frames, framesPerSecond);
    progress.Step();
    if (written)
        NoteWritten(outPath);
    return written ? EMngResult::Written : EMngResult::WriteFailed;
}

void MngCommand(const MngInputs& in)
{
    CWaitCursor wait;
    const SequenceRecord& src = in.m_source;
    if (in.m_nFrameCount == 0 || in.m_nFramesPerSecond == 0 || src.m_strFolder.empty() || src.m_strTemplate.empty())
    {
        ShowFrameMessage("Invalid mng animation settings!\nPlease input or correct the settings and try again!",
                         "Wrong Parameters", EMessageIcon::Exclamation);
        return;
    }
    EAnimationFormat format = EAnimationFormat::Mng;
    if (!AnimationFormatFromName(in.m_strFormat, format))
    {
        ShowFrameMessage("The animation format \"" + in.m_strFormat + "\" is none of " + AnimationFormatChoices() +
                             ".\n\nNo animation was made.",
                         "Wrong Parameters", EMessageIcon::Exclamation);
        return;
    }
    const CSequencePattern pattern = BuildSourcePattern(src);
    std::string outPath;
    if (!BuildMngOutputPath(in.m_output, outPath, AnimationExtension(format)) || !MayWriteOver({outPath}))
        return;
    const std::string name = AnimationFormatName(format);
    const std::string notMade = "\n\nNo " + name + " animation was made.";
    switch (MakeMngAnimation(src.m_nFromNumber, in.m_nFrameCount, in.m_nFramesPerSecond, pattern, outPath, format))
    {
    case EMngResult::Written:
        ShowSucceeded("Success to make the " + name + " animation and save it as\n\n" + outPath + ".");
        break;
    case EMngResult::NothingToWrite:
        ShowFailed("The frame count " + std::to_string(in.m_nFrameCount) + " names no frame: there is nothing to write." +
                   notMade);
        break;
    case EMngResult::NoFrames:
        ShowFailed("No image of the sequence could be loaded, the first being\n\n" + pattern.NameOf(src.m_nFromNumber) +
                   notMade);
        break;
    case EMngResult::TooLarge:
        ShowFailed("The frames of the sequence would take too much memory:\n\n" + pattern.NameOf(src.m_nFromNumber) +
                   notMade);
        break;
    case EMngResult::WriteFailed:
        ShowFailed("Failed to save the " + name + " animation as\n\n" + outPath + ".");
        break;
    }
}
