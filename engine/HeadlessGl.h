#pragma once
// A GL context for code that runs without a window (tests, the batch runner): when no context is
// current it creates a headless render device and destroys it at the end of the scope; when one is
// current already it uses that one and changes nothing.

#include "engine/gx.h"

class CHeadlessGl
{
public:
    CHeadlessGl();
    ~CHeadlessGl();
    CHeadlessGl(const CHeadlessGl&) = delete;
    CHeadlessGl& operator=(const CHeadlessGl&) = delete;

    // True when a GL context is current (made here or found).
    bool Ok() const { return m_bOk; }
    // The device made here; null when a context was already current or creation failed.
    GX_DEVICE Device() const { return m_hDevice; }

private:
    GX_DEVICE m_hDevice = nullptr;
    bool m_bOk = false;
};

// True when some GL context is current on this thread.
bool HaveGlContext();
// Clears the errors earlier calls left, so that a check afterwards sees only what followed.
void DrainGlErrors();
// True when no GL error is pending; clears what is.
bool GlErrorFree();
