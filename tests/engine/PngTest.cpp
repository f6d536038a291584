#include "CodecTestSupport.h"

#include <fstream>

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
    return BuildPng(2, width, height, Bytes(uint64_t(width) * height <= 4096 ? height * (1 + size_t(width) * 3) : 0));
}

using PngMagick = MagickTest;

TEST_F(PngMagick, EveryColourTypeTheDepthEdgesPaletteAndInterlaceReadAsImageMagickReadsThem)
{
    const SMagickCase cases[] = {
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=1", EPicture::Opaque, "1 0 0", GL_RGB},
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=16", EPicture::Opaque, "16 0 0", GL_RGB},
        {"-colorspace gray -define png:color-type=4 -define png:bit-depth=8", EPicture::Alpha, "8 4 0", GL_RGBA},
        {"-define png:color-type=2 -define png:bit-depth=8", EPicture::Opaque, "8 2 0", GL_RGB, 0, true},
        {"-define png:color-type=6 -define png:bit-depth=16", EPicture::Alpha, "16 6 0", GL_RGBA, 0, true},
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

// Resident peak of this process in KiB; a forked child starts from what it had at the fork.
long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Decodes each file in a child that may grow by 256 MiB. Gives how many MiB the child's resident
// peak grew, 255 when it decoded any file, or -1 when it did not exit normally.
int ChildPeakGrowthMiB(const std::vector<Bytes>& files)
{
    return RunInChild([&] {
        const long before = PeakResidentKiB();
        bool decoded = false;
        for (const Bytes& file : files)
        {
            gx::CBitmap out;
            decoded = gx::DecodePng(file, out) == gx::ECodecError::None || !out.Empty() || decoded;
        }
        return decoded ? 255 : int(std::min<long>(250, (PeakResidentKiB() - before) >> 10));
    }, 60000, 256u << 20);
}

// Chunks claim lengths far past the end of a 141-byte file, text, profiles and chunks libpng does
// not know alike; a picture claims more than its image data can inflate to while the file is long
// enough for it. Each is refused without the memory it claims.
TEST(PngRead, ClaimsBeyondTheFileAreRefusedWithoutTheirMemory)
{
    std::vector<Bytes> files;
    for (const char* type : {"tEXt", "zTXt", "iTXt", "iCCP", "eXIf", "abCd", "IDAT"})
        for (uint32_t claim : {0x7FFFFFF0u, 0x00FFFFF0u})
        {
            CFileBuilder png = PngHead(1, 1, 2);
            png.Be32(claim).Text(type, 4).Text("Comment\0", 8);
            png.Zeros(141 - png.m_bytes.size());
            files.push_back(png.m_bytes);
        }
    ASSERT_EQ(files[0].size(), 141u);
    // 8000 x 8000 RGB (192 MB) from 100 bytes of image data, in a file padded to 1 MB.
    Bytes big = CraftedPng(8000, 8000);
    CFileBuilder padding;
    padding.Chunk("pAdd", Bytes(1 << 20, 0));
    big.insert(big.begin() + 33, padding.m_bytes.begin(), padding.m_bytes.end());
    files.push_back(big);
    const int growth = ChildPeakGrowthMiB(files);
    EXPECT_GE(growth, 0);
    EXPECT_LT(growth, 4);
}

TEST(PngWrite, RoundTripsExactly)
{
    ExpectWriterRoundTrips({"png", gx::DecodePng, Describe, {"8 2 0", "8 6 0"}});
}
} // namespace
