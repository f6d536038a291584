#include "XmlTestHelpers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace mosvane::test;

namespace
{
TEST(XmlWrite, ParsedDocumentsInTheWritersLayout)
{
    const struct
    {
        const char* m_pszText;
        const char* m_pszWritten;
        uint32_t m_nOptions = XmlOptProgram;
        char m_cIndent = '\t';
        bool m_bLineBreaks = true;
    } cases[] = {
        // One text child stays on its element's line.
        {"<a><b>  word </b><c>x<d/></c></a>",
         "<a>\r\n\t<b>word</b>\r\n\t<c>\r\n\t\tx\r\n\t\t<d/>\r\n\t</c>\r\n</a>\r\n"},
        {"<?xml version=\"1.0\"?><r flag x='1'><!-- c --><![CDATA[<raw>]]><![INCLUDE[i]]>"
         "<?pi a='b'?><!ENTITY e 'v'></r>",
         "<?xml version=\"1.0\"?>\r\n<r flag x=\"1\">\r\n\t<!--c-->\r\n\t<![CDATA[<raw>]]>\r\n\t<![INCLUDE[i]]>\r\n"
         "\t<?pi a=\"b\"?>\r\n\t<!ENTITY e 'v'>\r\n</r>\r\n"},
        // A DOCTYPE with its subset as value, or with declarations as children.
        {"<!DOCTYPE r SYSTEM \"r.dtd\" [ <!ENTITY a 'b'> ]><r/>",
         "<!DOCTYPE r SYSTEM \"r.dtd\" [ <!ENTITY a 'b'> ]>\r\n<r/>\r\n", XmlOptKeepDocType},
        {"<!DOCTYPE r [<!ENTITY a 'b'><!-- dropped --><!ELEMENT r ANY>]>",
         "<!DOCTYPE r\r\n[\r\n\t<!ENTITY a 'b'>\r\n\t<!ELEMENT r ANY>\r\n]>\r\n"},
        {"<!DOCTYPE r [<!ENTITY a 'b'>]>", "<!DOCTYPE r [ <!ENTITY a 'b'>]>", XmlOptProgram, 0, false},
        // Another indent character, or no indentation and no line breaks.
        {"<a><b><c/></b></a>", "<a>\r\n <b>\r\n  <c/>\r\n </b>\r\n</a>\r\n", XmlOptProgram, ' '},
        {"<a><b><c/></b></a>", "<a><b><c/></b></a>", XmlOptProgram, 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rewritten(c.m_pszText, c.m_nOptions, c.m_cIndent, c.m_bLineBreaks), c.m_pszWritten) << c.m_pszText;

    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<a><b><c/></b></a>"));
    EXPECT_EQ(Written(doc.Root().Child(0).Child(0)), "<b>\r\n\t<c/>\r\n</b>\r\n"); // a subtree alone
}

TEST(XmlWrite, DocumentBuiltFromNothing)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.Root().IsEmpty());
    EXPECT_TRUE(doc.Root().AppendChild(XmlKindElement).IsEmpty()); // nothing to append to yet
    // Records without name or value.
    doc.CreateEmpty();
    XmlNode r = doc.Root().AppendChild(XmlKindElement);
    r.AppendChild(XmlKindText);
    EXPECT_EQ(Written(doc.Root()), "<anonymous></anonymous>\r\n");
    for (uint32_t kind : {XmlKindComment, XmlKindEntityDecl, XmlKindNull})
        r.AppendChild(kind);
    EXPECT_EQ(Written(doc.Root()), "<anonymous>\r\n\t\r\n\t\r\n\t\r\n\t\r\n</anonymous>\r\n");
}

TEST(XmlEscaping, EveryValueReadsBackAsItWasSet)
{
    const std::string values[] = {
        "/home/ana/map & legend.png", "a<b>c", "say \"hi\"", "it's \"x\"", "&amp; stays text", "&#38;",
        "  lead and trail\t", " ", "\r\n", "caf\xC3\xA9 <&>'\"", "",
    };
    XmlDocument doc;
    doc.CreateEmpty();
    XmlNode root = AppendElement(doc.Root(), "r");
    for (size_t i = 0; i < std::size(values); ++i)
    {
        XmlNode e = AppendElement(root, "e");
        e.Attribute("v").SetValue(values[i]);
        if (!values[i].empty())
            e.AppendChild(XmlKindText).SetValue(values[i]);
    }
    const std::string text = Written(doc.Root());
    EXPECT_NE(text.find("<e v=\"/home/ana/map &amp; legend.png\">/home/ana/map &amp; legend.png</e>"),
              std::string::npos);
    EXPECT_NE(text.find("v=\"it&apos;s &quot;x&quot;\">it's \"x\"</e>"), std::string::npos);
    EXPECT_NE(text.find("v=\"&#32;&#32;lead and trail&#9;\""), std::string::npos);
    XmlDocument again;
    ASSERT_TRUE(LoadText(again, text));
    XmlNode back = again.Root().Child(0);
    ASSERT_EQ(back.ChildCount(), std::size(values));
    for (size_t i = 0; i < std::size(values); ++i)
    {
        EXPECT_EQ(std::string(back.Child(uint32_t(i)).Attribute("v").Value()), values[i]) << i;
        if (!values[i].empty())
        {
            EXPECT_EQ(std::string(back.Child(uint32_t(i)).Child(0).Value()), values[i]) << i;
        }
    }
    EXPECT_EQ(Written(again.Root()), text); // and writing it again gives the same text
}

TEST(XmlEscaping, ReferencesAreReadAndFilesWrittenBeforeReadAsTheyDid)
{
    const std::pair<const char*, const char*> cases[] = {
        // Predefined entities and character references, decimal and hexadecimal, to UTF-8.
        {"&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
        {"&#65;&#x42;&#X43;&#xe9;&#8364;&#x1F600;", "AB&#X43;\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        // What starts no reference stays as it stands: values written before references were used.
        {"fish & chips", "fish & chips"},
        {"&unknown; &amp &#; &#x; &#12a; &#0; &#xD800; &#x110000; &#99999999999;",
         "&unknown; &amp &#; &#x; &#12a; &#0; &#xD800; &#x110000; &#99999999999;"},
        {"trailing &", "trailing &"},
    };
    for (const auto& [written, read] : cases)
    {
        XmlDocument doc;
        ASSERT_TRUE(LoadText(doc, std::string("<a v=\"") + written + "\">" + written + "</a>"));
        EXPECT_STREQ(doc.Root().Child(0).Attribute("v").Value(), read) << written;
        EXPECT_STREQ(doc.Root().Child(0).Child(0).Value(), read) << written;
    }
    // A value with a double quote in apostrophes, as files were written before, reads whole; it is
    // written back between double quotes.
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<a p='say \"hi\"'/>"));
    EXPECT_STREQ(doc.Root().Child(0).Attribute("p").Value(), "say \"hi\"");
    EXPECT_EQ(Written(doc.Root()), "<a p=\"say &quot;hi&quot;\"/>\r\n");
    // References in comments and CDATA are no references.
    EXPECT_EQ(Rewritten("<a><!--&amp;--><![CDATA[&lt;]]></a>"), "<a>\r\n\t<!--&amp;-->\r\n\t<![CDATA[&lt;]]>\r\n</a>\r\n");
}

// Replacement itself (mode, links, reasons) is the file module's; here only what Save adds.
TEST(XmlSave, WritesTheWholeTreeOrNothing)
{
    CTempDir dir;
    const std::string path = dir.File("out.xml");
    XmlDocument doc;
    EXPECT_FALSE(doc.Save(dir.File("no-tree.xml"))); // nothing loaded
    ASSERT_TRUE(LoadText(doc, "<r><a/></r>"));
    ASSERT_TRUE(doc.Save(path));
    EXPECT_EQ(ReadTextFile(path), "<r>\r\n\t<a/>\r\n</r>\r\n");
    EXPECT_FALSE(doc.Save(dir.File("missing/folder/out.xml")));
    EXPECT_FALSE(doc.Save(dir.Path())); // a folder is not replaced
    EXPECT_FALSE(doc.Save(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(FileExists(dir.File("no-tree.xml")));
}

TEST(XmlRoundTrip, ShippedFilesAndBatchFileWithEveryKind)
{
    const std::string batch = TestDataDir() + "/BatchAllKinds.xml";
    // Parse and save: the same bytes, as the files are in the writer's layout.
    for (const std::string& path : {std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/Mosvane.xml",
                                    std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/BatchMosvane.xml", batch})
    {
        SCOPED_TRACE(path);
        XmlDocument doc;
        ASSERT_TRUE(doc.LoadFile(path));
        CTempDir dir;
        ASSERT_TRUE(doc.Save(dir.File("again.xml")));
        EXPECT_EQ(ReadTextFile(dir.File("again.xml")), ReadTextFile(path));
    }
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(batch));
    XmlNode root = doc.Root().Child(0);
    EXPECT_STREQ(root.Name(), "MosvaneBatch");
    EXPECT_EQ(root.ChildCount(), 7u);
    EXPECT_STREQ(root.SelectPath("SplitBatch/ApplyToItems").Child(2).Attribute("PathName").Value(),
                 "/home/ana/pictures/the \"big\" one.png");
    EXPECT_STREQ(root.SelectPath("SplitBatch/Input/Cols").Child(2).Attribute("Ratio").Value(), "0.333333");
    EXPECT_EQ(root.SelectPath("BlendBatch/ApplyToItems").Child(1).Kind(), XmlKindComment);
}
} // namespace
