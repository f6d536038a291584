// JPEG through libjpeg-turbo: baseline and progressive, grey, RGB, YCbCr and CMYK read to GL_RGB;
// written as YCbCr without chroma subsampling at quality 90 with optimised Huffman tables, alpha
// dropped.

#include "engine/codecs/Codecs.h"
#include "engine/Limits.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>

namespace gx
{
namespace
{
constexpr int kQuality = 90;

// A progressive file may hold any number of scans, each a pass over the whole coefficient buffer;
// encoders write about ten. Past this many the file is taken for hostile rather than decoded for
// minutes.
constexpr int kMaxScans = 256;

// Memory libjpeg may take for one decode: the whole-image coefficient buffer of a progressive file
// (two bytes a sample) plus its working rows.
constexpr long kMaxJpegMemory = long(kMaxImageBytes / 3 * 8);

// libjpeg reports errors through these callbacks: fatal ones jump back to the setjmp of the call
// in progress, warnings are counted silently, except that compressed data running out (the file
// ends, or a marker comes, before the last pixel) is an error: libjpeg would make up grey rows, and
// a tiny file claiming a huge picture would be decoded to the end.
struct SErrorManager
{
    jpeg_error_mgr m_pub;
    jmp_buf m_jump;
    ECodecError m_reason; // of the error that ended the call, once it has
};

ECodecError ReasonOf(int msgCode)
{
    switch (msgCode)
    {
    case JERR_NO_SOI: return ECodecError::NotFormat;
    case JERR_INPUT_EOF:
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER: return ECodecError::Truncated;
    case JERR_OUT_OF_MEMORY: return ECodecError::OutOfMemory;
    case JERR_BAD_PRECISION: return ECodecError::UnsupportedDepth;
    case JERR_ARITH_NOTIMPL:
    case JERR_NOT_COMPILED:
    case JERR_SOF_UNSUPPORTED: return ECodecError::UnsupportedCompression;
    case JERR_EMPTY_IMAGE:
    case JERR_IMAGE_TOO_BIG: return ECodecError::BadSize;
    default: return ECodecError::Corrupt;
    }
}

[[noreturn]] void Fail(j_common_ptr info, ECodecError reason)
{
    auto* errors = reinterpret_cast<SErrorManager*>(info->err);
    errors->m_reason = reason;
    std::longjmp(errors->m_jump, 1);
}

[[noreturn]] void OnJpegError(j_common_ptr info)
{
    Fail(info, ReasonOf(info->err->msg_code));
}

void OnJpegMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return; // trace output
    if (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER)
        OnJpegError(info);
    ++info->err->num_warnings;
}

void OnJpegOutput(j_common_ptr)
{
}

void OnJpegProgress(j_common_ptr info)
{
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
        Fail(info, ECodecError::TooManyScans);
}

// Whether the file's bytes can hold the blocks of every component. With Huffman coding every block
// costs at least one bit (its DC difference code, in the first scan of a progressive file; a
// sequential block also needs an end-of-block code), so a short file claiming a large picture is
// refused before its buffers exist. Arithmetic coding has no such floor; there the picture is
// only kept when the data lasted to its last row.
bool BytesCanHoldBlocks(j_decompress_ptr info, uint64_t fileBytes)
{
    if (info->arith_code)
        return true;
    uint64_t blocks = 0;
    for (int c = 0; c < info->num_components; ++c)
        blocks += uint64_t(info->comp_info[c].width_in_blocks) * info->comp_info[c].height_in_blocks;
    return blocks <= fileBytes * 8;
}

void InstallErrorManager(SErrorManager& errors, j_common_ptr info)
{
    info->err = jpeg_std_error(&errors.m_pub);
    errors.m_pub.error_exit = OnJpegError;
    errors.m_pub.emit_message = OnJpegMessage;
    errors.m_pub.output_message = OnJpegOutput;
}

struct SDecompressor
{
    jpeg_decompress_struct m_info{};
    SErrorManager m_errors{};
    jpeg_progress_mgr m_progress{};
    ~SDecompressor() { jpeg_destroy_decompress(&m_info); }
};

struct SCompressor
{
    jpeg_compress_struct m_info{};
    SErrorManager m_errors{};
    unsigned char* m_pBuffer = nullptr; // grown by libjpeg's memory destination with malloc
    unsigned long m_nSize = 0;
    ~SCompressor()
    {
        jpeg_destroy_compress(&m_info);
        std::free(m_pBuffer);
    }
};

// CMYK as Adobe applications store it (inverted: 255 is no ink) or plain, to RGB.
void CmykToRgb(const JSAMPLE* cmyk, uint8_t* rgb, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3)
    {
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        for (int c = 0; c < 3; ++c)
        {
            const unsigned v = inverted ? cmyk[c] : 255u - cmyk[c];
            rgb[c] = uint8_t((v * k + 127) / 255);
        }
    }
}

// Between setjmp and a longjmp out of libjpeg there is no object with a destructor here: the
// decompressor and the bitmap belong to the caller, and scratch rows come from libjpeg's pools.
ECodecError ReadJpeg(SDecompressor& d, std::span<const uint8_t> file, CBitmap& out)
{
    j_decompress_ptr info = &d.m_info;
    if (setjmp(d.m_errors.m_jump))
        return d.m_errors.m_reason;
    jpeg_create_decompress(info);
    info->mem->max_memory_to_use = kMaxJpegMemory;
    d.m_progress.progress_monitor = OnJpegProgress;
    info->progress = &d.m_progress;
    jpeg_mem_src(info, file.data(), static_cast<unsigned long>(file.size()));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK)
        return ECodecError::NoPicture;
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (!SizeAllowed(info->image_width, info->image_height, cmyk ? 4 : 3))
        return ECodecError::TooLarge;
    if (!BytesCanHoldBlocks(info, file.size()))
        return ECodecError::Truncated;
    jpeg_start_decompress(info);
    if (info->output_width != info->image_width || info->output_height != info->image_height ||
        info->output_components != (cmyk ? 4 : 3))
        return ECodecError::UnsupportedType;
    if (const ECodecError e = AllocatePicture(out, info->output_width, info->output_height, GL_RGB); e != ECodecError::None)
        return e;
    JSAMPARRAY scratch = nullptr;
    if (cmyk)
        scratch = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                             info->output_width * 4, 1);
    while (info->output_scanline < info->output_height)
    {
        uint8_t* row = out.m_pixels.data() + size_t(info->output_scanline) * out.RowBytes();
        JSAMPROW target = cmyk ? scratch[0] : row;
        if (jpeg_read_scanlines(info, &target, 1) != 1)
            return ECodecError::Truncated;
        if (cmyk)
            CmykToRgb(scratch[0], row, info->output_width, info->saw_Adobe_marker);
    }
    // The file's tail after the last pixel (a missing end marker, trailing bytes) does not matter.
    return ECodecError::None;
}

bool WriteJpeg(SCompressor& c, const CBitmap& image)
{
    j_compress_ptr info = &c.m_info;
    if (setjmp(c.m_errors.m_jump))
        return false;
    jpeg_create_compress(info);
    jpeg_mem_dest(info, &c.m_pBuffer, &c.m_nSize);
    info->image_width = image.m_nWidth;
    info->image_height = image.m_nHeight;
    info->input_components = int(image.BytesPerPixel());
    switch (image.m_nFormat)
    {
    case GL_RGB: info->in_color_space = JCS_RGB; break;
    case GL_BGR: info->in_color_space = JCS_EXT_BGR; break;
    case GL_RGBA: info->in_color_space = JCS_EXT_RGBX; break;
    case GL_BGRA: info->in_color_space = JCS_EXT_BGRX; break;
    default: return false;
    }
    jpeg_set_defaults(info);
    jpeg_set_quality(info, kQuality, TRUE);
    info->comp_info[0].h_samp_factor = 1; // full-resolution colour: pictures here are often graphics
    info->comp_info[0].v_samp_factor = 1;
    info->optimize_coding = TRUE; // a few percent smaller for one more pass over the coefficients
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height)
    {
        JSAMPROW row = const_cast<JSAMPROW>(image.m_pixels.data() + size_t(info->next_scanline) * image.RowBytes());
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    return true;
}
} // namespace

ECodecError DecodeJpeg(std::span<const uint8_t> file, CBitmap& out)
{
    out.Clear();
    if (file.size() < 3 || std::memcmp(file.data(), "\xFF\xD8\xFF", 3) != 0)
        return ECodecError::NotFormat;
    if (file.size() > kMaxFileBytes)
        return ECodecError::TooLarge;
    SDecompressor d;
    InstallErrorManager(d.m_errors, reinterpret_cast<j_common_ptr>(&d.m_info));
    return FillOrClear(out, [&] { return ReadJpeg(d, file, out); });
}

bool EncodeJpeg(const CBitmap& image, std::vector<uint8_t>& out)
{
    out.clear();
    if (image.Empty() || image.m_pixels.size() != image.RowBytes() * image.m_nHeight)
        return false;
    SCompressor c;
    InstallErrorManager(c.m_errors, reinterpret_cast<j_common_ptr>(&c.m_info));
    if (!WriteJpeg(c, image) || !c.m_pBuffer)
        return false;
    if (!TryAssign(out, c.m_nSize))
        return false;
    std::memcpy(out.data(), c.m_pBuffer, c.m_nSize);
    return true;
}
} // namespace gx
