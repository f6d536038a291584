#pragma once
// The working image of the view: the one picture the user opened, its engine image, its pixel
// buffer and the GL texture that shows it. No toolkit types: the owner hands in a redraw callback.
//
// The texture lives in the GL context that is current when it is made (the view's); every call
// that touches it expects that context, or one sharing with it, to be current.

#include "engine/gx.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The working image record: the engine's GX_IMAGE fields, the engine's pixel buffer (not owned;
// valid until the image is converted, flipped or freed) and the texture name (0 when none).
struct WorkingImageRecord
{
    uint32_t id = 0;
    uint32_t format = 0;
    uint16_t bytesPerPixel = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t reserved = 0;
    uint8_t* data = nullptr;
    GLuint texture = 0;
};

class CWorkingImage
{
public:
    CWorkingImage() = default;
    ~CWorkingImage() { ReleaseImage(); }
    CWorkingImage(const CWorkingImage&) = delete;
    CWorkingImage& operator=(const CWorkingImage&) = delete;

    // Makes the file the working image with its texture. On any failure the previous working
    // image, texture included, stays as it was, and pstrReason (where given) receives why: the
    // decoder's reason, or the texture limit the picture exceeds.
    //
    // With a first block of firstWidth x firstHeight pixels smaller than the picture, GL is given
    // only the picture's top-left block of that size at first (BlockTexture), and `texture` stays 0
    // until UploadMoreRows has given it every row: whoever draws from the block samples nothing
    // beyond it, and completes the texture before drawing anything else. The previous image is
    // then retired, not freed: FreeRetired (or the next load or release) frees it.
    bool LoadImageFile(const char* path, std::string* pstrReason = nullptr, int firstWidth = 0, int firstHeight = 0);
    // Frees the engine image and the textures (these only while a GL context is current), and the
    // retired image.
    void ReleaseImage();
    void FreeRetired();
    bool HasRetired() const { return m_retired.id != 0 || m_retired.texture != 0; }

    // The whole picture is in `texture` (true without an image).
    bool TextureComplete() const { return m_nBlockTexture == 0; }
    GLuint BlockTexture() const { return m_nBlockTexture; }
    int BlockWidth() const { return m_nBlockWidth; }
    int BlockHeight() const { return m_nBlockHeight; }
    // Gives `texture` its memory on the first call, then about `bytes` more of the picture's rows;
    // the block texture goes when the last row is in. False when GL refuses, the picture then
    // having no whole texture.
    bool UploadMoreRows(size_t bytes);
    bool CompleteTexture() { return UploadMoreRows(SIZE_MAX); }
    // Makes `texture` from `data`: the image's own size, edges clamped, linear filtering.
    bool UploadTexture();
    // Brings 3-byte pixels to GL_RGBA; GL_RGBA and GL_BGRA stay as they are. The texture is not
    // renewed here: callers refresh after changing the pixels. False when the engine refuses.
    bool ConvertToRgba();
    // After a change of the pixels: a new texture from `data`, then the owner's redraw.
    bool RefreshTexture();
    // Writes the image to path, the file type from its extension; false without an image.
    bool SaveImageAs(const char* path) const;

    // Called by RefreshTexture after the new texture is made; may be empty.
    void SetRedrawCallback(std::function<void()> redraw) { m_fnRedraw = std::move(redraw); }
    bool HasImage() const { return m_gxImg.id != 0 && m_gxImg.data; }

    WorkingImageRecord m_gxImg;
    // The file the image was loaded from; empty without an image.
    std::string m_strPath;

private:
    std::function<void()> m_fnRedraw;
    // The previous picture, freed after the new one is shown.
    WorkingImageRecord m_retired;
    GLuint m_nBlockTexture = 0;
    int m_nBlockWidth = 0;
    int m_nBlockHeight = 0;
    // Rows of `texture` given their pixels while the block texture stands in for it.
    int m_nRowsUploaded = 0;

    void DeleteTexture();
};

// Logs the failed check of a load whose pixels the engine cannot give: "m_gxImg.data" in
// MosvaneView, line 582.
void LogMissingImageData();
