#pragma once
// The Output Settings panel: image type, file title and folder of every interactive result.
// Seeded from the settings record when made; only a folder chosen with "..." goes back into it.

#include "ops/SequenceNaming.h"

#include <QWidget>

#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

class COutputSettingsPanel : public QWidget
{
    Q_OBJECT
public:
    explicit COutputSettingsPanel(QWidget* parent = nullptr);

    // Folder, title and type; false when no type is selected or the title is empty (the folder
    // may be empty).
    bool GetOutputSettings(SequenceRecord& output) const;
    // An image was opened: the title becomes its file name without folder and extension, and the
    // first type that begins with its extension (any case) is selected; no match keeps the type.
    void OnImageOpened(const std::string& path);

    QComboBox* TypeList() const { return m_pType; }
    QLineEdit* TitleEdit() const { return m_pTitle; }
    QLineEdit* FolderEdit() const { return m_pFolder; }

private:
    void OnBrowse();
    // Selects the first entry beginning with prefix (any case); false when none does.
    bool SelectTypeBeginningWith(const QString& prefix);

    QComboBox* m_pType = nullptr;
    QLineEdit* m_pTitle = nullptr;
    QLineEdit* m_pFolder = nullptr;
    QPushButton* m_pBrowse = nullptr;
};
