#pragma once
// The GL textures of a blend's composition (see ops/BlendCompose.h). They assume only that some
// GL context is current (the view's, or a headless one).

#include "engine/gx.h"

#include <cstdint>

// How a texture reaches the target. A texture GL stretches is stored at 16 bits a channel, so that
// its linear filter keeps the fractions it computes; one drawn texel to pixel is sampled nearest,
// which is exact, and stored as given (16-bit pixels keep their 16 bits either way).
enum class ETexelUse
{
    Stretched,
    OneToOne,
};

// A GL texture name owned for the life of the object; deleted in the context current then.
class CGlTexture
{
public:
    CGlTexture() = default;
    ~CGlTexture() { Reset(); }
    CGlTexture(CGlTexture&& other) noexcept : m_nName(other.m_nName) { other.m_nName = 0; }
    CGlTexture& operator=(CGlTexture&& other) noexcept;
    CGlTexture(const CGlTexture&) = delete;
    CGlTexture& operator=(const CGlTexture&) = delete;

    // Makes a texture of width x height pixels in format, each channel of type (GL_UNSIGNED_BYTE
    // or GL_UNSIGNED_SHORT), clamped to the edge, rows as GL_UNPACK_ROW_LENGTH and the skips say.
    // False, and no texture, without pixels or GL, beyond GL_MAX_TEXTURE_SIZE, or when GL refuses
    // the upload.
    bool Create(int width, int height, uint32_t format, uint32_t type, const void* pixels, ETexelUse use);

    GLuint Name() const { return m_nName; }
    bool Empty() const { return m_nName == 0; }
    void Reset();

private:
    GLuint m_nName = 0;
};
