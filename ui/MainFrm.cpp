#include "ui/MainFrm.h"

#include "config/ProgramFolder.h"
#include "config/ProgramVersion.h"
#include "ops/Alpha.h"
#include "ops/Blend.h"
#include "ops/Combine.h"
#include "ops/FrameHooks.h"
#include "ops/MessageBox.h"
#include "ops/Mng.h"
#include "ops/Split.h"
#include "ops/WaitCursor.h"
#include "ops/WriteGuard.h"
#include "ui/BatchPanel.h"
#include "ui/CommandIds.h"
#include "ui/Dialogs.h"
#include "ui/Icons.h"
#include "ui/OutputSettingsPanel.h"
#include "ui/SpecialtiesPanel.h"
#include "ui/SplitCombinePanel.h"
#include "ui/ToolTabs.h"
#include "ui/ToolPanel.h"
#include "ui/WindowPlacement.h"
#include "view/MosvaneView.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace
{
constexpr int kProgressPaneWidth = 320;
constexpr int kTitlePaneWidth = 120;
const char* const kTabLabels[CMainFrameWindow::kToolPanelCount] = {"Split && Combine", "Specialties", "Batch All"};

// The label's text as a screen reader says it: mnemonics and a trailing colon dropped, "&&" kept
// as one ampersand.
QString SpokenText(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    if (text.endsWith(u':'))
        text.chop(1);
    return text.trimmed();
}

} // namespace

// While the frame lives it is the program's IMainFrame, messages are message boxes owned by the
// frame, and long commands show the wait cursor.
// Questions are question boxes; the files the operations write in this run are kept here.
struct CMainFrameWindow::SInstallation
{
    explicit SInstallation(IMainFrame& frame)
        : m_hooks(FrameHooks{&frame, ShowMessageBox, [] { QApplication::setOverrideCursor(Qt::WaitCursor); },
                             [] { QApplication::restoreOverrideCursor(); }, AskQuestionBox, &m_written})
    {
    }
    CWrittenFiles m_written;
    CFrameHooks m_hooks;
};

CMainFrameWindow::CMainFrameWindow(const std::string& programFolder)
    : m_strProgramFolder(WithTrailingSeparator(programFolder.empty() ? GetProgramFolder() : programFolder))
{
    setWindowTitle(QString::fromUtf8(kProgramTitle));
    setWindowIcon(ProgramIcon());
    setAccessibleName(QString::fromUtf8(kProgramTitle));
    setDockOptions(QMainWindow::AnimatedDocks);
    CreateToolBar();
    CreateStatusBar();
    m_pView = new CMosvaneView(this);
    setCentralWidget(m_pView);
    CreatePanes();
    CreateToolPanels();
    // Every start shows the first tab, where the person's first step is.
    m_pTabs->setCurrentIndex(0);
    ChainControls();
    KeepPanesWhole();
    m_pInstallation = std::make_unique<SInstallation>(*this);
    // Once per load, when the view has taken the new picture in.
    connect(m_pView, &CMosvaneView::ImageLoaded, this, [this] { UpdateCommandStates(); });
    UpdateCommandStates();
}

CMainFrameWindow::~CMainFrameWindow() = default;

bool CMainFrameWindow::IsCreated() const
{
    return m_pView && m_pView->IsCreated();
}

QAction* CMainFrameWindow::MakeAction(const char* text, int id)
{
    auto* action = new QAction(QString::fromUtf8(text), this);
    SetCommandId(action, id);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    return action;
}

void CMainFrameWindow::CreateToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("MainToolBar"));
    bar->setAccessibleName(QStringLiteral("Toolbar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setIconSize(QSize(16, 16));

    QAction* open = MakeAction("Open", IdFileOpen);
    open->setIcon(OpenIcon());
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_pSaveAction = MakeAction("Save", IdFileSave);
    m_pSaveAction->setIcon(SaveIcon());
    m_pSaveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));

    auto* menu = new QMenu(QStringLiteral("Help"), this);
    menu->addAction(MakeAction("Help Topics", IdHelpTopics));
    menu->addSeparator();
    menu->addAction(MakeAction("&Technicle Support", IdHelpSupport));
    menu->addAction(MakeAction("&Program Feedback", IdHelpFeedback));
    menu->addSeparator();
    menu->addAction(MakeAction("&Software Website", IdHelpWebsite));
    menu->addSeparator();
    menu->addAction(MakeAction("&About Mosvane...", IdAppAbout));
    QAction* help = MakeAction("Help", IdAppAbout);
    help->setIcon(HelpIcon());
    help->setMenu(menu);

    bar->addAction(open);
    bar->addAction(m_pSaveAction);
    bar->addSeparator();
    bar->addAction(help);
    // Pressing "Help" itself opens the About box; its arrow drops the Help menu down.
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(help)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
    // The overflow button of a narrow toolbar.
    for (QToolButton* more : bar->findChildren<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More Tools"));
    for (QAction* action : {open, m_pSaveAction, help})
        if (QWidget* button = bar->widgetForAction(action))
        {
            SetCommandId(button, CommandIdOf(action));
            button->setAccessibleName(SpokenText(action->text()));
        }
}

void CMainFrameWindow::CreateStatusBar()
{
    QStatusBar* status = statusBar();
    status->setSizeGripEnabled(true);
    auto* message = new QLabel(QStringLiteral("Ready"), status);
    message->setAccessibleName(QStringLiteral("Status"));
    status->addWidget(message, 1);

    m_pProgressPane = new QLabel(QString(22, u' '), status);
    m_pProgressPane->setFixedWidth(kProgressPaneWidth);
    m_pProgressPane->setAccessibleName(QStringLiteral("Progress"));
    SetCommandId(m_pProgressPane, IdPaneProgress);
    status->addPermanentWidget(m_pProgressPane);

    auto* titlePane = new QWidget(status);
    titlePane->setFixedWidth(kTitlePaneWidth);
    SetCommandId(titlePane, IdPaneTitle);
    auto* titleLayout = new QHBoxLayout(titlePane);
    titleLayout->setContentsMargins(2, 0, 2, 0);
    auto* icon = new QLabel(titlePane);
    icon->setPixmap(ProgramIcon().pixmap(16, 16));
    auto* title = new QLabel(QString::fromUtf8(kProgramTitle), titlePane);
    titlePane->setAccessibleName(title->text());
    titleLayout->addWidget(icon);
    titleLayout->addWidget(title, 1);
    status->addPermanentWidget(titlePane);
}

void CMainFrameWindow::CreatePanes()
{
    m_pTabs = new CToolTabs;
    m_pTabs->setAccessibleName(QStringLiteral("Toolkit Space"));
    for (int i = 0; i < kToolPanelCount; ++i)
    {
        auto* page = new QWidget;
        page->setAccessibleName(SpokenText(QString::fromUtf8(kTabLabels[i])));
        m_pTabs->addTab(page, TabIcon(i), QString::fromUtf8(kTabLabels[i]));
    }

    m_pToolkitDock = new QDockWidget(QStringLiteral("Toolkit Space"), this);
    m_pToolkitDock->setObjectName(QStringLiteral("ToolkitSpace"));
    m_pToolkitDock->setWidget(m_pTabs);

    m_pOutputPanel = new COutputSettingsPanel;
    auto* scroller = new QScrollArea;
    scroller->setWidget(m_pOutputPanel);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    // Only the controls are stops of the Tab key.
    scroller->setFocusPolicy(Qt::NoFocus);
    // The pane may be lower than the panel: the panel then scrolls.
    scroller->setMinimumHeight(kDefaultOutputPaneHeight / 2);
    m_pOutputDock = new QDockWidget(QStringLiteral("Output Settings"), this);
    m_pOutputDock->setObjectName(QStringLiteral("OutputSettings"));
    m_pOutputDock->setWidget(scroller);
    // The panel's own group box carries the caption "Output Settings"; a dock title above it
    // would say it twice. The dock keeps its title for screen readers.
    m_pOutputDock->setTitleBarWidget(new QWidget(m_pOutputDock));

    for (QDockWidget* dock : {m_pToolkitDock, m_pOutputDock})
    {
        // The panes cannot be closed: nothing would bring them back.
        dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
        dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
        dock->setAccessibleName(dock->windowTitle());
        addDockWidget(Qt::RightDockWidgetArea, dock, Qt::Vertical);
    }
}

void CMainFrameWindow::CreateToolPanels()
{
    // A panel scrolls when the pane is narrower or lower than it, so that it never decides the
    // width of the pane.
    const auto scrolled = [](QWidget* panel) {
        auto* scroller = new QScrollArea;
        scroller->setWidget(panel);
        scroller->setWidgetResizable(true);
        scroller->setFrameShape(QFrame::NoFrame);
        scroller->setFocusPolicy(Qt::NoFocus);
        return scroller;
    };
    m_pSplitPanel = new CSplitCombinePanel;
    SetToolPanel(0, scrolled(m_pSplitPanel), m_pSplitPanel);
    m_pSpecialtiesPanel = new CSpecialtiesPanel;
    SetToolPanel(1, scrolled(m_pSpecialtiesPanel), m_pSpecialtiesPanel);
    m_pBatchPanel = new CBatchPanel;
    SetToolPanel(2, scrolled(m_pBatchPanel), m_pBatchPanel);
}

QMenu* CMainFrameWindow::createPopupMenu()
{
    // The toolkit's menu of bars and panes would let the person hide the panes for good.
    return nullptr;
}

void CMainFrameWindow::DockPanes(int width, int outputHeight)
{
    // The dock layout fits a new size against the sizes it holds, so a size may take more than
    // one round to arrive; each round is laid out before the next.
    const auto apply = [this, width, outputHeight] {
        for (int round = 0; round < 8; ++round)
        {
            if (m_pToolkitDock->width() == width && m_pOutputDock->height() == outputHeight)
                break;
            resizeDocks({m_pToolkitDock, m_pOutputDock}, {width, width}, Qt::Horizontal);
            resizeDocks({m_pOutputDock}, {outputHeight}, Qt::Vertical);
            QCoreApplication::sendPostedEvents(this, QEvent::LayoutRequest);
        }
    };
    layout()->activate();
    apply();
    // Once shown, the frame's final geometry is laid out; the sizes are given again then.
    QTimer::singleShot(0, this, apply);
}

void CMainFrameWindow::KeepPanesWhole()
{
    // The picture keeps a corner to be seen and dropped on; the tool pane its tab strip whole and
    // a few rows of the current panel (which scrolls); the Output Settings pane all its rows, at
    // the narrowest the pane gets. The frame's least size follows from these.
    m_pView->setMinimumSize(kViewMinimumWidth, kViewMinimumHeight);
    const int narrowest = std::max(m_pTabs->minimumSizeHint().width(), m_pOutputDock->minimumSizeHint().width());
    m_pToolkitDock->setMinimumWidth(narrowest);
    for (int i = 0; i < m_pTabs->count(); ++i)
        m_pTabs->widget(i)->setMinimumHeight(kPanelMinimumHeight);
    m_pOutputDock->widget()->setMinimumHeight(OutputPaneHeightForRows(narrowest) - OutputDockFrame());
}

int CMainFrameWindow::OutputDockFrame() const
{
    QWidget* content = m_pOutputDock->widget();
    return std::max(0, m_pOutputDock->sizeHint().height() - content->sizeHint().height());
}

int CMainFrameWindow::OutputPaneHeightForRows(int width) const
{
    // The panel's own height at that width (its labels may break into lines), and what the dock
    // puts around its content.
    const int frame = OutputDockFrame();
    const int rows = m_pOutputPanel->hasHeightForWidth() ? m_pOutputPanel->heightForWidth(width)
                                                          : m_pOutputPanel->sizeHint().height();
    return std::max(rows, m_pOutputPanel->sizeHint().height()) + frame;
}

void CMainFrameWindow::ChainControls()
{
    std::vector<QWidget*> chain{m_pTabs->tabBar()};
    const auto addControls = [&chain](QWidget* panel) {
        // Children come in the order they were laid, which is the panels' reading order.
        for (QWidget* w : panel->findChildren<QWidget*>())
        {
            const bool bStop = (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() &&
                               !qobject_cast<QAbstractScrollArea*>(w) && !qobject_cast<QScrollBar*>(w);
            // The edit inside a number box is reached through the box.
            const bool bInner = w->parentWidget() && w->parentWidget()->focusProxy() == w;
            if (bStop || bInner)
                chain.push_back(bInner ? w->parentWidget() : w);
        }
    };
    for (QWidget* panel : {static_cast<QWidget*>(m_pSplitPanel), static_cast<QWidget*>(m_pSpecialtiesPanel),
                           static_cast<QWidget*>(m_pBatchPanel), static_cast<QWidget*>(m_pOutputPanel)})
        if (panel)
            addControls(panel);
    chain.erase(std::unique(chain.begin(), chain.end()), chain.end());
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

QWidget* CMainFrameWindow::FirstToolControl() const
{
    auto* page = qobject_cast<QScrollArea*>(m_pTabs->currentWidget());
    QWidget* panel = page ? page->widget() : m_pTabs->currentWidget();
    if (!panel)
        return nullptr;
    for (QWidget* w : panel->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !qobject_cast<QAbstractScrollArea*>(w) &&
            !(w->parentWidget() && w->parentWidget()->focusProxy() == w))
            return w;
    return nullptr;
}

void CMainFrameWindow::RestoreAndShow(QSettings& settings)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect workArea = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect desktop = screen ? screen->virtualGeometry() : workArea;

    SWindowPlacement placement = PresetPlacement(workArea);
    const QVariant stored = settings.value(QString::fromUtf8(kPlacementValueName));
    bool bRestored = false;
    if (stored.isValid())
    {
        ReadPlacementBytes(stored.toByteArray(), placement);
        bRestored = PlacementUsable(placement, desktop);
    }
    if (!bRestored)
        placement = PresetPlacement(workArea);
    // A placement smaller than the least size that keeps the panes whole grows to it first, so
    // that the grown window is what is brought onto the screen; one stored on a larger screen,
    // or at another scale, is brought onto this one whole.
    QRect normal = placement.NormalRect();
    normal.setSize(normal.size().expandedTo(minimumSizeHint()));
    const QScreen* target = QGuiApplication::screenAt(normal.center());
    setGeometry(BroughtOnto(normal, target ? target->availableGeometry() : workArea));

    // The panes get their sizes in the frame's normal geometry, before it is shown.
    int32_t width = 0;
    if (ReadPaneWidth(settings.value(QString::fromUtf8(kPaneWidthValueName)), width))
        DockPanes(width, kStoredOutputPaneHeight);
    else
        DockPanes(kDefaultPaneWidth, std::max(kDefaultOutputPaneHeight, OutputPaneHeightForRows(kDefaultPaneWidth)));

    if (bRestored && placement.m_nShowCommand == ShowMaximized)
        showMaximized();
    else
        show(); // the normal state also for a stored minimized state
    if (QWidget* first = FirstToolControl())
        first->setFocus(Qt::OtherFocusReason);
}

void CMainFrameWindow::SavePlacement(QSettings& settings) const
{
    SWindowPlacement placement;
    placement.m_nShowCommand = isMinimized() ? ShowMinimized : isMaximized() ? ShowMaximized : ShowNormal;
    QRect normal = (isMinimized() || isMaximized()) ? normalGeometry() : geometry();
    if (normal.isEmpty())
        normal = geometry();
    placement.SetNormalRect(normal);
    settings.setValue(QString::fromUtf8(kPlacementValueName), PlacementBytes(placement));
    settings.setValue(QString::fromUtf8(kPaneWidthValueName), m_pToolkitDock->width());
}

void CMainFrameWindow::SetToolPanel(int index, QWidget* panel, IToolPanel* hooks)
{
    if (index < 0 || index >= kToolPanelCount || !panel)
        return;
    QWidget* old = m_pTabs->widget(index);
    m_pTabs->removeTab(index);
    m_pTabs->insertTab(index, panel, TabIcon(index), QString::fromUtf8(kTabLabels[index]));
    if (panel->accessibleName().isEmpty())
        panel->setAccessibleName(SpokenText(QString::fromUtf8(kTabLabels[index])));
    delete old;
    m_panels[size_t(index)] = hooks;
}

bool CMainFrameWindow::OnCommand(int id)
{
    for (IToolPanel* panel : m_panels)
        if (panel)
            panel->BeforeCommand(id);
    bool bDone = true;
    switch (id)
    {
    case IdFileOpen:
        OpenFile();
        break;
    case IdFileSave:
        SaveFile();
        break;
    case IdAppAbout:
        ShowAbout();
        break;
    case IdHelpTopics:
        OpenHelp("");
        break;
    case IdHelpSupport:
        OpenHelp("support");
        break;
    case IdHelpFeedback:
        OpenHelp("feedback");
        break;
    case IdHelpWebsite:
        OpenHelp("about");
        break;
    case IdDrawSplitLine:
    case IdSplit:
    case IdCombine:
    case IdExtractAlpha:
    case IdAlphaByRgb:
    case IdAlphaImage:
    case IdBlend:
    case IdMakeMng:
        bDone = RunOperation(id);
        break;
    default:
        return false;
    }
    for (IToolPanel* panel : m_panels)
        if (panel)
            panel->AfterCommand(id, bDone);
    UpdateCommandStates();
    return true;
}

void CMainFrameWindow::UpdateCommandStates()
{
    m_pSaveAction->setEnabled(m_pView->HasImage());
}

void CMainFrameWindow::OpenFile()
{
    std::string path;
    if (OpenImageFileDialog(this, path))
        m_pView->LoadCommand(path);
}

void CMainFrameWindow::SaveFile()
{
    if (!m_pView->HasImage())
        return;
    QWidget* owner = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    std::string path;
    if (!SaveImageFileDialog(owner, m_strPicturePath, path) || !m_pView->HasImage())
        return;
    bool bSaved = false;
    {
        CWaitCursor wait;
        bSaved = m_pView->WorkingImage().SaveImageAs(path.c_str());
    }
    // A write that fails is said: the person would otherwise take the file for written.
    if (!bSaved)
        return ShowFailed("Fail to save the image as:\n\n " + path);
    // The picture on screen is now that file.
    m_strPicturePath = path;
    SetDocumentTitle(path);
}

void CMainFrameWindow::OpenHelp(const char* section)
{
    const QString file = QString::fromStdString(m_strProgramFolder) + QString::fromUtf8(kHelpFileName);
    if (!QFileInfo(file).isFile())
    {
        ShowMessage("Help File Missing!", "Sorry", EMessageIcon::Exclamation, static_cast<QWidget*>(this));
        return;
    }
    QUrl url = QUrl::fromLocalFile(file);
    if (section && *section)
        url.setFragment(QString::fromUtf8(section));
    // Without a program for it (no browser on the machine) the person can still open it by hand.
    if (!OpenOnDesktop(url))
        ShowMessage("No program could be started to show the help file. It can be opened by hand from:\n\n " +
                        file.toStdString(),
                    "Sorry", EMessageIcon::Exclamation, static_cast<QWidget*>(this));
}

void CMainFrameWindow::ShowAbout()
{
    if (!m_pAbout)
    {
        m_pAbout = new QDialog(this);
        m_pAbout->setWindowTitle(QStringLiteral("About Mosvane"));
        auto* layout = new QVBoxLayout(m_pAbout);
        auto* head = new QHBoxLayout;
        auto* icon = new QLabel(m_pAbout);
        icon->setPixmap(ProgramIcon().pixmap(48, 48));
        auto* names = new QVBoxLayout;
        names->addWidget(new QLabel(QString::fromUtf8(kProgramTitle), m_pAbout));
        names->addWidget(new QLabel(QStringLiteral("Version ") + QString::fromUtf8(kProgramVersion), m_pAbout));
        head->addWidget(icon);
        head->addLayout(names, 1);
        layout->addLayout(head);

        auto* links = new QGroupBox(m_pAbout);
        auto* linkLayout = new QVBoxLayout(links);
        const auto addLink = [&](const char* text, const char* section) {
            auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(QString::fromUtf8(section),
                                                                              QString::fromUtf8(text)),
                                    links);
            link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
            link->setAccessibleName(QString::fromUtf8(text));
            connect(link, &QLabel::linkActivated, this,
                    [this](const QString& target) { OpenHelp(target.toUtf8().constData()); });
            linkLayout->addWidget(link);
        };
        addLink("Mosvane web site", "about");
        addLink("Technical support", "support");
        layout->addWidget(links);

        auto* buttons = new QDialogButtonBox(m_pAbout);
        QPushButton* close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::AcceptRole);
        close->setAccessibleName(QStringLiteral("Close"));
        connect(buttons, &QDialogButtonBox::accepted, m_pAbout, &QDialog::accept);
        layout->addWidget(buttons);
    }
    // Window-modal without a nested loop: the frame waits for it, the command returns at once.
    m_pAbout->setWindowModality(Qt::WindowModal);
    m_pAbout->show();
    m_pAbout->raise();
}

void CMainFrameWindow::SetDocumentTitle(const std::string& text)
{
    setWindowTitle(QString::fromUtf8(kProgramTitle) + QStringLiteral(" - ") + QString::fromStdString(text));
}

void CMainFrameWindow::OnImageOpened(const std::string& path)
{
    m_strPicturePath = path;
    for (IToolPanel* panel : m_panels)
        if (panel)
            panel->OnImageOpened(path);
    m_pOutputPanel->OnImageOpened(path);
}

void CMainFrameWindow::BeginProgress(int32_t count)
{
    if (!m_pProgress)
    {
        m_pProgress = new QProgressBar(m_pProgressPane);
        m_pProgress->setTextVisible(false);
        m_pProgress->setAccessibleName(QStringLiteral("Progress"));
        auto* layout = new QHBoxLayout(m_pProgressPane);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->addWidget(m_pProgress);
    }
    m_pProgress->show();
    m_pProgress->setRange(0, std::max(count, 0));
    m_pProgress->setValue(0);
    m_pProgress->repaint();
}

void CMainFrameWindow::StepProgress()
{
    if (!m_pProgress || !m_pProgress->isVisible())
        return;
    m_pProgress->setValue(std::min(m_pProgress->value() + 1, m_pProgress->maximum()));
    // Operations run on this thread without returning to the event loop: paint now.
    m_pProgress->repaint();
}

void CMainFrameWindow::EndProgress()
{
    if (m_pProgress)
        m_pProgress->hide();
}

bool CMainFrameWindow::GetOutputSettings(SequenceRecord& output)
{
    return m_pOutputPanel->GetOutputSettings(output);
}

template <typename Inputs>
bool CMainFrameWindow::FillFromPanels(Inputs& inputs, bool (IToolPanel::*fill)(Inputs&))
{
    const bool bOutput = GetOutputSettings(inputs.m_output);
    for (IToolPanel* panel : m_panels)
        if (panel && (panel->*fill)(inputs))
            return bOutput;
    return false;
}

bool CMainFrameWindow::GetSplitSettings(SplitInputs& inputs)
{
    const bool bFilled = FillFromPanels(inputs, &IToolPanel::FillSplitInputs);
    // The grid laid on the view (dragged, perhaps) is what the person saw; the counts alone when
    // there is none or it has other counts.
    RecordSplitGrid(m_pView->SplitGrid(), inputs);
    return bFilled;
}

bool CMainFrameWindow::GetBlendSettings(BlendInputs& inputs)
{
    return FillFromPanels(inputs, &IToolPanel::FillBlendInputs);
}

bool CMainFrameWindow::GetAlphaRgbSettings(AlphaRgbInputs& inputs)
{
    return FillFromPanels(inputs, &IToolPanel::FillAlphaRgbInputs);
}

bool CMainFrameWindow::GetAlphaImageSettings(AlphaImageInputs& inputs)
{
    return FillFromPanels(inputs, &IToolPanel::FillAlphaImageInputs);
}

bool CMainFrameWindow::GetMngSettings(MngInputs& inputs)
{
    return FillFromPanels(inputs, &IToolPanel::FillMngInputs);
}

bool CMainFrameWindow::GetCombineSettings(CombineInputs& inputs)
{
    // The combined sheet needs the output folder and type; its title comes from the combine group.
    GetOutputSettings(inputs.m_output);
    bool bGroup = false;
    for (IToolPanel* panel : m_panels)
        bGroup = bGroup || (panel && panel->FillCombineInputs(inputs));
    return bGroup && !inputs.m_output.m_strFolder.empty() && !inputs.m_output.m_strType.empty();
}

bool CMainFrameWindow::RunOperation(int id)
{
    CWorkingImage& image = m_pView->WorkingImage();
    m_pInstallation->m_written.SetWorkingSource(m_pView->HasImage() ? image.m_strPath : std::string());
    // The working image's texture and the offscreen targets live with the view's GL context.
    CViewGlScope gl(*m_pView);
    switch (id)
    {
    case IdDrawSplitLine: {
        SplitInputs inputs;
        for (IToolPanel* panel : m_panels)
            if (panel && panel->FillSplitInputs(inputs))
                break;
        if (!DrawSplitLineCommand(int32_t(inputs.m_rowFractions.size()), int32_t(inputs.m_colFractions.size()), image,
                                  m_pView->SplitGrid()))
            return false;
        m_pView->RedrawNow();
        break;
    }
    case IdSplit: {
        SplitInputs inputs;
        GetSplitSettings(inputs);
        SplitCommand(inputs, image, m_pView->SplitGrid());
        break;
    }
    case IdCombine: {
        CombineInputs inputs;
        GetCombineSettings(inputs);
        CombineCommand(inputs);
        break;
    }
    case IdExtractAlpha: {
        SequenceRecord output;
        GetOutputSettings(output);
        ExtractAlphaCommand(output, image);
        break;
    }
    case IdAlphaByRgb: {
        AlphaRgbInputs inputs;
        GetAlphaRgbSettings(inputs);
        MakeAlphaCommand(inputs, image);
        break;
    }
    case IdAlphaImage: {
        AlphaImageInputs inputs;
        GetAlphaImageSettings(inputs);
        CombineAlphaCommand(inputs, image);
        break;
    }
    case IdBlend: {
        BlendInputs inputs;
        GetBlendSettings(inputs);
        BlendCommand(inputs, image);
        break;
    }
    case IdMakeMng: {
        MngInputs inputs;
        GetMngSettings(inputs);
        MngCommand(inputs);
        break;
    }
    default:
        break;
    }
    return true;
}
