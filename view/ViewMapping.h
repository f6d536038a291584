#pragma once
// Where the picture lies on the view's GL surface and which picture point lies under the pointer.
// Drawing, hit testing, dragging and scrolling all go through one mapping, so that they agree at
// every device pixel ratio and every zoom.
//
// Units. The surface is counted in device pixels, as its GL framebuffer is; the toolkit gives
// pointer positions in logical pixels of `ratio` device pixels each. The zoom is device pixels per
// picture pixel: at 1 (100%) every picture pixel is exactly one device pixel, at any ratio, so a
// picture is never resampled at 100% and at whole zooms each picture pixel is a square of whole
// device pixels. Scroll positions count device pixels of the zoomed picture that lie left of and
// above the surface. The picture's top-left corner sits at the surface's top-left corner when not
// scrolled.

#include <cmath>
#include <cstdint>
#include <string>

struct SViewMapping
{
    static constexpr double kMinZoom = 1.0 / 8.0;
    static constexpr double kMaxZoom = 32.0;

    double m_dZoom = 1.0;  // device pixels per picture pixel
    double m_dRatio = 1.0; // device pixels per logical pixel
    int64_t m_nScrollX = 0;
    int64_t m_nScrollY = 0;

    // The device position of a pointer position. The toolkit divides device positions by the
    // ratio; multiplied back they come out a hair off (139.99999 for 140 at 1.5), which must not
    // put the pointer on the neighbouring pixel.
    double DeviceOf(double logical) const { return std::round(logical * m_dRatio * 4096.0) / 4096.0; }
    // The picture coordinate under a pointer position (logical pixels over the surface).
    double PictureX(double logicalX) const { return (DeviceOf(logicalX) + double(m_nScrollX)) / m_dZoom; }
    double PictureY(double logicalY) const { return (DeviceOf(logicalY) + double(m_nScrollY)) / m_dZoom; }
    // The device position on the surface of a picture coordinate.
    double SurfaceX(double pictureX) const { return pictureX * m_dZoom - double(m_nScrollX); }
    double SurfaceY(double pictureY) const { return pictureY * m_dZoom - double(m_nScrollY); }
    // Device pixels that a picture side of `length` pixels covers.
    int64_t ZoomedExtent(int64_t length) const { return int64_t(std::ceil(double(length) * m_dZoom - 1e-9)); }
    // The picture pixel a picture coordinate lies in (a coordinate a rounding short of a pixel's
    // edge counts as on the edge).
    static int64_t PixelOf(double picture) { return int64_t(std::floor(picture + 1e-7)); }
    // A distance of `logical` pointer pixels in picture pixels.
    double PictureDistance(double logical) const { return logical * m_dRatio / m_dZoom; }
};

// The zoom steps of Ctrl+wheel and Ctrl++ / Ctrl+-: whole zooms above 100%, so that magnified
// pixels stay equal squares, and simple fractions below it.
inline constexpr double kZoomSteps[] = {1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1, 2,  3,
                                        4,       5,       6,       8,       10,      12,      16, 24, 32};

// The next step up (direction > 0) or down from zoom, staying at the ends.
double NextZoomStep(double zoom, int direction);

// The zoom at which a width x height picture fits a clientWidth x clientHeight surface whole:
// a whole zoom when it can be magnified, the exact fraction when it must be reduced, within the
// zoom limits. 1 for an empty picture or surface.
double FitZoom(int64_t width, int64_t height, int64_t clientWidth, int64_t clientHeight);

// The zoom as the status bar says it: "100%", "400%", "12.5%", "33.33%".
std::string ZoomText(double zoom);
