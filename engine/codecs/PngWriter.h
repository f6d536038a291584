#pragma once
// PNG chunks and 8-bit truecolour image datastreams, shared by the PNG encoder and the MNG and APNG
// writers.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct libdeflate_compressor;

namespace gx
{
// libdeflate level of every PNG we write: the fastest whose files stay within a tenth of
// ImageMagick's default output on photographs, noisy or clean (bench/CodecBench.cpp lists them
// all; level 1 passes the tenth on cleaner pictures).
inline constexpr int kPngCompressionLevel = 2;
// libdeflate's strongest level; a writer at it also tries zlib's best on rows of long runs.
inline constexpr int kStrongestLevel = 12;

inline void PutBigEndian32(uint8_t* p, uint32_t value)
{
    p[0] = uint8_t(value >> 24);
    p[1] = uint8_t(value >> 16);
    p[2] = uint8_t(value >> 8);
    p[3] = uint8_t(value);
}

// Appends one chunk: data length, the four-letter type, the data and the CRC of type and data.
// False (and nothing appended) when the data is longer than a chunk may be, or out of memory.
bool AppendPngChunk(std::vector<uint8_t>& out, const char type[4], std::span<const uint8_t> data);

// How an image's rows are filtered: each under the filter whose output has the smallest sum of
// absolute values (palette indices unfiltered), or the fewest bits under a code of byte
// frequencies (palette indices too), or every row under one filter.
enum class EPngFilters : uint8_t
{
    Adaptive,
    AdaptiveBits,
    None,
    Sub,
    Up,
    Average,
    Paeth,
};

// Writes IHDR, one IDAT and IEND (no signature) of an 8-bit RGB or RGBA image. Each row gets the
// filter whose output has the smallest sum of absolute values, the usual predictor of good
// compression. One writer may serve many images; it keeps its compressor and scratch rows.
class CPngImageWriter
{
public:
    explicit CPngImageWriter(int level = kPngCompressionLevel);
    ~CPngImageWriter();
    CPngImageWriter(const CPngImageWriter&) = delete;
    CPngImageWriter& operator=(const CPngImageWriter&) = delete;

    // pixels: width x height, rows top first and tightly packed, in format (GL_RGB, GL_RGBA, GL_BGR
    // or GL_BGRA; the blue-first ones are reordered). False on a bad size or format, or out of memory.
    bool Append(std::vector<uint8_t>& out, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t format);

    // The steps of Append, for writers of other chunk sequences (an animation's frames, say).
    // Besides the formats of Append they take GL_COLOR_INDEX: one palette index a pixel, rows
    // unfiltered, the PLTE (and tRNS) after the header being the caller's.
    // AppendHeader writes the IHDR of a width x height image in format. AppendImageData writes one
    // chunk of `type` whose data is `prefix` (a frame's sequence number, say, or nothing) followed
    // by the zlib stream of the filtered rows of a width x height rectangle of pixels in format,
    // its rows `stride` bytes apart (at least a row's bytes). Both leave `out` as it was and give
    // false on a bad size, format or stride, a chunk too long, or out of memory.
    bool AppendHeader(std::vector<uint8_t>& out, uint32_t width, uint32_t height, uint32_t format);
    bool AppendImageData(std::vector<uint8_t>& out, const char type[4], std::span<const uint8_t> prefix,
                         const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride, uint32_t format,
                         EPngFilters filters = EPngFilters::Adaptive);
    // The size of the zlib stream of the rows AppendImageData would write under `filters`, deflated
    // at a fast level (the writer's own for small rectangles): a cheap guide to which of several
    // candidates compresses best. 0 on a bad argument or out of memory.
    size_t TrialSize(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride, uint32_t format,
                     EPngFilters filters);

private:
    // Whether the writer can take these rows: it has its compressor, the size and format are good and
    // each row fits in the stride.
    bool Accepts(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride, uint32_t format) const;
    // Whether m_filtered, deflated to `deflated` bytes, is runs enough for zlib's best to be tried
    // (a writer at the strongest level only; zlib takes at most 4 GiB at once).
    bool RunsPayZlib(size_t deflated) const;
    // Fills m_filtered with every row of the rectangle under `filters`; may throw bad_alloc.
    void FilterRows(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride, uint32_t format,
                    EPngFilters filters);
    // The filter (0 none, 1 to 4 the trials) whose output scores lowest, by sum or by bits; ties go
    // to the lower.
    int BestFilter(const uint8_t* row, size_t rowBytes, bool bits) const;
    // Deflates m_filtered into one chunk after `prefix`; false when it cannot or the chunk would be
    // too long (then `out` holds scratch past its old end for the caller to cut); may throw bad_alloc.
    bool AppendCompressedChunk(std::vector<uint8_t>& out, const char type[4], std::span<const uint8_t> prefix);

    struct SCompressorDeleter
    {
        void operator()(libdeflate_compressor* compressor) const;
    };
    std::unique_ptr<libdeflate_compressor, SCompressorDeleter> m_pCompressor;
    std::unique_ptr<libdeflate_compressor, SCompressorDeleter> m_pTrialCompressor; // made on first use
    std::vector<uint8_t> m_filtered; // filter byte plus filtered row, for every row
    std::vector<uint8_t> m_rows;     // two rows in RGB order when the source is blue-first
    std::vector<uint8_t> m_trials;   // the row under each of the four predicting filters
    std::vector<uint8_t> m_deflated; // a trial's stream
    bool m_bTryZlib = false;
};
} // namespace gx
