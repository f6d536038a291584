// Animated MNG: a header, an endless-repeat termination, and one embedded PNG datastream per frame,
// each frame shown for one tick of 1/fps second and replacing the previous one wholly.

#include "base/FileIo.h"
#include "engine/AnimationFrames.h"
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

// Simplicity profile bits of the header. The profile is the very-low-complexity one: no framing
// chunks, one full-size picture per frame, and a TERM chunk (as ImageMagick's own MNG writer pairs
// them). ImageMagick reads such a file frame by frame, each frame wholly replacing the last; a
// profile that admits framing chunks makes it layer every frame over the one before (and it loses
// the background layers that framing mode 3 asks for), so transparent parts showed trails of the
// earlier frames. The transparency detail bits would also take the file out of that profile there.
// Players that keep to the letter of MNG (libmng) still lay each frame of this profile over the
// last; the APNG and GIF writers clear for every reader.
constexpr uint32_t kProfileValid = 1u << 0;
constexpr uint32_t kProfileTransparency = 1u << 3;

uint32_t SimplicityProfile(int width, int height, int count, const uint8_t* const* frames)
{
    const size_t pixels = size_t(width) * size_t(height);
    for (int k = 0; k < count; ++k)
        for (size_t i = 0; i < pixels; ++i)
            if (frames[k][i * 4 + 3] != 255)
                return kProfileValid | kProfileTransparency;
    return kProfileValid;
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
    return gx::WriteOutputFile(path, file);
}
} // namespace

bool gxMakeMngAnimFile(const char* path, int width, int height, int count, const uint8_t* const* frames, int fps)
{
    if (!gx::AnimationArgumentsValid(path, width, height, count, frames, fps))
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
