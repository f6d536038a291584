// GL_GLEXT_PROTOTYPES before the view's header pulls in GL: the reduced levels of the picture's
// texture are made with glGenerateMipmap.
#define GL_GLEXT_PROTOTYPES 1

#include "view/MosvaneView.h"

#include "config/Log.h"
#include "config/StringTable.h"
#include "engine/GlTexture.h"
#include "engine/HeadlessGl.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"

#include <GL/glext.h>

#include <QApplication>
#include <QBackingStore>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace
{
constexpr float kLineColour[3] = {1.0f, 0.0f, 0.0f};
// One notch of a mouse wheel.
constexpr int kWheelNotch = 120;
// The texture rows given to GL on one idle turn after an open, in bytes: a few milliseconds.
constexpr size_t kUploadTurnBytes = size_t(4) << 20;

// At a whole-number zoom of 100% or more every device pixel samples one picture pixel well inside
// it, so that a frame drawn from a block texture of the picture shows the pixels the whole texture
// would.
bool WholeZoom(double zoom)
{
    return zoom >= 1.0 && zoom == std::floor(zoom);
}

// A hidden bar scrolls nothing: a picture that fits again is shown from its top left.
void HideBar(QScrollBar& bar)
{
    bar.setRange(0, 0);
    bar.hide();
}

// Shows a bar for `extent` device pixels of the zoomed picture in `client` device pixels:
// positions 0 .. extent - client, one page of client pixels; the bar itself lowers a position
// that no longer fits.
void FitBar(QScrollBar& bar, int64_t extent, int client)
{
    if (extent <= client)
    {
        HideBar(bar);
        return;
    }
    bar.setRange(0, int(std::min<int64_t>(extent - client, INT_MAX)));
    bar.setPageStep(client);
    bar.show();
}

// Whether every pixel of the working image's top-left block of width x height is fully opaque:
// then nothing shows through it, and it is drawn without blending and without the checkerboard
// beneath, to the same pixels. Alpha is the fourth byte of GL_RGBA and GL_BGRA alike; pixels of
// three bytes have none.
bool AllOpaque(const WorkingImageRecord& img, size_t width, size_t height)
{
    if (img.bytesPerPixel != 4)
        return true;
    if (!img.data)
        return false;
    const size_t stride = size_t(img.width) * 4, rowBytes = std::min<size_t>(width, img.width) * 4;
    for (size_t y = 0; y < std::min<size_t>(height, img.height); ++y)
    {
        const uint8_t* row = img.data + y * stride;
        uint8_t all = 0xFF;
        for (size_t i = 3; i < rowBytes; i += 4)
            all &= row[i];
        if (all != 0xFF)
            return false;
    }
    return true;
}

// The red, green, blue and alpha of a pixel of the working image.
void PixelColour(const WorkingImageRecord& img, int64_t x, int64_t y, int rgba[4])
{
    const uint8_t* p = img.data + (size_t(y) * img.width + size_t(x)) * img.bytesPerPixel;
    const bool bBgr = img.format == GL_BGRA || img.format == GL_BGR;
    rgba[0] = p[bBgr ? 2 : 0];
    rgba[1] = p[1];
    rgba[2] = p[bBgr ? 0 : 2];
    rgba[3] = img.bytesPerPixel == 4 ? p[3] : 255;
}
} // namespace

CViewCanvas::CViewCanvas(CMosvaneView& view) : QWidget(&view), m_view(view)
{
    setMouseTracking(true);
    // Clicked, the surface takes the arrow keys that move the selected line; it is no stop of the
    // Tab key, which visits the controls.
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(QStringLiteral("Image View"));
    m_pSurface = new CViewSurface(view, *this);
    QWidget* container = QWidget::createWindowContainer(m_pSurface, this);
    container->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container);
}

QImage CViewCanvas::grabFramebuffer()
{
    return m_pSurface->Grab();
}

void CViewCanvas::doneCurrent()
{
    if (m_pSurface->Context())
        m_pSurface->Context()->doneCurrent();
}

void CViewCanvas::paintEvent(QPaintEvent*)
{
    // On the screen the GL window covers the canvas. A picture of the window (QWidget::grab, which
    // paints into a pixmap, not into the window's backing store) cannot see into that window, so
    // the canvas paints its frame there.
    QPainter painter(this);
    const QPaintDevice* target = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    QBackingStore* screen = backingStore();
    if (target && (!screen || target != screen->paintDevice()))
        painter.drawImage(rect(), grabFramebuffer());
}

void CViewCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_view.ClientResized();
}

void CViewCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_view.PointerPressed(event->position());
}

void CViewCanvas::mouseMoveEvent(QMouseEvent* event)
{
    m_view.PointerMoved(event->position());
}

void CViewCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_view.m_grid.m_bDragging)
        m_view.m_grid.EndDrag();
}

void CViewCanvas::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier)
    {
        // Ctrl+wheel zooms about the point under the pointer, one step a notch.
        m_nZoomWheel += delta.y() != 0 ? delta.y() : delta.x();
        while (std::abs(m_nZoomWheel) >= kWheelNotch)
        {
            const int direction = m_nZoomWheel > 0 ? 1 : -1;
            m_nZoomWheel -= direction * kWheelNotch;
            m_view.SetZoomAt(NextZoomStep(m_view.Zoom(), direction), event->position());
        }
        event->accept();
        return;
    }
    // The wheel scrolls down and up; sideways, or with Shift, left and right.
    const bool bSideways = (event->modifiers() & Qt::ShiftModifier) || std::abs(delta.x()) > std::abs(delta.y());
    QScrollBar* bar = bSideways ? m_view.m_pHorizontal : m_view.m_pVertical;
    const int turned = bSideways && delta.x() != 0 ? delta.x() : delta.y();
    const double lines = double(turned) / kWheelNotch * QApplication::wheelScrollLines();
    bar->setValue(bar->value() - int(std::lround(lines * bar->singleStep())));
    event->accept();
}

void CViewCanvas::keyPressEvent(QKeyEvent* event)
{
    const SGridLineHit& line = m_view.SelectedLine();
    const int64_t step = (event->modifiers() & Qt::ShiftModifier) ? CMosvaneView::kLargeNudge : 1;
    int64_t delta = 0;
    switch (event->key())
    {
    case Qt::Key_Left:
        delta = line.m_bColumn ? -step : 0;
        break;
    case Qt::Key_Right:
        delta = line.m_bColumn ? step : 0;
        break;
    case Qt::Key_Up:
        delta = line.m_bColumn ? 0 : -step;
        break;
    case Qt::Key_Down:
        delta = line.m_bColumn ? 0 : step;
        break;
    default:
        break;
    }
    if (!line.m_bHit || delta == 0)
    {
        QWidget::keyPressEvent(event);
        return;
    }
    m_view.NudgeSelectedLine(delta);
    event->accept();
}

void CViewCanvas::leaveEvent(QEvent* event)
{
    if (!m_view.m_grid.m_bDragging)
        m_view.SetPointerText(QString());
    QWidget::leaveEvent(event);
}

CMosvaneView::CMosvaneView(QWidget* parent) : QWidget(parent)
{
    m_bEngineStarted = gxInitialize();
    // Operations that change the pixels renew the texture, then the view shows them.
    m_image.SetRedrawCallback([this] {
        PixelsRenewed();
        RedrawNow();
    });
    setAcceptDrops(true);
    setAccessibleName(QStringLiteral("Image View"));
    m_pUploadTimer = new QTimer(this);
    m_pUploadTimer->setInterval(0);
    connect(m_pUploadTimer, &QTimer::timeout, this, &CMosvaneView::UploadStep);

    m_pCanvas = new CViewCanvas(*this);
    m_pHorizontal = new QScrollBar(Qt::Horizontal, this);
    m_pVertical = new QScrollBar(Qt::Vertical, this);
    m_pHorizontal->setAccessibleName(QStringLiteral("Horizontal Scroll Bar"));
    m_pVertical->setAccessibleName(QStringLiteral("Vertical Scroll Bar"));
    for (QScrollBar* bar : {m_pHorizontal, m_pVertical})
    {
        bar->setSingleStep(kLineStep);
        bar->setRange(0, 0);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (!m_bAdjusting)
                RedrawNow();
        });
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
        // The textures belong to the view's context; the image goes with the engine below.
        CViewGlScope gl(*this);
        if (gl.Current() && m_nCheckerTexture)
            glDeleteTextures(1, &m_nCheckerTexture);
        m_image.ReleaseImage();
        gxDestroyRenderDevice(m_hDevice);
        m_hDevice = nullptr;
    }
    if (m_bEngineStarted)
        gxDestroy();
}

void LogMissingRenderDevice()
{
    constexpr int kDeviceCheckLine = 68;
    LogCheckFailure(kLogCheckfFormat, "m_hDevice != NULL", "MosvaneView", kDeviceCheckLine);
}

void CMosvaneView::CreateDevice()
{
    m_hDevice = gxCreateRenderDevice(this);
    if (!m_hDevice)
    {
        LogMissingRenderDevice();
        return;
    }
    gxClearDevice(kBackground);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glEnable(GL_TEXTURE_2D);

    // Two squares of each grey, repeated over the picture's area.
    const uint8_t texels[] = {kCheckerLight, kCheckerLight, kCheckerLight, kCheckerDark, kCheckerDark, kCheckerDark,
                              kCheckerDark,  kCheckerDark,  kCheckerDark,  kCheckerLight, kCheckerLight, kCheckerLight};
    m_nCheckerTexture = CreateGlTexture(2, 2, GL_RGB, GL_UNSIGNED_BYTE, texels, GL_RGB, GL_NEAREST);
    if (m_nCheckerTexture)
    {
        glBindTexture(GL_TEXTURE_2D, m_nCheckerTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    WarmPictureDrawing();
    UpdateScrollBars();
}

double CMosvaneView::DeviceRatio() const
{
    return m_pCanvas->devicePixelRatioF();
}

SViewMapping CMosvaneView::Mapping() const
{
    SViewMapping mapping;
    mapping.m_dZoom = m_dZoom;
    mapping.m_dRatio = DeviceRatio();
    mapping.m_nScrollX = m_pHorizontal->value();
    mapping.m_nScrollY = m_pVertical->value();
    return mapping;
}

void CMosvaneView::ClientResized()
{
    // A minimised or collapsed view keeps the size it had: nothing to fit into a zero side.
    if (m_pCanvas->width() <= 0 || m_pCanvas->height() <= 0)
        return;
    // The surface's framebuffer size, rounded as the toolkit rounds it.
    const QSize device = m_pCanvas->size() * DeviceRatio();
    m_nClientWidth = device.width();
    m_nClientHeight = device.height();
    UpdateScrollBars();
}

void CMosvaneView::UpdateScrollBars()
{
    const bool bWasAdjusting = std::exchange(m_bAdjusting, true);
    const WorkingImageRecord& img = m_image.m_gxImg;
    const SViewMapping mapping = Mapping();
    const int64_t width = mapping.ZoomedExtent(img.width), height = mapping.ZoomedExtent(img.height);
    if (img.id == 0 || (width <= m_nClientWidth && height <= m_nClientHeight))
    {
        HideBar(*m_pHorizontal);
        HideBar(*m_pVertical);
    }
    else
    {
        FitBar(*m_pHorizontal, width, m_nClientWidth);
        FitBar(*m_pVertical, height, m_nClientHeight);
    }
    const int step = std::max(1, int(std::lround(kLineStep * mapping.m_dRatio)));
    m_pHorizontal->setSingleStep(step);
    m_pVertical->setSingleStep(step);
    m_bAdjusting = bWasAdjusting;
}

void CMosvaneView::ScrollTo(double zoomedX, double zoomedY, double surfaceX, double surfaceY)
{
    const bool bWasAdjusting = std::exchange(m_bAdjusting, true);
    m_pHorizontal->setValue(int(std::clamp<double>(std::lround(zoomedX - surfaceX), 0, INT_MAX)));
    m_pVertical->setValue(int(std::clamp<double>(std::lround(zoomedY - surfaceY), 0, INT_MAX)));
    m_bAdjusting = bWasAdjusting;
}

void CMosvaneView::SetZoom(double zoom)
{
    SetZoomAt(zoom, QPointF(m_pCanvas->width() / 2.0, m_pCanvas->height() / 2.0));
}

void CMosvaneView::SetZoomAt(double zoom, QPointF pointer)
{
    zoom = std::clamp(zoom, SViewMapping::kMinZoom, SViewMapping::kMaxZoom);
    const SViewMapping before = Mapping();
    // The picture point under the pointer stays under it.
    const double pictureX = before.PictureX(pointer.x()), pictureY = before.PictureY(pointer.y());
    const bool bChanged = zoom != m_dZoom;
    m_dZoom = zoom;
    {
        const bool bWasAdjusting = std::exchange(m_bAdjusting, true);
        UpdateScrollBars();
        // Bars that appear or go change the surface's size now, not at the next layout pass.
        layout()->activate();
        ScrollTo(pictureX * zoom, pictureY * zoom, pointer.x() * before.m_dRatio, pointer.y() * before.m_dRatio);
        m_bAdjusting = bWasAdjusting;
    }
    RedrawNow();
    if (bChanged)
        emit ZoomChanged(m_dZoom);
    if (m_pCanvas->underMouse() || m_pCanvas->Surface()->PointerInside())
        DescribePixel(m_pCanvas->mapFromGlobal(QCursor::pos()).toPointF());
}

void CMosvaneView::ZoomToFit()
{
    // The picture fits without scroll bars: the whole view is the surface then.
    const QSize device = size() * DeviceRatio();
    const WorkingImageRecord& img = m_image.m_gxImg;
    SetZoomAt(FitZoom(img.width, img.height, device.width(), device.height()), QPointF(0, 0));
}

void CMosvaneView::SetCheckerboard(bool bOn)
{
    if (bOn == m_bCheckerboard)
        return;
    m_bCheckerboard = bOn;
    RedrawNow();
}

bool CMosvaneView::PixelUnder(QPointF pointer, int64_t& x, int64_t& y) const
{
    const WorkingImageRecord& img = m_image.m_gxImg;
    const SViewMapping mapping = Mapping();
    const int64_t px = SViewMapping::PixelOf(mapping.PictureX(pointer.x()));
    const int64_t py = SViewMapping::PixelOf(mapping.PictureY(pointer.y()));
    if (img.id == 0 || px < 0 || py < 0 || px >= img.width || py >= img.height)
        return false;
    x = px;
    y = py;
    return true;
}

bool CMosvaneView::LoadCommand(const std::string& path)
{
    bool bLoaded = false;
    std::string reason = "no GL context to show it";
    // At a whole-number zoom the first frame needs only the part of the picture on the surface:
    // GL is given that block first, the rest and the whole picture's opacity on later idle turns,
    // and the previous picture is freed then.
    int firstWidth = 0, firstHeight = 0;
    if (WholeZoom(m_dZoom) && m_nClientWidth > 0 && m_nClientHeight > 0)
    {
        firstWidth = int(std::ceil((m_nClientWidth + 1) / m_dZoom));
        firstHeight = int(std::ceil((m_nClientHeight + 1) / m_dZoom));
    }
    {
        CWaitCursor wait;
        CViewGlScope gl(*this);
        bLoaded = gl.Current() && m_image.LoadImageFile(path.c_str(), &reason, firstWidth, firstHeight);
    }
    if (!bLoaded)
    {
        // The table's text, and on a second line why this file could not be shown.
        const CStringTable& table = GetStringTable();
        std::string text = table.GetStringAt(StbImageOpenText);
        if (!reason.empty())
            text += "\n" + reason;
        ShowMessage(text, table.GetStringAt(StbImageOpenCaption), EMessageIcon::Exclamation,
                    static_cast<QWidget*>(this));
        return false;
    }
    if (m_image.TextureComplete())
    {
        PixelsRenewed();
    }
    else
    {
        m_bMipmapped = false;
        m_bOpaque = AllOpaque(m_image.m_gxImg, m_image.BlockWidth(), m_image.BlockHeight());
        m_bOpacityOfBlock = true;
    }
    m_pUploadTimer->start();
    if (IMainFrame* frame = GetMainFrame())
    {
        frame->SetDocumentTitle(path);
        frame->OnImageOpened(path);
    }
    {
        const bool bWasAdjusting = std::exchange(m_bAdjusting, true);
        UpdateScrollBars();
        m_pHorizontal->setValue(0);
        m_pVertical->setValue(0);
        m_bAdjusting = bWasAdjusting;
    }
    m_grid.Clear();
    m_selected = SGridLineHit{};
    SetPointerText(QString());
    RedrawNow();
    emit ImageLoaded();
    return true;
}

bool CMosvaneView::DrawSplitLines(int32_t rows, int32_t cols)
{
    const WorkingImageRecord& img = m_image.m_gxImg;
    if (!m_grid.DrawSplitLines(rows, cols, img.width, img.height))
        return false;
    m_selected = SGridLineHit{};
    RedrawNow();
    return true;
}

void CMosvaneView::PixelsRenewed()
{
    m_bMipmapped = false;
    m_bOpaque = AllOpaque(m_image.m_gxImg, m_image.m_gxImg.width, m_image.m_gxImg.height);
    m_bOpacityOfBlock = false;
}

bool CMosvaneView::PictureComplete() const
{
    return m_image.TextureComplete() && !m_bOpacityOfBlock && !m_image.HasRetired();
}

void CMosvaneView::UploadStep()
{
    CViewGlScope gl(*this);
    if (m_image.HasRetired())
    {
        m_image.FreeRetired();
        return;
    }
    if (!gl.Current() || !HasImage())
    {
        m_pUploadTimer->stop();
        return;
    }
    if (!m_image.TextureComplete())
    {
        if (!m_image.UploadMoreRows(kUploadTurnBytes))
            PictureRefused();
        return;
    }
    if (m_bOpacityOfBlock)
    {
        PixelsRenewed();
        return;
    }
    m_pUploadTimer->stop();
}

bool CMosvaneView::FinishPicture()
{
    if (!m_image.CompleteTexture())
    {
        PictureRefused();
        return false;
    }
    if (m_bOpacityOfBlock)
        PixelsRenewed();
    return true;
}

GLuint CMosvaneView::FrameTexture(double right, double bottom, double& width, double& height)
{
    // Straight after an open only the first block may be in GL: a frame within it is drawn from
    // it, any other first completes the picture, so that no frame shows texels not yet given.
    if (m_image.TextureComplete())
        return m_image.m_gxImg.texture;
    if (WholeZoom(m_dZoom) && right <= m_image.BlockWidth() && bottom <= m_image.BlockHeight())
    {
        width = m_image.BlockWidth();
        height = m_image.BlockHeight();
        return m_image.BlockTexture();
    }
    return FinishPicture() ? m_image.m_gxImg.texture : 0;
}

void CMosvaneView::PictureRefused()
{
    // GL took the first block but not the whole picture (its memory ran out): the picture cannot
    // be shown whole, so it goes, with the load command's warning, once the current frame is done.
    m_pUploadTimer->stop();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_image.TextureComplete())
                return;
            {
                CViewGlScope gl(*this);
                m_image.ReleaseImage();
            }
            UpdateScrollBars();
            RedrawNow();
            const CStringTable& table = GetStringTable();
            const std::string text =
                std::string(table.GetStringAt(StbImageOpenText)) + "\nthe graphics driver could not take the picture";
            ShowMessage(text, table.GetStringAt(StbImageOpenCaption), EMessageIcon::Exclamation,
                        static_cast<QWidget*>(this));
        },
        Qt::QueuedConnection);
}

void CMosvaneView::RedrawNow()
{
    m_pCanvas->Surface()->Present();
}

bool CMosvaneView::NudgeSelectedLine(int64_t delta)
{
    if (!m_selected.m_bHit || !m_grid.NudgeLine(m_selected.m_bColumn, m_selected.m_nLine, delta))
        return false;
    DescribeSelectedLine();
    RedrawNow();
    return true;
}

void CMosvaneView::UsePictureFilters()
{
    // Magnified pixels stay sharp squares; a reduced picture is averaged over its reduced levels,
    // made once per texture (a texture GL cannot give them to is sampled plainly). From 100% up GL
    // never minifies, and the same filter both ways spares llvmpipe the level of detail per pixel.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    GLint minify = m_dZoom >= 1.0 ? GL_NEAREST : GL_LINEAR;
    if (m_dZoom < 1.0)
    {
        if (!m_bMipmapped)
        {
            DrainGlErrors();
            glGenerateMipmap(GL_TEXTURE_2D);
            m_bMipmapped = GlErrorFree();
        }
        if (m_bMipmapped)
            minify = GL_LINEAR_MIPMAP_LINEAR;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minify);
}

void CMosvaneView::DrawCheckerboard(double left, double top, double right, double bottom, double square)
{
    // Squares counted from the picture's corner, so that they scroll with it.
    const SViewMapping mapping = Mapping();
    const double originX = mapping.SurfaceX(0.0), originY = mapping.SurfaceY(0.0);
    const double period = 2.0 * square;
    const auto s = [&](double x) { return (x - originX) / period; };
    const auto t = [&](double y) { return (y - originY) / period; };
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    DrawTexturedQuad(m_nCheckerTexture, left, top, right - left, bottom - top,
                     STexBlock{s(left), t(top), s(right), t(bottom)});
}

void CMosvaneView::DrawPicture(GLuint texture, double left, double top, double right, double bottom,
                               double textureWidth, double textureHeight)
{
    const SViewMapping mapping = Mapping();
    glEnable(GL_TEXTURE_2D);
    if (m_bCheckerboard && m_nCheckerTexture && !m_bOpaque)
        DrawCheckerboard(mapping.SurfaceX(left), mapping.SurfaceY(top), mapping.SurfaceX(right),
                         mapping.SurfaceY(bottom), kCheckerSquare * mapping.m_dRatio);
    // The surface stays opaque: a transparent picture shows the checkerboard or the
    // background through it, and the toolkit must not blend the surface with whatever lies
    // behind the window.
    if (!m_bOpaque)
        glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // The filters are the texture's own state: set for this frame, put back afterwards.
    glBindTexture(GL_TEXTURE_2D, texture);
    UsePictureFilters();
    // The texels as they are (the current colour is white, which would change nothing): the
    // plainer shader draws faster on llvmpipe.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    DrawTexturedQuad(texture, mapping.SurfaceX(left), mapping.SurfaceY(top), (right - left) * m_dZoom,
                     (bottom - top) * m_dZoom,
                     STexBlock{left / textureWidth, top / textureHeight, right / textureWidth,
                               bottom / textureHeight});
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Other users of the texture (the blend) sample it as it was made.
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_BLEND);
}

void CMosvaneView::WarmPictureDrawing()
{
    // llvmpipe compiles a shader for each new combination of drawing state when it is first used,
    // which would fall on the first picture's first frame: the picture's draws are made once now,
    // opaque and over the checkerboard, from textures whose sides are and are not powers of two,
    // into the back buffer, which every frame clears first.
    if (m_dZoom < 1.0)
        return;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    gxBeginWindowMode(viewport[2], viewport[3]);
    const bool bWasOpaque = m_bOpaque;
    const uint8_t texels[4 * 4 * 4] = {};
    for (const int side : {3, 4})
    {
        GLuint texture = CreateGlTexture(side, side, GL_RGBA, GL_UNSIGNED_BYTE, texels, GL_RGBA, GL_LINEAR);
        for (const bool bOpaque : {true, false})
        {
            m_bOpaque = bOpaque;
            if (texture)
                DrawPicture(texture, 0, 0, side, side, side, side);
        }
        glDeleteTextures(1, &texture);
    }
    m_bOpaque = bWasOpaque;
    gxEndFlatMode();
    glFinish();
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

    const SViewMapping mapping = Mapping();
    const WorkingImageRecord& img = m_image.m_gxImg;
    // The part of the picture on the surface, in picture pixels: only that part is drawn, so that
    // a picture at 32 times its size costs no more than the surface.
    const double left = std::max(0.0, mapping.PictureX(0.0));
    const double top = std::max(0.0, mapping.PictureY(0.0));
    const double right = std::min(double(img.width), (double(mapping.m_nScrollX) + viewport[2]) / m_dZoom);
    const double bottom = std::min(double(img.height), (double(mapping.m_nScrollY) + viewport[3]) / m_dZoom);
    double textureWidth = img.width, textureHeight = img.height;
    const GLuint texture = FrameTexture(right, bottom, textureWidth, textureHeight);
    if (texture != 0 && right > left && bottom > top)
    {
        DrawPicture(texture, left, top, right, bottom, textureWidth, textureHeight);
    }

    // The lines in picture pixels: the surface's transform takes them where the picture is.
    glTranslated(-double(mapping.m_nScrollX), -double(mapping.m_nScrollY), 0.0);
    glScaled(m_dZoom, m_dZoom, 1.0);
    const float lineWidth = float(kLineWidth * mapping.m_dRatio);
    for (const int64_t y : m_grid.RowLines())
        gxDrawLine({0, int32_t(y)}, {img.width, int32_t(y)}, kLineColour, lineWidth);
    for (const int64_t x : m_grid.ColumnLines())
        gxDrawLine({int32_t(x), 0}, {int32_t(x), img.height}, kLineColour, lineWidth);

    gxEndFlatMode();
    gxEndRender();
}

void CMosvaneView::PointerPressed(QPointF pointer)
{
    const SViewMapping mapping = Mapping();
    if (!m_grid.BeginDrag(mapping.PictureX(pointer.x()), mapping.PictureY(pointer.y()),
                          mapping.PictureDistance(CSplitGrid::kLineReach)))
        return;
    m_selected = SGridLineHit{true, m_grid.m_nDragLine, m_grid.m_bDragColumn};
    UpdateCursor(pointer);
    DescribeSelectedLine();
}

void CMosvaneView::PointerMoved(QPointF pointer)
{
    if (!m_grid.m_bDragging)
    {
        UpdateCursor(pointer);
        DescribePixel(pointer);
        return;
    }
    // The line lands on the picture pixel under the pointer: its left (or top) edge.
    const SViewMapping mapping = Mapping();
    m_grid.DragTo(SViewMapping::PixelOf(mapping.PictureX(pointer.x())),
                  SViewMapping::PixelOf(mapping.PictureY(pointer.y())));
    DescribeSelectedLine();
    RedrawNow();
}

void CMosvaneView::UpdateCursor(QPointF pointer)
{
    const SViewMapping mapping = Mapping();
    const SGridLineHit hit = m_grid.HitTest(mapping.PictureX(pointer.x()), mapping.PictureY(pointer.y()),
                                            mapping.PictureDistance(CSplitGrid::kLineReach));
    // The canvas says what the cursor is; the GL window over it shows it.
    if (!hit.m_bHit)
    {
        m_pCanvas->unsetCursor();
        m_pCanvas->Surface()->unsetCursor();
    }
    else
    {
        const Qt::CursorShape shape = hit.m_bColumn ? Qt::SizeHorCursor : Qt::SizeVerCursor;
        m_pCanvas->setCursor(shape);
        m_pCanvas->Surface()->setCursor(shape);
    }
}

void CMosvaneView::SetPointerText(const QString& text)
{
    if (text == m_strPointer)
        return;
    m_strPointer = text;
    emit PointerTextChanged(m_strPointer);
}

void CMosvaneView::DescribePixel(QPointF pointer)
{
    int64_t x = 0, y = 0;
    if (!HasImage() || !PixelUnder(pointer, x, y))
    {
        SetPointerText(QString());
        return;
    }
    int rgba[4];
    PixelColour(m_image.m_gxImg, x, y, rgba);
    SetPointerText(QStringLiteral("%1, %2   R %3  G %4  B %5  A %6")
                       .arg(x)
                       .arg(y)
                       .arg(rgba[0])
                       .arg(rgba[1])
                       .arg(rgba[2])
                       .arg(rgba[3]));
}

void CMosvaneView::DescribeSelectedLine()
{
    if (!m_selected.m_bHit)
        return;
    const bool bColumn = m_selected.m_bColumn;
    const std::vector<int32_t>& sizes = bColumn ? m_grid.m_colWidths : m_grid.m_rowHeights;
    const size_t k = size_t(m_selected.m_nLine);
    if (k + 1 >= sizes.size())
        return;
    SetPointerText(QStringLiteral("%1 line at %2 = %3   cells %4 and %5 %6")
                       .arg(bColumn ? QStringLiteral("Column") : QStringLiteral("Row"))
                       .arg(bColumn ? QStringLiteral("x") : QStringLiteral("y"))
                       .arg(m_grid.LinePosition(bColumn, m_selected.m_nLine))
                       .arg(sizes[k])
                       .arg(sizes[k + 1])
                       .arg(bColumn ? QStringLiteral("wide") : QStringLiteral("high")));
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
    // The context is made with the window, before it is first exposed.
    m_bCurrent = m_canvas.Surface()->MakeCurrent();
}

CViewGlScope::~CViewGlScope()
{
    if (m_bCurrent)
        m_canvas.doneCurrent();
}
