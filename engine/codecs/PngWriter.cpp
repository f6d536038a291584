#include "engine/codecs/PngWriter.h"

#include "engine/codecs/PngFilters.h"

#include "engine/Bitmap.h"
#include "engine/Limits.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <libdeflate.h>
#include <new>
#include <utility>
#include <zlib.h>

namespace gx
{
namespace
{
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;
// Trials deflate at a fast level, whose ranking of candidates follows the strong levels' closely,
// except for rows this short, which the writer's own level handles in less time than it saves.
constexpr int kTrialLevel = 4;
constexpr size_t kSmallTrial = 16384;

// zlib's best deflates long runs (flat art, palette indices) a few percent smaller than libdeflate's
// strongest, and quickly, while on rows that shrink less it is slower and no smaller: the strongest
// writer tries it on rows that deflate to less than this part of their size. The zlib stream in
// `stream` (its size then) or 0 when it cannot.
constexpr size_t kRunsRatio = 16;
size_t ZlibBest(const std::vector<uint8_t>& rows, std::vector<uint8_t>& stream)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return 0;
    stream.resize(deflateBound(&z, uLong(rows.size())));
    z.next_in = const_cast<Bytef*>(rows.data());
    z.avail_in = uInt(rows.size());
    z.next_out = stream.data();
    z.avail_out = uInt(stream.size());
    const bool done = deflate(&z, Z_FINISH) == Z_STREAM_END;
    const size_t size = z.total_out;
    deflateEnd(&z);
    return done ? size : 0;
}

// Bytes per pixel of the formats the writer takes: the four of the engine and palette indices.
uint32_t PngBytesPerPixel(uint32_t format) { return format == GL_COLOR_INDEX ? 1 : BytesPerPixel(format); }

// The four predicting filters of a row of n bytes, above its predecessor `up` (zeros on the first
// row); trials holds four rows: Sub, Up, Average, Paeth.
void FilterRow(const uint8_t* row, const uint8_t* up, size_t n, uint32_t bpp, uint8_t* trials)
{
    uint8_t* sub = trials;
    uint8_t* upf = trials + n;
    uint8_t* avg = trials + 2 * n;
    uint8_t* paeth = trials + 3 * n;
    for (size_t i = 0; i < bpp; ++i)
    {
        sub[i] = row[i];
        upf[i] = uint8_t(row[i] - up[i]);
        avg[i] = uint8_t(row[i] - (up[i] >> 1));
        paeth[i] = uint8_t(row[i] - up[i]); // with no left neighbour Paeth predicts the byte above
    }
    for (size_t i = bpp; i < n; ++i)
        sub[i] = uint8_t(row[i] - row[i - bpp]);
    for (size_t i = bpp; i < n; ++i)
        upf[i] = uint8_t(row[i] - up[i]);
    for (size_t i = bpp; i < n; ++i)
        avg[i] = uint8_t(row[i] - ((row[i - bpp] + up[i]) >> 1));
    for (size_t i = bpp; i < n; ++i)
        paeth[i] = uint8_t(row[i] - png::PaethPredictor(row[i - bpp], up[i], up[i - bpp]));
}
// The bits of the row's bytes under a code built from their own frequencies: sum of n log2(total / n).
double BitsScore(const uint8_t* p, size_t n)
{
    uint32_t counts[256] = {};
    for (size_t i = 0; i < n; ++i)
        ++counts[p[i]];
    double bits = 0;
    for (const uint32_t count : counts)
        if (count != 0)
            bits += count * std::log2(double(n) / count);
    return bits;
}
} // namespace

bool AppendPngChunk(std::vector<uint8_t>& out, const char type[4], std::span<const uint8_t> data)
{
    if (data.size() > kMaxChunkLength)
        return false;
    const size_t start = out.size();
    try
    {
        out.resize(start + 12 + data.size());
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    uint8_t* p = out.data() + start;
    PutBigEndian32(p, uint32_t(data.size()));
    std::memcpy(p + 4, type, 4);
    if (!data.empty())
        std::memcpy(p + 8, data.data(), data.size());
    PutBigEndian32(p + 8 + data.size(), libdeflate_crc32(0, p + 4, 4 + data.size()));
    return true;
}

void CPngImageWriter::SCompressorDeleter::operator()(libdeflate_compressor* compressor) const
{
    libdeflate_free_compressor(compressor);
}

CPngImageWriter::CPngImageWriter(int level)
    : m_pCompressor(libdeflate_alloc_compressor(level)), m_bTryZlib(level >= kStrongestLevel)
{
}

CPngImageWriter::~CPngImageWriter() = default;

bool CPngImageWriter::Append(std::vector<uint8_t>& out, const uint8_t* pixels, uint32_t width, uint32_t height,
                             uint32_t format)
{
    const size_t outStart = out.size();
    if (!AppendHeader(out, width, height, format) ||
        !AppendImageData(out, "IDAT", {}, pixels, width, height, size_t(width) * BytesPerPixel(format), format) ||
        !AppendPngChunk(out, "IEND", {}))
    {
        out.resize(outStart);
        return false;
    }
    return true;
}

bool CPngImageWriter::AppendHeader(std::vector<uint8_t>& out, uint32_t width, uint32_t height, uint32_t format)
{
    const uint32_t bpp = PngBytesPerPixel(format);
    if (bpp == 0 || !SizeAllowed(width, height, bpp))
        return false;
    uint8_t header[13];
    PutBigEndian32(header, width);
    PutBigEndian32(header + 4, height);
    header[8] = 8;                // bits per sample
    header[9] = bpp == 1 ? 3 : bpp == 4 ? 6 : 2; // palette, or truecolour with or without alpha
    header[10] = 0;               // deflate
    header[11] = 0;               // adaptive filtering
    header[12] = 0;               // not interlaced
    return AppendPngChunk(out, "IHDR", header);
}

bool CPngImageWriter::AppendImageData(std::vector<uint8_t>& out, const char type[4], std::span<const uint8_t> prefix,
                                      const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride,
                                      uint32_t format, EPngFilters filters)
{
    if (!Accepts(pixels, width, height, stride, format) || prefix.size() > kMaxChunkLength)
        return false;
    const size_t outStart = out.size();
    try
    {
        FilterRows(pixels, width, height, stride, format, filters);
        if (AppendCompressedChunk(out, type, prefix))
            return true;
    }
    catch (const std::bad_alloc&)
    {
    }
    out.resize(outStart);
    return false;
}

bool CPngImageWriter::Accepts(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride,
                              uint32_t format) const
{
    const uint32_t bpp = PngBytesPerPixel(format);
    return m_pCompressor && pixels && bpp != 0 && SizeAllowed(width, height, bpp) && stride >= size_t(width) * bpp;
}

bool CPngImageWriter::RunsPayZlib(size_t deflated) const
{
    return m_bTryZlib && deflated * kRunsRatio < m_filtered.size() && m_filtered.size() <= UINT32_MAX;
}

size_t CPngImageWriter::TrialSize(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride,
                                  uint32_t format, EPngFilters filters)
{
    if (!Accepts(pixels, width, height, stride, format))
        return 0;
    try
    {
        FilterRows(pixels, width, height, stride, format, filters);
        if (!m_pTrialCompressor && m_filtered.size() > kSmallTrial)
            m_pTrialCompressor.reset(libdeflate_alloc_compressor(kTrialLevel));
        libdeflate_compressor* compressor =
            m_filtered.size() > kSmallTrial ? m_pTrialCompressor.get() : m_pCompressor.get();
        if (!compressor)
            return 0;
        m_deflated.resize(libdeflate_zlib_compress_bound(compressor, m_filtered.size()));
        const size_t size = libdeflate_zlib_compress(compressor, m_filtered.data(), m_filtered.size(),
                                                     m_deflated.data(), m_deflated.size());
        // Long runs: the fast level ranks them poorly, and zlib's best, cheap on them, well.
        if (size != 0 && RunsPayZlib(size))
        {
            const size_t runs = ZlibBest(m_filtered, m_deflated);
            return runs != 0 ? runs : size;
        }
        return size;
    }
    catch (const std::bad_alloc&)
    {
        return 0;
    }
}

void CPngImageWriter::FilterRows(const uint8_t* pixels, uint32_t width, uint32_t height, size_t stride,
                                 uint32_t format, EPngFilters filters)
{
    const uint32_t bpp = PngBytesPerPixel(format);
    const bool blueFirst = format == GL_BGR || format == GL_BGRA;
    const uint32_t rgbFormat = bpp == 4 ? GL_RGBA : GL_RGB;
    const size_t rowBytes = size_t(width) * bpp;
    m_filtered.resize((rowBytes + 1) * height);
    m_trials.resize(4 * rowBytes);
    m_rows.assign(2 * rowBytes, 0); // the row above the first is zeros
    uint8_t* previous = m_rows.data();
    uint8_t* current = m_rows.data() + rowBytes;
    const uint8_t* up = previous;
    for (uint32_t y = 0; y < height; ++y)
    {
        const uint8_t* row = pixels + y * stride;
        if (blueFirst)
        {
            ConvertPixels(row, format, current, rgbFormat, width);
            row = current;
        }
        // Palette indices are no samples to predict: filtering by sums leaves their rows as they are.
        const bool bySums = filters == EPngFilters::Adaptive && bpp > 1;
        const bool byBits = filters == EPngFilters::AdaptiveBits;
        const int fixed = int(filters) - int(EPngFilters::None);
        if (bySums || byBits || fixed > 0)
            FilterRow(row, up, rowBytes, bpp, m_trials.data());
        const int best = bySums || byBits ? BestFilter(row, rowBytes, byBits) : std::max(fixed, 0);
        uint8_t* dst = m_filtered.data() + y * (rowBytes + 1);
        dst[0] = uint8_t(best);
        std::memcpy(dst + 1, best == 0 ? row : m_trials.data() + (best - 1) * rowBytes, rowBytes);
        if (blueFirst)
        {
            std::swap(previous, current);
            up = previous;
        }
        else
        {
            up = row;
        }
    }
}

int CPngImageWriter::BestFilter(const uint8_t* row, size_t rowBytes, bool bits) const
{
    auto scoreOf = [&](const uint8_t* p) { return bits ? BitsScore(p, rowBytes) : double(png::ScoreRow(p, rowBytes)); };
    int best = 0;
    double bestScore = scoreOf(row);
    for (int f = 1; f <= 4; ++f)
    {
        const double score = scoreOf(m_trials.data() + (f - 1) * rowBytes);
        if (score < bestScore)
        {
            bestScore = score;
            best = f;
        }
    }
    return best;
}

bool CPngImageWriter::AppendCompressedChunk(std::vector<uint8_t>& out, const char type[4],
                                            std::span<const uint8_t> prefix)
{
    // Compressed straight into place, then the chunk is closed around it.
    const size_t bound = libdeflate_zlib_compress_bound(m_pCompressor.get(), m_filtered.size());
    const size_t start = out.size();
    out.resize(start + 8 + prefix.size() + bound + 4);
    if (!prefix.empty())
        std::memcpy(out.data() + start + 8, prefix.data(), prefix.size());
    const size_t compressed = libdeflate_zlib_compress(m_pCompressor.get(), m_filtered.data(), m_filtered.size(),
                                                       out.data() + start + 8 + prefix.size(), bound);
    if (compressed == 0)
        return false;
    size_t length = prefix.size() + compressed;
    if (RunsPayZlib(compressed))
    {
        const size_t runs = ZlibBest(m_filtered, m_deflated);
        if (runs != 0 && runs < compressed)
        {
            std::memcpy(out.data() + start + 8 + prefix.size(), m_deflated.data(), runs);
            length = prefix.size() + runs;
        }
    }
    if (length > kMaxChunkLength)
        return false;
    uint8_t* chunk = out.data() + start;
    PutBigEndian32(chunk, uint32_t(length));
    std::memcpy(chunk + 4, type, 4);
    PutBigEndian32(chunk + 8 + length, libdeflate_crc32(0, chunk + 4, 4 + length));
    out.resize(start + 12 + length);
    return true;
}
} // namespace gx
