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
