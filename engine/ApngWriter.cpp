// Animated PNG through our PNG writer: acTL (plays 0: for ever), then per frame an fcTL of delay
// 1 / fps exactly; the first frame is the default image (IDAT), the later ones fdAT chunks. The
// pixels are palette indices when the frames hold at most 256 colours (alpha counted), RGB when
// they are opaque, RGBA otherwise. After the first frame each one stores only the block in which
// it differs from the one before, never disposed; the block replaces what was there, or, when
// every pixel that changes turns opaque, is laid over it with the unchanged pixels transparent
// (which compresses better). Either way the shown frame is the source frame exactly.

#include "base/FileIo.h"
#include "engine/AnimationFrames.h"
#include "engine/Outcome.h"
#include "engine/codecs/PngWriter.h"
#include "engine/gx.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <unordered_map>
#include <vector>

namespace
{
using gx::SFrameRect;

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kBlendSource = 0, kBlendOver = 1, kDisposeNone = 0;
// The deflate level of animation frames: the strongest, since a frame's block is small and the
// whole animation is written once.
constexpr int kApngCompressionLevel = 12;

// A pixel as one number; every fully transparent pixel is the same one, whatever colour it hides,
// so that hidden colours neither take palette entries nor widen a frame's changed block.
inline uint32_t Rgba(const uint8_t* p)
{
    if (p[3] == 0)
        return 0;
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// How the frames' pixels are stored, and each frame in that storage.
class CApngPixels
{
public:
    void Choose(int count, const uint8_t* const* frames, size_t pixels);
    // The frame in the storage, into out (pixels x BytesPerPixel()).
    void Convert(const uint8_t* rgba, size_t pixels, std::vector<uint8_t>& out) const;

    uint32_t Format() const { return m_nFormat; }
    uint32_t BytesPerPixel() const { return m_nFormat == GL_COLOR_INDEX ? 1 : m_nFormat == GL_RGB ? 3 : 4; }
    // Whether a stored pixel is fully opaque, and the stored value of a fully transparent pixel
    // (false when the storage has none: opaque RGB, or a full palette without one).
    bool Opaque(const uint8_t* stored) const;
    bool Transparent(std::array<uint8_t, 4>& value) const;
    // PLTE and tRNS of a palette (tRNS empty when every entry is opaque).
    void PaletteChunks(std::vector<uint8_t>& plte, std::vector<uint8_t>& trns) const;

private:
    uint32_t m_nFormat = GL_RGBA;
    std::vector<uint32_t> m_palette; // RGBA, entries with alpha first so that tRNS stays short
    std::unordered_map<uint32_t, uint8_t> m_index;
};

void CApngPixels::Choose(int count, const uint8_t* const* frames, size_t pixels)
{
    bool opaque = true, fits = true;
    std::vector<uint32_t> colours;
    uint32_t last = 0;
    bool haveLast = false;
    for (int k = 0; k < count && (fits || opaque); ++k)
        for (size_t i = 0; i < pixels; ++i)
        {
            const uint8_t* p = frames[k] + i * 4;
            opaque = opaque && p[3] == 255;
            if (!fits || (haveLast && Rgba(p) == last))
                continue;
            last = Rgba(p), haveLast = true;
            if (m_index.emplace(last, 0).second)
            {
                colours.push_back(last);
                fits = colours.size() <= 256;
            }
            if (!fits && !opaque)
                break;
        }
    if (!fits)
    {
        m_index.clear();
        m_nFormat = opaque ? GL_RGB : GL_RGBA;
        return;
    }
    m_nFormat = GL_COLOR_INDEX;
    // A transparent entry lets frames be laid over the last with their unchanged pixels clear.
    const bool hasClear = std::any_of(colours.begin(), colours.end(), [](uint32_t c) { return (c & 0xFF) == 0; });
    if (!hasClear && colours.size() < 256)
        colours.push_back(0);
    std::stable_partition(colours.begin(), colours.end(), [](uint32_t c) { return (c & 0xFF) != 0xFF; });
    m_palette = colours;
    m_index.clear();
    for (size_t n = 0; n < m_palette.size(); ++n)
        m_index.emplace(m_palette[n], uint8_t(n));
}

void CApngPixels::Convert(const uint8_t* rgba, size_t pixels, std::vector<uint8_t>& out) const
{
    out.resize(pixels * BytesPerPixel());
    if (m_nFormat == GL_RGBA)
    {
        std::memcpy(out.data(), rgba, pixels * 4);
        for (size_t i = 0; i < pixels; ++i)
            if (out[i * 4 + 3] == 0)
                std::memset(&out[i * 4], 0, 4);
    }
    else if (m_nFormat == GL_RGB)
        for (size_t i = 0; i < pixels; ++i)
            std::memcpy(&out[i * 3], rgba + i * 4, 3);
    else
    {
        uint32_t last = Rgba(rgba);
        uint8_t index = m_index.at(last);
        for (size_t i = 0; i < pixels; ++i)
        {
            if (Rgba(rgba + i * 4) != last)
                last = Rgba(rgba + i * 4), index = m_index.at(last);
            out[i] = index;
        }
    }
}

bool CApngPixels::Opaque(const uint8_t* stored) const
{
    switch (m_nFormat)
    {
    case GL_RGB: return true;
    case GL_RGBA: return stored[3] == 255;
    default: return (m_palette[*stored] & 0xFF) == 0xFF;
    }
}

bool CApngPixels::Transparent(std::array<uint8_t, 4>& value) const
{
    value = {0, 0, 0, 0};
    if (m_nFormat == GL_RGBA)
        return true;
    if (m_nFormat == GL_RGB)
        return false;
    const auto clear = std::find_if(m_palette.begin(), m_palette.end(), [](uint32_t c) { return (c & 0xFF) == 0; });
    value[0] = uint8_t(clear - m_palette.begin());
    return clear != m_palette.end();
}

void CApngPixels::PaletteChunks(std::vector<uint8_t>& plte, std::vector<uint8_t>& trns) const
{
    for (const uint32_t c : m_palette)
    {
        plte.insert(plte.end(), {uint8_t(c >> 24), uint8_t(c >> 16), uint8_t(c >> 8)});
        if ((c & 0xFF) != 0xFF)
            trns.push_back(uint8_t(c));
    }
}

// fcTL: sequence number, block, delay 1 / fps, dispose and blend operations.
void AppendFrameControl(std::vector<uint8_t>& out, uint32_t sequence, const SFrameRect& rect, int fps, uint8_t blend)
{
    uint8_t control[26];
    gx::PutBigEndian32(control, sequence);
    gx::PutBigEndian32(control + 4, rect.m_nWidth);
    gx::PutBigEndian32(control + 8, rect.m_nHeight);
    gx::PutBigEndian32(control + 12, rect.m_nLeft);
    gx::PutBigEndian32(control + 16, rect.m_nTop);
    control[20] = 0, control[21] = 1;                               // delay numerator 1
    control[22] = uint8_t(fps >> 8), control[23] = uint8_t(fps);     // denominator fps
    control[24] = kDisposeNone;
    control[25] = blend;
    gx::AppendPngChunk(out, "fcTL", control);
}

// The outcome of writing, recorded for gxGetLastErrorText; true for success.
bool WriteApng(const char* path, uint32_t width, uint32_t height, int count, const uint8_t* const* frames, int fps)
{
    const size_t pixels = size_t(width) * height;
    CApngPixels storage;
    storage.Choose(count, frames, pixels);
    const uint32_t format = storage.Format(), bpp = storage.BytesPerPixel();
    auto failed = [] { return gx::RecordOutcome(gx::ECodecError::EncodeFailed, gx::EFileType::Png); };

    std::vector<uint8_t> file(kPngSignature, kPngSignature + sizeof kPngSignature);
    gx::CPngImageWriter writer(kApngCompressionLevel);
    if (!writer.AppendHeader(file, width, height, format))
        return failed();
    if (format == GL_COLOR_INDEX)
    {
        std::vector<uint8_t> plte, trns;
        storage.PaletteChunks(plte, trns);
        if (!gx::AppendPngChunk(file, "PLTE", plte) || (!trns.empty() && !gx::AppendPngChunk(file, "tRNS", trns)))
            return failed();
    }
    uint8_t animation[8];
    gx::PutBigEndian32(animation, uint32_t(count));
    gx::PutBigEndian32(animation + 4, 0); // plays: for ever
    gx::AppendPngChunk(file, "acTL", animation);

    std::vector<uint8_t> previous, current, block;
    std::array<uint8_t, 4> clear{};
    const bool haveClear = storage.Transparent(clear);
    uint32_t sequence = 0;
    for (int k = 0; k < count; ++k)
    {
        storage.Convert(frames[k], pixels, current);
        if (k == 0)
        {
            const SFrameRect whole{0, 0, width, height};
            AppendFrameControl(file, sequence++, whole, fps, kBlendSource);
            if (!writer.AppendImageData(file, "IDAT", {}, current.data(), width, height, size_t(width) * bpp, format))
                return failed();
        }
        else
        {
            SFrameRect rect = gx::DifferenceBounds(previous.data(), current.data(), width, height, bpp);
            bool over = haveClear;
            if (rect.Empty())
                rect = {0, 0, 1, 1}; // equal to the last frame: one pixel, for its time
            else
                for (uint32_t y = rect.m_nTop; over && y < rect.m_nTop + rect.m_nHeight; ++y)
                    for (uint32_t x = rect.m_nLeft; over && x < rect.m_nLeft + rect.m_nWidth; ++x)
                    {
                        const size_t at = (size_t(y) * width + x) * bpp;
                        over = std::memcmp(&previous[at], &current[at], bpp) == 0 || storage.Opaque(&current[at]);
                    }
            const size_t rowBytes = size_t(rect.m_nWidth) * bpp;
            block.resize(rowBytes * rect.m_nHeight);
            for (uint32_t y = 0; y < rect.m_nHeight; ++y)
            {
                const size_t from = (size_t(rect.m_nTop + y) * width + rect.m_nLeft) * bpp;
                uint8_t* to = block.data() + y * rowBytes;
                std::memcpy(to, &current[from], rowBytes);
                for (uint32_t x = 0; over && x < rect.m_nWidth; ++x)
                    if (std::memcmp(&previous[from + x * bpp], &current[from + x * bpp], bpp) == 0)
                        std::memcpy(to + x * bpp, clear.data(), bpp);
            }
            AppendFrameControl(file, sequence++, rect, fps, over ? kBlendOver : kBlendSource);
            uint8_t number[4];
            gx::PutBigEndian32(number, sequence++);
            if (!writer.AppendImageData(file, "fdAT", number, block.data(), rect.m_nWidth, rect.m_nHeight, rowBytes,
                                        format))
                return failed();
        }
        previous.swap(current);
    }
    gx::AppendPngChunk(file, "IEND", {});
    std::string reason;
    if (!ReplaceFile(path, file, &reason))
        return gx::RecordFileFailure(gx::ECodecError::WriteFailed, reason);
    return gx::RecordOutcome(gx::ECodecError::None);
}
} // namespace

bool gxMakeApngAnimFile(const char* path, int width, int height, int count, const uint8_t* const* frames, int fps)
{
    // The delay's denominator is 16 bits.
    if (!gx::AnimationArgumentsValid(path, width, height, count, frames, fps) || fps > 65535)
        return gx::RecordOutcome(gx::ECodecError::NothingToWrite);
    try
    {
        return WriteApng(path, uint32_t(width), uint32_t(height), count, frames, fps);
    }
    catch (const std::exception&) // memory, above all: the call promises a result
    {
        return gx::RecordOutcome(gx::ECodecError::OutOfMemory);
    }
}
