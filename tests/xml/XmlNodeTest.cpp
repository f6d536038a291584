#include "XmlTestHelpers.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace mosvane::test;

namespace
{
TEST(XmlWildcard, LiteralsQuestionMarksStarsSetsAndRanges)
{
    // A reversed range is three bytes; "-" first or last and "]" first stand for themselves; a
    // set that is never closed leaves "[" as a plain byte.
    const std::pair<const char*, const char*> matches[] = {
        {"Rows", "Rows"}, {"R?ws", "Rows"}, {"R*", "Rows"}, {"*", ""}, {"**s", "Rows"}, {"*?", "R"},
        {"*o*s", "RooRows"}, {"a*b*c", "aXbYbZc"}, {"", ""}, {"[RC]ows", "Rows"}, {"[RC]ows", "Cows"},
        {"[!R]*", "Cols"}, {"[A-Z]ow[a-z]", "Rows"}, {"*[0-9]", "Row7"}, {"[z-a]", "-"}, {"[-x]", "-"},
        {"[x-]", "-"}, {"[]x]", "]"}, {"[!]x]", "y"}, {"[ab", "[ab"},
    };
    const std::pair<const char*, const char*> misses[] = {
        {"rows", "Rows"}, {"Row", "Rows"}, {"Rows?", "Rows"}, {"*??", "R"}, {"a*b*c", "aXbYbZ"}, {"", "x"},
        {nullptr, "x"}, {"x", nullptr}, {"[!R]*", "Rows"}, {"[A-Z]*", "rows"}, {"[z-a]", "m"}, {"[!]x]", "]"},
        {"[ab", "a"},
    };
    for (const auto& [pattern, text] : matches)
        EXPECT_TRUE(MatchWildcard(pattern, text)) << pattern << " ~ " << text;
    for (const auto& [pattern, text] : misses)
        EXPECT_FALSE(MatchWildcard(pattern, text)) << (pattern ? pattern : "null") << " ~ " << (text ? text : "null");
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

TEST_F(XmlNodes, ChildrenAndAttributesByIndexPatternAndName)
{
    EXPECT_EQ(m_root.Child(5).Kind(), XmlKindNull);
    EXPECT_EQ(m_root.FindChild("O*"), 1);
    EXPECT_EQ(m_root.FindChild("Missing"), -1);
    EXPECT_EQ(m_root.FindChild(nullptr), -1);
    EXPECT_EQ(m_root.Child(1).FindChild("*"), -1); // no children
    EXPECT_STREQ(m_root.ChildByName("[!S]*").Name(), "Output");
    EXPECT_TRUE(m_root.ChildByName("Nope").IsEmpty());

    const XmlNode split = m_root.Child(0);
    EXPECT_STREQ(split.FindAttribute("R*").Value(), "2");
    EXPECT_STREQ(split.FindAttribute("[!R]*").Name(), "Cols");
    EXPECT_TRUE(split.FindAttribute("[!RC]*").IsEmpty());
    EXPECT_TRUE(split.FindAttribute(nullptr).IsEmpty());
    EXPECT_TRUE(m_root.Child(3).FindAttribute("x").IsEmpty()); // a text node

    // Attribute appends a missing attribute (the batch readers' appends check its order).
    XmlNode output = m_root.Child(1);
    EXPECT_TRUE(output.Attribute(nullptr).IsEmpty());
    EXPECT_TRUE(output.AppendAttribute(nullptr, "v").IsEmpty());
    EXPECT_TRUE(output.AppendAttribute("n", nullptr).IsEmpty());
}

TEST_F(XmlNodes, EmptyHandleReadsEmptyAndKeepsNoChange)
{
    XmlNode missing = m_root.SelectPath("./Missing", "/");
    ASSERT_TRUE(missing.IsEmpty());
    EXPECT_EQ(missing.Name(), nullptr);
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

TEST_F(XmlNodes, ChildrenAreAddedUnderDocumentOrElementAndRemovedWithTheirSubtree)
{
    XmlNode added = AppendElement(m_root, "Blend");
    EXPECT_EQ(m_root.Child(5), added);
    EXPECT_EQ(added.Parent(), m_root);
    EXPECT_FALSE(m_doc.Root().AppendChild(XmlKindComment).IsEmpty());
    EXPECT_TRUE(m_root.Child(3).AppendChild(XmlKindElement).IsEmpty()); // text
    EXPECT_TRUE(m_root.Child(4).AppendChild(XmlKindElement).IsEmpty()); // comment
    // A parsed array is full; growing it one slot at a time keeps document order.
    for (int i = 0; i < 20; ++i)
        AppendElement(m_root, ("n" + std::to_string(i)).c_str());
    EXPECT_STREQ(m_root.Child(25).Name(), "n19");

    AppendElement(added, "Row").Attribute("Ratio").SetDouble(0.5);
    EXPECT_TRUE(m_root.RemoveChild(5));
    EXPECT_TRUE(m_root.RemoveChild(0));
    EXPECT_EQ(m_root.ChildCount(), 24u);
    EXPECT_STREQ(m_root.Child(0).Name(), "Output");
    EXPECT_FALSE(m_root.RemoveChild(24));
}

TEST_F(XmlNodes, ShorterValuesInPlaceLongerAsOwnStringsNumbersAsText)
{
    XmlAttribute folder = m_root.Child(1).Attribute("Folder");
    const char* pBefore = folder.Value();
    ASSERT_TRUE(folder.SetValue("/new/dir")); // as long as "/out/dir": overwritten in the file buffer
    EXPECT_EQ(folder.Value(), pBefore);
    ASSERT_TRUE(folder.SetValue("/a/much/longer/output/folder"));
    EXPECT_STREQ(folder.Value(), "/a/much/longer/output/folder");
    ASSERT_TRUE(folder.SetValue("/b"));
    EXPECT_STREQ(folder.Value(), "/b");
    EXPECT_FALSE(folder.SetValue(nullptr));

    XmlNode output = m_root.Child(1);
    ASSERT_TRUE(output.SetName("OutputSettings"));
    EXPECT_EQ(m_root.FindChild("OutputSettings"), 1);

    // Numbers as decimal text, in place or not.
    XmlAttribute a = m_root.Child(0).Attribute("Rows");
    EXPECT_STREQ(a.SetLong(-2147483647 - 1).Value(), "-2147483648");
    EXPECT_STREQ(a.SetDouble(double(float(1.0 / 3.0))).Value(), "0.333333");
    EXPECT_STREQ(a.SetDouble(-2.0).Value(), "-2.000000");
    a.SetDouble(1e300); // far longer than the value it replaces
    EXPECT_EQ(std::strlen(a.Value()), 301u + 7u);
    EXPECT_STREQ(a.SetLong(1).SetLong(2).Value(), "2"); // chained calls land on the same attribute
}

TEST(XmlSelectPath, RelativeAbsoluteAndParentSteps)
{
    XmlDocument doc;
    ASSERT_TRUE(LoadText(doc, "<Root><Options/><Output F='a'/><Sub><Deep/></Sub><Output F='b'/></Root>"));
    const XmlNode root = doc.Root().Child(0);
    EXPECT_EQ(root.SelectPath("./Options", "/"), root.Child(0));
    EXPECT_EQ(root.SelectPath("./O*/"), root.Child(0));
    EXPECT_STREQ(root.SelectPath("./Output").Attribute("F").Value(), "a");
    EXPECT_EQ(root.SelectPath("./.hidden/."), root);
    EXPECT_EQ(root.SelectPath("Sub/Deep/../.."), root);
    EXPECT_TRUE(root.SelectPath("..").IsEmpty()); // the parent is the document record
    const XmlNode deep = root.SelectPath("Sub/Deep");
    EXPECT_STREQ(deep.Name(), "Deep");
    EXPECT_EQ(deep.SelectPath("/Root/Output"), root.Child(1));
    EXPECT_EQ(deep.SelectPath("\\Root\\Sub", "\\"), root.Child(2));
    for (const char* path : {static_cast<const char*>(nullptr), "", "///", "./Missing"})
        EXPECT_TRUE(root.SelectPath(path).IsEmpty());
    EXPECT_TRUE(XmlNode().SelectPath("/Root").IsEmpty());
}
} // namespace
