// The blend executor: every item is drawn over the background and under the overlay, both
// stretched to the item's size, and written.

#include "batch/BatchCommon.h"
#include "batch/BatchSections.h"
#include "engine/HeadlessGl.h"
#include "ops/BlendCompose.h"

namespace
{
using namespace batch;

// A layer picture kept for the whole run; a path that names no loadable picture gives no layer,
// and the report names it.
void MakeLayer(const std::string& path, CBlendLayer& layer, CBatchReport* report)
{
    if (!path.empty() && !layer.Load(path))
        Note(report, path + ": " + LoadFailure(path) + "; it is left out of the blend");
}
} // namespace

bool ExecuteBlendBatch(BatchFile& batch, CBatchReport* report, IItemSchedule* schedule)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::Blend, s))
        return false;
    BlendInputs in;
    ReadBlendSection(s, in);
    if (in.m_strBackgroundPath.empty() && in.m_strOverlayPath.empty())
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
    CBlendLayer background, overlay;
    // A layer that does not load is left out; the items are blended all the same, without it.
    MakeLayer(in.m_strBackgroundPath, background, report);
    MakeLayer(in.m_strOverlayPath, overlay, report);
    // The composition comes back top row first, as the engine holds pictures: written unflipped.
    ForEachItemPicture(s, {in.m_output.m_strFolder, in.m_output.m_strType, "_Blend", false}, {report, schedule}, [&](CEngineImage& item, const std::string&) {
        const GX_IMAGE info = item.Info();
        const bool composed = ComposeBlend(info.width, info.height, info.format, item.Buffer(), &background, &overlay);
        item.Bind();
        return composed ? nullptr : "OpenGL could not compose it";
    });
    return true;
}
