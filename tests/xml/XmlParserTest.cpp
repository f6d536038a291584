#include "XmlTestHelpers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace mosvane::test;

namespace
{
TEST(XmlParse, EveryConstructGivesItsTree)
{
    const uint32_t kNoTrim = 0, kAttrCollapse = XmlOptTrimAttrValues | XmlOptCollapseSpace;
    const uint32_t kTextCollapse = XmlOptTrimText | XmlOptCollapseSpace;
    const struct
    {
        const char* m_pszText;
        const char* m_pszTree;
        uint32_t m_nOptions = XmlOptProgram;
    } cases[] = {
        // Elements and attributes: either quote, spaces around "=", values trimmed or not.
        {"  junk before <Root><A/></Root>", "E(Root)[E(A)]"},
        {"<a one = 'x y' two=\"  pad  ded  \"/>", "E(a one=x y two=pad  ded)"},
        {"<a v=\" p \"/>", "E(a v= p )", kNoTrim}, {"<a v=\"p \t q \"/>", "E(a v=p q)", kAttrCollapse},
        {"<a p=\"x &amp; &#65;\">1 &lt; 2</a>", "E(a p=x & A)[T\"1 < 2\"]"},
        {"<a flag>t</a>", "E(a flag=~)[T\"t\"]"},
        {"<a x=\"1\"y='2'/>", "E(a x=1 y=2)"}, {"<a x=1 y=\"2\"/>", "E(a x=~ 1=~ y=2)"},
        {"<a x=\"open <b/>", "E(a x=open <b/>)"}, // an unclosed quote runs to the end
        // Names are ASCII: a byte of 0x80 or above does not start one, and ends one.
        {"<my-el.x:y_9/>", "E(my-el.x:y_9)"}, {"<\xC3\xA9l/><b/>", "E(b)"}, {"<a\xC3\xA9/>", "E(a)[T\"\xA9/>\"]"},
        // Text: whitespace alone gives no node; trimmed, kept whole or collapsed.
        {"<a>\r\n\t  <b/>\r\n  </a>", "E(a)[E(b)]"}, {"<a>\r\n   word  \r\n</a>", "E(a)[T\"word\"]"},
        {"<a> two  words </a>", "E(a)[T\" two  words \"]", kNoTrim},
        {"<a> two \t words </a>", "E(a)[T\"two words\"]", kTextCollapse},
        // After an end tag, a start tag, a comment or a value-ended empty tag text is taken;
        // after "<b/>" and "<c x />" it is skipped. At the top level it belongs to the document.
        {"<r><a></a>one<b x='1'/>two<!--c-->three</r>", "E(r)[E(a),T\"one\",E(b x=1),T\"two\",C\"c\",T\"three\"]"},
        {"<r><b/>lost<c x />lost too<d/></r>", "E(r)[E(b),E(c x=~),E(d)]"}, {"<a></a>tail", "E(a),T\"tail\""},
        // Comments.
        {"<a><!--  note  --></a>", "E(a)[C\"note\"]"},
        {"<a><!-- a -- b --></a>", "E(a)[C\" a -- b \"]", XmlOptKeepComments},
        {"<a><!-- gone --><b/></a>", "E(a)[E(b)]", XmlOptProgram & ~XmlOptKeepComments},
        {"<a><!- odd --><b/></a>", "E(a)[E(b)]"}, {"<a><!-- open", "E(a)[C\"open\"]"},
        // CDATA and INCLUDE sections.
        {"<a><![CDATA[ <b>&x</b> ]]></a>", "E(a)[D\"<b>&x</b>\"]"},
        {"<a><![CDATA[<skip/>]]><b/></a>", "E(a)[E(b)]", XmlOptProgram & ~XmlOptKeepCData},
        {"<a><![INCLUDE[ inc ]]></a>", "E(a)[I\"inc\"]"}, {"<a><![OTHER[x]]><b/></a>", "E(a)[E(b)]"},
        {"<a><![INCLUDE[ inc ]]><b/></a>", "E(a)[E(b)]", XmlOptProgram & ~XmlOptKeepDocType},
        // Processing instructions read like empty element tags: text after a bare one is skipped,
        // after one with attributes it is taken. A "?" inside a value still ends at ">".
        {"<?xml version=\"1.0\" encoding='utf-8'?>\r\n<r/>", "P(xml version=1.0 encoding=utf-8),E(r)"},
        {"<r><?pi?>skipped</r>", "E(r)[P(pi)]"}, {"<r><?pi a='1' ?>after</r>", "E(r)[P(pi a=1),T\"after\"]"},
        {"<?pi a=\"x?y\"?><r/>", "P(pi a=x/y),E(r)"}, {"<? bad ?><r/>", "E(r)"},
        // DOCTYPE words and quoted strings; the subset as text, parsed, or ending the parse
        // (its value then cut short by the NULs that parsing it wrote).
        {"<!DOCTYPE html PUBLIC \"-//X//Y\" 'sys.dtd'><r/>", "Y(html=html PUBLIC=PUBLIC ~=-//X//Y ~=sys.dtd),E(r)"},
        {"<!DOCTYPE r [<!ENTITY e \"a>b\"> <!ELEMENT r ANY>]><r><lost/></r>",
         "Y(r=r)\"<!ENTITY\"[N9(e)\"\"a>b\"\",N11(r)\"ANY\"]"},
        {"<!DOCTYPE r [ <!ATTLIST r a CDATA #IMPLIED> [nested] ]><r/>",
         "Y(r=r)\"<!ATTLIST r a CDATA #IMPLIED> [nested]\",E(r)", XmlOptKeepDocType | XmlOptTrimDocTypeSubset},
        {"<!DOCTYPE r [ <!ATTLIST r a CDATA #IMPLIED> [nested] ]><r/>",
         "Y(r=r)\" <!ATTLIST\"[N10(r)\"a CDATA #IMPLIED\"],E(r)",
         XmlOptKeepDocType | XmlOptParseDocTypeSubset | XmlOptTrimDecls},
        // Without keeping DOCTYPEs one is skipped whole, subset and quoted ">" included: nothing
        // is built from it and the parse goes on after it.
        {"<!DOCTYPE r [<!ENTITY e \"a>b\"> <!ELEMENT r ANY>]><r><x/></r>", "E(r)[E(x)]", XmlOptProgram & ~XmlOptKeepDocType},
        {"<!DOCTYPE r SYSTEM 'a>b' [<!ATTLIST r a CDATA #IMPLIED>]><r/>", "E(r)", XmlOptProgram & ~XmlOptKeepDocType},
        // Declarations: kinds by keyword, parameter entities, outside a DOCTYPE too.
        {"<!DOCTYPE d [<!ENTITY % pe 'x'><!ENTITY %q 'y'><!NOTATION n SYSTEM 'v'><!FOO f g>]>",
         "Y(d=d)\"<!ENTITY\"[N9(%pe)\"'x'\",N9(%q)\"'y'\",N12(n)\"SYSTEM 'v'\",N9(f)\"g\"]"},
        {"<r><!ELEMENT x EMPTY><a/></r>", "E(r)[N11(x)\"EMPTY\",E(a)]"}, {"<r><!Dother><a/></r>", "E(r)[E(a)]"},
        // End tags close whatever is open; unclosed elements at the end keep everything read.
        {"<a><b></wrong><c/></a>", "E(a)[E(b),E(c)]"}, {"</x></y><a/></a></a><b/>", "E(a),E(b)"},
        {"<a><b><c x='1'>text", "E(a)[E(b)[E(c x=1)[T\"text\"]]]"}, {"<a><b", "E(a)[E(b)]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParsedDump(c.m_pszText, c.m_nOptions), c.m_pszTree) << c.m_pszText;
}

TEST(XmlParse, StopPositionAndOptionsAreKept)
{
    XmlDocument doc(4, true, XmlOptProgram);
    ASSERT_TRUE(LoadText(doc, "<!DOCTYPE r [<!ENTITY e 'x'>]><r><lost/></r>"));
    EXPECT_EQ(std::string(doc.StopPosition()), "><r><lost/></r>");

    // The options are the document's or the load's.
    XmlDocument kept(4, true, XmlOptKeepComments);
    ASSERT_TRUE(LoadText(kept, "<a><!--c--><?p?></a>", XmlOptKeepCurrent));
    EXPECT_EQ(DumpDocument(kept), "E(a)[C\"c\"]");
    EXPECT_EQ(kept.Options(), uint32_t(XmlOptKeepComments));
    // Loading again replaces the tree and, unless told to keep them, the options.
    ASSERT_TRUE(LoadText(kept, "<a><!--c--><?p?></a>", XmlOptKeepProcessing));
    EXPECT_EQ(DumpDocument(kept), "E(a)[P(p)]");
    EXPECT_EQ(kept.Options(), uint32_t(XmlOptKeepProcessing));
}

TEST(XmlLoadFile, MissingEmptySpecialAndNulFilesAndManyChunks)
{
    CTempDir dir;
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(dir.File("missing.xml")));
    EXPECT_FALSE(doc.LoadFile(static_cast<const char*>(nullptr)));
    EXPECT_TRUE(doc.Root().IsEmpty());
    ASSERT_TRUE(WriteFileBytes(dir.File("empty.xml"), {}));
    EXPECT_FALSE(doc.LoadFile(dir.File("empty.xml")));
    EXPECT_FALSE(doc.LoadFile(dir.Path())); // a folder reads as nothing
    EXPECT_FALSE(doc.LoadFile("/dev/zero"));
    // A pipe named like a picture is refused at once, no writer awaited (in a child with a time
    // limit, so that a regression fails rather than hangs).
    ASSERT_EQ(::mkfifo(dir.File("x.png").c_str(), 0600), 0);
    EXPECT_TRUE(TrueInChild([&] { return !XmlDocument().LoadFile(dir.File("x.png")); }));

    // Bytes that are all NUL were read, so the load succeeds with an empty tree.
    ASSERT_TRUE(WriteFileBytes(dir.File("nul.xml"), {0, 0, 0}));
    ASSERT_TRUE(doc.LoadFile(dir.File("nul.xml")));
    EXPECT_EQ(doc.Root().ChildCount(), 0u);

    // A NUL byte ends what is kept of its chunk; the following chunks go on with the items.
    std::string text = "<a><x/>";
    text += '\0';
    text += "<lost/>";
    text.resize(kXmlChunkBytes - 1, ' ');
    for (int i = 0; i < 3000; ++i)
        text += "<Item PathName=\"/p/" + std::to_string(i) + ".png\"/>\r\n";
    text += "</a>";
    ASSERT_TRUE(WriteFileBytes(dir.File("nul.xml"), std::vector<uint8_t>(text.begin(), text.end())));
    XmlDocument fromMemory;
    ASSERT_TRUE(doc.LoadFile(dir.File("nul.xml")));
    ASSERT_TRUE(LoadText(fromMemory, text));
    for (const XmlDocument* d : {&doc, &fromMemory})
    {
        const XmlNode a = d->Root().Child(0);
        ASSERT_EQ(a.ChildCount(), 3001u);
        EXPECT_STREQ(a.Child(0).Name(), "x");
        EXPECT_STREQ(a.Child(3000).Attribute("PathName").Value(), "/p/2999.png");
    }
}
} // namespace
