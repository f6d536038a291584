#pragma once
// One decoder and (where the type is writable) one encoder per file type, each in its own file,
// reached through one table of formats. Decoders take the whole file in memory and give a
// top-row-first bitmap: PNG, JPEG and GIF in GL_RGB or GL_RGBA, BMP, TGA and DDS in GL_BGR or
// GL_BGRA; grey and palette pictures expanded. They check every size against gx::SizeAllowed, and
// against what the file's bytes can describe, before allocating, and on anything malformed or
// truncated give the reason and leave `out` empty. Encoders accept any of the four formats.

#include "engine/Bitmap.h"
#include "engine/Limits.h"

#include <cstdint>
#include <new>
#include <span>
#include <string>
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

// Why a file did not load or a picture was not written. The texts name the format where it
// matters ("truncated PNG data"); ECodecError::None is success.
enum class ECodecError : uint8_t
{
    None,
    FileUnreadable,     // the file could not be read
    EmptyFile,          // empty file
    UnknownType,        // not a picture of a known type
    NotFormat,          // not a <format> file
    Truncated,          // truncated <format> data
    Corrupt,            // corrupt <format> data
    BadSize,            // invalid <format> picture size
    TooLarge,           // picture too large
    UnsupportedType,    // unsupported <format> image type
    UnsupportedDepth,   // unsupported <format> bit depth
    UnsupportedCompression, // unsupported <format> compression
    NoPicture,          // no picture in the <format> file
    TooManyScans,       // too many <format> scans
    OutOfMemory,        // out of memory
    NotWritable,        // pictures cannot be written as this type
    EncodeFailed,       // the picture could not be encoded as <format>
    WriteFailed,        // the file could not be written
    NothingToWrite,     // no picture to write
};

// The reason as one line of text, the format's name put in where the reason names it.
std::string CodecErrorText(ECodecError error, EFileType type = EFileType::Unknown);

// Zeroed storage for a decoded picture: TooLarge past the engine's limits, OutOfMemory when
// memory runs out.
inline ECodecError AllocatePicture(CBitmap& out, uint32_t width, uint32_t height, uint32_t format)
{
    if (!SizeAllowed(width, height, BytesPerPixel(format)))
        return ECodecError::TooLarge;
    return out.Allocate(width, height, format) ? ECodecError::None : ECodecError::OutOfMemory;
}

// Runs fill, which builds `out` and gives its outcome; when it fails, or memory runs out on the
// way, `out` is left empty. For decoders that allocate scratch storage besides the bitmap.
template <class Fill>
ECodecError FillOrClear(CBitmap& out, Fill fill)
{
    out.Clear();
    ECodecError result = ECodecError::OutOfMemory;
    try
    {
        result = fill();
    }
    catch (const std::bad_alloc&)
    {
        result = ECodecError::OutOfMemory;
    }
    if (result != ECodecError::None)
        out.Clear();
    return result;
}

using Decoder = ECodecError (*)(std::span<const uint8_t> file, CBitmap& out);
using Encoder = bool (*)(const CBitmap& image, std::vector<uint8_t>& out);

// One row per format. A format without signature is recognised by its extension alone.
struct SCodecRow
{
    EFileType m_type;
    const char* m_pName;                 // "PNG", as reasons name it
    const char* m_pExtensions;           // lower case, separated by '|', the first one canonical
    bool (*m_pSignature)(std::span<const uint8_t> file); // null: none
    Decoder m_pDecode;
    Encoder m_pEncode;                   // null: not writable
    bool m_bWritesAlpha;                 // the encoder keeps a 4-byte picture's alpha
};

// The row of a type; null for EFileType::Unknown.
const SCodecRow* CodecRowOf(EFileType type);

// The type named by the file's extension, without regard to case.
EFileType FileTypeFromPath(const char* path);
// The type told by the first bytes; formats without signature (TGA) are never sniffed.
EFileType SniffFileType(std::span<const uint8_t> file);

ECodecError DecodePng(std::span<const uint8_t> file, CBitmap& out);
ECodecError DecodeJpeg(std::span<const uint8_t> file, CBitmap& out);
ECodecError DecodeBmp(std::span<const uint8_t> file, CBitmap& out);
ECodecError DecodeTga(std::span<const uint8_t> file, CBitmap& out);
ECodecError DecodeGif(std::span<const uint8_t> file, CBitmap& out);
ECodecError DecodeDds(std::span<const uint8_t> file, CBitmap& out);

bool EncodePng(const CBitmap& image, std::vector<uint8_t>& out);
bool EncodeJpeg(const CBitmap& image, std::vector<uint8_t>& out);
bool EncodeBmp(const CBitmap& image, std::vector<uint8_t>& out);
bool EncodeTga(const CBitmap& image, std::vector<uint8_t>& out);

// Decodes a file of any readable type: by signature first, then by extension for a format without
// one; a file whose extension names a format with a signature it lacks is "not a <format> file".
// `type` receives the format the file was taken for.
ECodecError DecodeImageFile(std::span<const uint8_t> file, const char* path, CBitmap& out, EFileType& type);
// Encodes by the extension of path; NotWritable for a type that cannot be written, EncodeFailed
// for a picture the format cannot hold or memory that runs out.
ECodecError EncodeImageFile(const CBitmap& image, const char* path, std::vector<uint8_t>& out);
} // namespace gx
