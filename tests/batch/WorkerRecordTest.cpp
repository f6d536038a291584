// The records a worker process sends its parent: what is written reads back as it was, whatever
// the names hold, and bytes that are no record are refused without reading past them.

#include "BatchTesting.h"

#include "batch/WorkerRecord.h"

namespace mosvane::test
{
namespace
{
auto Fields(const SWorkerRecord& r)
{
    const CBatchReport& p = r.m_report;
    return std::tuple(r.m_eType, r.m_nPosition, r.m_bResult, r.m_nSteps, p.m_nItems, p.m_nDone, p.m_nSkipped, p.m_nWritten,
                      p.m_nFailedWrites, p.m_nNotDone, p.m_nUnnamedFiles, p.m_notes, p.m_failures, p.m_results, p.m_clashes);
}

SWorkerRecord Sample()
{
    SWorkerRecord record{EWorkerRecord::Item, 4000000000u, false, 3, {}};
    CBatchReport& r = record.m_report;
    r.m_nItems = 1, r.m_nDone = 1, r.m_nWritten = 2, r.m_nFailedWrites = 1, r.m_nUnnamedFiles = 0;
    r.m_notes = {"a\\b\tc\nd", ""};
    r.m_failures = {{"/in/x.png", "could not be written (No space left on device)"}};
    r.m_results = {{4000000000u, "/in/odd\nname\\.png", true, "", {"out/a 1.png", "out/tab\there.png"}},
                   {7, "/in/b.png", false, "does not exist", {}}};
    r.m_clashes = {{"out/pic.png", "/in/1/pic.png", "/in/2/pic.png"}};
    return record;
}

TEST(WorkerRecord, WhatIsWrittenReadsBackAsItWas)
{
    SWorkerRecord end{EWorkerRecord::End, 0, true, 0, {}};
    SWorkerRecord preamble{EWorkerRecord::Preamble, 0, false, 0, {}};
    preamble.m_report.m_notes = {std::string("nul \0 inside", 13)};
    for (const SWorkerRecord& sent : {Sample(), end, preamble})
    {
        const std::string bytes = WriteWorkerRecord(sent) + WriteWorkerRecord(end);
        SWorkerRecord got;
        size_t used = 0;
        ASSERT_EQ(ReadWorkerRecord(bytes, got, used), ERecordRead::Record);
        EXPECT_EQ(Fields(got), Fields(sent));
        const size_t first = used;
        EXPECT_EQ(ReadWorkerRecord(std::string_view(bytes).substr(first), got, used), ERecordRead::Record);
        EXPECT_EQ(first + used, bytes.size());
        // Every cut of a record is a record not yet all there.
        for (size_t cut = 0; cut < first; cut += 7)
            EXPECT_EQ(ReadWorkerRecord(std::string_view(bytes).substr(0, cut), got, used), ERecordRead::Partial) << cut;
    }
}

TEST(WorkerRecord, WhatNoWorkerWritesIsRefused)
{
    const std::string good = WriteWorkerRecord(Sample());
    const std::string body = good.substr(good.find('\n') + 1);
    const auto with = [&](const std::string& line) { return "record item\n" + line + "\n"; };
    const std::vector<std::string> refused = {
             std::string(),                                    // empty
             body.substr(0, body.size() - 1),                  // truncated: the last line feed gone
             "position 1\nrecord item\n",                      // fields before the record's type
             "record other\n",                                 // unknown type
             with("colour red"),                               // unknown tag
             with("position 4294967296"), with("steps 1x"), with("result 2"), // numbers out of range or bad
             with("done 1\ndone 1"),                           // given twice
             with("entry 1\tdone\t/in/a\\0.png"),              // NUL in a name, escaped
             with(std::string("entry 1\tdone\t/in/a\0.png", 23)), // NUL in a name, raw
             with("entry 1\tdone\t/in/a\n.png"),               // a line break in a name, raw
             with("entry 1\tmaybe\t/in/a.png"), with("entry 1\t/in/a.png"),
             with("file out/a.png"),                           // a file without its entry
             with("note bad escape \\q"), with("note trailing \\"),
             with("failure /in/a.png"),                        // no reason
         };
    for (const std::string& bad : refused)
    {
        SWorkerRecord got;
        EXPECT_FALSE(ParseWorkerRecordBody(bad, got)) << bad;
    }
    // Lists longer than a report keeps, and headers that announce too much or are no header.
    std::string notes = "record preamble\n";
    for (size_t i = 0; i <= CBatchReport::kMaxNotes; ++i)
        notes += "note n\n";
    SWorkerRecord got;
    EXPECT_FALSE(ParseWorkerRecordBody(notes, got));
    size_t used = 0;
    for (const std::string& stream : {"MVR1 " + std::to_string(kMaxRecordBytes + 1) + "\n", std::string("MVR1 12x\n"),
                                      std::string("MVR2 5\nabcde"), std::string("MVR1 ") + std::string(40, '1'),
                                      "MVR1 " + std::to_string(body.size() + 1) + "\n" + body + "x"})
        EXPECT_EQ(ReadWorkerRecord(stream, got, used), ERecordRead::Damaged) << stream;
}
} // namespace
} // namespace mosvane::test
