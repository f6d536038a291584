#include "XmlTestHelpers.h"

#include <gtest/gtest.h>

#include <cstring>

using mosvane::test::Dump;
using mosvane::test::DumpDocument;
using mosvane::test::LoadText;

namespace
{
TEST(XmlWildcard, LiteralsQuestionMarksAndStars)
{
    EXPECT_TRUE(MatchWildcard("Rows", "Rows"));
    EXPECT_FALSE(MatchWildcard("rows", "Rows"));
    EXPECT_FALSE(MatchWildcard("Row", "Rows"));
    EXPECT_TRUE(MatchWildcard("R?ws", "Rows"));
    EXPECT_FALSE(MatchWildcard("Rows?", "Rows"));
    EXPECT_TRUE(MatchWildcard("R*", "Rows"));
    EXPECT_TRUE(MatchWildcard("*", ""));
    EXPECT_TRUE(MatchWildcard("**s", "Rows"));
    EXPECT_TRUE(MatchWildcard("*?", "R"));
    EXPECT_FALSE(MatchWildcard("*??", "R"));
    EXPECT_TRUE(MatchWildcard("*o*s", "RooRows"));
    EXPECT_TRUE(MatchWildcard("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(MatchWildcard("a*b*c", "aXbYbZ"));
    EXPECT_FALSE(MatchWildcard("", "x"));
    EXPECT_TRUE(MatchWildcard("", ""));
    EXPECT_FALSE(MatchWildcard(nullptr, "x"));
    EXPECT_FALSE(MatchWildcard("x", nullptr));
}

TEST(XmlWildcard, SetsAndRanges)
{
    EXPECT_TRUE(MatchWildcard("[RC]ows", "Rows"));
    EXPECT_TRUE(MatchWildcard("[RC]ows", "Cows"));
    EXPECT_FALSE(MatchWildcard("[!R]*", "Rows"));
    EXPECT_TRUE(MatchWildcard("[!R]*", "Cols"));
    EXPECT_TRUE(MatchWildcard("[A-Z]ow[a-z]", "Rows"));
    EXPECT_FALSE(MatchWildcard("[A-Z]*", "rows"));
    // A reversed range is three bytes.
    EXPECT_TRUE(MatchWildcard("[z-a]", "-"));
    EXPECT_FALSE(MatchWildcard("[z-a]", "m"));
    // "-" first or before "]" stands for itself; "]" first belongs to the set.
    EXPECT_TRUE(MatchWildcard("[-x]", "-"));
    EXPECT_TRUE(MatchWildcard("[x-]", "-"));
    EXPECT_TRUE(MatchWildcard("[]x]", "]"));
    EXPECT_TRUE(MatchWildcard("[!]x]", "y"));
    EXPECT_FALSE(MatchWildcard("[!]x]", "]"));
    // A set that is never closed leaves "[" as a plain byte.
    EXPECT_TRUE(MatchWildcard("[ab", "[ab"));
    EXPECT_FALSE(MatchWildcard("[ab", "a"));
    EXPECT_TRUE(MatchWildcard("*[0-9]", "Row7"));
}

class XmlNodes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadText(m_doc, "<Root><Split Rows=\"2\" Cols=\"3\"/><Output Folder=\"/out/dir\"/>"
                                    "<Split Rows=\"9\"/>text<!--c--></Root>"));
        m_root = m_doc.Root().Child(0);
    }
    XmlDocument m_doc;
    XmlNode m_root;
};

TEST_F(XmlNodes, ChildrenByIndexAndName)
{
    EXPECT_EQ(m_root.ChildCount(), 5u);
    EXPECT_STREQ(m_root.Child(1).Name(), "Output");
    EXPECT_TRUE(m_root.Child(5).IsEmpty());
    EXPECT_EQ(m_root.Child(5).Kind(), XmlKindNull);
    EXPECT_EQ(m_root.FindChild("Split"), 0);
    EXPECT_EQ(m_root.FindChild("O*"), 1);
    EXPECT_EQ(m_root.FindChild("Missing"), -1);
    EXPECT_EQ(m_root.FindChild(nullptr), -1);
    EXPECT_EQ(m_root.Child(1).FindChild("*"), -1); // no children
    EXPECT_STREQ(m_root.ChildByName("[!S]*").Name(), "Output");
    EXPECT_TRUE(m_root.ChildByName("Nope").IsEmpty());
}

TEST_F(XmlNodes, AttributesByPattern)
{
    XmlNode split = m_root.Child(0);
    EXPECT_STREQ(split.FindAttribute("Rows").Value(), "2");
    EXPECT_STREQ(split.FindAttribute("R*").Name(), "Rows");
    EXPECT_TRUE(split.FindAttribute("[!R]*").Name() && !std::strcmp(split.FindAttribute("[!R]*").Name(), "Cols"));
    EXPECT_TRUE(split.FindAttribute("[!RC]*").IsEmpty());
    EXPECT_TRUE(split.FindAttribute(nullptr).IsEmpty());
    EXPECT_TRUE(m_root.Child(3).FindAttribute("x").IsEmpty()); // a text node
}

TEST_F(XmlNodes, AttributeAppendsMissingWithEmptyValue)
{
    XmlNode output = m_root.Child(1);
    XmlAttribute added = output.Attribute("ImageType");
    ASSERT_FALSE(added.IsEmpty());
    EXPECT_STREQ(added.Value(), "");
    EXPECT_EQ(output.AttributeCount(), 2u);
    EXPECT_TRUE(added.SetValue("png"));
    EXPECT_STREQ(output.Attribute("ImageType").Value(), "png");
    EXPECT_EQ(output.AttributeCount(), 2u);
    EXPECT_TRUE(output.Attribute(nullptr).IsEmpty());
}

TEST_F(XmlNodes, EmptyHandleReadsEmptyAndKeepsNoChange)
{
    XmlNode missing = m_root.SelectPath("./Missing", "/");
    ASSERT_TRUE(missing.IsEmpty());
    EXPECT_EQ(missing.Kind(), XmlKindNull);
    EXPECT_EQ(missing.Name(), nullptr);
    EXPECT_EQ(missing.ChildCount(), 0u);
    XmlAttribute a = missing.Attribute("Rows");
    ASSERT_NE(a.Value(), nullptr);
    EXPECT_STREQ(a.Value(), "");
    EXPECT_FALSE(a.SetValue("lost"));
    a.SetLong(5);
    EXPECT_STREQ(missing.Attribute("Rows").Value(), "");
    EXPECT_EQ(missing.AttributeCount(), 0u);
    EXPECT_FALSE(missing.SetName("x"));
    EXPECT_FALSE(missing.SetValue("x"));
    EXPECT_TRUE(missing.AppendChild(XmlKindElement).IsEmpty());
    EXPECT_TRUE(missing.AppendAttribute("a", "b").IsEmpty());
    EXPECT_FALSE(missing.RemoveChild(0));
    // Another empty handle is unaffected by all of it.
    EXPECT_EQ(XmlNode().Name(), nullptr);
    EXPECT_EQ(XmlNode().AttributeCount(), 0u);
}

TEST_F(XmlNodes, AppendChildOnlyUnderDocumentOrElement)
{
    XmlNode added = m_root.AppendChild(XmlKindElement);
    ASSERT_FALSE(added.IsEmpty());
    EXPECT_TRUE(added.SetName("Blend"));
    EXPECT_EQ(m_root.Child(5), added);
    EXPECT_EQ(added.Parent(), m_root);
    EXPECT_EQ(added.Name(), std::string("Blend"));
    EXPECT_FALSE(m_doc.Root().AppendChild(XmlKindComment).IsEmpty());
    EXPECT_TRUE(m_root.Child(3).AppendChild(XmlKindElement).IsEmpty()); // text
    EXPECT_TRUE(m_root.Child(4).AppendChild(XmlKindElement).IsEmpty()); // comment
    EXPECT_TRUE(m_root.Child(1).AppendAttribute(nullptr, "v").IsEmpty());
    EXPECT_TRUE(m_root.Child(1).AppendAttribute("n", nullptr).IsEmpty());
    // A parsed array is full; growing it one slot at a time keeps document order.
    for (int i = 0; i < 20; ++i)
        m_root.AppendChild(XmlKindElement).SetName(("n" + std::to_string(i)).c_str());
    EXPECT_STREQ(m_root.Child(25).Name(), "n19");
    EXPECT_STREQ(m_root.Child(0).Name(), "Split");
}

TEST_F(XmlNodes, SetShorterValueInPlaceLongerAsOwnString)
{
    XmlAttribute folder = m_root.Child(1).Attribute("Folder");
    const char* pBefore = folder.Value();
    ASSERT_TRUE(folder.SetValue("/o"));
    EXPECT_EQ(folder.Value(), pBefore); // overwritten in the file buffer
    EXPECT_TRUE(folder.Record()->m_bValueInBuffer);
    EXPECT_STREQ(folder.Value(), "/o");
    ASSERT_TRUE(folder.SetValue("/a/much/longer/output/folder"));
    EXPECT_FALSE(folder.Record()->m_bValueInBuffer);
    EXPECT_STREQ(folder.Value(), "/a/much/longer/output/folder");
    ASSERT_TRUE(folder.SetValue("/b"));
    EXPECT_STREQ(folder.Value(), "/b");
    EXPECT_FALSE(folder.SetValue(nullptr));

    XmlNode output = m_root.Child(1);
    ASSERT_TRUE(output.SetName("Out"));
    EXPECT_TRUE(output.Record()->m_bNameInBuffer);
    ASSERT_TRUE(output.SetName("OutputSettings"));
    EXPECT_STREQ(output.Name(), "OutputSettings");
    EXPECT_EQ(m_root.FindChild("OutputSettings"), 1);
}

TEST_F(XmlNodes, NumbersAreWrittenAsDecimalText)
{
    XmlAttribute a = m_root.Child(0).Attribute("Rows");
    EXPECT_STREQ(a.SetLong(-2147483647 - 1).Value(), "-2147483648");
    EXPECT_STREQ(a.SetLong(17).Value(), "17");
    EXPECT_STREQ(a.SetDouble(double(float(1.0 / 3.0))).Value(), "0.333333");
    EXPECT_STREQ(a.SetDouble(0.5).Value(), "0.500000");
    EXPECT_STREQ(a.SetDouble(-2.0).Value(), "-2.000000");
    a.SetDouble(1e300); // far longer than the value it replaces
    EXPECT_EQ(std::strlen(a.Value()), 301u + 7u);
    // Chained calls land on the same attribute.
    EXPECT_STREQ(a.SetLong(1).SetLong(2).Value(), "2");
}

TEST_F(XmlNodes, RemoveChildFreesTheSubtree)
{
    XmlNode extra = m_root.Child(0).Parent().AppendChild(XmlKindElement);
    extra.SetName("Rows");
    extra.AppendChild(XmlKindElement).SetName("Row");
    extra.Child(0).Attribute("Ratio").SetDouble(0.5);
    EXPECT_TRUE(m_root.RemoveChild(5));
    EXPECT_TRUE(m_root.RemoveChild(0));
    EXPECT_EQ(m_root.ChildCount(), 4u);
    EXPECT_STREQ(m_root.Child(0).Name(), "Output");
    EXPECT_FALSE(m_root.RemoveChild(4));
}

TEST(XmlBuild, NewDocumentFromNothing)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.Root().IsEmpty());
    EXPECT_TRUE(doc.Root().AppendChild(XmlKindElement).IsEmpty());
    doc.CreateEmpty();
    XmlNode root = doc.Root().AppendChild(XmlKindElement);
    root.SetName("MosvaneBatch");
    XmlNode item = root.AppendChild(XmlKindElement);
    item.SetName("Item");
    item.Attribute("PathName").SetValue("/p/a.png");
    EXPECT_EQ(DumpDocument(doc), "E(MosvaneBatch)[E(Item PathName=/p/a.png)]");
}

TEST(XmlSelectPath, RelativeAbsoluteAndParentSteps)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<Root><Options Last='x'/><Output/><Sub><Deep/></Sub></Root>"));
    XmlNode root = doc.Root().Child(0);
    EXPECT_STREQ(root.SelectPath("./Options", "/").Name(), "Options");
    EXPECT_STREQ(root.SelectPath("Sub/Deep").Name(), "Deep");
    EXPECT_STREQ(root.SelectPath("./O*/").Name(), "Options");
    EXPECT_EQ(root.SelectPath("."), root);
    EXPECT_EQ(root.SelectPath("./.hidden/."), root);
    EXPECT_STREQ(root.SelectPath("Sub/Deep/../..").Name(), "Root");
    EXPECT_TRUE(root.SelectPath("..").IsEmpty()); // the parent is the document record
    XmlNode deep = root.SelectPath("Sub/Deep");
    EXPECT_STREQ(deep.SelectPath("/Root/Output").Name(), "Output");
    EXPECT_STREQ(deep.SelectPath("\\Root\\Sub", "\\").Name(), "Sub");
    EXPECT_TRUE(root.SelectPath(nullptr).IsEmpty());
    EXPECT_TRUE(root.SelectPath("").IsEmpty());
    EXPECT_TRUE(root.SelectPath("///").IsEmpty());
    EXPECT_TRUE(root.SelectPath("./Missing").IsEmpty());
    EXPECT_TRUE(XmlNode().SelectPath("/Root").IsEmpty());
}

TEST(XmlSelectPath, BacktracksOverSameNamedSiblings)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<r><s><x/></s><s><y/></s><s><z n='3'/></s></r>"));
    XmlNode r = doc.Root().Child(0);
    EXPECT_EQ(r.SelectPath("s/y").Parent(), r.Child(1));
    EXPECT_STREQ(r.SelectPath("s/z").Attribute("n").Value(), "3");
    EXPECT_TRUE(r.SelectPath("s/w").IsEmpty());
}

TEST(XmlSelectPath, BacktracksThroughTheParentsNamesakes)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<top><p><q><a/></q></p><p><q><b k='2'/></q></p></top>"));
    XmlNode top = doc.Root().Child(0);
    // b is not under the first p/q: the search moves on to the second p and tries "q" again.
    EXPECT_STREQ(top.SelectPath("p/q/b").Attribute("k").Value(), "2");
}

TEST(XmlSelectPath, FailingTokenIsTriedAgainAmongTheParentsChildren)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<top><r><x/><y/></r></top>"));
    XmlNode top = doc.Root().Child(0);
    // "y" is not under x, so it is looked for among the children of r, x's parent.
    XmlNode found = top.SelectPath("r/x/y");
    EXPECT_STREQ(found.Name(), "y");
    EXPECT_STREQ(found.Parent().Name(), "r");
    // A first token that fails moves on to the second token at the node it moved to.
    EXPECT_TRUE(doc.Root().Child(0).SelectPath("nothing").IsEmpty());
}

TEST(XmlSelectPath, SectionsOfASettingsFile)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<Settings><Output Folder='a'/><Split/><Output Folder='b'/></Settings>"));
    XmlNode root = doc.Root().Child(0);
    EXPECT_STREQ(root.SelectPath("./Output", "/").Attribute("Folder").Value(), "a");
    XmlNode missing = root.SelectPath("./MNG", "/");
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_STREQ(missing.Attribute("FPS").Value(), "");
    EXPECT_EQ(Dump(root), "E(Settings)[E(Output Folder=a),E(Split),E(Output Folder=b)]");
}
} // namespace
