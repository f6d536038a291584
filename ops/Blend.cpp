#include "ops/Blend.h"

#include "image/WorkingImage.h"
#include "ops/BlendDrawing.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"

namespace
{
// A layer's texture; none for an empty path or a picture that does not load.
CGlTexture LayerTexture(const std::string& path)
{
    CGlTexture layer;
    if (!path.empty())
        layer.LoadFile(path);
    return layer;
}
} // namespace

bool BlendImage(const std::string& backgroundPath, const std::string& overlayPath, CWorkingImage& image)
{
    auto& working = image.m_gxImg;
    if (working.id == 0 || !working.data)
        return false;
    const int width = working.width, height = working.height;
    const CGlTexture background = LayerTexture(backgroundPath), overlay = LayerTexture(overlayPath);
    // The view's texture when it has one; otherwise one made from the pixels for this draw.
    CGlTexture own;
    GLuint picture = working.texture;
    if (picture == 0 && own.Create(width, height, working.format, working.data))
        picture = own.Name();
    if (!ComposeLayers(background.Name(), picture, overlay.Name(), width, height, working.format, working.data))
        return false;
    // Read-back rows come bottom row first.
    gxBindImage(working.id);
    gxFlipImage();
    working.data = gxGetImageBuffer(working.id);
    image.RefreshTexture();
    return true;
}

void BlendCommand(const BlendInputs& in, CWorkingImage& image)
{
    CWaitCursor wait;
    if (in.m_strBackgroundPath.empty() && in.m_strOverlayPath.empty())
        return;
    const bool blended = BlendImage(in.m_strBackgroundPath, in.m_strOverlayPath, image);
    std::string path;
    if (!BuildOutputPath(in.m_output, path) || image.m_gxImg.id == 0)
        return;
    gxBindImage(image.m_gxImg.id);
    if (blended && gxSaveImage(path.c_str(), false))
        ShowSucceeded("Success to blend the current image with the background and overlay image and save it as\n\n" +
                      path + ".");
    else
        ShowFailed("Failed to blend the current image and save it as\n\n" + path + ".");
}
