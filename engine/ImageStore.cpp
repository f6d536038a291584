// The engine's image table: images under ids, one bound image, and the pixel calls of gx.h.

#include "base/FileIo.h"
#include "engine/Bitmap.h"
#include "engine/ImageFiles.h"
#include "engine/Limits.h"
#include "engine/Outcome.h"
#include "engine/codecs/Codecs.h"
#include "engine/gx.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <unordered_map>

namespace
{
using gx::CBitmap;

struct CImageTable
{
    std::unordered_map<uint32_t, std::unique_ptr<CBitmap>> m_images;
    uint32_t m_nNextId = 1;
    uint32_t m_nBound = 0;
    std::string m_strLastError; // of the last load or save; empty after a success

    uint32_t Add(std::unique_ptr<CBitmap> bitmap)
    {
        while (m_nNextId == 0 || m_images.count(m_nNextId))
            ++m_nNextId;
        const uint32_t id = m_nNextId++;
        m_images.emplace(id, std::move(bitmap));
        return id;
    }
    CBitmap* Find(uint32_t id)
    {
        const auto it = m_images.find(id);
        return it == m_images.end() ? nullptr : it->second.get();
    }
    CBitmap* Bound() { return Find(m_nBound); }
    void Remove(uint32_t id)
    {
        m_images.erase(id);
        if (m_nBound == id)
            m_nBound = 0;
    }
};

CImageTable& Table()
{
    static CImageTable table;
    return table;
}

using gx::RecordOutcome;

// The gx calls promise a result, never an exception: whatever escapes the work (memory running
// out in a container, above all) becomes the failure value.
template <class R, class Work>
R Guarded(R failure, Work work)
{
    try
    {
        return work();
    }
    catch (const std::exception&)
    {
        RecordOutcome(gx::ECodecError::OutOfMemory);
        return failure;
    }
}

GX_IMAGE InfoOf(uint32_t id, const CBitmap& bitmap)
{
    GX_IMAGE info{};
    info.id = id;
    info.format = bitmap.m_nFormat;
    info.bytesPerPixel = uint16_t(bitmap.BytesPerPixel());
    info.width = uint16_t(bitmap.m_nWidth);
    info.height = uint16_t(bitmap.m_nHeight);
    return info;
}

// The intersection of a w x h block at (x, y) with a bitmap, as offsets into both.
struct SClip
{
    uint32_t srcX, srcY; // first pixel inside the block
    uint32_t dstX, dstY; // first pixel inside the bitmap
    uint32_t width, height;
};

bool ClipBlock(int64_t x, int64_t y, int64_t w, int64_t h, const CBitmap& bitmap, SClip& clip)
{
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(x + w, bitmap.m_nWidth);
    const int64_t y1 = std::min<int64_t>(y + h, bitmap.m_nHeight);
    if (w <= 0 || h <= 0 || x1 <= x0 || y1 <= y0)
        return false;
    clip = SClip{uint32_t(x0 - x), uint32_t(y0 - y), uint32_t(x0), uint32_t(y0), uint32_t(x1 - x0), uint32_t(y1 - y0)};
    return true;
}
} // namespace

bool gxInitialize()
{
    return true;
}

void gxDestroy()
{
    CImageTable& table = Table();
    table.m_images.clear();
    table.m_nBound = 0;
}

GX_IMAGE gxLoadImage(const char* path)
{
    return Guarded(GX_IMAGE{}, [&] {
        CBitmap bitmap;
        gx::EFileType type = gx::EFileType::Unknown;
        std::string reason;
        const gx::ECodecError error = gx::ReadImageFile(path, bitmap, type, reason);
        if (!gx::RecordImageRead(error, type, reason))
            return GX_IMAGE{};
        return gx::AdoptImage(std::move(bitmap));
    });
}

namespace gx
{
// Assigning a short text into a string that already has room does not allocate.
bool RecordOutcome(ECodecError error, EFileType type)
{
    std::string& last = Table().m_strLastError;
    try
    {
        if (error == ECodecError::None)
            last.clear();
        else
            last = CodecErrorText(error, type);
    }
    catch (const std::exception&)
    {
        last.clear();
    }
    return error == ECodecError::None;
}

bool WriteOutputFile(const char* path, std::span<const uint8_t> bytes)
{
    std::string reason;
    if (MakeFolderOf(path, &reason) && ReplaceFile(path, bytes, &reason))
        return RecordOutcome(ECodecError::None);
    return RecordFileFailure(ECodecError::WriteFailed, reason);
}

ECodecError ReadImageFile(const char* path, CBitmap& out, EFileType& type, std::string& reason)
{
    type = EFileType::Unknown;
    try
    {
        std::vector<uint8_t> file;
        if (!ReadWholeFile(path, file, kMaxFileBytes, &reason))
            return ECodecError::FileUnreadable;
        return DecodeImageFile(file, path, out, type);
    }
    catch (const std::exception&)
    {
        out.Clear();
        return ECodecError::OutOfMemory;
    }
}

bool RecordImageRead(ECodecError error, EFileType type, const std::string& reason)
{
    if (error == ECodecError::FileUnreadable)
        return RecordFileFailure(error, reason);
    return RecordOutcome(error, type);
}

ECodecError WriteImageFile(const CBitmap& image, const char* path, std::string& reason)
{
    try
    {
        std::vector<uint8_t> bytes;
        const ECodecError error = EncodeImageFile(image, path, bytes);
        if (error != ECodecError::None)
            return error;
        return MakeFolderOf(path, &reason) && ReplaceFile(path, bytes, &reason) ? ECodecError::None
                                                                                : ECodecError::WriteFailed;
    }
    catch (const std::exception&)
    {
        return ECodecError::OutOfMemory;
    }
}

bool RecordImageWritten(ECodecError error, const char* path, const std::string& reason)
{
    if (error == ECodecError::WriteFailed)
        return RecordFileFailure(error, reason);
    return RecordOutcome(error, FileTypeFromPath(path));
}

GX_IMAGE AdoptImage(CBitmap&& bitmap)
{
    return Guarded(GX_IMAGE{}, [&] {
        CImageTable& table = Table();
        const uint32_t id = table.Add(std::make_unique<CBitmap>(std::move(bitmap)));
        table.m_nBound = id;
        return InfoOf(id, *table.Find(id));
    });
}

bool SwapImagePixels(uint32_t id, CBitmap& other)
{
    CBitmap* bitmap = Table().Find(id);
    if (!bitmap)
        return false;
    std::swap(*bitmap, other);
    return true;
}

bool RecordFileFailure(ECodecError error, const std::string& reason)
{
    RecordOutcome(error);
    if (!reason.empty())
    {
        try
        {
            Table().m_strLastError = reason;
        }
        catch (const std::exception&)
        {
        }
    }
    return false;
}
} // namespace gx

const char* gxGetLastErrorText()
{
    return Table().m_strLastError.c_str();
}

void gxGenImages(int count, uint32_t* ids)
{
    if (!ids)
        return;
    for (int i = 0; i < count; ++i)
        ids[i] = Guarded(0u, [] { return Table().Add(std::make_unique<CBitmap>()); });
}

void gxDeleteImages(int count, const uint32_t* ids)
{
    if (!ids)
        return;
    for (int i = 0; i < count; ++i)
        Table().Remove(ids[i]);
}

void gxDestroyImage(uint32_t id)
{
    Table().Remove(id);
}

void gxBindImage(uint32_t id)
{
    CImageTable& table = Table();
    table.m_nBound = table.Find(id) ? id : 0;
}

GX_IMAGE gxGetImageInfo(uint32_t id)
{
    const CBitmap* bitmap = Table().Find(id);
    return bitmap ? InfoOf(id, *bitmap) : GX_IMAGE{};
}

bool gxTexImage(int width, int height, uint32_t format)
{
    CBitmap* bitmap = Table().Bound();
    if (!bitmap || width < 0 || height < 0)
        return false;
    if (width == 0 || height == 0)
    {
        // A zero-sized image is empty storage, not a failure: callers size by counts that may be 0.
        bitmap->Clear();
        bitmap->m_nFormat = gx::BytesPerPixel(format) ? format : bitmap->m_nFormat;
        return gx::BytesPerPixel(format) != 0;
    }
    return bitmap->Allocate(uint32_t(width), uint32_t(height), format);
}

uint8_t* gxGetImageBuffer(uint32_t id)
{
    CBitmap* bitmap = Table().Find(id);
    return bitmap && !bitmap->Empty() ? bitmap->m_pixels.data() : nullptr;
}

bool gxSetPixels(int x, int y, int width, int height, uint32_t format, const void* pixels)
{
    CBitmap* bitmap = Table().Bound();
    const uint32_t srcBpp = gx::BytesPerPixel(format);
    SClip clip{};
    if (!bitmap || !pixels || srcBpp == 0 || bitmap->Empty() || !ClipBlock(x, y, width, height, *bitmap, clip))
        return false;
    const auto* src = static_cast<const uint8_t*>(pixels);
    const size_t srcRow = size_t(width) * srcBpp;
    const uint32_t dstBpp = bitmap->BytesPerPixel();
    for (uint32_t row = 0; row < clip.height; ++row)
    {
        const uint8_t* s = src + (clip.srcY + row) * srcRow + size_t(clip.srcX) * srcBpp;
        uint8_t* d = bitmap->m_pixels.data() + (clip.dstY + row) * bitmap->RowBytes() + size_t(clip.dstX) * dstBpp;
        gx::ConvertPixels(s, format, d, bitmap->m_nFormat, clip.width);
    }
    return true;
}

bool gxCopyImageBuffer(uint32_t src, const t_RECT& rect, uint32_t format, void* dst)
{
    const CBitmap* bitmap = Table().Find(src);
    const uint32_t dstBpp = gx::BytesPerPixel(format);
    const int64_t x = rect.left, y = rect.bottom;
    const int64_t w = int64_t(rect.right) - rect.left, h = int64_t(rect.top) - rect.bottom;
    SClip clip{};
    if (!bitmap || !dst || dstBpp == 0 || bitmap->Empty() || !ClipBlock(x, y, w, h, *bitmap, clip))
        return false;
    auto* out = static_cast<uint8_t*>(dst);
    const size_t dstRow = size_t(w) * dstBpp;
    const uint32_t srcBpp = bitmap->BytesPerPixel();
    for (uint32_t row = 0; row < clip.height; ++row)
    {
        const uint8_t* s = bitmap->m_pixels.data() + (clip.dstY + row) * bitmap->RowBytes() + size_t(clip.dstX) * srcBpp;
        uint8_t* d = out + (clip.srcY + row) * dstRow + size_t(clip.srcX) * dstBpp;
        gx::ConvertPixels(s, bitmap->m_nFormat, d, format, clip.width);
    }
    return true;
}

bool gxCopyImageAlpha(uint32_t id, uint8_t* dst)
{
    const CBitmap* bitmap = Table().Find(id);
    if (!bitmap || !dst || bitmap->Empty())
        return false;
    const size_t count = size_t(bitmap->m_nWidth) * bitmap->m_nHeight;
    if (bitmap->BytesPerPixel() != 4)
    {
        std::memset(dst, 255, count);
        return true;
    }
    const uint8_t* p = bitmap->m_pixels.data() + 3;
    for (size_t i = 0; i < count; ++i, p += 4)
        dst[i] = *p;
    return true;
}

bool gxConvertImage(uint32_t format)
{
    CBitmap* bitmap = Table().Bound();
    return bitmap && gx::ConvertBitmap(*bitmap, format);
}

bool gxFlipImage()
{
    CBitmap* bitmap = Table().Bound();
    if (!bitmap)
        return false;
    gx::FlipRows(*bitmap);
    return true;
}

bool gxSaveImage(const char* path, bool flip)
{
    CBitmap* bitmap = Table().Bound();
    if (!bitmap || bitmap->Empty() || !path)
        return RecordOutcome(gx::ECodecError::NothingToWrite);
    return Guarded(false, [&] {
        // Rows flipped for the encoder are flipped back on every way out, an exception included.
        struct SFlipped
        {
            CBitmap* m_pBitmap;
            explicit SFlipped(CBitmap* bitmap) : m_pBitmap(bitmap) { if (m_pBitmap) gx::FlipRows(*m_pBitmap); }
            ~SFlipped() { if (m_pBitmap) gx::FlipRows(*m_pBitmap); }
        } flipped(flip ? bitmap : nullptr);
        std::string reason;
        return gx::RecordImageWritten(gx::WriteImageFile(*bitmap, path, reason), path, reason);
    });
}

bool gxTypeKeepsAlpha(const char* path)
{
    const gx::SCodecRow* row = gx::CodecRowOf(gx::FileTypeFromPath(path));
    return row && row->m_pEncode && row->m_bWritesAlpha;
}
