#pragma once
// The composition of a blend, shared by the interactive blend and the batch executor: picture
// layers as GL textures stretched over an offscreen target, composed source-over. They assume
// only that some GL context is current (the view's, or a headless one).

#include "engine/gx.h"

#include <cstdint>
#include <string>

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

    // Makes a texture of width x height pixels in format (internal format GL_RGBA, clamped to the
    // edge, linear filtering), rows as GL_UNPACK_ROW_LENGTH and the skips say. False, and no
    // texture, without pixels or GL, beyond GL_MAX_TEXTURE_SIZE, or when GL refuses the upload.
    bool Create(int width, int height, uint32_t format, const void* pixels);
    // Loads a picture through the engine and makes a texture of it; the picture is freed again.
    // False, and no texture, when the picture does not load.
    bool LoadFile(const std::string& path);

    GLuint Name() const { return m_nName; }
    bool Empty() const { return m_nName == 0; }
    void Reset();

private:
    GLuint m_nName = 0;
};

// Starts composing into the current target of width x height: byte-aligned pixel rows, 2-D
// window mode, texturing and source-over blending on, and the target cleared to transparent
// black so that the composition starts from a defined picture.
void BeginComposition(int width, int height);
// Draws texture over the whole target: its first row at the top.
void DrawLayer(GLuint texture, int width, int height);
void EndComposition();
