#pragma once
// The "Split && Combine" tab: the splitter's grid and numbering for cutting the opened picture,
// and the combiner's description of a numbered sequence in a folder. The panel keeps the values,
// checks the combine description on "Prepare" and hands the action buttons to the frame. Seeded
// from the settings record when made, written back (all but the source folder) when destroyed.

#include "ops/OperationInputs.h"
#include "ui/ToolPanel.h"

#include <QWidget>

class CHintLabel;
class CProgramSettings;
class CTemplateEdit;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CSplitCombinePanel : public QWidget, public IToolPanel
{
    Q_OBJECT
public:
    static constexpr const char* kHint1 = "1. Please open or drag a image file into the left view first.";
    static constexpr const char* kHint2 =
        "2. Press the 'Draw Split Line' button to draw the splitter line on the image.";
    static constexpr const char* kHint3 =
        "3. Move around the splitter lines, and then press the 'Split It' button to output the generated images.";
    // Characters a number template may hold.
    static constexpr const char* kTemplateCharacters = "#";
    // Characters of a template that are read.
    static constexpr int kTemplateLength = 15;

    explicit CSplitCombinePanel(QWidget* parent = nullptr);
    ~CSplitCombinePanel() override;

    // IToolPanel
    void OnImageOpened(const std::string& path) override;
    void AfterCommand(int id, bool bDone) override;

    // The splitter's values: as many '#' as its template has characters appended to the output's
    // template, the first number, and one equal fraction per row and column. Filled whether valid
    // or not; true when the template is not empty and the counts make a grid (neither 0, not
    // both 1). The sheet settings are the Sheet group's.
    bool FillSplitInputs(SplitInputs& inputs) override;
    // The combine group (source sequence, rows, columns) and the Sheet group's settings for a
    // combine, filled whether valid or not; true when
    // rows and columns are neither 0 nor both 1 and the source folder, template and type are set.
    bool FillCombineInputs(CombineInputs& inputs) override;

private:
    QGroupBox* MakeSheetGroup(const CProgramSettings& settings);
    ESheetData SelectedSheetData() const;
    void ReadCombineGroup(CombineInputs& inputs) const;
    void OnBrowseSource();
    void OnPrepare();

    QSpinBox* m_pRows = nullptr;
    QSpinBox* m_pCols = nullptr;
    QSpinBox* m_pSplitFrom = nullptr;
    CTemplateEdit* m_pSplitTemplate = nullptr;
    QPushButton* m_pDrawLines = nullptr;
    QPushButton* m_pSplit = nullptr;
    CHintLabel* m_pSplitHint = nullptr;
    QLineEdit* m_pSourceFolder = nullptr;
    QLineEdit* m_pTitle = nullptr;
    QComboBox* m_pType = nullptr;
    QSpinBox* m_pCombineRows = nullptr;
    QSpinBox* m_pCombineCols = nullptr;
    CTemplateEdit* m_pCombineTemplate = nullptr;
    QSpinBox* m_pCombineFrom = nullptr;
    QPushButton* m_pCombine = nullptr;
    CHintLabel* m_pCombineHint = nullptr;
    QComboBox* m_pSheetData = nullptr;
    QSpinBox* m_pSplitMargin = nullptr;
    QSpinBox* m_pSplitSpacing = nullptr;
    QCheckBox* m_pTrim = nullptr;
    QCheckBox* m_pSkipEmpty = nullptr;
    QSpinBox* m_pCombineMargin = nullptr;
    QSpinBox* m_pPadding = nullptr;
    QSpinBox* m_pExtrude = nullptr;
    QCheckBox* m_pKeepAlpha = nullptr;
};
