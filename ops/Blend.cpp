#include "ops/Blend.h"

#include "image/WorkingImage.h"
#include "ops/BlendCompose.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"
#include "ops/WriteGuard.h"

namespace
{
// A layer path that names no loadable picture leaves the layer out.
void LoadLayer(const std::string& path, CBlendLayer& layer)
{
    if (!path.empty())
        layer.Load(path);
}
} // namespace

bool BlendImage(const std::string& backgroundPath, const std::string& overlayPath, CWorkingImage& image)
{
    auto& working = image.m_gxImg;
    if (working.id == 0 || !working.data)
        return false;
    CBlendLayer background, overlay;
    LoadLayer(backgroundPath, background);
    LoadLayer(overlayPath, overlay);
    // Loading the layers bound other images: the buffer is asked for again.
    const bool composed = ComposeBlend(working.width, working.height, working.format,
                                       gxGetImageBuffer(working.id), &background, &overlay);
    // Drawn into whatever contexts; their textures go while the caller's is current again.
    background.ReleaseTexture();
    overlay.ReleaseTexture();
    gxBindImage(working.id);
    working.data = gxGetImageBuffer(working.id);
    image.RefreshTexture();
    return composed;
}

void BlendCommand(const BlendInputs& in, CWorkingImage& image)
{
    CWaitCursor wait;
    if (in.m_strBackgroundPath.empty() && in.m_strOverlayPath.empty())
        return;
    std::string path;
    const bool named = BuildOutputPath(in.m_output, path);
    // Asked before the image changes: No leaves the image and the files as they were.
    if (named && image.m_gxImg.id != 0 && !MayWriteOver({path}))
        return;
    const bool blended = BlendImage(in.m_strBackgroundPath, in.m_strOverlayPath, image);
    if (!named || image.m_gxImg.id == 0)
        return;
    gxBindImage(image.m_gxImg.id);
    if (blended && SaveOutputImage(path))
        ShowSucceeded("Success to blend the current image with the background and overlay image and save it as\n\n" +
                      path + ".");
    else
        ShowFailed("Failed to blend the current image and save it as\n\n" + path + ".");
}
