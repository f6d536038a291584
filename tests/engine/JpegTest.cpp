#include "CodecTestSupport.h"

using namespace mosvane::test;

namespace
{
constexpr int kDecoderTolerance = 2; // two decoders of one file may round the colour transform apart
constexpr int kEncodeTolerance = 8;  // quality 90 on a smooth picture

// The frame marker (0 baseline, 2 progressive) and the component count.
std::string Describe(const Bytes& f)
{
    const size_t at = JpegFrameAt(f);
    return at ? std::to_string(f[at + 1] - 0xC0) + " " + std::to_string(f[at + 9]) : "no frame";
}

using JpegMagick = MagickTest;

TEST_F(JpegMagick, BaselineProgressiveGreyAndCmykReadAsImageMagickReadsThem)
{
    const SMagickCase cases[] = {
        {"-quality 92", EPicture::Smooth, "0 3", GL_RGB, kDecoderTolerance},
        {"-quality 92 -sampling-factor 2x2", EPicture::Smooth, "0 3", GL_RGB, kDecoderTolerance},
        {"-interlace JPEG", EPicture::Smooth, "2 3", GL_RGB, kDecoderTolerance},
        {"-colorspace gray", EPicture::Smooth, "0 1", GL_RGB, kDecoderTolerance},
        {"-colorspace CMYK", EPicture::Smooth, "0 4", GL_RGB, kDecoderTolerance},
    };
    ExpectMagickCases(gx::DecodeJpeg, "jpg", Describe, cases, 16, 16, m_dir);
}

TEST_F(JpegMagick, ScansRepeatedPastTheLimitFail)
{
    // A progressive file with its first scan repeated: harmless a couple of hundred times, refused
    // beyond the scan limit rather than decoded for ever.
    Bytes file;
    ASSERT_TRUE(MagickWriteRgba(Picture(EPicture::Smooth, 16, 16), 16, 16, m_dir.File("p.jpg"), "-interlace JPEG"));
    ASSERT_TRUE(ReadFileBytes(m_dir.File("p.jpg"), file));
    std::vector<size_t> scans;
    for (size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDA)
            scans.push_back(i);
    ASSERT_GE(scans.size(), 2u);
    auto withRepeats = [&](int repeats) {
        Bytes bomb(file.begin(), file.end() - 2); // without the end marker
        for (int i = 0; i < repeats; ++i)
            bomb.insert(bomb.end(), file.begin() + long(scans[0]), file.begin() + long(scans[1]));
        bomb.insert(bomb.end(), {0xFF, 0xD9});
        return bomb;
    };
    gx::CBitmap out;
    EXPECT_EQ(gx::DecodeJpeg(withRepeats(200), out), ECodecError::None);
    EXPECT_EQ(gx::DecodeJpeg(withRepeats(300), out), ECodecError::TooManyScans);
}

TEST(JpegRead, ImpossibleSizesFail)
{
    Bytes file;
    ASSERT_TRUE(gx::EncodeJpeg(BitmapFromRgba(Picture(EPicture::Smooth, 4, 4), 4, 4, GL_RGB), file));
    const size_t at = JpegFrameAt(file);
    ASSERT_NE(at, 0u);
    ExpectImpossibleSizesFail(
        gx::DecodeJpeg,
        [&](uint32_t w, uint32_t h) {
            Bytes patched = file; // the sides are 16-bit, height first
            const uint8_t sides[4] = {uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w)};
            std::copy(sides, sides + 4, patched.begin() + long(at + 5));
            return w > 65535 || h > 65535 ? Bytes{} : patched;
        },
        8000);
}

TEST(JpegWrite, BaselineRgbFromEveryFormatWithinTolerance)
{
    ExpectWriterRoundTrips({"jpg", gx::DecodeJpeg, Describe, {"0 3", "0 3"},
                            EPicture::Smooth, kEncodeTolerance, false});
}
} // namespace
