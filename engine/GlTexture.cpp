#include "engine/GlTexture.h"

#include "engine/HeadlessGl.h"

namespace
{
GLuint MakeTexture(int width, int height, uint32_t format, uint32_t type, const void* pixels, GLint storage,
                   GLint filter)
{
    if (width <= 0 || height <= 0 || !HaveGlContext())
        return 0;
    // Refused before the upload where the size says so, and checked after it.
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    if (width > maxSide || height > maxSide)
        return 0;
    DrainGlErrors();
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0)
        return 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The filters first: with a filter that uses no reduced levels GL gives memory for the picture
    // alone, not for a chain of levels it would clear and never use (glGenerateMipmap makes them).
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, storage, width, height, 0, format, type, pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (GlErrorFree())
        return name;
    glDeleteTextures(1, &name);
    return 0;
}
} // namespace

GLuint CreateGlTexture(int width, int height, uint32_t format, uint32_t type, const void* pixels, GLint storage,
                       GLint filter)
{
    return pixels ? MakeTexture(width, height, format, type, pixels, storage, filter) : 0;
}

GLuint CreateGlTextureStorage(int width, int height, uint32_t format, uint32_t type, GLint storage, GLint filter)
{
    return MakeTexture(width, height, format, type, nullptr, storage, filter);
}

bool UploadGlTextureRows(GLuint texture, int width, int y, int rows, uint32_t format, uint32_t type,
                         const void* pixels)
{
    if (texture == 0 || !pixels || width <= 0 || y < 0 || rows <= 0 || !HaveGlContext())
        return false;
    DrainGlErrors();
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, width, rows, format, type, pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    return GlErrorFree();
}

void DrawTexturedQuad(GLuint texture, double x, double y, double w, double h, const STexBlock& part)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2d(part.m_dLeft, part.m_dTop);
    glVertex2d(x, y);
    glTexCoord2d(part.m_dLeft, part.m_dBottom);
    glVertex2d(x, y + h);
    glTexCoord2d(part.m_dRight, part.m_dBottom);
    glVertex2d(x + w, y + h);
    glTexCoord2d(part.m_dRight, part.m_dTop);
    glVertex2d(x + w, y);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}
