#include "CodecTestSupport.h"
#include "engine/codecs/Codecs.h"

#include <gtest/gtest.h>

using namespace mosvane::test;

namespace
{
constexpr uint32_t kW = 16, kH = 16;
constexpr int kDecoderTolerance = 2; // two decoders of one file may round the colour transform apart
constexpr int kEncodeTolerance = 8;  // quality 90 on a smooth picture

// Gradients, as JPEG is meant for; sharp edges would measure ringing, not the codec.
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

// The start-of-frame segment, found by walking the marker segments.
SFrame FindFrame(const std::vector<uint8_t>& file)
{
    for (size_t pos = 2; pos + 10 <= file.size() && file[pos] == 0xFF;
         pos += 2 + (size_t(file[pos + 2]) << 8 | file[pos + 3]))
    {
        const int marker = file[pos + 1];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return {marker, file[pos + 5] << 8 | file[pos + 6], file[pos + 7] << 8 | file[pos + 8], file[pos + 9], pos};
    }
    return {};
}
} // namespace

TEST(JpegDecode, MatchesImageMagickForEveryKindAndFailsWhenCut)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    const struct
    {
        const char* options;
        int marker, components;
    } cases[] = {
        {"-quality 92", 0xC0, 3},
        {"-quality 92 -sampling-factor 2x2", 0xC0, 3},
        {"-interlace JPEG", 0xC2, 3},
        {"-colorspace gray", 0xC0, 1},
        {"-colorspace gray -interlace JPEG", 0xC2, 1},
        {"-colorspace CMYK", 0xC0, 4},
    };
    CTempDir dir;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.options);
        const std::vector<uint8_t> file = MagickFixture(SmoothRgba(kW, kH), kW, kH, dir.File("f.jpg"), c.options);
        const SFrame frame = FindFrame(file);
        EXPECT_EQ(frame.marker, c.marker);
        EXPECT_EQ(frame.components, c.components);
        ExpectSameAsMagick(dir.File("f.jpg"), gx::DecodeJpeg, GL_RGB, kDecoderTolerance);
        DecodeEveryPrefix(file, gx::DecodeJpeg);
    }
}

TEST(JpegDecode, ImpossibleSizesAndEndlessScansFail)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CTempDir dir;
    gx::CBitmap out;
    for (const char* options : {"-quality 92", "-interlace JPEG"})
    {
        SCOPED_TRACE(options);
        const std::vector<uint8_t> file = MagickFixture(SmoothRgba(kW, kH), kW, kH, dir.File("f.jpg"), options);
        const SFrame frame = FindFrame(file);
        ASSERT_NE(frame.marker, 0);
        auto withSize = [&](int width, int height) { // sizes are 16-bit: height, then width
            std::vector<uint8_t> patched = file;
            const uint8_t bytes[4] = {uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width)};
            std::copy(bytes, bytes + 4, patched.begin() + long(frame.offset + 5));
            return patched;
        };
        EXPECT_TRUE(gx::DecodeJpeg(withSize(kW, kH), out));
        EXPECT_FALSE(gx::DecodeJpeg(withSize(60000, 60000), out));
        EXPECT_FALSE(gx::DecodeJpeg(withSize(65535, 65535), out));
        EXPECT_FALSE(gx::DecodeJpeg(withSize(0, kH), out));
        EXPECT_FALSE(gx::DecodeJpeg(withSize(kW, 0), out));
        EXPECT_FALSE(gx::DecodeJpeg(withSize(8000, 8000), out)); // allowed, but far beyond the data
        EXPECT_TRUE(out.Empty());
    }

    // A progressive file with its first scan repeated: harmless a few hundred times, refused beyond
    // the scan limit rather than decoded for ever.
    const std::vector<uint8_t> file = MagickFixture(SmoothRgba(kW, kH), kW, kH, dir.File("p.jpg"), "-interlace JPEG");
    std::vector<size_t> scans;
    for (size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDA)
            scans.push_back(i);
    ASSERT_GE(scans.size(), 2u);
    auto withRepeats = [&](int repeats) {
        std::vector<uint8_t> bomb(file.begin(), file.end() - 2); // without the end marker
        for (int i = 0; i < repeats; ++i)
            bomb.insert(bomb.end(), file.begin() + long(scans[0]), file.begin() + long(scans[1]));
        bomb.insert(bomb.end(), {0xFF, 0xD9});
        return bomb;
    };
    EXPECT_TRUE(gx::DecodeJpeg(withRepeats(200), out));
    EXPECT_FALSE(gx::DecodeJpeg(withRepeats(300), out));
}

TEST(JpegEncode, WritesRgbFromEveryFormatThatOthersRead)
{
    CTempDir dir;
    const std::vector<uint8_t> rgba = SmoothRgba(21, 13);
    std::vector<uint8_t> opaque = rgba;
    for (size_t i = 3; i < opaque.size(); i += 4)
        opaque[i] = 255;
    for (const uint32_t format : {GL_RGB, GL_RGBA, GL_BGR, GL_BGRA})
    {
        SCOPED_TRACE(format);
        std::vector<uint8_t> file;
        ASSERT_TRUE(gx::EncodeJpeg(BitmapFromRgba(rgba, 21, 13, format), file));
        const SFrame frame = FindFrame(file);
        EXPECT_EQ(frame.marker, 0xC0);
        EXPECT_EQ(frame.components, 3);
        EXPECT_EQ(frame.width, 21);
        EXPECT_EQ(frame.height, 13);
        gx::CBitmap back;
        ASSERT_TRUE(gx::DecodeJpeg(file, back));
        EXPECT_LE(MaxDifference(ToRgba(back), opaque), kEncodeTolerance);
        if (HaveImageMagick())
        {
            ASSERT_TRUE(WriteFileBytes(dir.File("out.jpg"), file));
            ExpectSameAsMagick(dir.File("out.jpg"), gx::DecodeJpeg, GL_RGB, kDecoderTolerance);
        }
    }
}
