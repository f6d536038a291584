#include "batch/BatchKind.h"
#include "batch/BatchKindTable.h"

const char* SectionName(EBatchKind kind)
{
    return BatchKindInfo(kind).m_pszSection;
}

const char* KindCommandName(EBatchKind kind)
{
    return BatchKindInfo(kind).m_pszCommand;
}

bool KindFromCommandName(const std::string& name, EBatchKind& kind)
{
    for (const SBatchKindInfo* info : kBatchKindInfos)
        if (name == info->m_pszCommand)
        {
            kind = info->m_eKind;
            return true;
        }
    return false;
}

bool IsSequenceKind(EBatchKind kind)
{
    return BatchKindInfo(kind).m_eItems == EBatchItems::Sequences;
}
