#pragma once
// Cells of a grid worked on every core while the calling thread keeps their order. The caller's
// thread makes each cell's job (it may use the engine) and takes each finished job, both in cell
// order; the workers do what lies between, which touches nothing shared: no engine image, no
// report, no record of the last failure. A few jobs per worker exist at a time, so the memory held
// does not grow with the number of cells.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Asks for one worker per core.
inline constexpr int32_t kEveryCore = 0;

// The workers meant by `asked`: itself when above 0, otherwise one per core (at least one).
int32_t CellWorkers(int32_t asked);

// The jobs that exist at once for `workers` (as CellWorkers gives them).
size_t CellJobSlots(int32_t workers);

// What the jobs of a grid may hold at once beyond the picture itself.
inline constexpr uint64_t kCellJobBudget = uint64_t(256) << 20;

// CellWorkers(asked), fewer when their jobs, jobBytes each, would hold more than `budget` at once
// (at least one: a single worker holds one job, as the serial way does).
int32_t CellWorkersWithin(int32_t asked, uint64_t jobBytes, uint64_t budget = kCellJobBudget);

// Runs the cells 0 .. count - 1: make(cell, slot) and take(cell, slot) on this thread in cell
// order, work(slot) between them on a worker. A slot is one of CellJobSlots(workers) places the
// caller holds for jobs; take sees a slot before make fills it again. work must not throw (one
// that does leaves its slot as it stood, so a job should read as failed until work says
// otherwise). With one worker, one cell or no thread to be had, everything runs on this thread,
// one cell after another. Every worker is joined before this returns, on every way out.
void RunCellsInOrder(int64_t count, int32_t workers, const std::function<void(int64_t cell, size_t slot)>& make,
                     const std::function<void(size_t slot)>& work,
                     const std::function<void(int64_t cell, size_t slot)>& take);

// RunCellsInOrder over jobs of type Job that this call holds: make(cell, job), work(job) and
// take(cell, job).
template <class Job, class Make, class Work, class Take>
void RunCellJobs(int64_t count, int32_t asked, Make make, Work work, Take take)
{
    const int32_t workers = CellWorkers(asked);
    std::vector<Job> jobs(CellJobSlots(workers));
    RunCellsInOrder(
        count, workers, [&](int64_t cell, size_t slot) { make(cell, jobs[slot]); },
        [&](size_t slot) { work(jobs[slot]); }, [&](int64_t cell, size_t slot) { take(cell, jobs[slot]); });
}
