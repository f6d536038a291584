#pragma once
// The inputs of each operation as one value. The frame's getters fill them from the panels, the
// commands take them, and Save Config records them in a batch file, so that a setting travels
// the same way to all three.
//
// Every value carries the output parts of the Output Settings panel in m_output (folder, title,
// type); the split adds its template and first number there.

#include "ops/SequenceNaming.h"

#include <cstdint>
#include <string>
#include <vector>

// Split: the output with the splitter's template and first number, and the grid as fractions of
// the picture (rows top to bottom, columns left to right). The interactive split cuts along the
// view's grid instead, which may have been dragged; the fractions are what a batch records.
struct SplitInputs
{
    SequenceRecord m_output{};
    std::vector<float> m_rowFractions{};
    std::vector<float> m_colFractions{};

    bool operator==(const SplitInputs&) const = default;
};

// Combine: the numbered source sequence and the grid of the sheet.
struct CombineInputs
{
    SequenceRecord m_output{};
    SequenceRecord m_source{};
    int32_t m_nRows = 0;
    int32_t m_nCols = 0;

    bool operator==(const CombineInputs&) const = default;
};

// Blend: either layer path may be empty.
struct BlendInputs
{
    SequenceRecord m_output{};
    std::string m_strBackgroundPath{};
    std::string m_strOverlayPath{};

    bool operator==(const BlendInputs&) const = default;
};

// Alpha by colour: the colour whose pixels become transparent, and the alpha they get. Only the
// low 8 bits of each count.
struct AlphaRgbInputs
{
    SequenceRecord m_output{};
    int32_t m_nRed = 0;
    int32_t m_nGreen = 0;
    int32_t m_nBlue = 0;
    int32_t m_nAlpha = 0;

    bool operator==(const AlphaRgbInputs&) const = default;
};

// Alpha from a picture of the same size.
struct AlphaImageInputs
{
    SequenceRecord m_output{};
    std::string m_strAlphaImagePath{};

    bool operator==(const AlphaImageInputs&) const = default;
};

// MNG: the numbered frame sequence (folder, title, template, type, first number), the frame
// count and the rate. The animation is written under the output's folder and title.
struct MngInputs
{
    SequenceRecord m_output{};
    SequenceRecord m_source{};
    int32_t m_nFrameCount = 0;
    int32_t m_nFramesPerSecond = 0;

    bool operator==(const MngInputs&) const = default;
};
