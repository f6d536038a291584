#include "view/ViewSurface.h"

#include "view/MosvaneView.h"

#include <QCoreApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWheelEvent>

QString FirstDroppedFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    const QList<QUrl> urls = mime->urls();
    return urls.isEmpty() ? QString() : urls.front().toLocalFile();
}

CViewSurface::CViewSurface(CMosvaneView& view, CViewCanvas& canvas) : m_view(view), m_canvas(canvas)
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(QSurfaceFormat::defaultFormat());
}

CViewSurface::~CViewSurface() = default;

bool CViewSurface::Prepare()
{
    if (m_bFailed || !handle())
        return false;
    if (!m_pContext)
    {
        auto context = std::make_unique<QOpenGLContext>();
        context->setFormat(requestedFormat());
        if (!context->create() || !context->makeCurrent(this))
        {
            m_bFailed = true;
            return false;
        }
        m_pContext = std::move(context);
        m_view.CreateDevice();
        return true;
    }
    return m_pContext->makeCurrent(this);
}

bool CViewSurface::MakeCurrent()
{
    return Prepare();
}

QSize CViewSurface::FollowSize()
{
    // The surface's framebuffer size, rounded as the toolkit rounds it.
    const QSize device = size() * devicePixelRatio();
    if (device != m_deviceSize && !device.isEmpty())
    {
        m_deviceSize = device;
        if (m_view.m_hDevice)
            gxResizeCurrentDevice(device.width(), device.height());
    }
    return device;
}

void CViewSurface::Present()
{
    if (!isExposed() || !Prepare())
        return;
    FollowSize();
    ++m_canvas.m_nFramesDrawn;
    m_view.Paint();
    m_pContext->swapBuffers(this);
    emit m_canvas.frameSwapped();
}

QImage CViewSurface::Grab()
{
    if (!Prepare())
        return {};
    const QSize device = FollowSize();
    if (device.isEmpty())
        return {};
    m_view.Paint();
    QImage image(device, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, device.width(), device.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // GL's rows run from the bottom up.
    image.mirror();
    image.setDevicePixelRatio(devicePixelRatio());
    return image;
}

void CViewSurface::exposeEvent(QExposeEvent*)
{
    Present();
}

bool CViewSurface::event(QEvent* event)
{
    // The canvas handles what the person does over the picture, whichever of the two receives it.
    switch (event->type())
    {
    case QEvent::MouseButtonPress:
        m_canvas.setFocus(Qt::MouseFocusReason);
        m_canvas.mousePressEvent(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseMove:
        m_canvas.mouseMoveEvent(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseButtonRelease:
        m_canvas.mouseReleaseEvent(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::Wheel:
        m_canvas.wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    case QEvent::KeyPress:
        QCoreApplication::sendEvent(&m_canvas, event);
        return true;
    case QEvent::Enter:
        m_bPointerInside = true;
        break;
    case QEvent::Leave:
        m_bPointerInside = false;
        m_canvas.leaveEvent(event);
        break;
    case QEvent::UpdateRequest:
        Present();
        return true;
    // Where the platform hands a drop to the window under the pointer rather than to the top-level
    // window, the files still reach the view.
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        if (!FirstDroppedFile(move->mimeData()).isEmpty())
            move->acceptProposedAction();
        return true;
    }
    case QEvent::Drop:
        m_view.dropEvent(static_cast<QDropEvent*>(event));
        return true;
    default:
        break;
    }
    return QWindow::event(event);
}
