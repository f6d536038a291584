#include "engine/GlTexture.h"

#include "engine/HeadlessGl.h"

GLuint CreateGlTexture(int width, int height, uint32_t format, uint32_t type, const void* pixels, GLint storage,
                       GLint filter)
{
    if (!pixels || width <= 0 || height <= 0 || !HaveGlContext())
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
    glTexImage2D(GL_TEXTURE_2D, 0, storage, width, height, 0, format, type, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (GlErrorFree())
        return name;
    glDeleteTextures(1, &name);
    return 0;
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
