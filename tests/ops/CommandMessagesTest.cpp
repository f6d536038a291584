// Every way a command refuses, fails or stays silent, as the user sees it. Each case runs in a
// fresh folder; afterwards the wait cursor and the progress bar must have ended and no output
// file may exist.

#include "OpsTestSupport.h"

#include "ops/Alpha.h"
#include "ops/Blend.h"
#include "ops/Combine.h"
#include "ops/Mng.h"
#include "ops/Split.h"

#include <filesystem>
#include <functional>

namespace mosvane::test
{
namespace
{
struct Commands;
struct SCase
{
    const char* m_szName;
    std::function<void(Commands&)> m_fnRun;
    std::string m_strText; // "$" stands for the test's folder; empty when nothing may be shown
    std::string m_strCaption = "Fail";
    EMessageIcon m_eIcon = EMessageIcon::Exclamation;
};
void PrintTo(const SCase& c, std::ostream* os) { *os << c.m_szName; }

struct Commands : OpsFixture, ::testing::WithParamInterface<SCase>
{
    void Grid(int32_t rows, int32_t cols)
    {
        DrawSplitLineCommand(rows, cols, Open(Pattern(10, 60, false), "in.png"), m_grid);
    }
    void Split(SequenceRecord output, const std::string& tmpl, int32_t from = 1)
    {
        ASSERT_TRUE(m_grid.DrawSplitLines(1, 2, 40, 20));
        output.m_strTemplate = tmpl, output.m_nFromNumber = from;
        SplitCommand({output}, Open(Pattern(40, 20, false), "in.bmp"), m_grid);
    }
    // Sequences of which only the first picture, img001.png or f05.png, exists.
    SequenceRecord Sequence(const std::string& title, int32_t from, const std::string& tmpl)
    {
        Put(Numbered(File(title), from, int(tmpl.size()), "png"), Solid(2, 2, 1, 2, 3));
        return {Dir(), title, tmpl, "png", from};
    }
    SequenceRecord Img() { return Sequence("img", 1, "###"); }
    SequenceRecord Frames() { return Sequence("f", 5, "##"); }
    CWorkingImage& Rgba() { return Open(Pattern(8, 8, true), "in.png"); }
};

const std::string kInvalidGrid = "Invalid split row or column value found!\nPlease correct it first to continue!";
const std::string kBadOutput = "Invalid output settings!\nPlease input or correct the output settings!";
const std::string kBadCombine = "Invalid combination data found!\nPlease input or correct the combination infors!";
const std::string kBadMng = "Invalid mng animation settings!\nPlease input or correct the settings and try again!";
const std::string kNoAlpha = "Sorry but the opened image file does not have a alpha layer data!";
const std::string kNoFrames =
    "No image of the sequence could be loaded, the first being\n\n$/f05.png\n\nNo mng animation was made.";
const char* const kWrong = "Wrong Parameters";

const SCase kCases[] = {
    // More cells than pixels are refused like 0 and 1 x 1.
    {"GridMoreColumnsThanPixels", [](Commands& t) { t.Grid(1, 7); }, kInvalidGrid, "OK"},
    {"GridWithoutImage", [](Commands& t) { EXPECT_FALSE(DrawSplitLineCommand(1, 2, t.m_image, t.m_grid)); }, ""},

    {"SplitWithoutTitle", [](Commands& t) { t.Split({t.Dir(), "", "", "png", 0}, "#"); }, kBadOutput, "Wrong Settings"},
    {"SplitWithoutTemplate", [](Commands& t) { t.Split(t.m_output, ""); }, ""},
    {"SplitWriteFails", [](Commands& t) { t.Split(t.Gone("bmp"), "###", -1); },
     "Failed to save 2 of the 2 split images, the first as:\n\n $/gone/out-01.bmp"},
    // Nothing to write is no success.
    {"SplitGridNeverLaid", [](Commands& t) { SplitCommand({{t.Dir(), "out", "#", "png", 1}}, t.Rgba(), t.m_grid); },
     kInvalidGrid, "OK"},

    {"CombineOneByOne", [](Commands& t) { CombineCommand({t.m_output, t.Img(), 1, 1}); }, kBadCombine, kWrong},
    {"CombineWithoutOutputType", [](Commands& t) { CombineCommand({t.Output(""), t.Img(), 2, 3}); },
     "Please input the output image file infor in the Output Settings panel first!", kWrong},
    {"CombineFirstMissing", [](Commands& t) { CombineCommand({t.m_output, {t.Dir(), "img", "###", "png", 1}, 2, 3}); },
     "Cannot load the first image of the sequence:\n\n $/img001.png\n\nNothing was combined."},
    {"CombineWriteFails", [](Commands& t) { CombineCommand({t.Gone("png"), t.Img(), 2, 3}); },
     "Failed to save the combined image as:\n\n $/gone/out.png"},
    {"CombineTooLarge", [](Commands& t) { CombineCommand({t.m_output, t.Img(), 1, 40000}); },
     "The combined image would be too large to make:\n\n $/out.png"},

    {"ExtractWithoutAlpha",
     [](Commands& t) { ExtractAlphaCommand(t.m_output, t.Open(Pattern(8, 8, false), "in.png", "-type TrueColor")); },
     kNoAlpha},
    {"ExtractWithoutOutputFolder", [](Commands& t) { ExtractAlphaCommand({"", "out", "", "png", 0}, t.Rgba()); },
     "Please input the Output Settings first!", kWrong},
    {"ExtractWriteFails", [](Commands& t) { ExtractAlphaCommand(t.Gone("tga"), t.Rgba()); },
     "Failed to save the alpha layer image as\n\n$/gone/out.tga"},
    {"MakeAlphaWithoutOutput", [](Commands& t) { MakeAlphaCommand({{}, 1, 2, 3, 4}, t.Rgba()); }, ""},
    {"CombineAlphaOtherSize",
     [](Commands& t) { t.Img(); CombineAlphaCommand({t.m_output, t.File("img001.png")}, t.Rgba()); }, ""},

    {"BlendWithoutImage", [](Commands& t) { BlendCommand({t.m_output, t.File("in.png"), ""}, t.m_image); }, ""},
    // Naming no layer, or one that does not load, is said; nothing is blended.
    {"BlendWithoutLayers", [](Commands& t) { BlendCommand({t.m_output, "", ""}, t.Rgba()); },
     "Please input the Background Image or the Overlay Watermark, or both, to blend the current image with!", kWrong},
    {"BlendOverlayNotLoading", [](Commands& t) { BlendCommand({t.m_output, "", t.File("no.png")}, t.Rgba()); },
     "Cannot load the overlay watermark:\n\n $/no.png\nNo such file or directory\n\nNothing was blended."},
    {"BlendWriteFails", [](Commands& t) { BlendCommand({t.Gone("jpg"), t.File("in.png"), ""}, t.Rgba()); },
     "Failed to blend the current image and save it as\n\n$/gone/out.jpg."},

    {"MngZeroFrames", [](Commands& t) { MngCommand({t.m_output, t.Frames(), 0, 10}); }, kBadMng, kWrong},
    {"MngWithoutOutputType", [](Commands& t) { MngCommand({t.Output(""), t.Frames(), 3, 10}); }, ""},
    {"MngNothingLoads", [](Commands& t) { MngCommand({t.m_output, {t.Dir(), "f", "##", "png", 5}, 3, 10}); },
     kNoFrames},
    // A negative count passes the check; nothing is tried, and the message says so.
    {"MngNegativeCount", [](Commands& t) { MngCommand({t.m_output, t.Frames(), -3, 10}); },
     "The frame count -3 names no frame: there is nothing to write.\n\nNo mng animation was made."},
    {"MngWriteFails", [](Commands& t) { MngCommand({t.Gone("bmp"), t.Frames(), 3, 10}); },
     "Failed to save the mng animation as\n\n$/gone/out.mng."},
};

TEST_P(Commands, ShowWhatTheyDid)
{
    const SCase& c = GetParam();
    c.m_fnRun(*this);
    std::string text = c.m_strText;
    for (size_t at = text.find('$'); at != std::string::npos; at = text.find('$', at + Dir().size()))
        text.replace(at, 1, Dir());
    EXPECT_EQ(m_frame.m_messages, text.empty() ? Messages{} : Messages{Said(text, c.m_strCaption, c.m_eIcon)});
    EXPECT_EQ(m_frame.m_nCursorDepth, 0);
    EXPECT_TRUE(m_frame.m_strProgress.empty() || m_frame.m_strProgress.back() == ']');
    for (const auto& entry : std::filesystem::directory_iterator(Dir()))
    {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.rfind("out", 0) == 0) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Ops, Commands, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SCase>& info) { return std::string(info.param.m_szName); });
} // namespace
} // namespace mosvane::test
