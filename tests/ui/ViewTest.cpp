// The image view on its own: scroll bars, the pixels it draws, the split grid and its dragging,
// dropped files and the load command's failure.

#include "GuiTesting.h"

#include "config/Log.h"
#include "config/StringTable.h"
#include "view/MosvaneView.h"

#include <QDir>
#include <QMouseEvent>
#include <QScrollBar>

#include <cmath>
#include <filesystem>
#include <sys/stat.h>

using namespace mosvane::test;

namespace
{
const QColor kBackground(102, 102, 153), kRed(255, 0, 0);

// A frame double for the view shown alone: records the title and image notices.
class CRecordingFrame : public CPanelFreeFrame
{
public:
    void* GetFrameWindow() override { return nullptr; }
    void SetDocumentTitle(const std::string& text) override { m_titles.push_back(text); }
    void OnImageOpened(const std::string& path) override { m_opened.push_back(path); }
    void BeginProgress(int32_t) override {}
    void StepProgress() override {}
    void EndProgress() override {}
    std::vector<std::string> m_titles, m_opened;
};

class ViewTest : public ::testing::Test
{
protected:
    // A view of the given client size (pointer pixels) on screen (no bars yet), with a frame
    // double installed.
    void Show(int width, int height)
    {
        m_pView = std::make_unique<CMosvaneView>();
        m_pView->resize(width, height);
        m_pView->show();
        m_pView->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pView.get()));
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_pView.get()));
        Settle();
        ASSERT_TRUE(m_pView->HasDevice());
    }
    bool Load(const std::string& path)
    {
        const bool loaded = m_pView->LoadCommand(path);
        Settle();
        return loaded;
    }
    // Device pixels per pointer pixel: 1, 1.5 or 2 as the run sets QT_SCALE_FACTOR.
    double Ratio() const { return m_pView->Canvas()->devicePixelRatioF(); }
    // The pointer position at the top-left corner of a device pixel.
    QPointF At(double x, double y) const { return QPointF(x / Ratio(), y / Ratio()); }
    // A drag between the corners of two device pixels.
    void Drag(double fromX, double fromY, double toX, double toY)
    {
        DragF(m_pView->Canvas(), At(fromX, fromY), At(toX, toY));
    }
    // The colour of a framebuffer (device) pixel as drawn now, opaque channels only.
    QColor PixelAt(int x, int y)
    {
        return QColor(m_pView->Canvas()->grabFramebuffer().pixelColor(x, y).rgb());
    }

    CTempDir m_dir;
    CRecordingFrame m_frame;
    CFrameHooks m_hooks{FrameHooks{&m_frame}};
    CMessageRecorder m_messages;
    std::unique_ptr<CMosvaneView> m_pView;
};
} // namespace

// Sizes and positions are device pixels throughout: at 100% a picture pixel is one device pixel
// at every ratio, and the bars, the drawing and the pointer agree on that.
TEST_F(ViewTest, ScrollBarsFollowPictureAndClientSizesAndReset)
{
    Show(400, 400);
    // The run's ratio is the one the screen was asked for.
    EXPECT_DOUBLE_EQ(Ratio(), qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble());
    const std::string small = WritePicture(m_dir, "p.png", PatternImage(300, 200));
    ASSERT_TRUE(Load(small));
    EXPECT_FALSE(m_pView->HorizontalBar()->isVisible() || m_pView->VerticalBar()->isVisible());

    Show(200, 400);
    const int client = m_pView->ClientWidth();
    EXPECT_EQ(client, int(std::lround(200 * Ratio())));
    const std::string wide = WritePicture(m_dir, "wide.png", PatternImage(client + 100, 200));
    ASSERT_TRUE(Load(wide));
    EXPECT_FALSE(m_pView->VerticalBar()->isVisible());
    EXPECT_TRUE(m_pView->HorizontalBar()->isVisible());
    // Positions run 0 .. extent - client with a page of client: a range of 0..extent.
    QScrollBar* bar = m_pView->HorizontalBar();
    EXPECT_EQ(bar->maximum() + bar->pageStep(), client + 100);
    EXPECT_EQ(bar->pageStep(), client);
    EXPECT_EQ(bar->singleStep(), int(std::lround(20 * Ratio())));
    // A second open clears the grid and scrolls back to the top left.
    ASSERT_TRUE(m_pView->DrawSplitLines(3, 3));
    bar->setValue(50);
    ASSERT_TRUE(Load(wide));
    EXPECT_TRUE(m_pView->SplitGrid().Empty());
    EXPECT_EQ(bar->value(), 0);
    // A zero side (a minimised view) changes nothing.
    const int width = m_pView->ClientWidth(), height = m_pView->ClientHeight();
    m_pView->resize(200, 0);
    Settle();
    EXPECT_EQ(m_pView->ClientWidth(), width);
    EXPECT_EQ(m_pView->ClientHeight(), height);
}

TEST_F(ViewTest, DrawsPictureInPlaceOverBackgroundAndWhenScrolled)
{
    Show(200, 150);
    const QImage picture = PatternImage(m_pView->ClientWidth() + 100, 100);
    ASSERT_TRUE(Load(WritePicture(m_dir, "p.png", picture)));
    for (const QPoint p : {QPoint(0, 0), QPoint(57, 33), QPoint(199, 99)})
        EXPECT_EQ(PixelAt(p.x(), p.y()), picture.pixelColor(p)) << p.x() << "," << p.y();
    EXPECT_EQ(PixelAt(10, 120), kBackground); // below the picture

    m_pView->HorizontalBar()->setValue(60);
    EXPECT_EQ(PixelAt(0, 10), picture.pixelColor(60, 10));
    EXPECT_EQ(PixelAt(139, 50), picture.pixelColor(199, 50));

    // Without the checkerboard, half-transparent pixels show the background through them; the
    // surface stays opaque.
    m_pView->SetCheckerboard(false);
    ASSERT_TRUE(Load(WritePicture(m_dir, "half.png", PatternImage(50, 50, 128))));
    QColor c = m_pView->Canvas()->grabFramebuffer().pixelColor(40, 20);
    EXPECT_NEAR(c.red(), (40 * 128 + 102 * 127) / 255, 2);
    EXPECT_NEAR(c.blue(), (60 * 128 + 153 * 127) / 255, 2);
    EXPECT_EQ(c.alpha(), 255);
}

// An open gives GL the part of a large picture on the view first and the rest on idle turns; a
// frame that needs more straight away (scrolled, reduced, grabbed) still shows every pixel right.
TEST_F(ViewTest, LargePictureScrolledOrReducedAtOnceShowsEveryPixel)
{
    Show(200, 150);
    const int width = 3 * m_pView->ClientWidth() + 7, height = 3 * m_pView->ClientHeight() + 5;
    QImage picture(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) // cells of 16 x 16 of one colour, for the reduced frame
            picture.setPixelColor(x, y, QColor(x / 16 * 23 % 256, y / 16 * 37 % 256, 200, 255));
    const std::string path = WritePicture(m_dir, "large.png", picture);
    const auto expectAt = [&](int x0, int y0, int step, auto pictureAt) {
        const QImage frame = m_pView->Canvas()->grabFramebuffer();
        for (int y = 0; y < frame.height(); y += step)
            for (int x = 0; x < frame.width(); x += step)
                ASSERT_EQ(QColor(frame.pixelColor(x, y).rgb()), pictureAt(x0 + x, y0 + y)) << x << "," << y;
    };
    const auto exact = [&](int x, int y) { return picture.pixelColor(x, y); };

    ASSERT_TRUE(m_pView->LoadCommand(path));
    ASSERT_FALSE(m_pView->PictureComplete()); // the rest is still to come
    expectAt(0, 0, 3, exact);
    const int right = m_pView->HorizontalBar()->maximum(), bottom = m_pView->VerticalBar()->maximum();
    m_pView->HorizontalBar()->setValue(right);
    m_pView->VerticalBar()->setValue(bottom);
    expectAt(right, bottom, 3, exact);

    ASSERT_TRUE(m_pView->LoadCommand(path));
    m_pView->SetZoomAt(0.5, QPointF(0, 0));
    const QImage frame = m_pView->Canvas()->grabFramebuffer();
    for (int y = 4; 2 * y < height - 8 && y < frame.height(); y += 8) // cell centres, off their edges
        for (int x = 4; 2 * x < width - 8 && x < frame.width(); x += 8)
            ASSERT_EQ(QColor(frame.pixelColor(x, y).rgb()), exact(2 * x, 2 * y)) << x << "," << y;
    Settle();
    EXPECT_TRUE(m_pView->PictureComplete());
}

// Transparent parts show grey squares of 8 pointer pixels, counted from the picture's corner; the
// blue-grey background stays around the picture, and opaque pixels cover the squares.
TEST_F(ViewTest, CheckerboardUnderTransparentPartsOnlyAndAsAnOption)
{
    Show(300, 200);
    EXPECT_TRUE(m_pView->Checkerboard());
    QImage picture = Filled(QColor(0, 0, 0, 0), 64, 40);
    for (int x = 0; x < 64; ++x)
        picture.setPixelColor(x, 39, QColor(10, 200, 30)); // one opaque row at the bottom
    ASSERT_TRUE(Load(WritePicture(m_dir, "keyed.png", picture)));
    const int square = int(std::lround(CMosvaneView::kCheckerSquare * Ratio()));
    const QColor light(204, 204, 204), dark(153, 153, 153);
    EXPECT_EQ(PixelAt(1, 1), light);
    EXPECT_EQ(PixelAt(square + 1, 1), dark);
    EXPECT_EQ(PixelAt(square + 1, square + 1), light);
    EXPECT_EQ(PixelAt(5, 39), QColor(10, 200, 30));
    EXPECT_EQ(PixelAt(70, 5), kBackground);
    EXPECT_EQ(PixelAt(5, 45), kBackground);
    m_pView->SetCheckerboard(false);
    EXPECT_EQ(PixelAt(1, 1), kBackground);
    EXPECT_EQ(PixelAt(square + 1, 1), kBackground);

    // An opaque picture made transparent by an operation shows the checkerboard again.
    m_pView->SetCheckerboard(true);
    ASSERT_TRUE(Load(WritePicture(m_dir, "opaque.png", Filled(QColor(10, 200, 30), 64, 40))));
    EXPECT_EQ(PixelAt(1, 1), QColor(10, 200, 30));
    CWorkingImage& image = m_pView->WorkingImage();
    ASSERT_TRUE(image.ConvertToRgba());
    image.m_gxImg.data[3] = 0; // the alpha of pixel 0, 0
    CViewGlScope gl(*m_pView);
    ASSERT_TRUE(image.RefreshTexture());
    EXPECT_EQ(PixelAt(0, 0), light);
    EXPECT_EQ(PixelAt(1, 1), QColor(10, 200, 30));
}

TEST_F(ViewTest, SplitGridDrawnAndDraggedWithinReach)
{
    Show(400, 300);
    ASSERT_TRUE(Load(WritePicture(m_dir, "p.png", PatternImage(200, 100))));
    ASSERT_TRUE(m_pView->DrawSplitLines(2, 2)); // lines at x = 100 and y = 50
    for (const QPoint p : {QPoint(99, 20), QPoint(100, 70), QPoint(30, 49), QPoint(150, 50)})
        EXPECT_EQ(PixelAt(p.x(), p.y()), kRed) << p.x() << "," << p.y();
    EXPECT_NE(PixelAt(97, 20), kRed);

    // The reach is 3 pointer pixels either side: 3 device pixels at ratio 1, 6 at ratio 2.
    CSplitGrid& grid = m_pView->SplitGrid();
    const double reach = 3 * Ratio();
    Drag(100 - reach - Ratio(), 20, 140, 20); // a pointer pixel further: not grabbed
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{100});
    Drag(100 - reach, 20, 140, 20); // grabbed, and moved as far as the pointer
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{140});
    EXPECT_EQ(PixelAt(140, 20), kRed);
    EXPECT_NE(PixelAt(100, 20), kRed);

    Drag(140, 50, 140, 70); // at the crossing the column line wins
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{140});
    EXPECT_EQ(grid.RowLines(), std::vector<int64_t>{50});
    Drag(140, 20, 193, 20); // 7 pixels from the right edge: stays
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{140});
    Drag(20, 50, 20, 92); // row line to 8 pixels from the bottom: moves
    EXPECT_EQ(grid.RowLines(), std::vector<int64_t>{92});

    // The pointer shows which way a line under it can be dragged.
    for (const auto& [point, shape] : {std::pair{QPointF(141, 20), Qt::SizeHorCursor},
                                       std::pair{QPointF(20, 90), Qt::SizeVerCursor},
                                       std::pair{QPointF(20, 20), Qt::ArrowCursor}})
    {
        SendMouse(m_pView->Canvas(), QEvent::MouseMove, At(point.x(), point.y()), Qt::NoButton);
        EXPECT_EQ(m_pView->Canvas()->cursor().shape(), shape) << point.x() << "," << point.y();
    }
}

// At 400% every picture pixel is a 4 x 4 block of device pixels at every ratio, a dragged line
// lands on the picture pixel under the pointer, and a sprite's transparent parts show the
// checkerboard. Also writes the screenshot of the zoomed view at this run's ratio.
using ViewZoomTest = ViewTest;

TEST_F(ViewZoomTest, MagnifiedPixelsAndDragLandOnThePictureScreenshot)
{
    Show(320, 240);
    QImage sprite = PatternImage(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            if ((x - 20) * (x - 20) + (y - 15) * (y - 15) > 12 * 12)
                sprite.setPixelColor(x, y, QColor(0, 0, 0, 0)); // a round sprite on nothing
    ASSERT_TRUE(Load(WritePicture(m_dir, "sprite.png", sprite)));
    m_pView->SetZoomAt(4.0, QPointF(0, 0));
    Settle();
    ASSERT_DOUBLE_EQ(m_pView->Zoom(), 4.0);
    for (const QPoint p : {QPoint(20, 15), QPoint(13, 11), QPoint(31, 19)})
        for (const QPoint corner : {QPoint(0, 0), QPoint(3, 3)})
            EXPECT_EQ(PixelAt(4 * p.x() + corner.x(), 4 * p.y() + corner.y()), sprite.pixelColor(p).rgb())
                << p.x() << "," << p.y();
    const QColor corner = PixelAt(1, 1); // transparent: checkerboard, not the background
    EXPECT_TRUE(corner == QColor(204, 204, 204) || corner == QColor(153, 153, 153)) << corner.name().toStdString();
    EXPECT_EQ(PixelAt(4 * 40 + 2, 10), kBackground); // past the zoomed picture

    ASSERT_TRUE(m_pView->DrawSplitLines(1, 2)); // a column line at x = 20: device 80
    CSplitGrid& grid = m_pView->SplitGrid();
    Drag(80, 40, 4 * 13 + 2, 40); // onto the middle of picture pixel 13
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{13});
    Drag(4 * 13, 40, 4 * 27 + 3, 40); // from its left edge to the last device pixel of 27
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{27});
    EXPECT_EQ(PixelAt(4 * 27, 60), kRed);

    ASSERT_TRUE(QDir().mkpath(QStringLiteral(MOSVANE_SCREENSHOT_DIR)));
    const QString ratio = QString::number(Ratio()).replace('.', '_');
    EXPECT_TRUE(m_pView->Canvas()->grabFramebuffer().save(
        QStringLiteral(MOSVANE_SCREENSHOT_DIR "/view-zoom-400-ratio-%1.png").arg(ratio)));
}

// The arrow keys move the line last grabbed by one picture pixel, with Shift by ten, never closer
// than 8 pixels to its neighbours; keys across the line move nothing.
TEST_F(ViewTest, ArrowKeysNudgeTheSelectedLine)
{
    Show(400, 300);
    ASSERT_TRUE(Load(WritePicture(m_dir, "p.png", PatternImage(200, 100))));
    ASSERT_TRUE(m_pView->DrawSplitLines(2, 2));
    CSplitGrid& grid = m_pView->SplitGrid();
    QWidget* canvas = m_pView->Canvas();
    QTest::keyClick(canvas, Qt::Key_Right); // nothing selected yet
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{100});

    // A click on a line selects it and gives the view the keys.
    const auto click = [&](double x, double y) {
        QTest::mouseClick(canvas, Qt::LeftButton, {}, At(x, y).toPoint());
        Settle();
    };
    click(100, 20);
    EXPECT_TRUE(canvas->hasFocus());
    QTest::keyClick(canvas, Qt::Key_Right);
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{101});
    EXPECT_EQ(PixelAt(101, 20), kRed);
    QTest::keyClick(canvas, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{91});
    QTest::keyClick(canvas, Qt::Key_Down);
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{91});
    EXPECT_EQ(m_pView->PointerText().toStdString(), "Column line at x = 91   cells 91 and 109 wide");
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(canvas, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{192}); // 8 pixels before the edge

    click(20, 50);
    QTest::keyClick(canvas, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(grid.RowLines(), std::vector<int64_t>{40});
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{192});
    // A new grid selects nothing.
    ASSERT_TRUE(m_pView->DrawSplitLines(2, 2));
    QTest::keyClick(canvas, Qt::Key_Up);
    EXPECT_EQ(grid.RowLines(), std::vector<int64_t>{50});
}

TEST_F(ViewTest, MissingRenderDeviceIsLoggedWhereLogReadersKnowIt)
{
    CTempDir logs;
    SetLogFolder(logs.Path());
    LogMissingRenderDevice();
    SetLogFolder("");
    const std::vector<std::string> files = FolderNames(logs.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadTextFile(logs.File(files[0])).rfind("\u2605CHECKF(m_hDevice != NULL)\u2605 in MosvaneView, 68 -- ", 0), 0u);
}

TEST_F(ViewTest, DropLoadsFirstFileAndFailedLoadKeepsPicture)
{
    Show(300, 300);
    const QString first = QString::fromStdString(WritePicture(m_dir, "first.png", PatternImage(40, 30)));
    const QString second = QString::fromStdString(WritePicture(m_dir, "second.png", PatternImage(80, 60)));
    DropFiles(m_pView.get(), {first, second, second});
    EXPECT_EQ(m_frame.m_opened, std::vector<std::string>{first.toStdString()});
    EXPECT_EQ(m_frame.m_titles, m_frame.m_opened);
    EXPECT_EQ(m_pView->WorkingImage().m_gxImg.width, 40);
    DropFiles(m_pView->Canvas()->Surface(), {second}); // as a platform may deliver it, to the GL window
    EXPECT_EQ(m_pView->WorkingImage().m_gxImg.width, 80);
    DropFiles(m_pView.get(), {first});

    // Every file that cannot be shown keeps the picture and says why on a second line: the
    // decoder's reason, or the texture limit.
    ASSERT_TRUE(WriteFileBytes(m_dir.File("broken.png"), {0x89, 'P', 'N', 'G', 1, 2, 3}));
    ASSERT_TRUE(WriteFileBytes(m_dir.File("empty.png"), {}));
    ASSERT_EQ(::mkfifo(m_dir.File("fifo.png").c_str(), 0600), 0);
    std::filesystem::create_directories(m_dir.File("folder.png"));
    GLint maxSide = 0;
    m_pView->Canvas()->makeCurrent();
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    m_pView->Canvas()->doneCurrent();
    ASSERT_GT(maxSide, 0);
    WritePicture(m_dir, "wide.png", Filled(Qt::red, maxSide + 1, 1));
    const std::string head = std::string(GetStringTable().GetStringAt(StbImageOpenText)) + "\n";
    for (const char* name : {"broken.png", "empty.png", "fifo.png", "folder.png", "wide.png"})
    {
        EXPECT_FALSE(Load(m_dir.File(name)));
        ASSERT_EQ(m_messages.m_messages.size(), 1u) << name;
        const std::string text = m_messages.m_messages[0].m_strText;
        EXPECT_EQ(text.substr(0, head.size()), head) << name;
        EXPECT_GT(text.size(), head.size()) << name;
        if (name == std::string("wide.png"))
        {
            EXPECT_EQ(text.substr(head.size()), std::to_string(maxSide + 1) + " pixels wide: the view shows at most " +
                                                     std::to_string(maxSide));
        }
        EXPECT_EQ(m_messages.m_messages[0].m_strCaption, GetStringTable().GetStringAt(StbImageOpenCaption));
        m_messages.m_messages.clear();
    }
    EXPECT_EQ(m_frame.m_opened.size(), 3u);
    EXPECT_EQ(PixelAt(5, 5), PatternImage(40, 30).pixelColor(5, 5));
}
