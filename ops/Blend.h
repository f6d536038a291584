#pragma once
// Image blend: the working image is laid over a background picture and under an overlay
// watermark, both stretched to its size, composed with OpenGL in an offscreen target of the
// image's size and read back into the working image in its own pixel format.

#include "ops/OperationInputs.h"

#include <string>

class CWorkingImage;

// Composes into the working image; either path may be empty, and a layer whose picture does not
// load is left out. False, with the image unchanged, without a working image or when the
// offscreen target cannot be made. Needs a current GL context that shares the image's texture.
bool BlendImage(const std::string& backgroundPath, const std::string& overlayPath, CWorkingImage& image);

// "Generate": blends, then writes the result to the output path and reports.
void BlendCommand(const BlendInputs& inputs, CWorkingImage& image);
