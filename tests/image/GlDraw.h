#pragma once
// Drawing and read-back helpers for the GL tests of this folder.

#include "engine/gx.h"

#include <algorithm>
#include <vector>

namespace mosvane::test
{
// The whole w x h surface as one quad with texture corners (0, 0) top-left to (1, 1).
inline void DrawFullQuad(int width, int height)
{
    gxBeginWindowMode(width, height);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2i(0, 0);
    glTexCoord2f(0, 1);
    glVertex2i(0, height);
    glTexCoord2f(1, 1);
    glVertex2i(width, height);
    glTexCoord2f(1, 0);
    glVertex2i(width, 0);
    glEnd();
    gxEndFlatMode();
}

// The current surface in the given format, bottom row first as GL gives it.
inline std::vector<uint8_t> ReadPixels(int width, int height, GLenum format)
{
    const size_t bpp = format == GL_BGR ? 3 : 4;
    std::vector<uint8_t> out(size_t(width) * height * bpp);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, out.data());
    return out;
}

// The current surface as RGBA, top row first.
inline std::vector<uint8_t> ReadTopDown(int width, int height)
{
    const std::vector<uint8_t> bottomUp = ReadPixels(width, height, GL_RGBA);
    std::vector<uint8_t> out(bottomUp.size());
    const size_t row = size_t(width) * 4;
    for (int y = 0; y < height; ++y)
        std::copy_n(bottomUp.data() + size_t(height - 1 - y) * row, row, out.data() + size_t(y) * row);
    return out;
}
} // namespace mosvane::test
