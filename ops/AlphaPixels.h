#pragma once
// The pixel work of the alpha operations, shared by the interactive commands and the batch
// executors. Pixels of four bytes carry alpha as their fourth byte; GL_RGBA has red first,
// GL_BGRA blue first.

#include "ops/EngineImage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

inline bool HasAlpha(uint32_t format)
{
    return format == GL_RGBA || format == GL_BGRA;
}

// How the colour of ColourToAlpha is compared with the pixels.
enum class EColourMatch
{
    // The low 8 bits of each value: the panel's fields, where 300 stands for 44.
    LowBits,
    // Each value as a whole number, so that one outside 0..255 matches no pixel: a batch file
    // records what was typed, and a value the panel would have wrapped must not start matching.
    Whole,
};

// Every pixel whose red, green and blue match r, g and b becomes black with the given alpha;
// other pixels keep all four bytes. pixels holds count pixels of four bytes in format (GL_RGBA
// or GL_BGRA).
void ColourToAlpha(uint8_t* pixels, size_t count, uint32_t format, int32_t r, int32_t g, int32_t b, uint8_t alpha,
                   EColourMatch match);

// The alpha of each four-byte pixel becomes the mean, rounded down, of the first three bytes of
// the matching source pixel; source pixels are sourceStep bytes apart. A source of fewer than
// three bytes a pixel is grey: its first byte is the level.
void AlphaFromPicture(uint8_t* pixels, size_t count, const uint8_t* source, size_t sourceStep);

// Makes grey a GL_BGR picture of the source's size whose every pixel is the source pixel's alpha
// three times, and leaves it bound. alpha is the scratch the alpha bytes pass through; it grows to
// the largest picture and never shrinks, so that one buffer serves a whole batch. False when the
// source has no alpha or the picture cannot be made.
bool MakeGreyOfAlpha(const GX_IMAGE& source, CEngineImage& grey, std::vector<uint8_t>& alpha);
