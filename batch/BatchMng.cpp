// The MNG executor: every sequence item becomes one animation of its frames that load.

#include "batch/BatchCommon.h"
#include "ops/MngFrames.h"

#include <algorithm>

namespace
{
using namespace batch;

// The most pixel bytes one animation may hold in memory while it is written. A sequence that
// would need more is skipped rather than taking the machine's memory.
constexpr uint64_t kMaxAnimationBytes = uint64_t(4) << 30;
} // namespace

bool ExecuteMngBatch(BatchFile& batch, CBatchReport* report)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::Mng, s))
        return false;
    const std::string numberTemplate = ReadBatchString(s.m_input, "Template");
    const int32_t fromNumber = ReadBatchInteger(s.m_input, "FromNumber");
    const int32_t frameCount = ReadBatchInteger(s.m_input, "FrameCount");
    const int32_t framesPerSecond = ReadBatchInteger(s.m_input, "FPS");
    if (frameCount == 0)
    {
        Note(report, "the \"FrameCount\" is 0");
        return false;
    }
    if (framesPerSecond <= 0)
    {
        Note(report, "the \"FPS\" is " + std::to_string(framesPerSecond) + ": an animation needs at least 1 frame a second");
        return false;
    }
    const int digits = TemplateDigits(numberTemplate);
    ReadBatchString(s.m_output, "ImageType"); // recorded, not used: the output is always MNG
    const std::string folder = ReadBatchString(s.m_output, "Folder");

    // The frame table holds the frames that loaded, never more: its size follows the files found,
    // not the recorded count.
    CMngFrameSet frames;
    ForEachItem(s, report, [&](const std::string& path, CProgress& progress) {
        const CSequencePattern sequence = ItemSequencePattern(path, digits);
        frames.Clear();
        if (!SequenceNamesFit(sequence))
        {
            Skip(report, path, kNamesTooLong);
            return progress.Step();
        }
        uint64_t bytes = 0;
        bool tooLarge = false;
        CMemberFailures failures(report, path);
        int64_t expected = fromNumber; // the next number not yet seen
        ForEachSequenceNumber(sequence, fromNumber, frameCount, [&](int64_t number) {
            failures.Missing(sequence, expected, number);
            expected = number + 1;
            if (!frames.Add(CEngineImage::Load(sequence.NameOf(number).c_str())))
            {
                failures.Failed(sequence.NameOf(number));
                return true;
            }
            bytes += uint64_t(frames.Width()) * uint64_t(frames.Height()) * 4;
            tooLarge = bytes > kMaxAnimationBytes;
            return !tooLarge;
        });
        if (!tooLarge)
            failures.Missing(sequence, expected, int64_t(fromNumber) + std::max(frameCount, 0));
        if (tooLarge)
            Skip(report, path, "the animation would be too large to hold in memory");
        else if (frames.Count() > 0)
        {
            const std::string name = OutputName(folder, TitleOrRandom(path), "", "mng");
            const bool written = gxMakeMngAnimFile(name.c_str(), frames.Width(), frames.Height(), frames.Count(),
                                                   frames.Pointers(), framesPerSecond);
            if (report)
            {
                report->Saved(name, written);
                report->Done();
            }
        }
        else
            Skip(report, path, "no frame of the sequence could be loaded");
        frames.Clear();
        progress.Step();
    });
    return true;
}
