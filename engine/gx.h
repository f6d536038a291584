#pragma once
// The image engine: images held under 32-bit ids, one bound image at a time, file reading and
// writing by type, pixel access and conversion, MNG writing, and the render device of the view.
// Every call reports failure by its result (false, 0 or null); none throws. Single-threaded.

#include <GL/gl.h>
#include <cstdint>

#ifndef GL_BGR
#define GL_BGR 0x80E0
#endif
#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif

struct GX_IMAGE
{
    uint32_t id;            // 0: no image (a failed load)
    uint32_t format;        // GL_RGB, GL_RGBA, GL_BGR or GL_BGRA
    uint16_t bytesPerPixel; // 3 or 4
    uint16_t width;
    uint16_t height;
    uint16_t reserved;      // not read
};
static_assert(sizeof(GX_IMAGE) == 16);

// A w x h block whose first pixel is column x, row y is (x, y + h, x + w, y).
struct t_RECT
{
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct t_POINT
{
    int32_t x;
    int32_t y;
};

struct GxRenderDevice;
using GX_DEVICE = GxRenderDevice*;

// Engine life. gxDestroy frees every image; the engine may be initialised again afterwards.
bool gxInitialize();
void gxDestroy();

// Render device. gxCreateRenderDevice adopts the EGL context that is current on the calling thread
// (the GUI view's; the device then owns nothing); with none current it creates a headless
// compatibility-profile context on Mesa's surfaceless platform, on a pbuffer of its own, and makes
// it current. `window` is only an identity for the caller and may be null. The calls without a
// device act on the device created last. Drawing goes to the surface current at the time: an
// offscreen render target made current in between receives it. gxResizeCurrentDevice sets the
// viewport; a headless device's pbuffer follows that size (1 x 1 until the first resize).
// gxDestroyRenderDevice leaves no context of its own current; an adopted context stays current.
// gxBeginRender clears to the colour of gxClearDevice; gxEndRender flushes (the toolkit presents).
GX_DEVICE gxCreateRenderDevice(void* window);
void gxResizeCurrentDevice(int width, int height);
void gxDestroyRenderDevice(GX_DEVICE device);
void gxClearDevice(const float rgb[3]);
void gxBeginRender();
void gxEndRender();
// 2-D drawing: origin top-left, one unit per pixel, viewport width x height. The projection and
// modelview matrices are pushed and gxEndFlatMode pops them. gxDrawLine draws untextured and
// restores the current colour, line width and texturing.
void gxBeginWindowMode(int width, int height);
void gxEndFlatMode();
void gxDrawLine(t_POINT a, t_POINT b, const float rgb[3], float width);

// Images.
GX_IMAGE gxLoadImage(const char* path);                       // the new image is bound
// Why the last gxLoadImage, gxSaveImage or animation write failed, as one line ("truncated PNG
// data", or the system's reason for a file it could not read or write); empty after a success.
// Valid until the next of those calls.
const char* gxGetLastErrorText();
void gxGenImages(int count, uint32_t* ids);                     // empty images (0 x 0)
void gxDeleteImages(int count, const uint32_t* ids);
void gxDestroyImage(uint32_t id);
void gxBindImage(uint32_t id);
GX_IMAGE gxGetImageInfo(uint32_t id);                           // id 0 when there is no such image
bool gxTexImage(int width, int height, uint32_t format);        // zeroed storage for the bound image
uint8_t* gxGetImageBuffer(uint32_t id);                          // null for an unknown or empty image
bool gxSetPixels(int x, int y, int width, int height, uint32_t format, const void* pixels);
bool gxCopyImageBuffer(uint32_t src, const t_RECT& rect, uint32_t format, void* dst);
bool gxCopyImageAlpha(uint32_t id, uint8_t* dst);
bool gxConvertImage(uint32_t format);
bool gxFlipImage();
bool gxSaveImage(const char* path, bool flip);
// The file type that gxSaveImage writes for path (by its extension) keeps a 4-byte picture's alpha.
bool gxTypeKeepsAlpha(const char* path);
// Animations of count frames, each width x height RGBA pixels (rows top first), shown 1 / fps
// second each and looping for ever; every frame replaces the previous one wholly. False, with
// nothing written and the reason in gxGetLastErrorText, on a bad argument, memory that runs out
// or a file that cannot be replaced.
bool gxMakeMngAnimFile(const char* path, int width, int height, int count, const uint8_t* const* frames, int fps);
// GIF: colours exact when the frames use at most 255, otherwise a palette of 255 with error
// diffusion; alpha below 128 is transparent, the rest opaque. Delays in hundredths of a second.
bool gxMakeGifAnimFile(const char* path, int width, int height, int count, const uint8_t* const* frames, int fps);
// APNG: every pixel exact, each frame's delay 1 / fps exactly (fps at most 65535).
bool gxMakeApngAnimFile(const char* path, int width, int height, int count, const uint8_t* const* frames, int fps);
