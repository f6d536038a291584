#include "ops/BlendDrawing.h"

#include "engine/HeadlessGl.h"

CGlTexture& CGlTexture::operator=(CGlTexture&& other) noexcept
{
    if (this != &other)
    {
        Reset();
        m_nName = other.m_nName;
        other.m_nName = 0;
    }
    return *this;
}

bool CGlTexture::Create(int width, int height, uint32_t format, uint32_t type, const void* pixels, ETexelUse use)
{
    Reset();
    if (!pixels || width <= 0 || height <= 0 || !HaveGlContext())
        return false;
    // A refused upload leaves a texture that samples as opaque white: refuse before, check after.
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    if (width > maxSide || height > maxSide)
        return false;
    DrainGlErrors();
    glGenTextures(1, &m_nName);
    if (m_nName == 0)
        return false;
    glBindTexture(GL_TEXTURE_2D, m_nName);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const bool stretched = use == ETexelUse::Stretched;
    const GLint storage = stretched || type == GL_UNSIGNED_SHORT ? GL_RGBA16 : GL_RGBA;
    glTexImage2D(GL_TEXTURE_2D, 0, storage, width, height, 0, format, type, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const GLint filter = stretched ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (GlErrorFree())
        return true;
    Reset();
    return false;
}

void CGlTexture::Reset()
{
    if (m_nName)
        glDeleteTextures(1, &m_nName);
    m_nName = 0;
}
