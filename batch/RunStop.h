#pragma once
// A run of the headless runner asked to stop by SIGINT or SIGTERM. The handler only records the
// signal (nothing else is safe in a handler); every process of the run, the parent and each worker,
// looks at it before starting an item and starts no more once it is set. An item already started
// is finished, so every file it writes is either complete under its name or not there at all: no
// temporary file is left behind, and what was done can still be told.

#include "batch/ItemSchedule.h"

// Installs the handler for SIGINT and SIGTERM in this process (workers forked later inherit it);
// a signal this process was started with ignored stays ignored. The runner's program calls it
// once at start; the window never does.
void InstallRunStopHandlers();

// The signal that asked the run to stop (SIGINT or SIGTERM), 0 while none has.
int RunStopSignal();

// The exit status of a run stopped by signal: 128 + the signal, as a shell reports it.
inline int RunStopStatus(int signal) { return 128 + signal; }

// An item schedule that wants no more entries once a stop is asked for.
class CStoppableSchedule final : public IItemSchedule
{
public:
    explicit CStoppableSchedule(IItemSchedule& inner) : m_inner(inner) {}
    bool Wanted(uint32_t position, const std::string& path) override
    {
        return RunStopSignal() == 0 && m_inner.Wanted(position, path);
    }
    void Finished(uint32_t position) override { m_inner.Finished(position); }
    int64_t ProgressRange(uint32_t count) const override { return m_inner.ProgressRange(count); }

private:
    IItemSchedule& m_inner;
};
