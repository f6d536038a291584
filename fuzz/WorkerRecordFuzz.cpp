// Any bytes as the stream a worker process sends its parent: read record by record as the parent
// reads it. Whatever reads as a record, written again, must read back the same.

#include "batch/WorkerRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view stream(reinterpret_cast<const char*>(data), size);
    for (;;)
    {
        SWorkerRecord record;
        size_t used = 0;
        if (ReadWorkerRecord(stream, record, used) != ERecordRead::Record)
            break;
        const std::string again = WriteWorkerRecord(record);
        SWorkerRecord reread;
        size_t usedAgain = 0;
        if (ReadWorkerRecord(again, reread, usedAgain) != ERecordRead::Record || usedAgain != again.size() ||
            WriteWorkerRecord(reread) != again)
            std::abort();
        stream.remove_prefix(used);
    }
    return 0;
}
