#include "ops/AnimationFormat.h"

#include "ops/MngFrames.h"

#include <iterator>

namespace
{
struct SFormatRow
{
    EAnimationFormat m_eFormat;
    const char* m_pszName;
    const char* m_pszExtension;
    bool (*m_pfnWrite)(const char*, int, int, int, const uint8_t* const*, int);
};

constexpr SFormatRow kFormats[] = {
    {EAnimationFormat::Mng, "mng", "mng", &gxMakeMngAnimFile},
    {EAnimationFormat::Apng, "apng", "png", &gxMakeApngAnimFile},
    {EAnimationFormat::Gif, "gif", "gif", &gxMakeGifAnimFile},
};

const SFormatRow& RowOf(EAnimationFormat format)
{
    for (const SFormatRow& row : kFormats)
        if (row.m_eFormat == format)
            return row;
    return kFormats[0];
}
} // namespace

const char* AnimationFormatName(EAnimationFormat format)
{
    return RowOf(format).m_pszName;
}

bool AnimationFormatFromName(const std::string& name, EAnimationFormat& format)
{
    format = EAnimationFormat::Mng;
    if (name.empty())
        return true;
    for (const SFormatRow& row : kFormats)
        if (name == row.m_pszName)
        {
            format = row.m_eFormat;
            return true;
        }
    return false;
}

std::vector<std::string> AnimationFormatNames()
{
    std::vector<std::string> names;
    for (const SFormatRow& row : kFormats)
        names.emplace_back(row.m_pszName);
    return names;
}

std::string AnimationFormatChoices()
{
    std::string text;
    for (const SFormatRow& row : kFormats)
        text += std::string(text.empty() ? "" : &row == &kFormats[std::size(kFormats) - 1] ? " or " : ", ") + row.m_pszName;
    return text;
}

const char* AnimationExtension(EAnimationFormat format)
{
    return RowOf(format).m_pszExtension;
}

bool WriteAnimation(EAnimationFormat format, const std::string& path, const CMngFrameSet& frames,
                    int32_t framesPerSecond)
{
    return RowOf(format).m_pfnWrite(path.c_str(), frames.Width(), frames.Height(), frames.Count(), frames.Pointers(),
                                    framesPerSecond);
}
