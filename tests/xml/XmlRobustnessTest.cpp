// Damaged and hostile documents: whatever the bytes, loading, navigating, editing and saving
// must neither fail nor hang. Run under the sanitizers this is the project's fixed-seed fuzz pass.

#include "XmlTestHelpers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace mosvane::test;

namespace
{
// Walks the whole tree without recursion and checks the links every other operation relies on.
size_t CheckTree(const XmlNode& root)
{
    size_t nNodes = 0;
    std::vector<const XmlNodeRecord*> todo{root.Record()};
    while (!todo.empty())
    {
        const XmlNodeRecord* p = todo.back();
        todo.pop_back();
        ++nNodes;
        EXPECT_LE(p->m_nChildCount, p->m_nChildCapacity);
        EXPECT_LE(p->m_nAttributeCount, p->m_nAttributeCapacity);
        for (uint32_t i = 0; i < p->m_nAttributeCount; ++i)
            EXPECT_NE(p->m_ppAttributes[i], nullptr);
        for (uint32_t i = 0; i < p->m_nChildCount; ++i)
        {
            EXPECT_EQ(p->m_ppChildren[i]->m_pParent, p);
            todo.push_back(p->m_ppChildren[i]);
        }
    }
    return nNodes;
}

void Exercise(const std::string& text, uint32_t options, int32_t growth)
{
    XmlDocument doc(growth, true, options);
    if (!LoadText(doc, text))
    {
        EXPECT_TRUE(text.empty());
        return;
    }
    CheckTree(doc.Root());

    XmlNode root = doc.Root().Child(0);
    static const char* const kPaths[] = {"./Options", "./Output", "SplitBatch/Input/Rows", "/MosvaneBatch/*/ApplyToItems",
                                         "../x", "*/*/*", "[A-Z]*/?*", "/", "s/s/s/s"};
    for (const char* path : kPaths)
    {
        XmlNode found = root.SelectPath(path, "/");
        found.Attribute("PathName").Value();
        found.FindChild("Item");
        found.ChildByName("[!I]*").Attribute("Ratio").SetDouble(0.25);
    }
    root.Attribute("Added").SetValue("a value longer than most of what the parser found");
    if (root.AttributeCount() > 0)
        root.AttributeAt(0).SetValue("");
    root.SetName("Renamed-Root-Element");
    root.AppendChild(XmlKindElement).SetName("New");
    if (root.ChildCount() > 2)
    {
        root.Child(1).SetValue("v");
        root.RemoveChild(0);
    }
    CheckTree(doc.Root());

    const std::string first = Written(doc.Root());
    XmlDocument again(growth, true, options);
    if (LoadText(again, first))
    {
        CheckTree(again.Root());
        Written(again.Root());
    }
}

std::string Mutate(std::string text, std::mt19937& rng)
{
    static const char* const kTokens[] = {"<", ">", "/", "\"", "'", "?", "!", "[", "]", "-", "=", " ", "%",
                                          "<!--", "-->", "<![CDATA[", "]]>", "<!DOCTYPE x [", "<?", "?>",
                                          "</", "/>", "<![INCLUDE[", "<!ENTITY % e ", "<!ELEMENT", ""};
    const int nMutations = 1 + int(rng() % 4);
    for (int m = 0; m < nMutations; ++m)
    {
        const size_t at = text.empty() ? 0 : rng() % text.size();
        switch (rng() % 6)
        {
        case 0:
            if (!text.empty())
                text[at] = char(rng());
            break;
        case 1: {
            const char* token = kTokens[rng() % std::size(kTokens)];
            text.insert(at, *token ? std::string(token) : std::string(1, '\0')); // "": a NUL byte
            break;
        }
        case 2: text.erase(at, rng() % 16); break;
        case 3: text.insert(at, text.substr(at, rng() % 64)); break;
        case 4: text.resize(at); break;
        default:
            if (!text.empty())
                text[at] = "<>/\"'?![]-= \t\r\n"[rng() % 16];
            break;
        }
    }
    return text;
}

TEST(XmlRobustness, MutatedAndTruncatedDocuments)
{
    const std::vector<std::string> seeds = {
        ReadTextFile(std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/Mosvane.xml"),
        ReadTextFile(TestDataDir() + "/BatchAllKinds.xml"),
        "<?xml version=\"1.0\"?><!DOCTYPE r PUBLIC \"p\" 's' [<!ENTITY % e 'x'><!ATTLIST r a CDATA #IMPLIED>"
        "<!NOTATION n SYSTEM 'n'>]><r a='1' b=\"2\" c><!-- c --><![CDATA[ <x> ]]><![INCLUDE[ i ]]>"
        "<?pi x='y'?>text<s><s><s/></s></s></r>",
    };
    std::mt19937 rng(0x4D6F7376);
    CTempDir dir;
    for (int n = 0; n < 4000; ++n)
    {
        const std::string text = Mutate(seeds[rng() % seeds.size()], rng);
        const uint32_t options = n % 3 == 0 ? uint32_t(rng() & 0x7FFF) : XmlOptProgram;
        const int32_t growth = n % 11 == 0 ? int32_t(rng() % 6) - 1 : XmlDefaultGrowth;
        SCOPED_TRACE("case " + std::to_string(n));
        Exercise(text, options, growth);
        if (n % 250 == 0)
        {
            ASSERT_TRUE(WriteFileBytes(dir.File("m.xml"), std::vector<uint8_t>(text.begin(), text.end())));
            XmlDocument doc;
            EXPECT_TRUE(!doc.LoadFile(dir.File("m.xml")) || doc.Save(dir.File("m.xml")));
        }
        // Every prefix of a seed, now and then: unterminated constructs of every kind.
        if (n % 100 == 0)
            for (size_t cut = 0; cut < seeds[2].size(); cut += 7)
                Exercise(seeds[2].substr(0, cut), XmlOptProgram, XmlDefaultGrowth);
    }
}

TEST(XmlRobustness, PathologicalShapesStayLinear)
{
    // Each of these would take quadratic time or deep recursion in a careless reader or writer.
    const size_t n = 100000;
    const std::string deep = Repeated("<a x='1'>", n) + Repeated("</a>", n);
    const std::string instructions = Repeated("<?p a ", n), siblings = "<r>" + Repeated("<s/>", n) + "</r>";
    const std::string docTypes = Repeated("<!DOCTYPE d [", 2000) + Repeated("]>", 2000);
    for (const std::string* text : {&deep, &instructions, &siblings, &docTypes})
    {
        for (uint32_t options : {uint32_t(XmlOptProgram), uint32_t(XmlOptKeepDocType | XmlOptParseDocTypeSubset)})
        {
            XmlDocument doc(XmlDefaultGrowth, true, options);
            ASSERT_TRUE(LoadText(doc, *text, options));
            const size_t nodes = CheckTree(doc.Root());
            const std::string written = Written(doc.Root());
            if (options == XmlOptProgram)
            {
                EXPECT_GT(nodes, 1u);
                EXPECT_FALSE(written.empty());
            }
            // Fails at every one of the siblings before giving up.
            EXPECT_TRUE(doc.Root().Child(0).SelectPath("s/missing").IsEmpty());
        }
    }
    XmlDocument doc, again;
    ASSERT_TRUE(LoadText(doc, deep));
    size_t depth = 0;
    for (XmlNode p = doc.Root(); p.ChildCount() > 0; p = p.Child(0))
        ++depth;
    EXPECT_EQ(depth, n);
    // Indentation stops growing, so every line stays short; read back, the text gives a tree that
    // is written the same again.
    const std::string out = Written(doc.Root());
    size_t longest = 0;
    for (size_t start = 0, end; start < out.size(); start = end + 2)
    {
        end = out.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        longest = std::max(longest, end - start);
    }
    EXPECT_LE(longest, XmlIndentStack::kMaxLevels + 16);
    ASSERT_TRUE(LoadText(again, out));
    EXPECT_TRUE(Written(again.Root()) == out);
}
} // namespace
