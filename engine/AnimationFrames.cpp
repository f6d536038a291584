#include "engine/AnimationFrames.h"

#include "engine/Limits.h"

#include <algorithm>
#include <cstring>

namespace gx
{
SFrameRect UnionOf(const SFrameRect& a, const SFrameRect& b)
{
    if (a.Empty())
        return b;
    if (b.Empty())
        return a;
    const uint32_t left = std::min(a.m_nLeft, b.m_nLeft), top = std::min(a.m_nTop, b.m_nTop);
    const uint32_t right = std::max(a.m_nLeft + a.m_nWidth, b.m_nLeft + b.m_nWidth);
    const uint32_t bottom = std::max(a.m_nTop + a.m_nHeight, b.m_nTop + b.m_nHeight);
    return {left, top, right - left, bottom - top};
}

SFrameRect DifferenceBounds(const uint8_t* before, const uint8_t* after, uint32_t width, uint32_t height,
                            uint32_t bytesPerPixel)
{
    const size_t rowBytes = size_t(width) * bytesPerPixel;
    return BoundsWhere(
        width, height,
        [&](uint32_t y) { return std::memcmp(before + y * rowBytes, after + y * rowBytes, rowBytes) != 0; },
        [&](size_t i) { return std::memcmp(before + i * bytesPerPixel, after + i * bytesPerPixel, bytesPerPixel) != 0; });
}

uint32_t FrameDuration(uint64_t k, uint32_t fps, uint32_t unitsPerSecond)
{
    if (fps == 0)
        return 0;
    // k is below 2^31 and units at most 2^32: the products fit in 64 bits.
    return uint32_t((k + 1) * unitsPerSecond / fps - k * unitsPerSecond / fps);
}

bool AnimationArgumentsValid(const char* path, int width, int height, int count, const uint8_t* const* frames,
                             int fps)
{
    if (!path || !*path || !frames || count <= 0 || fps <= 0 || width <= 0 || height <= 0 ||
        !SizeAllowed(uint32_t(width), uint32_t(height), 4))
        return false;
    return std::none_of(frames, frames + count, [](const uint8_t* frame) { return frame == nullptr; });
}
} // namespace gx
