// What each command writes or changes when it succeeds, read back through ImageMagick.

#include "BlendReference.h"
#include "OpsTestSupport.h"

#include "ops/Alpha.h"
#include "ops/Blend.h"
#include "ops/Combine.h"
#include "ops/Mng.h"
#include "ops/Split.h"

#include <utility>

namespace mosvane::test
{
namespace
{
using Ops = OpsFixture;
using Bytes = std::vector<uint8_t>;

TEST_F(Ops, SplitCellsCombineBackIntoThePicture)
{
    const SPicture picture = Pattern(96, 64, true);
    ASSERT_TRUE(DrawSplitLineCommand(2, 3, Open(picture, "source.png"), m_grid));
    SplitCommand({{Dir(), "cell", "###", "png", 9}}, m_image, m_grid);
    EXPECT_EQ(m_frame.m_messages, Succeeded("Succeed to split the image and save as:\n\n " + File("cell###.png")));
    EXPECT_EQ(m_frame.m_strProgress, "[6......]");
    for (uint32_t k = 0; k < 6; ++k) // row order; alpha kept in the cells
    {
        const SPicture cell = Read(Numbered(File("cell"), 9 + int(k), 3, "png"));
        ASSERT_EQ(cell.Dims(), Size(32, 32)) << k;
        EXPECT_EQ(cell.At(5, 7), picture.At(k % 3 * 32 + 5, k / 3 * 32 + 7)) << k;
    }
    EXPECT_FALSE(FileExists(File("cell015.png")));

    m_frame.m_messages.clear();
    CombineCommand({m_output, {Dir(), "cell", "###", "png", 9}, 2, 3});
    EXPECT_EQ(m_frame.m_messages, Succeeded("Succeed to combine the image and save as:\n\n " + File("out.png")));
    EXPECT_EQ(Read(File("out.png")).m_rgba, Pattern(96, 64, false).m_rgba); // the colours, opaque
}

TEST_F(Ops, CombinedCellsTakeEachPictureAtItsOwnSize)
{
    // Tiles are 4 x 4 (picture 1). Picture 2 is larger and reaches into the cells after and below
    // it, 3 is missing, 5 is smaller than a tile, 6 reaches past the edge.
    WriteSequence(File("img"), 1, 3, "bmp",
                  {Solid(4, 4, 10, 20, 30), Solid(6, 5, 40, 50, 60), {}, Solid(4, 4, 70, 80, 90),
                   Solid(2, 2, 100, 110, 120), Solid(9, 9, 130, 140, 150)});
    CombineCommand({m_output, {Dir(), "img", "###", "bmp", 1}, 2, 3});
    EXPECT_EQ(m_frame.m_messages, Succeeded("Succeed to combine the image and save as:\n\n " + File("out.png")));
    EXPECT_EQ(m_frame.m_strProgress, "[6.....]"); // no step for the missing picture

    const SPicture sheet = Read(File("out.png"));
    ASSERT_EQ(sheet.Dims(), Size(12, 8));
    const struct { uint32_t x, y; Pixel rgba; } expected[] = {
        {3, 3, {10, 20, 30, 255}}, {6, 4, {40, 50, 60, 255}},    {9, 0, {40, 50, 60, 255}},   {11, 3, {0, 0, 0, 255}},
        {3, 4, {70, 80, 90, 255}}, {4, 4, {100, 110, 120, 255}}, {7, 7, {0, 0, 0, 255}}, {11, 7, {130, 140, 150, 255}}};
    for (const auto& e : expected)
        EXPECT_EQ(sheet.At(e.x, e.y), e.rgba) << e.x << "," << e.y;
}

TEST(CombinePrepare, DescribesThePlanOrNamesTheFirstProblem)
{
    const struct { SequenceRecord source; int32_t rows, cols; bool ready; std::string hint; } cases[] = {
        {{"D:/in", "img", "###", "png", 1}, 2, 3, true,
         "Combine out a 2 x 3 picture using images from img001.png to img006.png from the source folder D:/in."},
        {{"D:/in", "img", "", "png", 1}, 2, 0, false, "Bad Number Template Inputted!"},
        {{"", "img", "", "png", 1}, 2, 0, false, "Bad Combination Image Source Folder!"}};
    for (const auto& c : cases)
    {
        const PrepareResult result = PrepareCombine(CombineInputs{{}, c.source, c.rows, c.cols});
        EXPECT_EQ(result.m_bReady, c.ready) << c.hint;
        EXPECT_EQ(result.m_strHint, c.hint);
    }
}

const std::string kSaveHint = "\nYou need to save it as a alpha supported image format, such as tga/png.";

TEST_F(Ops, ExtractedAlphaIsGreyAndTheImageStays)
{
    const SPicture picture = Pattern(20, 10, true);
    Open(picture, "alpha.png");
    const Bytes before = Pixels();
    ExtractAlphaCommand(m_output, m_image);
    EXPECT_EQ(m_frame.m_messages,
              Succeeded("Succeed to extract and save the alpha layer image as\n\n" + File("out.png")));
    EXPECT_EQ(Pixels(), before);
    SPicture grey = picture;
    for (size_t i = 0; i < grey.m_rgba.size(); i += 4)
        grey.m_rgba[i] = grey.m_rgba[i + 1] = grey.m_rgba[i + 2] = std::exchange(grey.m_rgba[i + 3], 255);
    EXPECT_EQ(Read(File("out.png")).m_rgba, grey.m_rgba);
}

TEST_F(Ops, MadeAlphaTurnsOneColourBlackWithTheLowEightBits)
{
    // 300 compares as 44 while the message shows what was typed; the second pixel differs in red.
    Open({2, 2, {44, 1, 2, 255, 45, 1, 2, 255, 44, 1, 2, 255, 44, 1, 2, 255}}, "rgb.png", "-type TrueColor");
    MakeAlphaCommand({m_output, 300, 257, 2, 256 + 77}, m_image);
    EXPECT_EQ(m_frame.m_messages, Succeeded("Succeed to make the alpha layer at pixles which color value is "
                                            "RGB(300, 257, 2)!" + kSaveHint));
    EXPECT_EQ(m_image.m_gxImg.format, uint32_t(GL_RGBA));
    EXPECT_EQ(Pixels(), (Bytes{0, 0, 0, 77, 45, 1, 2, 255, 0, 0, 0, 77, 0, 0, 0, 77}));
    EXPECT_EQ(m_nRedraws, 1);

    // A TGA with alpha loads as GL_BGRA: blue first, red third.
    Open({2, 1, {0, 0, 255, 200, 255, 0, 0, 200}}, "b.tga");
    ASSERT_EQ(m_image.m_gxImg.format, uint32_t(GL_BGRA));
    EXPECT_TRUE(MakeAlphaByRgb(0, 0, 255, 9, m_image));
    EXPECT_EQ(Pixels(), (Bytes{0, 0, 0, 9, 0, 0, 255, 200}));
}

TEST_F(Ops, CombinedAlphaIsTheMeanOfTheFirstThreeBytes)
{
    Put(File("mask.bmp"), {2, 1, {30, 60, 90, 255, 1, 1, 2, 255}}, "-type TrueColor");
    CombineAlphaCommand({m_output, File("mask.bmp")}, Open(Solid(2, 1, 5, 6, 7), "image.png", "-type TrueColor"));
    EXPECT_EQ(m_frame.m_messages, Succeeded("Succeed to combine the alpha layer into current image!" + kSaveHint));
    EXPECT_EQ(Pixels(), (Bytes{5, 6, 7, 60, 5, 6, 7, 1})); // the BMP holds B, G, R
    EXPECT_EQ(m_nRedraws, 1);
}

TEST_F(Ops, BlendMatchesAReferenceComposedOnTheCpu)
{
    SPicture background = Pattern(10, 10, false);
    for (size_t i = 0; i < background.m_rgba.size(); i += 4)
        background.m_rgba[i] = uint8_t(i * 5); // sharp steps, so that the filtering shows
    const SPicture overlay = Pattern(50, 20, true), picture = Pattern(200, 100, true);
    Put(File("bk.png"), background), Put(File("mark.png"), overlay);
    ASSERT_EQ(Open(picture, "picture.png").m_gxImg.format, uint32_t(GL_RGBA));
    BlendCommand({m_output, File("bk.png"), File("mark.png")}, m_image);
    EXPECT_EQ(m_frame.m_messages,
              Succeeded("Success to blend the current image with the background and overlay image and save it as\n\n" +
                        File("out.png") + "."));
    EXPECT_EQ(m_nRedraws, 1);

    // Each layer stretched as GL's linear filter samples it, laid source-over from transparent black.
    auto ref = [](const SPicture& p) { return SRefPicture{int(p.m_nWidth), int(p.m_nHeight), GL_RGBA, p.m_rgba.data()}; };
    const SRefPicture bk = ref(background), mark = ref(overlay), item = ref(picture);
    const CBlendReference composed(200, 100, &bk, &mark);
    Bytes reference;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            for (uint8_t v : composed.At(x, y, TexelOf(item, x, y)))
                reference.push_back(v);
    EXPECT_LE(MaxDifference(Pixels(), reference), 3);
    EXPECT_EQ(Read(File("out.png")).m_rgba, Pixels());
}

TEST_F(Ops, BlendLayersInvisibleOrNotLoadingLeaveAnOpaqueImageAsItWas)
{
    Put(File("clear.png"), Solid(7, 3, 255, 0, 0, 0));
    ASSERT_EQ(Open(Pattern(33, 17, false), "picture.bmp", "-type TrueColor").m_gxImg.format, uint32_t(GL_BGR));
    const Bytes before = Pixels();
    ASSERT_TRUE(BlendImage("", File("clear.png"), m_image) && BlendImage(File("no.png"), File("no.tga"), m_image));
    EXPECT_EQ(m_image.m_gxImg.format, uint32_t(GL_BGR));
    EXPECT_EQ(Pixels(), before);
}

TEST_F(Ops, MngLeavesMissingFramesOutAndFitsOthersToTheFirst)
{
    WriteSequence(File("f"), 5, 2, "png", {Solid(8, 6, 200, 10, 10), {}, Solid(10, 4, 10, 200, 10)});
    MngCommand({m_output, {Dir(), "f", "##", "png", 5}, 3, 10});
    EXPECT_EQ(m_frame.m_messages,
              Succeeded("Success to make the mng animation and save it as\n\n" + File("out.mng") + "."));
    EXPECT_EQ(m_frame.m_strProgress, "[4....]");
    ASSERT_EQ(RunCommand("convert " + ShellQuote(File("out.mng")) + " " + ShellQuote(File("f%d.png"))), 0);
    const SPicture first = Read(File("f0.png")), second = Read(File("f1.png"));
    EXPECT_FALSE(FileExists(File("f2.png")));
    EXPECT_EQ(std::pair(first.Dims(), second.Dims()), std::pair(Size(8, 6), Size(8, 6)));
    EXPECT_EQ(first.At(7, 5), Pixel({200, 10, 10, 255}));
    // Cropped and padded with transparent pixels; the frame before does not show through them.
    EXPECT_EQ(second.At(7, 3), Pixel({10, 200, 10, 255}));
    EXPECT_EQ(second.At(0, 4), Pixel({0, 0, 0, 0}));
}
} // namespace
} // namespace mosvane::test
