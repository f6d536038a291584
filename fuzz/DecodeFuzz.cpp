// Loads any bytes through the codec table, as the engine loads a file. The first byte picks the
// name the file goes by, so that a format without signature (TGA) and refusals by extension are
// reached; the rest is the file. A refusal must leave no picture; a picture must be whole, and a
// small one must come back unchanged through every lossless writer.

#include "engine/codecs/Codecs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
constexpr const char* kNames[] = {"f.png", "f.jpg", "f.bmp", "f.tga", "f.gif", "f.dds", "f.bin"};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void ExpectLosslessRoundTrips(const gx::CBitmap& picture)
{
    for (const char* name : {"f.png", "f.bmp", "f.tga"})
    {
        std::vector<uint8_t> file;
        Check(gx::EncodeImageFile(picture, name, file) == gx::ECodecError::None);
        gx::CBitmap again;
        gx::EFileType type;
        Check(gx::DecodeImageFile(file, name, again, type) == gx::ECodecError::None);
        Check(again.m_nWidth == picture.m_nWidth && again.m_nHeight == picture.m_nHeight);
        std::vector<uint8_t> a(size_t(picture.m_nWidth) * picture.m_nHeight * 4);
        std::vector<uint8_t> b(a.size());
        gx::ConvertPixels(picture.m_pixels.data(), picture.m_nFormat, a.data(), GL_RGBA, a.size() / 4);
        gx::ConvertPixels(again.m_pixels.data(), again.m_nFormat, b.data(), GL_RGBA, b.size() / 4);
        Check(a == b);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const char* name = kNames[data[0] % std::size(kNames)];
    gx::CBitmap picture;
    gx::EFileType type = gx::EFileType::Unknown;
    const gx::ECodecError error = gx::DecodeImageFile({data + 1, size - 1}, name, picture, type);
    Check(!gx::CodecErrorText(error, type).empty());
    if (error != gx::ECodecError::None)
    {
        Check(picture.Empty());
        return 0;
    }
    Check(picture.m_nWidth > 0 && picture.m_nHeight > 0 &&
          picture.m_pixels.size() == size_t(picture.m_nWidth) * picture.m_nHeight * picture.BytesPerPixel());
    if (uint64_t(picture.m_nWidth) * picture.m_nHeight <= 4096)
        ExpectLosslessRoundTrips(picture);
    return 0;
}
