#pragma once
// An offscreen surface for GL drawing at a size independent of any window: an EGL pbuffer with a
// context of its own that shares textures with the caller's context. Create saves the caller's
// display, surfaces and context and makes the pbuffer current; Destroy (also run by the
// destructor) makes the saved ones current again and frees the pbuffer and its context.

#include <EGL/egl.h>

class OglRenderToTexture
{
public:
    OglRenderToTexture() = default;
    ~OglRenderToTexture() { Destroy(); }
    OglRenderToTexture(const OglRenderToTexture&) = delete;
    OglRenderToTexture& operator=(const OglRenderToTexture&) = delete;

    // False, with the caller's context still current and the object empty, when no context is
    // current or the pbuffer cannot be made. A request larger than the driver allows gives the
    // largest pbuffer available (see Width and Height). Creating again first destroys the target
    // that is current, so the saved context is always the caller's.
    bool Create(int width, int height);
    // Restores the caller's context and frees the target; on an empty object it changes nothing.
    void Destroy();

    bool IsCreated() const { return m_hPbuffer != EGL_NO_SURFACE; }
    // The size the pbuffer was given; 0 when empty.
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }

private:
    EGLDisplay m_hSavedDisplay = EGL_NO_DISPLAY;
    EGLSurface m_hSavedDrawSurface = EGL_NO_SURFACE;
    EGLSurface m_hSavedReadSurface = EGL_NO_SURFACE;
    EGLContext m_hSavedContext = EGL_NO_CONTEXT;
    EGLContext m_hPbufferContext = EGL_NO_CONTEXT;
    EGLSurface m_hPbuffer = EGL_NO_SURFACE;
    int m_nWidth = 0;
    int m_nHeight = 0;

    void Clear();
};

// Logs the failed check of a Create that finds no pbuffer configuration: "nFormats" in
// OglRenderToTexture, line 48.
void LogNoPbufferFormat();
