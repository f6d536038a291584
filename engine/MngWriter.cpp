// Animated MNG: a header, an endless-repeat termination, and one embedded PNG datastream per frame,
// each frame shown for one tick of 1/fps second.

#include "base/FileIo.h"
#include "engine/Limits.h"
#include "engine/Outcome.h"
#include "engine/codecs/PngWriter.h"
#include "engine/gx.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace
{
constexpr uint8_t kMngSignature[8] = {0x8A, 'M', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kInfinite = 0x7FFFFFFF;

// Simplicity profile bits of the header.
constexpr uint32_t kProfileValid = 1u << 0;
constexpr uint32_t kProfileSimpleFeatures = 1u << 1; // TERM and the like: MNG-LC, never the complex set
constexpr uint32_t kProfileTransparency = 1u << 3;
constexpr uint32_t kProfileTransparencyDetail = 1u << 6; // bits 7 and 8 below mean something
constexpr uint32_t kProfileBackgroundTransparency = 1u << 7;
constexpr uint32_t kProfileSemitransparency = 1u << 8;

uint32_t SimplicityProfile(int width, int height, int count, const uint8_t* const* frames)
{
    bool transparent = false, semitransparent = false;
    const size_t pixels = size_t(width) * size_t(height);
    for (int k = 0; k < count && !semitransparent; ++k)
        for (size_t i = 0; i < pixels; ++i)
        {
            const uint8_t a = frames[k][i * 4 + 3];
            if (a != 255)
            {
                transparent = true;
                if (a != 0)
                {
                    semitransparent = true;
                    break;
                }
            }
        }
    uint32_t profile = kProfileValid | kProfileSimpleFeatures | kProfileTransparencyDetail;
    if (transparent)
        profile |= kProfileTransparency | kProfileBackgroundTransparency;
    if (semitransparent)
        profile |= kProfileSemitransparency;
    return profile;
}

// The outcome of writing, recorded for gxGetLastErrorText; true for success.
bool WriteMng(const char* path, int width, int height, int count, const uint8_t* const* frames, int fps)
{
    std::vector<uint8_t> file(kMngSignature, kMngSignature + sizeof kMngSignature);

    uint8_t header[28];
    gx::PutBigEndian32(header, uint32_t(width));
    gx::PutBigEndian32(header + 4, uint32_t(height));
    gx::PutBigEndian32(header + 8, uint32_t(fps)); // a tick is one frame
    // Layers: the background plus one per frame; play time: one tick per frame (one iteration).
    gx::PutBigEndian32(header + 12, uint32_t(std::min<int64_t>(int64_t(count) + 1, kInfinite)));
    gx::PutBigEndian32(header + 16, uint32_t(count));
    gx::PutBigEndian32(header + 20, uint32_t(count));
    gx::PutBigEndian32(header + 24, SimplicityProfile(width, height, count, frames));
    gx::AppendPngChunk(file, "MHDR", header);

    uint8_t term[10];
    term[0] = 3; // repeat the sequence
    term[1] = 0; // after the last iteration keep showing the last frame
    gx::PutBigEndian32(term + 2, 0);         // no pause between iterations
    gx::PutBigEndian32(term + 6, kInfinite); // iterations
    gx::AppendPngChunk(file, "TERM", term);

    gx::CPngImageWriter writer;
    for (int k = 0; k < count; ++k)
        if (!writer.Append(file, frames[k], uint32_t(width), uint32_t(height), GL_RGBA))
            return gx::RecordOutcome(gx::ECodecError::EncodeFailed, gx::EFileType::Png);
    gx::AppendPngChunk(file, "MEND", {});
    std::string reason;
    if (!ReplaceFile(path, file, &reason))
        return gx::RecordFileFailure(gx::ECodecError::WriteFailed, reason);
    return gx::RecordOutcome(gx::ECodecError::None);
}
} // namespace

bool gxMakeMngAnimFile(const char* path, int width, int height, int count, const uint8_t* const* frames, int fps)
{
    if (!path || !*path || !frames || count <= 0 || fps <= 0 || width <= 0 || height <= 0 ||
        !gx::SizeAllowed(uint32_t(width), uint32_t(height), 4))
        return gx::RecordOutcome(gx::ECodecError::NothingToWrite);
    if (std::any_of(frames, frames + count, [](const uint8_t* frame) { return frame == nullptr; }))
        return gx::RecordOutcome(gx::ECodecError::NothingToWrite);
    try
    {
        return WriteMng(path, width, height, count, frames, fps);
    }
    catch (const std::exception&) // memory, above all: the call promises a result
    {
        return gx::RecordOutcome(gx::ECodecError::OutOfMemory);
    }
}
