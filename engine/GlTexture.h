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

// Texture coordinates of a block of a texture: 0 to 1 across it, beyond 1 for a repeating one.
struct STexBlock
{
    double m_dLeft = 0.0, m_dTop = 0.0, m_dRight = 1.0, m_dBottom = 1.0;
};

// The texture (or its block `part`) over the block (x, y) to (x + w, y + h) of the current
// coordinates, the block's first row at y; the binding is left at 0.
void DrawTexturedQuad(GLuint texture, double x, double y, double w, double h, const STexBlock& part = {});
