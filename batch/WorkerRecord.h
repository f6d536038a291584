#pragma once
// What a worker process tells its parent over their pipe, one record at a time: the report and
// progress steps of one entry of the item list, of what came before the item loop, or of the end
// with the executor's result. An entry's record names its path, whether it was done (and why not),
// and every file it wrote, so that the parent sees the files of the whole run in item order.
//
// The form is text, one field a line ("tag value"), after a header with the body's length:
//
//   MVR1 <bytes>\n
//   record item\n  position 4\n  steps 1\n  items 1\n  done 1\n ...
//   entry 4\tdone\t/in/a.png\n  file out/a001.png\n  file out/a002.png\n
//
// Backslash, line feed, tab and NUL in a value are written as \\ \n \t \0, so a line is always one
// field; a file or item name holding NUL is no name. The reader refuses anything else: an unknown
// tag, a number that is not one or is out of range, a field given twice, a body longer than
// kMaxRecordBytes or lists longer than a report keeps. It allocates no more than the bytes given.

#include "batch/BatchReport.h"

#include <cstdint>
#include <string>
#include <string_view>

enum class EWorkerRecord : uint8_t
{
    Preamble,
    Item,
    End,
};

struct SWorkerRecord
{
    EWorkerRecord m_eType = EWorkerRecord::Item;
    uint32_t m_nPosition = 0; // the entry's position (Item records)
    bool m_bResult = false;   // the executor's result (End records)
    int64_t m_nSteps = 0;     // progress steps made
    CBatchReport m_report;
};

// A record body longer than this is not one a worker sends: the stream is damaged.
inline constexpr size_t kMaxRecordBytes = size_t(64) << 20;

// The record with its header, ready for the pipe.
std::string WriteWorkerRecord(const SWorkerRecord& record);

// Reads the body of one record (the bytes after the header); false for anything WriteWorkerRecord
// does not write.
bool ParseWorkerRecordBody(std::string_view body, SWorkerRecord& record);

// Looks at the front of a stream of records: Record (with record and the bytes it took in used),
// Partial while the first record is not all there yet, Damaged when it can never be one.
enum class ERecordRead
{
    Record,
    Partial,
    Damaged,
};
ERecordRead ReadWorkerRecord(std::string_view stream, SWorkerRecord& record, size_t& used);
