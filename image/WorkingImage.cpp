#include "image/WorkingImage.h"

#include "config/Log.h"
#include "engine/GlTexture.h"
#include "engine/HeadlessGl.h"

#include <EGL/egl.h>

namespace
{
// A texture of the pixels, or 0 when GL refuses (no context, a size beyond GL_MAX_TEXTURE_SIZE).
GLuint MakeTexture(const WorkingImageRecord& image)
{
    return CreateGlTexture(image.width, image.height, image.format, GL_UNSIGNED_BYTE, image.data, GL_RGBA, GL_LINEAR);
}

// Why GL gave no texture for the picture: a side beyond its limit, or its refusal.
std::string TextureRefusal(const WorkingImageRecord& image)
{
    GLint maxSide = 0;
    if (HaveGlContext())
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    const std::string limit = ": the view shows at most " + std::to_string(maxSide);
    if (maxSide > 0 && image.width > maxSide)
        return std::to_string(image.width) + " pixels wide" + limit;
    if (maxSide > 0 && image.height > maxSide)
        return std::to_string(image.height) + " pixels high" + limit;
    return "the graphics driver could not take the picture";
}

void SetReason(std::string* pstrReason, std::string reason)
{
    if (pstrReason)
        *pstrReason = std::move(reason);
}
} // namespace

bool CWorkingImage::LoadImageFile(const char* path, std::string* pstrReason)
{
    SetReason(pstrReason, {});
    const GX_IMAGE loaded = gxLoadImage(path);
    if (loaded.id == 0)
    {
        SetReason(pstrReason, gxGetLastErrorText());
        return false;
    }

    WorkingImageRecord next;
    next.id = loaded.id;
    next.format = loaded.format;
    next.bytesPerPixel = loaded.bytesPerPixel;
    next.width = loaded.width;
    next.height = loaded.height;
    next.reserved = loaded.reserved;
    gxBindImage(next.id);
    next.data = gxGetImageBuffer(next.id);
    if (!next.data)
    {
        LogMissingImageData();
        gxDestroyImage(next.id);
        SetReason(pstrReason, "the picture has no pixels");
        return false;
    }
    // The new texture is made before the old image goes, so that a texture GL refuses leaves the
    // previous picture in place rather than a working image the view cannot show.
    next.texture = MakeTexture(next);
    if (next.texture == 0)
    {
        SetReason(pstrReason, TextureRefusal(next));
        gxDestroyImage(next.id);
        return false;
    }
    ReleaseImage();
    m_gxImg = next;
    m_strPath = path;
    gxBindImage(m_gxImg.id);
    return true;
}

void CWorkingImage::ReleaseImage()
{
    if (m_gxImg.id != 0)
        gxDestroyImage(m_gxImg.id);
    DeleteTexture();
    m_gxImg = WorkingImageRecord{};
    m_strPath.clear();
}

void CWorkingImage::DeleteTexture()
{
    if (m_gxImg.texture != 0 && HaveGlContext())
        glDeleteTextures(1, &m_gxImg.texture);
    m_gxImg.texture = 0;
}

bool CWorkingImage::UploadTexture()
{
    if (!m_gxImg.data)
        return false;
    const GLuint texture = MakeTexture(m_gxImg);
    if (texture == 0)
        return false;
    DeleteTexture();
    m_gxImg.texture = texture;
    return true;
}

bool CWorkingImage::ConvertToRgba()
{
    if (m_gxImg.id == 0)
        return false;
    if (m_gxImg.format == GL_RGBA || m_gxImg.format == GL_BGRA)
        return true;
    gxBindImage(m_gxImg.id);
    if (!gxConvertImage(GL_RGBA))
        return false;
    m_gxImg.format = GL_RGBA;
    m_gxImg.bytesPerPixel = 4;
    m_gxImg.data = gxGetImageBuffer(m_gxImg.id);
    return m_gxImg.data != nullptr;
}

bool CWorkingImage::RefreshTexture()
{
    DeleteTexture();
    const bool uploaded = UploadTexture();
    if (m_fnRedraw)
        m_fnRedraw();
    return uploaded;
}

bool CWorkingImage::SaveImageAs(const char* path) const
{
    if (m_gxImg.id == 0 || !m_gxImg.data)
        return false;
    gxBindImage(m_gxImg.id);
    return gxSaveImage(path, false);
}

void LogMissingImageData()
{
    // Logged under the view's source name and line, where the check is known to users of the log.
    constexpr int kViewDataCheckLine = 582;
    LogCheckFailure(kLogCheckfFormat, "m_gxImg.data", "MosvaneView", kViewDataCheckLine);
}
