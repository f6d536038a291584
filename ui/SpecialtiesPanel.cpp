#include "ui/SpecialtiesPanel.h"

#include "config/ProgramSettings.h"
#include "ops/AnimationFormat.h"
#include "ui/CommandIds.h"
#include "ui/Dialogs.h"
#include "ui/ImageDropEdit.h"
#include "ui/PanelControls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{
CImageDropEdit* DropEdit(QWidget* parent, int id, const std::string& text)
{
    auto* edit = new CImageDropEdit(parent);
    edit->setText(QString::fromStdString(text));
    SetCommandId(edit, id);
    return edit;
}

// The animation formats by their names, the one seeded selected (MNG for an empty or unknown name).
QComboBox* FormatList(QWidget* parent, const std::string& seed)
{
    EAnimationFormat format = EAnimationFormat::Mng;
    AnimationFormatFromName(seed, format);
    return MakeNameList(parent, IdMngFormat, AnimationFormatNames(), AnimationFormatName(format));
}
} // namespace

CSpecialtiesPanel::CSpecialtiesPanel(QWidget* parent) : QWidget(parent)
{
    const CProgramSettings& settings = GetProgramSettings();

    auto* alpha = new QGroupBox(QStringLiteral("Alpha Image Layer Facture"));
    SetCommandId(alpha, IdAlphaGroup);
    m_pExtract = MakeButton(alpha, IdExtractAlpha, "Extract && Save Current Alpha Image");
    m_pAlphaImage = DropEdit(alpha, IdAlphaImageFile, settings.m_strAlphaImage);
    QPushButton* browseAlpha = MakeBrowseButton(alpha, IdAlphaBrowse, "Browse Alpha Image");
    m_pCombineAlpha = MakeButton(alpha, IdAlphaImage, "Combine Alpha Image Channel");
    // The colour and its new alpha are channel values: the boxes hold 0 to 255 (stored values
    // outside are brought into range), so the message names the colour that is applied.
    m_pRed = MakeNumberBox(alpha, IdKeyRed, kMaxChannel, settings.m_nAlphaR);
    m_pGreen = MakeNumberBox(alpha, IdKeyGreen, kMaxChannel, settings.m_nAlphaG);
    m_pBlue = MakeNumberBox(alpha, IdKeyBlue, kMaxChannel, settings.m_nAlphaB);
    m_pAlpha = MakeNumberBox(alpha, IdKeyAlpha, kMaxChannel, settings.m_nAlphaA);
    m_pAlphaByRgb = MakeButton(alpha, IdAlphaByRgb, "Make Alpha Channel By RGB");

    auto* alphaGrid = new QGridLayout(alpha);
    AddWideRow(alphaGrid, 0, m_pExtract);
    AddWideRow(alphaGrid, 1, MakeSeparator(IdAlphaSeparator));
    AddFieldRow(alphaGrid, 2, "Alpha:", m_pAlphaImage, browseAlpha);
    AddWideRow(alphaGrid, 3, m_pCombineAlpha);
    AddWideRow(alphaGrid, 4, MakeSeparator(IdKeySeparator));
    for (QSpinBox* box : {m_pRed, m_pGreen, m_pBlue, m_pAlpha})
    {
        box->setButtonSymbols(QAbstractSpinBox::NoButtons);
        box->setMaximumWidth(40);
    }
    AddPairsRow(alphaGrid, 5, {{"R: ", m_pRed}, {"G:", m_pGreen}, {"B:", m_pBlue}, {"A:", m_pAlpha}}, {}, 2);
    alphaGrid->addWidget(m_pAlphaByRgb, 6, 0, 1, 3, Qt::AlignLeft);
    alphaGrid->setColumnStretch(1, 1);

    auto* blend = new QGroupBox(QStringLiteral("Image Blend Facture"));
    SetCommandId(blend, IdBlendGroup);
    m_pBackground = DropEdit(blend, IdBlendBackground, settings.m_strBlendBkImg);
    QPushButton* browseBackground = MakeBrowseButton(blend, IdBlendBrowseBackground, "Browse Background Image");
    m_pOverlay = DropEdit(blend, IdBlendOverlay, settings.m_strBlendOverlayImg);
    QPushButton* browseOverlay = MakeBrowseButton(blend, IdBlendBrowseOverlay, "Browse Overlay Watermark");
    m_pBlend = MakeButton(blend, IdBlend, "Generate");
    auto* blendGrid = new QGridLayout(blend);
    AddFieldRow(blendGrid, 0, "Background Image:", m_pBackground, browseBackground);
    AddFieldRow(blendGrid, 1, "Overlay Watermark:", m_pOverlay, browseOverlay);
    AddWideRow(blendGrid, 2, MakeSeparator(IdBlendSeparator));
    AddWideRow(blendGrid, 3, m_pBlend);
    blendGrid->setColumnStretch(1, 1);

    auto* mng = new QGroupBox(QStringLiteral("MNG Animation Facture"));
    SetCommandId(mng, IdMngGroup);
    m_pMngFolder = MakeEdit(mng, IdMngFolder, settings.m_strMngSourceFolder);
    QPushButton* browseFolder = MakeBrowseButton(mng, IdMngBrowse, "Browse Sequence Folder");
    m_pMngTitle = MakeEdit(mng, IdSequenceTitle, settings.m_strMngFileName);
    m_pMngType = MakeTypeList(mng, IdMngType, settings.m_strMngImageType);
    m_pMngFrom = MakeDigitsEdit(mng, IdMngFrom, settings.m_nMngSeqFrom);
    // The template and the frame count take any text, as typed.
    m_pMngTemplate = MakeEdit(mng, IdSequenceTemplate, settings.m_strMngTemplate);
    m_pFrameCount = MakeEdit(mng, IdMngFrameCount, std::to_string(settings.m_nMngFrames));
    m_pFps = MakeDigitsEdit(mng, IdMngFps, settings.m_nMngFPS);
    m_pMngFormat = FormatList(mng, settings.m_strMngFormat);
    QPushButton* makeMng = MakeButton(mng, IdMakeMng, "Generate Aniamted MNG");
    auto* mngGrid = new QGridLayout(mng);
    AddSequenceSourceRows(mngGrid, 0, m_pMngFolder, browseFolder, m_pMngTitle, m_pMngType);
    AddFieldRow(mngGrid, 4, "From Number:", m_pMngFrom);
    AddFieldRow(mngGrid, 5, "Template:", m_pMngTemplate);
    AddFieldRow(mngGrid, 6, "Frame Count:", m_pFrameCount);
    AddFieldRow(mngGrid, 7, "FPS:", m_pFps);
    AddFieldRow(mngGrid, 8, "Format:", m_pMngFormat);
    AddWideRow(mngGrid, 9, MakeSeparator(IdMngSeparator));
    AddWideRow(mngGrid, 10, makeMng);
    mngGrid->setColumnStretch(1, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addWidget(alpha);
    outer->addWidget(blend);
    outer->addWidget(mng);
    outer->addStretch(1);

    for (QPushButton* image : {m_pExtract, m_pCombineAlpha, m_pAlphaByRgb, m_pBlend})
        image->setEnabled(false);
    for (QPushButton* action : {m_pExtract, m_pCombineAlpha, m_pAlphaByRgb, m_pBlend, makeMng})
        connect(action, &QPushButton::clicked, this, [action] { SendFrameCommand(CommandIdOf(action)); });
    connect(browseAlpha, &QPushButton::clicked, this, [this] { BrowseImage(m_pAlphaImage); });
    connect(browseBackground, &QPushButton::clicked, this, [this] { BrowseImage(m_pBackground); });
    connect(browseOverlay, &QPushButton::clicked, this, [this] { BrowseImage(m_pOverlay); });
    connect(browseFolder, &QPushButton::clicked, this, &CSpecialtiesPanel::BrowseFolder);
}

CSpecialtiesPanel::~CSpecialtiesPanel()
{
    CProgramSettings& settings = GetProgramSettings();
    settings.m_nAlphaR = m_pRed->value();
    settings.m_nAlphaG = m_pGreen->value();
    settings.m_nAlphaB = m_pBlue->value();
    settings.m_nAlphaA = m_pAlpha->value();
    settings.m_strBlendBkImg = ReadText(m_pBackground);
    settings.m_strBlendOverlayImg = ReadText(m_pOverlay);
    settings.m_nMngSeqFrom = ReadNumber(m_pMngFrom);
    settings.m_nMngFrames = ReadNumber(m_pFrameCount);
    settings.m_strMngSourceFolder = ReadText(m_pMngFolder);
    settings.m_strMngFileName = ReadText(m_pMngTitle);
    settings.m_nMngFPS = ReadNumber(m_pFps);
    settings.m_strMngTemplate = ReadText(m_pMngTemplate);
    settings.m_strMngImageType = ReadSelected(m_pMngType);
    settings.m_strMngFormat = ReadSelected(m_pMngFormat);
    settings.m_strAlphaImage = ReadText(m_pAlphaImage);
}

void CSpecialtiesPanel::OnImageOpened(const std::string&)
{
    for (QPushButton* image : {m_pBlend, m_pExtract, m_pCombineAlpha, m_pAlphaByRgb})
        image->setEnabled(true);
}

bool CSpecialtiesPanel::FillBlendInputs(BlendInputs& inputs)
{
    inputs.m_strBackgroundPath = ReadText(m_pBackground);
    inputs.m_strOverlayPath = ReadText(m_pOverlay);
    return !inputs.m_strBackgroundPath.empty() || !inputs.m_strOverlayPath.empty();
}

bool CSpecialtiesPanel::FillAlphaRgbInputs(AlphaRgbInputs& inputs)
{
    inputs.m_nRed = m_pRed->value();
    inputs.m_nGreen = m_pGreen->value();
    inputs.m_nBlue = m_pBlue->value();
    inputs.m_nAlpha = m_pAlpha->value();
    return true;
}

bool CSpecialtiesPanel::FillAlphaImageInputs(AlphaImageInputs& inputs)
{
    inputs.m_strAlphaImagePath = ReadText(m_pAlphaImage);
    return !inputs.m_strAlphaImagePath.empty();
}

bool CSpecialtiesPanel::FillMngInputs(MngInputs& inputs)
{
    SequenceRecord& source = inputs.m_source;
    source.m_nFromNumber = ReadNumber(m_pMngFrom);
    inputs.m_nFrameCount = ReadNumber(m_pFrameCount);
    inputs.m_nFramesPerSecond = ReadNumber(m_pFps);
    source.m_strFolder = ReadText(m_pMngFolder);
    source.m_strTitle = ReadText(m_pMngTitle);
    source.m_strTemplate = ReadText(m_pMngTemplate);
    source.m_strType = ReadSelected(m_pMngType);
    inputs.m_strFormat = ReadSelected(m_pMngFormat);
    return inputs.m_nFrameCount != 0 && inputs.m_nFramesPerSecond != 0 && !source.m_strFolder.empty() &&
           !source.m_strTemplate.empty() && !source.m_strType.empty();
}

void CSpecialtiesPanel::BrowseImage(QLineEdit* target)
{
    std::string path;
    if (OpenImageFileDialog(this, path))
        target->setText(QString::fromStdString(path));
}

void CSpecialtiesPanel::BrowseFolder()
{
    // Taken as chosen: nothing is removed, and nothing stored before the panel ends.
    std::string folder;
    BrowseFolderInto(m_pMngFolder, false, folder);
}
