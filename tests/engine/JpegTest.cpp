#include "CodecTestSupport.h"
#include "engine/codecs/Codecs.h"
#include "engine/gx.h"

#include <gtest/gtest.h>

using namespace mosvane::test;

namespace
{
constexpr uint32_t kW = 16, kH = 16;
constexpr int kDecoderTolerance = 2; // two decoders of one file may round the colour transform apart
constexpr int kEncodeTolerance = 8;  // quality 90 on a smooth picture

// Gradients, as JPEG is meant for; sharp pattern edges would measure ringing, not the codec.
std::vector<uint8_t> SmoothRgba(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
        {
            uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
            p[0] = uint8_t(40 + x * 8);
            p[1] = uint8_t(200 - y * 7);
            p[2] = uint8_t(90 + (x + y) * 3);
            p[3] = uint8_t(100 + x); // dropped by the encoder
        }
    return rgba;
}

struct SFrame
{
    int marker = 0; // 0xC0 baseline, 0xC2 progressive
    int height = 0, width = 0, components = 0;
    size_t offset = 0; // of the marker
};

// The first start-of-frame segment, found by walking the marker segments.
SFrame FindFrame(const std::vector<uint8_t>& file)
{
    size_t pos = 2;
    while (pos + 4 <= file.size() && file[pos] == 0xFF)
    {
        const int marker = file[pos + 1];
        const size_t length = size_t(file[pos + 2]) << 8 | file[pos + 3];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
        {
            if (pos + 10 > file.size())
                break;
            return {marker, file[pos + 5] << 8 | file[pos + 6], file[pos + 7] << 8 | file[pos + 8], file[pos + 9], pos};
        }
        pos += 2 + length;
    }
    return {};
}

std::vector<uint8_t> MagickJpeg(const CTempDir& dir, const std::string& options)
{
    const std::string path = dir.File("fixture.jpg");
    std::vector<uint8_t> file;
    EXPECT_TRUE(MagickWriteRgba(SmoothRgba(kW, kH), kW, kH, path, options));
    EXPECT_TRUE(ReadFileBytes(path, file));
    return file;
}

int DifferenceToMagick(const CTempDir& dir, const std::vector<uint8_t>& file, const gx::CBitmap& ours)
{
    const std::string path = dir.File("compare.jpg");
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> magick;
    if (!WriteFileBytes(path, file) || !MagickReadRgba(path, w, h, magick) || w != ours.m_nWidth || h != ours.m_nHeight)
        return 255;
    return MaxDifference(ToRgba(ours), magick);
}
} // namespace

TEST(JpegDecode, MatchesImageMagickForEveryKind)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    struct SCase
    {
        const char* options;
        int marker, components;
    };
    const SCase cases[] = {
        {"-quality 92", 0xC0, 3},
        {"-quality 92 -sampling-factor 2x2", 0xC0, 3},
        {"-interlace JPEG", 0xC2, 3},
        {"-colorspace gray", 0xC0, 1},
        {"-colorspace gray -interlace JPEG", 0xC2, 1},
        {"-colorspace CMYK", 0xC0, 4},
    };
    CTempDir dir;
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.options);
        const std::vector<uint8_t> file = MagickJpeg(dir, c.options);
        const SFrame frame = FindFrame(file);
        EXPECT_EQ(frame.marker, c.marker);
        EXPECT_EQ(frame.components, c.components);
        gx::CBitmap ours;
        ASSERT_TRUE(gx::DecodeJpeg(file, ours));
        EXPECT_EQ(ours.m_nFormat, GL_RGB);
        EXPECT_LE(DifferenceToMagick(dir, file, ours), kDecoderTolerance);
    }
}

TEST(JpegDecode, TruncatedAndImpossibleFilesFailCleanly)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CTempDir dir;
    for (const char* options : {"-quality 92", "-interlace JPEG"})
    {
        SCOPED_TRACE(options);
        const std::vector<uint8_t> file = MagickJpeg(dir, options);
        DecodeEveryPrefix(file, gx::DecodeJpeg);

        // Sizes are 16-bit in the frame header; patch them (height, then width).
        const SFrame frame = FindFrame(file);
        ASSERT_NE(frame.marker, 0);
        auto withSize = [&](int width, int height) {
            std::vector<uint8_t> patched = file;
            patched[frame.offset + 5] = uint8_t(height >> 8);
            patched[frame.offset + 6] = uint8_t(height);
            patched[frame.offset + 7] = uint8_t(width >> 8);
            patched[frame.offset + 8] = uint8_t(width);
            return patched;
        };
        gx::CBitmap out;
        EXPECT_TRUE(gx::DecodeJpeg(withSize(kW, kH), out));
        EXPECT_FALSE(gx::DecodeJpeg(withSize(60000, 60000), out));
        EXPECT_FALSE(gx::DecodeJpeg(withSize(65535, 65535), out));
        EXPECT_FALSE(gx::DecodeJpeg(withSize(0, kH), out));
        EXPECT_FALSE(gx::DecodeJpeg(withSize(kW, 0), out));
        // Large enough to pass the size check, far too large for the data in the file.
        EXPECT_FALSE(gx::DecodeJpeg(withSize(8000, 8000), out));
        EXPECT_TRUE(out.Empty());
    }
}

TEST(JpegDecode, EndlessProgressiveScansAreRefused)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CTempDir dir;
    const std::vector<uint8_t> file = MagickJpeg(dir, "-interlace JPEG");
    // The first scan (DC coefficients): from the first SOS marker up to the second.
    std::vector<size_t> scans;
    for (size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDA)
            scans.push_back(i);
    ASSERT_GE(scans.size(), 2u);
    ASSERT_EQ(file[file.size() - 1], 0xD9);
    const std::vector<uint8_t> scan(file.begin() + long(scans[0]), file.begin() + long(scans[1]));
    auto withRepeats = [&](int repeats) {
        std::vector<uint8_t> bomb(file.begin(), file.end() - 2);
        for (int i = 0; i < repeats; ++i)
            bomb.insert(bomb.end(), scan.begin(), scan.end());
        bomb.insert(bomb.end(), {0xFF, 0xD9});
        return bomb;
    };
    // Repeated scans are odd but harmless up to the limit; beyond it the file is refused.
    gx::CBitmap out;
    EXPECT_TRUE(gx::DecodeJpeg(withRepeats(200), out));
    EXPECT_FALSE(gx::DecodeJpeg(withRepeats(300), out));
}

TEST(JpegEncode, WritesRgbFromEveryFormatThatOthersRead)
{
    CTempDir dir;
    const std::vector<uint8_t> rgba = SmoothRgba(21, 13);
    for (const uint32_t format : {GL_RGB, GL_RGBA, GL_BGR, GL_BGRA})
    {
        SCOPED_TRACE(format);
        const gx::CBitmap source = BitmapFromRgba(rgba, 21, 13, format);
        std::vector<uint8_t> file;
        ASSERT_TRUE(gx::EncodeJpeg(source, file));
        const SFrame frame = FindFrame(file);
        EXPECT_EQ(frame.marker, 0xC0);
        EXPECT_EQ(frame.components, 3);
        EXPECT_EQ(frame.width, 21);
        EXPECT_EQ(frame.height, 13);

        gx::CBitmap back;
        ASSERT_TRUE(gx::DecodeJpeg(file, back));
        EXPECT_EQ(back.m_nFormat, GL_RGB);
        std::vector<uint8_t> opaque = ToRgba(source);
        for (size_t i = 3; i < opaque.size(); i += 4)
            opaque[i] = 255;
        EXPECT_LE(MaxDifference(ToRgba(back), opaque), kEncodeTolerance);
        if (HaveImageMagick())
        {
            EXPECT_LE(DifferenceToMagick(dir, file, back), kDecoderTolerance);
        }
    }
}

TEST(JpegEncode, SaveImageChoosesTheTypeByExtensionInAnyCase)
{
    ASSERT_TRUE(gxInitialize());
    CTempDir dir;
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(21, 13, GL_BGRA));
    const gx::CBitmap source = BitmapFromRgba(SmoothRgba(21, 13), 21, 13, GL_BGRA);
    ASSERT_TRUE(gxSetPixels(0, 0, 21, 13, GL_BGRA, source.m_pixels.data()));
    for (const char* name : {"a.JPG", "b.Jpeg", "c.PNG"})
    {
        SCOPED_TRACE(name);
        gxBindImage(id);
        ASSERT_TRUE(gxSaveImage(dir.File(name).c_str(), false));
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadFileBytes(dir.File(name), file));
        const bool png = name[0] == 'c';
        EXPECT_EQ(gx::SniffFileType(file), png ? gx::EFileType::Png : gx::EFileType::Jpeg);
        const GX_IMAGE info = gxLoadImage(dir.File(name).c_str());
        ASSERT_NE(info.id, 0u);
        EXPECT_EQ(info.format, png ? uint32_t(GL_RGBA) : uint32_t(GL_RGB));
        EXPECT_EQ(info.bytesPerPixel, png ? 4 : 3);
        gxDeleteImages(1, &info.id);
    }
    gxDestroy();
}
