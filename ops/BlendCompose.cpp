// Framebuffer objects are core GL; their entry points are declared only with the prototypes asked for.
#define GL_GLEXT_PROTOTYPES 1

#include "ops/BlendCompose.h"

#include "engine/Bitmap.h"
#include "engine/GlTexture.h"
#include "engine/HeadlessGl.h"
#include "image/OglRenderToTexture.h"

#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace
{
// The tile side when GL allows more: one tile then costs 32 MiB of 16-bit framebuffer and 16 MiB
// of picture texture at most.
constexpr int kDefaultTile = 2048;

// One 8-bit level in 16-bit units: 65535 / 255.
constexpr double kLevel16 = 257.0;

int GlInteger(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

struct SEffectiveLimits
{
    int m_nMaxTexture;
    int m_nTile;
};

SEffectiveLimits CurrentLimits(const SCompositionLimits& lowered)
{
    int maxTexture = GlInteger(GL_MAX_TEXTURE_SIZE);
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    if (lowered.m_nMaxTexture > 0)
        maxTexture = std::min(maxTexture, lowered.m_nMaxTexture);
    int tile = std::min({maxTexture, GlInteger(GL_MAX_RENDERBUFFER_SIZE), int(viewport[0]), int(viewport[1]),
                         kDefaultTile});
    if (lowered.m_nTile > 0)
        tile = std::min(tile, lowered.m_nTile);
    return {maxTexture, tile};
}

// A framebuffer object with one colour texture of 16 bits a channel (8 where GL cannot render into
// 16), bound for drawing and reading while it lives.
class CTileTarget
{
public:
    CTileTarget() = default;
    ~CTileTarget() { Release(); }
    CTileTarget(const CTileTarget&) = delete;
    CTileTarget& operator=(const CTileTarget&) = delete;

    // The composition is kept at 16 bits a channel between layers and rounded to the picture's 8
    // bits once, at the read-back: an 8-bit target would round after every layer, and GL's 8-bit
    // blending rounds each product on its own, which adds up to levels over three layers. A GL
    // that cannot render into 16 bits gets the 8-bit target.
    bool Create(int width, int height)
    {
        for (const GLint storage : {GL_RGBA16, GL_RGBA8})
            if (TryCreate(width, height, storage))
                return true;
        return false;
    }

private:
    bool TryCreate(int width, int height, GLint storage)
    {
        Release();
        DrainGlErrors();
        glGenTextures(1, &m_nColour);
        glBindTexture(GL_TEXTURE_2D, m_nColour);
        glTexImage2D(GL_TEXTURE_2D, 0, storage, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenFramebuffers(1, &m_nFramebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, m_nFramebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_nColour, 0);
        return GlErrorFree() && m_nColour && m_nFramebuffer &&
               glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }

    void Release()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        if (m_nFramebuffer)
            glDeleteFramebuffers(1, &m_nFramebuffer);
        if (m_nColour)
            glDeleteTextures(1, &m_nColour);
        m_nFramebuffer = m_nColour = 0;
    }

    GLuint m_nFramebuffer = 0;
    GLuint m_nColour = 0;
};

// One tile: picture rows y .. y + h drawn with row y at the framebuffer's bottom, so that the
// read-back comes top row first and lands on the rows it was made from. Every layer keeps the
// whole picture's geometry, which makes neighbouring tiles sample exactly as one pass would.
bool ComposeTile(int width, int height, uint32_t format, uint8_t* pixels, CBlendLayer* background,
                 CBlendLayer* overlay, int maxTexture, int x, int y, int w, int h)
{
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(double(x), double(x + w), double(y), double(y + h), -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT);
    // A layer that exists and cannot be drawn fails the whole: leaving it out would write a
    // picture that is not the blend.
    if (background && !background->Empty() && !background->DrawOnTile(width, height, maxTexture, x, y, w, h))
        return false;
    {
        // The picture itself is drawn one texel to one pixel, so only its block is uploaded.
        CGlTexture block;
        {
            const CPixelWindow window(GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS, width, x, y);
            if (!block.Create(w, h, format, GL_UNSIGNED_BYTE, pixels, ETexelUse::OneToOne))
                return false;
        }
        DrawTexturedQuad(block.Name(), x, y, w, h);
    }
    if (overlay && !overlay->Empty() && !overlay->DrawOnTile(width, height, maxTexture, x, y, w, h))
        return false;
    DrainGlErrors();
    const CPixelWindow window(GL_PACK_ROW_LENGTH, GL_PACK_SKIP_PIXELS, GL_PACK_SKIP_ROWS, width, x, y);
    glReadPixels(0, 0, w, h, format, GL_UNSIGNED_BYTE, pixels);
    return GlErrorFree();
}
} // namespace

bool CBlendLayer::Load(const std::string& path)
{
    Adopt(CEngineImage::Load(path.c_str()));
    return !Empty();
}

void CBlendLayer::Adopt(CEngineImage picture)
{
    ReleaseTexture();
    m_stretched.clear();
    m_nPreparedWidth = m_nPreparedHeight = 0;
    m_picture = std::move(picture);
}

void CBlendLayer::ReleaseTexture()
{
    m_texture.Reset();
}

bool CBlendLayer::Prepare(int width, int height, int maxTexture)
{
    const GX_IMAGE& info = m_picture.Info();
    const int drawnWidth = info.width <= maxTexture ? info.width : width;
    const int drawnHeight = info.height <= maxTexture ? info.height : height;
    if (drawnWidth == m_nPreparedWidth && drawnHeight == m_nPreparedHeight)
        return true;
    ReleaseTexture();
    m_stretched.clear();
    if ((drawnWidth != info.width || drawnHeight != info.height) &&
        !ResampleLinear(m_picture.Buffer(), info.width, info.height, int(gx::BytesPerPixel(info.format)), drawnWidth,
                        drawnHeight, m_stretched))
        return false;
    m_nPreparedWidth = drawnWidth;
    m_nPreparedHeight = drawnHeight;
    return true;
}

bool CBlendLayer::DrawOnTile(int width, int height, int maxTexture, int x, int y, int w, int h)
{
    if (Empty() || !Prepare(width, height, maxTexture))
        return false;
    const uint32_t format = m_picture.Info().format;
    const bool reduced = !m_stretched.empty();
    const void* pixels = reduced ? static_cast<const void*>(m_stretched.data()) : m_picture.Buffer();
    const uint32_t type = reduced ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE;
    if (m_nPreparedWidth <= maxTexture && m_nPreparedHeight <= maxTexture)
    {
        if (m_texture.Empty() &&
            !m_texture.Create(m_nPreparedWidth, m_nPreparedHeight, format, type, pixels, ETexelUse::Stretched))
            return false;
        DrawTexturedQuad(m_texture.Name(), 0.0, 0.0, width, height);
        return true;
    }
    // Too large for one texture: along a side stretched to the target only the tile's part is
    // taken, drawn one texel to one pixel; along the other the whole side, stretched by GL.
    const bool acrossStretched = m_nPreparedWidth > maxTexture, downStretched = m_nPreparedHeight > maxTexture;
    const int fromX = acrossStretched ? x : 0, fromY = downStretched ? y : 0;
    const int partWidth = acrossStretched ? w : m_nPreparedWidth, partHeight = downStretched ? h : m_nPreparedHeight;
    CGlTexture part;
    {
        const CPixelWindow window(GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS, m_nPreparedWidth,
                                  fromX, fromY);
        const ETexelUse use = acrossStretched && downStretched ? ETexelUse::OneToOne : ETexelUse::Stretched;
        if (!part.Create(partWidth, partHeight, format, type, pixels, use))
            return false;
    }
    DrawTexturedQuad(part.Name(), fromX, fromY, acrossStretched ? w : width, downStretched ? h : height);
    return true;
}

bool ComposeBlend(int width, int height, uint32_t format, uint8_t* pixels, CBlendLayer* background,
                  CBlendLayer* overlay, const SCompositionLimits& lowered)
{
    if (!pixels || width <= 0 || height <= 0 || gx::BytesPerPixel(format) == 0 || !HaveGlContext())
        return false;
    // A context of its own, sharing the caller's textures: the caller's state stays as it was.
    // Everything is drawn into a framebuffer object, so the pbuffer itself can be small.
    OglRenderToTexture context;
    if (!context.Create(16, 16))
        return false;
    const SEffectiveLimits limits = CurrentLimits(lowered);
    if (limits.m_nTile <= 0)
        return false;
    bool composed = false;
    {
        CTileTarget target;
        if (target.Create(std::min(width, limits.m_nTile), std::min(height, limits.m_nTile)))
        {
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glEnable(GL_TEXTURE_2D);
            glEnable(GL_BLEND);
            // Colour source-over; alpha composited as "over" too: a layer adds its coverage to what
            // lies below instead of scaling it, so over an opaque background the result is opaque.
            glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
            glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
            composed = true;
            for (int y = 0; composed && y < height; y += limits.m_nTile)
                for (int x = 0; composed && x < width; x += limits.m_nTile)
                    composed = ComposeTile(width, height, format, pixels, background, overlay, limits.m_nMaxTexture, x,
                                           y, std::min(limits.m_nTile, width - x), std::min(limits.m_nTile, height - y));
            glFinish();
        }
    }
    // A layer's texture made inside this context belongs to the shared group; it stays for the next
    // composition of the same size.
    return composed;
}

std::vector<SLinearTap> LinearTaps(int from, int to)
{
    std::vector<SLinearTap> taps;
    if (from <= 0 || to <= 0)
        return taps;
    taps.reserve(size_t(to));
    const double scale = double(from) / double(to);
    for (int i = 0; i < to; ++i)
    {
        // Pixel centre i + 0.5 of the target falls on texel coordinate u; texel centres sit at
        // whole numbers plus one half.
        const double u = (double(i) + 0.5) * scale - 0.5;
        const double lower = std::floor(u);
        const int first = std::clamp(int(lower), 0, from - 1);
        const int second = std::clamp(int(lower) + 1, 0, from - 1);
        taps.push_back({first, second, float(u - lower)});
    }
    return taps;
}

bool ResampleLinear(const uint8_t* pixels, int width, int height, int bpp, int newWidth, int newHeight,
                    std::vector<uint16_t>& out)
{
    if (!pixels || width <= 0 || height <= 0 || bpp <= 0 || newWidth <= 0 || newHeight <= 0)
        return false;
    try
    {
        // Along the rows first, into rows of the new width, then down the columns; both passes
        // keep 16 bits, so that what GL filters further is the filter's value, not a rounding of it.
        const std::vector<SLinearTap> across = LinearTaps(width, newWidth), down = LinearTaps(height, newHeight);
        std::vector<uint16_t> rows(size_t(newWidth) * size_t(height) * size_t(bpp));
        for (size_t y = 0; y < size_t(height); ++y)
        {
            const uint8_t* source = pixels + y * size_t(width) * size_t(bpp);
            uint16_t* target = rows.data() + y * size_t(newWidth) * size_t(bpp);
            for (const SLinearTap& tap : across)
            {
                const uint8_t* a = source + size_t(tap.m_nFirst) * size_t(bpp);
                const uint8_t* b = source + size_t(tap.m_nSecond) * size_t(bpp);
                for (int c = 0; c < bpp; ++c)
                    *target++ = uint16_t(std::lround((a[c] + (b[c] - a[c]) * double(tap.m_fWeight)) * kLevel16));
            }
        }
        out.assign(size_t(newWidth) * size_t(newHeight) * size_t(bpp), 0);
        const size_t rowValues = size_t(newWidth) * size_t(bpp);
        for (size_t y = 0; y < size_t(newHeight); ++y)
        {
            const uint16_t* a = rows.data() + size_t(down[y].m_nFirst) * rowValues;
            const uint16_t* b = rows.data() + size_t(down[y].m_nSecond) * rowValues;
            uint16_t* target = out.data() + y * rowValues;
            const double weight = down[y].m_fWeight;
            for (size_t i = 0; i < rowValues; ++i)
                target[i] = uint16_t(std::lround(a[i] + (int(b[i]) - int(a[i])) * weight));
        }
        return true;
    }
    catch (const std::bad_alloc&)
    {
        out.clear();
        return false;
    }
}
