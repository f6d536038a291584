#pragma once
// The inputs of each operation as one value. The frame's getters fill them from the panels, the
// commands take them, and Save Config records them in a batch file, so that a setting travels
// the same way to all three.
//
// Every value carries the output parts of the Output Settings panel in m_output (folder, title,
// type); the split adds its template and first number there.

#include "engine/Limits.h"
#include "ops/SequenceNaming.h"
#include "ops/SheetData.h"

#include <cstdint>
#include <string>
#include <vector>

// The widest margin, spacing, padding or extrusion a person can set: a picture's side.
inline constexpr int32_t kMaxSheetSpacing = int32_t(gx::kMaxDimension);

// The sheet settings of a split: the data file written beside the pieces, a margin around the
// cells and a gutter between neighbours (pixels of the picture), trimming each piece to its
// pixels that are not fully transparent, and leaving out pieces that have none. All off: the
// plain grid.
struct SSplitSheet
{
    ESheetData m_eData = ESheetData::None;
    int32_t m_nMargin = 0;
    int32_t m_nSpacing = 0;
    bool m_bTrim = false;
    bool m_bSkipEmpty = false;

    bool operator==(const SSplitSheet&) const = default;
};

// The sheet settings of a combine: the data file written beside the sheet, an RGBA sheet when a
// picture has alpha, padding between cells, a margin around the sheet and the edge extrusion of
// every frame (pixels). All off: the opaque plain grid.
struct SCombineSheet
{
    ESheetData m_eData = ESheetData::None;
    bool m_bKeepAlpha = false;
    int32_t m_nPadding = 0;
    int32_t m_nMargin = 0;
    int32_t m_nExtrude = 0;

    bool operator==(const SCombineSheet&) const = default;
};

// An even grid of count rows or columns as Save Config records it: count fractions of 1/count, in
// single precision (none for a count below 1).
inline std::vector<float> EvenFractions(int32_t count)
{
    return std::vector<float>(count > 0 ? size_t(count) : 0, count > 0 ? 1.0f / float(count) : 0.0f);
}

// Split: the output with the splitter's template and first number, and the grid as fractions of
// the picture (rows top to bottom, columns left to right). The interactive split cuts along the
// view's grid instead, which may have been dragged; the fractions are what a batch records.
struct SplitInputs
{
    SequenceRecord m_output{};
    std::vector<float> m_rowFractions{};
    std::vector<float> m_colFractions{};
    SSplitSheet m_sheet{};

    bool operator==(const SplitInputs&) const = default;
};

// Combine: the numbered source sequence and the grid of the sheet.
struct CombineInputs
{
    SequenceRecord m_output{};
    SequenceRecord m_source{};
    int32_t m_nRows = 0;
    int32_t m_nCols = 0;
    SCombineSheet m_sheet{};

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
// count, the rate and the file format by its name (ops/AnimationFormat.h: empty or "mng" for MNG,
// "apng", "gif"; any other name is refused when the animation is made). The animation is written
// under the output's folder and title.
struct MngInputs
{
    SequenceRecord m_output{};
    SequenceRecord m_source{};
    int32_t m_nFrameCount = 0;
    int32_t m_nFramesPerSecond = 0;
    std::string m_strFormat{};

    bool operator==(const MngInputs&) const = default;
};
