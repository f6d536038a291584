#include "BatchTesting.h"

#include <climits>

namespace
{
using namespace batchtest;

TEST(BatchFile, RefusesFilesThatAreNotBatchFilesAndStaysClosed)
{
    CTempDir dir;
    BatchFile batch;
    // Letter case, a declaration or a comment first, another root, no XML, no file.
    for (const char* text : {"<mosvanebatch/>", "<?xml version=\"1.0\"?>\n<MosvaneBatch/>",
                             "<!-- note --><MosvaneBatch/>", "<Other/>", "plain text", static_cast<const char*>(nullptr)})
    {
        if (text)
            WriteText(dir.File("x.xml"), text);
        EXPECT_FALSE(batch.LoadBatchFile(dir.File(text ? "x.xml" : "missing.xml"))) << (text ? text : "no file");
        // Nothing can open a batch behind the caller's back.
        EXPECT_FALSE(batch.WriteAlphaExtractSection(Output("/o")));
        EXPECT_FALSE(batch.AddItem(EBatchKind::AlphaExtract, "/a.png"));
        EXPECT_FALSE(batch.SaveBatchFile());
        EXPECT_FALSE(batch.IsOpen());
    }
    // A file that cannot be written is reported by Save; the new batch is open in memory.
    EXPECT_FALSE(batch.NewBatchFile(dir.File("no/such/folder/b.xml")));
    EXPECT_TRUE(batch.IsOpen());
    EXPECT_FALSE(batch.SaveBatchFile());
    // A section without all three children is present but cannot be executed.
    WriteText(dir.File("part.xml"), "<MosvaneBatch><BlendBatch><Output/><Input/></BlendBatch></MosvaneBatch>");
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("part.xml")));
    EXPECT_TRUE(batch.HasSection(EBatchKind::Blend));
    EXPECT_FALSE(ExecuteBlendBatch(batch));
    // A blend with neither layer named has nothing to do.
    ASSERT_TRUE(batch.NewBatchFile(dir.File("b.xml")));
    batch.WriteBlendSection({Output("/o"), "", ""});
    EXPECT_FALSE(ExecuteBlendBatch(batch));
}

TEST(BatchValues, NumbersAndSequenceItemsReadAsTheFileGivesThem)
{
    for (const auto& [text, value] : std::vector<std::pair<const char*, int32_t>>{
             {"12abc", 12}, {nullptr, 0}, {"  -5", -5}, {"+7", 7}, {"0x10", 0},
             {"99999999999999999999", INT32_MAX}, {"-99999999999999999999", INT32_MIN}})
        EXPECT_EQ(ParseBatchInteger(text), value) << (text ? text : "null");
    EXPECT_EQ(ParseBatchRatio(" 0.5x") + ParseBatchRatio("+.25") + ParseBatchRatio("half"), 0.75);

    // "" for a file that is no member of a sequence with that many digits.
    for (const auto& [chosen, digits, expected] : std::vector<std::tuple<const char*, int, std::string>>{
             {"/shots/2024/run-005.png", 4, "/shots/2024/run.png"}, // a negative number
             {"/s/a12345.png", 4, "/s/a1.png"},                     // the template's width, not the run's
             {"/s/f%d007.bmp", 0, "/s/f%d00.bmp"},                  // unpadded: no needless zero
             {"/s/walk007.png", 4, ""}, {"/s/walk0001.jpeg", 4, ""}, {"/s/walk-0.png", 2, ""}, {"1.png", 4, ""}})
    {
        std::string item;
        EXPECT_EQ(SequenceItemPath(chosen, digits, item) ? item : "", expected) << chosen;
    }
    // Several files of one sequence give one item, in the order of first appearance.
    EXPECT_EQ(SequenceItemPaths({"/a/x0002.png", "/b/y0001.png", "/a/x0001.png", "/a/notes.txt"}, 4),
              (std::vector<std::string>{"/a/x.png", "/b/y.png"}));
}
} // namespace
