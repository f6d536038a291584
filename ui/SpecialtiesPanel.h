#pragma once
// The "Specialties" tab: the alpha layer group (extract, combine an alpha picture, alpha by
// colour), the blend group (background and overlay pictures) and the MNG group (a numbered frame
// sequence and the animation's format). The panel keeps the values and hands its action buttons to
// the frame. Seeded from the settings record when made and written back when destroyed.

#include "ops/OperationInputs.h"
#include "ui/ToolPanel.h"

#include <QWidget>

class CImageDropEdit;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CSpecialtiesPanel : public QWidget, public IToolPanel
{
    Q_OBJECT
public:
    explicit CSpecialtiesPanel(QWidget* parent = nullptr);
    ~CSpecialtiesPanel() override;

    // IToolPanel
    void OnImageOpened(const std::string& path) override;

    // Each fills its group as set, whether valid or not, and says whether it is valid.
    bool FillBlendInputs(BlendInputs& inputs) override;           // at least one of the two paths
    bool FillAlphaRgbInputs(AlphaRgbInputs& inputs) override;     // always valid
    bool FillAlphaImageInputs(AlphaImageInputs& inputs) override; // the path not empty
    // Frame count and rate not 0; folder, template and type not empty.
    bool FillMngInputs(MngInputs& inputs) override;

private:
    void BrowseImage(QLineEdit* target);
    void BrowseFolder();

    CImageDropEdit* m_pAlphaImage = nullptr;
    QSpinBox* m_pRed = nullptr;
    QSpinBox* m_pGreen = nullptr;
    QSpinBox* m_pBlue = nullptr;
    QSpinBox* m_pAlpha = nullptr;
    CImageDropEdit* m_pBackground = nullptr;
    CImageDropEdit* m_pOverlay = nullptr;
    QLineEdit* m_pMngFolder = nullptr;
    QLineEdit* m_pMngTitle = nullptr;
    QComboBox* m_pMngType = nullptr;
    QComboBox* m_pMngFormat = nullptr;
    QLineEdit* m_pMngFrom = nullptr;
    QLineEdit* m_pMngTemplate = nullptr;
    QLineEdit* m_pFrameCount = nullptr;
    QLineEdit* m_pFps = nullptr;
    QPushButton* m_pExtract = nullptr;
    QPushButton* m_pCombineAlpha = nullptr;
    QPushButton* m_pAlphaByRgb = nullptr;
    QPushButton* m_pBlend = nullptr;
};
