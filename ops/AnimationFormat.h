#pragma once
// The file formats an animation is written in: MNG (the default, and what files without a format
// have always made), animated PNG and GIF. Batch files, settings and the runner hold a format by
// its name; the file is <title>.mng, <title>.png or <title>.gif.

#include <cstdint>
#include <string>
#include <vector>

class CMngFrameSet;

enum class EAnimationFormat
{
    Mng,
    Apng,
    Gif,
};

// "mng", "apng", "gif".
const char* AnimationFormatName(EAnimationFormat format);
// The format of a name as batch files, settings and the runner hold it: one of the three names, or
// the empty text for MNG. False for any other text (the format is then Mng).
bool AnimationFormatFromName(const std::string& name, EAnimationFormat& format);
// Every format's name, MNG first, for the lists that offer the choice.
std::vector<std::string> AnimationFormatNames();
// "mng, apng or gif", for the messages that refuse another name.
std::string AnimationFormatChoices();
// The file extension without the dot: "mng", "png", "gif".
const char* AnimationExtension(EAnimationFormat format);

// Writes the frames as one animation of that format at fps frames a second, looping for ever.
// False, with the engine's reason in gxGetLastErrorText, when nothing was written.
bool WriteAnimation(EAnimationFormat format, const std::string& path, const CMngFrameSet& frames,
                    int32_t framesPerSecond);
