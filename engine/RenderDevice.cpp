#include "engine/gx.h"

// Not written yet: the EGL render device.
GX_DEVICE gxCreateRenderDevice(void*) { return nullptr; }
void gxResizeCurrentDevice(int, int) {}
void gxDestroyRenderDevice(GX_DEVICE) {}
void gxClearDevice(const float*) {}
void gxBeginRender() {}
void gxEndRender() {}
void gxBeginWindowMode(int, int) {}
void gxEndFlatMode() {}
void gxDrawLine(t_POINT, t_POINT, const float*, float) {}
