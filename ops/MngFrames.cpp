#include "ops/MngFrames.h"

#include "ops/SequenceFiles.h"

#include <algorithm>
#include <cstring>

void FitRgbaPixels(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint8_t* dst, uint32_t dstWidth,
                   uint32_t dstHeight)
{
    std::memset(dst, 0, size_t(dstWidth) * dstHeight * 4);
    const uint32_t width = std::min(srcWidth, dstWidth), height = std::min(srcHeight, dstHeight);
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(dst + size_t(y) * dstWidth * 4, src + size_t(y) * srcWidth * 4, size_t(width) * 4);
}

bool CMngFrameSet::Add(CEngineImage picture)
{
    if (picture.Empty() || !picture.Buffer())
        return false;
    if (picture.Info().format != GL_RGBA)
    {
        picture.Bind();
        if (!gxConvertImage(GL_RGBA))
            return false;
        picture.Refresh();
    }
    const GX_IMAGE info = picture.Info();
    if (m_frames.empty())
    {
        m_nWidth = info.width;
        m_nHeight = info.height;
    }
    else if (info.width != m_nWidth || info.height != m_nHeight)
    {
        CEngineImage fitted = CEngineImage::Generate();
        fitted.Bind();
        if (!gxTexImage(m_nWidth, m_nHeight, GL_RGBA))
            return false;
        fitted.Refresh();
        FitRgbaPixels(picture.Buffer(), info.width, info.height, fitted.Buffer(), uint32_t(m_nWidth),
                      uint32_t(m_nHeight));
        picture = std::move(fitted);
    }
    const uint8_t* pixels = picture.Buffer();
    if (!pixels)
        return false;
    m_pointers.push_back(pixels);
    m_frames.push_back(std::move(picture));
    return true;
}

void CMngFrameSet::Clear()
{
    m_pointers.clear();
    m_frames.clear();
    m_nWidth = m_nHeight = 0;
}

bool CollectFrames(const CSequencePattern& pattern, int32_t from, int64_t count, CMngFrameSet& frames,
                   const std::function<void(int64_t number, bool loaded)>& tried)
{
    frames.Clear();
    bool fits = true;
    ForEachSequenceNumber(pattern, from, count, [&](int64_t number) {
        tried(number, frames.Add(CEngineImage::Load(pattern.NameOf(number).c_str())));
        fits = uint64_t(frames.Width()) * uint64_t(frames.Height()) * 4 * uint64_t(frames.Count()) <= kMaxAnimationBytes;
        return fits;
    });
    return fits;
}
