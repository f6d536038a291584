#pragma once
// The main window: the image view in the middle, the "Toolkit Space" tabs and the "Output
// Settings" pane docked on the right, a toolbar above and a status bar with a progress bar below.
// It is the program's IMainFrame while it lives and runs every command by its numeric id.

#include "ops/MainFrame.h"
#include "ui/CommandIds.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <string>

class CBatchPanel;
class COutputSettingsPanel;
class CSpecialtiesPanel;
class CSplitCombinePanel;
class CMosvaneView;
class IToolPanel;
class QAction;
class QDockWidget;
class QLabel;
class QProgressBar;
class QSettings;
class QTabWidget;
class QDialog;

class CMainFrameWindow : public QMainWindow, public IMainFrame, public ICommandTarget
{
    Q_OBJECT
public:
    static constexpr int kDefaultPaneWidth = 250;
    // The lowest the Output Settings pane gets before its panel scrolls.
    static constexpr int kDefaultOutputPaneHeight = 80;
    static constexpr int kStoredOutputPaneHeight = 200;
    static constexpr int kToolPanelCount = 3;
    // The least the view and a tool panel's page get.
    static constexpr int kViewMinimumWidth = 160;
    static constexpr int kViewMinimumHeight = 120;
    static constexpr int kPanelMinimumHeight = 120;

    // programFolder: where the help file lies (empty: the executable's folder).
    explicit CMainFrameWindow(const std::string& programFolder = {});
    ~CMainFrameWindow() override;

    // False when a part the frame cannot do without (the view's image engine) failed.
    bool IsCreated() const;

    // Docks the panes from the stored width, restores the placement from `settings` and shows
    // the frame (Part of the run routine).
    void RestoreAndShow(QSettings& settings);
    // Writes the placement record and the "Toolkit Space" width into `settings`.
    void SavePlacement(QSettings& settings) const;

    // Puts a tool panel into tab index (0 "Split && Combine", 1 "Specialties", 2 "Batch All") in
    // place of the page there; the tab widget owns it. `hooks` (usually the panel itself) gets
    // the frame's notices and may be null.
    void SetToolPanel(int index, QWidget* panel, IToolPanel* hooks);

    // The frame's one command function: runs command id as the toolbar, menus, accelerators and
    // panels ask for it. False for an id the frame does not know.
    bool OnCommand(int id) override;

    CMosvaneView* View() const { return m_pView; }
    COutputSettingsPanel* OutputPanel() const { return m_pOutputPanel; }
    CSplitCombinePanel* SplitCombinePanel() const { return m_pSplitPanel; }
    CSpecialtiesPanel* SpecialtiesPanel() const { return m_pSpecialtiesPanel; }
    CBatchPanel* BatchPanel() const { return m_pBatchPanel; }
    QTabWidget* ToolTabs() const { return m_pTabs; }
    QDockWidget* ToolkitDock() const { return m_pToolkitDock; }
    QDockWidget* OutputDock() const { return m_pOutputDock; }
    QProgressBar* ProgressBar() const { return m_pProgress; }
    QDialog* AboutBox() const { return m_pAbout; }

    // IMainFrame
    void* GetFrameWindow() override { return static_cast<QWidget*>(this); }
    void* GetFrameObject() override { return this; }
    void SetDocumentTitle(const std::string& text) override;
    void OnImageOpened(const std::string& path) override;
    void BeginProgress(int32_t count) override;
    void StepProgress() override;
    void EndProgress() override;
    bool GetOutputSettings(SequenceRecord& output) override;
    bool GetSplitSettings(SplitInputs& inputs) override;
    bool GetBlendSettings(BlendInputs& inputs) override;
    bool GetAlphaRgbSettings(AlphaRgbInputs& inputs) override;
    bool GetAlphaImageSettings(AlphaImageInputs& inputs) override;
    bool GetMngSettings(MngInputs& inputs) override;
    bool GetCombineSettings(CombineInputs& inputs) override;

protected:
    QMenu* createPopupMenu() override;

private:
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePanes();
    // The three tool panels in the "Toolkit Space" tabs, seeded from the settings record.
    void CreateToolPanels();
    QAction* MakeAction(const char* text, int id);
    void UpdateCommandStates();
    void DockPanes(int width, int outputHeight);
    // The height the Output Settings pane needs for its rows at a pane width, at the platform's
    // font.
    int OutputPaneHeightForRows(int width) const;
    int OutputDockFrame() const;
    // Least sizes of the view and the panes, so that the frame cannot get so small that a pane
    // overlaps another or is cut.
    void KeepPanesWhole();
    // The Tab key's order: the tab strip, the controls of the tool panels, then those of Output
    // Settings, each in reading order; nothing else is a stop.
    void ChainControls();
    // The first control of the current tab that can take the focus.
    QWidget* FirstToolControl() const;

    // The operations of the panels' buttons, each with its inputs as the getters give them; the
    // operations check their inputs and say what is missing. False when the split grid was
    // refused; the other operations report for themselves.
    bool RunOperation(int id);
    // The output settings, then the first panel that holds the group.
    template <typename Inputs>
    bool FillFromPanels(Inputs& inputs, bool (IToolPanel::*fill)(Inputs&));

    void OpenFile();
    void SaveFile();
    void ShowAbout();
    // Opens the help file at a section (empty: its start); says so when the file is missing, and
    // names the file when no program could be started to show it.
    void OpenHelp(const char* section);

    CMosvaneView* m_pView = nullptr;
    QDockWidget* m_pToolkitDock = nullptr;
    QDockWidget* m_pOutputDock = nullptr;
    QTabWidget* m_pTabs = nullptr;
    COutputSettingsPanel* m_pOutputPanel = nullptr;
    CSplitCombinePanel* m_pSplitPanel = nullptr;
    CSpecialtiesPanel* m_pSpecialtiesPanel = nullptr;
    CBatchPanel* m_pBatchPanel = nullptr;
    std::array<IToolPanel*, kToolPanelCount> m_panels{};
    QAction* m_pSaveAction = nullptr;
    QLabel* m_pProgressPane = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QDialog* m_pAbout = nullptr;
    std::string m_strProgramFolder;
    // The file the working image was opened from or last saved as.
    std::string m_strPicturePath;

    struct SInstallation;
    std::unique_ptr<SInstallation> m_pInstallation;
};

// The program title and the help file beside the executable.
inline constexpr const char* kProgramTitle = "Mosvane";
inline constexpr const char* kHelpFileName = "Mosvane.html";
