#pragma once
// One row per batch kind: everything the batch file, the executors, the headless runner and the
// batch panel know about a kind that is not its values. A new kind is one row here (with its
// reader, writer, executor and inputs value); a new value of a kind is one line in its reader, one
// in its writer and one in its inputs value.

#include "batch/BatchExecute.h"
#include "batch/BatchSections.h"
#include "ops/MainFrame.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <tuple>

// Whether an item names one picture file or a numbered sequence of them (the path of its files
// with the number field taken out).
enum class EBatchItems
{
    Files,
    Sequences,
};

// The kind's row of the batch panel: the control ids of its execute, "Add Items" and "Save
// Config" buttons, the execute button's text, and what Save Config says when the panels' values
// are incomplete.
struct SBatchPanelRow
{
    int m_nExecuteId;
    int m_nAddItemsId;
    int m_nSaveConfigId;
    const char* m_pszExecuteText;
    const char* m_pszInvalidText;
};

// What every row holds, whatever the kind's values.
struct SBatchKindInfo
{
    EBatchKind m_eKind;
    const char* m_pszSection; // the section element
    const char* m_pszCommand; // the runner's name (--kind)
    EBatchItems m_eItems;
    bool (*m_pExecute)(BatchFile& batch, CBatchReport* report, IItemSchedule* schedule);
    SBatchPanelRow m_panel;
};

// A row with the functions of the kind's inputs value: the section reader, the Save Config writer
// and the frame's getter of the panels' values.
template <typename InputsT>
struct SBatchKindRow : SBatchKindInfo
{
    using Inputs = InputsT;
    void (*m_pRead)(const BatchSection& section, Inputs& inputs, EAbsentValue absent);
    bool (BatchFile::*m_pWrite)(const Inputs& inputs);
    bool (IMainFrame::*m_pGet)(Inputs& inputs);
};

// In the panel's row order (kBatchKinds).
inline constexpr std::tuple kBatchKindRows{
    SBatchKindRow<SplitInputs>{
        {EBatchKind::Split, "SplitBatch", "split", EBatchItems::Files, &ExecuteSplitBatch,
         {1067, 1076, 1084, "Execute Split Batch",
          "Invalid Image Splitter settings!\nPlease input or correct the split settings!"}},
        &ReadSplitSection, &BatchFile::WriteSplitSection, &IMainFrame::GetSplitSettings},
    SBatchKindRow<CombineInputs>{
        {EBatchKind::Combine, "CombineBatch", "combine", EBatchItems::Sequences, &ExecuteCombineBatch,
         {1068, 1077, 1087, "Execute Combine Batch",
          "Invalid Image Combiner settings!\nPlease input or correct the combine settings!"}},
        &ReadCombineSection, &BatchFile::WriteCombineSection, &IMainFrame::GetCombineSettings},
    SBatchKindRow<BlendInputs>{
        {EBatchKind::Blend, "BlendBatch", "blend", EBatchItems::Files, &ExecuteBlendBatch,
         {1069, 1078, 1086, "Execute Blend Batch",
          "Invalid Blend settings!\nPlease input or correct the blend settings!"}},
        &ReadBlendSection, &BatchFile::WriteBlendSection, &IMainFrame::GetBlendSettings},
    SBatchKindRow<SequenceRecord>{
        {EBatchKind::AlphaExtract, "AlphaExtractBatch", "alpha-extract", EBatchItems::Files, &ExecuteAlphaExtractBatch,
         {1070, 1079, 1085, "Execute Alpha Extract Batch",
          "Invalid Output settings!\nPlease input or correct the output settings!"}},
        &ReadAlphaExtractSection, &BatchFile::WriteAlphaExtractSection, &IMainFrame::GetOutputSettings},
    SBatchKindRow<AlphaRgbInputs>{
        {EBatchKind::RgbAlpha, "RGBAlphaMakingBatch", "rgb-alpha", EBatchItems::Files, &ExecuteRgbAlphaBatch,
         {1071, 1080, 1088, "Execute RGB Alpha Make Batch",
          "Invalid Output settings!\nPlease input or correct the output settings!"}},
        &ReadRgbAlphaSection, &BatchFile::WriteRgbAlphaSection, &IMainFrame::GetAlphaRgbSettings},
    SBatchKindRow<AlphaImageInputs>{
        {EBatchKind::AlphaImageCombine, "AlphaImageCombineBatch", "alpha-image", EBatchItems::Files,
         &ExecuteAlphaImageCombineBatch,
         {1072, 1081, 1089, "Execute Alpha Image Combine Batch",
          "Invalid Image Alpha settings!\nPlease input or correct the Image Alpha settings!"}},
        &ReadAlphaImageCombineSection, &BatchFile::WriteAlphaImageCombineSection, &IMainFrame::GetAlphaImageSettings},
    SBatchKindRow<MngInputs>{
        {EBatchKind::Mng, "MNGMakingBatch", "mng", EBatchItems::Sequences, &ExecuteMngBatch,
         {1073, 1082, 1090, "Execute MNG Batch", "Invalid MNG settings!\nPlease input or correct the MNG settings!"}},
        &ReadMngSection, &BatchFile::WriteMngSection, &IMainFrame::GetMngSettings},
};

// The rows' common parts, indexed by kind.
inline constexpr auto kBatchKindInfos = std::apply(
    [](const auto&... rows) { return std::array<const SBatchKindInfo*, sizeof...(rows)>{&rows...}; }, kBatchKindRows);

static_assert(
    [] {
        if (kBatchKindInfos.size() != kBatchKinds.size())
            return false;
        for (size_t i = 0; i < kBatchKinds.size(); ++i)
            if (size_t(kBatchKinds[i]) != i || kBatchKindInfos[i]->m_eKind != kBatchKinds[i])
                return false;
        return true;
    }(),
    "one row per kind, in the order of kBatchKinds and of the enumeration");

// A batch file and the runner find a kind by its names, the panel a row's button by its id: no two
// rows may share one.
static_assert(
    [] {
        for (size_t i = 0; i < kBatchKindInfos.size(); ++i)
            for (size_t k = 0; k < kBatchKindInfos.size(); ++k)
            {
                const SBatchKindInfo &a = *kBatchKindInfos[i], &b = *kBatchKindInfos[k];
                const int idsA[] = {a.m_panel.m_nExecuteId, a.m_panel.m_nAddItemsId, a.m_panel.m_nSaveConfigId};
                const int idsB[] = {b.m_panel.m_nExecuteId, b.m_panel.m_nAddItemsId, b.m_panel.m_nSaveConfigId};
                for (size_t m = 0; m < 3; ++m)
                    for (size_t n = 0; n < 3; ++n)
                        if ((i != k || m != n) && idsA[m] == idsB[n])
                            return false;
                if (i != k && (std::string_view(a.m_pszSection) == b.m_pszSection ||
                               std::string_view(a.m_pszCommand) == b.m_pszCommand))
                    return false;
            }
        return true;
    }(),
    "each row's names and button ids are its own");

// The kind's row; a value outside the enumeration gives the first row.
inline const SBatchKindInfo& BatchKindInfo(EBatchKind kind)
{
    return *kBatchKindInfos[size_t(kind) < kBatchKindInfos.size() ? size_t(kind) : 0];
}

// f(row) with the kind's typed row (SBatchKindRow<Inputs>); f's result, or a value-initialised one
// for a value outside the enumeration.
template <typename F>
auto WithBatchKindRow(EBatchKind kind, F&& f)
{
    return std::apply(
        [&](const auto&... rows) {
            decltype(f(std::get<0>(kBatchKindRows))) result{};
            (void)((rows.m_eKind == kind ? (result = f(rows), true) : false) || ...);
            return result;
        },
        kBatchKindRows);
}
