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
    if (report)
        report->Note(path + ": could not be loaded; it is left out of the blend");
    return false;
}

void BlendItem(const std::string& path, const CGlTexture& background, const CGlTexture& overlay,
               const std::string& folder, const std::string& type, CProgress& progress, CBatchReport* report)
{
    CEngineImage item = CEngineImage::Load(path.c_str());
    if (item.Empty())
    {
        if (report)
            report->Skipped(path, "could not be loaded");
        return;
    }
    const GX_IMAGE info = item.Info();
    const int w = info.width, h = info.height;
    uint8_t* pixels = item.Buffer();

    OglRenderToTexture target;
    if (!target.Create(w, h) || target.Width() != w || target.Height() != h)
    {
        // Drawing elsewhere would read back pixels that are not the composition.
        if (report)
            report->Skipped(path, "no offscreen render target of its size could be made");
        return;
    }
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
    SaveBound(OutputName(folder, ItemTitle(path), "_Blend", type), true, report);
    if (report)
        report->Done();
    progress.Step();
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
        if (report)
            report->Note("neither \"BkImg\" nor \"OverlayImg\" names a picture");
        return false;
    }

    // The view's context when there is one; otherwise a headless one for this run only.
    CHeadlessGl gl;
    if (!gl.Ok())
    {
        if (report)
            report->Note("no OpenGL context could be made for the blend");
        return false;
    }
    bool executed = false;
    {
        CGlTexture background, overlay;
        const bool haveBackground = MakeLayer(backgroundPath, background, report);
        const bool haveOverlay = MakeLayer(overlayPath, overlay, report);
        // Layers that name no loadable picture leave nothing to blend with.
        if (haveBackground || haveOverlay)
        {
            CProgress progress(s.m_items.ChildCount());
            ForEachItem(s.m_items, report, [&](const std::string& path) {
                BlendItem(path, background, overlay, folder, type, progress, report);
            });
            executed = true;
        }
    }
    return executed;
}
