// The window's two figures on Mesa's llvmpipe, run on a virtual display: the time from the Open
// command to the first frame drawn for a 4096 x 4096 PNG (beside the engine's own load of the
// file; and, for the record, to the end of the work the open leaves for idle turns), and the time
// from a drag of a split line over that picture to the frame presented in a 1280 x 800 view, at
// 100% and at 400%.
// Every figure is the best (and the median) of a few runs, in wall time and, since a shared machine
// stretches wall time, also in the process's CPU time (all threads, llvmpipe's included).

#include "config/StringTable.h"
#include "ops/FrameHooks.h"
#include "ui/Application.h"
#include "ui/CommandIds.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"
#include "view/MosvaneView.h"

#include <QApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{
constexpr int kSide = 4096;
constexpr int kRuns = 5;

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Figures
{
    double best, median;
};

Figures Summary(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

// A photograph-like picture: gradients and shapes, written once as PNG.
QString WritePicture(const QTemporaryDir& dir)
{
    QImage image(kSide, kSide, QImage::Format_RGBA8888);
    for (int y = 0; y < kSide; ++y)
    {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < kSide; ++x)
        {
            row[4 * x] = uchar(x / 16);
            row[4 * x + 1] = uchar(y / 16);
            row[4 * x + 2] = uchar(((x ^ y) >> 5) * 9);
            row[4 * x + 3] = 255;
        }
    }
    const QString path = dir.filePath(QStringLiteral("big.png"));
    image.save(path, "PNG", 50);
    return path;
}

// Waits until the GL work of the view is done, so that times include the drawing itself.
void FinishGl(CMosvaneView& view)
{
    CViewGlScope gl(view);
    if (QOpenGLContext* context = QOpenGLContext::currentContext())
        context->functions()->glFinish();
}
} // namespace

int main(int argc, char** argv)
{
    PrepareGlEnvironment();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    GetStringTable().LoadStringTable(QCoreApplication::applicationDirPath().toStdString());
    const QString path = WritePicture(dir);
    const std::string file = path.toStdString();

    std::vector<double> engine, engineCpu;
    for (int i = 0; i < kRuns; ++i)
    {
        const auto start = Clock::now();
        const double cpu = CpuMs();
        const GX_IMAGE image = gxLoadImage(file.c_str());
        engine.push_back(Ms(Clock::now() - start));
        engineCpu.push_back(CpuMs() - cpu);
        gxDestroyImage(image.id);
    }

    CMainFrameWindow frame;
    QSettings settings(QStringLiteral("MosvaneBench"), QStringLiteral("ViewBench"));
    frame.RestoreAndShow(settings);
    frame.resize(1280 + 300, 800 + 120);
    if (!QTest::qWaitForWindowExposed(&frame))
    {
        std::fprintf(stderr, "bench_view: the window was not shown\n");
        return 1;
    }
    const CFrameHooks quiet(FrameHooks{&frame, [](auto&&...) {}});
    SDialogHooks answers;
    answers.m_fnOpenFile = [&](QWidget*, const QString&, std::string& chosen) {
        chosen = file;
        return true;
    };
    SetDialogHooks(answers);
    CMosvaneView& view = *frame.View();

    // Each open starts when the previous one's idle work is done, as it would for a person.
    std::vector<double> open, openCpu, whole;
    for (int i = 0; i < kRuns; ++i)
    {
        const uint64_t drawn = view.Canvas()->FramesDrawn();
        const auto start = Clock::now();
        const double cpu = CpuMs();
        frame.OnCommand(IdFileOpen);
        FinishGl(view);
        const double ms = Ms(Clock::now() - start);
        const double cpuMs = CpuMs() - cpu;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!view.PictureComplete() && Clock::now() < deadline)
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        FinishGl(view);
        if (view.Canvas()->FramesDrawn() > drawn && view.PictureComplete())
        {
            open.push_back(ms);
            openCpu.push_back(cpuMs);
            whole.push_back(Ms(Clock::now() - start));
        }
    }

    // The view itself 1280 x 800, a 3 x 3 grid, its first column line dragged back and forth, at
    // 100% and at 400%. Each move is timed from the input event to the frame presented: the
    // toolkit's frameSwapped after the view drew, not the repaint the move only schedules.
    view.Canvas()->setFixedSize(1280, 800);
    QApplication::processEvents();
    uint64_t swapped = 0;
    QObject::connect(view.Canvas(), &CViewCanvas::frameSwapped, [&] { ++swapped; });
    const auto presented = [&](uint64_t before) {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (swapped == before && Clock::now() < deadline)
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        return swapped != before;
    };
    std::vector<double> repaint[2], repaintCpu[2];
    const double zooms[2] = {1.0, 4.0};
    for (int z = 0; z < 2; ++z)
    {
        view.DrawSplitLines(3, 3);
        view.SetZoomAt(zooms[z], QPointF(0, 0));
        const int line = int(double(view.SplitGrid().ColumnLines()[0]) * zooms[z]);
        view.HorizontalBar()->setValue(std::max(0, line - 200));
        presented(swapped);
        const int x = line - view.HorizontalBar()->value();
        QTest::mousePress(view.Canvas(), Qt::LeftButton, {}, QPoint(x, 100));
        for (int i = 1; i <= 40; ++i)
        {
            const uint64_t before = swapped;
            const auto start = Clock::now();
            const double cpu = CpuMs();
            QTest::mouseMove(view.Canvas(), QPoint(x + (i % 20) * 5, 100));
            if (!presented(before))
                break;
            repaint[z].push_back(Ms(Clock::now() - start));
            repaintCpu[z].push_back(CpuMs() - cpu);
        }
        QTest::mouseRelease(view.Canvas(), Qt::LeftButton, {}, QPoint(x, 100));
    }

    if (open.empty() || repaint[0].empty() || repaint[1].empty())
    {
        std::fprintf(stderr, "bench_view: the view presented no frame (no GL?)\n");
        return 1;
    }
    const Figures e = Summary(engine), o = Summary(open), w = Summary(whole);
    const Figures ec = Summary(engineCpu), oc = Summary(openCpu);
    std::printf("engine load of a %dx%d PNG     best %7.1f ms  median %7.1f ms\n", kSide, kSide, e.best, e.median);
    std::printf("Open to first frame drawn        best %7.1f ms  median %7.1f ms  (%.2f x the engine's load)\n",
                o.best, o.median, o.median / e.median);
    std::printf("Open to the whole picture in GL      best %7.1f ms  median %7.1f ms  (idle turns after the frame)\n",
                w.best, w.median);
    for (int z = 0; z < 2; ++z)
    {
        const Figures r = Summary(repaint[z]), rc = Summary(repaintCpu[z]);
        std::printf("drag to frame presented, 1280x800 at %3.0f%%   best %7.2f ms  median %7.2f ms  max %.2f ms  "
                    "(CPU median %.2f ms)\n",
                    zooms[z] * 100, r.best, r.median, *std::max_element(repaint[z].begin(), repaint[z].end()),
                    rc.median);
    }
    std::printf("CPU time (all threads), medians: engine load %.1f ms, Open to first frame %.1f ms (%.2f x)\n",
                ec.median, oc.median, oc.median / ec.median);
    return 0;
}
