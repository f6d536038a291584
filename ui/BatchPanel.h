#pragma once
// The "Batch All" tab: the one open batch file, and for each of the seven operation kinds a row
// of three commands: "Save Config" records the current values of the other panels in the kind's
// section, "Add Items" lists picture files in it, and the execute button runs the kind over them.
// The batch file of the last run is opened again at start ("LastBatchFile") and, with what was
// changed in memory, saved at the end unless the file was changed on disk since.

#include "batch/BatchFile.h"
#include "ui/ToolPanel.h"

#include <QWidget>

#include <array>

class QLineEdit;
class QPushButton;

// The panel's own controls; each kind's row carries the ids of its kind's row in
// batch/BatchKindTable.h.
enum EBatchPanelId : int
{
    IdBatchPath = 1065,
    IdBatchLoad = 1066,
    IdBatchRows = 1074, // the group box around the kinds' rows
    IdBatchNew = 1075,
    IdBatchSave = 1091,
    IdBatchNote = 1092,
};

class CBatchPanel : public QWidget, public IToolPanel
{
    Q_OBJECT
public:
    static constexpr const char* kNoBatchText = "Please Create/Open a batch file first for saving!";
    static constexpr const char* kSavedText = "Succeed to save current batch file!";
    static constexpr const char* kNoteText =
        "Note: Save the current working config in batch and add image file items,then execute the batch.\n"
        " The config operation will apply to each image item you added.\n"
        "You can open and edit the batch file in a outer text editor!";

    explicit CBatchPanel(QWidget* parent = nullptr);
    ~CBatchPanel() override;

    BatchFile& Batch() { return m_batch; }

private:
    struct SRow
    {
        QPushButton* m_pExecute = nullptr;
        QPushButton* m_pAddItems = nullptr;
    };

    void OnNew();
    void OnLoad();
    void OnSave();
    void OnSaveConfig(EBatchKind kind);
    void OnAddItems(EBatchKind kind);
    void OnExecute(EBatchKind kind);
    // Add Items and execute follow whether the kind's section exists; Save whether a batch is open.
    void RefreshButtons();

    BatchFile m_batch;
    QLineEdit* m_pPath = nullptr;
    QPushButton* m_pSave = nullptr;
    std::array<SRow, kBatchKinds.size()> m_rows{};
};
