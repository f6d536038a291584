// Pictures of the whole window, for people to look at: build/screenshots/ (make screenshots).

#include "GuiTesting.h"

#include "ui/MainFrm.h"
#include "view/MosvaneView.h"

#include <QDir>
#include <QPainter>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

using namespace mosvane::test;

namespace
{
// A picture with something to cut: a gradient sky, a ground and a few shapes.
QImage ScenePicture()
{
    QImage image(640, 420, QImage::Format_RGBA8888);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor(60, 110, 190));
    sky.setColorAt(1, QColor(230, 200, 150));
    p.fillRect(image.rect(), sky);
    p.fillRect(QRect(0, 300, 640, 120), QColor(70, 120, 60));
    p.setBrush(QColor(250, 220, 80));
    p.drawEllipse(QPoint(500, 90), 45, 45);
    p.setBrush(QColor(120, 80, 60));
    p.drawRect(QRect(120, 200, 140, 100));
    p.setBrush(QColor(170, 40, 40));
    p.drawPolygon(QPolygon({QPoint(110, 200), QPoint(190, 140), QPoint(270, 200)}));
    return image;
}
} // namespace

TEST(Screenshot, WindowWithPictureAndDraggedSplitGrid)
{
    CTempDir dir;
    CMainFrameWindow frame(dir.Path());
    QSettings settings;
    settings.clear();
    frame.RestoreAndShow(settings);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    frame.resize(1200, 760);
    Settle();
    CMessageRecorder messages;
    CMosvaneView& view = *frame.View();
    ASSERT_TRUE(view.LoadCommand(WritePicture(dir, "scene.png", ScenePicture())));
    ASSERT_TRUE(view.DrawSplitLines(3, 4));
    // One column line dragged 30 pixels right, as a person would.
    const int x = int(view.SplitGrid().ColumnLines()[1]);
    QTest::mousePress(view.Canvas(), Qt::LeftButton, {}, QPoint(x, 50));
    QTest::mouseMove(view.Canvas(), QPoint(x + 30, 50));
    QTest::mouseRelease(view.Canvas(), Qt::LeftButton, {}, QPoint(x + 30, 50));
    EXPECT_EQ(view.SplitGrid().ColumnLines()[1], x + 30);
    Settle();

    const QString folder = QStringLiteral(MOSVANE_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QImage shot = frame.grab().toImage();
    ASSERT_TRUE(shot.save(folder + QStringLiteral("/main-window.png")));
    // The picture is in the shot where the view shows it.
    const QPoint inView = view.Canvas()->mapTo(&frame, QPoint(5, 5));
    EXPECT_EQ(QColor(shot.pixel(inView)), QColor(ScenePicture().pixel(5, 5)));
    EXPECT_TRUE(messages.m_messages.empty());
}
