// The PNG reader's own path against libpng over every file at hand, the row filters against plain
// references, and the writer's files against digests recorded from its earlier, plain-scoring
// build: speed work must not change one decoded pixel or one written byte.

#include "CodecTestSupport.h"
#include "engine/codecs/PngDecode.h"
#include "engine/codecs/PngFilters.h"

#include <algorithm>
#include <filesystem>

using namespace mosvane::test;

namespace
{
// Every PngSuite file, by name.
std::vector<std::pair<std::string, Bytes>> SuiteFiles()
{
    std::vector<std::pair<std::string, Bytes>> files;
    const std::string suite = CorpusDir() + "/pngsuite/png";
    if (std::filesystem::is_directory(suite))
        for (const auto& entry : std::filesystem::directory_iterator(suite))
            if (entry.path().extension() == ".png")
                ReadFileBytes(entry.path().string(), files.emplace_back(entry.path().filename().string(), Bytes()).second);
    std::sort(files.begin(), files.end());
    return files;
}

// The pictures the writer's digests are kept for: every PngSuite picture as decoded, and the test
// pictures of every kind at widths that leave odd tails, in all four source formats.
std::vector<std::pair<std::string, gx::CBitmap>> WriterSources()
{
    std::vector<std::pair<std::string, gx::CBitmap>> sources;
    for (const auto& [name, file] : SuiteFiles())
    {
        gx::CBitmap bitmap;
        if (gx::DecodePng(file, bitmap) == gx::ECodecError::None)
            sources.emplace_back(name, std::move(bitmap));
    }
    const std::pair<EPicture, const char*> kinds[] = {
        {EPicture::Opaque, "opaque"}, {EPicture::Alpha, "alpha"}, {EPicture::Stripes, "stripes"},
        {EPicture::Smooth, "smooth"}, {EPicture::Noisy, "noisy"}};
    const std::pair<uint32_t, const char*> formats[] = {
        {GL_RGB, "rgb"}, {GL_BGR, "bgr"}, {GL_RGBA, "rgba"}, {GL_BGRA, "bgra"}};
    for (const auto& [kind, kindName] : kinds)
        for (uint32_t w : {1u, 7u, 33u, 250u})
            for (const auto& [format, formatName] : formats)
                sources.emplace_back(std::string(kindName) + "-" + std::to_string(w) + "-" + formatName,
                                     BitmapFromRgba(Picture(kind, w, 19), w, 19, format));
    return sources;
}

// MOSVANE_RECORD_DIGESTS writes the table from the build at hand instead.
TEST(PngIdentity, WrittenFilesKeepTheirRecordedDigests)
{
    std::vector<std::pair<std::string, std::string>> digests;
    for (const auto& [name, bitmap] : WriterSources())
    {
        Bytes file;
        ASSERT_TRUE(gx::EncodePng(bitmap, file)) << name;
        digests.emplace_back(name, Digest(file));
    }
    ExpectRecordedDigests("png-writer-digests.txt", digests, !SuiteFiles().empty());
}

using gx::png::DecodePngLibpngOnly;
using gx::png::DecodePngOwnOnly;

// Random bytes for h rows of n, every filter type in turn, or `only` on every row.
Bytes FilteredRows(size_t n, uint32_t h, uint32_t seed, int only = -1, uint8_t mask = 0xFF)
{
    std::mt19937 random(seed);
    Bytes rows;
    for (uint32_t y = 0; y < h; ++y)
    {
        rows.push_back(uint8_t(only >= 0 ? only : int(y % 5)));
        for (size_t i = 0; i < n; ++i)
            rows.push_back(uint8_t(random() & mask));
    }
    return rows;
}

struct SVerdict
{
    bool ownDecodes; // the own reader takes the file (false: it leaves it to libpng)
    bool decodes;    // libpng, and so DecodePng, reads it
};

// DecodePng gives exactly libpng's verdict and pixels, and the own reader, where it decodes, the
// same pixels.
void ExpectLikeLibpng(const Bytes& file, const std::string& name, const SVerdict* verdict = nullptr)
{
    SCOPED_TRACE(name);
    // The single readers answer yes or no; the table's decoders give a reason.
    const SDecoded lib = Decode([](std::span<const uint8_t> f, gx::CBitmap& o) {
        return DecodePngLibpngOnly(f, o) ? gx::ECodecError::None : gx::ECodecError::Corrupt; }, file);
    const SDecoded own = Decode([](std::span<const uint8_t> f, gx::CBitmap& o) {
        return DecodePngOwnOnly(f, o) ? gx::ECodecError::None : gx::ECodecError::Corrupt; }, file);
    const SDecoded both = Decode(gx::DecodePng, file);
    EXPECT_EQ(both.ok, lib.ok);
    EXPECT_TRUE(both.rgba == lib.rgba && both.format == lib.format && both.width == lib.width);
    EXPECT_TRUE(!own.ok || (own.rgba == lib.rgba && own.format == lib.format && own.width == lib.width && lib.ok));
    if (verdict)
    {
        EXPECT_EQ(own.ok, verdict->ownDecodes);
        EXPECT_EQ(lib.ok, verdict->decodes);
    }
}

TEST(PngIdentity, OwnReaderGivesLibpngsPixelsForEveryTypeFilterAndOddChunk)
{
    const uint32_t w = 13, h = 11;
    Bytes plte;
    for (int i = 0; i < 40 * 3; ++i)
        plte.push_back(uint8_t(i * 37));
    CFileBuilder palette, paletteTrns, greyKey, rgbKey, badKey;
    palette.Chunk("PLTE", plte);
    paletteTrns.Chunk("PLTE", plte).Chunk("tRNS", {0, 128, 255, 7});
    greyKey.Chunk("tRNS", {0, 3});
    rgbKey.Chunk("tRNS", {0, 1, 0, 2, 0, 3});
    badKey.Chunk("tRNS", {1, 3}); // out of range for 8 bits: libpng compares the low byte
    const struct
    {
        const char* name;
        uint8_t type;
        const CFileBuilder& before;
        uint8_t mask; // of the random samples: small ones hit the keys
        SVerdict verdict;
    } types[] = {
        {"grey", 0, {}, 0xFF, {true, true}},
        {"grey key", 0, greyKey, 0x03, {true, true}},
        {"grey key out of range", 0, badKey, 0x03, {false, true}},
        {"rgb", 2, {}, 0xFF, {true, true}},
        {"rgb key", 2, rgbKey, 0x03, {true, true}},
        {"palette", 3, palette, 0x3F, {true, true}}, // indices past the 40 entries read as black
        {"palette tRNS", 3, paletteTrns, 0x3F, {true, true}},
        {"grey alpha", 4, {}, 0xFF, {true, true}},
        {"rgba", 6, {}, 0xFF, {true, true}},
    };
    for (const auto& t : types)
    {
        const size_t channels = t.type == 2 ? 3 : t.type == 4 ? 2 : t.type == 6 ? 4 : 1;
        for (int filter = -1; filter <= 4; ++filter)
            ExpectLikeLibpng(BuildPng(t.type, w, h, FilteredRows(w * channels, h, filter + 7, filter, t.mask), t.before),
                             std::string(t.name) + " filter " + std::to_string(filter), &t.verdict);
    }

    // Structure the own reader leaves to libpng, which reads or refuses it as before.
    const Bytes rows = FilteredRows(w * 3, h, 5);
    CFileBuilder text, badCrc, critical, late, second, empty;
    text.Chunk("tEXt", Bytes(300, 'a'));
    badCrc.Chunk("tEXt", Bytes(10, 'a'));
    badCrc.m_bytes.back() ^= 1;
    critical.Chunk("ABCD", {1});
    late.Chunk("tRNS", {0, 1, 0, 2, 0, 3});
    second.Chunk("IDAT", {0});
    const SVerdict own{true, true}, libpngReads{false, true}, refused{false, false};
    const std::pair<Bytes, SVerdict> files[] = {
        {BuildPng(2, w, h, rows, text, text), own},
        {BuildPng(2, w, h, rows, badCrc), libpngReads},
        {BuildPng(2, w, h, rows, critical), refused},
        {BuildPng(2, w, h, rows, {}, late), libpngReads},
        {BuildPng(2, w, h, rows, {}, text.Raw(second.m_bytes)), libpngReads},
        {BuildPng(2, w, 40, FilteredRows(w * 3, 40, 5), {}, {}, 9), libpngReads}, // outgrows its 512-byte window
        {BuildPng(2, w, h, rows, {}, {}, 15, true), refused}, // a bad Adler-32 in the chunk of the last row
        {BuildPng(2, w, h, FilteredRows(w * 3, h + 1, 5)), libpngReads},  // more data than rows
        {BuildPng(2, w, h, FilteredRows(w * 3, h - 1, 5)), refused},      // data runs out
        {BuildPng(2, w, h, FilteredRows(w * 3, h, 5, 5)), refused},       // filter type 5
    };
    for (size_t i = 0; i < std::size(files); ++i)
        ExpectLikeLibpng(files[i].first, "structure " + std::to_string(i), &files[i].second);
    Bytes file = BuildPng(2, w, h, rows);
    ExpectLikeLibpng(Bytes(file.begin(), file.end() - 12), "no IEND", &refused);
    file[5] ^= 0x40; // the signature's line ending
    ExpectLikeLibpng(file, "signature", &refused);
    file[5] ^= 0x40;
    file[file.size() - 12 - 1] ^= 1; // the IDAT's CRC
    ExpectLikeLibpng(file, "bad IDAT CRC", &refused);
}

TEST(PngFilters, FastFormsMatchThePlainReferences)
{
    std::mt19937 random(99);
    for (uint32_t bpp = 1; bpp <= 8; ++bpp)
        for (uint32_t width = 1; width <= 65; ++width)
            for (uint8_t type = 0; type <= 5; ++type)
            {
                const size_t n = size_t(width) * bpp;
                // Filtered row and prior after one spare byte, so that the row can also be reversed
                // in place and moved up by its filter byte, as the reader does.
                Bytes in(n + 1), prior(n), plain(n), fast(n);
                for (auto* v : {&in, &prior})
                    for (uint8_t& b : *v)
                        b = uint8_t(random());
                const bool known = type <= 4;
                EXPECT_EQ(gx::png::UnfilterRowPlain(type, in.data() + 1, prior.data(), plain.data(), n, bpp), known);
                EXPECT_EQ(gx::png::UnfilterRow(type, in.data() + 1, prior.data(), fast.data(), n, bpp), known);
                if (!known)
                    continue;
                ASSERT_EQ(fast, plain) << "type " << int(type) << " bpp " << bpp << " width " << width;
                for (size_t shift : {0, 1})
                {
                    Bytes buffer = in;
                    gx::png::UnfilterRow(type, buffer.data() + 1, prior.data(), buffer.data() + 1 - shift, n, bpp);
                    ASSERT_TRUE(std::equal(plain.begin(), plain.end(), buffer.begin() + 1 - ptrdiff_t(shift)))
                        << "in place, type " << int(type) << " bpp " << bpp << " width " << width;
                }
            }
    for (size_t n = 0; n <= 300; ++n)
    {
        Bytes row(n);
        for (uint8_t& b : row)
            b = uint8_t(random() % 4 == 0 ? 0x7F + random() % 3 : random()); // 127, 128 and 129 often
        ASSERT_EQ(gx::png::ScoreRow(row.data(), n), gx::png::ScoreRowPlain(row.data(), n)) << n;
    }
}
} // namespace
