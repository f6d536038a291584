#pragma once
// The image view: the working image at its natural size in the top-left corner of a GL surface,
// scroll bars when it does not fit, the split grid drawn over it in red, single split lines
// dragged with the mouse, and the load command for a file dropped on it or opened by the frame.
//
// The engine's render device adopts the GL context of the view's surface, so the working image's
// texture lives in that context: everything that touches the texture runs inside a CViewGlScope.

#include "image/WorkingImage.h"
#include "ops/SplitGrid.h"

#include <QOpenGLWidget>
#include <QWidget>

#include <cstdint>
#include <string>

class QScrollBar;
class CMosvaneView;

// The GL surface of the view; its size is the view's client area.
class CViewCanvas : public QOpenGLWidget
{
    Q_OBJECT
public:
    explicit CViewCanvas(CMosvaneView& view);

    // Frames drawn since the surface was made (paintGL calls), for tests and measurements.
    uint64_t FramesDrawn() const { return m_nFramesDrawn; }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CMosvaneView& m_view;
    uint64_t m_nFramesDrawn = 0;
};

class CMosvaneView : public QWidget
{
    Q_OBJECT
public:
    // Scroll steps of the arrow buttons (and of the arrow keys on a bar).
    static constexpr int kLineStep = 20;
    // Background behind and around the picture.
    static constexpr float kBackground[3] = {0.4f, 0.4f, 0.6f};

    explicit CMosvaneView(QWidget* parent = nullptr);
    ~CMosvaneView() override;

    // False when the image engine could not be started; the frame then cannot be made.
    bool IsCreated() const { return m_bEngineStarted; }

    // The load command: loads path as the working image and, on success, tells the frame (title,
    // image-opened update), resets the scroll bars to the top left and empties the split grid.
    // On failure the string-table warning is shown and the current picture stays.
    bool LoadCommand(const std::string& path);

    CWorkingImage& WorkingImage() { return m_image; }
    CSplitGrid& SplitGrid() { return m_grid; }
    bool HasImage() const { return m_image.HasImage(); }

    // Lays an even grid of rows x cols over the working image and redraws (the "Draw Split Line"
    // command's last step); false, with the grid unchanged, when no such grid fits.
    bool DrawSplitLines(int32_t rows, int32_t cols);

    // Repaints at once (the frame's pixels are drawn before this returns).
    void RedrawNow();

    CViewCanvas* Canvas() const { return m_pCanvas; }
    QScrollBar* HorizontalBar() const { return m_pHorizontal; }
    QScrollBar* VerticalBar() const { return m_pVertical; }
    // Client size from the last resize with both sides non-zero.
    int ClientWidth() const { return m_nClientWidth; }
    int ClientHeight() const { return m_nClientHeight; }
    // Whether the render device was made when the surface was first shown.
    bool HasDevice() const { return m_hDevice != nullptr; }

    // The image point under a client point.
    int64_t ImageX(int clientX) const;
    int64_t ImageY(int clientY) const;

signals:
    // A picture was loaded by the load command.
    void ImageLoaded();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class CViewCanvas;
    friend class CViewGlScope;

    void CreateDevice();
    void ClientResized(int width, int height);
    void UpdateScrollBars();
    void Paint();
    void UpdateCursor(int clientX, int clientY);

    CViewCanvas* m_pCanvas = nullptr;
    QScrollBar* m_pHorizontal = nullptr;
    QScrollBar* m_pVertical = nullptr;

    GX_DEVICE m_hDevice = nullptr;
    bool m_bEngineStarted = false;
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
    CWorkingImage m_image;
    CSplitGrid m_grid;
};

// Makes the view's GL context current for the life of the guard (when the surface exists), so
// that the working image's texture can be made, replaced or freed.
class CViewGlScope
{
public:
    explicit CViewGlScope(CMosvaneView& view);
    ~CViewGlScope();
    CViewGlScope(const CViewGlScope&) = delete;
    CViewGlScope& operator=(const CViewGlScope&) = delete;

    bool Current() const { return m_bCurrent; }

private:
    CViewCanvas& m_canvas;
    bool m_bCurrent = false;
};
