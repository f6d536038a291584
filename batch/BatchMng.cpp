// The MNG executor: every sequence item becomes one animation of its frames that load, in the
// recorded format (MNG when none is recorded).

#include "batch/BatchCommon.h"
#include "batch/BatchSections.h"
#include "batch/ItemSchedule.h"
#include "ops/AnimationFormat.h"
#include "ops/MngFrames.h"

#include <algorithm>

using namespace batch;

namespace
{
// The recorded values an animation can be made with: a frame count that is not 0, a positive rate
// and a format by one of its names. False, with the reason noted, otherwise.
bool MngValuesUsable(const MngInputs& in, EAnimationFormat& format, CBatchReport* report)
{
    if (in.m_nFrameCount == 0)
    {
        Note(report, "the \"FrameCount\" is 0");
        return false;
    }
    if (in.m_nFramesPerSecond <= 0)
    {
        Note(report, "the \"FPS\" is " + std::to_string(in.m_nFramesPerSecond) +
                         ": an animation needs at least 1 frame a second");
        return false;
    }
    if (!AnimationFormatFromName(in.m_strFormat, format))
    {
        Note(report, "the \"Format\" is \"" + in.m_strFormat + "\", which is no animation format (" +
                         AnimationFormatChoices() + ")");
        return false;
    }
    return true;
}
} // namespace

bool ExecuteMngBatch(BatchFile& batch, CBatchReport* report, IItemSchedule* schedule)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::Mng, s))
        return false;
    MngInputs in;
    ReadMngSection(s, in);
    const int32_t fromNumber = in.m_source.m_nFromNumber;
    const int32_t frameCount = in.m_nFrameCount;
    const int32_t framesPerSecond = in.m_nFramesPerSecond;
    EAnimationFormat format = EAnimationFormat::Mng;
    if (!MngValuesUsable(in, format, report))
        return false;
    const int digits = TemplateDigits(in.m_source.m_strTemplate);
    // The recorded type is not used: the format decides the file.
    const std::string& folder = in.m_output.m_strFolder;

    CMngFrameSet frames;
    ForEachItem(s, {report, schedule}, [&](const std::string& path, uint32_t position, CProgress& progress) {
        const CSequencePattern sequence = ItemSequencePattern(path, digits);
        if (!SequenceNamesFit(sequence))
        {
            Skip(report, path, kNamesTooLong);
            return progress.Step();
        }
        CMemberFailures failures(report, path);
        int64_t expected = fromNumber; // the next number not yet tried
        const bool fits = CollectFrames(sequence, fromNumber, frameCount, frames, [&](int64_t number, bool loaded) {
            failures.Missing(sequence, expected, number);
            expected = number + 1;
            if (!loaded)
                failures.Failed(sequence.NameOf(number));
        });
        if (fits)
            failures.Missing(sequence, expected, int64_t(fromNumber) + std::max(frameCount, 0));
        if (!fits)
            Skip(report, path, "the animation would be too large to hold in memory");
        else if (frames.Count() == 0)
            Skip(report, path, "no frame of the sequence could be loaded");
        else
        {
            const std::string name =
                ItemOutputName(folder, ItemTitleOrRandom(path, position), "", AnimationExtension(format));
            const bool written = WriteAnimation(format, name, frames, framesPerSecond);
            if (report)
            {
                report->Saved(name, written, written ? "" : gxGetLastErrorText());
                report->Done();
            }
        }
        frames.Clear();
        progress.Step();
    });
    return true;
}
