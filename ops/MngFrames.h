#pragma once
// The frames of one MNG animation: loaded pictures brought to GL_RGBA and to the size of the
// first frame, with the table of pixel pointers the engine's MNG writer reads. A frame of another
// size is cropped or padded with transparent pixels, so every pointer holds width x height pixels.

#include "ops/EngineImage.h"

#include <cstdint>
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
