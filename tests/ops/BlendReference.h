#pragma once
// A single-pass CPU blend to hold the GL composition against: every layer sampled as GL's linear
// filter with clamping to the edge samples it, straight from the picture at any size, composed
// source-over (alpha as "over": source alpha + below x (1 - source alpha)) and rounded after each
// layer as an 8-bit target holds it.
// Shared by the composition tests and the blend benchmark.

#include "engine/Bitmap.h"
#include "ops/BlendCompose.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace mosvane::test
{
struct SRefPicture
{
    int m_nWidth = 0;
    int m_nHeight = 0;
    uint32_t m_nFormat = GL_RGBA;
    const uint8_t* m_pPixels = nullptr;
};

using Rgba = std::array<float, 4>;

// A pixel of a picture in red, green, blue, alpha order; alpha 255 for formats without it.
inline Rgba TexelOf(const SRefPicture& p, int x, int y)
{
    const uint32_t bpp = gx::BytesPerPixel(p.m_nFormat);
    const uint8_t* q = p.m_pPixels + (size_t(y) * size_t(p.m_nWidth) + size_t(x)) * bpp;
    const bool bgr = p.m_nFormat == GL_BGR || p.m_nFormat == GL_BGRA;
    return {float(q[bgr ? 2 : 0]), float(q[1]), float(q[bgr ? 0 : 2]), bpp == 4 ? float(q[3]) : 255.0f};
}

class CBlendReference
{
public:
    // Layers may be null. The composed target is width x height.
    CBlendReference(int width, int height, const SRefPicture* background, const SRefPicture* overlay)
    {
        for (auto [layer, slot] : {std::pair{background, &m_background}, std::pair{overlay, &m_overlay}})
            if (layer)
                *slot = {*layer, LinearTaps(layer->m_nWidth, width), LinearTaps(layer->m_nHeight, height)};
    }

    // The composed pixel at (x, y) whose own pixel is item, in red, green, blue, alpha order.
    std::array<uint8_t, 4> At(int x, int y, const Rgba& item) const
    {
        Rgba target{0.0f, 0.0f, 0.0f, 0.0f};
        if (m_background.m_picture.m_pPixels)
            Over(Sample(m_background, x, y), target);
        Over(item, target);
        if (m_overlay.m_picture.m_pPixels)
            Over(Sample(m_overlay, x, y), target);
        return {uint8_t(target[0]), uint8_t(target[1]), uint8_t(target[2]), uint8_t(target[3])};
    }

private:
    struct SLayer
    {
        SRefPicture m_picture;
        std::vector<SLinearTap> m_across, m_down;
    };
    SLayer m_background, m_overlay;

    static Rgba Sample(const SLayer& layer, int x, int y)
    {
        const SLinearTap& a = layer.m_across[size_t(x)];
        const SLinearTap& d = layer.m_down[size_t(y)];
        const Rgba p00 = TexelOf(layer.m_picture, a.m_nFirst, d.m_nFirst);
        const Rgba p10 = TexelOf(layer.m_picture, a.m_nSecond, d.m_nFirst);
        const Rgba p01 = TexelOf(layer.m_picture, a.m_nFirst, d.m_nSecond);
        const Rgba p11 = TexelOf(layer.m_picture, a.m_nSecond, d.m_nSecond);
        Rgba out;
        for (int c = 0; c < 4; ++c)
        {
            const float top = p00[c] + (p10[c] - p00[c]) * a.m_fWeight;
            const float bottom = p01[c] + (p11[c] - p01[c]) * a.m_fWeight;
            out[c] = top + (bottom - top) * d.m_fWeight;
        }
        return out;
    }

    static void Over(const Rgba& source, Rgba& target)
    {
        const float alpha = source[3] / 255.0f;
        for (int c = 0; c < 3; ++c)
            target[c] = std::round(source[c] * alpha + target[c] * (1.0f - alpha));
        target[3] = std::round(source[3] + target[3] * (1.0f - alpha));
    }
};
// The levels noise is drawn from, colour and alpha apart.
struct SLevels
{
    int m_nLow = 0, m_nHigh = 255;
    int m_nAlphaLow = 0, m_nAlphaHigh = 255;
};

// Noise bytes in the levels given, the same again from the same seed: a caller can check a large
// picture against its original without keeping a copy of it.
class CNoise
{
public:
    CNoise(uint32_t seed, uint32_t bytesPerPixel, const SLevels& levels = {})
        : m_nState(seed), m_nBytesPerPixel(bytesPerPixel), m_levels(levels) {}
    uint8_t Next()
    {
        m_nState = m_nState * 1664525u + 1013904223u;
        const bool alpha = m_nBytesPerPixel == 4 && m_nIndex++ % 4 == 3;
        const int low = alpha ? m_levels.m_nAlphaLow : m_levels.m_nLow;
        const int high = alpha ? m_levels.m_nAlphaHigh : m_levels.m_nHigh;
        return uint8_t(low + int(m_nState >> 24) * (high - low + 1) / 256);
    }

private:
    uint32_t m_nState, m_nBytesPerPixel;
    SLevels m_levels;
    uint64_t m_nIndex = 0;
};

// A picture of noise in every channel, alpha included, so that any misplaced sample shows.
inline CEngineImage Noise(int width, int height, uint32_t format, uint32_t seed, const SLevels& levels = {})
{
    CEngineImage picture = CEngineImage::Generate();
    picture.Bind();
    gxTexImage(width, height, format);
    picture.Refresh();
    uint8_t* p = picture.Buffer();
    const uint32_t bpp = gx::BytesPerPixel(format);
    CNoise noise(seed, bpp, levels);
    for (size_t i = 0, n = size_t(width) * size_t(height) * bpp; i < n; ++i)
        p[i] = noise.Next();
    return picture;
}

inline SRefPicture RefOf(const CEngineImage& picture)
{
    const GX_IMAGE& info = picture.Info();
    return {info.width, info.height, info.format, picture.Buffer()};
}
} // namespace mosvane::test
