#include "engine/codecs/Codecs.h"
#include "engine/gx.h"
#include "RasterFileTesting.h"

#include <cstring>

using namespace rastertest;
using mosvane::test::PatternRgba;

namespace
{
using Encoder = bool (*)(const gx::CBitmap&, std::vector<uint8_t>&);

struct SWriter
{
    const char* extension;
    Encoder encode;
    Decoder decode;
    // Header fields that the readers of other programs rely on.
    void (*checkHeader)(const Bytes& file, bool alpha);
};

const SWriter kWriters[] = {
    {"bmp", gx::EncodeBmp, gx::DecodeBmp,
     [](const Bytes& f, bool alpha) {
         // 32 bits go out as bit fields with an alpha mask in a V5 header: readers take an
         // all-zero fourth byte of 32-bit BI_RGB for "no alpha".
         EXPECT_EQ(Le32At(f, 14), alpha ? 124u : 40u);
         EXPECT_EQ(f[28], alpha ? 32 : 24);
         EXPECT_EQ(Le32At(f, 30), alpha ? 3u : 0u);
         if (alpha)
         {
             EXPECT_EQ(Le32At(f, 14 + 52), 0xFF000000u);
         }
     }},
    {"tga", gx::EncodeTga, gx::DecodeTga,
     [](const Bytes& f, bool alpha) {
         EXPECT_EQ(f[2], 2); // uncompressed true colour
         EXPECT_EQ(f[16], alpha ? 32 : 24);
         EXPECT_EQ(f[17], alpha ? 0x28 : 0x20); // top-left origin, 8 attribute bits with alpha
         EXPECT_EQ(std::memcmp(&f[f.size() - 18], "TRUEVISION-XFILE.", 18), 0);
     }},
};

gx::CBitmap BitmapFrom(const Bytes& rgba, uint32_t w, uint32_t h, uint32_t format)
{
    gx::CBitmap bitmap;
    EXPECT_TRUE(bitmap.Allocate(w, h, format));
    gx::ConvertPixels(rgba.data(), GL_RGBA, bitmap.m_pixels.data(), format, size_t(w) * h);
    return bitmap;
}

TEST(BmpTgaWrite, EveryPixelFormatRoundTripsAndImageMagickReadsTheSame)
{
    mosvane::test::CTempDir dir;
    const uint32_t w = 11, h = 5; // odd width: BMP rows are padded
    for (const SWriter& writer : kWriters)
        for (const uint32_t format : {GL_RGB, GL_RGBA, GL_BGR, GL_BGRA})
            for (const bool clear : {false, true})
            {
                SCOPED_TRACE(std::string(writer.extension) + " format " + std::to_string(format) + (clear ? " clear" : ""));
                const bool alpha = gx::BytesPerPixel(format) == 4;
                if (clear && !alpha)
                    continue;
                Bytes source = PatternRgba(w, h, alpha);
                for (size_t i = 3; clear && i < source.size(); i += 4)
                    source[i] = 0; // fully transparent pixels keep their colours and alpha
                Bytes file;
                ASSERT_TRUE(writer.encode(BitmapFrom(source, w, h, format), file));
                writer.checkHeader(file, alpha);
                const SDecoded d = Decode(writer.decode, file);
                EXPECT_EQ(d.format, alpha ? GL_BGRA : GL_BGR);
                EXPECT_EQ(d.rgba, source);
                if (mosvane::test::HaveImageMagick())
                {
                    // Read as stored, without applying orientation.
                    const std::string path = dir.File(std::string("ours.") + writer.extension);
                    uint32_t mw = 0, mh = 0;
                    Bytes theirs;
                    ASSERT_TRUE(mosvane::test::WriteFileBytes(path, file));
                    ASSERT_TRUE(mosvane::test::MagickReadRgba(path, mw, mh, theirs));
                    EXPECT_EQ(theirs, source);
                }
            }
}

TEST(BmpTgaWrite, EngineSavesAndLoadsByExtension)
{
    mosvane::test::CTempDir dir;
    ASSERT_TRUE(gxInitialize());
    const Bytes rgba = PatternRgba(3, 2, true);
    for (const char* name : {"saved.BMP", "saved.tga"})
        for (const uint32_t format : {GL_RGB, GL_RGBA})
        {
            SCOPED_TRACE(name);
            uint32_t id = 0;
            gxGenImages(1, &id);
            gxBindImage(id);
            ASSERT_TRUE(gxTexImage(3, 2, format));
            ASSERT_TRUE(gxSetPixels(0, 0, 3, 2, GL_RGBA, rgba.data()));
            const std::string path = dir.File(name);
            ASSERT_TRUE(gxSaveImage(path.c_str(), true));
            const GX_IMAGE loaded = gxLoadImage(path.c_str());
            ASSERT_NE(loaded.id, 0u);
            const bool alpha = format == GL_RGBA;
            EXPECT_EQ(loaded.format, uint32_t(alpha ? GL_BGRA : GL_BGR));
            EXPECT_EQ(loaded.bytesPerPixel, alpha ? 4 : 3);
            EXPECT_EQ(loaded.width, 3);
            EXPECT_EQ(loaded.height, 2);
            // Saved flipped: the loaded top row is the source's bottom row, as B, G, R (, A).
            const uint8_t* p = gxGetImageBuffer(loaded.id);
            EXPECT_EQ(p[0], rgba[12 + 2]);
            EXPECT_EQ(p[2], rgba[12 + 0]);
            gxDeleteImages(1, &id);
            gxDestroyImage(loaded.id);
        }
    gxDestroy();
}
} // namespace
