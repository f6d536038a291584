#pragma once
// Image blend: the working image is laid over a background picture and under an overlay
// watermark, both stretched to its size, composed with OpenGL offscreen and read back into the
// working image in its own pixel format.

#include "ops/OperationInputs.h"

#include <string>

class CWorkingImage;

// Composes into the working image; either path may be empty, and a layer whose picture does not
// load is left out. Any size the engine holds is composed (see ComposeBlend). False without a
// working image or a current GL context, or when GL refuses the work (the image is then unchanged
// unless a later tile failed after earlier ones were composed).
bool BlendImage(const std::string& backgroundPath, const std::string& overlayPath, CWorkingImage& image);

// "Generate": blends, then writes the result to the output path and reports. Without a working
// image it does nothing; without either layer named, or with a named one that does not load, it
// says so and changes nothing.
void BlendCommand(const BlendInputs& inputs, CWorkingImage& image);
