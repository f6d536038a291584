#pragma once
// Alpha layer operations on the working image: extract it as a grey picture, make it from one
// RGB colour, or take it from a second picture of the same size.

#include "ops/OperationInputs.h"

#include <cstdint>
#include <string>

class CWorkingImage;

enum class EExtractResult
{
    Written,
    NoAlpha,     // no working image, or its format carries no alpha
    WriteFailed,
};

// Writes the alpha channel of the working image to path as a grey GL_BGR picture; the working
// image is not changed.
EExtractResult ExtractAlpha(const std::string& path, const CWorkingImage& image);

// Every pixel whose red, green and blue equal the low 8 bits of r, g and b becomes black with the
// low 8 bits of a as alpha; the image is first brought to four bytes per pixel. False without a
// working image.
bool MakeAlphaByRgb(int32_t r, int32_t g, int32_t b, int32_t a, CWorkingImage& image);

// The working image takes as alpha the mean of the first three bytes of each pixel of the picture
// at alphaPath. False without a working image or when the sizes differ (a picture that does not
// load has no size); the image may already have been brought to four bytes per pixel then.
bool CombineAlphaImage(const std::string& alphaPath, CWorkingImage& image);

// The commands of the three buttons; each shows its result.
void ExtractAlphaCommand(const SequenceRecord& output, const CWorkingImage& image);
void MakeAlphaCommand(const AlphaRgbInputs& inputs, CWorkingImage& image);
void CombineAlphaCommand(const AlphaImageInputs& inputs, CWorkingImage& image);
