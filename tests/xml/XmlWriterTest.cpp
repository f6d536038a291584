#include "XmlTestHelpers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using mosvane::test::DumpDocument;
using mosvane::test::LoadText;
using mosvane::test::SameTree;
using mosvane::test::Written;

namespace
{
std::string Rewritten(const std::string& text, uint32_t options = XmlOptProgram)
{
    XmlDocument doc;
    EXPECT_TRUE(LoadText(doc, text, options));
    return Written(doc.Root());
}

std::string ReadText(const std::string& path)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(mosvane::test::ReadFileBytes(path, bytes));
    return std::string(bytes.begin(), bytes.end());
}

TEST(XmlWrite, SettingsLayoutWithTabsAndCrLf)
{
    XmlDocument doc;
    doc.CreateEmpty();
    XmlNode root = doc.Root().AppendChild(XmlKindElement);
    root.SetName("Mosvane");
    XmlNode output = root.AppendChild(XmlKindElement);
    output.SetName("Output");
    output.Attribute("Folder").SetValue("/home/ana/out");
    output.Attribute("ImageType").SetValue("");
    XmlNode split = root.AppendChild(XmlKindElement);
    split.SetName("Split");
    split.Attribute("Rows").SetLong(3);
    EXPECT_EQ(Written(doc.Root()), "<Mosvane>\r\n"
                                   "\t<Output Folder=\"/home/ana/out\" ImageType=\"\"/>\r\n"
                                   "\t<Split Rows=\"3\"/>\r\n"
                                   "</Mosvane>\r\n");
}

TEST(XmlWrite, OneTextChildStaysOnItsLine)
{
    EXPECT_EQ(Rewritten("<a><b>  word </b><c>x<d/></c></a>"), "<a>\r\n"
                                                             "\t<b>word</b>\r\n"
                                                             "\t<c>\r\n"
                                                             "\t\tx\r\n"
                                                             "\t\t<d/>\r\n"
                                                             "\t</c>\r\n"
                                                             "</a>\r\n");
}

TEST(XmlWrite, EveryKindOfNode)
{
    EXPECT_EQ(Rewritten("<?xml version=\"1.0\"?><r flag x='1'><!-- c --><![CDATA[<raw>]]><![INCLUDE[i]]>"
                        "<?pi a='b'?><!ENTITY e 'v'></r>"),
              "<?xml version=\"1.0\"?>\r\n"
              "<r flag x=\"1\">\r\n"
              "\t<!--c-->\r\n"
              "\t<![CDATA[<raw>]]>\r\n"
              "\t<![INCLUDE[i]]>\r\n"
              "\t<?pi a=\"b\"?>\r\n"
              "\t<!ENTITY e 'v'>\r\n"
              "</r>\r\n");
}

TEST(XmlWrite, DocTypeWithValueOrDeclarations)
{
    EXPECT_EQ(Rewritten("<!DOCTYPE r SYSTEM \"r.dtd\" [ <!ENTITY a 'b'> ]><r/>", XmlOptKeepDocType),
              "<!DOCTYPE r SYSTEM \"r.dtd\" [ <!ENTITY a 'b'> ]>\r\n<r/>\r\n");
    EXPECT_EQ(Rewritten("<!DOCTYPE r [<!ENTITY a 'b'><!-- dropped --><!ELEMENT r ANY>]>"),
              "<!DOCTYPE r\r\n[\r\n\t<!ENTITY a 'b'>\r\n\t<!ELEMENT r ANY>\r\n]>\r\n");
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<!DOCTYPE r [<!ENTITY a 'b'>]>"));
    EXPECT_EQ(Written(doc.Root(), 0, false), "<!DOCTYPE r [ <!ENTITY a 'b'>]>");
}

TEST(XmlWrite, NullNamesAndValues)
{
    XmlDocument doc;
    doc.CreateEmpty();
    XmlNode r = doc.Root().AppendChild(XmlKindElement); // never named
    r.AppendChild(XmlKindText);
    EXPECT_EQ(Written(doc.Root()), "<anonymous></anonymous>\r\n");
    r.AppendChild(XmlKindComment);
    r.AppendChild(XmlKindEntityDecl);
    r.AppendChild(XmlKindNull);
    EXPECT_EQ(Written(doc.Root()), "<anonymous>\r\n\t\r\n\t\r\n\t\r\n\t\r\n</anonymous>\r\n");
}

TEST(XmlWrite, IndentCharacterAndLineBreaksCanBeOff)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<a><b><c/></b></a>"));
    EXPECT_EQ(Written(doc.Root(), ' ', true), "<a>\r\n <b>\r\n  <c/>\r\n </b>\r\n</a>\r\n");
    EXPECT_EQ(Written(doc.Root(), 0, false), "<a><b><c/></b></a>");
    EXPECT_EQ(Written(doc.Root().Child(0).Child(0)), "<b>\r\n\t<c/>\r\n</b>\r\n");
}

TEST(XmlWrite, ValueWithDoubleQuoteReadsBackWhole)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<a/>"));
    XmlNode a = doc.Root().Child(0);
    a.Attribute("p").SetValue("say \"hi\"");
    a.Attribute("both").SetValue("it's \"x\"");
    const std::string text = Written(doc.Root());
    EXPECT_EQ(text, "<a p='say \"hi\"' both=\"it's \"x\"\"/>\r\n");
    XmlDocument again;
    ASSERT_TRUE(LoadText(again, text));
    EXPECT_STREQ(again.Root().Child(0).Attribute("p").Value(), "say \"hi\"");
    // Holding both quotes, a value cannot come back whole: it is cut at the first one.
    EXPECT_STREQ(again.Root().Child(0).Attribute("both").Value(), "it's");
}

TEST(XmlWrite, ValuesAreWrittenByteForByte)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<a/>"));
    doc.Root().Child(0).Attribute("v").SetValue("a\nb<&>");
    EXPECT_EQ(Written(doc.Root()), "<a v=\"a\nb<&>\"/>\r\n");
}

TEST(XmlWrite, FailedStreamWritesNothingMore)
{
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    XmlDocument doc;
    std::string text = "<r>";
    for (int i = 0; i < 20000; ++i)
        text += "<Item PathName=\"/some/path/that/fills/the/buffer.png\"/>";
    ASSERT_TRUE(LoadText(doc, text + "</r>"));
    {
        XmlOutputStream out(fd);
        EXPECT_FALSE(doc.Root().WriteTo(out));
        EXPECT_FALSE(out.Good());
        EXPECT_FALSE(doc.Root().WriteTo(out));
    }
    ::close(fd);
    XmlOutputStream closed(-1);
    EXPECT_FALSE(closed.Good());
}

TEST(XmlWrite, WriterHandlesAbsurdDepthWithoutRecursion)
{
    const int depth = 100000;
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<e>";
    text += "x";
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, text));
    const std::string out = Written(doc.Root());
    // Indentation stops growing, so every line stays short.
    size_t longest = 0;
    for (size_t start = 0, end; start < out.size(); start = end + 2)
    {
        end = out.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        longest = std::max(longest, end - start);
    }
    EXPECT_LE(longest, XmlIndentStack::kMaxLevels + 8);
    XmlDocument again;
    ASSERT_TRUE(LoadText(again, out));
    EXPECT_TRUE(SameTree(doc.Root(), again.Root()));
}

TEST(XmlSave, ReplacesTheFileWithCrLfLines)
{
    mosvane::test::CTempDir dir;
    const std::string path = dir.File("out.xml");
    ASSERT_TRUE(mosvane::test::WriteFileBytes(path, std::vector<uint8_t>(100, 'x')));
    ::chmod(path.c_str(), 0640);
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<r><a/></r>"));
    ASSERT_TRUE(doc.Save(path));
    EXPECT_EQ(ReadText(path), "<r>\r\n\t<a/>\r\n</r>\r\n");
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // Through a symbolic link the target is replaced and the link stays.
    const std::string link = dir.File("link.xml");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(LoadText(doc, "<s/>"));
    ASSERT_TRUE(doc.Save(link));
    EXPECT_EQ(ReadText(path), "<s/>\r\n");
    struct stat lst{};
    ASSERT_EQ(::lstat(link.c_str(), &lst), 0);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));
}

TEST(XmlSave, FailureLeavesNothingBehind)
{
    mosvane::test::CTempDir dir;
    XmlDocument doc;
    EXPECT_FALSE(doc.Save(dir.File("no-tree.xml"))); // nothing loaded
    ASSERT_TRUE(LoadText(doc, "<r/>"));
    EXPECT_FALSE(doc.Save(dir.File("missing/folder/out.xml")));
    EXPECT_FALSE(doc.Save(dir.Path())); // a folder is not replaced
    EXPECT_FALSE(doc.Save(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(doc.Save(""));
    EXPECT_FALSE(mosvane::test::FileExists(dir.File("no-tree.xml")));
}

// Parse, save, parse again: the same tree, and for files in the writer's layout the same bytes.
void ExpectRoundTrip(const std::string& path)
{
    const std::string original = ReadText(path);
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    mosvane::test::CTempDir dir;
    ASSERT_TRUE(doc.Save(dir.File("again.xml")));
    EXPECT_EQ(ReadText(dir.File("again.xml")), original);
    XmlDocument reference, again;
    ASSERT_TRUE(reference.LoadFile(path));
    ASSERT_TRUE(again.LoadFile(dir.File("again.xml")));
    std::string where;
    EXPECT_TRUE(SameTree(reference.Root(), again.Root(), &where)) << where;
}

TEST(XmlRoundTrip, ShippedSettingsFile)
{
    ExpectRoundTrip(std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/Mosvane.xml");
    ExpectRoundTrip(std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/BatchMosvane.xml");
}

TEST(XmlRoundTrip, BatchFileWithEveryKind)
{
    const std::string path = mosvane::test::TestDataDir() + "/BatchAllKinds.xml";
    ExpectRoundTrip(path);
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path));
    XmlNode root = doc.Root().Child(0);
    EXPECT_STREQ(root.Name(), "MosvaneBatch");
    EXPECT_EQ(root.ChildCount(), 7u);
    EXPECT_STREQ(root.SelectPath("SplitBatch/ApplyToItems").Child(2).Attribute("PathName").Value(),
                 "/home/ana/pictures/the \"big\" one.png");
    EXPECT_STREQ(root.SelectPath("SplitBatch/Input/Cols").Child(2).Attribute("Ratio").Value(), "0.333333");
    EXPECT_EQ(root.SelectPath("BlendBatch/ApplyToItems").Child(1).Kind(), XmlKindComment);
}

TEST(XmlRoundTrip, EditedDocumentKeepsWhatItDoesNotKnow)
{
    const std::string text = "<?xml version=\"1.0\"?>\r\n<Root>\r\n\t<!--keep me-->\r\n\t<Unknown a=\"1\">text</Unknown>\r\n"
                             "\t<Split Rows=\"2\"/>\r\n</Root>\r\n";
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, text));
    XmlNode split = doc.Root().Child(1).SelectPath("./Split");
    split.Attribute("Rows").SetLong(12);
    split.Attribute("Cols").SetLong(4);
    EXPECT_EQ(Written(doc.Root()), "<?xml version=\"1.0\"?>\r\n<Root>\r\n\t<!--keep me-->\r\n\t<Unknown a=\"1\">text</Unknown>\r\n"
                                   "\t<Split Rows=\"12\" Cols=\"4\"/>\r\n</Root>\r\n");
}
} // namespace
