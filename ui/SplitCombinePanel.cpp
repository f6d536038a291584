#include "ui/SplitCombinePanel.h"

#include "config/ProgramSettings.h"
#include "ops/Combine.h"
#include "ui/CommandIds.h"
#include "ui/Dialogs.h"
#include "ui/HintLabel.h"
#include "ui/PanelControls.h"
#include "ui/TemplateEdit.h"
#include "ui/WrapRowLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

CSplitCombinePanel::CSplitCombinePanel(QWidget* parent) : QWidget(parent)
{
    const CProgramSettings& settings = GetProgramSettings();
    const QString allowed = QString::fromUtf8(kTemplateCharacters);

    auto* splitter = new QGroupBox(QStringLiteral("Image Splitter"));
    SetCommandId(splitter, IdSplitterGroup);
    m_pRows = MakeNumberBox(splitter, IdSplitRows, kMaxGridCount, settings.m_nSplitRows);
    m_pCols = MakeNumberBox(splitter, IdSplitCols, kMaxGridCount, settings.m_nSplitCols);
    m_pSplitFrom = MakeNumberBox(splitter, IdSplitFrom, kMaxSequenceNumber, settings.m_nSplitSeqFrom);
    m_pSplitTemplate = new CTemplateEdit(allowed, splitter);
    SetCommandId(m_pSplitTemplate, IdSplitTemplate);
    m_pSplitTemplate->setText(QString::fromStdString(settings.m_strSplitTemplate));
    m_pDrawLines = MakeButton(splitter, IdDrawSplitLine, "Draw Split Line");
    m_pSplit = MakeButton(splitter, IdSplit, "Split it!");
    m_pSplitHint = new CHintLabel(splitter);
    m_pSplitHint->setText(QString::fromUtf8(kHint1));
    SetCommandId(m_pSplitHint, IdSplitHint);

    auto* splitGrid = new QGridLayout(splitter);
    AddPairsRow(splitGrid, 0, {{"Rows:", m_pRows}, {"Cols:", m_pCols}});
    AddFieldRow(splitGrid, 1, "From Number:", m_pSplitFrom);
    AddFieldRow(splitGrid, 2, "Template:", m_pSplitTemplate);
    AddWideRow(splitGrid, 3, MakeSeparator(IdSplitSeparator));
    AddArrowRow(splitGrid, 4, m_pDrawLines, m_pSplit);
    AddWideRow(splitGrid, 5, m_pSplitHint);
    splitGrid->setColumnStretch(1, 1);

    auto* combiner = new QGroupBox(QStringLiteral("Image Combiner"));
    SetCommandId(combiner, IdCombinerGroup);
    m_pSourceFolder = MakeEdit(combiner, IdCombineFolder, settings.m_strCombineSourceFolder);
    QPushButton* browse = MakeBrowseButton(combiner, IdCombineBrowse, "Browse Source Folder");
    m_pTitle = MakeEdit(combiner, IdSequenceTitle, settings.m_strCombineNameFormat);
    m_pType = MakeTypeList(combiner, IdCombineType, settings.m_strCombineImgType);
    m_pCombineRows = MakeNumberBox(combiner, IdCombineRows, kMaxGridCount, settings.m_nCombineRows);
    m_pCombineCols = MakeNumberBox(combiner, IdCombineCols, kMaxGridCount, settings.m_nCombineCols);
    m_pCombineTemplate = new CTemplateEdit(allowed, combiner);
    SetCommandId(m_pCombineTemplate, IdSequenceTemplate);
    m_pCombineTemplate->setText(QString::fromStdString(settings.m_strCombineTemplate));
    m_pCombineFrom = MakeNumberBox(combiner, IdCombineFrom, kMaxSequenceNumber, settings.m_nCombineSeqFrom);
    QPushButton* prepare = MakeButton(combiner, IdCombinePrepare, "Prepare");
    m_pCombine = MakeButton(combiner, IdCombine, "Combine it!");
    m_pCombineHint = new CHintLabel(combiner);
    SetCommandId(m_pCombineHint, IdCombineHint);

    auto* combineGrid = new QGridLayout(combiner);
    AddSequenceSourceRows(combineGrid, 0, m_pSourceFolder, browse, m_pTitle, m_pType);
    AddPairsRow(combineGrid, 4, {{"Rows:", m_pCombineRows}, {"Cols:", m_pCombineCols}}, QStringLiteral("Combine "));
    AddFieldRow(combineGrid, 5, "Template:", m_pCombineTemplate);
    AddFieldRow(combineGrid, 6, "From Number:", m_pCombineFrom);
    AddWideRow(combineGrid, 7, MakeSeparator(IdCombineSeparator));
    AddArrowRow(combineGrid, 8, prepare, m_pCombine);
    AddWideRow(combineGrid, 9, m_pCombineHint);
    combineGrid->setColumnStretch(1, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addWidget(splitter);
    outer->addWidget(combiner);
    outer->addWidget(MakeSheetGroup(settings));
    outer->addStretch(1);

    for (QWidget* image : {static_cast<QWidget*>(m_pRows), static_cast<QWidget*>(m_pCols),
                           static_cast<QWidget*>(m_pDrawLines), static_cast<QWidget*>(m_pSplit)})
        image->setEnabled(false);
    m_pCombine->setEnabled(false);

    connect(browse, &QPushButton::clicked, this, &CSplitCombinePanel::OnBrowseSource);
    connect(prepare, &QPushButton::clicked, this, &CSplitCombinePanel::OnPrepare);
    for (QPushButton* action : {m_pDrawLines, m_pSplit, m_pCombine})
        connect(action, &QPushButton::clicked, this, [action] { SendFrameCommand(CommandIdOf(action)); });
}

CSplitCombinePanel::~CSplitCombinePanel()
{
    CProgramSettings& settings = GetProgramSettings();
    settings.m_nSplitRows = m_pRows->value();
    settings.m_nSplitCols = m_pCols->value();
    settings.m_nSplitSeqFrom = m_pSplitFrom->value();
    settings.m_strSplitTemplate = ReadText(m_pSplitTemplate);
    settings.m_nCombineRows = m_pCombineRows->value();
    settings.m_nCombineCols = m_pCombineCols->value();
    settings.m_nCombineSeqFrom = m_pCombineFrom->value();
    settings.m_strCombineImgType = ReadSelected(m_pType);
    settings.m_strCombineTemplate = ReadText(m_pCombineTemplate);
    settings.m_strCombineNameFormat = ReadText(m_pTitle);
    settings.m_strSheetData = SheetDataName(SelectedSheetData());
    settings.m_nSplitMargin = m_pSplitMargin->value();
    settings.m_nSplitSpacing = m_pSplitSpacing->value();
    settings.m_nSplitTrim = m_pTrim->isChecked();
    settings.m_nSplitSkipEmpty = m_pSkipEmpty->isChecked();
    settings.m_nCombineMargin = m_pCombineMargin->value();
    settings.m_nCombinePadding = m_pPadding->value();
    settings.m_nCombineExtrude = m_pExtrude->value();
    settings.m_nCombineKeepAlpha = m_pKeepAlpha->isChecked();
}

QGroupBox* CSplitCombinePanel::MakeSheetGroup(const CProgramSettings& settings)
{
    auto* sheet = new QGroupBox(QStringLiteral("Sheet"));
    SetCommandId(sheet, IdSheetGroup);
    ESheetData seeded = ESheetData::None;
    SheetDataFromName(settings.m_strSheetData, seeded); // a name of no format seeds none
    m_pSheetData = MakeNameList(sheet, IdSheetData, SheetDataNames(), SheetDataName(seeded));
    m_pSplitMargin = MakeNumberBox(sheet, IdSheetSplitMargin, kMaxSheetSpacing, settings.m_nSplitMargin);
    m_pSplitSpacing = MakeNumberBox(sheet, IdSheetSpacing, kMaxSheetSpacing, settings.m_nSplitSpacing);
    m_pTrim = MakeSwitch(sheet, IdSheetTrim, "trim", settings.m_nSplitTrim != 0);
    m_pSkipEmpty = MakeSwitch(sheet, IdSheetSkipEmpty, "skip empty", settings.m_nSplitSkipEmpty != 0);
    m_pCombineMargin = MakeNumberBox(sheet, IdSheetCombineMargin, kMaxSheetSpacing, settings.m_nCombineMargin);
    m_pPadding = MakeNumberBox(sheet, IdSheetPadding, kMaxSheetSpacing, settings.m_nCombinePadding);
    m_pExtrude = MakeNumberBox(sheet, IdSheetExtrude, kMaxSheetSpacing, settings.m_nCombineExtrude);
    m_pKeepAlpha = MakeSwitch(sheet, IdSheetKeepAlpha, "keep alpha", settings.m_nCombineKeepAlpha != 0);

    auto* grid = new QGridLayout(sheet);
    AddFieldRow(grid, 0, "Data File:", m_pSheetData);
    AddPairsRow(grid, 1, {{"Split Margin:", m_pSplitMargin}, {"Spacing:", m_pSplitSpacing}});
    auto* splitSwitches = new CWrapRowLayout;
    splitSwitches->AddSegment({m_pTrim, m_pSkipEmpty});
    grid->addLayout(splitSwitches, 2, 0, 1, 3);
    AddPairsRow(grid, 3, {{"Combine Margin:", m_pCombineMargin}, {"Padding:", m_pPadding}, {"Extrude:", m_pExtrude}});
    AddWideRow(grid, 4, m_pKeepAlpha);
    grid->setColumnStretch(1, 1);
    return sheet;
}

ESheetData CSplitCombinePanel::SelectedSheetData() const
{
    ESheetData format = ESheetData::None;
    SheetDataFromName(ReadSelected(m_pSheetData), format);
    return format;
}

void CSplitCombinePanel::OnImageOpened(const std::string&)
{
    m_pRows->setEnabled(true);
    m_pCols->setEnabled(true);
    m_pDrawLines->setEnabled(true);
    m_pSplit->setEnabled(false);
    m_pSplitHint->setText(QString::fromUtf8(kHint2));
}

void CSplitCombinePanel::AfterCommand(int id, bool bDone)
{
    // A refused grid leaves the step where it was: "Split it!" stays as it was.
    if (id != IdDrawSplitLine || !bDone)
        return;
    m_pSplit->setEnabled(true);
    m_pSplitHint->setText(QString::fromUtf8(kHint3));
}

bool CSplitCombinePanel::FillSplitInputs(SplitInputs& inputs)
{
    const std::string pattern = ReadText(m_pSplitTemplate, kTemplateLength);
    inputs.m_output.m_strTemplate += std::string(size_t(TemplateDigits(pattern)), '#');
    inputs.m_output.m_nFromNumber = m_pSplitFrom->value();
    const int32_t rows = m_pRows->value(), cols = m_pCols->value();
    inputs.m_rowFractions = EvenFractions(rows);
    inputs.m_colFractions = EvenFractions(cols);
    inputs.m_sheet = {SelectedSheetData(), m_pSplitMargin->value(), m_pSplitSpacing->value(), m_pTrim->isChecked(),
                      m_pSkipEmpty->isChecked()};
    return !pattern.empty() && rows != 0 && cols != 0 && !(rows == 1 && cols == 1);
}

void CSplitCombinePanel::ReadCombineGroup(CombineInputs& inputs) const
{
    inputs.m_nRows = m_pCombineRows->value();
    inputs.m_nCols = m_pCombineCols->value();
    SequenceRecord& source = inputs.m_source;
    source.m_nFromNumber = m_pCombineFrom->value();
    source.m_strFolder = ReadText(m_pSourceFolder);
    source.m_strTitle = ReadText(m_pTitle);
    source.m_strTemplate = ReadText(m_pCombineTemplate, kTemplateLength);
    source.m_strType = ReadSelected(m_pType);
    inputs.m_sheet = {SelectedSheetData(), m_pKeepAlpha->isChecked(), m_pPadding->value(), m_pCombineMargin->value(),
                      m_pExtrude->value()};
}

bool CSplitCombinePanel::FillCombineInputs(CombineInputs& inputs)
{
    ReadCombineGroup(inputs);
    const SequenceRecord& source = inputs.m_source;
    return inputs.m_nRows != 0 && inputs.m_nCols != 0 && !(inputs.m_nRows == 1 && inputs.m_nCols == 1) &&
           !source.m_strFolder.empty() && !source.m_strTemplate.empty() && !source.m_strType.empty();
}

void CSplitCombinePanel::OnBrowseSource()
{
    std::string folder;
    if (BrowseFolderInto(m_pSourceFolder, true, folder))
        GetProgramSettings().m_strCombineSourceFolder = folder;
}

void CSplitCombinePanel::OnPrepare()
{
    CombineInputs inputs;
    ReadCombineGroup(inputs);
    const PrepareResult prepared = PrepareCombine(inputs);
    m_pCombineHint->setText(QString::fromStdString(prepared.m_strHint));
    if (prepared.m_bReady)
        m_pCombine->setEnabled(true);
}
