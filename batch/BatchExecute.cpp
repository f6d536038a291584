#include "batch/BatchExecute.h"

bool ExecuteBatch(EBatchKind kind, BatchFile& batch, CBatchReport* report)
{
    switch (kind)
    {
    case EBatchKind::Split:
        return ExecuteSplitBatch(batch, report);
    case EBatchKind::Combine:
        return ExecuteCombineBatch(batch, report);
    case EBatchKind::Blend:
        return ExecuteBlendBatch(batch, report);
    case EBatchKind::AlphaExtract:
        return ExecuteAlphaExtractBatch(batch, report);
    case EBatchKind::RgbAlpha:
        return ExecuteRgbAlphaBatch(batch, report);
    case EBatchKind::AlphaImageCombine:
        return ExecuteAlphaImageCombineBatch(batch, report);
    case EBatchKind::Mng:
        return ExecuteMngBatch(batch, report);
    }
    return false;
}
