#include "engine/HeadlessGl.h"

#include <EGL/egl.h>

CHeadlessGl::CHeadlessGl()
{
    if (eglGetCurrentContext() != EGL_NO_CONTEXT)
    {
        m_bOk = true;
        return;
    }
    m_hDevice = gxCreateRenderDevice(nullptr);
    m_bOk = m_hDevice != nullptr;
}

CHeadlessGl::~CHeadlessGl()
{
    gxDestroyRenderDevice(m_hDevice);
}

bool HaveGlContext()
{
    return eglGetCurrentContext() != EGL_NO_CONTEXT;
}

void DrainGlErrors()
{
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i)
    {
    }
}

bool GlErrorFree()
{
    bool clean = true;
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i)
        clean = false;
    return clean;
}
