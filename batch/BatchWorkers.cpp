#include "batch/BatchWorkers.h"

#include "base/Fd.h"
#include "batch/BatchExecute.h"
#include "batch/BatchSections.h"
#include "batch/WorkerRecord.h"
#include "batch/RunStop.h"
#include "engine/gx.h"
#include "ops/FrameHooks.h"
#include "ops/MainFrame.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <span>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

// The next entry number handed out to the workers of one execution, in memory shared by them.
class CSharedCounter
{
public:
    CSharedCounter()
    {
        void* p = ::mmap(nullptr, sizeof(std::atomic<int64_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED)
            m_pCounter = new (p) std::atomic<int64_t>(0);
    }
    ~CSharedCounter()
    {
        if (m_pCounter)
            ::munmap(m_pCounter, sizeof(std::atomic<int64_t>));
    }
    CSharedCounter(const CSharedCounter&) = delete;
    CSharedCounter& operator=(const CSharedCounter&) = delete;

    bool Ok() const { return m_pCounter != nullptr; }
    int64_t Take() { return m_pCounter->fetch_add(1); }

private:
    std::atomic<int64_t>* m_pCounter = nullptr;
};
static_assert(std::atomic<int64_t>::is_always_lock_free, "the shared counter must work across processes");

// A worker's frame: the progress steps of the entry being executed are counted and sent with it.
class CStepCounter final : public CPanelFreeFrame
{
public:
    void* GetFrameWindow() override { return nullptr; }
    void BeginProgress(int32_t) override {}
    void StepProgress() override { ++m_nSteps; }
    void EndProgress() override {}
    int64_t Take() { return std::exchange(m_nSteps, 0); }

private:
    int64_t m_nSteps = 0;
};

// A worker's share of the entries: those of the shard it claims, one at a time.
class CWorkerSchedule final : public IItemSchedule
{
public:
    CWorkerSchedule(SItemShard shard, CSharedCounter& counter, int fd, CBatchReport& report, CStepCounter& steps)
        : m_shard(shard), m_counter(counter), m_nFd(fd), m_report(report), m_steps(steps)
    {
    }

    bool Wanted(uint32_t position, const std::string& path) override
    {
        if (!m_shard.Owns(position))
            return false;
        if (m_nClaim < 0)
        {
            // Whatever the executor reported before its item loop, sent once by every worker.
            Send(EWorkerRecord::Preamble, 0, false);
            m_nClaim = m_counter.Take();
        }
        // Asked to stop: no entry is started, the End record still goes out.
        if (RunStopSignal() != 0)
            return false;
        if (int64_t(position / m_shard.m_nCount) != m_nClaim)
            return false;
        const char* victim = std::getenv(kWorkerKillVariable);
        if (victim && *victim && path.find(victim) != std::string::npos)
            std::raise(SIGKILL);
        return true;
    }

    void Finished(uint32_t position) override
    {
        Send(EWorkerRecord::Item, position, false);
        m_nClaim = m_counter.Take();
    }

    int64_t ProgressRange(uint32_t count) const override { return m_shard.Size(count); }

    void Send(EWorkerRecord type, uint32_t position, bool result)
    {
        SWorkerRecord record{type, position, result, m_steps.Take(), std::move(m_report)};
        m_report = CBatchReport{};
        // The parent is gone or the pipe is broken: nothing this worker does can be reported.
        if (!WriteAll(m_nFd, WriteWorkerRecord(record)))
            ::_exit(kRunnerExitLostParent);
    }

    static constexpr int kRunnerExitLostParent = 3;

private:
    SItemShard m_shard;
    CSharedCounter& m_counter;
    int m_nFd;
    CBatchReport& m_report;
    CStepCounter& m_steps;
    int64_t m_nClaim = -1;
};

[[noreturn]] void RunWorker(EBatchKind kind, BatchFile& batch, SItemShard shard, CSharedCounter& counter, int fd)
{
    // Nothing the parent buffered or installed is this worker's to flush or use; it starts its own
    // engine state and, for blend, its own GL context.
    gxDestroy();
    int status = 0;
    if (gxInitialize())
    {
        CStepCounter steps;
        CFrameHooks hooks({&steps});
        CBatchReport report;
        CWorkerSchedule schedule(shard, counter, fd, report, steps);
        bool executed = false;
        // As in one process: memory running out outside any item fails the kind, with that said.
        try
        {
            executed = ExecuteBatch(kind, batch, &report, &schedule);
        }
        catch (const std::bad_alloc&)
        {
            report.m_notes.clear();
            report.Note("not enough memory to execute it");
        }
        schedule.Send(EWorkerRecord::End, 0, executed);
        gxDestroy();
    }
    else
        status = 1;
    ::_exit(status);
}

std::string HowItEnded(int status)
{
    if (WIFSIGNALED(status))
        return "was killed by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    if (WIFEXITED(status))
        return "ended with status " + std::to_string(WEXITSTATUS(status)) + " before finishing";
    return "ended before finishing";
}

struct SWorker
{
    SWorker(pid_t pid, int fd) : m_pid(pid), m_fd(fd) {}
    pid_t m_pid;
    CFd m_fd;
    std::string m_strBuffer;
    bool m_bEnded = false; // its End record arrived
    bool m_bDamaged = false;
};

// The parent's side: records applied in the order of the entries, whichever worker sent them.
class CCollector
{
public:
    CCollector(std::vector<uint32_t> positions, CBatchReport& report)
        : m_positions(std::move(positions)), m_report(report)
    {
    }

    void Take(SWorkerRecord&& record)
    {
        switch (record.m_eType)
        {
        case EWorkerRecord::Preamble:
            // Every worker sends the same one; the first opens the progress bar as the executor does.
            if (!m_progress)
            {
                Apply(record);
                m_progress.emplace(int64_t(m_positions.size()));
            }
            break;
        case EWorkerRecord::Item:
            m_pending.emplace(record.m_nPosition, std::move(record));
            while (m_nNext < m_positions.size())
            {
                auto it = m_pending.find(m_positions[m_nNext]);
                if (it == m_pending.end())
                    break;
                Apply(it->second);
                m_pending.erase(it);
                ++m_nNext;
            }
            break;
        case EWorkerRecord::End:
            m_bResult = m_nEnds == 0 ? record.m_bResult : m_bResult && record.m_bResult;
            if (m_nEnds++ == 0)
                m_end = std::move(record);
            break;
        }
    }

    // After every worker has gone: entries no worker finished are named, then what came after the
    // item loop. The result is the executor's, false when a worker was lost.
    bool Finish(BatchSection& section, bool workerLost)
    {
        for (; m_nNext < m_positions.size(); ++m_nNext)
        {
            auto it = m_pending.find(m_positions[m_nNext]);
            if (it != m_pending.end())
            {
                Apply(it->second);
                continue;
            }
            const std::string path = ReadItemPath(section.m_items.Child(m_positions[m_nNext]), EAbsentValue::Leave);
            if (workerLost && !path.empty())
            {
                m_report.Item(m_positions[m_nNext], path);
                m_report.NotDone(path);
            }
        }
        Apply(m_end);
        m_progress.reset();
        return m_bResult && !workerLost;
    }

private:
    void Apply(const SWorkerRecord& record)
    {
        m_report.Merge(record.m_report);
        for (int64_t i = 0; i < record.m_nSteps; ++i)
            if (m_progress)
                m_progress->Step();
    }

    std::vector<uint32_t> m_positions;
    CBatchReport& m_report;
    std::optional<CProgress> m_progress;
    std::map<uint32_t, SWorkerRecord> m_pending;
    size_t m_nNext = 0;
    int m_nEnds = 0;
    bool m_bResult = false;
    SWorkerRecord m_end;
};

// SIGINT and SIGTERM held back for the life of the object, except during the waits given
// WhileWaiting() as their signal mask.
class CStopSignalsHeld
{
public:
    CStopSignalsHeld()
    {
        sigset_t stops;
        sigemptyset(&stops);
        sigaddset(&stops, SIGINT);
        sigaddset(&stops, SIGTERM);
        m_bHeld = ::sigprocmask(SIG_BLOCK, &stops, &m_before) == 0;
    }
    ~CStopSignalsHeld()
    {
        if (m_bHeld)
            ::sigprocmask(SIG_SETMASK, &m_before, nullptr);
    }
    CStopSignalsHeld(const CStopSignalsHeld&) = delete;
    CStopSignalsHeld& operator=(const CStopSignalsHeld&) = delete;

    const sigset_t* WhileWaiting() const { return m_bHeld ? &m_before : nullptr; }

private:
    sigset_t m_before;
    bool m_bHeld = false;
};

// Cuts the complete records off the front of a worker's buffer; false when the stream is damaged.
bool DrainRecords(SWorker& worker, CCollector& collector)
{
    size_t at = 0;
    std::string& buffer = worker.m_strBuffer;
    for (;;)
    {
        SWorkerRecord record;
        size_t used = 0;
        const ERecordRead read = ReadWorkerRecord(std::string_view(buffer).substr(at), record, used);
        if (read == ERecordRead::Damaged)
            return false;
        if (read == ERecordRead::Partial)
            break;
        worker.m_bEnded = worker.m_bEnded || record.m_eType == EWorkerRecord::End;
        collector.Take(std::move(record));
        at += used;
    }
    buffer.erase(0, at);
    return true;
}

// The entries given, and no other.
class CChosenSchedule final : public IItemSchedule
{
public:
    explicit CChosenSchedule(std::vector<uint32_t> positions) : m_positions(std::move(positions)) {}
    bool Wanted(uint32_t position, const std::string&) override
    {
        return std::binary_search(m_positions.begin(), m_positions.end(), position);
    }
    void Finished(uint32_t) override {}
    int64_t ProgressRange(uint32_t) const override { return int64_t(m_positions.size()); }

private:
    std::vector<uint32_t> m_positions;
};

// Two entries wrote the same file: in one process the later one's stays, but workers may have
// finished them the other way round. The entries whose file must stay are executed once more
// here, in order, without progress; only what they failed to write is told (the file may then
// hold an earlier entry's picture).
void RewriteClashWinners(EBatchKind kind, BatchFile& batch, CBatchReport& report)
{
    std::vector<uint32_t> winners = report.ClashWinners();
    if (winners.empty())
        return;
    CStepCounter silent;
    CFrameHooks hooks({&silent});
    CBatchReport again;
    CChosenSchedule chosen(std::move(winners));
    ExecuteBatch(kind, batch, &again, &chosen);
    for (const CBatchReport::SFailure& failure : again.m_failures)
        report.Failure(failure.m_strPath, "once more, as the later of items writing the same file: " + failure.m_strReason);
    report.m_nFailedWrites += again.m_nFailedWrites + again.m_nSkipped;
}

using WorkerPool = std::vector<std::unique_ptr<SWorker>>;

// Forks up to `workers` processes over the shard; fewer (none at all) when a pipe or a fork fails.
WorkerPool StartWorkers(EBatchKind kind, BatchFile& batch, SItemShard shard, int workers, CSharedCounter& counter)
{
    WorkerPool pool;
    for (int w = 0; w < workers; ++w)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            break;
        CFd readEnd(fds[0]), writeEnd(fds[1]);
        // Buffered output would otherwise be written once more by the worker.
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0)
        {
            readEnd.Close();
            for (const auto& other : pool)
                other->m_fd.Close();
            RunWorker(kind, batch, shard, counter, writeEnd.Get());
        }
        if (pid < 0)
            break;
        pool.push_back(std::make_unique<SWorker>(pid, readEnd.Release()));
    }
    return pool;
}

// Reads what the worker's pipe holds into its buffer and hands on the complete records. The pipe
// is closed at its end, on a read error and when the stream is damaged (the worker is then stopped).
void ReadFromWorker(SWorker& worker, CCollector& collector, std::span<char> chunk)
{
    const ssize_t n = ::read(worker.m_fd.Get(), chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR)
        return;
    if (n > 0)
    {
        worker.m_strBuffer.append(chunk.data(), size_t(n));
        if (DrainRecords(worker, collector))
            return;
        worker.m_bDamaged = true;
        ::kill(worker.m_pid, SIGKILL);
    }
    worker.m_fd.Close();
}

// Takes every worker's records until every pipe is closed. When waiting itself fails, every worker
// is stopped and lost says why.
void CollectRecords(WorkerPool& pool, CCollector& collector, std::vector<std::string>& lost)
{
    std::vector<pollfd> waiting;
    char chunk[65536];
    // A stop signal is let in only while waiting, so that one arriving between the look at it and
    // the wait still ends the wait; the workers are then told in turn (a signal from the terminal
    // reached them already, one sent to this process alone did not) and finish what they started.
    CStopSignalsHeld held;
    bool stopForwarded = false;
    for (;;)
    {
        if (const int stop = RunStopSignal(); stop != 0 && !stopForwarded)
        {
            for (const auto& worker : pool)
                ::kill(worker->m_pid, stop);
            stopForwarded = true;
        }
        waiting.clear();
        for (const auto& worker : pool)
            if (worker->m_fd.Get() >= 0)
                waiting.push_back({worker->m_fd.Get(), POLLIN, 0});
        if (waiting.empty())
            return;
        if (::ppoll(waiting.data(), waiting.size(), nullptr, held.WhileWaiting()) < 0)
        {
            if (errno == EINTR)
                continue;
            lost.push_back(std::string("waiting for the worker processes failed: ") + std::strerror(errno));
            for (const auto& worker : pool)
            {
                ::kill(worker->m_pid, SIGKILL);
                worker->m_fd.Close();
            }
            return;
        }
        for (const auto& worker : pool)
        {
            const int fd = worker->m_fd.Get();
            const auto ready = std::find_if(waiting.begin(), waiting.end(), [&](const pollfd& p) { return p.fd == fd; });
            if (fd >= 0 && ready != waiting.end() && ready->revents != 0)
                ReadFromWorker(*worker, collector, chunk);
        }
    }
}

// Waits for every worker; one that did not send its end, sent a damaged stream or did not exit
// with 0 is named in lost with how it ended.
void ReapWorkers(const WorkerPool& pool, std::vector<std::string>& lost)
{
    for (const auto& worker : pool)
    {
        int status = 0;
        while (::waitpid(worker->m_pid, &status, 0) < 0 && errno == EINTR)
        {
        }
        const bool clean = worker->m_bEnded && !worker->m_bDamaged && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!clean)
            lost.push_back("worker process " + std::to_string(worker->m_pid) + " " +
                           (worker->m_bDamaged ? std::string("sent a damaged report and was stopped")
                                               : HowItEnded(status)));
    }
}
} // namespace

int AvailableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
}

int WorkersFor(EBatchKind kind, BatchFile& batch, SItemShard shard, int workers)
{
    BatchSection section;
    if (!batch.GetSection(kind, section))
        return 0;
    int withPath = 0;
    const uint32_t count = section.m_items.ChildCount();
    for (uint32_t i = shard.m_nIndex; i < count && withPath < workers; i += shard.m_nCount)
    {
        withPath += ReadItemPath(section.m_items.Child(i), EAbsentValue::Leave).empty() ? 0 : 1;
    }
    return withPath;
}

bool ExecuteInWorkers(EBatchKind kind, BatchFile& batch, SItemShard shard, int workers, CBatchReport& report,
                      bool& workerLost)
{
    workerLost = false;
    BatchSection section;
    if (!batch.GetSection(kind, section))
        return false;
    std::vector<uint32_t> positions;
    for (uint32_t i = shard.m_nIndex; i < section.m_items.ChildCount(); i += shard.m_nCount)
        positions.push_back(i);

    CSharedCounter counter;
    if (!counter.Ok())
    {
        report.Note("no memory could be shared with worker processes");
        return false;
    }
    WorkerPool pool = StartWorkers(kind, batch, shard, workers, counter);
    // The workers that did start claim every entry between them; with none, this process does it.
    if (pool.empty())
    {
        CShardSchedule alone(shard);
        return ExecuteBatch(kind, batch, &report, &alone);
    }

    std::vector<std::string> lost;
    CCollector collector(positions, report);
    CollectRecords(pool, collector, lost);
    ReapWorkers(pool, lost);
    workerLost = !lost.empty();
    const bool executed = collector.Finish(section, workerLost);
    for (const std::string& line : lost)
        report.Note(line);
    RewriteClashWinners(kind, batch, report);
    return executed;
}
