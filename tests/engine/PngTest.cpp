#include "CodecTestSupport.h"

using namespace mosvane::test;

namespace
{
// Bit depth, colour type and interlace method of the header.
std::string Describe(const Bytes& f)
{
    return f.size() < 29 ? "short" : std::to_string(f[24]) + " " + std::to_string(f[25]) + " " + std::to_string(f[28]);
}

// A PNG claiming width x height of 8-bit RGB; small ones get rows of zeros, big ones an empty zlib
// stream (they must fail on the header alone).
Bytes CraftedPng(uint32_t width, uint32_t height)
{
    Bytes rows(uint64_t(width) * height <= 4096 ? height * (1 + size_t(width) * 3) : 0);
    Bytes idat(compressBound(uLong(rows.size())));
    uLongf idatSize = uLongf(idat.size());
    compress(idat.data(), &idatSize, rows.data(), uLong(rows.size()));
    idat.resize(idatSize);
    CFileBuilder ihdr, png;
    ihdr.Be32(width).Be32(height).Raw({8, 2 /* RGB */, 0 /* deflate */, 0 /* filters */, 0 /* no interlace */});
    png.Raw({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}).Chunk("IHDR", ihdr.m_bytes).Chunk("IDAT", idat).Chunk("IEND", {});
    return png.m_bytes;
}

using PngMagick = MagickTest;

TEST_F(PngMagick, EveryColourTypeDepthPaletteAndInterlaceReadsAsImageMagickReadsIt)
{
    const SMagickCase cases[] = {
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=1", EPicture::Opaque, "1 0 0", GL_RGB},
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=2", EPicture::Opaque, "2 0 0", GL_RGB},
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=4", EPicture::Opaque, "4 0 0", GL_RGB},
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=8", EPicture::Opaque, "8 0 0", GL_RGB},
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=16", EPicture::Opaque, "16 0 0", GL_RGB},
        {"-colorspace gray -define png:color-type=4 -define png:bit-depth=8", EPicture::Alpha, "8 4 0", GL_RGBA},
        {"-colorspace gray -define png:color-type=4 -define png:bit-depth=16", EPicture::Alpha, "16 4 0", GL_RGBA},
        {"-define png:color-type=2 -define png:bit-depth=8", EPicture::Opaque, "8 2 0", GL_RGB, 0, true},
        {"-define png:color-type=2 -define png:bit-depth=16", EPicture::Opaque, "16 2 0", GL_RGB, 0, true},
        {"-define png:color-type=6 -define png:bit-depth=8", EPicture::Alpha, "8 6 0", GL_RGBA, 0, true},
        {"-define png:color-type=6 -define png:bit-depth=16", EPicture::Alpha, "16 6 0", GL_RGBA, 0, true},
        {"-colors 16 -define png:color-type=3", EPicture::Opaque, "4 3 0", GL_RGB},
        {"-colors 2 -define png:format=png8 -define png:bit-depth=1", EPicture::Opaque, "1 3 0", GL_RGB},
        {"-colors 16 -define png:format=png8", EPicture::BinaryAlpha, "8 3 0", GL_RGBA}, // with tRNS
        {"-interlace PNG -define png:color-type=6 -define png:bit-depth=16", EPicture::Alpha, "16 6 1", GL_RGBA},
        {"-interlace PNG -colorspace gray -define png:color-type=0 -define png:bit-depth=2", EPicture::Opaque, "2 0 1",
         GL_RGB},
    };
    ExpectMagickCases(gx::DecodePng, "png", Describe, cases, 16, 12, m_dir);
}

TEST(PngRead, ImpossibleSizesFailBeforeDecoding)
{
    ExpectImpossibleSizesFail(gx::DecodePng, CraftedPng, 16000); // no 100-byte file inflates so far
}

TEST(PngWrite, RoundTripsExactly)
{
    ExpectWriterRoundTrips({"png", gx::DecodePng, Describe, {"8 2 0", "8 6 0"}});
}
} // namespace
