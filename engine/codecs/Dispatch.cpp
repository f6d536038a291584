#include "engine/codecs/Codecs.h"

#include <cctype>
#include <cstring>
#include <string>

namespace gx
{
EFileType FileTypeFromPath(const char* path)
{
    if (!path)
        return EFileType::Unknown;
    const char* dot = std::strrchr(path, '.');
    const char* slash = std::strrchr(path, '/');
    if (!dot || (slash && dot < slash))
        return EFileType::Unknown;
    std::string ext(dot + 1);
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "png")
        return EFileType::Png;
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe")
        return EFileType::Jpeg;
    if (ext == "bmp" || ext == "dib")
        return EFileType::Bmp;
    if (ext == "tga")
        return EFileType::Tga;
    if (ext == "gif")
        return EFileType::Gif;
    if (ext == "dds")
        return EFileType::Dds;
    return EFileType::Unknown;
}

EFileType SniffFileType(std::span<const uint8_t> file)
{
    auto starts = [&](const char* magic, size_t n) { return file.size() >= n && std::memcmp(file.data(), magic, n) == 0; };
    if (starts("\x89PNG\r\n\x1a\n", 8))
        return EFileType::Png;
    if (starts("\xFF\xD8\xFF", 3))
        return EFileType::Jpeg;
    if (starts("BM", 2))
        return EFileType::Bmp;
    if (starts("GIF87a", 6) || starts("GIF89a", 6))
        return EFileType::Gif;
    if (starts("DDS ", 4))
        return EFileType::Dds;
    return EFileType::Unknown;
}

bool DecodeImageFile(std::span<const uint8_t> file, const char* path, CBitmap& out)
{
    out.Clear();
    EFileType type = SniffFileType(file);
    if (type == EFileType::Unknown && FileTypeFromPath(path) == EFileType::Tga)
        type = EFileType::Tga;
    bool ok = false;
    switch (type)
    {
    case EFileType::Png: ok = DecodePng(file, out); break;
    case EFileType::Jpeg: ok = DecodeJpeg(file, out); break;
    case EFileType::Bmp: ok = DecodeBmp(file, out); break;
    case EFileType::Tga: ok = DecodeTga(file, out); break;
    case EFileType::Gif: ok = DecodeGif(file, out); break;
    case EFileType::Dds: ok = DecodeDds(file, out); break;
    case EFileType::Unknown: break;
    }
    if (!ok)
        out.Clear();
    return ok;
}

bool EncodeImageFile(const CBitmap& image, const char* path, std::vector<uint8_t>& out)
{
    out.clear();
    if (image.Empty())
        return false;
    switch (FileTypeFromPath(path))
    {
    case EFileType::Png: return EncodePng(image, out);
    case EFileType::Jpeg: return EncodeJpeg(image, out);
    case EFileType::Bmp: return EncodeBmp(image, out);
    case EFileType::Tga: return EncodeTga(image, out);
    default: return false;
    }
}
} // namespace gx
