// Animated PNG through our PNG writer: acTL (plays 0: for ever), then per frame an fcTL of delay
// 1 / fps exactly; the first frame is the default image (IDAT), the later ones fdAT chunks. The
// pixels are palette indices when the frames hold at most 256 colours (alpha counted), RGB when
// they are opaque, RGBA otherwise, and for opaque frames whose changed blocks hold enough unchanged
// pixels to pay for an alpha channel. After the first frame each one stores only the block in
// which it differs from the one before, never disposed; the block replaces what was there, or,
// when every pixel that changes turns opaque, may be laid over it with the unchanged pixels clear.
// Each frame goes the way (blend and row filters) that deflates smallest; either way the shown
// frame is the source frame exactly.

#include "base/FileIo.h"
#include "engine/AnimationFrames.h"
#include "engine/Outcome.h"
#include "engine/codecs/PngWriter.h"
#include "engine/gx.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <exception>
#include <span>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace
{
using gx::SFrameRect;

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kBlendSource = 0, kBlendOver = 1, kDisposeNone = 0;
// The deflate level of animation frames: the strongest, since a frame's block is small and the
// whole animation is written once.
constexpr int kApngCompressionLevel = gx::kStrongestLevel;

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
    void Choose(int count, const uint8_t* const* frames, uint32_t width, uint32_t height);
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

// Whether laying opaque frames over the last ones with their unchanged pixels clear would spare
// enough pixels to pay for an alpha channel: a sixteenth of those stored. (An alpha that is always
// opaque deflates to a percent or two of the colours.)
bool OverPays(int count, const uint8_t* const* frames, uint32_t width, uint32_t height)
{
    uint64_t stored = uint64_t(width) * height, unchanged = 0;
    for (int k = 1; k < count; ++k)
    {
        const SFrameRect rect = gx::DifferenceBounds(frames[k - 1], frames[k], width, height, 4);
        stored += uint64_t(rect.m_nWidth) * rect.m_nHeight;
        for (uint32_t y = rect.m_nTop; y < rect.m_nTop + rect.m_nHeight; ++y)
            for (uint32_t x = rect.m_nLeft; x < rect.m_nLeft + rect.m_nWidth; ++x)
            {
                const size_t at = (size_t(y) * width + x) * 4;
                unchanged += std::memcmp(frames[k - 1] + at, frames[k] + at, 4) == 0;
            }
    }
    return unchanged * 16 >= stored;
}

void CApngPixels::Choose(int count, const uint8_t* const* frames, uint32_t width, uint32_t height)
{
    const size_t pixels = size_t(width) * height;
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
        m_nFormat = opaque && !OverPays(count, frames, width, height) ? GL_RGB : GL_RGBA;
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

// One way of storing a frame's block: its rows, and the blend operation that shows them.
struct SApngCandidate
{
    const uint8_t* m_pPixels = nullptr;
    size_t m_nStride = 0;
    uint8_t m_nBlend = kBlendSource;
};

// Writes the chunks of single frames, in any order (each depends on the source frames alone, so
// that several encoders can share the work). Each frame is stored the way (blend operation and row
// filters) whose trial deflates smallest.
class CApngFrames
{
public:
    CApngFrames(const CApngPixels& storage, uint32_t width, uint32_t height, int fps)
        : m_storage(storage), m_nWidth(width), m_nHeight(height), m_nFps(fps), m_writer(kApngCompressionLevel)
    {
    }
    // Appends the fcTL and data chunk of frame k (frames[k - 1] being the one before it) to out.
    bool Append(std::vector<uint8_t>& out, const uint8_t* const* frames, int k);

private:
    // The block of the current frame that differs from the previous one, and its candidates: the
    // block as it is, and laid over the last frame with its unchanged pixels clear, when every
    // pixel that changes becomes opaque and the storage has a clear pixel.
    SFrameRect ChangedBlock(std::vector<SApngCandidate>& candidates);
    bool AppendSmallest(std::vector<uint8_t>& file, const SFrameRect& rect, std::span<const SApngCandidate> candidates);

    const CApngPixels& m_storage;
    const uint32_t m_nWidth, m_nHeight;
    const int m_nFps;
    gx::CPngImageWriter m_writer;
    uint32_t m_nSequence = 0; // of the frame's fcTL
    int m_nConverted = -1;    // the frame in m_current
    std::vector<uint8_t> m_previous, m_current, m_over;
    std::vector<uint8_t> m_chunks[2]; // the data chunks of the two ways deflated in earnest
};

bool CApngFrames::Append(std::vector<uint8_t>& out, const uint8_t* const* frames, int k)
{
    const size_t pixels = size_t(m_nWidth) * m_nHeight;
    if (k > 0 && m_nConverted == k - 1)
        m_previous.swap(m_current);
    else if (k > 0)
        m_storage.Convert(frames[k - 1], pixels, m_previous);
    m_storage.Convert(frames[k], pixels, m_current);
    m_nConverted = k;
    m_nSequence = k == 0 ? 0 : uint32_t(2 * uint64_t(k) - 1); // fcTL and fdAT after the first one's fcTL
    std::vector<SApngCandidate> candidates;
    SFrameRect rect{0, 0, m_nWidth, m_nHeight};
    if (k == 0)
        candidates.push_back({m_current.data(), size_t(m_nWidth) * m_storage.BytesPerPixel(), kBlendSource});
    else
        rect = ChangedBlock(candidates);
    return AppendSmallest(out, rect, candidates);
}

SFrameRect CApngFrames::ChangedBlock(std::vector<SApngCandidate>& candidates)
{
    const uint32_t bpp = m_storage.BytesPerPixel();
    const size_t stride = size_t(m_nWidth) * bpp;
    SFrameRect rect = gx::DifferenceBounds(m_previous.data(), m_current.data(), m_nWidth, m_nHeight, bpp);
    if (rect.Empty())
        rect = {0, 0, 1, 1}; // equal to the last frame: one pixel, for its time
    const size_t first = size_t(rect.m_nTop) * stride + size_t(rect.m_nLeft) * bpp;
    candidates.push_back({m_current.data() + first, stride, kBlendSource});
    std::array<uint8_t, 4> clear{};
    if (!m_storage.Transparent(clear))
        return rect;
    const size_t rowBytes = size_t(rect.m_nWidth) * bpp;
    m_over.resize(rowBytes * rect.m_nHeight);
    for (uint32_t y = 0; y < rect.m_nHeight; ++y)
    {
        const uint8_t* before = m_previous.data() + first + y * stride;
        const uint8_t* after = m_current.data() + first + y * stride;
        uint8_t* to = m_over.data() + y * rowBytes;
        for (size_t x = 0; x < rowBytes; x += bpp)
            if (std::memcmp(before + x, after + x, bpp) == 0)
                std::memcpy(to + x, clear.data(), bpp);
            else if (m_storage.Opaque(after + x))
                std::memcpy(to + x, after + x, bpp);
            else
                return rect; // a changed pixel that lets the last frame show through
    }
    candidates.push_back({m_over.data(), rowBytes, kBlendOver});
    return rect;
}

bool CApngFrames::AppendSmallest(std::vector<uint8_t>& file, const SFrameRect& rect,
                                 std::span<const SApngCandidate> candidates)
{
    using gx::EPngFilters;
    const uint32_t format = m_storage.Format();
    constexpr EPngFilters kFilters[] = {EPngFilters::Adaptive, EPngFilters::AdaptiveBits, EPngFilters::None,
                                        EPngFilters::Sub, EPngFilters::Paeth};
    // (Up and Average, seldom best for every row of a block, are left to the adaptive choices.)
    // The two ways whose trials deflate smallest; trials at a fast level rank close ones wrongly
    // at times, so when the second is within a sixty-fourth of the first both are deflated in
    // earnest and the smaller kept. Not for the first frame: whole, it takes longest to deflate,
    // and on our frame sets its first way has always stayed the smaller.
    struct SWay
    {
        const SApngCandidate* m_pCandidate;
        EPngFilters m_eFilters;
        size_t m_nSize;
    };
    SWay ways[2] = {{&candidates[0], EPngFilters::Adaptive, SIZE_MAX}, {nullptr, EPngFilters::Adaptive, SIZE_MAX}};
    // Palette rows are no samples to predict, so filtering them by sums leaves them as they are: no
    // trial of its own. A lone candidate of a single row needs no trial at all.
    const bool trials = candidates.size() > 1 || rect.m_nHeight > 1;
    for (const SApngCandidate& candidate : candidates)
        for (const EPngFilters filters : kFilters)
        {
            if (!trials || (filters == EPngFilters::Adaptive && format == GL_COLOR_INDEX))
                continue;
            const size_t size = m_writer.TrialSize(candidate.m_pPixels, rect.m_nWidth, rect.m_nHeight,
                                                   candidate.m_nStride, format, filters);
            if (size != 0 && size < ways[1].m_nSize)
                ways[1] = {&candidate, filters, size};
            if (ways[1].m_nSize < ways[0].m_nSize)
                std::swap(ways[0], ways[1]);
        }
    // The first frame is the default image; the later ones carry their sequence numbers.
    const bool first = m_nSequence == 0;
    uint8_t number[4];
    gx::PutBigEndian32(number, m_nSequence + 1);
    const SWay* kept = nullptr;
    for (std::vector<uint8_t>& chunk : m_chunks)
        chunk.clear();
    if (first || ways[1].m_nSize - ways[0].m_nSize > ways[1].m_nSize / 64)
        ways[1].m_pCandidate = nullptr;
    for (int n = 0; n < 2 && ways[n].m_pCandidate; ++n)
    {
        const SApngCandidate& way = *ways[n].m_pCandidate;
        if (!m_writer.AppendImageData(m_chunks[n], first ? "IDAT" : "fdAT",
                                      std::span<const uint8_t>(number, first ? 0 : 4), way.m_pPixels, rect.m_nWidth,
                                      rect.m_nHeight, way.m_nStride, format, ways[n].m_eFilters))
            return false;
        if (!kept || m_chunks[n].size() < m_chunks[0].size())
            kept = &ways[n];
    }
    AppendFrameControl(file, m_nSequence, rect, m_nFps, kept->m_pCandidate->m_nBlend);
    const std::vector<uint8_t>& data = m_chunks[kept - ways];
    file.insert(file.end(), data.begin(), data.end());
    return true;
}

// Fills chunks[k] with the chunks of frame k. Deflating at the strongest level is most of the
// writer's time, so the frames are shared out to one encoder per processor (two at most: the gain
// flattens while the memory grows), each taking the next frame not yet taken; the bytes are the
// same however many run. False when an encoder fails or runs out of memory.
bool EncodeFrames(const CApngPixels& storage, uint32_t width, uint32_t height, int count,
                  const uint8_t* const* frames, int fps, std::vector<std::vector<uint8_t>>& chunks)
{
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        try
        {
            CApngFrames encoder(storage, width, height, fps);
            for (int k = next++; k < count && !failed; k = next++)
                if (!encoder.Append(chunks[size_t(k)], frames, k))
                    failed = true;
        }
        catch (const std::exception&) // memory, above all
        {
            failed = true;
        }
    };
    const unsigned processors = std::thread::hardware_concurrency();
    std::vector<std::thread> helpers;
    try
    {
        if (processors > 1 && count > 1)
            helpers.emplace_back(work);
    }
    catch (const std::exception&) // no thread to be had: this one does it all
    {
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return !failed;
}

// The outcome of writing, recorded for gxGetLastErrorText; true for success.
bool WriteApng(const char* path, uint32_t width, uint32_t height, int count, const uint8_t* const* frames, int fps)
{
    CApngPixels storage;
    storage.Choose(count, frames, width, height);
    const uint32_t format = storage.Format();
    auto failed = [] { return gx::RecordOutcome(gx::ECodecError::EncodeFailed, gx::EFileType::Png); };

    std::vector<uint8_t> file(kPngSignature, kPngSignature + sizeof kPngSignature);
    gx::CPngImageWriter header;
    if (!header.AppendHeader(file, width, height, format))
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
    std::vector<std::vector<uint8_t>> chunks(static_cast<size_t>(count));
    if (!EncodeFrames(storage, width, height, count, frames, fps, chunks))
        return failed();
    for (const std::vector<uint8_t>& frame : chunks)
        file.insert(file.end(), frame.begin(), frame.end());
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
