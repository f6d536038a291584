#pragma once
// The frames of one MNG animation: loaded pictures brought to GL_RGBA and to the size of the
// first frame, with the table of pixel pointers the engine's MNG writer reads. A frame of another
// size is cropped or padded with transparent pixels, so every pointer holds width x height pixels.

#include "ops/EngineImage.h"
#include "ops/SequenceNaming.h"

#include <cstdint>
#include <functional>
#include <vector>

// Copies the overlapping top-left block of an RGBA picture into an RGBA picture of another size;
// the rest of the target becomes transparent black.
void FitRgbaPixels(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint8_t* dst, uint32_t dstWidth,
                   uint32_t dstHeight);

class CMngFrameSet
{
public:
    // Takes a loaded picture as the next frame. False (and the picture is dropped) when it is
    // empty or cannot be converted or fitted.
    bool Add(CEngineImage picture);
    void Clear();

    int Count() const { return int(m_frames.size()); }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    // One pointer per frame, in order, each to Width() x Height() RGBA pixels.
    const uint8_t* const* Pointers() const { return m_pointers.data(); }

private:
    std::vector<CEngineImage> m_frames;
    std::vector<const uint8_t*> m_pointers;
    int m_nWidth = 0;
    int m_nHeight = 0;
};

// The most pixel bytes one animation may hold in memory while it is written. A sequence that
// would need more is refused rather than taking the machine's memory.
inline constexpr uint64_t kMaxAnimationBytes = uint64_t(4) << 30;

// Empties frames and loads into it the frames from .. from + count - 1 named by pattern, trying
// only numbers whose file may exist; frames that do not load are left out. tried(number, loaded) is
// called for each number tried. False when the frames would pass kMaxAnimationBytes. Shared by the MNG
// command and the batch.
bool CollectFrames(const CSequencePattern& pattern, int32_t from, int64_t count, CMngFrameSet& frames,
                   const std::function<void(int64_t number, bool loaded)>& tried);
