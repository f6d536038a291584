#include "ops/BlendDrawing.h"

#include "engine/HeadlessGl.h"
#include "ops/EngineImage.h"

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

bool CGlTexture::Create(int width, int height, uint32_t format, const void* pixels)
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
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (GlErrorFree())
        return true;
    Reset();
    return false;
}

bool CGlTexture::LoadFile(const std::string& path)
{
    Reset();
    const CEngineImage picture = CEngineImage::Load(path.c_str());
    const GX_IMAGE& info = picture.Info();
    return !picture.Empty() && Create(info.width, info.height, info.format, picture.Buffer());
}

void CGlTexture::Reset()
{
    if (m_nName)
        glDeleteTextures(1, &m_nName);
    m_nName = 0;
}

void BeginComposition(int width, int height)
{
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gxBeginWindowMode(width, height);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void DrawLayer(GLuint texture, int width, int height)
{
    const float w = float(width), h = float(height);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, h);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(w, h);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(w, 0.0f);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void EndComposition()
{
    glFinish();
    gxEndFlatMode();
}
