#include "ui/BatchPanel.h"

#include "batch/BatchExecute.h"
#include "config/ProgramSettings.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"
#include "ui/CommandIds.h"
#include "ui/Dialogs.h"
#include "ui/PanelControls.h"
#include "ui/WrapRowLayout.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
struct SBatchRowControls
{
    EBatchKind m_kind;
    const char* m_pExecuteText;
    int m_nExecuteId;
    int m_nAddItemsId;
    int m_nSaveConfigId;
    // Shown when the row's getter finds the panels' values incomplete.
    const char* m_pInvalidText;
};

// In the panel's row order (kBatchKinds). Each second line names the settings the row reads.
constexpr SBatchRowControls kRows[] = {
    {EBatchKind::Split, "Execute Split Batch", 1067, 1076, 1084,
     "Invalid Image Splitter settings!\nPlease input or correct the split settings!"},
    {EBatchKind::Combine, "Execute Combine Batch", 1068, 1077, 1087,
     "Invalid Image Combiner settings!\nPlease input or correct the combine settings!"},
    {EBatchKind::Blend, "Execute Blend Batch", 1069, 1078, 1086,
     "Invalid Blend settings!\nPlease input or correct the blend settings!"},
    {EBatchKind::AlphaExtract, "Execute Alpha Extract Batch", 1070, 1079, 1085,
     "Invalid Output settings!\nPlease input or correct the output settings!"},
    {EBatchKind::RgbAlpha, "Execute RGB Alpha Make Batch", 1071, 1080, 1088,
     "Invalid Output settings!\nPlease input or correct the output settings!"},
    {EBatchKind::AlphaImageCombine, "Execute Alpha Image Combine Batch", 1072, 1081, 1089,
     "Invalid Image Alpha settings!\nPlease input or correct the Image Alpha settings!"},
    {EBatchKind::Mng, "Execute MNG Batch", 1073, 1082, 1090,
     "Invalid MNG settings!\nPlease input or correct the MNG settings!"},
};
static_assert(std::size(kRows) == kBatchKinds.size());

QString BatchFilter()
{
    static const char kStored[] = "Mosvane Batch File(*.XML)\0*.xml\0";
    return FilterFromStored(kStored);
}

void ShowWrongSettings(const char* text)
{
    ShowFrameMessage(text, "Wrong Settings", EMessageIcon::Exclamation);
}

// Reads one kind's values through the frame's getter and records them in the kind's section;
// false when the getter finds them incomplete.
template <typename Inputs>
bool Record(IMainFrame& frame, bool (IMainFrame::*get)(Inputs&), BatchFile& batch,
            bool (BatchFile::*write)(const Inputs&))
{
    Inputs inputs;
    return (frame.*get)(inputs) && (batch.*write)(inputs);
}

bool RecordConfig(EBatchKind kind, IMainFrame& frame, BatchFile& batch)
{
    switch (kind)
    {
    case EBatchKind::Split:
        return Record(frame, &IMainFrame::GetSplitSettings, batch, &BatchFile::WriteSplitSection);
    case EBatchKind::Combine:
        return Record(frame, &IMainFrame::GetCombineSettings, batch, &BatchFile::WriteCombineSection);
    case EBatchKind::Blend:
        return Record(frame, &IMainFrame::GetBlendSettings, batch, &BatchFile::WriteBlendSection);
    case EBatchKind::AlphaExtract:
        return Record(frame, &IMainFrame::GetOutputSettings, batch, &BatchFile::WriteAlphaExtractSection);
    case EBatchKind::RgbAlpha:
        return Record(frame, &IMainFrame::GetAlphaRgbSettings, batch, &BatchFile::WriteRgbAlphaSection);
    case EBatchKind::AlphaImageCombine:
        return Record(frame, &IMainFrame::GetAlphaImageSettings, batch, &BatchFile::WriteAlphaImageCombineSection);
    case EBatchKind::Mng:
        return Record(frame, &IMainFrame::GetMngSettings, batch, &BatchFile::WriteMngSection);
    }
    return false;
}
} // namespace

CBatchPanel::CBatchPanel(QWidget* parent) : QWidget(parent)
{
    QPushButton* create = MakeButton(this, 1075, "New Batch File");
    QPushButton* load = MakeButton(this, 1066, "Load Batch File");
    m_pSave = MakeButton(this, 1091, "Save");
    m_pPath = new QLineEdit(this);
    m_pPath->setReadOnly(true);
    m_pPath->setAccessibleName(QStringLiteral("Batch File"));
    SetCommandId(m_pPath, 1065);

    auto* rows = new QGroupBox;
    SetCommandId(rows, 1074);
    auto* lines = new QVBoxLayout(rows);
    for (size_t i = 0; i < std::size(kRows); ++i)
    {
        const SBatchRowControls& controls = kRows[i];
        SRow& row = m_rows[i];
        row.m_pExecute = MakeButton(rows, controls.m_nExecuteId, controls.m_pExecuteText);
        row.m_pAddItems = MakeButton(rows, controls.m_nAddItemsId, "Add Items");
        QPushButton* saveConfig = MakeButton(rows, controls.m_nSaveConfigId, "Save Config");
        const QString kindName = row.m_pExecute->text().mid(int(std::char_traits<char>::length("Execute ")));
        row.m_pAddItems->setAccessibleName(QStringLiteral("Add Items: ") + kindName);
        saveConfig->setAccessibleName(QStringLiteral("Save Config: ") + kindName);
        lines->addLayout(MakeButtonRow(row.m_pExecute, {row.m_pAddItems, saveConfig}));
        const EBatchKind kind = controls.m_kind;
        connect(row.m_pExecute, &QPushButton::clicked, this, [this, kind] { OnExecute(kind); });
        connect(row.m_pAddItems, &QPushButton::clicked, this, [this, kind] { OnAddItems(kind); });
        connect(saveConfig, &QPushButton::clicked, this, [this, kind] { OnSaveConfig(kind); });
    }

    auto* note = new QLabel(QString::fromUtf8(kNoteText), this);
    note->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    note->setWordWrap(true);
    SetCommandId(note, 1092);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addLayout(MakeButtonRow(create, {load, m_pSave}));
    outer->addWidget(m_pPath);
    outer->addWidget(rows);
    outer->addWidget(note);
    outer->addStretch(1);

    connect(create, &QPushButton::clicked, this, &CBatchPanel::OnNew);
    connect(load, &QPushButton::clicked, this, &CBatchPanel::OnLoad);
    connect(m_pSave, &QPushButton::clicked, this, &CBatchPanel::OnSave);

    const std::string& last = GetProgramSettings().m_strLastBatchFile;
    if (!last.empty() && m_batch.LoadBatchFile(last))
        m_pPath->setText(QString::fromStdString(last));
    RefreshButtons();
}

CBatchPanel::~CBatchPanel()
{
    GetProgramSettings().m_strLastBatchFile = m_pPath->text().toStdString();
    m_batch.SaveBatchFile();
    m_batch.CloseBatchFile();
}

void CBatchPanel::RefreshButtons()
{
    for (size_t i = 0; i < std::size(kRows); ++i)
    {
        const bool bSection = m_batch.HasSection(kRows[i].m_kind);
        m_rows[i].m_pExecute->setEnabled(bSection);
        m_rows[i].m_pAddItems->setEnabled(bSection);
    }
    m_pSave->setEnabled(m_batch.IsOpen());
}

void CBatchPanel::OnNew()
{
    std::string path;
    if (!SaveFileDialog(this, BatchFilter(), QStringLiteral("xml"), path))
        return;
    m_batch.CloseBatchFile();
    // A file that could not be written yet is written by Save or at the end.
    m_batch.NewBatchFile(path);
    m_pPath->setText(QString::fromStdString(path));
    RefreshButtons();
}

void CBatchPanel::OnLoad()
{
    std::string path;
    if (!OpenFileDialog(this, BatchFilter(), path))
        return;
    m_batch.CloseBatchFile();
    const bool bLoaded = m_batch.LoadBatchFile(path);
    m_pPath->setText(QString::fromStdString(path));
    RefreshButtons();
    // The person asked for this file: a silent refusal would look like an empty batch.
    if (!bLoaded)
        ShowFailed("Fail to load the batch file, it is not a batch file Mosvane can read:\n\n " + path);
}

void CBatchPanel::OnSave()
{
    if (!m_batch.IsOpen())
    {
        ShowWrongSettings(kNoBatchText);
        return;
    }
    // A write that fails is said: the person would otherwise take the file for saved.
    if (m_batch.SaveBatchFile())
        ShowSucceeded(kSavedText);
    else
        ShowFailed("Fail to save the batch file as:\n\n " + m_batch.Path());
}

void CBatchPanel::OnSaveConfig(EBatchKind kind)
{
    if (!m_batch.IsOpen())
    {
        ShowWrongSettings(kNoBatchText);
        return;
    }
    IMainFrame* frame = GetMainFrame();
    if (!frame || !RecordConfig(kind, *frame, m_batch))
    {
        ShowWrongSettings(kRows[size_t(kind)].m_pInvalidText);
        return;
    }
    RefreshButtons();
    ShowSucceeded(kSavedText);
}

void CBatchPanel::OnAddItems(EBatchKind kind)
{
    std::vector<std::string> chosen;
    if (!OpenImageFilesDialog(this, chosen) || chosen.empty())
        return;
    if (IsSequenceKind(kind))
        chosen = SequenceItemPaths(chosen, m_batch.TemplateDigitsOf(kind));
    for (const std::string& path : chosen)
        m_batch.AddItem(kind, path);
}

void CBatchPanel::OnExecute(EBatchKind kind)
{
    bool bExecuted = false;
    {
        CWaitCursor wait;
        bExecuted = ExecuteBatch(kind, m_batch);
    }
    ShowFrameMessage(bExecuted ? kBatchSucceedText : kBatchFailText, bExecuted ? "Succeed" : "Fail",
                     EMessageIcon::Information);
}
