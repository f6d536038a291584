#include "ui/OutputSettingsPanel.h"

#include "config/ProgramSettings.h"
#include "ui/CommandIds.h"
#include "ui/PanelControls.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
const char* const kImageTypes[] = {"bmp", "jpg", "tga", "png"};
} // namespace

COutputSettingsPanel::COutputSettingsPanel(QWidget* parent) : QWidget(parent)
{
    auto* group = new QGroupBox(QStringLiteral("Output Settings"), this);
    SetCommandId(group, IdOutputGroup);
    m_pType = new QComboBox(group);
    WheelOnlyWithFocus(m_pType);
    m_pTitle = new QLineEdit(group);
    m_pFolder = new QLineEdit(group);
    m_pBrowse = MakeBrowseButton(group, IdOutputBrowse, "Browse Output Folder");
    SetCommandId(m_pType, IdOutputType);
    SetCommandId(m_pTitle, IdOutputTitle);
    SetCommandId(m_pFolder, IdOutputFolder);

    auto* grid = new QGridLayout(group);
    AddFieldRow(grid, 0, "Image Type:", m_pType);
    AddFieldRow(grid, 1, "File Title Name:", m_pTitle);
    AddFieldRow(grid, 2, "Output Folder:", m_pFolder, m_pBrowse);
    grid->setColumnStretch(1, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addWidget(group);
    outer->addStretch(1);

    for (const char* type : kImageTypes)
        m_pType->addItem(QString::fromUtf8(type));
    m_pType->setCurrentIndex(0);
    const CProgramSettings& settings = GetProgramSettings();
    m_pFolder->setText(QString::fromStdString(settings.m_strOutputFolder));
    m_pTitle->setText(QString::fromStdString(settings.m_strOutputFileName));
    SelectTypeBeginningWith(QString::fromStdString(settings.m_strOutputImageType));

    connect(m_pBrowse, &QPushButton::clicked, this, &COutputSettingsPanel::OnBrowse);
}

bool COutputSettingsPanel::GetOutputSettings(SequenceRecord& output) const
{
    if (m_pType->currentIndex() < 0)
        return false;
    output.m_strType = m_pType->currentText().toStdString();
    output.m_strFolder = m_pFolder->text().toStdString();
    output.m_strTitle = m_pTitle->text().toStdString();
    return !output.m_strTitle.empty();
}

void COutputSettingsPanel::OnImageOpened(const std::string& path)
{
    const QFileInfo file(QString::fromStdString(path));
    m_pTitle->setText(file.completeBaseName());
    // A file without an extension names no type: the selection stays.
    if (!file.suffix().isEmpty())
        SelectTypeBeginningWith(file.suffix());
}

bool COutputSettingsPanel::SelectTypeBeginningWith(const QString& prefix)
{
    for (int i = 0; i < m_pType->count(); ++i)
    {
        if (m_pType->itemText(i).startsWith(prefix, Qt::CaseInsensitive))
        {
            m_pType->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void COutputSettingsPanel::OnBrowse()
{
    std::string folder;
    if (BrowseFolderInto(m_pFolder, true, folder))
        GetProgramSettings().m_strOutputFolder = folder;
}
