// The blend executor: every item is drawn over the background and under the overlay, both
// stretched to the item's size, in an offscreen render target of the item's size, read back and
// written flipped (the read-back comes bottom row first).

#include "batch/BatchCommon.h"
#include "engine/HeadlessGl.h"
#include "image/OglRenderToTexture.h"

#include <GL/gl.h>

namespace
{
using namespace batch;

// A GL texture name, deleted with its owner in the context that is current then (the context it
// was made in, or one that shares its names).
class CGlTexture
{
public:
    CGlTexture() = default;
    ~CGlTexture() { Reset(); }
    CGlTexture(const CGlTexture&) = delete;
    CGlTexture& operator=(const CGlTexture&) = delete;

    // A texture of the picture's size holding its pixels, clamped at the edges, filtered linearly.
    bool Make(int width, int height, uint32_t format, const void* pixels)
    {
        Reset();
        if (width <= 0 || height <= 0 || !pixels)
            return false;
        glGenTextures(1, &m_nName);
        glBindTexture(GL_TEXTURE_2D, m_nName);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glBindTexture(GL_TEXTURE_2D, 0);
        return glGetError() == GL_NO_ERROR;
    }
    void Reset()
    {
        if (m_nName)
            glDeleteTextures(1, &m_nName);
        m_nName = 0;
    }
    GLuint Name() const { return m_nName; }

private:
    GLuint m_nName = 0;
};

// A layer picture as a texture; a path that names no loadable picture gives no layer.
bool MakeLayer(const std::string& path, CGlTexture& texture, CBatchReport* report)
{
    if (path.empty())
        return false;
    const CEngineImage picture = CEngineImage::Load(path.c_str());
    const GX_IMAGE& info = picture.Info();
    if (texture.Make(info.width, info.height, info.format, picture.Buffer()))
        return true;
    if (report)
        report->Note(path + ": could not be loaded; it is left out of the blend");
    return false;
}

// One quad over the whole w x h target, texture corner (0,0) at the top left.
void DrawQuad(GLuint texture, int w, int h)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, float(h));
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(float(w), float(h));
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(float(w), 0.0f);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
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
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gxBeginWindowMode(w, h);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        // A defined start: transparent black, textures drawn unmodulated and blended.
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        if (background.Name())
            DrawQuad(background.Name(), w, h);
        if (picture.Make(w, h, info.format, pixels))
            DrawQuad(picture.Name(), w, h);
        if (overlay.Name())
            DrawQuad(overlay.Name(), w, h);
        gxEndFlatMode();
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
