#include "image/WorkingImage.h"

#include "config/Log.h"
#include "engine/GlTexture.h"
#include "engine/HeadlessGl.h"

#include <EGL/egl.h>

#include <algorithm>
#include <utility>

namespace
{
// A texture of the pixels, or 0 when GL refuses (no context, a size beyond GL_MAX_TEXTURE_SIZE).
GLuint MakeTexture(const WorkingImageRecord& image)
{
    return CreateGlTexture(image.width, image.height, image.format, GL_UNSIGNED_BYTE, image.data, GL_RGBA, GL_LINEAR);
}

// A texture of the picture's top-left block of width x height pixels.
GLuint MakeBlockTexture(const WorkingImageRecord& image, int width, int height)
{
    const CPixelWindow window(GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS, image.width, 0, 0);
    return CreateGlTexture(width, height, image.format, GL_UNSIGNED_BYTE, image.data, GL_RGBA, GL_LINEAR);
}

// The side of the picture beyond GL's limit, as a reason; empty when both sides are within it.
std::string SideBeyondLimit(const WorkingImageRecord& image)
{
    GLint maxSide = 0;
    if (HaveGlContext())
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    const std::string limit = ": the view shows at most " + std::to_string(maxSide);
    if (maxSide > 0 && image.width > maxSide)
        return std::to_string(image.width) + " pixels wide" + limit;
    if (maxSide > 0 && image.height > maxSide)
        return std::to_string(image.height) + " pixels high" + limit;
    return {};
}

// Why GL gave no texture for the picture: a side beyond its limit, or its refusal.
std::string TextureRefusal(const WorkingImageRecord& image)
{
    const std::string side = SideBeyondLimit(image);
    return side.empty() ? "the graphics driver could not take the picture" : side;
}

// Deletes the texture `name` when there is one and a context to delete it in; `name` reads 0 after.
void DeleteTextureName(GLuint& name)
{
    if (name != 0 && HaveGlContext())
        glDeleteTextures(1, &name);
    name = 0;
}

void FreeRecord(WorkingImageRecord record)
{
    if (record.id != 0)
        gxDestroyImage(record.id);
    DeleteTextureName(record.texture);
}

void SetReason(std::string* pstrReason, std::string reason)
{
    if (pstrReason)
        *pstrReason = std::move(reason);
}
} // namespace

bool CWorkingImage::LoadImageFile(const char* path, std::string* pstrReason, int firstWidth, int firstHeight)
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
    // previous picture in place rather than a working image the view cannot show. A first block
    // stands in for the whole only when the whole is within GL's limit.
    const bool bBlock = firstWidth > 0 && firstHeight > 0 && (firstWidth < next.width || firstHeight < next.height);
    const int blockWidth = std::min<int>(firstWidth, next.width), blockHeight = std::min<int>(firstHeight, next.height);
    std::string beyond = bBlock ? SideBeyondLimit(next) : std::string();
    GLuint block = 0;
    if (beyond.empty())
    {
        if (bBlock)
            block = MakeBlock(next, blockWidth, blockHeight);
        else
            next.texture = MakeTexture(next);
    }
    if (next.texture == 0 && block == 0)
    {
        SetReason(pstrReason, beyond.empty() ? TextureRefusal(next) : beyond);
        gxDestroyImage(next.id);
        return false;
    }
    // A picture shown from a first block is in a hurry: its predecessor is freed later.
    FreeRetired();
    if (block != 0)
        m_retired = m_gxImg;
    else
        FreeRecord(m_gxImg);
    DeleteTextureName(m_nBlockTexture);
    m_gxImg = next;
    m_nBlockTexture = block;
    m_nBlockWidth = blockWidth;
    m_nBlockHeight = blockHeight;
    m_nRowsUploaded = 0;
    m_strPath = path;
    gxBindImage(m_gxImg.id);
    return true;
}

GLuint CWorkingImage::MakeBlock(const WorkingImageRecord& image, int width, int height)
{
    if (m_nSpareBlock != 0 && m_nSpareWidth == width && m_nSpareHeight == height)
    {
        const CPixelWindow window(GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS, image.width, 0, 0);
        if (UploadGlTextureRows(m_nSpareBlock, width, 0, height, image.format, GL_UNSIGNED_BYTE, image.data))
            return std::exchange(m_nSpareBlock, 0);
    }
    DeleteSpareBlock();
    return MakeBlockTexture(image, width, height);
}

void CWorkingImage::DeleteSpareBlock()
{
    DeleteTextureName(m_nSpareBlock);
}

void CWorkingImage::ReleaseImage()
{
    FreeRetired();
    DeleteSpareBlock();
    if (m_gxImg.id != 0)
        gxDestroyImage(m_gxImg.id);
    DeleteTexture();
    m_gxImg = WorkingImageRecord{};
    m_strPath.clear();
}

void CWorkingImage::FreeRetired()
{
    FreeRecord(m_retired);
    m_retired = WorkingImageRecord{};
}

void CWorkingImage::DeleteTexture()
{
    DeleteTextureName(m_gxImg.texture);
    DeleteTextureName(m_nBlockTexture);
}

bool CWorkingImage::UploadMoreRows(size_t bytes)
{
    if (m_nBlockTexture == 0)
        return true;
    if (!m_gxImg.data)
        return false;
    if (m_gxImg.texture == 0)
    {
        m_gxImg.texture = CreateGlTextureStorage(m_gxImg.width, m_gxImg.height, m_gxImg.format, GL_UNSIGNED_BYTE,
                                                 GL_RGBA, GL_LINEAR);
        if (m_gxImg.texture == 0)
            return false;
    }
    const size_t rowBytes = size_t(m_gxImg.width) * m_gxImg.bytesPerPixel;
    const int left = m_gxImg.height - m_nRowsUploaded;
    const int rows = int(std::clamp<size_t>(bytes / rowBytes, 1, size_t(left)));
    if (!UploadGlTextureRows(m_gxImg.texture, m_gxImg.width, m_nRowsUploaded, rows, m_gxImg.format,
                             GL_UNSIGNED_BYTE, m_gxImg.data + size_t(m_nRowsUploaded) * rowBytes))
        return false;
    m_nRowsUploaded += rows;
    if (m_nRowsUploaded == m_gxImg.height)
    {
        DeleteSpareBlock();
        m_nSpareBlock = std::exchange(m_nBlockTexture, 0);
        m_nSpareWidth = m_nBlockWidth;
        m_nSpareHeight = m_nBlockHeight;
    }
    return true;
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
