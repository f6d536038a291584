#pragma once
// The one blend composition of the interactive blend and the batch blend: a picture drawn over a
// background and under an overlay, both stretched to its size with linear filtering, composed
// source-over: colour = source x source alpha + below x (1 - source alpha), alpha = source alpha +
// below x (1 - source alpha), as "over" composites it, for any size the engine can hold.
//
// GL bounds everything here: a texture side is at most GL_MAX_TEXTURE_SIZE and a render target at
// most what a framebuffer object and the viewport allow. The composition therefore renders into a
// framebuffer object, tile by tile, each tile with the whole-picture geometry, so that the tiles
// meet without a seam; a layer larger than a texture can be is first reduced on the CPU with the
// same sampling as GL's linear stretch, to the size it will be drawn at.
//
// Every rounding to 8 bits before the end costs up to a level, and three layers add them up: the
// reduced layer keeps 16 bits, GL stretches layers from 16-bit textures and composes into a
// 16-bit target, and the picture's 8 bits are reached once, at the read-back.

#include "ops/BlendDrawing.h"
#include "ops/EngineImage.h"

#include <cstdint>
#include <string>
#include <vector>

// A background or overlay: the picture stays in memory for as many compositions as needed.
// Along a side GL can hold it is drawn as a texture that GL stretches; along a longer side it is
// first stretched on the CPU to the target's size, with GL's own sampling, and then drawn one
// texel to one pixel, tile by tile, so that the result is what one pass would give.
class CBlendLayer
{
public:
    // Loads the picture through the engine. False, and an empty layer, when it does not load.
    bool Load(const std::string& path);
    // Takes a picture the engine holds already.
    void Adopt(CEngineImage picture);
    bool Empty() const { return m_picture.Empty(); }
    const CEngineImage& Picture() const { return m_picture; }

    // Draws the layer's part of a width x height target over its block (x, y, w, h), given the
    // largest texture side. False when GL refuses an upload or memory is short.
    bool DrawOnTile(int width, int height, int maxTexture, int x, int y, int w, int h);
    // Drops the textures; must run while a context of their share group is current.
    void ReleaseTexture();

private:
    CEngineImage m_picture;
    std::vector<uint16_t> m_stretched; // the picture stretched along its long sides; empty: none
    int m_nPreparedWidth = 0;          // the size of what is drawn: the picture or the stretched copy
    int m_nPreparedHeight = 0;
    CGlTexture m_texture; // all of it, when GL can hold it

    bool Prepare(int width, int height, int maxTexture);
};

// Limits below GL's own, for tests and benchmarks that reach tiling and reduction with small
// pictures; 0 takes the value GL reports.
struct SCompositionLimits
{
    int m_nMaxTexture = 0;
    int m_nTile = 0;
};

// Composes into pixels (width x height in format, top row first, as the engine holds them):
// background, the pixels themselves, overlay; either layer may be null or empty. The result has
// the pixels' format, and the alpha the composition gives. Needs a current GL context whose share
// group holds the layers' textures. False when GL cannot do it (no context, an upload, the
// framebuffer or the read-back refused, memory short); the pixels may then be partly composed.
bool ComposeBlend(int width, int height, uint32_t format, uint8_t* pixels, CBlendLayer* background,
                  CBlendLayer* overlay, const SCompositionLimits& limits = {});

// One axis of GL's linear filter with clamping to the edge: a row of `from` samples stretched to
// `to`. Exposed for the CPU reduction's tests and for references built on the CPU.
struct SLinearTap
{
    int m_nFirst;   // the lower source sample
    int m_nSecond;  // the upper one (equal at the edges)
    float m_fWeight; // of the upper one
};
std::vector<SLinearTap> LinearTaps(int from, int to);

// Stretches width x height pixels of bpp bytes each to newWidth x newHeight with those taps,
// channel by channel, into 16-bit channels (257 to a level) rounded to the nearest 16-bit step.
// False when memory is short.
bool ResampleLinear(const uint8_t* pixels, int width, int height, int bpp, int newWidth, int newHeight,
                    std::vector<uint16_t>& out);
