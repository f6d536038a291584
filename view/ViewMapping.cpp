#include "view/ViewMapping.h"

#include <algorithm>
#include <cstdio>

double NextZoomStep(double zoom, int direction)
{
    // A zoom between two steps (a fitted one) goes to the neighbouring step in that direction.
    constexpr double kSame = 1e-9;
    if (direction > 0)
    {
        for (const double step : kZoomSteps)
            if (step > zoom + kSame)
                return step;
        return SViewMapping::kMaxZoom;
    }
    for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
        if (*it < zoom - kSame)
            return *it;
    return SViewMapping::kMinZoom;
}

double FitZoom(int64_t width, int64_t height, int64_t clientWidth, int64_t clientHeight)
{
    if (width <= 0 || height <= 0 || clientWidth <= 0 || clientHeight <= 0)
        return 1.0;
    const double fit = std::min(double(clientWidth) / double(width), double(clientHeight) / double(height));
    const double zoom = fit >= 1.0 ? std::floor(fit) : fit;
    return std::clamp(zoom, SViewMapping::kMinZoom, SViewMapping::kMaxZoom);
}

std::string ZoomText(double zoom)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.4g%%", zoom * 100.0);
    return text;
}
