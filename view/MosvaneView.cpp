#include "view/MosvaneView.h"

#include "config/Log.h"
#include "config/StringTable.h"
#include "engine/GlTexture.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>

namespace
{
constexpr float kLineColour[3] = {1.0f, 0.0f, 0.0f};
constexpr float kLineWidth = 2.0f;

// The first dropped item that names a local file, or empty.
QString FirstDroppedFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    const QList<QUrl> urls = mime->urls();
    return urls.isEmpty() ? QString() : urls.front().toLocalFile();
}

// A hidden bar scrolls nothing: a picture that fits again is shown from its top left.
void HideBar(QScrollBar& bar)
{
    bar.setRange(0, 0);
    bar.hide();
}

// Shows a bar for `extent` image pixels in `client` pixels: positions 0 .. extent - client, one
// page of client pixels; the bar itself lowers a position that no longer fits.
void FitBar(QScrollBar& bar, int extent, int client)
{
    if (extent <= client)
    {
        HideBar(bar);
        return;
    }
    bar.setRange(0, extent - client);
    bar.setPageStep(client);
    bar.show();
}
} // namespace

CViewCanvas::CViewCanvas(CMosvaneView& view) : QOpenGLWidget(&view), m_view(view)
{
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("Image View"));
}

void CViewCanvas::initializeGL()
{
    m_view.CreateDevice();
}

void CViewCanvas::resizeGL(int width, int height)
{
    if (m_view.m_hDevice && width > 0 && height > 0)
        gxResizeCurrentDevice(width, height);
}

void CViewCanvas::paintGL()
{
    ++m_nFramesDrawn;
    m_view.Paint();
}

void CViewCanvas::resizeEvent(QResizeEvent* event)
{
    QOpenGLWidget::resizeEvent(event);
    m_view.ClientResized(width(), height());
}

void CViewCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (m_view.m_grid.BeginDrag(m_view.ImageX(pos.x()), m_view.ImageY(pos.y())))
        m_view.UpdateCursor(pos.x(), pos.y());
}

void CViewCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (!m_view.m_grid.m_bDragging)
    {
        m_view.UpdateCursor(pos.x(), pos.y());
        return;
    }
    m_view.m_grid.DragTo(m_view.ImageX(pos.x()), m_view.ImageY(pos.y()));
    m_view.RedrawNow();
}

void CViewCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_view.m_grid.m_bDragging)
        m_view.m_grid.EndDrag();
}

CMosvaneView::CMosvaneView(QWidget* parent) : QWidget(parent)
{
    m_bEngineStarted = gxInitialize();
    // Operations that change the pixels renew the texture, then the view shows them.
    m_image.SetRedrawCallback([this] { RedrawNow(); });
    setAcceptDrops(true);
    setAccessibleName(QStringLiteral("Image View"));

    m_pCanvas = new CViewCanvas(*this);
    m_pHorizontal = new QScrollBar(Qt::Horizontal, this);
    m_pVertical = new QScrollBar(Qt::Vertical, this);
    m_pHorizontal->setAccessibleName(QStringLiteral("Horizontal Scroll Bar"));
    m_pVertical->setAccessibleName(QStringLiteral("Vertical Scroll Bar"));
    for (QScrollBar* bar : {m_pHorizontal, m_pVertical})
    {
        bar->setSingleStep(kLineStep);
        bar->setRange(0, 0);
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, [this] { RedrawNow(); });
    }

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pCanvas, 0, 0);
    layout->addWidget(m_pVertical, 0, 1);
    layout->addWidget(m_pHorizontal, 1, 0);
}

CMosvaneView::~CMosvaneView()
{
    {
        // The texture belongs to the view's context; the image goes with the engine below.
        CViewGlScope gl(*this);
        m_image.ReleaseImage();
        gxDestroyRenderDevice(m_hDevice);
        m_hDevice = nullptr;
    }
    if (m_bEngineStarted)
        gxDestroy();
}

void CMosvaneView::CreateDevice()
{
    m_hDevice = gxCreateRenderDevice(this);
    if (!MOSVANE_CHECKF(m_hDevice != nullptr))
        return;
    gxClearDevice(kBackground);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glEnable(GL_TEXTURE_2D);
    UpdateScrollBars();
}

void CMosvaneView::ClientResized(int width, int height)
{
    // A minimised or collapsed view keeps the size it had: nothing to fit into a zero side.
    if (width <= 0 || height <= 0)
        return;
    m_nClientWidth = width;
    m_nClientHeight = height;
    UpdateScrollBars();
}

void CMosvaneView::UpdateScrollBars()
{
    const WorkingImageRecord& img = m_image.m_gxImg;
    if (img.id == 0 || (img.width <= m_nClientWidth && img.height <= m_nClientHeight))
    {
        HideBar(*m_pHorizontal);
        HideBar(*m_pVertical);
        return;
    }
    FitBar(*m_pHorizontal, img.width, m_nClientWidth);
    FitBar(*m_pVertical, img.height, m_nClientHeight);
}

int64_t CMosvaneView::ImageX(int clientX) const
{
    return int64_t(clientX) + m_pHorizontal->value();
}

int64_t CMosvaneView::ImageY(int clientY) const
{
    return int64_t(clientY) + m_pVertical->value();
}

bool CMosvaneView::LoadCommand(const std::string& path)
{
    CWaitCursor wait;
    bool bLoaded = false;
    {
        CViewGlScope gl(*this);
        bLoaded = gl.Current() && m_image.LoadImageFile(path.c_str());
    }
    if (!bLoaded)
    {
        const CStringTable& table = GetStringTable();
        ShowMessage(table.GetStringAt(StbImageOpenText), table.GetStringAt(StbImageOpenCaption),
                    EMessageIcon::Exclamation, static_cast<QWidget*>(this));
        return false;
    }
    if (IMainFrame* frame = GetMainFrame())
    {
        frame->SetDocumentTitle(path);
        frame->OnImageOpened(path);
    }
    UpdateScrollBars();
    m_pHorizontal->setValue(0);
    m_pVertical->setValue(0);
    m_grid.Clear();
    RedrawNow();
    emit ImageLoaded();
    return true;
}

bool CMosvaneView::DrawSplitLines(int32_t rows, int32_t cols)
{
    const WorkingImageRecord& img = m_image.m_gxImg;
    if (!m_grid.DrawSplitLines(rows, cols, img.width, img.height))
        return false;
    RedrawNow();
    return true;
}

void CMosvaneView::RedrawNow()
{
    m_pCanvas->repaint();
}

void CMosvaneView::Paint()
{
    if (!m_hDevice)
    {
        // Without a device there is nothing of ours to draw; the surface shows the background.
        glClearColor(kBackground[0], kBackground[1], kBackground[2], 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    gxBeginRender();
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    gxBeginWindowMode(viewport[2], viewport[3]);
    glTranslatef(-float(ImageX(0)), -float(ImageY(0)), 0.0f);

    const WorkingImageRecord& img = m_image.m_gxImg;
    if (img.texture != 0)
    {
        // The surface stays opaque: a transparent picture shows the background colour through
        // it, and the toolkit must not blend the surface with whatever lies behind the window.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        DrawTexturedQuad(img.texture, 0.0, 0.0, img.width, img.height);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDisable(GL_BLEND);
    }

    for (const int64_t y : m_grid.RowLines())
        gxDrawLine({0, int32_t(y)}, {img.width, int32_t(y)}, kLineColour, kLineWidth);
    for (const int64_t x : m_grid.ColumnLines())
        gxDrawLine({int32_t(x), 0}, {int32_t(x), img.height}, kLineColour, kLineWidth);

    gxEndFlatMode();
    gxEndRender();
}

void CMosvaneView::UpdateCursor(int clientX, int clientY)
{
    const SGridLineHit hit = m_grid.HitTest(ImageX(clientX), ImageY(clientY));
    if (!hit.m_bHit)
        m_pCanvas->unsetCursor();
    else
        m_pCanvas->setCursor(hit.m_bColumn ? Qt::SizeHorCursor : Qt::SizeVerCursor);
}

void CMosvaneView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!FirstDroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMosvaneView::dropEvent(QDropEvent* event)
{
    // Only the first file counts; the others of a multiple drop are ignored.
    const QString path = FirstDroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    LoadCommand(path.toStdString());
}

CViewGlScope::CViewGlScope(CMosvaneView& view) : m_canvas(*view.m_pCanvas)
{
    if (m_canvas.context())
    {
        m_canvas.makeCurrent();
        m_bCurrent = true;
    }
}

CViewGlScope::~CViewGlScope()
{
    if (m_bCurrent)
        m_canvas.doneCurrent();
}
