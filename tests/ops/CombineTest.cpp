#include "OpsTestSupport.h"

#include "ops/Combine.h"

namespace
{
using namespace opstest;
using mosvane::test::FileExists;

struct Combine : OpsFixture
{
    // Sources img001.<type> ... of the 2 x 3 grid, with alpha dropped from the result.
    CombineInputs m_in{SequenceRecord{m_dir.Path(), "img", "###", "png", 1}, 2, 3};
    std::string Source(int n, const std::string& type = "png") const
    {
        return m_dir.File("img" + FormatNumberField(n, 3) + "." + type);
    }
    std::vector<uint8_t> Sheet(uint32_t w, uint32_t h)
    {
        uint32_t width = 0, height = 0;
        std::vector<uint8_t> rgba;
        EXPECT_TRUE(mosvane::test::MagickReadRgba(m_dir.File("out.png"), width, height, rgba));
        EXPECT_EQ(width, w);
        EXPECT_EQ(height, h);
        return rgba;
    }
};

TEST_F(Combine, PicturesFillTheGridInRowOrder)
{
    for (int n = 1; n <= 6; ++n)
        WRITE_PICTURE(Solid(4, 3, uint8_t(n * 40), uint8_t(n), 7), 4, 3, Source(n));
    CombineCommand(m_in, m_output);

    EXPECT_ONLY_MESSAGE(m_frame, "Succeed to combine the image and save as:\n\n " + m_dir.File("out.png"), "Succeed",
                        EMessageIcon::Information);
    EXPECT_EQ(m_frame.OnlyMessage().m_pOwner, &m_frame.m_window);
    const std::vector<uint8_t> sheet = Sheet(12, 6);
    for (int n = 1; n <= 6; ++n)
    {
        const uint32_t x = uint32_t((n - 1) % 3) * 4 + 3, y = uint32_t((n - 1) / 3) * 3 + 2;
        EXPECT_EQ(PixelAt(sheet, 12, x, y), Rgba(uint8_t(n * 40), uint8_t(n), 7)) << n;
    }
    EXPECT_EQ(m_frame.m_progress.front(), "begin 6");
    EXPECT_EQ(m_frame.Steps(), 6u);
    EXPECT_EQ(m_frame.m_progress.back(), "end");
    EXPECT_EQ(m_frame.m_nCursorShown, 1);
    EXPECT_EQ(m_frame.m_nCursorDepth, 0);
}

TEST_F(Combine, MissingAndOddSizedPicturesKeepTheirCells)
{
    // Tiles are 4 x 4 (picture 1). Picture 2 is larger and reaches into the cells right of and
    // below it, 3 is missing, 4 carries alpha, 5 is smaller than a tile, 6 reaches past the edge.
    m_in.m_source.m_strType = "bmp";
    WRITE_PICTURE(Solid(4, 4, 10, 20, 30), 4, 4, Source(1, "bmp"));
    WRITE_PICTURE(Solid(6, 5, 40, 50, 60), 6, 5, Source(2, "bmp"));
    WRITE_PICTURE(Solid(4, 4, 70, 80, 90, 128), 4, 4, Source(4, "bmp"), "-define bmp:format=bmp4");
    WRITE_PICTURE(Solid(2, 2, 100, 110, 120), 2, 2, Source(5, "bmp"));
    WRITE_PICTURE(Solid(9, 9, 130, 140, 150), 9, 9, Source(6, "bmp"));
    CombineCommand(m_in, m_output);
    EXPECT_EQ(m_frame.OnlyMessage().m_strCaption, "Succeed");

    const std::vector<uint8_t> sheet = Sheet(12, 8);
    EXPECT_EQ(PixelAt(sheet, 12, 9, 0), Rgba(40, 50, 60)); // 2 reaches into the empty third cell
    EXPECT_EQ(PixelAt(sheet, 12, 11, 3), Rgba(0, 0, 0));   // the rest of that cell
    EXPECT_EQ(PixelAt(sheet, 12, 3, 4), Rgba(70, 80, 90)); // alpha dropped
    EXPECT_EQ(PixelAt(sheet, 12, 4, 4), Rgba(100, 110, 120));
    EXPECT_EQ(PixelAt(sheet, 12, 7, 7), Rgba(0, 0, 0)); // beside the small picture
    EXPECT_EQ(PixelAt(sheet, 12, 11, 7), Rgba(130, 140, 150));
    EXPECT_EQ(m_frame.Steps(), 5u); // none for the missing picture
}

TEST_F(Combine, InvalidInputsAreRefusedBeforeAnythingIsRead)
{
    const std::string invalid = "Invalid combination data found!\nPlease input or correct the combination infors!";
    const auto refused = [&](int32_t rows, int32_t cols, const std::string& folder, const std::string& tmpl) {
        CFrameDouble frame;
        CombineCommand(CombineInputs{SequenceRecord{folder, "img", tmpl, "png", 1}, rows, cols}, m_output);
        EXPECT_ONLY_MESSAGE(frame, invalid, "Wrong Parameters", EMessageIcon::Exclamation);
        EXPECT_TRUE(frame.m_progress.empty());
    };
    refused(0, 3, m_dir.Path(), "#");
    refused(-2, 3, m_dir.Path(), "#");
    refused(1, 1, m_dir.Path(), "#");
    refused(2, 3, "", "#");
    refused(2, 3, m_dir.Path(), "");

    CombineCommand(m_in, SequenceRecord{m_dir.Path(), "out", "", "", 0});
    EXPECT_ONLY_MESSAGE(m_frame, "Please input the output image file infor in the Output Settings panel first!",
                        "Wrong Parameters", EMessageIcon::Exclamation);
}

TEST_F(Combine, FailuresAreReportedWithTheFileName)
{
    const auto fails = [&](const CombineInputs& in, const SequenceRecord& output, const std::string& text) {
        CFrameDouble frame;
        CombineCommand(in, output);
        EXPECT_ONLY_MESSAGE(frame, text, "Fail", EMessageIcon::Exclamation);
        EXPECT_EQ(frame.m_progress.back(), "end");
    };
    fails(m_in, m_output,
          "Cannot load the first image of the sequence:\n\n " + Source(1) + "\n\nNothing was combined.");
    EXPECT_FALSE(FileExists(m_dir.File("out.png")));

    WRITE_PICTURE(Solid(2, 2, 1, 2, 3), 2, 2, Source(1));
    fails(m_in, SequenceRecord{m_dir.File("gone"), "out", "", "png", 0},
          "Failed to save the combined image as:\n\n " + m_dir.File("gone/out.png"));
    // A name longer than the system takes is not shortened: the write fails.
    const std::string title(300, 't');
    fails(m_in, SequenceRecord{m_dir.Path(), title, "", "png", 0},
          "Failed to save the combined image as:\n\n " + m_dir.File(title + ".png"));
    fails(CombineInputs{m_in.m_source, 1, 40000}, m_output, // 80000 pixels wide
          "The combined image would be too large to make:\n\n " + m_dir.File("out.png"));
}

TEST(CombinePrepare, DescribesThePlanOrNamesTheFirstProblem)
{
    CombineInputs in{SequenceRecord{"D:/in", "img", "###", "png", 1}, 2, 3};
    EXPECT_TRUE(PrepareCombine(in).m_bReady);
    EXPECT_EQ(PrepareCombine(in).m_strHint,
              "Combine out a 2 x 3 picture using images from img001.png to img006.png from the source folder D:/in.");
    in.m_nRows = in.m_nCols = 1; // passes here, refused by the combine itself
    EXPECT_TRUE(PrepareCombine(in).m_bReady);
    in.m_nCols = -1;
    EXPECT_FALSE(PrepareCombine(in).m_bReady);
    EXPECT_EQ(PrepareCombine(in).m_strHint, "Bad Combination Rows or Cols!");
    in.m_source.m_strTemplate.clear();
    EXPECT_EQ(PrepareCombine(in).m_strHint, "Bad Number Template Inputted!");
    in.m_source.m_strFolder.clear();
    EXPECT_EQ(PrepareCombine(in).m_strHint, "Bad Combination Image Source Folder!");
    EXPECT_EQ(PrepareCombine(CombineInputs{SequenceRecord{"/50%s", "a%d", "##", "p%n", -3}, 1, 5}).m_strHint,
              "Combine out a 1 x 5 picture using images from a%d-3.p%n to a%d01.p%n from the source folder /50%s.");
}
} // namespace
