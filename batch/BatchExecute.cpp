#include "batch/BatchExecute.h"
#include "batch/BatchKindTable.h"

bool ExecuteBatch(EBatchKind kind, BatchFile& batch, CBatchReport* report, IItemSchedule* schedule)
{
    if (size_t(kind) >= kBatchKinds.size())
        return false;
    return BatchKindInfo(kind).m_pExecute(batch, report, schedule);
}
