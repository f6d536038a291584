#include "ops/Blend.h"

#include "engine/gx.h"
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

// The blend of the working image between the two layers (either may be empty).
bool ComposeLayers(CBlendLayer& background, CBlendLayer& overlay, CWorkingImage& image)
{
    auto& working = image.m_gxImg;
    if (working.id == 0 || !working.data)
        return false;
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

// The person named the picture: one that does not load is said, with the engine's reason, rather
// than left out of a blend that would then be reported as done.
bool LoadNamedLayer(const std::string& path, const char* what, CBlendLayer& layer)
{
    if (path.empty() || layer.Load(path))
        return true;
    const std::string reason = gxGetLastErrorText();
    ShowFailed(std::string("Cannot load the ") + what + ":\n\n " + path + (reason.empty() ? "" : "\n" + reason) +
               "\n\nNothing was blended.");
    return false;
}
} // namespace

bool BlendImage(const std::string& backgroundPath, const std::string& overlayPath, CWorkingImage& image)
{
    if (image.m_gxImg.id == 0 || !image.m_gxImg.data)
        return false;
    CBlendLayer background, overlay;
    LoadLayer(backgroundPath, background);
    LoadLayer(overlayPath, overlay);
    return ComposeLayers(background, overlay, image);
}

void BlendCommand(const BlendInputs& in, CWorkingImage& image)
{
    CWaitCursor wait;
    if (image.m_gxImg.id == 0)
        return;
    if (in.m_strBackgroundPath.empty() && in.m_strOverlayPath.empty())
    {
        ShowFrameMessage("Please input the Background Image or the Overlay Watermark, or both, to blend the current "
                         "image with!",
                         "Wrong Parameters", EMessageIcon::Exclamation);
        return;
    }
    CBlendLayer background, overlay;
    if (!LoadNamedLayer(in.m_strBackgroundPath, "background image", background) ||
        !LoadNamedLayer(in.m_strOverlayPath, "overlay watermark", overlay))
        return;
    std::string path;
    const bool named = BuildOutputPath(in.m_output, path);
    // Asked before the image changes: No leaves the image and the files as they were.
    if (named && !MayWriteOver({path}))
        return;
    const bool blended = ComposeLayers(background, overlay, image);
    if (!named)
        return;
    gxBindImage(image.m_gxImg.id);
    if (blended && SaveOutputImage(path))
        ShowSucceeded("Success to blend the current image with the background and overlay image and save it as\n\n" +
                      path + ".");
    else
        ShowFailed("Failed to blend the current image and save it as\n\n" + path + ".");
}
