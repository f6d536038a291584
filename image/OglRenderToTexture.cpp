#include "image/OglRenderToTexture.h"

#include "config/Log.h"
#include "engine/PbufferConfig.h"

bool OglRenderToTexture::Create(int width, int height)
{
    Destroy();
    if (width <= 0 || height <= 0)
        return false;

    const EGLDisplay display = eglGetCurrentDisplay();
    const EGLContext context = eglGetCurrentContext();
    const EGLSurface drawSurface = eglGetCurrentSurface(EGL_DRAW);
    const EGLSurface readSurface = eglGetCurrentSurface(EGL_READ);
    if (context == EGL_NO_CONTEXT || display == EGL_NO_DISPLAY)
        return false;

    EGLConfig config = nullptr;
    const EGLint nFormats = ChoosePbufferConfig(display, config) ? 1 : 0;
    if (!nFormats)
    {
        LogNoPbufferFormat();
        return false;
    }

    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_LARGEST_PBUFFER, EGL_TRUE, EGL_NONE};
    const EGLSurface pbuffer = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (pbuffer == EGL_NO_SURFACE)
        return false;

    // The caller's context may be current under another client API as far as EGL's per-thread
    // binding goes (a toolkit may leave the ES API bound); the shared context must be desktop GL.
    const EGLenum previousApi = eglQueryAPI();
    EGLContext pbufferContext = EGL_NO_CONTEXT;
    if (eglBindAPI(EGL_OPENGL_API) == EGL_TRUE)
        pbufferContext = eglCreateContext(display, config, context, nullptr);
    eglBindAPI(previousApi);

    if (pbufferContext == EGL_NO_CONTEXT ||
        eglMakeCurrent(display, pbuffer, pbuffer, pbufferContext) != EGL_TRUE)
    {
        // A failed eglMakeCurrent keeps the previous binding, so the caller's context is current.
        if (pbufferContext != EGL_NO_CONTEXT)
            eglDestroyContext(display, pbufferContext);
        eglDestroySurface(display, pbuffer);
        return false;
    }

    m_hSavedDisplay = display;
    m_hSavedDrawSurface = drawSurface;
    m_hSavedReadSurface = readSurface;
    m_hSavedContext = context;
    m_hPbufferContext = pbufferContext;
    m_hPbuffer = pbuffer;
    EGLint actualWidth = width, actualHeight = height;
    eglQuerySurface(display, pbuffer, EGL_WIDTH, &actualWidth);
    eglQuerySurface(display, pbuffer, EGL_HEIGHT, &actualHeight);
    m_nWidth = actualWidth;
    m_nHeight = actualHeight;
    return true;
}

void OglRenderToTexture::Destroy()
{
    if (m_hPbuffer == EGL_NO_SURFACE)
    {
        Clear();
        return;
    }
    eglMakeCurrent(m_hSavedDisplay, m_hSavedDrawSurface, m_hSavedReadSurface, m_hSavedContext);
    eglDestroySurface(m_hSavedDisplay, m_hPbuffer);
    eglDestroyContext(m_hSavedDisplay, m_hPbufferContext);
    Clear();
}

void OglRenderToTexture::Clear()
{
    m_hSavedDisplay = EGL_NO_DISPLAY;
    m_hSavedDrawSurface = EGL_NO_SURFACE;
    m_hSavedReadSurface = EGL_NO_SURFACE;
    m_hSavedContext = EGL_NO_CONTEXT;
    m_hPbufferContext = EGL_NO_CONTEXT;
    m_hPbuffer = EGL_NO_SURFACE;
    m_nWidth = 0;
    m_nHeight = 0;
}

void LogNoPbufferFormat()
{
    // Logged under the line the check is known by to users of the log, whatever this file's layout.
    constexpr int kFormatCheckLine = 48;
    LogCheckFailure(kLogCheckfFormat, "nFormats", "OglRenderToTexture", kFormatCheckLine);
}
