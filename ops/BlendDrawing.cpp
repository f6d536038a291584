#include "ops/BlendDrawing.h"

#include "engine/GlTexture.h"

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
    const bool stretched = use == ETexelUse::Stretched;
    m_nName = CreateGlTexture(width, height, format, type, pixels,
                              stretched || type == GL_UNSIGNED_SHORT ? GL_RGBA16 : GL_RGBA,
                              stretched ? GL_LINEAR : GL_NEAREST);
    return m_nName != 0;
}

void CGlTexture::Reset()
{
    if (m_nName)
        glDeleteTextures(1, &m_nName);
    m_nName = 0;
}
