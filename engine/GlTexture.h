#pragma once
// Pictures as GL textures and their drawing, for every GL user (the view, the blend composition).
// Both assume only that some GL context is current.

#include "engine/gx.h"

#include <cstdint>

// A texture of width x height pixels in format, each channel of type (GL_UNSIGNED_BYTE or
// GL_UNSIGNED_SHORT), stored as `storage` (GL_RGBA, GL_RGBA16), sampled with `filter` (GL_LINEAR,
// GL_NEAREST), edges clamped, rows read with alignment 1 and as GL_UNPACK_ROW_LENGTH and the skips
// say. The binding is left at 0. Its name, or 0 without pixels or a context, beyond
// GL_MAX_TEXTURE_SIZE, or when GL refuses the upload: a refused upload would sample as opaque white.
GLuint CreateGlTexture(int width, int height, uint32_t format, uint32_t type, const void* pixels, GLint storage,
                       GLint filter);
// The same texture without its pixels yet (GL gives their memory, contents undefined), to be filled
// with UploadGlTextureRows; 0 where CreateGlTexture would give 0 for a reason other than pixels.
GLuint CreateGlTextureStorage(int width, int height, uint32_t format, uint32_t type, GLint storage, GLint filter);
// Replaces rows y .. y + rows - 1 of a texture width pixels wide with `pixels` (those rows only,
// packed, alignment 1); the binding is left at 0. False when GL refuses.
bool UploadGlTextureRows(GLuint texture, int width, int y, int rows, uint32_t format, uint32_t type,
                         const void* pixels);

// Pixel-store state that reaches into one block of a larger picture, reset when it goes.
class CPixelWindow
{
public:
    CPixelWindow(GLenum rowLength, GLenum skipPixels, GLenum skipRows, int width, int x, int y)
        : m_nRowLength(rowLength), m_nSkipPixels(skipPixels), m_nSkipRows(skipRows)
    {
        glPixelStorei(m_nRowLength, width);
        glPixelStorei(m_nSkipPixels, x);
        glPixelStorei(m_nSkipRows, y);
    }
    ~CPixelWindow()
    {
        glPixelStorei(m_nRowLength, 0);
        glPixelStorei(m_nSkipPixels, 0);
        glPixelStorei(m_nSkipRows, 0);
    }
    CPixelWindow(const CPixelWindow&) = delete;
    CPixelWindow& operator=(const CPixelWindow&) = delete;

private:
    GLenum m_nRowLength, m_nSkipPixels, m_nSkipRows;
};

// Texture coordinates of a block of a texture: 0 to 1 across it, beyond 1 for a repeating one.
struct STexBlock
{
    double m_dLeft = 0.0, m_dTop = 0.0, m_dRight = 1.0, m_dBottom = 1.0;
};

// The texture (or its block `part`) over the block (x, y) to (x + w, y + h) of the current
// coordinates, the block's first row at y; the binding is left at 0.
void DrawTexturedQuad(GLuint texture, double x, double y, double w, double h, const STexBlock& part = {});
