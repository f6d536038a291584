#include "engine/codecs/Codecs.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace gx
{
namespace
{
template <size_t N>
bool StartsWith(std::span<const uint8_t> file, const char (&magic)[N])
{
    return file.size() >= N - 1 && std::memcmp(file.data(), magic, N - 1) == 0;
}

bool IsPng(std::span<const uint8_t> f) { return StartsWith(f, "\x89PNG\r\n\x1a\n"); }
bool IsJpeg(std::span<const uint8_t> f) { return StartsWith(f, "\xFF\xD8\xFF"); }
bool IsBmp(std::span<const uint8_t> f) { return StartsWith(f, "BM"); }
bool IsGif(std::span<const uint8_t> f) { return StartsWith(f, "GIF87a") || StartsWith(f, "GIF89a"); }
bool IsDds(std::span<const uint8_t> f) { return StartsWith(f, "DDS "); }

constexpr SCodecRow kCodecs[] = {
    {EFileType::Png, "PNG", "png", IsPng, DecodePng, EncodePng, true},
    {EFileType::Jpeg, "JPEG", "jpg|jpeg|jpe", IsJpeg, DecodeJpeg, EncodeJpeg, false},
    {EFileType::Bmp, "BMP", "bmp|dib", IsBmp, DecodeBmp, EncodeBmp, true},
    {EFileType::Tga, "TGA", "tga", nullptr, DecodeTga, EncodeTga, true},
    {EFileType::Gif, "GIF", "gif", IsGif, DecodeGif, nullptr, false},
    {EFileType::Dds, "DDS", "dds", IsDds, DecodeDds, nullptr, false},
};

bool ListHas(std::string_view list, std::string_view ext)
{
    while (!list.empty())
    {
        const size_t bar = list.find('|');
        if (list.substr(0, bar) == ext)
            return true;
        list = bar == std::string_view::npos ? std::string_view() : list.substr(bar + 1);
    }
    return false;
}

// Texts with "%" where the format's name goes.
const char* Template(ECodecError error)
{
    switch (error)
    {
    case ECodecError::None: return "no error";
    case ECodecError::FileUnreadable: return "the file could not be read";
    case ECodecError::EmptyFile: return "empty file";
    case ECodecError::UnknownType: return "not a picture of a known type";
    case ECodecError::NotFormat: return "not a % file";
    case ECodecError::Truncated: return "truncated % data";
    case ECodecError::Corrupt: return "corrupt % data";
    case ECodecError::BadSize: return "invalid % picture size";
    case ECodecError::TooLarge: return "picture too large";
    case ECodecError::UnsupportedType: return "unsupported % image type";
    case ECodecError::UnsupportedDepth: return "unsupported % bit depth";
    case ECodecError::UnsupportedCompression: return "unsupported % compression";
    case ECodecError::NoPicture: return "no picture in the % file";
    case ECodecError::TooManyScans: return "too many % scans";
    case ECodecError::OutOfMemory: return "out of memory";
    case ECodecError::NotWritable: return "pictures cannot be written as this type";
    case ECodecError::EncodeFailed: return "the picture could not be encoded as %";
    case ECodecError::WriteFailed: return "the file could not be written";
    case ECodecError::NothingToWrite: return "no picture to write";
    }
    return "unknown error";
}
} // namespace

std::string CodecErrorText(ECodecError error, EFileType type)
{
    const SCodecRow* row = CodecRowOf(type);
    std::string text = Template(error);
    const size_t mark = text.find('%');
    if (mark != std::string::npos)
        text.replace(mark, 1, row ? row->m_pName : "picture");
    return text;
}

const SCodecRow* CodecRowOf(EFileType type)
{
    for (const SCodecRow& row : kCodecs)
        if (row.m_type == type)
            return &row;
    return nullptr;
}

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
    for (const SCodecRow& row : kCodecs)
        if (ListHas(row.m_pExtensions, ext))
            return row.m_type;
    return EFileType::Unknown;
}

EFileType SniffFileType(std::span<const uint8_t> file)
{
    for (const SCodecRow& row : kCodecs)
        if (row.m_pSignature && row.m_pSignature(file))
            return row.m_type;
    return EFileType::Unknown;
}

ECodecError DecodeImageFile(std::span<const uint8_t> file, const char* path, CBitmap& out, EFileType& type)
{
    out.Clear();
    type = SniffFileType(file);
    if (type == EFileType::Unknown)
    {
        type = FileTypeFromPath(path);
        if (file.empty())
            return ECodecError::EmptyFile;
        const SCodecRow* named = CodecRowOf(type);
        if (!named)
            return ECodecError::UnknownType;
        if (named->m_pSignature)
            return ECodecError::NotFormat;
    }
    const ECodecError error = CodecRowOf(type)->m_pDecode(file, out);
    if (error != ECodecError::None || out.Empty())
    {
        out.Clear();
        return error != ECodecError::None ? error : ECodecError::Corrupt;
    }
    return ECodecError::None;
}

ECodecError EncodeImageFile(const CBitmap& image, const char* path, std::vector<uint8_t>& out)
{
    out.clear();
    const SCodecRow* row = CodecRowOf(FileTypeFromPath(path));
    if (!row || !row->m_pEncode)
        return ECodecError::NotWritable;
    if (image.Empty())
        return ECodecError::NothingToWrite;
    if (!row->m_pEncode(image, out))
    {
        out.clear();
        return ECodecError::EncodeFailed;
    }
    return ECodecError::None;
}
} // namespace gx
