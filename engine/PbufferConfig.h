#pragma once
// The one EGL configuration of every pbuffer here, the render device's and the offscreen render
// target's: desktop GL, 8 bits a channel with alpha. A context sharing textures with another must
// come from a compatible configuration, so both ask for the same.

#include <EGL/egl.h>

// False when the display offers no such configuration.
bool ChoosePbufferConfig(EGLDisplay display, EGLConfig& config);
