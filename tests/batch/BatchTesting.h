#pragma once
// Batch files, MNG headers and a fixture with an engine and a frame double for the batch and
// runner tests.

#include "batch/BatchExecute.h"
#include "batch/BatchRunner.h"
#include "batch/ConsoleFrame.h"
#include "engine/gx.h"
#include "support/FrameDouble.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace mosvane::test
{
// The sizes in an MNG file's header and in each embedded PNG header, in file order; *ticks gets the
// header's ticks per second.
inline std::vector<Size> MngSizes(const std::string& path, uint32_t* ticks = nullptr)
{
    std::vector<uint8_t> d;
    EXPECT_TRUE(ReadFileBytes(path, d)) << path;
    std::vector<Size> sizes;
    for (size_t at = 8; at + 12 <= d.size(); at += 12 + Be32At(d, at))
    {
        const std::string type(d.begin() + long(at) + 4, d.begin() + long(at) + 8);
        if (type == "MHDR" && ticks)
            *ticks = Be32At(d, at + 16);
        if (type == "MHDR" || type == "IHDR")
            sizes.emplace_back(Be32At(d, at + 8), Be32At(d, at + 12));
    }
    return sizes;
}

// A batch file's section: the attributes of its Output and Input, what Input holds, its items.
inline std::string Section(const std::string& name, const std::string& output, const std::string& input,
                           const std::vector<std::string>& items, const std::string& inputChildren = "")
{
    auto open = [](const char* tag, const std::string& attributes) {
        return std::string("<") + tag + (attributes.empty() ? "" : " " + attributes);
    };
    std::string text = "<" + name + ">" + open("Output", output) + "/>" + open("Input", input) +
                       (inputChildren.empty() ? "/>" : ">" + inputChildren + "</Input>") + "<ApplyToItems>";
    for (const std::string& item : items)
        text += "<Item PathName=\"" + item + "\"/>";
    return text + "</ApplyToItems></" + name + ">";
}

// A section's Output attributes for PNG files in the folder.
inline std::string PngOutput(const std::string& folder) { return "ImageType=\"png\" Folder=\"" + folder + "\""; }

// Writes a batch file of the sections given and gives its path.
inline std::string WriteBatch(const std::string& path, const std::vector<std::string>& sections)
{
    std::string text = "<MosvaneBatch>";
    for (const std::string& section : sections)
        text += section;
    WriteTextFile(path, text + "</MosvaneBatch>");
    return path;
}

// The document as one line per element, indented by depth: its name and its attributes in
// document order; comments as <!--text-->.
inline std::string Outlined(XmlNode node, const std::string& indent = "")
{
    std::string text;
    for (uint32_t i = 0; i < node.ChildCount(); ++i)
    {
        const XmlNode child = node.Child(i);
        text += indent + (child.Kind() == XmlKindComment ? std::string("<!--") + child.Value() + "-->"
                          : child.Name()                    ? child.Name()
                                                            : "?");
        for (uint32_t k = 0; k < child.AttributeCount(); ++k)
            text += std::string(" ") + child.AttributeAt(k).Name() + "=" + child.AttributeAt(k).Value();
        text += "\n" + Outlined(child, indent + "  ");
    }
    return text;
}

// Every file under a folder by its name relative to it, with its bytes.
inline std::map<std::string, std::vector<uint8_t>> FilesIn(const std::string& folder)
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        EXPECT_TRUE(!entry.is_regular_file() ||
                    ReadFileBytes(entry.path().string(), files[std::filesystem::relative(entry.path(), folder).string()]));
    return files;
}

inline SequenceRecord Output(const std::string& folder) { return {folder, "ignored", "", "png", 0}; }

// An engine, a fresh batch file in a temporary folder and a progress recorder for each test.
struct BatchTest : ::testing::Test
{
    CTempDir dir;
    BatchFile batch;
    CFrameDouble frame;

    void SetUp() override
    {
        ASSERT_TRUE(gxInitialize());
        ASSERT_TRUE(batch.NewBatchFile(dir.File("b.xml")));
    }
    void TearDown() override { gxDestroy(); }
};

// One whole run of the headless runner, its status and both streams.
struct SRun
{
    int m_nStatus;
    std::string m_strOut, m_strErr;
    bool Says(const std::string& text) const { return m_strErr.find(text) != std::string::npos; }
    bool Prints(const std::string& text) const { return m_strOut.find(text) != std::string::npos; }
};

inline SRun RunWith(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunBatchRunner(args, out, err, false);
    return SRun{status, out.str(), err.str()};
}

// The built runner as a terminal starts it: `arguments` are shell words, quoted as they need,
// `prefix` goes before the program (variables, a time limit).
inline SRun RunProgram(const std::string& arguments, const std::string& prefix = "")
{
    const CTempDir dir;
    SRun run{0, {}, {}};
    run.m_nStatus = RunCommand(prefix + " " + ShellQuote(BinDir() + "/mosvane-batch") + " " + arguments + " 2>" +
                                   ShellQuote(dir.File("err")), &run.m_strOut);
    run.m_strErr = ReadTextFile(dir.File("err"));
    return run;
}
} // namespace mosvane::test
