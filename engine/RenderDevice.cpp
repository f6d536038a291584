// The render device: the GL context the view draws with, and the few 2-D drawing calls it uses.
//
// A device either adopts the EGL context that is current when it is created (the GUI view's; the
// device then owns nothing and the view's toolkit presents the frame) or, with none current, owns
// a headless context on Mesa's surfaceless platform. A headless device draws into a pbuffer of its
// own that gxResizeCurrentDevice keeps at the viewport size (1 x 1 until the first resize).
// Drawing always goes to whatever surface is current, so an offscreen render target made current
// in between receives it.

#include "engine/PbufferConfig.h"
#include "engine/gx.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <memory>
#include <new>

bool ChoosePbufferConfig(EGLDisplay display, EGLConfig& config)
{
    const EGLint attributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_NONE,
    };
    EGLint count = 0;
    return eglChooseConfig(display, attributes, &config, 1, &count) == EGL_TRUE && count > 0;
}

struct GxRenderDevice
{
    EGLDisplay m_hDisplay = EGL_NO_DISPLAY;
    EGLContext m_hContext = EGL_NO_CONTEXT;
    EGLSurface m_hSurface = EGL_NO_SURFACE; // the headless device's pbuffer
    EGLConfig m_hConfig = nullptr;
    bool m_bOwned = false;
    int m_nWidth = 1;
    int m_nHeight = 1;
    float m_background[3] = {0.0f, 0.0f, 0.0f};
};

namespace
{
// The device that the calls without a device argument act on: the one created last.
GxRenderDevice* s_pCurrentDevice = nullptr;

EGLDisplay SurfacelessDisplay()
{
    using GetPlatformDisplay = EGLDisplay (*)(EGLenum, void*, const EGLint*);
    static const auto getDisplay =
        reinterpret_cast<GetPlatformDisplay>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getDisplay)
        return EGL_NO_DISPLAY;
    return getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

EGLSurface CreatePbuffer(EGLDisplay display, EGLConfig config, int width, int height)
{
    const EGLint attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    return eglCreatePbufferSurface(display, config, attributes);
}

void ReleaseOwned(GxRenderDevice& device)
{
    if (eglGetCurrentContext() == device.m_hContext)
        eglMakeCurrent(device.m_hDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (device.m_hSurface != EGL_NO_SURFACE)
        eglDestroySurface(device.m_hDisplay, device.m_hSurface);
    if (device.m_hContext != EGL_NO_CONTEXT)
        eglDestroyContext(device.m_hDisplay, device.m_hContext);
    device.m_hSurface = EGL_NO_SURFACE;
    device.m_hContext = EGL_NO_CONTEXT;
}

// Makes a headless context current on a 1 x 1 pbuffer; false leaves nothing behind.
bool CreateHeadless(GxRenderDevice& device)
{
    const EGLDisplay display = SurfacelessDisplay();
    if (display == EGL_NO_DISPLAY || eglInitialize(display, nullptr, nullptr) != EGL_TRUE)
        return false;
    device.m_hDisplay = display;
    device.m_bOwned = true;

    const EGLenum previousApi = eglQueryAPI();
    bool ok = eglBindAPI(EGL_OPENGL_API) == EGL_TRUE && ChoosePbufferConfig(display, device.m_hConfig);
    if (ok)
    {
        // No attributes: a compatibility-profile context, so immediate mode is available.
        device.m_hContext = eglCreateContext(display, device.m_hConfig, EGL_NO_CONTEXT, nullptr);
        device.m_hSurface = CreatePbuffer(display, device.m_hConfig, 1, 1);
        ok = device.m_hContext != EGL_NO_CONTEXT && device.m_hSurface != EGL_NO_SURFACE &&
             eglMakeCurrent(display, device.m_hSurface, device.m_hSurface, device.m_hContext) == EGL_TRUE;
    }
    eglBindAPI(previousApi);
    if (!ok)
    {
        ReleaseOwned(device);
        device.m_bOwned = false;
    }
    return ok;
}
} // namespace

GX_DEVICE gxCreateRenderDevice(void*)
{
    std::unique_ptr<GxRenderDevice> device;
    try
    {
        device = std::make_unique<GxRenderDevice>();
    }
    catch (const std::bad_alloc&)
    {
        return nullptr; // a null device, never a throw
    }
    const EGLContext current = eglGetCurrentContext();
    if (current != EGL_NO_CONTEXT)
    {
        device->m_hDisplay = eglGetCurrentDisplay();
        device->m_hContext = current;
        GLint viewport[4] = {0, 0, 1, 1};
        glGetIntegerv(GL_VIEWPORT, viewport);
        device->m_nWidth = std::max(viewport[2], 1);
        device->m_nHeight = std::max(viewport[3], 1);
    }
    else if (!CreateHeadless(*device))
    {
        return nullptr;
    }
    s_pCurrentDevice = device.get();
    return device.release();
}

void gxDestroyRenderDevice(GX_DEVICE device)
{
    if (!device)
        return;
    const std::unique_ptr<GxRenderDevice> owned(device);
    if (s_pCurrentDevice == device)
        s_pCurrentDevice = nullptr;
    if (!device->m_bOwned)
        return;
    // The surfaceless display stays initialised for the life of the process: terminating it
    // unloads Mesa's driver, which strands the driver's own allocations and makes the next device
    // load it again.
    ReleaseOwned(*device);
    if (eglGetCurrentContext() == EGL_NO_CONTEXT)
        eglReleaseThread();
}

void gxResizeCurrentDevice(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    GxRenderDevice* device = s_pCurrentDevice;
    if (device && device->m_bOwned && eglGetCurrentContext() == device->m_hContext &&
        eglGetCurrentSurface(EGL_DRAW) == device->m_hSurface &&
        (width != device->m_nWidth || height != device->m_nHeight))
    {
        // The headless device's own surface follows the viewport; a size the driver refuses keeps
        // the old surface, and drawing is then clipped to it.
        const EGLSurface surface = CreatePbuffer(device->m_hDisplay, device->m_hConfig, width, height);
        if (surface != EGL_NO_SURFACE &&
            eglMakeCurrent(device->m_hDisplay, surface, surface, device->m_hContext) == EGL_TRUE)
        {
            eglDestroySurface(device->m_hDisplay, device->m_hSurface);
            device->m_hSurface = surface;
        }
        else if (surface != EGL_NO_SURFACE)
        {
            eglDestroySurface(device->m_hDisplay, surface);
        }
    }
    if (device)
    {
        device->m_nWidth = width;
        device->m_nHeight = height;
    }
    glViewport(0, 0, width, height);
}

void gxClearDevice(const float rgb[3])
{
    if (!s_pCurrentDevice || !rgb)
        return;
    std::copy(rgb, rgb + 3, s_pCurrentDevice->m_background);
}

void gxBeginRender()
{
    const float* bg = s_pCurrentDevice ? s_pCurrentDevice->m_background : nullptr;
    glClearColor(bg ? bg[0] : 0.0f, bg ? bg[1] : 0.0f, bg ? bg[2] : 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void gxEndRender()
{
    // Presenting is the toolkit's part (it swaps after its paint handler); here the commands are
    // only pushed so that a read-back or a swap sees them.
    glFlush();
}

void gxBeginWindowMode(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, double(width), double(height), 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void gxEndFlatMode()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void gxDrawLine(t_POINT a, t_POINT b, const float rgb[3], float width)
{
    if (!rgb)
        return;
    // The current colour, line width and texturing are restored afterwards: the view's next
    // textured quad is modulated by the current colour and must not come out tinted.
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_LINE_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor3f(rgb[0], rgb[1], rgb[2]);
    glLineWidth(width > 0.0f ? width : 1.0f);
    glBegin(GL_LINES);
    glVertex2i(a.x, a.y);
    glVertex2i(b.x, b.y);
    glEnd();
    glPopAttrib();
}
