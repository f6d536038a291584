#pragma once
// The engine's record of why its last file call failed, read back with gxGetLastErrorText: the
// loads and saves of the image table and the animation writer record into it.

#include "engine/codecs/Codecs.h"

#include <cstdint>
#include <span>
#include <string>

namespace gx
{
// Records the outcome of a load, save or animation write; true for success (the text is then
// empty). A text that cannot be stored leaves an empty one.
bool RecordOutcome(ECodecError error, EFileType type = EFileType::Unknown);
// Records a failure of reading or writing the file itself: the file module's reason where it gave
// one ("No space left on device"), otherwise the codec text of `error`. Gives false.
bool RecordFileFailure(ECodecError error, const std::string& reason);
// Writes an encoded output file: its folder is made first when missing (with its parents), then
// the file is replaced. Records the outcome with the system's reason for a failure.
bool WriteOutputFile(const char* path, std::span<const uint8_t> bytes);
} // namespace gx
