#include "batch/BatchKind.h"

namespace
{
struct SKindNames
{
    EBatchKind m_eKind;
    const char* m_pszSection;
    const char* m_pszCommand;
};

constexpr SKindNames kNames[] = {
    {EBatchKind::Split, "SplitBatch", "split"},
    {EBatchKind::Combine, "CombineBatch", "combine"},
    {EBatchKind::Blend, "BlendBatch", "blend"},
    {EBatchKind::AlphaExtract, "AlphaExtractBatch", "alpha-extract"},
    {EBatchKind::RgbAlpha, "RGBAlphaMakingBatch", "rgb-alpha"},
    {EBatchKind::AlphaImageCombine, "AlphaImageCombineBatch", "alpha-image"},
    {EBatchKind::Mng, "MNGMakingBatch", "mng"},
};

const SKindNames& NamesOf(EBatchKind kind)
{
    for (const SKindNames& names : kNames)
        if (names.m_eKind == kind)
            return names;
    return kNames[0];
}
} // namespace

const char* SectionName(EBatchKind kind)
{
    return NamesOf(kind).m_pszSection;
}

const char* KindCommandName(EBatchKind kind)
{
    return NamesOf(kind).m_pszCommand;
}

bool KindFromCommandName(const std::string& name, EBatchKind& kind)
{
    for (const SKindNames& names : kNames)
        if (name == names.m_pszCommand)
        {
            kind = names.m_eKind;
            return true;
        }
    return false;
}

bool IsSequenceKind(EBatchKind kind)
{
    return kind == EBatchKind::Combine || kind == EBatchKind::Mng;
}
