#include "batch/BatchRunner.h"

#include "base/FileIo.h"

#include "batch/BatchExecute.h"
#include "batch/BatchSections.h"
#include "batch/BatchWorkers.h"
#include "batch/ConsoleFrame.h"
#include "batch/RunStop.h"
#include "batch/RunnerJson.h"
#include "engine/gx.h"
#include "ops/AnimationFormat.h"
#include "ops/FrameHooks.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const char* const kProgram = kRunnerProgram;

std::string KindList()
{
    std::string list;
    for (EBatchKind kind : kBatchKinds)
        list += (list.empty() ? "" : ", ") + std::string(KindCommandName(kind));
    return list;
}

// The words of text as lines of at most width characters, each after indent.
std::string WrapLines(const std::string& text, const std::string& indent, size_t width)
{
    std::string lines, line;
    size_t start = 0;
    while (start < text.size())
    {
        const size_t end = std::min(text.find(' ', start), text.size());
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && indent.size() + line.size() + 1 + word.size() > width)
        {
            lines += indent + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return line.empty() ? lines : lines + indent + line + "\n";
}

bool AddKind(const std::string& name, SRunnerOptions& options, std::string& error)
{
    EBatchKind kind;
    if (!KindFromCommandName(name, kind))
    {
        error = "unknown kind '" + name + "' (one of " + KindList() + ")";
        return false;
    }
    options.m_kinds.push_back(kind);
    return true;
}

// What an option that takes a value wants, in words; empty for other options.
std::string ValueWanted(const std::string& option)
{
    if (option == "--kind")
        return "a kind (one of " + KindList() + ")";
    if (option == "--jobs")
        return "a number of worker processes from 1 to " + std::to_string(kMaxRunnerJobs);
    if (option == "--shard")
        return "K/N: this run's share K (from 0) of N shares";
    return "";
}

bool TakeValue(const std::string& option, const std::string& value, SRunnerOptions& options, std::string& error)
{
    if (option == "--kind")
        return AddKind(value, options, error);
    if (option == "--shard")
    {
        if (ParseItemShard(value, options.m_shard))
            return true;
        error = "--shard '" + value + "' is not K/N with 0 <= K < N";
        return false;
    }
    int jobs = 0;
    const auto parsed = std::from_chars(value.data(), value.data() + value.size(), jobs);
    if (value.empty() || parsed.ec != std::errc() || parsed.ptr != value.data() + value.size() || jobs < 1 ||
        jobs > kMaxRunnerJobs)
    {
        error = "--jobs '" + value + "' is not a number of worker processes from 1 to " + std::to_string(kMaxRunnerJobs);
        return false;
    }
    options.m_nJobs = jobs;
    return true;
}

// Attributes of a node as name="value" pairs, in document order, read without changing anything.
std::string AttributeText(XmlNode node)
{
    std::string text;
    for (uint32_t i = 0; i < node.AttributeCount(); ++i)
    {
        const XmlAttribute attribute = node.AttributeAt(i);
        const char* name = attribute.Name();
        const char* value = attribute.Value();
        text += std::string(text.empty() ? "" : " ") + (name ? name : "") + "=\"" + (value ? value : "") + "\"";
    }
    return text;
}

std::string RatioListText(const SRatioListTexts& list)
{
    if (!list.m_bPresent)
        return "none";
    std::string text;
    for (const std::string& value : list.m_entries)
        text += std::string(text.empty() ? "" : " ") + (value.empty() ? "(none)" : value);
    return text.empty() ? "empty" : text;
}

// The animation format an MNG section makes, also when it records none.
std::string AnimationFormatText(const BatchSection& section)
{
    MngInputs inputs;
    ReadMngSection(section, inputs, EAbsentValue::Leave);
    EAnimationFormat format = EAnimationFormat::Mng;
    if (!AnimationFormatFromName(inputs.m_strFormat, format))
        return "\"" + inputs.m_strFormat + "\", no animation format (" + AnimationFormatChoices() +
               "): cannot be executed";
    return std::string(AnimationFormatName(format)) + (inputs.m_strFormat.empty() ? " (none recorded)" : "");
}

void ListSection(const BatchFile& batch, EBatchKind kind, std::ostream& out)
{
    const BatchSection section = batch.SectionParts(kind);
    const XmlNode output = section.m_output;
    const XmlNode input = section.m_input;
    const XmlNode items = section.m_items;

    uint32_t withPath = 0;
    for (uint32_t i = 0; i < items.ChildCount(); ++i)
        withPath += ReadItemPath(items.Child(i), EAbsentValue::Leave).empty() ? 0 : 1;
    out << KindCommandName(kind) << " (" << SectionName(kind) << "): " << withPath
        << (withPath == 1 ? " item" : " items");
    if (items.ChildCount() != withPath)
        out << ", " << items.ChildCount() - withPath << " entries without a path";
    std::string missing;
    for (auto [name, node] : {std::pair{"Output", output}, std::pair{"Input", input}, std::pair{"ApplyToItems", items}})
        if (node.IsEmpty())
            missing += std::string(missing.empty() ? "" : ", ") + name;
    if (!missing.empty())
        out << "; incomplete, cannot be executed (no " << missing << ")";
    out << "\n";

    if (!output.IsEmpty())
        out << "  Output: " << AttributeText(output) << "\n";
    if (!input.IsEmpty())
    {
        out << "  Input: " << AttributeText(input);
        if (kind == EBatchKind::Split)
        {
            SRatioListTexts rows, cols;
            ReadSplitRatioTexts(section, rows, cols);
            out << (input.AttributeCount() ? "; " : "") << "Rows " << RatioListText(rows) << "; Cols "
                << RatioListText(cols);
        }
        out << "\n";
    }
    if (kind == EBatchKind::Mng)
        out << "  Format: " << AnimationFormatText(section) << "\n";
}

const char* StopSignalName(int signal)
{
    return signal == SIGTERM ? "SIGTERM" : "SIGINT";
}

// The entries with a path among those the shard owns: the items a whole run of the kind starts.
int64_t OwnedItems(const BatchFile& batch, EBatchKind kind, SItemShard shard)
{
    const XmlNode items = batch.SectionParts(kind).m_items;
    int64_t count = 0;
    for (uint32_t i = shard.m_nIndex; i < items.ChildCount(); i += shard.m_nCount)
        count += ReadItemPath(items.Child(i), EAbsentValue::Leave).empty() ? 0 : 1;
    return count;
}

void PrintReport(EBatchKind kind, const CBatchReport& report, std::ostream& err)
{
    err << KindCommandName(kind) << ": " << report.m_nItems << (report.m_nItems == 1 ? " item" : " items") << ", "
        << report.m_nDone << " done, " << report.m_nSkipped << " skipped; " << report.m_nWritten << (report.m_nWritten == 1 ? " file" : " files") << " written";
    if (report.m_nFailedWrites)
        err << ", " << report.m_nFailedWrites << " could NOT be written";
    if (report.m_nIncomplete)
        err << "; " << report.m_nIncomplete << (report.m_nIncomplete == 1 ? " item" : " items")
            << " with members missing or not decoded";
    if (report.m_nNotDone)
        err << "; " << report.m_nNotDone << (report.m_nNotDone == 1 ? " item" : " items")
            << " NOT done (a worker process ended)";
    if (report.m_nNotStarted)
        err << "; " << report.m_nNotStarted << (report.m_nNotStarted == 1 ? " item" : " items")
            << " NOT started (the run was stopped by " << StopSignalName(RunStopSignal()) << ")";
    err << "\n";
    for (const std::string& note : report.m_notes)
        err << "  " << note << "\n";
    if (report.m_nNotesLeftOut)
        err << "  ... and " << report.m_nNotesLeftOut << " more\n";
    for (const CBatchReport::SClash& clash : report.m_clashes)
        err << "  " << CBatchReport::Bounded(clash.m_strFile) << ": written by " << clash.m_strEarlier << ", then by "
            << clash.m_strLater << ", whose file it is\n";
    if (report.m_nClashesLeftOut)
        err << "  ... and " << report.m_nClashesLeftOut << " more files written by more than one item\n";
}

// Why a file is refused, in words, from the reason its load gave: opening the path again to ask
// could block on what the load refused (a named pipe).
std::string RefusalReason(const std::string& path, const std::string& reason)
{
    if (!reason.empty())
        return "cannot read '" + path + "': " + reason;
    return "'" + path + "' is not a batch file (its first node must be the element \"" + kBatchRootName + "\")";
}
// One kind over the items of the asked shard: in worker processes when --jobs and the items allow
// more than one, otherwise in this process.
bool ExecuteKind(EBatchKind kind, BatchFile& batch, const SRunnerOptions& options, CBatchReport& report,
                 std::ostream& out, std::ostream& err, bool& workerLost)
{
    workerLost = false;
    const int jobs = options.m_nJobs > 0 ? options.m_nJobs : std::min(AvailableCores(), kMaxRunnerJobs);
    const int workers = jobs > 1 ? WorkersFor(kind, batch, options.m_shard, jobs) : 0;
    if (workers >= 2)
    {
        out.flush();
        err.flush();
        return ExecuteInWorkers(kind, batch, options.m_shard, workers, report, workerLost);
    }
    CShardSchedule shard(options.m_shard);
    CStoppableSchedule schedule(shard);
    return ExecuteBatch(kind, batch, &report, &schedule);
}
} // namespace

namespace
{
// Options of the runner itself that take a value; verbs' own options are in their tables.
bool TakesValue(const std::string& option)
{
    return !ValueWanted(option).empty() || option == "--save-batch";
}

// The verb, when the first word that is neither an option nor an option's value names one.
const SVerb* VerbIn(const std::vector<std::string>& args, size_t& at)
{
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg == "--")
            return nullptr;
        if (arg.size() > 1 && arg[0] == '-')
        {
            i += TakesValue(arg) ? 1 : 0;
            continue;
        }
        at = i;
        return FindVerb(arg);
    }
    return nullptr;
}

// One option of the runner or of the verb, with its value when it takes one. False with the reason
// for an option that does not belong or a value that cannot be used.
bool TakeOption(const std::string& name, const std::string* value, SRunnerOptions& options, std::string& error)
{
    const SVerb* verb = options.m_pVerb;
    const SVerbOption* verbOption = verb ? FindVerbOption(*verb, name) : nullptr;
    const bool wantsValue = verbOption || TakesValue(name);
    if (value && !wantsValue)
    {
        error = "option '" + name + "' takes no value";
        return false;
    }
    if (!value && wantsValue)
    {
        error = name + " needs " +
                (verbOption ? std::string(verbOption->m_pszValue) : name == "--save-batch" ? "a FILE" : ValueWanted(name));
        return false;
    }
    if (verbOption)
        return TakeVerbOption(*verbOption, *value, options.m_verbValues, error);
    if ((name == "--save-batch" || name == "--run") && !verb)
    {
        error = name + " goes with a verb (split, combine, ...), which it saves as a batch file";
        return false;
    }
    if (name == "--kind" && verb)
    {
        error = "--kind chooses sections of a batch file; '" + std::string(KindCommandName(verb->m_eKind)) +
                "' is a verb (to run a file of that name: ./" + KindCommandName(verb->m_eKind) + ")";
        return false;
    }
    if (name == "--help" || name == "-h")
        options.m_bHelp = true;
    else if (name == "--list")
        options.m_bList = true;
    else if (name == "--json")
        options.m_bJson = true;
    else if (name == "--run")
        options.m_bRun = true;
    else if (name == "--save-batch")
        options.m_strSaveBatch = *value;
    else if (wantsValue)
        return TakeValue(name, *value, options, error);
    else
    {
        error = "unknown option '" + name + "'";
        return false;
    }
    return true;
}
} // namespace

bool ParseRunnerArguments(const std::vector<std::string>& args, SRunnerOptions& options, std::string& error)
{
    options = SRunnerOptions{};
    size_t verbAt = args.size();
    options.m_pVerb = VerbIn(args, verbAt);
    if (options.m_pVerb)
        options.m_verbValues = ShippedVerbValues();
    bool onlyFiles = false;
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (options.m_pVerb && i == verbAt)
            continue;
        if (!onlyFiles && arg == "--")
            onlyFiles = true;
        else if (!onlyFiles && arg.size() > 1 && arg[0] == '-')
        {
            const size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
            const std::string name = arg.substr(0, equals);
            if (equals != std::string::npos)
            {
                const std::string value = arg.substr(equals + 1);
                if (!TakeOption(name, &value, options, error))
                    return false;
            }
            else if (const SVerbOption* wanted = options.m_pVerb ? FindVerbOption(*options.m_pVerb, name) : nullptr;
                     (wanted || TakesValue(name)) && i + 1 < args.size())
            {
                if (!TakeOption(name, &args[++i], options, error))
                    return false;
            }
            else if (!TakeOption(name, nullptr, options, error))
                return false;
        }
        else if (options.m_pVerb)
            options.m_verbInputs.push_back(arg);
        else if (options.m_strFile.empty())
            options.m_strFile = arg;
        else
        {
            error = "only one batch file can be run at a time ('" + options.m_strFile + "' and '" + arg + "')";
            return false;
        }
    }
    if (options.m_bJson && options.m_bList)
    {
        error = "--list prints text and executes nothing; it does not go with --json";
        return false;
    }
    if (options.m_bRun && options.m_strSaveBatch.empty())
    {
        error = "--run goes with --save-batch FILE (without it the verb runs anyway)";
        return false;
    }
    if (options.m_bHelp)
        return true;
    if (options.m_pVerb && options.m_verbInputs.empty())
    {
        error = std::string(KindCommandName(options.m_pVerb->m_eKind)) + " needs at least one " +
                options.m_pVerb->m_pszInputs;
        error.resize(error.size() - 3); // without the "..." of the synopsis
        return false;
    }
    if (!options.m_pVerb && options.m_strFile.empty())
    {
        error = "no batch file given";
        return false;
    }
    return true;
}

// What a run prints and the status it ends with: the Output, JSON output and Exit status parts
// of the --help text.
std::string RunnerResultsUsage()
{
    return std::string("Output:\n"
                       "For each executed kind one line goes to standard output: the kind, then\n"
                       "  \"") + kBatchSucceedText + "\"\n"
           "or\n"
           "  \"" + kBatchFailText + "\"\n"
           "Standard error gets a summary per kind (items done and skipped, files written, files that\n"
           "could not be written, with the reasons) and, when it is a terminal, a progress bar.\n"
           "The blend kind uses OpenGL; without a display it makes a headless EGL context.\n"
           "The batch file itself is never changed.\n"
           "\n"
           "JSON output:\n"
           "With --json one JSON object goes to standard output when the run ends, and the lines above\n"
           "go to standard error with the summary. Its members:\n"
           "  status             the exit status\n"
           "  error              only when the run was refused, or its batch file not saved: why\n"
           "  kinds              one object per kind, in the order the kinds ran, with the members below\n"
           "  kind, section      the kind as --kind names it, and its section's element name\n"
           "  executed           false when the kind did not start; then reason says why\n"
           "  complete           true when every item produced all its outputs from all it lists\n"
           "  items, done        the items listed, and those processed\n"
           "  skipped            items left out: missing, undecodable or refused by the kind\n"
           "  incomplete         items done without some of the members their sequence names\n"
           "  not_done           items a worker process left when it ended\n"
           "  not_started        items a run stopped by SIGINT or SIGTERM did not start\n"
           "  files_written      output files written, each counted once\n"
           "  files_not_written  output files that could not be written\n"
           "  failed             what failed, in the items' order: an item, a member of its sequence or\n"
           "                     an output file, as {\"path\": \"...\", \"reason\": \"...\"}\n"
           "  failed_left_out    failures past the first " + std::to_string(CBatchReport::kMaxFailures) + ", counted only\n"
           "  notes              the summary's lines for the kind\n"
           "  notes_left_out     lines past the first " + std::to_string(CBatchReport::kMaxNotes) + ", counted only\n"
           "  results            per item, in the items' order: {\"path\", \"done\", \"reason\" when not done,\n"
           "                     \"files\": the files it wrote}\n"
           "  results_left_out   items past the first " + std::to_string(CBatchReport::kMaxResults) + ", counted only\n"
           "  clashes            files two items wrote, as {\"file\", \"earlier\", \"later\"}; the later\n"
           "                     item's file is the one that stays\n"
           "  clashes_left_out   clashes past the first " + std::to_string(CBatchReport::kMaxFailures) + ", counted only\n"
           "Text is UTF-8; a byte of a name that is not valid UTF-8 is written as U+FFFD.\n"
           "\n"
           "Exit status:\n"
           "0 only when every executed kind succeeded and every item it lists produced\n"
           "all its output files from everything it names: no item or sequence member missing or\n"
           "undecodable, none refused by its kind, none left by a worker process that ended, every\n"
           "file written. 1 otherwise (the summary names each item and member concerned and why), or\n"
           "when standard output could not be written; 2 for bad arguments or a file that is not a\n"
           "batch file. SIGINT (Ctrl+C) or SIGTERM stops the run: the items already started are\n"
           "finished, no other item or kind is started, the summary tells what was done and what\n"
           "was not started, and the status is 130 (SIGINT) or 143 (SIGTERM).\n"
           "\n";
}

// The text follows a few rules, because the manual page is made from it at build time: a line
// "Usage: ..." (and "   or: ...") gives the synopsis; text up to the first heading describes the
// program; a heading is a line of its own such as "Options:"; "  --name VALUE  text" starts an
// option, continued by lines indented further; other indented lines are shown as they stand.
std::string RunnerUsage()
{
    return std::string("Usage: ") + kProgram + " FILE [--kind KIND]... [--jobs N] [--shard K/N] [--list] [--json]\n"
           "   or: " + kProgram + " VERB INPUT... [OPTION]... [--save-batch FILE [--run]]\n"
           "\n"
           "Executes the sections of a Mosvane batch file (XML, root element \"MosvaneBatch\") without a\n"
           "window: each section applies its recorded settings to every item it lists and writes the\n"
           "results into its recorded output folder. A verb (split, combine, blend, alpha-extract,\n"
           "rgb-alpha, alpha-image, mng) does the same for one operation whose values and pictures are\n"
           "given on the command line. A file named like a verb is run as a file when named with a\n"
           "folder: " + kProgram + " ./split\n"
           "\n"
           "Options:\n"
           "  --kind KIND  execute only this kind; may be given several times. KIND is one of\n" +
           WrapLines(KindList() + ".", std::string(15, ' '), 88) +
           "               Without --kind every section present is executed. Kinds always run in\n"
           "               this order, each at most once.\n"
           "  --jobs N     run the items of each kind in N worker processes (default: one per\n"
           "               core this process may use). Outputs, summary, progress bar and exit\n"
           "               status are those of a run with --jobs 1; the files are byte for byte\n"
           "               the same.\n"
           "  --shard K/N  execute only the items whose position in their section's item list\n"
           "               (counted from 0) is K modulo N, for 0 <= K < N. N runs with K = 0 to\n"
           "               N-1, on one machine or many, together do what one whole run does, with\n"
           "               no coordination between them; each writes only its own items' files.\n"
           "  --list       print each section with its recorded values and item count; execute\n"
           "               nothing.\n"
           "  --json       print one JSON object with the results on standard output when the run\n"
           "               ends (see JSON output); the lines and the progress bar go to standard error.\n"
           "  --save-batch FILE\n"
           "               with a verb: record its section in the batch file FILE (a new file, or\n"
           "               one that is a batch file already, whose section of that kind gets the\n"
           "               values and the pictures added) instead of running it.\n"
           "  --run        with --save-batch: run the section as well.\n"
           "  --help       print this text; after a verb, the verb's options.\n"
           "\n" + VerbsUsage() + "\n" + RunnerResultsUsage() +
           "Examples:\n"
           "Spreading one batch file over machines (the file and the pictures on storage they share):\n"
           "  GNU parallel, 4 shards over two hosts:\n"
           "    parallel -S host1,host2 mosvane-batch batch.xml --shard {}/4 ::: 0 1 2 3\n"
           "  Slurm job array of 8 tasks:\n"
           "    sbatch --array=0-7 --wrap 'mosvane-batch batch.xml --shard $SLURM_ARRAY_TASK_ID/8'\n"
           "  Kubernetes indexed Job (completionMode: Indexed, completions: 8), in the container:\n"
           "    command: [\"sh\", \"-c\", \"mosvane-batch /data/batch.xml --shard $JOB_COMPLETION_INDEX/8\"]\n";
}

std::vector<EBatchKind> KindsToRun(const BatchFile& batch, const std::vector<EBatchKind>& asked)
{
    std::vector<EBatchKind> kinds;
    for (EBatchKind kind : kBatchKinds)
    {
        const bool wanted = asked.empty() ? batch.HasSection(kind)
                                          : std::find(asked.begin(), asked.end(), kind) != asked.end();
        if (wanted)
            kinds.push_back(kind);
    }
    return kinds;
}

void ListBatch(const BatchFile& batch, const std::vector<EBatchKind>& asked, std::ostream& out)
{
    out << (batch.Path().empty() ? std::string("(the command line's section, not saved)") : batch.Path()) << "\n";
    bool any = false;
    for (EBatchKind kind : kBatchKinds)
    {
        const bool wanted = asked.empty() || std::find(asked.begin(), asked.end(), kind) != asked.end();
        if (wanted && batch.HasSection(kind))
        {
            ListSection(batch, kind, out);
            any = true;
        }
    }
    if (!any)
        out << "(no section" << (asked.empty() ? "" : " of the kinds asked for") << ")\n";
}

namespace
{
// Why a kind did not start: the section's state, empty when it is there and complete.
std::string NotExecutedReason(const BatchFile& batch, EBatchKind kind)
{
    BatchSection section;
    if (!batch.HasSection(kind))
        return std::string("the file has no \"") + SectionName(kind) + "\" section";
    if (!batch.GetSection(kind, section))
        return std::string("the \"") + SectionName(kind) + "\" section lacks \"Output\", \"Input\" or \"ApplyToItems\"";
    return "";
}

// The same on err, with the executor's notes.
void ReportNotExecuted(const std::string& reason, EBatchKind kind, const CBatchReport& report, std::ostream& err)
{
    if (!reason.empty())
        err << KindCommandName(kind) << ": " << reason << "\n";
    for (const std::string& note : report.m_notes)
        err << KindCommandName(kind) << ": " << note << "\n";
}

// Executes one kind with its line on out (on err with --json) and its summary on err, and adds
// what happened to outcomes. True when it ran and every file it made was written.
bool RunKind(BatchFile& batch, EBatchKind kind, const SRunnerOptions& options, CConsoleFrame& frame,
             std::ostream& out, std::ostream& err, std::vector<SKindOutcome>& outcomes)
{
    frame.SetLabel(KindCommandName(kind));
    CBatchReport report;
    bool workerLost = false;
    bool executed = false;
    // Memory running out outside any item (the section's own preparation) fails the kind.
    try
    {
        executed = ExecuteKind(kind, batch, options, report, out, err, workerLost);
    }
    catch (const std::bad_alloc&)
    {
        report.m_notes.clear();
        report.Note("not enough memory to execute it");
    }
    // A stop asked for while the kind ran leaves the rest of its items not started.
    if (RunStopSignal() != 0 && executed)
        report.NotStarted(std::max<int64_t>(0, OwnedItems(batch, kind, options.m_shard) - report.m_nItems));
    // "Succeed" only when everything was produced; a partial run says what it left undone.
    const std::string undone = report.UndoneText();
    std::ostream& status = options.m_bJson ? err : out;
    if (executed && undone.empty())
        status << KindCommandName(kind) << ": " << kBatchSucceedText << std::endl;
    else if (executed || workerLost)
        status << KindCommandName(kind) << ": " << kBatchFailText << " " << undone << ": see the summary" << std::endl;
    else
        status << KindCommandName(kind) << ": " << kBatchFailText << std::endl;
    SKindOutcome& outcome = outcomes.emplace_back();
    outcome.m_eKind = kind;
    outcome.m_bExecuted = executed;
    if (!executed && !workerLost)
    {
        outcome.m_strReason = NotExecutedReason(batch, kind);
        ReportNotExecuted(outcome.m_strReason, kind, report, err);
        if (outcome.m_strReason.empty() && !report.m_notes.empty())
            outcome.m_strReason = report.m_notes.front();
    }
    else
        PrintReport(kind, report, err);
    outcome.m_report = std::move(report);
    return executed && outcome.m_report.Complete();
}

int ExecuteKinds(BatchFile& batch, const SRunnerOptions& options, std::ostream& out, std::ostream& err,
                 bool progressOnErr, std::vector<SKindOutcome>& outcomes)
{
    const std::vector<EBatchKind> kinds = KindsToRun(batch, options.m_kinds);
    if (kinds.empty())
    {
        err << kProgram << ": '" << options.m_strFile << "' holds no section; nothing to execute\n";
        return kRunnerSucceeded;
    }
    if (!gxInitialize())
    {
        err << kProgram << ": the image engine cannot be started\n";
        return kRunnerFailed;
    }
    int status = kRunnerSucceeded;
    {
        CConsoleFrame frame(err, progressOnErr);
        CFrameHooks hooks({&frame});
        std::string notRun;
        for (EBatchKind kind : kinds)
            if (RunStopSignal() != 0)
                notRun += (notRun.empty() ? "" : ", ") + std::string(KindCommandName(kind));
            else if (!RunKind(batch, kind, options, frame, out, err, outcomes))
                status = kRunnerFailed;
        if (!notRun.empty())
            err << kProgram << ": stopped by " << StopSignalName(RunStopSignal()) << "; not executed: " << notRun << "\n";
    }
    gxDestroy();
    return status;
}
} // namespace

namespace
{
// The verb's section in batch: in memory, or recorded into the --save-batch file (a batch file
// there gains the section, as Save Config and Add Items would record it; anything else there is
// never written over) and saved. The exit status of a refusal, or -1 when the batch is ready.
int BuildVerbBatch(const SRunnerOptions& options, BatchFile& batch, std::string& error, std::ostream& err)
{
    const SVerb& verb = *options.m_pVerb;
    std::vector<std::string> items;
    if (!VerbItems(verb, options.m_verbValues, options.m_verbInputs, items, error))
        return kRunnerRefused;
    const std::string& save = options.m_strSaveBatch;
    struct stat info = {};
    if (save.empty() || ::lstat(save.c_str(), &info) != 0)
        batch.StartBatchFile(save);
    else if (std::string reason; !batch.LoadBatchFile(save, &reason))
    {
        error = RefusalReason(save, reason) + "; it is not written over";
        return kRunnerRefused;
    }
    WriteVerbSection(batch, verb, options.m_verbValues, items);
    if (save.empty())
        return -1;
    std::string reason;
    if (!batch.SaveBatchFile(&reason))
    {
        error = "cannot write '" + save + "'" + (reason.empty() ? "" : ": " + reason);
        return kRunnerFailed;
    }
    err << kProgram << ": " << KindCommandName(verb.m_eKind) << " with " << items.size()
        << (items.size() == 1 ? " item" : " items") << " saved in " << save << "\n";
    return -1;
}
} // namespace

namespace
{
// The run behind RunBatchRunner; a refusal's reason also goes to refusal, for the JSON.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progressOnErr,
        std::vector<SKindOutcome>& outcomes, std::string& refusal)
{
    SRunnerOptions options;
    if (!ParseRunnerArguments(args, options, refusal))
    {
        err << kProgram << ": " << refusal << "\nTry '" << kProgram
            << (options.m_pVerb ? std::string(" ") + KindCommandName(options.m_pVerb->m_eKind) : "") << " --help'.\n";
        return kRunnerRefused;
    }
    if (options.m_bHelp)
    {
        out << (options.m_pVerb ? VerbUsage(*options.m_pVerb) : RunnerUsage());
        return kRunnerSucceeded;
    }
    BatchFile batch;
    std::string reason;
    if (options.m_pVerb)
    {
        if (const int refused = BuildVerbBatch(options, batch, refusal, err); refused >= 0)
        {
            err << kProgram << ": " << refusal << "\n";
            return refused;
        }
        options.m_kinds = {options.m_pVerb->m_eKind};
        if (!options.m_strSaveBatch.empty() && !options.m_bRun && !options.m_bList)
            return kRunnerSucceeded;
    }
    else if (!batch.LoadBatchFile(options.m_strFile, &reason))
    {
        refusal = RefusalReason(options.m_strFile, reason);
        err << kProgram << ": " << refusal << "\n";
        return kRunnerRefused;
    }
    if (options.m_bList)
    {
        ListBatch(batch, options.m_kinds, out);
        return kRunnerSucceeded;
    }
    return ExecuteKinds(batch, options, out, err, progressOnErr, outcomes);
}

// --json among the options: also a run refused for its arguments answers in JSON.
bool AsksForJson(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
    {
        if (arg == "--")
            return false;
        if (arg == "--json")
            return true;
    }
    return false;
}
} // namespace

int RunBatchRunner(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progressOnErr)
{
    std::vector<SKindOutcome> outcomes;
    std::string refusal;
    int status = Run(args, out, err, progressOnErr, outcomes, refusal);
    // A run stopped by a signal ends as the signal would have ended it, after telling what it did.
    if (const int stop = RunStopSignal(); stop != 0)
        status = RunStopStatus(stop);
    if (AsksForJson(args))
        out << RunResultsJson(outcomes, status, refusal) << std::flush;
    return status;
}
