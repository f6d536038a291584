// The "Specialties" tab: the three alpha operations, blend with either or both layers, an
// animation in each format from a numbered folder, drops on the path boxes and the getters' validity.

#include "GuiTesting.h"

#include "ui/OutputSettingsPanel.h"

#include <QComboBox>

#include <filesystem>

using namespace mosvane::test;

namespace
{
constexpr int kTab = 1;

class SpecialtiesPanelTest : public FrameTest
{
protected:
    QImage Written(const std::string& name)
    {
        const QImage image(QString::fromStdString(m_dir.File(name)));
        EXPECT_FALSE(image.isNull()) << name;
        return image.convertToFormat(QImage::Format_RGBA8888);
    }
    // Writes the working image through the frame's Save command.
    QImage SaveWorking(const std::string& name)
    {
        m_dialogs.m_savePaths = {m_dir.File(name)};
        m_pFrame->OnCommand(IdFileSave);
        return Written(name);
    }
    void Drop(int id, const QStringList& paths) { DropFiles(Control<QWidget>(kTab, id), paths); }
};

// An 8 x 8 picture of two halves.
QImage Halves(QColor left, QColor right)
{
    QImage image = Filled(right);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixelColor(x, y, left);
    return image;
}

bool Near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 && std::abs(a.blue() - b.blue()) <= 2;
}
} // namespace

TEST_F(SpecialtiesPanelTest, AlphaOperationsAndBlendGiveTheExpectedPixels)
{
    Start();
    EXPECT_FALSE(Enabled(kTab, IdExtractAlpha) || Enabled(kTab, IdAlphaByRgb) || Enabled(kTab, IdBlend));
    std::filesystem::create_directories(m_dir.File("src"));
    // The results are named in.png after the picture.
    Open(WritePicture(m_dir, "src/in.png", Halves(QColor(10, 20, 30), QColor(200, 100, 50, 128))));

    Click(kTab, IdExtractAlpha);
    EXPECT_EQ(TakeMessages(), Said{"Succeed: Succeed to extract and save the alpha layer image as\n\n" +
                                   m_dir.File("in.png")});
    const QImage alpha = Written("in.png");
    EXPECT_EQ(alpha.pixelColor(1, 1).name() + alpha.pixelColor(6, 6).name(), "#ffffff#808080");

    for (auto [id, value] : {std::pair{IdKeyRed, "10"}, {IdKeyGreen, "20"}, {IdKeyBlue, "30"}, {IdKeyAlpha, "7"}})
        Type(kTab, id, value);
    Type(kTab, IdKeyAlpha, "x7"); // digits only: the letter is refused
    EXPECT_EQ(Text(kTab, IdKeyAlpha), "7");
    Click(kTab, IdAlphaByRgb);
    EXPECT_EQ(TakeMessages().size(), 1u);
    const QImage made = SaveWorking("rgb.png");
    EXPECT_EQ(made.pixelColor(1, 1), QColor(0, 0, 0, 7));
    EXPECT_EQ(made.pixelColor(6, 6), QColor(200, 100, 50, 128)); // other colours keep their alpha

    Type(kTab, IdAlphaImageFile, QString::fromStdString(WritePicture(m_dir, "mask.png", Filled(QColor(60, 60, 60)))));
    Click(kTab, IdAlphaImage);
    EXPECT_EQ(TakeMessages().size(), 1u);
    EXPECT_EQ(SaveWorking("masked.png").pixelColor(6, 6), QColor(200, 100, 50, 60));

    // Both layers reach the blend: the background under the half blue picture, the overlay's
    // green half on top.
    Open(WritePicture(m_dir, "src/in.png", Filled(QColor(0, 0, 255, 128))));
    Type(kTab, IdBlendBackground, QString::fromStdString(WritePicture(m_dir, "red.png", Filled(Qt::red))));
    Type(kTab, IdBlendOverlay,
         QString::fromStdString(WritePicture(m_dir, "overlay.png", Halves(Qt::transparent, Qt::green))));
    Click(kTab, IdBlend);
    EXPECT_EQ(TakeMessages(), Said{"Succeed: Success to blend the current image with the background and overlay "
                                   "image and save it as\n\n" + m_dir.File("in.png") + "."});
    const QImage blended = Written("in.png");
    EXPECT_TRUE(Near(blended.pixelColor(1, 4), QColor(127, 0, 128)) && Near(blended.pixelColor(6, 4), Qt::green));
}

// Each format chosen in the group makes its file, known by its signature; the MNG has its frames and delay.
TEST_F(SpecialtiesPanelTest, AnimationInEachFormatFromNumberedFolder)
{
    ASSERT_TRUE(HaveImageMagick());
    WriteSequence("seq", "f", 2, 3, [](int k) { return Filled(QColor(k * 60, 0, 0), 6, 4); });
    SeedMng("seq", "f", 2, 3, 4);
    Start();
    EXPECT_EQ(Text(kTab, IdMngFormat), "mng");
    const std::pair<const char*, std::string> formats[] = {
        {"apng", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)}, {"gif", "GIF89a"}, {"mng", "\x8aMNG\r\n\x1a\n"}};
    for (const auto& [format, signature] : formats)
    {
        Set(kTab, IdMngFormat, format);
        Click(kTab, IdMakeMng); // needs no opened picture
        const std::string path = m_dir.File(std::string("out.") + (format == std::string("apng") ? "png" : format));
        EXPECT_EQ(TakeMessages(), Said{"Succeed: Success to make the " + std::string(format) +
                                       " animation and save it as\n\n" + path + "."});
        const std::string bytes = ReadTextFile(path);
        EXPECT_EQ(bytes.substr(0, signature.size()), signature) << format;
        // An animated PNG is told from a still one by its animation control chunk.
        EXPECT_EQ(bytes.find("acTL") != std::string::npos, format == std::string("apng")) << format;
    }
    std::string listing;
    ASSERT_EQ(RunCommand("identify -format '%T %w %h\\n' " + ShellQuote(m_dir.File("out.mng")), &listing), 0);
    EXPECT_EQ(listing, "25 6 4\n25 6 4\n25 6 4\n");
}

// The getters' validity, the seeding of an unknown type and of channels out of range, and drops
// on the path boxes.
TEST_F(SpecialtiesPanelTest, GettersSeedingAndDrops)
{
    Settings().m_nAlphaR = 300, Settings().m_nAlphaG = -255, Settings().m_nAlphaB = 7;
    Settings().m_strMngSourceFolder = "/seq", Settings().m_strMngTemplate = "##", Settings().m_nMngFPS = 10;
    Settings().m_strMngImageType = "tif"; // no such entry: bmp
    Settings().m_strMngFormat = "webp";  // no such format: mng
    Settings().m_strBlendBkImg = "/keep/bk.png";
    Start();
    EXPECT_EQ(Control<QComboBox>(kTab, IdMngType)->currentText() + Text(kTab, IdMngFormat), "bmpmng");
    Type(kTab, IdKeyAlpha, "256"); // the last digit would leave the range: refused
    AlphaRgbInputs rgb;
    EXPECT_TRUE(m_pFrame->GetAlphaRgbSettings(rgb));
    EXPECT_EQ((std::vector{rgb.m_nRed, rgb.m_nGreen, rgb.m_nBlue, rgb.m_nAlpha}), (std::vector{255, 0, 7, 25}));
    MngInputs mng;
    for (auto [count, valid] : {std::pair{"abc", false}, {"0", false}, {"3", true}})
    {
        Type(kTab, IdMngFrameCount, count); // the frame count box takes any text
        EXPECT_EQ(m_pFrame->GetMngSettings(mng), valid) << count;
    }
    EXPECT_EQ(mng.m_source.m_strFolder + mng.m_source.m_strTemplate + mng.m_source.m_strType + mng.m_strFormat,
              "/seq##bmpmng");

    Drop(IdBlendBackground, {"/pictures/a.dds"});
    Drop(IdBlendBackground, {"/pictures/notes.txt", "/pictures/b.png"}); // only the first counts
    EXPECT_EQ(Text(kTab, IdBlendBackground), "/keep/bk.png");
    Drop(IdAlphaImageFile, {"/pictures/A.PNG", "/pictures/b.jpg"});
    EXPECT_EQ(Text(kTab, IdAlphaImageFile), "/pictures/A.PNG");
    Type(kTab, IdBlendBackground, "");
    BlendInputs blend;
    EXPECT_FALSE(m_pFrame->GetBlendSettings(blend)); // neither layer
    // Every getter needs the output title.
    m_pFrame->OutputPanel()->TitleEdit()->clear();
    EXPECT_FALSE(m_pFrame->GetAlphaRgbSettings(rgb) || m_pFrame->GetMngSettings(mng));
}
