#pragma once
// The image view: the working image in the top-left corner of a GL surface at a zoom from 1/8 to
// 32 (100% at first: one picture pixel per device pixel), scroll bars when it does not fit, the
// split grid drawn over it in red, single split lines dragged with the mouse or nudged with the
// arrow keys, and the load command for a file dropped on it or opened by the frame. Transparent
// parts of the picture show a grey checkerboard (a view option); the blue-grey background lies
// around the picture.
//
// One mapping (SViewMapping) places the picture, the lines, the pointer and the scroll bars, so
// that they agree at every device pixel ratio and zoom.
//
// The engine's render device adopts the GL context of the view's surface, so the working image's
// texture lives in that context: everything that touches the texture runs inside a CViewGlScope.

#include "image/WorkingImage.h"
#include "ops/SplitGrid.h"
#include "view/ViewMapping.h"
#include "view/ViewSurface.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class QScrollBar;
class QTimer;
class CMosvaneView;

// The view's client area: it holds the GL window, takes the pointer and keys, and knows what was
// drawn.
class CViewCanvas : public QWidget
{
    Q_OBJECT
public:
    explicit CViewCanvas(CMosvaneView& view);

    // Frames drawn since the surface was made, for tests and measurements; frameSwapped tells when
    // one reached the screen.
    uint64_t FramesDrawn() const { return m_nFramesDrawn; }
    // The frame as the view draws it now, in device pixels.
    QImage grabFramebuffer();
    QOpenGLContext* context() const { return m_pSurface->Context(); }
    void makeCurrent() { m_pSurface->MakeCurrent(); }
    void doneCurrent();
    CViewSurface* Surface() const { return m_pSurface; }

signals:
    void frameSwapped();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    friend class CViewSurface;

    CMosvaneView& m_view;
    CViewSurface* m_pSurface = nullptr;
    uint64_t m_nFramesDrawn = 0;
    // Wheel turns below one notch (fine-grained wheels and touchpads), kept until they make one.
    int m_nZoomWheel = 0;
};

class CMosvaneView : public QWidget
{
    Q_OBJECT
public:
    // Scroll steps of the arrow buttons (and of the arrow keys on a bar), in pointer pixels.
    static constexpr int kLineStep = 20;
    // Background behind and around the picture.
    static constexpr float kBackground[3] = {0.4f, 0.4f, 0.6f};
    // The checkerboard under transparent parts: its two greys and its square, in pointer pixels.
    static constexpr uint8_t kCheckerLight = 204;
    static constexpr uint8_t kCheckerDark = 153;
    static constexpr int kCheckerSquare = 8;
    // Split lines are this many pointer pixels wide.
    static constexpr float kLineWidth = 2.0f;
    // The arrow keys move a selected line by one picture pixel, with Shift by this many.
    static constexpr int kLargeNudge = 10;

    explicit CMosvaneView(QWidget* parent = nullptr);
    ~CMosvaneView() override;

    // False when the image engine could not be started; the frame then cannot be made.
    bool IsCreated() const { return m_bEngineStarted; }

    // The load command: loads path as the working image and, on success, tells the frame (title,
    // image-opened update), resets the scroll bars to the top left and empties the split grid.
    // The zoom stays. On failure the string-table warning is shown and the current picture stays.
    bool LoadCommand(const std::string& path);

    CWorkingImage& WorkingImage() { return m_image; }
    CSplitGrid& SplitGrid() { return m_grid; }
    bool HasImage() const { return m_image.HasImage(); }

    // Lays an even grid of rows x cols over the working image and redraws (the "Draw Split Line"
    // command's last step); false, with the grid unchanged, when no such grid fits.
    bool DrawSplitLines(int32_t rows, int32_t cols);

    // Repaints at once (the frame's pixels are drawn before this returns).
    void RedrawNow();

    // Zoom: device pixels per picture pixel, kept within the mapping's limits. SetZoom keeps the
    // picture point at the surface's centre in place, SetZoomAt the one under a pointer position.
    double Zoom() const { return m_dZoom; }
    void SetZoom(double zoom);
    void SetZoomAt(double zoom, QPointF pointer);
    void ZoomIn() { SetZoom(NextZoomStep(m_dZoom, 1)); }
    void ZoomOut() { SetZoom(NextZoomStep(m_dZoom, -1)); }
    void ZoomToFit();

    bool Checkerboard() const { return m_bCheckerboard; }
    void SetCheckerboard(bool bOn);

    // The mapping as it stands (zoom, device pixel ratio, scroll positions).
    SViewMapping Mapping() const;
    // The picture pixel under a pointer position; false when the pointer is not over the picture.
    bool PixelUnder(QPointF pointer, int64_t& x, int64_t& y) const;

    // The line the person last grabbed, which the arrow keys move; none after a new grid.
    const SGridLineHit& SelectedLine() const { return m_selected; }
    // Moves the selected line by delta picture pixels (as far as its neighbours allow).
    bool NudgeSelectedLine(int64_t delta);

    // What the status bar shows of the pointer: the pixel and its colour, or the dragged line.
    const QString& PointerText() const { return m_strPointer; }

    CViewCanvas* Canvas() const { return m_pCanvas; }
    QScrollBar* HorizontalBar() const { return m_pHorizontal; }
    QScrollBar* VerticalBar() const { return m_pVertical; }
    // Client size in device pixels, from the last resize with both sides non-zero.
    int ClientWidth() const { return m_nClientWidth; }
    int ClientHeight() const { return m_nClientHeight; }
    // Whether the render device was made when the surface was first shown.
    bool HasDevice() const { return m_hDevice != nullptr; }
    // The opened picture is wholly in GL and its opacity known, and the previous one is freed: the
    // work an open leaves for later turns of the event loop is done. For tests and measurements.
    bool PictureComplete() const;

signals:
    // A picture was loaded by the load command.
    void ImageLoaded();
    void ZoomChanged(double zoom);
    void PointerTextChanged(const QString& text);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class CViewCanvas;
    friend class CViewSurface;
    friend class CViewGlScope;

    void CreateDevice();
    // New pixels in the working image: its reduced levels are made again and its opacity found again.
    void PixelsRenewed();
    // One step of what an open leaves for the event loop's idle turns: the previous picture freed,
    // the texture's next rows, the whole picture's opacity.
    void UploadStep();
    // The whole texture and opacity, for a frame that needs more than the first block (the GL
    // context current); false when GL refused the texture, the picture then being given up.
    bool FinishPicture();
    void PictureRefused();
    // The texture a frame showing the picture up to (right, bottom) is drawn from, of width x
    // height pixels (given as the picture's); 0 when there is none.
    GLuint FrameTexture(double right, double bottom, double& width, double& height);
    void ClientResized();
    void UpdateScrollBars();
    // Scrolls so that the zoomed picture point (device pixels from the picture's corner) lies at
    // the device position on the surface, as far as the bars allow.
    void ScrollTo(double zoomedX, double zoomedY, double surfaceX, double surfaceY);
    void Paint();
    // The picture's part from (left, top) to (right, bottom), in picture pixels, from a texture of
    // textureWidth x textureHeight pixels holding the picture's top-left corner.
    void DrawPicture(GLuint texture, double left, double top, double right, double bottom, double textureWidth,
                     double textureHeight);
    void WarmPictureDrawing();
    void DrawCheckerboard(double left, double top, double right, double bottom, double square);
    void UsePictureFilters();
    double DeviceRatio() const;

    // Pointer events of the surface.
    void PointerPressed(QPointF pointer);
    void PointerMoved(QPointF pointer);
    void UpdateCursor(QPointF pointer);
    void SetPointerText(const QString& text);
    void DescribePixel(QPointF pointer);
    void DescribeSelectedLine();

    CViewCanvas* m_pCanvas = nullptr;
    QScrollBar* m_pHorizontal = nullptr;
    QScrollBar* m_pVertical = nullptr;

    GX_DEVICE m_hDevice = nullptr;
    bool m_bEngineStarted = false;
    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
    CWorkingImage m_image;
    CSplitGrid m_grid;

    double m_dZoom = 1.0;
    bool m_bCheckerboard = true;
    GLuint m_nCheckerTexture = 0;
    // The working image's texture has its reduced levels (made on the first reduced frame).
    bool m_bMipmapped = false;
    // Every pixel of the working image is opaque (found when its pixels are loaded or changed), or,
    // while m_bOpacityOfBlock, every pixel of its first block.
    bool m_bOpaque = false;
    bool m_bOpacityOfBlock = false;
    // Runs UploadStep on idle turns until the open's remaining work is done.
    QTimer* m_pUploadTimer = nullptr;
    // Scroll bars are being set up together: one redraw afterwards, not one per change.
    bool m_bAdjusting = false;
    SGridLineHit m_selected;
    QString m_strPointer;
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

// Logs the failed check of a render device that could not be made: "m_hDevice != NULL" in
// MosvaneView, line 68, where readers of the log know it.
void LogMissingRenderDevice();
