#pragma once
// What the animation writers share: the checks of their common arguments, the rectangle in which
// one frame differs from the one shown before it, and frame delays in a format's time unit whose
// running sum follows the exact times.

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace gx
{
// A block of width x height pixels whose first pixel is column left, row top; empty when width
// or height is 0.
struct SFrameRect
{
    uint32_t m_nLeft = 0;
    uint32_t m_nTop = 0;
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;

    bool Empty() const { return m_nWidth == 0 || m_nHeight == 0; }
    bool operator==(const SFrameRect&) const = default;
};

// The smallest block holding both; an empty one adds nothing.
SFrameRect UnionOf(const SFrameRect& a, const SFrameRect& b);

// The smallest block holding every pixel index (y * width + x) for which pixelDiffers holds.
// rowMayDiffer(y) false lets a whole row be passed over without testing its pixels.
template <class RowMayDiffer, class PixelDiffers>
SFrameRect BoundsWhere(uint32_t width, uint32_t height, RowMayDiffer rowMayDiffer, PixelDiffers pixelDiffers)
{
    uint32_t left = width, right = 0, top = height, bottom = 0;
    for (uint32_t y = 0; y < height; ++y)
    {
        if (!rowMayDiffer(y))
            continue;
        const size_t row = size_t(y) * width;
        uint32_t first = 0;
        while (first < width && !pixelDiffers(row + first))
            ++first;
        if (first == width)
            continue;
        uint32_t last = width - 1;
        while (last > first && !pixelDiffers(row + last))
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
        top = std::min(top, y);
        bottom = y;
    }
    if (top == height)
        return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

// The smallest block holding every pixel at which two pictures of width x height pixels of
// bytesPerPixel bytes differ; empty when they are equal.
SFrameRect DifferenceBounds(const uint8_t* before, const uint8_t* after, uint32_t width, uint32_t height,
                            uint32_t bytesPerPixel);

// How many units of 1 / unitsPerSecond second frame k (from 0) lasts at fps frames a second, so
// that the first k frames together last the whole units of k / fps seconds: at 12 frames a second
// in hundredths, 8, 8, 9, 8, 8, 9 and so on.
uint32_t FrameDuration(uint64_t k, uint32_t fps, uint32_t unitsPerSecond);

// The arguments every animation writer takes: a path, a size the engine may allocate, at least
// one frame, none of them missing, and a positive rate.
bool AnimationArgumentsValid(const char* path, int width, int height, int count, const uint8_t* const* frames,
                             int fps);
} // namespace gx
