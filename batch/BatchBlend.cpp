// The blend executor: every item is drawn over the background and under the overlay, both
// stretched to the item's size, in an offscreen render target of the item's size, read back and
// written flipped (the read-back comes bottom row first).

#include "batch/BatchCommon.h"
#include "engine/HeadlessGl.h"
#include "image/OglRenderToTexture.h"
#include "ops/BlendDrawing.h"

namespace
{
using namespace batch;

// A layer picture as a texture; a path that names no loadable picture gives no layer.
bool MakeLayer(const std::string& path, CGlTexture& texture, CBatchReport* report)
{
    if (path.empty())
        return false;
    if (texture.LoadFile(path))
        return true;
    Note(report, path + ": could not be loaded; it is left out of the blend");
    return false;
}

// Draws the layers and the item into a target of the item's size and reads the result back into
// the item's pixels. Null when done, otherwise why the item is skipped.
const char* BlendItem(CEngineImage& item, const CGlTexture& background, const CGlTexture& overlay)
{
    const GX_IMAGE info = item.Info();
    const int w = info.width, h = info.height;
    uint8_t* pixels = item.Buffer();

    OglRenderToTexture target;
    // Drawing elsewhere would read back pixels that are not the composition.
    if (!target.Create(w, h) || target.Width() != w || target.Height() != h)
        return "no offscreen render target of its size could be made";
    {
        CGlTexture picture;
        BeginComposition(w, h);
        if (!background.Empty())
            DrawLayer(background.Name(), w, h);
        if (picture.Create(w, h, info.format, pixels))
            DrawLayer(picture.Name(), w, h);
        if (!overlay.Empty())
            DrawLayer(overlay.Name(), w, h);
        EndComposition();
        glReadPixels(0, 0, w, h, info.format, GL_UNSIGNED_BYTE, pixels);
    }
    target.Destroy();
    item.Bind();
    return nullptr;
}
} // namespace

bool ExecuteBlendBatch(BatchFile& batch, CBatchReport* report)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::Blend, s))
        return false;
    const std::string folder = ReadBatchString(s.m_output, "Folder");
    const std::string type = ReadBatchString(s.m_output, "ImageType");
    const std::string backgroundPath = ReadBatchString(s.m_input, "BkImg");
    const std::string overlayPath = ReadBatchString(s.m_input, "OverlayImg");
    if (backgroundPath.empty() && overlayPath.empty())
    {
        Note(report, "neither \"BkImg\" nor \"OverlayImg\" names a picture");
        return false;
    }

    // The view's context when there is one; otherwise a headless one for this run only.
    CHeadlessGl gl;
    if (!gl.Ok())
    {
        Note(report, "no OpenGL context could be made for the blend");
        return false;
    }
    // Made after the context, so released while it is still current.
    CGlTexture background, overlay;
    const bool haveBackground = MakeLayer(backgroundPath, background, report);
    const bool haveOverlay = MakeLayer(overlayPath, overlay, report);
    // Layers that name no loadable picture leave nothing to blend with.
    if (!haveBackground && !haveOverlay)
        return false;
    ForEachItemPicture(s, {folder, type, "_Blend", true}, report, [&](CEngineImage& item, const std::string&) {
        return BlendItem(item, background, overlay);
    });
    return true;
}
