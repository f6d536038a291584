// The "Batch All" tab: a start without a batch and the Load of a file that is no batch file; New,
// Save Config of every row with its messages, Add Items, Execute of every row with its outputs,
// Save and a restart that loads the batch again.

#include "GuiTesting.h"

#include "batch/BatchKindTable.h"
#include "config/Log.h"
#include "ui/BatchPanel.h"
#include "ui/OutputSettingsPanel.h"

#include <filesystem>
#include <fstream>

using namespace mosvane::test;

namespace
{
constexpr int kTab = 2;
// The ids of a row's three buttons.
const SBatchPanelRow& Row(EBatchKind kind)
{
    return BatchKindInfo(kind).m_panel;
}
const SBatchPanelRow& Row(size_t row)
{
    return Row(kBatchKinds[row]);
}
const std::string kSaved = "Succeed: Succeed to save current batch file!";

class BatchPanelTest : public FrameTest
{
protected:
    // Which rows can be added to and executed, as a string of 0 and 1.
    std::string RowStates()
    {
        std::string states;
        for (size_t row = 0; row < 7; ++row)
        {
            EXPECT_EQ(Enabled(kTab, Row(row).m_nExecuteId), Enabled(kTab, Row(row).m_nAddItemsId)) << row;
            states += Enabled(kTab, Row(row).m_nExecuteId) ? '1' : '0';
        }
        return states;
    }
};
} // namespace

TEST_F(BatchPanelTest, WithoutBatchOnlyNewLoadAndSaveConfigThenLoadOfNoBatch)
{
    Settings().m_strLastBatchFile = m_dir.File("Cnfg/BatchMosvane.xml"); // the default, not there
    Start();
    EXPECT_EQ(Text(kTab, IdBatchPath), "");
    EXPECT_EQ(RowStates(), "0000000");
    EXPECT_FALSE(Enabled(kTab, IdBatchSave));
    for (EBatchKind kind : kBatchKinds)
        EXPECT_TRUE(Enabled(kTab, Row(kind).m_nSaveConfigId));
    Click(kTab, Row(EBatchKind::Split).m_nSaveConfigId);
    EXPECT_EQ(TakeMessages(), Said{"Wrong Settings: Please Create/Open a batch file first for saving!"});
    Stop();
    EXPECT_EQ(Settings().m_strLastBatchFile, "");

    const std::string other = m_dir.File("other.xml");
    std::ofstream(other) << "<Pictures/>\n";
    Start();
    m_dialogs.m_openPaths = {other};
    Click(kTab, IdBatchLoad);
    EXPECT_EQ(Text(kTab, IdBatchPath).toStdString(), other);
    EXPECT_FALSE(Enabled(kTab, IdBatchSave));
    EXPECT_EQ(RowStates(), "0000000");
    EXPECT_EQ(TakeMessages(),
              Said{"Fail: Fail to load the batch file, it is not a batch file Mosvane can read:\n\n " + other});
    Stop();
    EXPECT_EQ(Settings().m_strLastBatchFile, other);
}

TEST_F(BatchPanelTest, EveryRowConfiguredFilledExecutedSavedAndLoadedAgain)
{
    std::filesystem::create_directories(m_dir.File("out"));
    const std::string item = WritePicture(m_dir, "a.png", PatternImage(16, 12, 200));
    WriteSequence("seq", "s", 2, 4, [](int) { return PatternImage(5, 4); });
    Settings().m_nSplitRows = 2, Settings().m_nSplitCols = 2, Settings().m_strSplitTemplate = "#";
    Settings().m_nSplitSeqFrom = 1;
    SeedCombine("seq", "s", 2, 2, 2), SeedMng("seq", "s", 2, 4, 5);
    Settings().m_strBlendBkImg = item, Settings().m_strAlphaImage = item;
    Settings().m_strMngFormat = "gif"; // recorded by the MNG row's Save Config
    Start();

    const std::string batch = m_dir.File("jobs.xml");
    m_dialogs.m_savePaths = {batch};
    Click(kTab, IdBatchNew);
    EXPECT_EQ(Text(kTab, IdBatchPath).toStdString(), batch);
    EXPECT_TRUE(FileExists(batch));
    EXPECT_EQ(m_dialogs.m_strLastSuffix, "xml");
    EXPECT_TRUE(Enabled(kTab, IdBatchSave));

    // Without an output folder the combine row refuses and the alpha extract row records.
    m_pFrame->OutputPanel()->FolderEdit()->clear();
    Click(kTab, Row(EBatchKind::Combine).m_nSaveConfigId);
    Click(kTab, Row(EBatchKind::AlphaExtract).m_nSaveConfigId);
    EXPECT_EQ(TakeMessages(), (Said{"Wrong Settings: Invalid Image Combiner settings!\n"
                                    "Please input or correct the combine settings!",
                                    kSaved}));
    EXPECT_EQ(RowStates(), "0001000");

    m_pFrame->OutputPanel()->FolderEdit()->setText(QString::fromStdString(m_dir.File("out")));
    for (EBatchKind kind : kBatchKinds)
        Click(kTab, Row(kind).m_nSaveConfigId);
    EXPECT_EQ(TakeMessages(), Said(7, kSaved));
    EXPECT_EQ(RowStates(), "1111111");

    for (size_t row = 0; row < 7; ++row)
    {
        const bool sequence = row == 1 || row == 6;
        m_dialogs.m_openPaths = sequence ? std::vector<std::string>{m_dir.File("seq/s01.png"), m_dir.File("seq/s03.png")}
                                         : std::vector<std::string>{item};
        Click(kTab, Row(row).m_nAddItemsId);
        Click(kTab, Row(row).m_nExecuteId);
    }
    EXPECT_EQ(TakeMessages(), Said(7, "Succeed: Succeed to execute the batch, check the images in specific output folder."));
    for (const char* name : {"a1.png", "a4.png", "s.png", "a_Blend.png", "a_Alpha.png", "a_AlphaRGB.png",
                             "a_ImageAlpha.png"})
        EXPECT_TRUE(FileExists(m_dir.File("out/") + name)) << name;
    // The MNG row writes in the group's format where the Output Settings say, as the interactive
    // command does.
    EXPECT_EQ(ReadTextFile(m_dir.File("out/s.gif")).substr(0, 6), "GIF89a");
    EXPECT_FALSE(FileExists(m_dir.File("seq/s.gif")) || FileExists(m_dir.File("out/s.mng")));
    EXPECT_EQ(QImage(QString::fromStdString(m_dir.File("out/a4.png"))).size(), QSize(8, 6));
    EXPECT_EQ(QImage(QString::fromStdString(m_dir.File("out/s.png"))).size(), QSize(10, 8));

    Click(kTab, IdBatchSave);
    Stop();
    EXPECT_EQ(Settings().m_strLastBatchFile, batch);

    Start();
    EXPECT_EQ(Text(kTab, IdBatchPath).toStdString(), batch);
    EXPECT_EQ(RowStates(), "1111111");
    // One sequence item for the two chosen files of one sequence.
    BatchSection section;
    ASSERT_TRUE(m_pFrame->BatchPanel()->Batch().GetSection(EBatchKind::Combine, section));
    EXPECT_EQ(section.m_items.ChildCount(), 1u);
}

// At close the batch file is written only when the window changed it, and never over an edit
// made to it on disk since it was loaded: that edit stays, and the log says so.
TEST_F(BatchPanelTest, CloseWritesOnlyChangesAndKeepsEditsMadeOnDisk)
{
    const std::string batch = m_dir.File("jobs.xml");
    const std::string loaded = "<MosvaneBatch >\n\n</MosvaneBatch>\n"; // as no writer spaces it
    const std::string edited = "<MosvaneBatch>\n<!-- by hand -->\n</MosvaneBatch>\n";
    CTempDir logs;
    SetLogFolder(logs.Path());
    struct SCase
    {
        bool m_bWindowChanges, m_bDiskEdited;
    };
    for (const SCase c : {SCase{false, false}, {false, true}, {true, true}, {true, false}})
    {
        WriteTextFile(batch, loaded);
        Settings().m_strLastBatchFile = batch;
        Start();
        if (c.m_bWindowChanges)
            Click(kTab, Row(EBatchKind::AlphaExtract).m_nSaveConfigId);
        if (c.m_bDiskEdited)
            WriteTextFile(batch, edited);
        Stop();
        const std::string after = ReadTextFile(batch);
        if (c.m_bWindowChanges && !c.m_bDiskEdited)
            EXPECT_NE(after.find("AlphaExtract"), std::string::npos) << after;
        else
            EXPECT_EQ(after, c.m_bDiskEdited ? edited : loaded) << c.m_bWindowChanges;
    }
    SetLogFolder("");
    std::string log;
    for (const std::string& name : FolderNames(logs.Path()))
        log += ReadTextFile(logs.File(name));
    const std::string notice = "The batch file " + batch + " was changed on disk since it was loaded";
    const size_t said = log.find(notice);
    EXPECT_NE(said, std::string::npos) << log;
    EXPECT_EQ(log.find(notice, said + notice.size()), std::string::npos) << log; // once, for the one case
}
