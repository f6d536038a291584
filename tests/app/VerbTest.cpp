// The runner's verbs against batch files written by hand with the same values: the same files, byte
// for byte; --save-batch writes such a file; folders give their pictures in natural order.

#include "batch/BatchTesting.h"
#include "batch/RunnerVerbs.h"
#include "config/ProgramSettings.h"

#include <map>

namespace mosvane::test
{
namespace
{
namespace fs = std::filesystem;

// Every file of a folder with its bytes.
std::map<std::string, std::vector<uint8_t>> FolderFiles(const std::string& folder)
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const std::string& name : FolderNames(folder))
        EXPECT_TRUE(ReadFileBytes(folder + "/" + name, files[name])) << name;
    return files;
}

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

    // The verb's run into out/verb and the batch file's run into out/file: both succeed with the
    // same files.
    void ExpectSameOutputs(const std::vector<std::string>& verb, const std::string& section)
    {
        const std::string byVerb = dir.File("out/verb"), byFile = dir.File("out/file");
        fs::remove_all(dir.File("out"));
        fs::create_directories(byVerb), fs::create_directories(byFile);
        std::vector<std::string> args = verb;
        args.insert(args.end(), {"-o", byVerb});
        const SRun verbRun = RunWith(args);
        EXPECT_EQ(verbRun.m_nStatus, kRunnerSucceeded) << verbRun.m_strErr;

        std::string text = section;
        text.replace(text.find("@OUT@"), 5, byFile);
        const SRun fileRun = RunWith({WriteBatch(dir.File("same.xml"), {text})});
        EXPECT_EQ(fileRun.m_nStatus, kRunnerSucceeded) << fileRun.m_strErr;
        EXPECT_EQ(verbRun.m_strOut, fileRun.m_strOut);

        const auto made = FolderFiles(byVerb);
        EXPECT_FALSE(made.empty()) << verb[0];
        EXPECT_TRUE(made == FolderFiles(byFile)) << verb[0];
    }
};

TEST_F(VerbTest, EachVerbWritesTheFilesOfTheBatchFileRecordingItsValues)
{
    const std::string photo = in + "/photo.png", sprite = in + "/sprite.bmp";
    ExpectSameOutputs({"split", photo, sprite, "--rows", "3", "--cols", "2", "--from", "7", "--template", "##",
                       "--type", "bmp"},
                      Section("SplitBatch", "ImageType=\"bmp\" NameFormat=\"x\" FromNumber=\"7\" Folder=\"@OUT@\" Template=\"##\"",
                              "", {photo, sprite},
                              "<Rows><Row Ratio=\"0.333333\"/><Row Ratio=\"0.333333\"/><Row Ratio=\"0.333333\"/></Rows>"
                              "<Cols><Col Ratio=\"0.500000\"/><Col Ratio=\"0.500000\"/></Cols>"));
    // A member names its sequence; a name without the number is the sequence itself.
    ExpectSameOutputs({"combine", in + "/walk02.png", in + "/run.png", "--rows", "1", "--cols", "2", "--from", "2",
                       "--template", "##", "--type", "tga"},
                      Section("CombineBatch", "ImageType=\"tga\" Folder=\"@OUT@\"",
                              "FromNumber=\"2\" Template=\"##\" Rows=\"1\" Cols=\"2\"", {in + "/walk.png", in + "/run.png"}));
    ExpectSameOutputs({"blend", photo, "--background", in + "/back.png", "--overlay", in + "/mark.png"},
                      Section("BlendBatch", "ImageType=\"png\" Folder=\"@OUT@\"",
                              "BkImg=\"" + in + "/back.png\" OverlayImg=\"" + in + "/mark.png\"", {photo}));
    ExpectSameOutputs({"alpha-extract", photo, "--type", "bmp"},
                      Section("AlphaExtractBatch", "ImageType=\"bmp\" Folder=\"@OUT@\"", "", {photo}));
    ExpectSameOutputs({"rgb-alpha", sprite, "--red", "0", "--green", "0", "--blue", "0", "--alpha", "77"},
                      Section("RGBAlphaMakingBatch", "ImageType=\"png\" Folder=\"@OUT@\"", "R=\"0\" G=\"0\" B=\"0\" A=\"77\"",
                              {sprite}));
    ExpectSameOutputs({"alpha-image", photo, "--alpha-image", in + "/grey.png", "--type", "tga"},
                      Section("AlphaImageCombineBatch", "ImageType=\"tga\" Folder=\"@OUT@\"",
                              "SourceAlphaImage=\"" + in + "/grey.png\"", {photo}));
    ExpectSameOutputs({"mng", in + "/walk01.png", "--frames", "4", "--fps", "25", "--from", "2", "--template", "##"},
                      Section("MNGMakingBatch", "ImageType=\"png\" Folder=\"@OUT@\"",
                              "Template=\"##\" FPS=\"25\" FrameCount=\"4\" FromNumber=\"2\"", {in + "/walk.png"}));
    ExpectSameOutputs({"mng", in + "/walk01.png", "--frames", "4", "--template", "##", "--format", "gif"},
                      Section("MNGMakingBatch", "ImageType=\"png\" Folder=\"@OUT@\"",
                              "Template=\"##\" FPS=\"10\" FrameCount=\"4\" FromNumber=\"1\" Format=\"gif\"",
                              {in + "/walk.png"}));
}

TEST_F(VerbTest, SaveBatchWritesTheFileThatGivesTheSameOutputsAndNeverReplacesAnotherFile)
{
    const std::string out = dir.File("out"), file = dir.File("jobs.xml");
    fs::create_directories(out + "/verb"), fs::create_directories(out + "/file");
    // Relative inputs, recorded from the folder the verb ran in.
    const SRun saved = RunProgram("rgb-alpha in/sprite.bmp --alpha 9 -o out/file --save-batch jobs.xml",
                                  "cd " + ShellQuote(dir.Path()) + " &&");
    ASSERT_EQ(saved.m_nStatus, kRunnerSucceeded) << saved.m_strErr;
    EXPECT_EQ(saved.m_strOut, "");
    EXPECT_TRUE(FolderNames(out + "/file").empty()); // saved, not run
    EXPECT_EQ(SavedItems(file, EBatchKind::RgbAlpha), std::vector<std::string>{in + "/sprite.bmp"});

    EXPECT_EQ(RunWith({file}).m_nStatus, kRunnerSucceeded);
    EXPECT_EQ(RunWith({"rgb-alpha", in + "/sprite.bmp", "--alpha", "9", "-o", out + "/verb"}).m_nStatus, kRunnerSucceeded);
    EXPECT_TRUE(FolderFiles(out + "/verb") == FolderFiles(out + "/file"));
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

    EXPECT_TRUE(NaturalNameLess("f9", "f10") && !NaturalNameLess("f10", "f9"));
    EXPECT_TRUE(NaturalNameLess("f007b", "f7c") && NaturalNameLess("f07", "f7") && !NaturalNameLess("f7", "f07"));
    EXPECT_TRUE(NaturalNameLess("a", "a1") && NaturalNameLess("a99999999999999999999", "a100000000000000000000"));
    EXPECT_FALSE(NaturalNameLess("same", "same"));
}

TEST_F(VerbTest, ArgumentsAreCheckedBeforeAnythingRuns)
{
    const std::string photo = in + "/photo.png";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"split"}, {"split", photo, "--rows", "0"}, {"split", photo, "--rows=10000"}, {"split", photo, "--cols", "2x"},
             {"split", photo, "--red", "1"}, {"split", photo, "--type", "gif"}, {"split", photo, "--type", "../png"},
             {"split", photo, "--template", ""}, {"split", photo, "--kind", "mng"}, {"split", photo, "--run"},
             {"rgb-alpha", photo, "--alpha", "256"}, {"mng", photo, "--frames", "0"}, {"mng", photo, "--format", "webp"},
             {"mng", photo, "--format", ""}, {"blend", photo, "--overlay"},
             {photo, "--save-batch", "x.xml"}, {"split", photo, "--list=yes"}})
    {
        const SRun run = RunWith(args);
        EXPECT_EQ(run.m_nStatus, kRunnerRefused) << args.back();
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
    EXPECT_EQ(VerbOptionText(*FindVerbOption(*FindVerb("split"), "--rows"), shipped), "2");
}
} // namespace
} // namespace mosvane::test

namespace mosvane::test
{
namespace
{
// What python's json module reads from the runner's standard output, one line per kind.
std::string ParsedByPython(const std::string& json)
{
    CTempDir dir;
    WriteTextFile(dir.File("out.json"), json);
    const char* script =
        "import json, sys\n"
        "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
        "print('status', d['status'], d.get('error', ''))\n"
        "for k in d['kinds']:\n"
        "    print(k['kind'], k['executed'], k['complete'], k['items'], k['done'], k['skipped'], k['files_written'],\n"
        "          k['files_not_written'], [(f['path'].rsplit('/', 1)[-1], f['reason']) for f in k['failed']])\n";
    WriteTextFile(dir.File("read.py"), script);
    std::string out;
    EXPECT_EQ(RunCommand("python3 " + ShellQuote(dir.File("read.py")) + " " + ShellQuote(dir.File("out.json")) + " 2>&1", &out), 0)
        << out << "\n" << json;
    return out;
}

TEST_F(VerbTest, JsonOnStandardOutputTellsAScriptWhatEachKindDid)
{
    if (RunCommand("command -v python3 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed";
    const std::string out = dir.File("out");
    fs::create_directories(out);
    // Missing items whose names a JSON writer must escape: a quote, a line break, bytes that are
    // no UTF-8.
    const std::string odd = in + "/say \"hi\"\n.png", latin = in + "/caf\xe9.png";
    const SRun run = RunProgram("split " + ShellQuote(in + "/photo.png") + " " + ShellQuote(odd) + " " + ShellQuote(latin) +
                                " --json -o " + ShellQuote(out));
    EXPECT_EQ(run.m_nStatus, kRunnerFailed);
    EXPECT_EQ(ParsedByPython(run.m_strOut),
              "status 1 \n"
              "split True False 3 1 2 4 0 [('say \"hi\"\\n.png', 'does not exist'), ('caf\xef\xbf\xbd.png', 'does not exist')]\n");

    // Worker processes report the same, failures included, in the items' order.
    const std::string many = ShellQuote(in + "/photo.png") + " " + ShellQuote(in + "/gone1.png") + " " +
                             ShellQuote(in + "/sprite.bmp") + " " + ShellQuote(in + "/gone2.png") + " --json -o " + ShellQuote(out);
    const SRun one = RunProgram("alpha-extract " + many + " --jobs 1"), three = RunProgram("alpha-extract " + many + " --jobs 3");
    EXPECT_EQ(one.m_strOut, three.m_strOut);
    EXPECT_EQ(ParsedByPython(three.m_strOut), "status 1 \nalpha-extract True False 4 1 3 1 0 [('gone1.png', 'does not exist'), "
                                              "('sprite.bmp', 'has no alpha layer'), ('gone2.png', 'does not exist')]\n");

    // A batch file: kinds that did not start say why; a refusal is an object too.
    const std::string file = WriteBatch(dir.File("b.xml"), {Section("MNGMakingBatch", PngOutput(out), "FrameCount=\"0\"", {})});
    EXPECT_EQ(ParsedByPython(RunProgram(ShellQuote(file) + " --json --kind mng --kind split").m_strOut),
              "status 1 \nsplit False False 0 0 0 0 0 []\nmng False False 0 0 0 0 0 []\n");
    EXPECT_EQ(ParsedByPython(RunProgram("--json " + ShellQuote(dir.File("none.xml"))).m_strOut),
              "status 2 cannot read '" + dir.File("none.xml") + "': No such file or directory\n");
}
} // namespace
} // namespace mosvane::test
