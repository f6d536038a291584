// Why a file does not load, as the engine tells it; small files that claim huge pictures; memory
// that runs out inside a gx call.

#include "CodecTestSupport.h"
#include "engine/gx.h"

#include <cstring>

using namespace mosvane::test;

namespace
{
// A sound file of the type, from our own writer, of a w x h picture.
Bytes Written(const char* name, uint32_t w = 8, uint32_t h = 8)
{
    Bytes file;
    EXPECT_EQ(gx::EncodeImageFile(BitmapFromRgba(Picture(EPicture::Smooth, w, h), w, h, GL_RGBA), name, file),
              ECodecError::None);
    return file;
}

Bytes Cut(Bytes file, size_t keep)
{
    file.resize(keep);
    return file;
}

Bytes Patched(Bytes file, size_t at, std::initializer_list<uint8_t> bytes)
{
    std::copy(bytes.begin(), bytes.end(), file.begin() + ptrdiff_t(at));
    return file;
}

Bytes Text(const char* s)
{
    return Bytes(s, s + std::strlen(s));
}

// A GIF claiming w x h whose few codes give far fewer pixels.
Bytes Gif(uint16_t w, uint16_t h)
{
    return CraftedGif({w, h, 0, 0, w, h, std::vector<uint8_t>(8, 1)});
}

// A baseline JPEG of 16 x 16 whose frame header claims 65000 x 4000: its data runs out at once.
Bytes JpegClaiming65000x4000()
{
    const Bytes file = Written("x.jpg", 16, 16);
    EXPECT_EQ(file[JpegFrameAt(file) + 1], 0xC0); // baseline
    return Patched(file, JpegFrameAt(file) + 5, {0x0F, 0xA0, 0xFD, 0xE8}); // height, then width
}

// A 74-byte RLE8 BMP of 16384 x 16384 whose end-of-bitmap code comes on its first row.
Bytes RleBmpClaiming16384()
{
    CFileBuilder b;
    b.Text("BM", 2).U32(0).U32(0).U32(14 + 40 + 8).U32(40).U32(16384).U32(16384).U16(1).U16(8).U32(1);
    b.U32(0).U32(0).U32(0).U32(2).U32(0).Raw({0, 0, 0, 0, 255, 255, 255, 0});
    for (int i = 0; i < 5; ++i)
        b.Raw({0xFF, 0x01});
    return b.Raw({0x00, 0x01}).m_bytes;
}

struct Reasons : ::testing::Test
{
    void SetUp() override { ASSERT_TRUE(gxInitialize()); }
    void TearDown() override { gxDestroy(); }
    CTempDir m_dir;
};

TEST_F(Reasons, EveryRefusalNamesItsCause)
{
    const Bytes bmp = Written("x.bmp"), tga = Written("x.tga"), png = Written("x.png"), jpg = Written("x.jpg");
    const struct
    {
        const char* name;
        Bytes file;
        const char* reason;
    } cases[] = {
        {"empty.png", {}, "empty file"},
        {"notes.txt", Text("hello"), "not a picture of a known type"},
        {"fake.gif", Text("hello"), "not a GIF file"},
        {"fake.jpeg", Text("\x89PN"), "not a JPEG file"},
        {"cut.png", Cut(png, png.size() - 20), "truncated PNG data"},
        {"crc.png", Patched(png, 29, {0xFF}), "corrupt PNG data"},
        {"cut.jpg", Cut(jpg, jpg.size() / 2), "truncated JPEG data"},
        {"jpeg-in.bmp", Patched(bmp, 30, {4}), "unsupported BMP compression"},
        {"seven.bmp", Patched(bmp, 28, {7}), "unsupported BMP bit depth"},
        {"wide.bmp", Patched(bmp, 18, {0x60, 0xEA, 0, 0, 0x60, 0xEA, 0, 0}), "picture too large"},
        {"cut.bmp", Cut(bmp, bmp.size() - 40), "truncated BMP data"},
        {"type4.tga", Patched(tga, 2, {4}), "unsupported TGA image type"},
        {"zero.tga", Patched(tga, 12, {0, 0}), "invalid TGA picture size"},
        {"cut.tga", Cut(tga, 100), "truncated TGA data"},
        {"cut.gif", Cut(Gif(8, 8), 30), "truncated GIF data"},
        {"empty.gif", CraftedGif({8, 8, 0, 0, 8, 8, {}, -1, false}), "no picture in the GIF file"},
        {"dxt2.dds", BuildDds({4, 4, FourCc("DXT2"), Bytes(16)}), "unsupported DDS compression"},
        {"zero.dds", BuildDds({0, 4, FourCc("DXT1"), Bytes(8)}), "invalid DDS picture size"},
        {"cut.dds", BuildDds({64, 64, FourCc("DXT5"), Bytes(100)}), "truncated DDS data"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteFileBytes(m_dir.File(c.name), c.file));
        EXPECT_EQ(gxLoadImage(m_dir.File(c.name).c_str()).id, 0u);
        EXPECT_STREQ(gxGetLastErrorText(), c.reason);
    }
    EXPECT_EQ(gxLoadImage(m_dir.File("missing.png").c_str()).id, 0u);
    EXPECT_STREQ(gxGetLastErrorText(), "No such file or directory");

    // A success clears the reason; a save tells its own.
    ASSERT_TRUE(WriteFileBytes(m_dir.File("good.png"), png));
    EXPECT_NE(gxLoadImage(m_dir.File("good.png").c_str()).id, 0u);
    EXPECT_STREQ(gxGetLastErrorText(), "");
    EXPECT_FALSE(gxSaveImage(m_dir.File("out.gif").c_str(), false));
    EXPECT_STREQ(gxGetLastErrorText(), "pictures cannot be written as this type");
    // A missing folder is made; one a file stands in the way of is refused with the reason.
    EXPECT_TRUE(gxSaveImage(m_dir.File("new/folder/out.png").c_str(), false));
    EXPECT_FALSE(gxSaveImage(m_dir.File("new/folder/out.png/x.png").c_str(), false));
    EXPECT_STREQ(gxGetLastErrorText(), "Not a directory");
}

TEST(CodecLimits, SmallFilesClaimingHugePicturesAreRefusedBeforeTheirMemoryIsTaken)
{
    // Each claims at least 768 MiB of pixels; the child may take 64 MiB.
    const std::pair<gx::Decoder, Bytes> files[] = {
        {gx::DecodeJpeg, JpegClaiming65000x4000()},
        {gx::DecodeBmp, RleBmpClaiming16384()},
        {gx::DecodeGif, Gif(16384, 16384)},
    };
    for (const auto& [decode, file] : files)
    {
        EXPECT_LT(file.size(), 800u);
        const int status = RunInChild([&, decode = decode, &file = file] {
            gx::CBitmap out;
            return decode(file, out) == ECodecError::Truncated && out.Empty() ? 0 : 1;
        }, 60000, 64u << 20);
        EXPECT_EQ(status, 0) << file.size() << "-byte file";
    }
}

TEST(CodecLimits, MemoryRunningOutInsideAGxCallIsAFalseResultNotAnAbort)
{
    // A 4096 x 4096 RGBA picture (64 MiB) loaded and saved as BMP and TGA, whose outputs need as
    // much again, in a child that may grow by 96 MiB: the pixels fit, their copies do not.
    const CTempDir dir;
    const std::string big = dir.File("big.tga");
    {
        gx::CBitmap picture;
        ASSERT_TRUE(picture.Allocate(4096, 4096, GL_BGRA));
        Bytes file;
        ASSERT_EQ(gx::EncodeImageFile(picture, big.c_str(), file), ECodecError::None);
        ASSERT_TRUE(WriteFileBytes(big, file));
    }
    const int status = RunInChild([&] {
        gxInitialize();
        uint32_t id = 0;
        gxGenImages(1, &id);
        gxBindImage(id);
        if (!gxTexImage(4096, 4096, GL_BGRA))
            return 2;
        for (const char* name : {"out.bmp", "out.tga", "out.png"})
            if (gxSaveImage(dir.File(name).c_str(), false) && std::string(name) != "out.png")
                return 3;
        // Reading the 64 MiB file besides the picture already held does not fit either.
        return gxLoadImage(big.c_str()).id == 0 && *gxGetLastErrorText() ? 0 : 4;
    }, 120000, 96u << 20);
    // Under the sanitizers no limit applies: the child must merely end without a signal.
    if (kUnderSanitizer)
        EXPECT_NE(status, -1);
    else
        EXPECT_EQ(status, 0);
}
} // namespace
