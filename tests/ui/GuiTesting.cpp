#include "GuiTesting.h"

#include "config/StringTable.h"
#include "ui/Application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QGuiApplication>
#include <qguiapplication_platform.h>
#include <QSettings>
#include <QSpontaneKeyEvent>
#include <QTimer>
#include <QUrl>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace mosvane::test
{
CMessageRecorder::CMessageRecorder()
    : m_hooks([this] {
          FrameHooks hooks = InstalledFrameHooks();
          hooks.m_fnMessage = [this](const std::string& text, const std::string& caption, EMessageIcon icon, void*) {
              m_messages.push_back({text, caption, icon, QApplication::overrideCursor() != nullptr});
          };
          return hooks;
      }())
{
}

namespace
{
template <typename T>
bool Pop(std::vector<T>& queue, T& out)
{
    if (queue.empty())
        return false;
    out = queue.front();
    queue.erase(queue.begin());
    return true;
}
} // namespace

CDialogAnswers::CDialogAnswers()
{
    SDialogHooks hooks;
    hooks.m_fnOpenFile = [this](QWidget*, const QString&, std::string& path) { return Pop(m_openPaths, path); };
    hooks.m_fnOpenFiles = [this](QWidget*, const QString&, std::vector<std::string>& paths) {
        paths = std::exchange(m_openPaths, {});
        return !paths.empty();
    };
    hooks.m_fnSaveFile = [this](QWidget*, const SSaveRequest& request, std::string& path, QString& chosen) {
        m_strLastSaveFilter = request.m_strFilter;
        m_strLastSuffix = request.m_strDefaultSuffix;
        chosen = request.m_strSelectedFilter; // the person keeps the entry the dialog chose
        return Pop(m_savePaths, path);
    };
    hooks.m_fnBrowseFolder = [this](QWidget*, const QString& title, std::string& path) {
        m_strLastFolderTitle = title;
        return Pop(m_folders, path);
    };
    hooks.m_fnOpenUrl = [this](const QUrl& url) {
        m_openedUrls.push_back(url.toString().toStdString());
        return !m_bNoBrowser;
    };
    hooks.m_fnQuestion = [this](QWidget*, const std::string& text, const std::string&) {
        m_questions.push_back(text);
        bool yes = false;
        return Pop(m_answers, yes) && yes;
    };
    m_previous = SetDialogHooks(std::move(hooks));
}

CDialogAnswers::~CDialogAnswers()
{
    SetDialogHooks(std::move(m_previous));
}

QImage PatternImage(int width, int height, int alpha)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x % 256, y % 256, (x + y) % 256, alpha));
    return image;
}

QImage Filled(QColor colour, int width, int height)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    image.fill(colour);
    return image;
}

std::string WritePicture(const CTempDir& dir, const std::string& name, const QImage& image)
{
    const std::string path = dir.File(name);
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return path;
}

void DropFiles(QObject* target, const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    Settle();
}

void Drag(QWidget* widget, QPoint from, QPoint to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QTest::mouseMove(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
    Settle();
}

void SendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                  : type == QEvent::MouseMove        ? Qt::MouseButtons(QApplication::mouseButtons())
                                                                     : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      modifiers);
    QCoreApplication::sendEvent(widget, &event);
}

void DragF(QWidget* widget, QPointF from, QPointF to)
{
    SendMouse(widget, QEvent::MouseButtonPress, from);
    QMouseEvent move(QEvent::MouseMove, to, widget->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
    SendMouse(widget, QEvent::MouseButtonRelease, to);
    Settle();
}

void TurnWheel(QWidget* widget, QPoint at, int delta, Qt::KeyboardModifiers modifiers)
{
    // As the window system delivers it: to the innermost widget under the pointer, marked as
    // coming from outside, so that the toolkit offers what that widget ignores to its parents.
    QWidget* under = widget->childAt(at) ? widget->childAt(at) : widget;
    const QPoint local = under->mapFrom(widget, at);
    QWheelEvent wheel(QPointF(local), QPointF(under->mapToGlobal(local)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel); // sendEvent would clear the mark
    QCoreApplication::instance()->notify(under, &wheel);
    Settle();
}

bool PressKeyOnDisplay(unsigned long keysym)
{
    // Through the X server's test extension, loaded at run time: the key takes the way a
    // keyboard's does, with the text X gives it.
    using FakeKey = int (*)(Display*, unsigned int, int, unsigned long);
    using ToKeycode = unsigned char (*)(Display*, unsigned long);
    using Flush = int (*)(Display*);
    static void* const xtst = ::dlopen("libXtst.so.6", RTLD_LAZY);
    static void* const x11 = ::dlopen("libX11.so.6", RTLD_LAZY);
    auto* app = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!xtst || !x11 || !app || !app->display())
        return false;
    const auto fake = reinterpret_cast<FakeKey>(::dlsym(xtst, "XTestFakeKeyEvent"));
    const auto keycode = reinterpret_cast<ToKeycode>(::dlsym(x11, "XKeysymToKeycode"));
    const auto flush = reinterpret_cast<Flush>(::dlsym(x11, "XFlush"));
    if (!fake || !keycode || !flush)
        return false;
    Display* display = app->display();
    const unsigned int code = keycode(display, keysym);
    if (code == 0 || !fake(display, code, 1, 0) || !fake(display, code, 0, 0))
        return false;
    flush(display);
    // The events come back from the server: give them time to arrive.
    for (int i = 0; i < 20; ++i)
    {
        QTest::qWait(10);
        Settle();
    }
    return true;
}

void Settle()
{
    for (int i = 0; i < 3; ++i)
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void FrameTest::SetUp()
{
    GetProgramSettings() = CProgramSettings{};
    Settings().m_strOutputFolder = m_dir.Path();
    Settings().m_strOutputFileName = "out";
    Settings().m_strOutputImageType = "png";
}

void FrameTest::Start()
{
    m_pFrame = std::make_unique<CMainFrameWindow>(m_dir.Path());
    QSettings placement;
    placement.clear();
    m_pFrame->RestoreAndShow(placement);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
    // Shortcuts reach only the active window; on a loaded machine activation can lag the exposure.
    m_pFrame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    Settle();
    m_pMessages = std::make_unique<CMessageRecorder>();
}

QWidget* FrameTest::Tab(int index)
{
    m_pFrame->ToolTabs()->setCurrentIndex(index);
    Settle();
    return m_pFrame->ToolTabs()->widget(index);
}

void FrameTest::Click(int tab, int id)
{
    auto* button = Control<QAbstractButton>(tab, id);
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->isEnabled()) << "button " << id;
    QTest::mouseClick(button, Qt::LeftButton);
    Settle();
}

void FrameTest::Type(int tab, int id, const QString& text)
{
    QWidget* box = Control<QWidget>(tab, id);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

void FrameTest::WriteSequence(const std::string& folder, const std::string& title, int digits, int count,
                              const std::function<QImage(int)>& picture)
{
    std::filesystem::create_directories(m_dir.File(folder));
    for (int k = 1; k <= count; ++k)
        WritePicture(m_dir, Numbered(folder + "/" + title, k, digits, "png"), picture(k));
}

void FrameTest::SeedCombine(const std::string& folder, const std::string& title, int digits, int rows, int cols)
{
    CProgramSettings& s = Settings();
    s.m_strCombineSourceFolder = m_dir.File(folder), s.m_strCombineNameFormat = title;
    s.m_strCombineTemplate = std::string(size_t(digits), '#'), s.m_strCombineImgType = "png";
    s.m_nCombineRows = rows, s.m_nCombineCols = cols, s.m_nCombineSeqFrom = 1;
}

void FrameTest::SeedMng(const std::string& folder, const std::string& title, int digits, int frames, int fps)
{
    CProgramSettings& s = Settings();
    s.m_strMngSourceFolder = m_dir.File(folder), s.m_strMngFileName = title;
    s.m_strMngTemplate = std::string(size_t(digits), '#'), s.m_strMngImageType = "png";
    s.m_nMngSeqFrom = 1, s.m_nMngFrames = frames, s.m_nMngFPS = fps;
}

Said FrameTest::TakeMessages()
{
    Said said;
    for (const SShownMessage& message : m_pMessages->m_messages)
        said.push_back(message.m_strCaption + ": " + message.m_strText +
                       (message.m_bUnderWaitCursor ? " (under the wait cursor)" : ""));
    m_pMessages->m_messages.clear();
    return said;
}

void ProgramTest::Ship(std::initializer_list<const char*> names)
{
    std::filesystem::create_directories(m_dir.File("Cnfg"));
    for (const char* name : names)
        std::filesystem::copy_file(BinDir() + "/Cnfg/" + name, m_dir.File("Cnfg/") + name,
                                   std::filesystem::copy_options::overwrite_existing);
}

int ProgramTest::Run(const std::function<void(CMainFrameWindow&)>& check, const std::string& picture)
{
    SApplicationOptions options;
    options.m_strProgramFolder = m_dir.Path();
    options.m_strPicture = picture;
    m_shown.clear();
    options.m_fnRunning = [&](CMainFrameWindow& frame) {
        // Over the frame's own boxes, which would wait for a person; gone before the frame is.
        CMessageRecorder shown;
        Settle();
        if (check)
            check(frame);
        m_shown = shown.m_messages;
        QTimer::singleShot(0, &frame, &QWidget::close);
    };
    return RunApplication(options);
}
} // namespace mosvane::test

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS(); // listing needs no display
    // The tests' own settings and configuration folders, never the person's.
    static mosvane::test::CTempDir home;
    ::setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", home.File("state").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    // Mesa's driver is unloaded when the toolkit ends its GL display at exit; kept mapped, the
    // driver's own allocations stay attributable to it (and to its LeakSanitizer suppression).
    for (const char* driver : {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", "swrast_dri.so"})
        if (::dlopen(driver, RTLD_LAZY | RTLD_NODELETE))
            break;
    PrepareGlEnvironment();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Dravik"));
    QCoreApplication::setApplicationName(QStringLiteral("Mosvane"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(home.File("settings")));
    if (!GetStringTable().LoadStringTable(mosvane::test::BinDir()))
    {
        std::fprintf(stderr, "the string table of the build is missing\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
