#pragma once
// One decoder and (where the type is writable) one encoder per file type, each in its own file.
// Decoders take the whole file in memory and give a top-row-first bitmap: PNG, JPEG and GIF in
// GL_RGB or GL_RGBA, BMP, TGA and DDS in GL_BGR or GL_BGRA; grey and palette pictures expanded.
// They check every size against gx::SizeAllowed before allocating and return false on anything
// malformed or truncated, leaving `out` empty. Encoders accept any of the four formats.

#include "engine/Bitmap.h"

#include <cstdint>
#include <span>
#include <vector>

namespace gx
{
enum class EFileType
{
    Unknown,
    Png,
    Jpeg,
    Bmp,
    Tga,
    Gif,
    Dds,
};

// The type named by the file's extension, without regard to case.
EFileType FileTypeFromPath(const char* path);
// The type told by the first bytes; TGA has no signature and is never sniffed.
EFileType SniffFileType(std::span<const uint8_t> file);

bool DecodePng(std::span<const uint8_t> file, CBitmap& out);
bool DecodeJpeg(std::span<const uint8_t> file, CBitmap& out);
bool DecodeBmp(std::span<const uint8_t> file, CBitmap& out);
bool DecodeTga(std::span<const uint8_t> file, CBitmap& out);
bool DecodeGif(std::span<const uint8_t> file, CBitmap& out);
bool DecodeDds(std::span<const uint8_t> file, CBitmap& out);

bool EncodePng(const CBitmap& image, std::vector<uint8_t>& out);
bool EncodeJpeg(const CBitmap& image, std::vector<uint8_t>& out);
bool EncodeBmp(const CBitmap& image, std::vector<uint8_t>& out);
bool EncodeTga(const CBitmap& image, std::vector<uint8_t>& out);

// Decodes a file of any readable type: by signature first, by extension for TGA.
bool DecodeImageFile(std::span<const uint8_t> file, const char* path, CBitmap& out);
// Encodes by the extension of path; false for a type that cannot be written.
bool EncodeImageFile(const CBitmap& image, const char* path, std::vector<uint8_t>& out);
} // namespace gx
