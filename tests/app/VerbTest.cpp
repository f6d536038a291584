// The runner's verbs against batch files written by hand with the same values: the same files, byte
// for byte; --save-batch writes such a file; folders give their pictures in natural order.

#include "batch/BatchTesting.h"
#include "batch/RunnerVerbs.h"
#include "config/ProgramSettings.h"

#include "support/JsonRead.h"

#include <regex>
#include <set>

namespace mosvane::test
{
namespace
{
namespace fs = std::filesystem;

// The item paths of a saved batch file's section, in order.
std::vector<std::string> SavedItems(const std::string& file, EBatchKind kind)
{
    BatchFile batch;
    BatchSection section;
    EXPECT_TRUE(batch.LoadBatchFile(file) && batch.GetSection(kind, section)) << file;
    std::vector<std::string> items;
    for (uint32_t i = 0; i < section.m_items.ChildCount(); ++i)
        items.push_back(section.m_items.Child(i).FindAttribute("PathName").Value());
    return items;
}

// Pictures for every verb: two to cut and blend, layers, and two numbered sequences.
struct VerbTest : ::testing::Test
{
    CTempDir dir;
    std::string in = dir.File("in");

    void SetUp() override
    {
        fs::create_directories(in);
        Put(in + "/photo.png", Pattern(30, 20, true));
        Put(in + "/sprite.bmp", Pattern(9, 7), "-type TrueColor");
        Put(in + "/back.png", Solid(4, 4, 10, 200, 30));
        Put(in + "/mark.png", Solid(6, 6, 0, 0, 255, 100));
        Put(in + "/grey.png", Pattern(30, 20), "-colorspace Gray");
        for (int n = 1; n <= 5; ++n)
            Put(in + "/walk0" + std::to_string(n) + ".png", Solid(5, 4, uint8_t(40 * n), 9, 0, 255));
        for (int n = 2; n <= 3; ++n)
            Put(in + "/run0" + std::to_string(n) + ".png", Solid(3, 3, 0, uint8_t(60 * n), 0, 255));
    }

    // A verb with its pictures and values, and the batch section recording the same by hand
    // (@OUT@ for its output folder).
    struct SSameRun
    {
        std::vector<std::string> m_verb;
        std::string m_strSection;
    };

    // Three runs of the same values give the same files, byte for byte: the verb into out/verb,
    // the hand-written batch file into out/file, and the file --save-batch wrote into out/saved.
    void ExpectSameOutputs(const SSameRun& same)
    {
        const std::string& verb = same.m_verb[0];
        const std::string byVerb = dir.File("out/verb"), byFile = dir.File("out/file"), bySaved = dir.File("out/saved");
        fs::remove_all(dir.File("out")), fs::remove(dir.File("saved.xml"));
        for (const std::string& folder : {byVerb, byFile, bySaved})
            fs::create_directories(folder);
        const auto with = [&](std::vector<std::string> extra) {
            extra.insert(extra.begin(), same.m_verb.begin(), same.m_verb.end());
            return RunWith(extra);
        };
        std::string text = same.m_strSection;
        text.replace(text.find("@OUT@"), 5, byFile);
        const SRun verbRun = with({"-o", byVerb}), fileRun = RunWith({WriteBatch(dir.File("same.xml"), {text})});
        EXPECT_TRUE(verbRun.m_nStatus == kRunnerSucceeded && fileRun.m_nStatus == kRunnerSucceeded)
            << verb << verbRun.m_strErr << fileRun.m_strErr;
        EXPECT_EQ(verbRun.m_strOut, fileRun.m_strOut) << verb;

        EXPECT_EQ(with({"-o", bySaved, "--save-batch", dir.File("saved.xml")}).m_nStatus, kRunnerSucceeded) << verb;
        EXPECT_TRUE(FolderNames(bySaved).empty()) << verb; // saved, not run
        EXPECT_EQ(RunWith({dir.File("saved.xml")}).m_nStatus, kRunnerSucceeded) << verb;
        const auto made = FilesIn(byVerb);
        EXPECT_TRUE(!made.empty() && made == FilesIn(byFile) && made == FilesIn(bySaved)) << verb;
    }
};

TEST_F(VerbTest, EachVerbWritesTheFilesOfTheBatchFileRecordingItsValuesAndOfTheFileItSaves)
{
    const std::string photo = in + "/photo.png", sprite = in + "/sprite.bmp";
    const SSameRun runs[] = {
        {{"split", photo, sprite, "--rows", "3", "--cols", "2", "--from", "7", "--template", "##", "--type", "bmp"},
         Section("SplitBatch", "ImageType=\"bmp\" NameFormat=\"x\" FromNumber=\"7\" Folder=\"@OUT@\" Template=\"##\"", "",
                 {photo, sprite},
                 "<Rows><Row Ratio=\"0.333333\"/><Row Ratio=\"0.333333\"/><Row Ratio=\"0.333333\"/></Rows>"
                 "<Cols><Col Ratio=\"0.500000\"/><Col Ratio=\"0.500000\"/></Cols>")},
        // A member names its sequence; a name without the number is the sequence itself.
        {{"combine", in + "/walk02.png", in + "/run.png", "--rows", "1", "--cols", "2", "--from", "2", "--template", "##",
          "--type", "tga"},
         Section("CombineBatch", "ImageType=\"tga\" Folder=\"@OUT@\"", "FromNumber=\"2\" Template=\"##\" Rows=\"1\" Cols=\"2\"",
                 {in + "/walk.png", in + "/run.png"})},
        // The sheet settings, data files included.
        {{"split", photo, "--rows", "2", "--cols", "2", "--data", "json-hash", "--margin", "1", "--spacing", "2", "--trim", "1",
          "--skip-empty", "1"},
         Section("SplitBatch", "ImageType=\"png\" FromNumber=\"1\" Folder=\"@OUT@\" Template=\"###\" DataFormat=\"json-hash\"",
                 "Margin=\"1\" Spacing=\"2\" Trim=\"1\" SkipEmpty=\"1\"", {photo},
                 "<Rows><Row Ratio=\"0.500000\"/><Row Ratio=\"0.500000\"/></Rows>"
                 "<Cols><Col Ratio=\"0.500000\"/><Col Ratio=\"0.500000\"/></Cols>")},
        {{"combine", in + "/walk02.png", "--rows", "1", "--cols", "2", "--from", "2", "--template", "##", "--data",
          "json-array", "--keep-alpha", "1", "--padding", "2", "--margin", "1", "--extrude", "1"},
         Section("CombineBatch", "ImageType=\"png\" Folder=\"@OUT@\" DataFormat=\"json-array\"",
                 "FromNumber=\"2\" Template=\"##\" Rows=\"1\" Cols=\"2\" KeepAlpha=\"1\" Padding=\"2\" Margin=\"1\" Extrude=\"1\"",
                 {in + "/walk.png"})},
        {{"blend", photo, "--background", in + "/back.png", "--overlay", in + "/mark.png"},
         Section("BlendBatch", "ImageType=\"png\" Folder=\"@OUT@\"",
                 "BkImg=\"" + in + "/back.png\" OverlayImg=\"" + in + "/mark.png\"", {photo})},
        {{"alpha-extract", photo, "--type", "bmp"}, Section("AlphaExtractBatch", "ImageType=\"bmp\" Folder=\"@OUT@\"", "", {photo})},
        {{"rgb-alpha", sprite, "--red", "0", "--green", "0", "--blue", "0", "--alpha", "77"},
         Section("RGBAlphaMakingBatch", "ImageType=\"png\" Folder=\"@OUT@\"", "R=\"0\" G=\"0\" B=\"0\" A=\"77\"", {sprite})},
        {{"alpha-image", photo, "--alpha-image", in + "/grey.png", "--type", "tga"},
         Section("AlphaImageCombineBatch", "ImageType=\"tga\" Folder=\"@OUT@\"", "SourceAlphaImage=\"" + in + "/grey.png\"",
                 {photo})},
        {{"mng", in + "/walk01.png", "--frames", "4", "--fps", "25", "--from", "2", "--template", "##"},
         Section("MNGMakingBatch", "ImageType=\"png\" Folder=\"@OUT@\"", "Template=\"##\" FPS=\"25\" FrameCount=\"4\" FromNumber=\"2\"",
                 {in + "/walk.png"})},
    };
    for (const SSameRun& same : runs)
        ExpectSameOutputs(same);
}

TEST_F(VerbTest, SaveBatchRecordsRelativeInputsAddsToABatchFileAndNeverReplacesAnotherFile)
{
    const std::string out = dir.File("out"), file = dir.File("jobs.xml");
    fs::create_directories(out + "/file");
    // Relative inputs, recorded from the folder the verb ran in.
    const SRun saved = RunProgram("rgb-alpha in/sprite.bmp --alpha 9 -o out/file --save-batch jobs.xml",
                                  "cd " + ShellQuote(dir.Path()) + " &&");
    ASSERT_EQ(saved.m_nStatus, kRunnerSucceeded) << saved.m_strErr;
    EXPECT_EQ(saved.m_strOut, "");
    EXPECT_TRUE(FolderNames(out + "/file").empty()); // saved, not run
    EXPECT_EQ(SavedItems(file, EBatchKind::RgbAlpha), std::vector<std::string>{in + "/sprite.bmp"});

    EXPECT_EQ(RunWith({file}).m_nStatus, kRunnerSucceeded);
    EXPECT_EQ(FolderNames(out + "/file"), std::vector<std::string>{"sprite_AlphaRGB.png"});

    // Into a batch file: the kind's values replaced, its items added, other sections kept; with
    // --run the section runs as well.
    fs::remove(out + "/file/sprite_AlphaRGB.png");
    const SRun added = RunWith({"split", in + "/photo.png", "-o", out + "/file", "--save-batch", file, "--run"});
    EXPECT_EQ(added.m_nStatus, kRunnerSucceeded) << added.m_strErr;
    EXPECT_EQ(FolderNames(out + "/file").size(), 4u);
    EXPECT_TRUE(RunWith({"rgb-alpha", in + "/photo.png", "--save-batch", file}).m_nStatus == kRunnerSucceeded);
    EXPECT_EQ(SavedItems(file, EBatchKind::RgbAlpha), (std::vector<std::string>{in + "/sprite.bmp", in + "/photo.png"}));
    EXPECT_EQ(SavedItems(file, EBatchKind::Split), std::vector<std::string>{in + "/photo.png"});
    EXPECT_NE(ReadTextFile(file).find("A=\"0\""), std::string::npos);

    // Anything that is not a batch file stays as it is.
    WriteTextFile(dir.File("notes.xml"), "<Notes/>");
    const SRun refused = RunWith({"split", in + "/photo.png", "--save-batch", dir.File("notes.xml")});
    EXPECT_EQ(refused.m_nStatus, kRunnerRefused);
    EXPECT_TRUE(refused.Says("is not a batch file") && refused.Says("not written over")) << refused.m_strErr;
    EXPECT_EQ(ReadTextFile(dir.File("notes.xml")), "<Notes/>");
    EXPECT_EQ(RunWith({"split", in + "/photo.png", "--save-batch", dir.File("no/such/folder.xml")}).m_nStatus,
              kRunnerFailed);
}

TEST_F(VerbTest, FoldersGiveTheirPicturesInNaturalOrder)
{
    const std::string frames = dir.File("frames");
    fs::create_directories(frames + "/sub.png");
    for (const char* name : {"frame10.png", "frame2.png", "frame1.png", "Frame3.png", ".hidden.png", "notes.txt"})
        WriteTextFile(frames + "/" + name, "");
    const std::string file = dir.File("order.xml");
    ASSERT_EQ(RunWith({"alpha-extract", frames, in + "/photo.png", "--save-batch", file}).m_nStatus, kRunnerSucceeded);
    EXPECT_EQ(SavedItems(file, EBatchKind::AlphaExtract),
              (std::vector<std::string>{frames + "/Frame3.png", frames + "/frame1.png", frames + "/frame2.png",
                                        frames + "/frame10.png", in + "/photo.png"}));

    // A sequence kind takes each sequence of the folder once, the files of no sequence left out.
    ASSERT_EQ(RunWith({"mng", in, "--template", "##", "--save-batch", file}).m_nStatus, kRunnerSucceeded);
    EXPECT_EQ(SavedItems(file, EBatchKind::Mng), (std::vector<std::string>{in + "/run.png", in + "/walk.png"}));

    // Beyond what the folder above shows: leading zeros, numbers past 64 bits, equal names.
    EXPECT_TRUE(NaturalNameLess("f07", "f7") && !NaturalNameLess("f7", "f07") && !NaturalNameLess("same", "same"));
    EXPECT_TRUE(NaturalNameLess("a99999999999999999999", "a100000000000000000000"));
}

TEST_F(VerbTest, ArgumentsAreCheckedBeforeAnythingRuns)
{
    const std::string photo = in + "/photo.png";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"split"}, {"split", photo, "--rows=10000"}, {"split", photo, "--cols", "2x"}, {"split", photo, "--type", "../png"},
             {"split", photo, "--template", ""}, {"split", photo, "--kind", "mng"}, {"split", photo, "--run"},
             {"rgb-alpha", photo, "--alpha", "256"}, {"mng", photo, "--format", ""}, {"blend", photo, "--overlay"},
             {photo, "--save-batch", "x.xml"}, {"split", photo, "--data", "json"}, {"combine", photo, "--padding", "-1"},
             // The runner's own, refused for the arguments themselves, not for the file they name.
             {}, {"b.xml", "--kind"}, {"b.xml", "--kind", "Split"}, {"b.xml", "-x"}, {"a.xml", "b.xml"},
             {"b.xml", "--jobs=257"}, {"b.xml", "--jobs", "two"}, {"b.xml", "--shard=2/2"}})
    {
        const SRun run = RunWith(args);
        EXPECT_EQ(run.m_nStatus, kRunnerRefused) << (args.empty() ? "" : args.back());
        EXPECT_TRUE(run.Says("Try 'mosvane-batch")) << run.m_strErr;
    }
    EXPECT_TRUE(RunWith({"split", photo, "--rows", "0"}).Says("--rows '0' is not a whole number from 1 to 9999"));
    EXPECT_TRUE(RunWith({"split", photo, "--red", "1"}).Says("Try 'mosvane-batch split --help'"));
    EXPECT_TRUE(RunWith({"mng", photo, "--format", "APNG"}).Says("--format 'APNG' is not an animation format (mng, apng or gif)"));

    // A file named like a verb runs as a file when named with its folder; --help after a verb is
    // the verb's.
    WriteBatch(dir.File("split"), {});
    EXPECT_EQ(RunProgram("./split --list", "cd " + ShellQuote(dir.Path()) + " &&").m_nStatus, kRunnerSucceeded);
    const SRun help = RunWith({"split", "--help"});
    EXPECT_TRUE(help.m_nStatus == kRunnerSucceeded && help.Prints("Usage: mosvane-batch split PICTURE...") &&
                help.Prints("--rows ROWS") && help.Prints("(default: 2)"));

    // A picture that does not exist is the run's to report, as in a batch file.
    EXPECT_EQ(RunWith({"split", dir.File("in/photo.png/x")}).m_nStatus, kRunnerFailed);
}

// A fresh settings file holds every verb's defaults but the output folder: the window's goes beside
// the program, which a shell command leaves alone; a verb writes into the current folder.
TEST(Verbs, DefaultsAreThoseOfTheShippedSettingsFile)
{
    CTempDir dir;
    fs::create_directories(dir.File("Cnfg"));
    fs::copy_file(std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/Mosvane.xml", dir.File("Cnfg/Mosvane.xml"));
    CProgramSettings settings;
    ASSERT_TRUE(settings.LoadSettings(dir.Path()));
    const SVerbValues shipped = ShippedVerbValues(), fresh = VerbValuesOf(settings);
    for (const SVerb& verb : RunnerVerbs())
        for (const SVerbOption& option : verb.m_options)
            EXPECT_EQ(VerbOptionText(option, shipped),
                      option.m_eValue == EVerbValue::Folder ? std::string() : VerbOptionText(option, fresh))
                << KindCommandName(verb.m_eKind) << " " << option.m_pszName;
}
} // namespace
} // namespace mosvane::test

namespace mosvane::test
{
namespace
{
// Every member name of a JSON value and of the values it holds.
void MemberNames(const SJson& value, std::set<std::string>& names)
{
    for (const auto& [name, member] : value.m_members)
        names.insert(name), MemberNames(member, names);
    for (const SJson& item : value.m_items)
        MemberNames(item, names);
}

// The runner's standard output read by a strict JSON reader: the status and error, then one line
// per kind. The member names go to names.
std::string ReadResults(const std::string& json, std::set<std::string>& names)
{
    SJson d;
    std::string error;
    EXPECT_TRUE(ParseJson(json, d, error)) << error << "\n" << json;
    MemberNames(d, names);
    std::string text = "status " + std::to_string(d["status"].Integer()) + " " + d["error"].m_strValue + "\n";
    for (const SJson& k : d["kinds"].m_items)
    {
        text += k["kind"].m_strValue + (k["executed"].m_bValue ? " executed" : " not executed") +
                (k["complete"].m_bValue ? " complete" : "");
        for (const char* count : {"items", "done", "skipped", "files_written", "files_not_written"})
            text += " " + std::to_string(k[count].Integer());
        for (const SJson& f : k["failed"].m_items)
            text += " [" + fs::path(f["path"].m_strValue).filename().string() + ": " + f["reason"].m_strValue + "]";
        text += "\n";
    }
    return text;
}

// The "JSON output:" part of --help, up to the next heading.
std::string HelpJsonPart()
{
    const std::string help = RunWith({"--help"}).m_strOut;
    const size_t at = help.find("\nJSON output:\n");
    return at == std::string::npos ? std::string() : help.substr(at, help.find("\nExit status:", at) - at);
}

TEST_F(VerbTest, JsonOnStandardOutputTellsAScriptWhatEachKindDidInEveryMemberTheHelpDescribes)
{
    const std::string out = dir.File("out");
    fs::create_directories(out);
    std::set<std::string> names;
    // Missing items whose names a JSON writer must escape: a quote, a line break, bytes that are
    // no UTF-8.
    const std::string odd = in + "/say \"hi\"\n.png", latin = in + "/caf\xe9.png";
    const SRun run = RunProgram("split " + ShellQuote(in + "/photo.png") + " " + ShellQuote(odd) + " " + ShellQuote(latin) +
                                " --json -o " + ShellQuote(out));
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_EQ(ReadResults(run.m_strOut, names), "status 1 \nsplit executed 3 1 2 4 0 [say \"hi\"\n.png: does not exist] "
                                                "[caf\xef\xbf\xbd.png: does not exist]\n");

    // Worker processes report the same, failures included, in the items' order.
    const std::string many = ShellQuote(in + "/photo.png") + " " + ShellQuote(in + "/gone1.png") + " " +
                             ShellQuote(in + "/sprite.bmp") + " " + ShellQuote(in + "/gone2.png") + " --json -o " + ShellQuote(out);
    const SRun one = RunProgram("alpha-extract " + many + " --jobs 1"), three = RunProgram("alpha-extract " + many + " --jobs 3");
    EXPECT_EQ(one.m_strOut, three.m_strOut);
    EXPECT_EQ(ReadResults(three.m_strOut, names), "status 1 \nalpha-extract executed 4 1 3 1 0 [gone1.png: does not exist] "
                                                  "[sprite.bmp: has no alpha layer] [gone2.png: does not exist]\n");

    // Two items of one name from two folders clash on one output file (which of them wins, at any
    // number of workers, is the workers test's): workers report the same object.
    for (const std::string& folder : {in + "/a", in + "/b"})
        fs::create_directories(folder);
    fs::copy_file(in + "/photo.png", in + "/a/pic.png"), fs::copy_file(in + "/grey.png", in + "/b/pic.png");
    const std::string clash = "rgb-alpha " + ShellQuote(in + "/a/pic.png") + " " + ShellQuote(in + "/b/pic.png") +
                              " --json -o " + ShellQuote(out + "/clash");
    const SRun clashOne = RunProgram(clash + " --jobs 1");
    EXPECT_EQ(ReadResults(clashOne.m_strOut, names).rfind("status 0 \nrgb-alpha executed complete 2 2 0 ", 0), 0u)
        << clashOne.m_strOut;
    EXPECT_EQ(RunProgram(clash + " --jobs 2").m_strOut, clashOne.m_strOut);

    // A batch file: kinds that did not start say why; a refusal is an object too.
    const std::string file = WriteBatch(dir.File("b.xml"), {Section("MNGMakingBatch", PngOutput(out), "FrameCount=\"0\"", {})});
    EXPECT_EQ(ReadResults(RunProgram(ShellQuote(file) + " --json --kind mng --kind split").m_strOut, names),
              "status 1 \nsplit not executed 0 0 0 0 0\nmng not executed 0 0 0 0 0\n");
    EXPECT_EQ(ReadResults(RunProgram("--json " + ShellQuote(dir.File("none.xml"))).m_strOut, names),
              "status 2 cannot read '" + dir.File("none.xml") + "': No such file or directory\n");

    // Every member a script may meet is described in --help (so in the manual page) and in the
    // help file.
    EXPECT_TRUE(names.count("error") && names.count("reason") && names.count("notes_left_out")) << names.size();
    const std::string help = HelpJsonPart();
    const std::string helpFile = ReadTextFile(std::string(MOSVANE_SOURCE_DIR) + "/data/Mosvane.html");
    for (const std::string& name : names)
    {
        EXPECT_TRUE(std::regex_search(help, std::regex("\\b" + name + "\\b"))) << name << help;
        EXPECT_NE(helpFile.find("<code>" + name + "</code>"), std::string::npos) << name;
    }
}
} // namespace
} // namespace mosvane::test
