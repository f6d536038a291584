#include "XmlTestHelpers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

using mosvane::test::DumpDocument;
using mosvane::test::LoadText;

namespace
{
std::string Parse(const std::string& text, uint32_t options = XmlOptProgram)
{
    XmlDocument doc;
    EXPECT_TRUE(LoadText(doc, text, options));
    return DumpDocument(doc);
}

TEST(XmlParseElements, RootElementIsFirstTopLevelNode)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "  junk before <Root><A/></Root>"));
    const XmlNode root = doc.Root().Child(0);
    EXPECT_EQ(root.Kind(), XmlKindElement);
    EXPECT_STREQ(root.Name(), "Root");
    EXPECT_EQ(doc.Root().Kind(), XmlKindDocument);
    EXPECT_TRUE(doc.Root().Parent().IsEmpty());
    EXPECT_EQ(root.Parent(), doc.Root());
}

TEST(XmlParseElements, AttributesWithEitherQuoteAndSpacesAroundEquals)
{
    EXPECT_EQ(Parse("<a one = 'x y' two=\"  pad  ded  \"/>"), "E(a one=x y two=pad  ded)");
    // Without trimming the spaces stay.
    EXPECT_EQ(Parse("<a v=\" p \"/>", 0), "E(a v= p )");
    EXPECT_EQ(Parse("<a v=\" p   q \"/>", XmlOptTrimAttrValues | XmlOptCollapseSpace), "E(a v=p q)");
}

TEST(XmlParseElements, EntityReferencesStayUndecoded)
{
    EXPECT_EQ(Parse("<a p=\"x &amp; &#65;\">1 &lt; 2</a>"), "E(a p=x &amp; &#65;)[T\"1 &lt; 2\"]");
}

TEST(XmlParseElements, AttributeWithoutValueAndOddSeparators)
{
    EXPECT_EQ(Parse("<a flag other=\"1\"/>"), "E(a flag=~ other=1)");
    EXPECT_EQ(Parse("<a flag>t</a>"), "E(a flag=~)[T\"t\"]");
    EXPECT_EQ(Parse("<a x=\"1\"y='2'/>"), "E(a x=1 y=2)");
    EXPECT_EQ(Parse("<a x=1 y=\"2\"/>"), "E(a x=~ 1=~ y=2)");
    // The value of an unclosed quote runs to the end of the text.
    EXPECT_EQ(Parse("<a x=\"open <b/>"), "E(a x=open <b/>)");
}

TEST(XmlParseElements, NamesUseAsciiNameCharacters)
{
    EXPECT_EQ(Parse("<my-el.x:y_9/>"), "E(my-el.x:y_9)");
    // A byte of 0x80 or above does not start a name; the tag is skipped.
    EXPECT_EQ(Parse("<\xC3\xA9l/><b/>"), "E(b)");
    EXPECT_EQ(Parse("<a\xC3\xA9/>"), "E(a)[T\"\xA9/>\"]");
}

TEST(XmlParseElements, ArraysGrowByTheGrowthIncrement)
{
    std::string text = "<r>";
    for (int i = 0; i < 6; ++i)
        text += "<c a='1' b='2'/>";
    text += "</r>";
    XmlDocument doc(4, true, XmlOptProgram);
    ASSERT_TRUE(LoadText(doc, text));
    const XmlNodeRecord* r = doc.Root().Child(0).Record();
    EXPECT_EQ(r->m_nChildCount, 6u);
    EXPECT_EQ(r->m_nChildCapacity, 9u); // 1, then 5, then 9
    EXPECT_EQ(r->m_ppChildren[0]->m_nAttributeCapacity, 5u);

    XmlDocument narrow(0, true, XmlOptProgram);
    ASSERT_TRUE(LoadText(narrow, text));
    EXPECT_EQ(narrow.Root().Child(0).ChildCount(), 1u); // an array that cannot grow keeps one
}

TEST(XmlParseText, WhitespaceOnlyTextGivesNoNode)
{
    EXPECT_EQ(Parse("<a>\r\n\t  <b/>\r\n  </a>"), "E(a)[E(b)]");
}

TEST(XmlParseText, TextIsTrimmedOrKeptWhole)
{
    EXPECT_EQ(Parse("<a>\r\n   word  \r\n</a>"), "E(a)[T\"word\"]");
    EXPECT_EQ(Parse("<a> two  words </a>", 0), "E(a)[T\" two  words \"]");
    EXPECT_EQ(Parse("<a> two \t words </a>", XmlOptTrimText | XmlOptCollapseSpace), "E(a)[T\"two words\"]");
}

TEST(XmlParseText, TextAfterTagsDependsOnHowTheTagEnded)
{
    // After an end tag, a start tag, a comment or a value-terminated empty tag, text is taken.
    EXPECT_EQ(Parse("<r><a></a>one<b x='1'/>two<!--c-->three</r>"),
              "E(r)[E(a),T\"one\",E(b x=1),T\"two\",C\"c\",T\"three\"]");
    // After "<b/>" and "<b x />" the parser looks for the next tag and skips the text.
    EXPECT_EQ(Parse("<r><b/>lost<c x />lost too</r>"), "E(r)[E(b),E(c x=~)]");
    // At the top level, text after an end tag belongs to the document.
    EXPECT_EQ(Parse("<a></a>tail"), "E(a),T\"tail\"");
}

TEST(XmlParseComments, KeptTrimmedEmptyOrSkipped)
{
    EXPECT_EQ(Parse("<a><!--  note  --></a>"), "E(a)[C\"note\"]");
    EXPECT_EQ(Parse("<a><!----></a>"), "E(a)[C\"\"]");
    EXPECT_EQ(Parse("<a><!-- a -- b --></a>", XmlOptKeepComments), "E(a)[C\" a -- b \"]");
    EXPECT_EQ(Parse("<a><!-- gone --><b/></a>", XmlOptProgram & ~XmlOptKeepComments), "E(a)[E(b)]");
    EXPECT_EQ(Parse("<a><!- odd --><b/></a>"), "E(a)[E(b)]");
    EXPECT_EQ(Parse("<a><!-- open"), "E(a)[C\"open\"]");
}

TEST(XmlParseCData, KeptWithMarkupInsideOrSkipped)
{
    EXPECT_EQ(Parse("<a><![CDATA[ <b>&x</b> ]]></a>"), "E(a)[D\"<b>&x</b>\"]");
    EXPECT_EQ(Parse("<a><![CDATA[ x ]]></a>", XmlOptKeepCData), "E(a)[D\" x \"]");
    EXPECT_EQ(Parse("<a><![CDATA[<skip/>]]><b/></a>", XmlOptProgram & ~XmlOptKeepCData), "E(a)[E(b)]");
    EXPECT_EQ(Parse("<a><![INCLUDE[ inc ]]></a>"), "E(a)[I\"inc\"]");
    EXPECT_EQ(Parse("<a><![OTHER[x]]><b/></a>"), "E(a)[E(b)]");
}

TEST(XmlParseProcessing, DeclarationBecomesAnXmlNode)
{
    EXPECT_EQ(Parse("<?xml version=\"1.0\" encoding='utf-8'?>\r\n<r/>"), "P(xml version=1.0 encoding=utf-8),E(r)");
    EXPECT_EQ(Parse("<?xml version=\"1.0\"?><r/>", XmlOptProgram & ~XmlOptKeepProcessing), "E(r)");
    // Like an empty element tag: text after a bare instruction is skipped, after one with
    // attributes it is taken.
    EXPECT_EQ(Parse("<r><?pi?>skipped</r>"), "E(r)[P(pi)]");
    EXPECT_EQ(Parse("<r><?pi a='1' ?>after</r>"), "E(r)[P(pi a=1),T\"after\"]");
    // A "?" inside a value is where the instruction was thought to end; it still ends at ">".
    EXPECT_EQ(Parse("<?pi a=\"x?y\"?><r/>"), "P(pi a=x/y),E(r)");
    EXPECT_EQ(Parse("<? bad ?><r/>"), "E(r)");
}

TEST(XmlParseDocType, WordsAndQuotedStringsWithoutSubset)
{
    EXPECT_EQ(Parse("<!DOCTYPE html PUBLIC \"-//X//Y\" 'sys.dtd'><r/>"),
              "Y(html=html PUBLIC=PUBLIC ~=-//X//Y ~=sys.dtd),E(r)");
    EXPECT_EQ(Parse("<!DOCTYPE html><r/>"), "Y(html=html),E(r)");
    EXPECT_EQ(Parse("<!DOCTYPE html><r/>", XmlOptProgram & ~XmlOptKeepDocType), "E(r)");
}

TEST(XmlParseDocType, SubsetEndsTheParseUnderProgramOptions)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<!DOCTYPE r [<!ENTITY e \"a>b\"> <!ELEMENT r ANY>]><r><lost/></r>"));
    // The subset is also the node's value, cut short by the NULs that parsing it wrote.
    EXPECT_EQ(DumpDocument(doc), "Y(r=r)\"<!ENTITY\"[N9(e)\"\"a>b\"\",N11(r)\"ANY\"]");
    EXPECT_EQ(std::string(doc.StopPosition()), "><r><lost/></r>");
}

TEST(XmlParseDocType, SubsetAsTextOrParsedWithoutStopping)
{
    const std::string text = "<!DOCTYPE r [ <!ATTLIST r a CDATA #IMPLIED> [nested] ]><r/>";
    EXPECT_EQ(Parse(text, XmlOptKeepDocType | XmlOptTrimDocTypeSubset),
              "Y(r=r)\"<!ATTLIST r a CDATA #IMPLIED> [nested]\",E(r)");
    EXPECT_EQ(Parse(text, XmlOptKeepDocType | XmlOptParseDocTypeSubset | XmlOptTrimDecls),
              "Y(r=r)\" <!ATTLIST\"[N10(r)\"a CDATA #IMPLIED\"],E(r)");
    EXPECT_EQ(Parse(text, 0), "E(r)");
}

TEST(XmlParseDocType, DeclarationKindsAndParameterEntities)
{
    EXPECT_EQ(Parse("<!DOCTYPE d [<!ENTITY % pe 'x'><!ENTITY %q 'y'><!NOTATION n SYSTEM 'v'><!FOO f g>]>"),
              "Y(d=d)\"<!ENTITY\"[N9(%pe)\"'x'\",N9(%q)\"'y'\",N12(n)\"SYSTEM 'v'\",N9(f)\"g\"]");
    // Declarations outside a DOCTYPE are nodes of the element they stand in.
    EXPECT_EQ(Parse("<r><!ELEMENT x EMPTY><a/></r>"), "E(r)[N11(x)\"EMPTY\",E(a)]");
    EXPECT_EQ(Parse("<r><!Dother><a/></r>"), "E(r)[E(a)]");
}

TEST(XmlParseEndTags, EndTagsCloseWhateverIsOpen)
{
    EXPECT_EQ(Parse("<a><b></wrong><c/></a>"), "E(a)[E(b),E(c)]");
    EXPECT_EQ(Parse("</x></y><a/></a></a><b/>"), "E(a),E(b)");
    // Unclosed elements at the end keep everything read.
    EXPECT_EQ(Parse("<a><b><c x='1'>text"), "E(a)[E(b)[E(c x=1)[T\"text\"]]]");
    EXPECT_EQ(Parse("<a><b"), "E(a)[E(b)]");
}

TEST(XmlParseOptions, KeepCurrentKeepsTheDocumentsOptions)
{
    XmlDocument doc(4, true, XmlOptKeepComments);
    ASSERT_TRUE(LoadText(doc, "<a><!--c--><?p?></a>", XmlOptKeepCurrent));
    EXPECT_EQ(DumpDocument(doc), "E(a)[C\"c\"]");
    EXPECT_EQ(doc.Options(), uint32_t(XmlOptKeepComments));
    ASSERT_TRUE(LoadText(doc, "<a><!--c--><?p?></a>", XmlOptKeepProcessing));
    EXPECT_EQ(DumpDocument(doc), "E(a)[P(p)]");
    EXPECT_EQ(doc.Options(), uint32_t(XmlOptKeepProcessing));
}

TEST(XmlLoadFile, MissingEmptyAndNulFiles)
{
    mosvane::test::CTempDir dir;
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(dir.File("missing.xml")));
    EXPECT_FALSE(doc.LoadFile(static_cast<const char*>(nullptr)));
    EXPECT_TRUE(doc.Root().IsEmpty());
    ASSERT_TRUE(mosvane::test::WriteFileBytes(dir.File("empty.xml"), {}));
    EXPECT_FALSE(doc.LoadFile(dir.File("empty.xml")));
    EXPECT_FALSE(doc.LoadFile(dir.Path())); // a folder reads as nothing
    EXPECT_FALSE(doc.LoadFile("/dev/zero"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(doc.LoadFile(dir.File("fifo"))); // refused at once, no writer awaited

    // Bytes that are all NUL were read, so the load succeeds with an empty tree.
    ASSERT_TRUE(mosvane::test::WriteFileBytes(dir.File("nul.xml"), {0, 0, 0}));
    ASSERT_TRUE(doc.LoadFile(dir.File("nul.xml")));
    EXPECT_EQ(doc.Root().ChildCount(), 0u);
}

TEST(XmlLoadFile, NulByteEndsItsChunkAndReadingGoesOn)
{
    // Chunk one holds "<a><x/>", a NUL and filler; chunk two goes on with "<b/></a>".
    std::string text = "<a><x/>";
    text += '\0';
    text += "<lost/>";
    text.resize(kXmlChunkBytes - 1, ' ');
    text += "<b/></a>";
    mosvane::test::CTempDir dir;
    ASSERT_TRUE(mosvane::test::WriteFileBytes(dir.File("nul.xml"), std::vector<uint8_t>(text.begin(), text.end())));
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir.File("nul.xml")));
    EXPECT_EQ(DumpDocument(doc), "E(a)[E(x),E(b)]");
    XmlDocument fromMemory;
    ASSERT_TRUE(LoadText(fromMemory, text));
    EXPECT_EQ(DumpDocument(fromMemory), "E(a)[E(x),E(b)]");
}

TEST(XmlLoadFile, LargeFileReadsAcrossManyChunks)
{
    std::string text = "<r>";
    for (int i = 0; i < 3000; ++i)
        text += "<Item PathName=\"/p/" + std::to_string(i) + ".png\"/>\r\n";
    text += "</r>";
    mosvane::test::CTempDir dir;
    ASSERT_TRUE(mosvane::test::WriteFileBytes(dir.File("big.xml"), std::vector<uint8_t>(text.begin(), text.end())));
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir.File("big.xml")));
    const XmlNode r = doc.Root().Child(0);
    ASSERT_EQ(r.ChildCount(), 3000u);
    EXPECT_STREQ(r.Child(2999).Attribute("PathName").Value(), "/p/2999.png");
}

TEST(XmlLoadFile, LoadingAgainReplacesTheTree)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<a/>"));
    ASSERT_TRUE(LoadText(doc, "<b/>"));
    EXPECT_EQ(DumpDocument(doc), "E(b)");
    doc.CreateEmpty();
    EXPECT_EQ(doc.Root().Kind(), XmlKindDocument);
    EXPECT_EQ(doc.Root().ChildCount(), 0u);
}
} // namespace
