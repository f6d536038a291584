#pragma once
// Helpers of the codec tests: files built field by field, decodes as RGBA, ImageMagick as the
// independent writer and decoder, damage of small files, and the runners of every format's tables.

#include "engine/Bitmap.h"
#include "engine/codecs/Codecs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <vector>
#include <zlib.h>

namespace mosvane::test
{
using Bytes = std::vector<uint8_t>;
using Decoder = gx::Decoder;
using gx::ECodecError;
using Describer = std::string (*)(const Bytes& file); // the header fields that tell variants apart

inline Bytes ToRgba(const gx::CBitmap& bitmap)
{
    Bytes rgba(size_t(bitmap.m_nWidth) * bitmap.m_nHeight * 4);
    gx::ConvertPixels(bitmap.m_pixels.data(), bitmap.m_nFormat, rgba.data(), GL_RGBA, rgba.size() / 4);
    return rgba;
}

inline gx::CBitmap BitmapFromRgba(const Bytes& rgba, uint32_t width, uint32_t height, uint32_t format)
{
    gx::CBitmap bitmap;
    EXPECT_TRUE(bitmap.Allocate(width, height, format));
    gx::ConvertPixels(rgba.data(), GL_RGBA, bitmap.m_pixels.data(), format, size_t(width) * height);
    return bitmap;
}

// The frames' pixels as the animation writers take them.
inline std::vector<const uint8_t*> PointersTo(const std::vector<Bytes>& frames)
{
    std::vector<const uint8_t*> pointers;
    for (const Bytes& f : frames)
        pointers.push_back(f.data());
    return pointers;
}

// Fields appended in order: little-endian ones, and big-endian ones with chunks for PNG and MNG.
struct CFileBuilder
{
    Bytes m_bytes;
    CFileBuilder& U8(uint32_t v) { return Raw({uint8_t(v)}); }
    CFileBuilder& U16(uint32_t v) { return U8(v).U8(v >> 8); }
    CFileBuilder& U32(uint32_t v) { return U16(v).U16(v >> 16); }
    CFileBuilder& Be32(uint32_t v) { return U8(v >> 24).U8(v >> 16).U8(v >> 8).U8(v); }
    CFileBuilder& Text(const char* s, size_t n) { return Raw(Bytes(s, s + n)); }
    CFileBuilder& Zeros(size_t n) { return Raw(Bytes(n, 0)); }
    CFileBuilder& Raw(const Bytes& b)
    {
        m_bytes.insert(m_bytes.end(), b.begin(), b.end());
        return *this;
    }
    // A chunk with its CRC, computed with zlib rather than the code under test.
    CFileBuilder& Chunk(const char* type, const Bytes& data)
    {
        Be32(uint32_t(data.size())).Text(type, 4).Raw(data);
        return Be32(uint32_t(crc32(0, m_bytes.data() + m_bytes.size() - data.size() - 4, uInt(data.size() + 4))));
    }
    void Patch32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = uint8_t(v >> (8 * i));
    }
};

const Bytes kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A PNG's signature and header: w x h, 8 bits, of the colour type; its chunks go after.
inline CFileBuilder PngHead(uint32_t w, uint32_t h, uint8_t colorType)
{
    CFileBuilder ihdr, png;
    ihdr.Be32(w).Be32(h).Raw({8, colorType, 0, 0, 0});
    png.Raw(kPngSignature).Chunk("IHDR", ihdr.m_bytes);
    return png;
}

// A PNG of 8-bit rows, each given its filter byte, compressed by zlib at `window` bits; `before`
// goes between IHDR and IDAT, `after` between IDAT and IEND.
inline Bytes BuildPng(uint8_t colorType, uint32_t w, uint32_t h, const Bytes& filtered,
                      const CFileBuilder& before = {}, const CFileBuilder& after = {}, int window = 15,
                      bool badAdler = false)
{
    z_stream z{};
    Bytes idat(compressBound(uLong(filtered.size())) + 64);
    deflateInit2(&z, 6, Z_DEFLATED, window, 8, Z_DEFAULT_STRATEGY);
    z.next_in = const_cast<uint8_t*>(filtered.data());
    z.avail_in = uInt(filtered.size());
    z.next_out = idat.data();
    z.avail_out = uInt(idat.size());
    deflate(&z, Z_FINISH);
    idat.resize(z.total_out);
    deflateEnd(&z);
    if (badAdler)
        idat.back() ^= 1;
    CFileBuilder png = PngHead(w, h, colorType);
    png.Raw(before.m_bytes).Chunk("IDAT", idat).Raw(after.m_bytes);
    return png.Chunk("IEND", {}).m_bytes;
}

inline constexpr uint8_t kGifPalette[4][3] = {{10, 20, 30}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}};

struct SGif
{
    uint16_t screenWidth, screenHeight, left, top, width, height;
    std::vector<uint8_t> indices; // 2-bit
    int transparent = -1;         // palette index, or none
    bool image = true;            // false: the trailer follows the screen
};

// A GIF of a 4-colour screen built byte by byte. Its LZW data is uncompressed: a clear code
// before every pair of literals keeps the dictionary below 8 entries, so every code is 3 bits wide.
inline Bytes CraftedGif(const SGif& s)
{
    CFileBuilder gif;
    gif.Text("GIF89a", 6).U16(s.screenWidth).U16(s.screenHeight);
    gif.Raw({0x81, 0, 0}); // a global table of 4, background 0, no aspect
    for (int i = 0; i < 4; ++i)
        gif.Raw({kGifPalette[i][0], kGifPalette[i][1], kGifPalette[i][2]});
    if (!s.image)
        return gif.U8(0x3B).m_bytes;
    if (s.transparent >= 0) // graphic control: 4 bytes, transparency flag, no delay, index, end
        gif.Raw({0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, uint8_t(s.transparent), 0x00});
    gif.U8(0x2C).U16(s.left).U16(s.top).U16(s.width).U16(s.height); // image descriptor
    gif.Raw({0x00, 2}); // not interlaced, no local table; LZW code size 2
    Bytes lzw;
    uint32_t bits = 0, count = 0;
    auto code = [&](uint32_t c) {
        for (bits |= c << count, count += 3; count >= 8; count -= 8, bits >>= 8)
            lzw.push_back(uint8_t(bits));
    };
    for (size_t i = 0; i < s.indices.size(); ++i)
    {
        if (i % 2 == 0)
            code(4); // clear
        code(s.indices[i]);
    }
    code(5); // end of information
    if (count > 0)
        lzw.push_back(uint8_t(bits));
    gif.U8(uint32_t(lzw.size())).Raw(lzw).Raw({0x00, 0x3B}); // one sub-block, end of image data, trailer
    return gif.m_bytes;
}

// DDS pixel format flags, and a FourCC as the header stores it.
constexpr uint32_t kDdsFourCc = 0x4, kDdsRgb = 0x40, kDdsAlphaPixels = 0x1, kDdsLuminance = 0x20000;

constexpr uint32_t FourCc(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

struct SDds
{
    uint32_t width = 4, height = 4;
    uint32_t fourCc = 0;
    Bytes data;
    uint32_t pfFlags = kDdsFourCc;
    uint32_t bits = 0;
    uint32_t masks[4] = {}; // red, green, blue, alpha
};

// A DDS file of one mip level: its header, then `data`.
inline Bytes BuildDds(const SDds& s)
{
    CFileBuilder b;
    b.Text("DDS ", 4).U32(124).U32(0x1007 /* caps, height, width, pixel format */);
    b.U32(s.height).U32(s.width).U32(0 /* pitch */).U32(0 /* depth */).U32(1 /* mip levels */).Zeros(44);
    b.U32(32).U32(s.pfFlags).U32(s.fourCc).U32(s.bits).U32(s.masks[0]).U32(s.masks[1]).U32(s.masks[2]).U32(s.masks[3]);
    b.U32(0x1000 /* texture */).Zeros(16).Raw(s.data);
    return b.m_bytes;
}

// Offset of a JPEG's start-of-frame marker, found by walking the marker segments; 0 when there is none.
inline size_t JpegFrameAt(const Bytes& f)
{
    for (size_t pos = 2; pos + 10 <= f.size() && f[pos] == 0xFF; pos += 2 + (size_t(f[pos + 2]) << 8 | f[pos + 3]))
        if (f[pos + 1] >= 0xC0 && f[pos + 1] <= 0xCF && f[pos + 1] != 0xC4 && f[pos + 1] != 0xC8 && f[pos + 1] != 0xCC)
            return pos;
    return 0;
}

struct SDecoded
{
    bool ok = false;
    uint32_t width = 0, height = 0, format = 0;
    Bytes rgba;
};

inline SDecoded Decode(Decoder decoder, std::span<const uint8_t> file)
{
    gx::CBitmap bitmap;
    if (decoder(file, bitmap) != ECodecError::None)
        return {};
    return {true, bitmap.m_nWidth, bitmap.m_nHeight, bitmap.m_nFormat, ToRgba(bitmap)};
}

inline SDecoded DecodeFile(Decoder decoder, const std::string& path)
{
    Bytes file;
    return ReadFileBytes(path, file) ? Decode(decoder, file) : SDecoded{};
}

// Our decode of the file against ImageMagick's, within `tolerance` levels; gives ours. `adjust`
// brings a quirk of ImageMagick's decode to full range.
inline SDecoded ExpectMatchesMagick(Decoder decoder, const std::string& path, int tolerance = 0,
                                    void (*adjust)(Bytes&) = nullptr)
{
    const SDecoded ours = DecodeFile(decoder, path);
    uint32_t w = 0, h = 0;
    Bytes theirs;
    EXPECT_TRUE(ours.ok);
    EXPECT_TRUE(MagickReadRgba(path, w, h, theirs));
    if (adjust)
        adjust(theirs);
    EXPECT_EQ(std::make_pair(ours.width, ours.height), std::make_pair(w, h));
    EXPECT_LE(MaxDifference(ours.rgba, theirs), tolerance);
    return ours;
}

// Tests that need ImageMagick, with a temporary folder for its files.
struct MagickTest : ::testing::Test
{
    void SetUp() override
    {
        if (!HaveImageMagick())
            GTEST_SKIP() << "ImageMagick is not installed";
    }
    CTempDir m_dir;
};

// Every cut of the file, then fixed-seed random edits: bytes changed, set to 0 or 255, or the file
// cut short. Each decode either fails and leaves the bitmap empty, or gives a whole bitmap. Every
// damaged copy is its own allocation, so the sanitizers see any read past its end.
inline void ExpectSurvivesDamage(Decoder decoder, const Bytes& file, uint32_t seed)
{
    auto clean = [decoder](const Bytes& damaged) {
        gx::CBitmap b;
        if (decoder(damaged, b) != ECodecError::None)
            return b.Empty();
        return b.m_nWidth > 0 && b.m_nHeight > 0 &&
               b.m_pixels.size() == size_t(b.m_nWidth) * b.m_nHeight * b.BytesPerPixel();
    };
    for (size_t n = 0; n < file.size(); ++n)
        EXPECT_TRUE(clean(Bytes(file.begin(), file.begin() + ptrdiff_t(n)))) << "cut at " << n;
    std::mt19937 random(seed);
    for (int round = 0; round < 200; ++round)
    {
        Bytes damaged = file;
        for (uint32_t e = 1 + random() % 4; e > 0 && !damaged.empty(); --e)
        {
            const size_t at = random() % damaged.size();
            switch (random() % 4)
            {
            case 0: damaged[at] = uint8_t(random()); break;
            case 1: damaged[at] ^= uint8_t(1u << (random() % 8)); break;
            case 2: damaged[at] = (random() & 1) ? 0xFF : 0x00; break;
            default: damaged.resize(at); break;
            }
        }
        EXPECT_TRUE(clean(damaged)) << "mutation round " << round;
    }
}

enum class EPicture
{
    Opaque,
    Alpha,
    BinaryAlpha, // alpha only 0 or 255, as palettes with one transparent entry hold
    Stripes,     // opaque flat runs three pixels wide, for run-length writers
    Smooth,      // gradients, as JPEG is meant for
    Noisy,       // noise on every third row band, so that every PNG row filter gets chosen
};

inline Bytes Picture(EPicture kind, uint32_t w, uint32_t h)
{
    Bytes rgba = PatternRgba(w, h, kind != EPicture::Opaque && kind != EPicture::Stripes);
    uint32_t seed = 12345;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
        {
            uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            const uint32_t k = x / 3 + 4 * y;
            if (kind == EPicture::BinaryAlpha)
                p[3] = p[3] < 200 ? 0 : 255;
            else if (kind == EPicture::Stripes)
                p[0] = uint8_t(k * 60), p[1] = uint8_t(255 - k * 35), p[2] = uint8_t((k & 1) * 200);
            else if (kind == EPicture::Smooth)
                p[0] = uint8_t(40 + 160 * x / w), p[1] = uint8_t(200 - 150 * y / h),
                p[2] = uint8_t(90 + 100 * (x + y) / (w + h));
            for (int c = 0; kind == EPicture::Noisy && y % 3 == 1 && c < 4; ++c)
                p[c] = uint8_t(p[c] + ((seed = seed * 1103515245 + 12345) >> 28));
        }
    return rgba;
}

// A picture written by ImageMagick with `options`; `layout` is what the format's describer reads
// from the written header, so that each case stays the variant meant.
struct SMagickCase
{
    const char* options;
    EPicture picture;
    const char* layout;
    uint32_t format; // of our decode
    int tolerance = 0;
    bool exact = false; // the decode is the picture itself
    void (*adjust)(Bytes& theirs) = nullptr;
};

// Each case written as a w x h file of the extension, checked for its layout, decoded by us as
// ImageMagick decodes it, then damaged; gives the files.
inline std::vector<Bytes> ExpectMagickCases(Decoder decoder, const char* extension, Describer describe,
                                            std::span<const SMagickCase> cases, uint32_t w, uint32_t h, const CTempDir& dir)
{
    std::vector<Bytes> files;
    for (const SMagickCase& c : cases)
    {
        SCOPED_TRACE(c.options);
        const std::string path = dir.File(std::to_string(files.size()) + "." + extension);
        const Bytes picture = Picture(c.picture, w, h);
        Bytes& file = files.emplace_back();
        EXPECT_TRUE(MagickWriteRgba(picture, w, h, path, c.options) && ReadFileBytes(path, file));
        EXPECT_EQ(describe(file), c.layout);
        const SDecoded ours = ExpectMatchesMagick(decoder, path, c.tolerance, c.adjust);
        EXPECT_EQ(ours.format, c.format);
        EXPECT_TRUE(!c.exact || ours.rgba == picture);
        ExpectSurvivesDamage(decoder, file, uint32_t(files.size()));
    }
    return files;
}

// A file built by hand and the RGBA it decodes to; without pixels it must fail. Every file that
// decodes is then damaged.
struct SHandBuilt
{
    const char* name;
    Bytes file;
    Bytes rgba;
    uint32_t format = GL_BGR;
};

inline void ExpectHandBuilt(Decoder decoder, std::span<const SHandBuilt> cases)
{
    for (const SHandBuilt& c : cases)
    {
        SCOPED_TRACE(c.name);
        const SDecoded d = Decode(decoder, c.file);
        EXPECT_EQ(d.rgba, c.rgba);
        EXPECT_EQ(d.format, d.ok ? c.format : 0);
        if (d.ok)
            ExpectSurvivesDamage(decoder, c.file, uint32_t(c.file.size()));
    }
}

// Header sizes that no reader takes: past the 16-bit sides, past 1 GiB of pixels (65535 x 5462 at
// three bytes), or empty; and `lacking` x `lacking`, allowed but far more than the file holds.
// make(w, h) builds a file claiming that size, or nothing when the format cannot say it.
template <class Make>
void ExpectImpossibleSizesFail(Decoder decoder, Make make, uint32_t lacking)
{
    ASSERT_TRUE(Decode(decoder, make(4, 4)).ok); // the builder makes sound files
    const uint32_t sizes[][2] = {{65536, 1}, {1, 65536}, {60000, 60000}, {65535, 5462}, {0, 5}, {5, 0}, {lacking, lacking}};
    for (const auto& [w, h] : sizes)
    {
        const Bytes file = w || h ? make(w, h) : Bytes{};
        gx::CBitmap out;
        EXPECT_TRUE(file.empty() || (decoder(file, out) != ECodecError::None && out.Empty())) << w << " x " << h;
    }
}

// A writer's files, chosen by the extension in any case, decode back to the source (exactly, or
// within `tolerance` for a lossy one) from every pixel format, fully transparent pixels keeping
// their colours, and ImageMagick reads them the same; `layouts` are the described headers for
// sources without and with alpha.
struct SWriter
{
    const char* extension;
    Decoder decode;
    Describer describe;
    std::string layouts[2];
    EPicture picture = EPicture::Noisy;
    int tolerance = 0;
    bool keepsAlpha = true;
};

inline void ExpectWriterRoundTrips(const SWriter& writer)
{
    const uint32_t w = 37, h = 23; // odd width: rows are padded or unaligned
    const CTempDir dir;
    const std::string path = dir.File(std::string("out.") + writer.extension);
    const std::pair<uint32_t, bool> sources[] = {{GL_RGB, false},  {GL_BGR, false}, {GL_RGBA, false},
                                                 {GL_BGRA, false}, {GL_RGBA, true}, {GL_BGRA, true}};
    for (const auto& [format, clear] : sources)
    {
        SCOPED_TRACE(std::to_string(format) + (clear ? " clear" : ""));
        Bytes rgba = Picture(writer.picture, w, h), file, theirs;
        for (size_t i = 3; clear && i < rgba.size(); i += 4)
            rgba[i] = 0;
        const gx::CBitmap source = BitmapFromRgba(rgba, w, h, format);
        Bytes expected = ToRgba(source);
        for (size_t i = 3; !writer.keepsAlpha && i < expected.size(); i += 4)
            expected[i] = 255;
        ASSERT_EQ(gx::EncodeImageFile(source, path.c_str(), file), ECodecError::None);
        EXPECT_EQ(writer.describe(file), writer.layouts[source.BytesPerPixel() == 4]);
        EXPECT_LE(MaxDifference(Decode(writer.decode, file).rgba, expected), writer.tolerance);
        uint32_t mw = 0, mh = 0;
        if (HaveImageMagick() && WriteFileBytes(path, file))
        {
            EXPECT_TRUE(MagickReadRgba(path, mw, mh, theirs));
            EXPECT_LE(MaxDifference(theirs, expected), writer.tolerance);
        }
    }
}
} // namespace mosvane::test
