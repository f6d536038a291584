#pragma once
// The file work of gxLoadImage and gxSaveImage apart from the image table and the record of the
// last failure, so that pictures can be read, decoded, encoded and written on any thread while the
// table and the record stay with the thread that owns the engine. The caller hands each outcome to
// the matching Record call on that thread, in the order the serial calls would have been made; the
// record then reads exactly as after gxLoadImage or gxSaveImage.

#include "engine/Bitmap.h"
#include "engine/codecs/Codecs.h"

#include <string>

namespace gx
{
// Reads and decodes the picture at path (what gxLoadImage does before the table). Touches nothing
// shared; never throws. `reason` receives the file module's reason when the file cannot be read.
ECodecError ReadImageFile(const char* path, CBitmap& out, EFileType& type, std::string& reason);
// Records the outcome of ReadImageFile as gxLoadImage records its own; true for success.
bool RecordImageRead(ECodecError error, EFileType type, const std::string& reason);

// Encodes image by the extension of path and replaces the file, its folder made first when missing
// (what gxSaveImage does with the bound image). Touches nothing shared; never throws. `reason`
// receives the system's reason when the file cannot be written.
ECodecError WriteImageFile(const CBitmap& image, const char* path, std::string& reason);
// Records the outcome of WriteImageFile as gxSaveImage records its own; true for success.
bool RecordImageWritten(ECodecError error, const char* path, const std::string& reason);

// A decoded picture taken into the table as a new image, which is bound; id 0 when memory runs out.
GX_IMAGE AdoptImage(CBitmap&& bitmap);
// Exchanges the pixels of the image id with `other` (no copy); false for an unknown id.
bool SwapImagePixels(uint32_t id, CBitmap& other);
} // namespace gx
