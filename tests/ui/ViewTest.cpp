// The image view on its own: scroll bars, the pixels it draws, the split grid and its dragging,
// dropped files and the load command's failure.

#include "GuiTesting.h"

#include "config/StringTable.h"
#include "view/MosvaneView.h"

#include <QMouseEvent>
#include <QScrollBar>

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
    // A view of the given client size on screen (no bars yet), with a frame double installed.
    void Show(int width, int height)
    {
        m_pView = std::make_unique<CMosvaneView>();
        m_pView->resize(width, height);
        m_pView->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pView.get()));
        Settle();
        ASSERT_TRUE(m_pView->HasDevice());
    }
    bool Load(const std::string& path)
    {
        const bool loaded = m_pView->LoadCommand(path);
        Settle();
        return loaded;
    }
    void Drag(int fromX, int fromY, int toX, int toY) { mosvane::test::Drag(m_pView->Canvas(), {fromX, fromY}, {toX, toY}); }
    // The colour of a framebuffer pixel as drawn now, opaque channels only.
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

TEST_F(ViewTest, ScrollBarsFollowPictureAndClientSizesAndReset)
{
    const std::string path = WritePicture(m_dir, "p.png", PatternImage(300, 200));
    for (const int width : {400, 200})
    {
        Show(width, 400);
        ASSERT_TRUE(Load(path));
        EXPECT_FALSE(m_pView->VerticalBar()->isVisible());
        EXPECT_EQ(m_pView->HorizontalBar()->isVisible(), width < 300) << width;
    }
    // Positions run 0 .. extent - client with a page of client: a range of 0..extent.
    QScrollBar* bar = m_pView->HorizontalBar();
    EXPECT_EQ(bar->maximum() + bar->pageStep(), 300);
    EXPECT_EQ(bar->pageStep(), 200);
    EXPECT_EQ(bar->singleStep(), 20);
    // A second open clears the grid and scrolls back to the top left.
    ASSERT_TRUE(m_pView->DrawSplitLines(3, 3));
    bar->setValue(50);
    ASSERT_TRUE(Load(path));
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
    const QImage picture = PatternImage(300, 100);
    ASSERT_TRUE(Load(WritePicture(m_dir, "p.png", picture)));
    for (const QPoint p : {QPoint(0, 0), QPoint(57, 33), QPoint(199, 99)})
        EXPECT_EQ(PixelAt(p.x(), p.y()), picture.pixelColor(p)) << p.x() << "," << p.y();
    EXPECT_EQ(PixelAt(10, 120), kBackground); // below the picture

    m_pView->HorizontalBar()->setValue(60);
    EXPECT_EQ(PixelAt(0, 10), picture.pixelColor(60, 10));
    EXPECT_EQ(PixelAt(139, 50), picture.pixelColor(199, 50));

    // Half-transparent pixels show the background through them; the surface stays opaque.
    ASSERT_TRUE(Load(WritePicture(m_dir, "half.png", PatternImage(50, 50, 128))));
    const QColor c = m_pView->Canvas()->grabFramebuffer().pixelColor(40, 20);
    EXPECT_NEAR(c.red(), (40 * 128 + 102 * 127) / 255, 2);
    EXPECT_NEAR(c.blue(), (60 * 128 + 153 * 127) / 255, 2);
    EXPECT_EQ(c.alpha(), 255);
}

TEST_F(ViewTest, SplitGridDrawnAndDraggedWithinReach)
{
    Show(400, 300);
    ASSERT_TRUE(Load(WritePicture(m_dir, "p.png", PatternImage(200, 100))));
    ASSERT_TRUE(m_pView->DrawSplitLines(2, 2)); // lines at x = 100 and y = 50
    for (const QPoint p : {QPoint(99, 20), QPoint(100, 70), QPoint(30, 49), QPoint(150, 50)})
        EXPECT_EQ(PixelAt(p.x(), p.y()), kRed) << p.x() << "," << p.y();
    EXPECT_NE(PixelAt(97, 20), kRed);

    CSplitGrid& grid = m_pView->SplitGrid();
    Drag(96, 20, 140, 20); // 4 pixels left: not grabbed
    EXPECT_EQ(grid.ColumnLines(), std::vector<int64_t>{100});
    Drag(97, 20, 140, 20); // 3 pixels left: grabbed
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
    for (const auto& [point, shape] : {std::pair{QPoint(141, 20), Qt::SizeHorCursor},
                                       std::pair{QPoint(20, 90), Qt::SizeVerCursor},
                                       std::pair{QPoint(20, 20), Qt::ArrowCursor}})
    {
        QMouseEvent hover(QEvent::MouseMove, point, m_pView->Canvas()->mapToGlobal(point), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_pView->Canvas(), &hover);
        EXPECT_EQ(m_pView->Canvas()->cursor().shape(), shape) << point.x() << "," << point.y();
    }
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

    const std::string broken = m_dir.File("broken.png");
    ASSERT_TRUE(WriteFileBytes(broken, {0x89, 'P', 'N', 'G', 1, 2, 3}));
    EXPECT_FALSE(Load(broken));
    ASSERT_EQ(m_messages.m_messages.size(), 1u);
    EXPECT_EQ(m_messages.m_messages[0].m_strText, GetStringTable().GetStringAt(StbImageOpenText));
    EXPECT_EQ(m_messages.m_messages[0].m_strCaption, GetStringTable().GetStringAt(StbImageOpenCaption));
    EXPECT_EQ(m_frame.m_opened.size(), 1u);
    EXPECT_EQ(PixelAt(5, 5), PatternImage(40, 30).pixelColor(5, 5));
}
