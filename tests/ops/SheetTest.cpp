// Sprite sheets from the interactive split and combine: their data files against golden files
// and a real consumer (PixiJS), the data's rectangles against the pixels, the spacing, trimming,
// extrusion and alpha of the sheets; and with the sheet settings at their defaults, what they
// always wrote, byte for byte.

#include "OpsTestSupport.h"
#include "support/SheetTesting.h"

#include "ops/Combine.h"
#include "ops/Split.h"

#include <filesystem>

namespace mosvane::test
{
namespace
{
using Digests = std::vector<std::pair<std::string, std::string>>;

std::vector<std::string> NumberedNames(const std::string& title, int from, int count, int digits,
                                       const std::string& type)
{
    std::vector<std::string> names;
    for (int n = from; n < from + count; ++n)
        names.push_back(Numbered(title, n, digits, type));
    return names;
}

struct SheetOps : OpsFixture
{
    void OpenWithEngine(const SPicture& picture, bool alpha)
    {
        WriteWithEngine(File("source.png"), picture, alpha);
        ASSERT_TRUE(m_image.LoadImageFile(File("source.png").c_str()));
    }
    void SplitAs(const std::string& title, const std::string& type)
    {
        const SplitResult result = SplitImage(1, BuildNumberPattern(Dir(), title, 2, type), m_image, m_grid);
        EXPECT_EQ(result.m_nFailed, 0) << title;
    }
};

TEST_F(SheetOps, DefaultsWriteTheBytesTheyAlwaysWrote)
{
    Digests digests;
    OpenWithEngine(Pattern(100, 60, false), false);
    ASSERT_TRUE(m_grid.DrawSplitLines(2, 3, 100, 60));
    for (const char* type : {"png", "tga", "bmp"})
    {
        SplitAs("even", type);
        AddDigests("split-rgb", Dir(), NumberedNames("even", 1, 6, 2, type), digests);
    }
    ASSERT_TRUE(m_grid.MoveLine(true, 0, 20) && m_grid.MoveLine(false, 0, 41));
    SplitAs("dragged", "png");
    AddDigests("split-dragged", Dir(), NumberedNames("dragged", 1, 6, 2, "png"), digests);

    OpenWithEngine(Pattern(96, 64, true), true);
    ASSERT_TRUE(m_grid.DrawSplitLines(3, 2, 96, 64));
    for (const char* type : {"png", "tga"})
    {
        SplitAs("alpha", type);
        AddDigests("split-rgba", Dir(), NumberedNames("alpha", 1, 6, 2, type), digests);
    }

    for (bool alpha : {false, true})
    {
        const std::string stem = alpha ? "a" : "o";
        for (int n = 1; n <= 6; ++n)
            WriteWithEngine(Numbered(File(stem), n, 3, "png"), Frame(16, 12, alpha, n), alpha);
        for (const char* type : {"png", "tga", "bmp"})
        {
            const std::string name = stem + "-sheet." + type;
            ASSERT_EQ(CombineSequence(2, 3, 1, BuildNumberPattern(Dir(), stem, 3, "png"), File(name)),
                      ECombineResult::Written);
            AddDigests(alpha ? "combine-rgba" : "combine-rgb", Dir(), {name}, digests);
        }
    }
    // Sizes that differ from the first picture's, and a number missing.
    for (auto [n, w, h] : {std::tuple{1, 8, 6}, std::tuple{2, 11, 7}, std::tuple{4, 5, 3}, std::tuple{5, 8, 6}})
        WriteWithEngine(Numbered(File("m"), n, 1, "png"), Frame(uint32_t(w), uint32_t(h), true, n));
    ASSERT_EQ(CombineSequence(2, 3, 1, BuildNumberPattern(Dir(), "m", 1, "png"), File("m-sheet.png")),
              ECombineResult::Written);
    AddDigests("combine-mixed", Dir(), {"m-sheet.png"}, digests);

    ExpectRecordedDigests("sheet-digests-ops.txt", digests);
}

struct SSplitCase
{
    const char* m_pName;
    SSplitSheet m_sheet;
    bool m_bDragged;
};
const SSplitCase kSplitCases[] = {
    {"even", {}, false},
    {"dragged", {}, true},
    {"spaced", {ESheetData::None, 4, 2, false, false}, false},
    {"trim", {ESheetData::None, 0, 0, true, false}, false},
    {"skip", {ESheetData::None, 0, 0, true, true}, false},
};

struct SCombineCase
{
    const char* m_pName;
    SCombineSheet m_sheet;
};
const SCombineCase kCombineCases[] = {
    {"padding", {ESheetData::None, false, 3, 0, 0}},
    {"margin", {ESheetData::None, false, 0, 5, 0}},
    {"extrude", {ESheetData::None, true, 1, 1, 2}},
};

struct SheetData : SheetOps
{
    // The folder of one case, made on first use.
    std::string CaseDir(const std::string& name)
    {
        std::filesystem::create_directories(File(name));
        return File(name);
    }
    // Splits the source as the case says, with the data file; gives its path.
    std::string Split(const SSplitCase& c, ESheetData format, const std::string& title = "hero")
    {
        OpenWithEngine(SplitSource(), true);
        EXPECT_TRUE(m_grid.DrawSplitLines(2, 3, 96, 64));
        if (c.m_bDragged)
        {
            EXPECT_TRUE(m_grid.MoveLine(true, 0, 40) && m_grid.MoveLine(true, 1, 50) && m_grid.MoveLine(false, 0, 20));
        }
        SplitInputs inputs{{CaseDir(std::string(c.m_pName) + "-" + SheetDataName(format)), title, "##", "png", 1}};
        inputs.m_sheet = c.m_sheet;
        inputs.m_sheet.m_eData = format;
        m_frame.m_messages.clear();
        SplitCommand(inputs, m_image, m_grid);
        const std::string data = SheetDataPath(inputs.m_output.m_strFolder, title);
        EXPECT_EQ(m_frame.m_messages, Succeeded("Succeed to split the image and save as:\n\n " +
                                                TemplateDisplay(inputs.m_output.m_strFolder, title, 2, "png") +
                                                "\n\nwith the data file:\n\n " + data));
        return data;
    }
    // Combines the sources as the case says into a sheet of the type, with the data file.
    std::string Combine(const SCombineCase& c, ESheetData format, const std::string& type = "png")
    {
        for (int n : {1, 2, 3, 4, 6})
            if (!FileExists(Numbered(File("run"), n, 3, "png")))
                WriteWithEngine(Numbered(File("run"), n, 3, "png"), CombineSource(n), n != 4);
        const std::string folder = CaseDir(std::string(c.m_pName) + "-" + SheetDataName(format));
        CombineInputs inputs{{folder, "walk", "", type, 0}, {Dir(), "run", "###", "png", 1}, 2, 3, c.m_sheet};
        inputs.m_sheet.m_eData = format;
        m_frame.m_messages.clear();
        CombineCommand(inputs);
        EXPECT_EQ(m_frame.m_messages.size(), 1u);
        EXPECT_EQ(m_frame.m_messages[0].rfind("Succeed information: ", 0), 0u) << m_frame.m_messages[0];
        return SheetDataPath(folder, "walk");
    }
};

constexpr ESheetData kFormats[] = {ESheetData::JsonHash, ESheetData::JsonArray};

TEST_F(SheetData, SplitDataNamesEveryPieceWrittenByItsRectangleInTheSource)
{
    const SPicture source = SplitSource();
    for (const SSplitCase& c : kSplitCases)
        for (ESheetData format : kFormats)
        {
            const std::string path = Split(c, format);
            const std::string folder = path.substr(0, path.rfind('/'));
            ExpectGolden(path, std::string("split-") + c.m_pName + "-" + SheetDataName(format) + ".json");
            const SJson data = ReadSheetData(path);
            EXPECT_EQ(data["meta"]["image"].m_strValue, "source.png");
            // Every piece on disk is in the data, cut from the source where its rectangle says.
            const auto frames = SheetFrames(data);
            EXPECT_EQ(frames.size() + 1, FolderNames(folder).size()) << c.m_pName;
            for (const auto& [name, frame] : frames)
                EXPECT_EQ(ReadWithEngine(folder + "/" + name).m_rgba, CutRect(source, frame["frame"]).m_rgba)
                    << c.m_pName << " " << name;
        }
    // Left out as empty, their numbers unused by others: pieces 3 and 6.
    EXPECT_FALSE(FileExists(File("skip-json-hash/hero03.png")) || FileExists(File("skip-json-hash/hero06.png")));
    EXPECT_TRUE(FileExists(File("skip-json-hash/hero04.png")));
}

TEST_F(SheetData, CombineDataCutsTheSourcePicturesBackOutOfTheSheet)
{
    for (const SCombineCase& c : kCombineCases)
        for (ESheetData format : kFormats)
        {
            const std::string path = Combine(c, format);
            ExpectGolden(path, std::string("combine-") + c.m_pName + "-" + SheetDataName(format) + ".json");
            const SJson data = ReadSheetData(path);
            const SPicture sheet = ReadWithEngine(path.substr(0, path.size() - 4) + "png");
            EXPECT_EQ(Size(uint32_t(data["meta"]["size"]["w"].Integer()), uint32_t(data["meta"]["size"]["h"].Integer())),
                      sheet.Dims());
            const auto frames = SheetFrames(data);
            ASSERT_EQ(frames.size(), 5u) << c.m_pName; // number 5 is missing
            for (const auto& [name, frame] : frames)
            {
                const int n = std::stoi(name.substr(3, 3));
                SPicture expected = CombineSource(n);
                if (!c.m_sheet.m_bKeepAlpha)
                    for (size_t i = 3; i < expected.m_rgba.size(); i += 4)
                        expected.m_rgba[i] = 255;
                EXPECT_EQ(CutRect(sheet, frame["frame"]).m_rgba, expected.m_rgba) << c.m_pName << " " << name;
            }
        }
}

TEST_F(SheetData, ExtrusionRepeatsEachFramesBorderAndPaddingStaysEmpty)
{
    Combine(kCombineCases[2], ESheetData::JsonHash);
    const SPicture sheet = ReadWithEngine(File("extrude-json-hash/walk.png"));
    // Margin 1, extrusion 2, padding 1: tiles of 16 x 12 at 3 + 21c, 3 + 17r; 3 x 2 tiles make
    // 2 + 3 * 20 + 2 = 64 by 2 + 2 * 16 + 1 = 35.
    ASSERT_EQ(sheet.Dims(), Size(64, 35));
    const SPicture first = CombineSource(1), fourth = CombineSource(4);
    for (uint32_t d : {1u, 2u})
    {
        EXPECT_EQ(sheet.At(3 - d, 3 + 5), first.At(0, 5)) << d;      // left of the first frame
        EXPECT_EQ(sheet.At(3 + 15 + d, 3 + 7), first.At(15, 7)) << d; // right of it
        EXPECT_EQ(sheet.At(3 + 9, 3 - d), first.At(9, 0)) << d;      // above
        EXPECT_EQ(sheet.At(3 - d, 3 - d), first.At(0, 0)) << d;      // the corner takes the corner pixel
        EXPECT_EQ(sheet.At(3 + 4, 20 + 11 + d), fourth.At(4, 11)) << d; // below the fourth (row 1)
    }
    // The margin, the padding between bands and the cell of the missing picture stay transparent.
    for (auto [x, y] : {std::pair{0u, 0u}, std::pair{63u, 34u}, std::pair{21u, 8u}, std::pair{30u, 19u},
                        std::pair{30u, 25u}})
        EXPECT_EQ(sheet.At(x, y), (Pixel{0, 0, 0, 0})) << x << "," << y;
}

TEST_F(SheetData, KeptAlphaLeavesATransparentFrameTransparentInPngAndTga)
{
    SCombineCase keep{"alpha", {ESheetData::None, true, 0, 0, 0}};
    for (const char* type : {"png", "tga"})
    {
        keep.m_pName = type;
        const std::string path = Combine(keep, ESheetData::JsonHash, type);
        EXPECT_EQ(ReadSheetData(path)["meta"]["format"].m_strValue, "RGBA8888");
        const SPicture sheet = Read(path.substr(0, path.size() - 4) + type); // ImageMagick, the independent reader
        EXPECT_EQ(sheet.At(16 + 7, 5), CombineSource(2).At(7, 5)) << type; // clear, its colour kept
        EXPECT_EQ(sheet.At(3, 12 + 3), (Pixel{CombineSource(4).At(3, 3)})) << type; // the opaque one stays opaque
        EXPECT_EQ(sheet.At(16 + 1, 12 + 1)[3], 0) << type;                          // number 5: nothing
    }
    // Without a picture that has alpha the sheet is the opaque one, byte for byte.
    for (int n = 1; n <= 6; ++n)
        WriteWithEngine(Numbered(File("o"), n, 3, "png"), Frame(16, 12, false, n), false);
    CombineSequence(2, 3, 1, BuildNumberPattern(Dir(), "o", 3, "png"), File("plain.png"));
    CombineSequence(2, 3, 1, BuildNumberPattern(Dir(), "o", 3, "png"), File("kept.png"), {ESheetData::None, true});
    EXPECT_EQ(ReadTextFile(File("kept.png")), ReadTextFile(File("plain.png")));
}

TEST_F(SheetData, WhatCannotBeMadeOrWrittenIsReportedAndNeverSucceeds)
{
    OpenWithEngine(SplitSource(), true);
    ASSERT_TRUE(m_grid.DrawSplitLines(2, 3, 96, 64));
    // A margin that leaves the cells no room: nothing is written.
    SplitInputs inputs{{CaseDir("split"), "hero", "##", "png", 1}};
    inputs.m_sheet = {ESheetData::JsonHash, 40, 0, false, false};
    SplitCommand(inputs, m_image, m_grid);
    EXPECT_EQ(m_frame.m_messages, Messages{Said("The margin and spacing leave no room for the split cells!\nPlease "
                                                "make them smaller.", "Wrong Settings", EMessageIcon::Exclamation)});
    EXPECT_TRUE(FolderNames(File("split")).empty());

    // The pieces are written, their data file is not: the failure names it with the reason.
    std::filesystem::create_directory(File("split/hero.json"));
    inputs.m_sheet.m_nMargin = 0;
    m_frame.m_messages.clear();
    SplitCommand(inputs, m_image, m_grid);
    ASSERT_EQ(m_frame.m_messages.size(), 1u);
    EXPECT_EQ(m_frame.m_messages[0].rfind("Fail exclamation: Failed to save the data file as:\n\n " + File("split/hero.json") +
                                              "\n\n(",
                                          0),
              0u)
        << m_frame.m_messages[0];
    EXPECT_TRUE(FileExists(File("split/hero06.png")));

    for (int n = 1; n <= 2; ++n)
        WriteWithEngine(Numbered(File("run"), n, 3, "png"), CombineSource(n));
    CombineInputs combine{{File("split"), "walk", "", "png", 0}, {Dir(), "run", "###", "png", 1}, 1, 2,
                          {ESheetData::JsonArray}};
    // Padding that makes the sheet too large, and spacing below zero, are refused before anything.
    m_frame.m_messages.clear();
    combine.m_sheet.m_nPadding = 70000;
    CombineCommand(combine);
    combine.m_sheet.m_nPadding = 0;
    combine.m_sheet.m_nExtrude = -1;
    CombineCommand(combine);
    EXPECT_EQ(m_frame.m_messages,
              (Messages{Said("The combined image would be too large to make:\n\n " + File("split/walk.png"), "Fail",
                             EMessageIcon::Exclamation),
                        Said("Invalid combination data found!\nPlease input or correct the combination infors!",
                             "Wrong Parameters", EMessageIcon::Exclamation)}));
}

TEST_F(SheetData, PixiReadsEveryDataFileAsItIsWritten)
{
    std::vector<std::string> files;
    for (ESheetData format : kFormats)
    {
        for (const SSplitCase& c : kSplitCases)
            files.push_back(Split(c, format));
        for (const SCombineCase& c : kCombineCases)
            files.push_back(Combine(c, format));
    }
    // Names that need escaping, and bytes that are no UTF-8 (node is handed the file under a plain
    // name, since it cannot name such a file).
    std::filesystem::copy_file(Split(kSplitCases[0], ESheetData::JsonHash, "q\"u\\o\tt\x01\xC3\xA9\xFF"),
                               File("odd-names.json"));
    files.push_back(File("odd-names.json"));
    std::string whyNot, reading;
    if (!PixiReady(whyNot))
        GTEST_SKIP() << "PixiJS cannot be installed, the data files were not read by it: " << whyNot;
    ASSERT_TRUE(PixiReading(files, reading)) << reading;
    EXPECT_EQ(reading, WrittenReading(files));
}
} // namespace
} // namespace mosvane::test
