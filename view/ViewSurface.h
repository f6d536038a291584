#pragma once
// The view's native GL window, which the canvas holds, and what it shares with the view.

#include <QOpenGLContext>
#include <QString>
#include <QWindow>

#include <memory>

class QMimeData;
class CMosvaneView;
class CViewCanvas;

// The native GL window inside the canvas. It draws straight into its own window: a frame costs the
// view's drawing and one copy to the screen, with no offscreen framebuffer composed into the main
// window afterwards. Pointer, wheel and key events it receives go to the canvas.
class CViewSurface : public QWindow
{
public:
    CViewSurface(CMosvaneView& view, CViewCanvas& canvas);
    ~CViewSurface() override;

    QOpenGLContext* Context() const { return m_pContext.get(); }
    bool MakeCurrent();
    // Draws a frame and presents it, when the window is on the screen.
    void Present();
    // The frame as drawn now, read from the back buffer (not presented); null without a context.
    QImage Grab();
    bool PointerInside() const { return m_bPointerInside; }

protected:
    void exposeEvent(QExposeEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Makes the context (and, the first time, the view's render device) current; false when GL
    // cannot be had for this window.
    bool Prepare();
    // Gives the render device the window's size in device pixels (with the context current).
    QSize FollowSize();

    CMosvaneView& m_view;
    CViewCanvas& m_canvas;
    std::unique_ptr<QOpenGLContext> m_pContext;
    bool m_bFailed = false;
    QSize m_deviceSize;
    bool m_bPointerInside = false;
};

// The first dropped item that names a local file, or empty.
QString FirstDroppedFile(const QMimeData* mime);
