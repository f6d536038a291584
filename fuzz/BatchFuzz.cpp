// Runs any bytes as a batch file: written into a fresh folder beside a few tiny pictures (single
// pictures with and without alpha, a numbered sequence), loaded, listed, and executed for every
// kind, then the folder is removed.
//
// Before executing, every path the file names (items, layers, the alpha picture, output folders)
// is put inside the run's folder, with '/' made '_': a fuzzed file must neither write outside it
// nor open what lies outside it (a device or a FIFO would stall the run). The names themselves,
// and everything else in the file, reach the executors as the fuzzer made them.

#include "batch/BatchExecute.h"
#include "batch/BatchRunner.h"
#include "batch/ConsoleFrame.h"
#include "config/DecimalNumber.h"
#include "engine/HeadlessGl.h"
#include "engine/gx.h"
#include "ops/FrameHooks.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

// The attributes that name files or folders.
constexpr const char* kPathAttributes[] = {"PathName", "BkImg", "OverlayImg", "SourceAlphaImage", "Folder"};

// Combine grids past this many cells make pictures large enough to turn the run into a memory
// and time test; they are cut back to one row.
constexpr int64_t kMaxCombineCells = 1 << 12;

struct SPictureFile
{
    const char* m_pszName;
    int m_nWidth, m_nHeight;
    uint32_t m_nFormat;
};

// Made once through the engine and copied into every run's folder.
constexpr SPictureFile kPictures[] = {
    {"a.png", 4, 3, GL_RGBA},    {"b.bmp", 3, 3, GL_BGR},     {"c.tga", 4, 3, GL_BGRA},
    {"m.png", 2, 2, GL_RGBA},    {"s001.png", 2, 2, GL_RGBA}, {"s002.png", 2, 2, GL_BGR},
    {"s003.png", 3, 1, GL_RGBA}, {"walk0001.jpg", 5, 4, GL_BGR},
};

struct SProcess
{
    std::string m_strBase;                      // holds the pictures and the runs' folders
    std::unique_ptr<CHeadlessGl> m_pGl;         // current for the whole process: blend uses it
    std::unique_ptr<std::ostringstream> m_pSink;
    std::unique_ptr<CConsoleFrame> m_pFrame;    // progress goes nowhere; no check failure is logged
    std::unique_ptr<CFrameHooks> m_pHooks;
};

SProcess& Process()
{
    static SProcess process;
    return process;
}

bool MakePicture(const SPictureFile& picture, const std::string& path)
{
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    bool ok = gxTexImage(picture.m_nWidth, picture.m_nHeight, picture.m_nFormat);
    if (uint8_t* p = gxGetImageBuffer(id); ok && p)
    {
        const size_t bytes = size_t(picture.m_nWidth) * picture.m_nHeight * (picture.m_nFormat == GL_BGR ? 3 : 4);
        for (size_t i = 0; i < bytes; ++i)
            p[i] = uint8_t(i * 37 + 11);
        ok = gxSaveImage(path.c_str(), false);
    }
    gxDeleteImages(1, &id);
    return ok;
}

std::string WithoutSlashes(const char* value)
{
    std::string name = value ? value : "";
    for (char& c : name)
        c = c == '/' ? '_' : c;
    return name;
}

// A name inside folder; "." and ".." would name the folder or the one above it.
std::string Confined(const std::string& folder, const char* value)
{
    std::string name = WithoutSlashes(value);
    if (name == "." || name == "..")
        name += '_';
    return folder + "/" + name;
}

// Puts every path of the document inside folder and keeps combine grids small.
void ConfinePaths(XmlNode root, const std::string& folder)
{
    std::vector<XmlNode> todo{root};
    while (!todo.empty())
    {
        const XmlNode node = todo.back();
        todo.pop_back();
        for (uint32_t i = 0; i < node.AttributeCount(); ++i)
        {
            const XmlAttribute attribute = node.AttributeAt(i);
            const char* name = attribute.Name();
            if (!name)
                continue;
            for (const char* pathAttribute : kPathAttributes)
                if (std::strcmp(name, pathAttribute) == 0)
                    attribute.SetValue(Confined(folder, attribute.Value()));
            // The type ends every output name: a '/' in it would lead out of the folder.
            if (std::strcmp(name, "ImageType") == 0)
                attribute.SetValue(WithoutSlashes(attribute.Value()));
        }
        if (node.Kind() == XmlKindElement && node.Name() && std::strcmp(node.Name(), "Input") == 0)
        {
            const int64_t cells = int64_t(ReadDecimalNumber(node.FindAttribute("Rows").Value())) *
                                  ReadDecimalNumber(node.FindAttribute("Cols").Value());
            if (cells > kMaxCombineCells || cells < -kMaxCombineCells)
                node.Attribute("Rows").SetValue("1");
        }
        for (uint32_t i = 0; i < node.ChildCount(); ++i)
            todo.push_back(node.Child(i));
    }
}

// The process works inside its own folder. Before it moves there, the corpus folders named on the
// command line become absolute, and crash files keep going to the folder the fuzzer started in.
// The driver reads its arguments only after this hook has returned, so it sees the new ones.
void AnchorArguments(int& argc, char**& argv)
{
    static std::vector<std::string> texts;
    static std::vector<char*> pointers;
    const fs::path start = fs::current_path();
    bool prefixGiven = false;
    for (int i = 0; i < argc; ++i)
    {
        std::string text = argv[i];
        if (i > 0 && !text.empty() && text[0] != '-')
            text = (start / text).string();
        prefixGiven = prefixGiven || text.rfind("-artifact_prefix=", 0) == 0;
        texts.push_back(std::move(text));
    }
    if (!prefixGiven)
        texts.push_back("-artifact_prefix=" + start.string() + "/");
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    argc = int(texts.size());
    argv = pointers.data();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    SProcess& process = Process();
    std::string pattern = (fs::temp_directory_path() / "mosvane-fuzz-batch-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    process.m_strBase = pattern;
    AnchorArguments(*argc, *argv);
    // A section without a Folder writes to the current folder: that must be inside the base too.
    if (::chdir(pattern.c_str()) != 0)
        std::abort();
    process.m_pGl = std::make_unique<CHeadlessGl>();
    if (!gxInitialize())
        std::abort();
    fs::create_directory(process.m_strBase + "/pictures");
    for (const SPictureFile& picture : kPictures)
        if (!MakePicture(picture, process.m_strBase + "/pictures/" + picture.m_pszName))
            std::abort();
    process.m_pSink = std::make_unique<std::ostringstream>();
    process.m_pFrame = std::make_unique<CConsoleFrame>(*process.m_pSink, false);
    process.m_pHooks = std::make_unique<CFrameHooks>(FrameHooks{process.m_pFrame.get()});
    std::atexit([] {
        std::error_code ec;
        fs::remove_all(Process().m_strBase, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    SProcess& process = Process();
    const std::string folder = process.m_strBase + "/run";
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::copy(process.m_strBase + "/pictures", folder, ec);
    if (ec)
        std::abort();
    fs::create_directory(folder + "/out", ec);
    const std::string file = folder + "/batch.xml";
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(pData), std::streamsize(nSize));
    }

    BatchFile batch;
    if (batch.LoadBatchFile(file))
    {
        std::ostringstream listing;
        ListBatch(batch, {}, listing);
        ConfinePaths(batch.Root(), folder);
        for (EBatchKind kind : kBatchKinds)
        {
            CBatchReport report;
            ExecuteBatch(kind, batch, &report);
        }
        batch.SaveBatchFile();
    }
    process.m_pSink->str(std::string());
    fs::remove_all(folder, ec);
    return 0;
}
