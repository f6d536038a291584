// Animated GIF through giflib. One global palette serves every frame: the frames' own colours
// when they use at most 255 of them (those the frames change to most first), otherwise 255 chosen
// by median cut, reached with Floyd-Steinberg error diffusion in which a pixel equal to the one
// before keeps its index. A pixel whose alpha is below 128 is transparent. After the first (whole)
// frame each frame stores only the block in which the picture shown changes, the smallest way
// (unchanged pixels transparent or as they are, rows in order or interlaced, with an LZW code size
// as small as its indices allow); a frame before one that turns visible pixels transparent is
// disposed to the background over a block holding them. Delays are in hundredths
// whose running sum follows the exact times; the animation loops for ever (NETSCAPE2.0).

#include "base/FileIo.h"
#include "engine/AnimationFrames.h"
#include "engine/Outcome.h"
#include "engine/gx.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <gif_lib.h>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

namespace
{
using gx::SFrameRect;

constexpr uint32_t kMaxColours = 255; // and one transparent index
constexpr uint8_t kOpaqueFrom = 128;

inline uint32_t Rgb(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

// The palette of the frames and the indexing of a frame's pixels with it.
class CGifPalette
{
public:
    // Gathers the frames' colours; chooses a palette of its own when they are more than 255.
    void Choose(int count, const uint8_t* const* frames, size_t pixels);
    // RGBA pixels to indices, Transparent() for alpha below 128; `width` for the diffusion. Given
    // the frame before and its indices, a diffused pixel equal to the one before keeps its index,
    // so that what does not move does not flicker and stays out of the changed block.
    void Index(const uint8_t* rgba, uint32_t width, uint32_t height, uint8_t* out, const uint8_t* before = nullptr,
               const uint8_t* beforeIndices = nullptr);

    uint8_t Transparent() const { return uint8_t(m_colours.size()); }
    const std::vector<uint32_t>& Colours() const { return m_colours; }

private:
    bool Gather(int count, const uint8_t* const* frames, size_t pixels);
    void OrderByChange(int count, const uint8_t* const* frames, size_t pixels);
    void MedianCut(int count, const uint8_t* const* frames, size_t pixels);
    uint8_t Nearest(int r, int g, int b);

    std::vector<uint32_t> m_colours;            // 0xRRGGBB, at most 255
    std::unordered_map<uint32_t, uint8_t> m_index; // exact colours to their index
    bool m_bExact = true;
    std::vector<int16_t> m_nearest;              // by 5-bit bin, -1 until looked up
    std::vector<int32_t> m_error;                // two rows of diffused error, three channels
};

bool CGifPalette::Gather(int count, const uint8_t* const* frames, size_t pixels)
{
    uint32_t last = 0xFFFFFFFF;
    for (int k = 0; k < count; ++k)
        for (size_t i = 0; i < pixels; ++i)
        {
            const uint8_t* p = frames[k] + i * 4;
            if (p[3] < kOpaqueFrom || Rgb(p) == last)
                continue;
            last = Rgb(p);
            if (m_index.emplace(last, uint8_t(m_colours.size())).second)
            {
                if (m_colours.size() == kMaxColours)
                    return false;
                m_colours.push_back(last);
            }
        }
    return true;
}

void CGifPalette::Choose(int count, const uint8_t* const* frames, size_t pixels)
{
    m_bExact = Gather(count, frames, pixels);
    if (m_bExact)
        return OrderByChange(count, frames, pixels);
    m_index.clear();
    m_colours.clear();
    MedianCut(count, frames, pixels);
    m_nearest.assign(size_t(1) << 15, -1);
}

// Puts first the colours the later frames change to most: their blocks then use the lowest
// indices, which often fit a smaller LZW code size than the whole palette needs.
void CGifPalette::OrderByChange(int count, const uint8_t* const* frames, size_t pixels)
{
    std::vector<uint64_t> changes(m_colours.size(), 0);
    uint32_t last = 0xFFFFFFFF;
    uint8_t lastIndex = 0;
    for (int k = 1; k < count; ++k)
        for (size_t i = 0; i < pixels; ++i)
        {
            const uint8_t* p = frames[k] + i * 4;
            if (p[3] < kOpaqueFrom || std::memcmp(p, frames[k - 1] + i * 4, 4) == 0)
                continue;
            if (Rgb(p) != last)
                last = Rgb(p), lastIndex = m_index.at(last);
            ++changes[lastIndex];
        }
    std::vector<uint32_t> order(m_colours);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return changes[m_index.at(a)] > changes[m_index.at(b)];
    });
    m_colours = order;
    for (size_t n = 0; n < m_colours.size(); ++n)
        m_index[m_colours[n]] = uint8_t(n);
}

// A histogram of 5 bits a channel over the opaque pixels of the frames, and the boxes of bins
// median cut splits.
class CColourHistogram
{
public:
    struct SBin
    {
        uint64_t m_nCount = 0, m_r = 0, m_g = 0, m_b = 0;
    };
    struct SBox
    {
        std::array<int, 3> m_lo{0, 0, 0}, m_hi{31, 31, 31};
        uint64_t m_nCount = 0;
    };

    CColourHistogram(int count, const uint8_t* const* frames, size_t pixels) : m_bins(size_t(1) << 15)
    {
        for (int k = 0; k < count; ++k)
            for (size_t i = 0; i < pixels; ++i)
            {
                const uint8_t* p = frames[k] + i * 4;
                if (p[3] < kOpaqueFrom)
                    continue;
                SBin& bin = m_bins[size_t(p[0] >> 3) << 10 | size_t(p[1] >> 3) << 5 | size_t(p[2] >> 3)];
                ++bin.m_nCount;
                bin.m_r += p[0];
                bin.m_g += p[1];
                bin.m_b += p[2];
            }
    }

    // Calls visit(bin coordinates, bin) for every bin of the box holding pixels.
    template <typename Visit>
    void ForEach(const SBox& box, Visit visit) const
    {
        for (int r = box.m_lo[0]; r <= box.m_hi[0]; ++r)
            for (int g = box.m_lo[1]; g <= box.m_hi[1]; ++g)
                for (int b = box.m_lo[2]; b <= box.m_hi[2]; ++b)
                {
                    const SBin& bin = m_bins[size_t(r) << 10 | size_t(g) << 5 | size_t(b)];
                    if (bin.m_nCount)
                        visit(std::array<int, 3>{r, g, b}, bin);
                }
    }

    // Shrinks a box to the bins it holds; false when it holds none.
    bool Shrink(SBox& box) const
    {
        std::array<int, 3> lo{31, 31, 31}, hi{0, 0, 0};
        box.m_nCount = 0;
        ForEach(box, [&](const std::array<int, 3>& c, const SBin& bin) {
            for (int a = 0; a < 3; ++a)
                lo[a] = std::min(lo[a], c[a]), hi[a] = std::max(hi[a], c[a]);
            box.m_nCount += bin.m_nCount;
        });
        box.m_lo = lo;
        box.m_hi = hi;
        return box.m_nCount > 0;
    }

    // Splits the box at the median of its longest side; the upper part is returned, empty
    // (m_nCount 0) when it holds no pixels.
    SBox Split(SBox& box) const
    {
        int axis = 0;
        for (int a = 1; a < 3; ++a)
            if (box.m_hi[a] - box.m_lo[a] > box.m_hi[axis] - box.m_lo[axis])
                axis = a;
        std::vector<uint64_t> counts(32, 0);
        ForEach(box, [&](const std::array<int, 3>& c, const SBin& bin) { counts[size_t(c[axis])] += bin.m_nCount; });
        uint64_t below = 0;
        int cut = box.m_lo[axis];
        while (cut < box.m_hi[axis] - 1 && (below + counts[size_t(cut)]) * 2 < box.m_nCount)
            below += counts[size_t(cut++)];
        SBox upper = box;
        box.m_hi[axis] = cut;
        upper.m_lo[axis] = cut + 1;
        Shrink(box);
        Shrink(upper);
        return upper;
    }

    // The mean colour of the box's pixels, 0xRRGGBB.
    uint32_t Mean(const SBox& box) const
    {
        uint64_t r = 0, g = 0, b = 0;
        ForEach(box, [&](const std::array<int, 3>&, const SBin& bin) { r += bin.m_r, g += bin.m_g, b += bin.m_b; });
        const uint64_t n = box.m_nCount;
        return uint32_t((r + n / 2) / n) << 16 | uint32_t((g + n / 2) / n) << 8 | uint32_t((b + n / 2) / n);
    }

private:
    std::vector<SBin> m_bins;
};

// The box to split next: the one with the most pixels times its longest side; boxes.size() when
// none can be split.
size_t BoxToSplit(const std::vector<CColourHistogram::SBox>& boxes)
{
    size_t pick = boxes.size();
    uint64_t best = 0;
    for (size_t n = 0; n < boxes.size(); ++n)
    {
        const CColourHistogram::SBox& box = boxes[n];
        const int side = std::max({box.m_hi[0] - box.m_lo[0], box.m_hi[1] - box.m_lo[1], box.m_hi[2] - box.m_lo[2]});
        if (side > 0 && box.m_nCount * uint64_t(side) > best)
            best = box.m_nCount * uint64_t(side), pick = n;
    }
    return pick;
}

// Boxes of a histogram of 5 bits a channel, each split at the median of its longest side until
// there are 255 of them or none can be split; a box's colour is the mean of its pixels.
void CGifPalette::MedianCut(int count, const uint8_t* const* frames, size_t pixels)
{
    const CColourHistogram histogram(count, frames, pixels);
    std::vector<CColourHistogram::SBox> boxes(1);
    if (!histogram.Shrink(boxes[0]))
        boxes.clear();
    while (!boxes.empty() && boxes.size() < kMaxColours)
    {
        const size_t pick = BoxToSplit(boxes);
        if (pick == boxes.size())
            break;
        const CColourHistogram::SBox upper = histogram.Split(boxes[pick]);
        if (upper.m_nCount > 0)
            boxes.push_back(upper);
    }
    for (const CColourHistogram::SBox& box : boxes)
        m_colours.push_back(histogram.Mean(box));
}

uint8_t CGifPalette::Nearest(int r, int g, int b)
{
    int16_t& cached = m_nearest[size_t(r >> 3) << 10 | size_t(g >> 3) << 5 | size_t(b >> 3)];
    if (cached < 0)
    {
        const int cr = (r & ~7) | 4, cg = (g & ~7) | 4, cb = (b & ~7) | 4;
        int best = 0, bestDistance = 1 << 30;
        for (size_t n = 0; n < m_colours.size(); ++n)
        {
            const int dr = int(m_colours[n] >> 16) - cr, dg = int(m_colours[n] >> 8 & 0xFF) - cg,
                      db = int(m_colours[n] & 0xFF) - cb;
            const int distance = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
            if (distance < bestDistance)
                bestDistance = distance, best = int(n);
        }
        cached = int16_t(best);
    }
    return uint8_t(cached);
}

void CGifPalette::Index(const uint8_t* rgba, uint32_t width, uint32_t height, uint8_t* out, const uint8_t* before,
                        const uint8_t* beforeIndices)
{
    const size_t pixels = size_t(width) * height;
    if (m_bExact)
    {
        uint32_t last = 0xFFFFFFFF;
        uint8_t lastIndex = 0;
        for (size_t i = 0; i < pixels; ++i)
        {
            const uint8_t* p = rgba + i * 4;
            if (p[3] < kOpaqueFrom)
            {
                out[i] = Transparent();
                continue;
            }
            if (Rgb(p) != last)
                last = Rgb(p), lastIndex = m_index.at(last);
            out[i] = lastIndex;
        }
        return;
    }
    // Floyd-Steinberg, in sixteenths, over two rows of error with a pixel of margin each side.
    const size_t stride = (size_t(width) + 2) * 3;
    m_error.assign(2 * stride, 0);
    for (uint32_t y = 0; y < height; ++y)
    {
        int32_t* here = m_error.data() + (y & 1) * stride + 3;
        int32_t* below = m_error.data() + ((y + 1) & 1) * stride + 3;
        std::fill(below - 3, below - 3 + stride, 0);
        for (uint32_t x = 0; x < width; ++x)
        {
            const size_t i = size_t(y) * width + x;
            const uint8_t* p = rgba + i * 4;
            if (p[3] < kOpaqueFrom)
            {
                out[i] = Transparent();
                continue;
            }
            int want[3];
            for (int c = 0; c < 3; ++c)
                want[c] = std::clamp(int(p[c]) + (here[x * 3 + c] + 8) / 16, 0, 255);
            const uint8_t index = before && std::memcmp(p, before + i * 4, 4) == 0 ? beforeIndices[i]
                                                                                   : Nearest(want[0], want[1], want[2]);
            out[i] = index;
            const uint32_t got = m_colours[index];
            const int have[3] = {int(got >> 16), int(got >> 8 & 0xFF), int(got & 0xFF)};
            for (int c = 0; c < 3; ++c)
            {
                const int e = want[c] - have[c];
                here[(x + 1) * 3 + c] += e * 7;
                below[(int(x) - 1) * 3 + c] += e * 3;
                below[x * 3 + c] += e * 5;
                below[(x + 1) * 3 + c] += e;
            }
        }
    }
}

struct SGifCloser
{
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

int AppendToVector(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct SMapFreer
{
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// A frame's block and how it ends.
struct SGifBlock
{
    SFrameRect m_rect;
    int m_nDisposal;
    int m_nDelay;
    bool m_bFirst;
};

// How a block is stored: its unchanged pixels transparent or as they are, its rows in order or
// interlaced (which now and then gives LZW longer strings).
struct SGifWay
{
    bool m_bUnchangedClear;
    bool m_bInterlaced;
};

// The block's pixels into `pixels` in the way's row order, with `clear` where nothing is to be
// drawn: where the frame is clear and, when the way says so, where it equals what is shown.
// Returns the transparent index the block takes (the first index it uses for no colour) and sets
// *codeBits to the LZW code size its indices need.
int BlockPixels(const SGifBlock& block, const SGifWay& way, uint32_t width, const uint8_t* shown,
                const uint8_t* frame, uint8_t clear, std::vector<GifPixelType>& pixels, int* codeBits)
{
    const SFrameRect& rect = block.m_rect;
    pixels.resize(size_t(rect.m_nWidth) * rect.m_nHeight);
    std::array<bool, 256> used{};
    GifPixelType* out = pixels.data();
    static constexpr uint32_t kPasses[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}}; // first row, step
    for (int pass = 0; pass < (way.m_bInterlaced ? 4 : 1); ++pass)
        for (uint32_t r = way.m_bInterlaced ? kPasses[pass][0] : 0; r < rect.m_nHeight;
             r += way.m_bInterlaced ? kPasses[pass][1] : 1)
        {
            const size_t row = size_t(rect.m_nTop + r) * width + rect.m_nLeft;
            for (uint32_t x = 0; x < rect.m_nWidth; ++x, ++out)
            {
                *out = way.m_bUnchangedClear && frame[row + x] == shown[row + x] ? clear : frame[row + x];
                used[*out] = true;
            }
        }
    // Readers fill a block disposed to the background with its transparent index, and the first
    // frame's clear pixels with the screen's background: there the index stays the screen's.
    const bool screenIndex = block.m_bFirst || block.m_nDisposal == DISPOSE_BACKGROUND;
    const bool anyClear = used[clear] || screenIndex;
    used[clear] = false;
    int transparent = clear;
    if (!screenIndex)
        for (transparent = 0; used[size_t(transparent)];)
            ++transparent;
    int top = anyClear ? transparent : 0;
    for (int n = 255; n > top; --n)
        if (used[size_t(n)])
        {
            top = n;
            break;
        }
    *codeBits = 2; // the least GIF allows
    while ((1 << *codeBits) <= top)
        ++*codeBits;
    return anyClear ? transparent : NO_TRANSPARENT_COLOR;
}

// The block as a graphic control extension and an image. Its transparent index and LZW code size
// are the block's own; giflib takes the code size from the colour map in force, the global one,
// whose size is lowered for the block alone (its table is written already).
bool PutFrame(GifFileType* gif, const SGifBlock& block, uint32_t width, const uint8_t* shown, const uint8_t* frame,
              uint8_t clear, const SGifWay& way, std::vector<GifPixelType>& pixels)
{
    int codeBits = 0;
    const int transparent = BlockPixels(block, way, width, shown, frame, clear, pixels, &codeBits);
    if (transparent != NO_TRANSPARENT_COLOR && transparent != clear)
        std::replace(pixels.begin(), pixels.end(), GifPixelType(clear), GifPixelType(transparent));
    GraphicsControlBlock control{};
    control.DisposalMode = block.m_nDisposal;
    control.UserInputFlag = false;
    control.DelayTime = block.m_nDelay;
    control.TransparentColor = transparent;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) != GIF_OK)
        return false;
    const SFrameRect& rect = block.m_rect;
    const int tableBits = gif->SColorMap->BitsPerPixel;
    gif->SColorMap->BitsPerPixel = std::min(codeBits, tableBits);
    const int described = EGifPutImageDesc(gif, int(rect.m_nLeft), int(rect.m_nTop), int(rect.m_nWidth),
                                           int(rect.m_nHeight), way.m_bInterlaced, nullptr);
    gif->SColorMap->BitsPerPixel = tableBits;
    return described == GIF_OK && EGifPutLine(gif, pixels.data(), int(pixels.size())) == GIF_OK;
}

// The block stored the smallest way: each is written to the end of `file` and taken back unless
// it is the smallest yet. Unchanged pixels transparent give long runs where little changes;
// stored as they are, they keep the runs of a moved sprite's colours.
bool PutSmallestFrame(GifFileType* gif, std::vector<uint8_t>& file, const SGifBlock& block, uint32_t width,
                      const uint8_t* shown, const uint8_t* frame, uint8_t clear, std::vector<GifPixelType>& pixels)
{
    const size_t start = file.size();
    std::vector<uint8_t> smallest;
    // Nothing is shown before the first frame: its unchanged pixels are its clear ones already.
    const SGifWay ways[] = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (const SGifWay& way : std::span(ways, block.m_bFirst ? 2 : 4))
    {
        if (!PutFrame(gif, block, width, shown, frame, clear, way, pixels))
            return false;
        if (smallest.empty() || file.size() - start < smallest.size())
            smallest.assign(file.begin() + long(start), file.end());
        file.resize(start);
    }
    file.insert(file.end(), smallest.begin(), smallest.end());
    return true;
}

// The outcome of writing, recorded for gxGetLastErrorText; true for success.
bool WriteGif(const char* path, uint32_t width, uint32_t height, int count, const uint8_t* const* frames, int fps)
{
    const size_t pixels = size_t(width) * height;
    CGifPalette palette;
    palette.Choose(count, frames, pixels);
    const uint8_t transparent = palette.Transparent();

    int tableSize = 2;
    while (tableSize < int(palette.Colours().size()) + 1)
        tableSize *= 2;
    std::vector<GifColorType> colours(size_t(tableSize), GifColorType{0, 0, 0});
    for (size_t n = 0; n < palette.Colours().size(); ++n)
    {
        const uint32_t c = palette.Colours()[n];
        colours[n] = GifColorType{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
    }
    const std::unique_ptr<ColorMapObject, SMapFreer> map(GifMakeMapObject(tableSize, colours.data()));
    if (!map)
        return gx::RecordOutcome(gx::ECodecError::EncodeFailed, gx::EFileType::Gif);

    std::vector<uint8_t> file;
    int error = 0;
    std::unique_ptr<GifFileType, SGifCloser> gif(EGifOpen(&file, AppendToVector, &error));
    if (!gif)
        return gx::RecordOutcome(gx::ECodecError::EncodeFailed, gx::EFileType::Gif);
    EGifSetGifVersion(gif.get(), true);
    if (EGifPutScreenDesc(gif.get(), int(width), int(height), 8, transparent, map.get()) != GIF_OK)
        return gx::RecordOutcome(gx::ECodecError::EncodeFailed, gx::EFileType::Gif);
    const GifByteType loop[3] = {1, 0, 0}; // sub-block 1: play count, 0 for ever
    if (EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(gif.get(), 11, "NETSCAPE2.0") != GIF_OK ||
        EGifPutExtensionBlock(gif.get(), 3, loop) != GIF_OK || EGifPutExtensionTrailer(gif.get()) != GIF_OK)
        return gx::RecordOutcome(gx::ECodecError::EncodeFailed, gx::EFileType::Gif);

    // What is shown before the frame (after the previous one's disposal), the frame and the next.
    std::vector<uint8_t> shown(pixels, transparent), frame(pixels), next(pixels);
    std::vector<GifPixelType> block;
    palette.Index(frames[0], width, height, frame.data());
    for (int k = 0; k < count; ++k)
    {
        const bool last = k + 1 == count;
        if (!last)
            palette.Index(frames[k + 1], width, height, next.data(), frames[k], frame.data());
        SFrameRect rect = k == 0 ? SFrameRect{0, 0, width, height}
                                 : gx::DifferenceBounds(shown.data(), frame.data(), width, height, 1);
        // Pixels the next frame turns transparent can only be cleared by this frame's disposal.
        const SFrameRect erased = last ? SFrameRect{}
                                       : gx::BoundsWhere(
                                             width, height, [](uint32_t) { return true; },
                                             [&](size_t i) { return frame[i] != transparent && next[i] == transparent; });
        rect = gx::UnionOf(rect, erased);
        if (rect.Empty())
            rect = {0, 0, 1, 1}; // a frame equal to the last one still takes its time
        const int disposal = erased.Empty() ? DISPOSE_DO_NOT : DISPOSE_BACKGROUND;
        const int delay = int(gx::FrameDuration(uint64_t(k), uint32_t(fps), 100));
        const SGifBlock put{rect, disposal, delay, k == 0};
        if (!PutSmallestFrame(gif.get(), file, put, width, shown.data(), frame.data(), transparent, block))
            return gx::RecordOutcome(gx::ECodecError::EncodeFailed, gx::EFileType::Gif);
        shown.swap(frame);
        if (disposal == DISPOSE_BACKGROUND)
            for (uint32_t y = rect.m_nTop; y < rect.m_nTop + rect.m_nHeight; ++y)
                std::fill_n(shown.begin() + long(size_t(y) * width + rect.m_nLeft), rect.m_nWidth, transparent);
        frame.swap(next);
    }
    GifFileType* closing = gif.release();
    if (EGifCloseFile(closing, &error) != GIF_OK)
        return gx::RecordOutcome(gx::ECodecError::EncodeFailed, gx::EFileType::Gif);
    return gx::WriteOutputFile(path, file);
}
} // namespace

bool gxMakeGifAnimFile(const char* path, int width, int height, int count, const uint8_t* const* frames, int fps)
{
    if (!gx::AnimationArgumentsValid(path, width, height, count, frames, fps))
        return gx::RecordOutcome(gx::ECodecError::NothingToWrite);
    try
    {
        return WriteGif(path, uint32_t(width), uint32_t(height), count, frames, fps);
    }
    catch (const std::exception&) // memory, above all: the call promises a result
    {
        return gx::RecordOutcome(gx::ECodecError::OutOfMemory);
    }
}
