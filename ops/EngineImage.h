#pragma once
// Ownership of one engine image: the image is deleted when the owner goes, on every way out.

#include "engine/gx.h"

#include <cstdint>
#include <utility>

class CEngineImage
{
public:
    CEngineImage() = default;
    // Takes over an image the engine already holds (for example the result of gxLoadImage).
    explicit CEngineImage(const GX_IMAGE& info) : m_info(info) {}
    ~CEngineImage() { Reset(); }

    CEngineImage(CEngineImage&& other) noexcept : m_info(std::exchange(other.m_info, GX_IMAGE{})) {}
    CEngineImage& operator=(CEngineImage&& other) noexcept
    {
        if (this != &other)
        {
            Reset();
            m_info = std::exchange(other.m_info, GX_IMAGE{});
        }
        return *this;
    }
    CEngineImage(const CEngineImage&) = delete;
    CEngineImage& operator=(const CEngineImage&) = delete;

    // Loads a file; the result is empty when the file does not load. The new image is bound.
    static CEngineImage Load(const char* path) { return CEngineImage(gxLoadImage(path)); }
    // A new empty image (0 x 0), not bound.
    static CEngineImage Generate()
    {
        uint32_t id = 0;
        gxGenImages(1, &id);
        return CEngineImage(gxGetImageInfo(id));
    }

    uint32_t Id() const { return m_info.id; }
    bool Empty() const { return m_info.id == 0; }
    const GX_IMAGE& Info() const { return m_info; }
    uint8_t* Buffer() const { return m_info.id ? gxGetImageBuffer(m_info.id) : nullptr; }

    void Bind() const { gxBindImage(m_info.id); }
    // Takes the engine's record again after the image was resized or converted.
    void Refresh()
    {
        if (m_info.id)
            m_info = gxGetImageInfo(m_info.id);
    }

    void Reset()
    {
        if (m_info.id)
            gxDeleteImages(1, &m_info.id);
        m_info = GX_IMAGE{};
    }

private:
    GX_IMAGE m_info{};
};
