// The blend executor: every item is drawn over the background and under the overlay, both
// stretched to the item's size, in an offscreen render target of the item's size, read back and
// written flipped (the read-back comes bottom row first).

#include "batch/BatchCommon.h"
#include "engine/HeadlessGl.h"
#include "ops/BlendDrawing.h"

namespace
{
using namespace batch;

// A layer picture as a texture; a path that names no loadable picture gives no layer, and the
// report names it.
void MakeLayer(const std::string& path, CGlTexture& texture, CBatchReport* report)
{
    if (!path.empty() && !texture.LoadFile(path))
        Note(report, path + ": could not be loaded; it is left out of the blend");
}

// Composes the item between the layers and reads the result back into its pixels. Null when
// done, otherwise why the item is skipped.
const char* BlendItem(CEngineImage& item, const CGlTexture& background, const CGlTexture& overlay)
{
    const GX_IMAGE info = item.Info();
    uint8_t* pixels = item.Buffer();
    CGlTexture picture;
    if (!picture.Create(info.width, info.height, info.format, pixels))
        return "could not be made a texture";
    if (!ComposeLayers(background.Name(), picture.Name(), overlay.Name(), info.width, info.height, info.format,
                       pixels))
        return "no offscreen render target of its size could be made";
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
    // A layer that does not load is left out; the items are blended all the same, without it.
    MakeLayer(backgroundPath, background, report);
    MakeLayer(overlayPath, overlay, report);
    ForEachItemPicture(s, {folder, type, "_Blend", true}, report, [&](CEngineImage& item, const std::string&) {
        return BlendItem(item, background, overlay);
    });
    return true;
}
