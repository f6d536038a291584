#include "ui/BatchPanel.h"

#include "batch/BatchKindTable.h"
#include "config/Log.h"
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
bool RecordConfig(EBatchKind kind, IMainFrame& frame, BatchFile& batch)
{
    return WithBatchKindRow(kind, [&](const auto& row) {
        typename std::decay_t<decltype(row)>::Inputs inputs;
        return (frame.*row.m_pGet)(inputs) && (batch.*row.m_pWrite)(inputs);
    });
}
} // namespace

CBatchPanel::CBatchPanel(QWidget* parent) : QWidget(parent)
{
    QPushButton* create = MakeButton(this, IdBatchNew, "New Batch File");
    QPushButton* load = MakeButton(this, IdBatchLoad, "Load Batch File");
    m_pSave = MakeButton(this, IdBatchSave, "Save");
    m_pPath = new QLineEdit(this);
    m_pPath->setReadOnly(true);
    m_pPath->setAccessibleName(QStringLiteral("Batch File"));
    SetCommandId(m_pPath, IdBatchPath);

    auto* rows = new QGroupBox;
    SetCommandId(rows, IdBatchRows);
    auto* lines = new QVBoxLayout(rows);
    for (size_t i = 0; i < kBatchKinds.size(); ++i)
    {
        const EBatchKind kind = kBatchKinds[i];
        const SBatchPanelRow& controls = BatchKindInfo(kind).m_panel;
        SRow& row = m_rows[i];
        row.m_pExecute = MakeButton(rows, controls.m_nExecuteId, controls.m_pszExecuteText);
        row.m_pAddItems = MakeButton(rows, controls.m_nAddItemsId, "Add Items");
        QPushButton* saveConfig = MakeButton(rows, controls.m_nSaveConfigId, "Save Config");
        const QString kindName = row.m_pExecute->text().mid(int(std::char_traits<char>::length("Execute ")));
        row.m_pAddItems->setAccessibleName(QStringLiteral("Add Items: ") + kindName);
        saveConfig->setAccessibleName(QStringLiteral("Save Config: ") + kindName);
        lines->addLayout(MakeButtonRow(row.m_pExecute, {row.m_pAddItems, saveConfig}));
        connect(row.m_pExecute, &QPushButton::clicked, this, [this, kind] { OnExecute(kind); });
        connect(row.m_pAddItems, &QPushButton::clicked, this, [this, kind] { OnAddItems(kind); });
        connect(saveConfig, &QPushButton::clicked, this, [this, kind] { OnSaveConfig(kind); });
    }

    auto* note = new QLabel(QString::fromUtf8(kNoteText), this);
    note->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    note->setWordWrap(true);
    SetCommandId(note, IdBatchNote);

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
    // The file is written only when this window changed it, and never over edits made to it on
    // disk since (by hand, by another program or window): those win, and the log says so. No one
    // is left to be asked at close: a batch that cannot be written is at least logged, with where
    // and why, rather than lost without a word.
    std::string reason;
    const char* path = m_batch.Path().c_str();
    if (m_batch.IsOpen() && m_batch.IsModified())
    {
        if (m_batch.ChangedOnDisk())
            WriteLog("batch", "The batch file %s was changed on disk since it was loaded: it is kept as it is there, "
                     "and the changes made to it in this window are not saved", path);
        else if (!m_batch.SaveBatchFile(&reason))
            WriteLog("error", "The batch file could not be saved to %s: %s", path,
                     reason.empty() ? "it could not be written" : reason.c_str());
    }
    m_batch.CloseBatchFile();
}

void CBatchPanel::RefreshButtons()
{
    for (size_t i = 0; i < kBatchKinds.size(); ++i)
    {
        const bool bSection = m_batch.HasSection(kBatchKinds[i]);
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
        ShowWrongSettings(BatchKindInfo(kind).m_panel.m_pszInvalidText);
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
    CBatchReport report;
    {
        CWaitCursor wait;
        bExecuted = ExecuteBatch(kind, m_batch, &report);
    }
    // "Succeed" only when every item gave all its files; otherwise the counts, and each item
    // concerned with its reason in the log.
    const std::string undone = report.UndoneText();
    for (const std::string& note : report.m_notes)
        WriteLog("batch", "%s", note.c_str());
    if (report.m_nNotesLeftOut)
        WriteLog("batch", "... and %lld more", static_cast<long long>(report.m_nNotesLeftOut));
    if (bExecuted && undone.empty())
        ShowFrameMessage(kBatchSucceedText, "Succeed", EMessageIcon::Information);
    else if (bExecuted)
        ShowFrameMessage(std::string(kBatchFailText) + "\n\n" + undone + ": see the log.", "Fail",
                         EMessageIcon::Information);
    else
        ShowFrameMessage(kBatchFailText, "Fail", EMessageIcon::Information);
}
