#include "batch/RunStop.h"

#include <csignal>

namespace
{
// Written only by the handler, read between items.
volatile std::sig_atomic_t s_nStopSignal = 0;

extern "C" void RecordStopSignal(int signal)
{
    s_nStopSignal = signal;
}
} // namespace

void InstallRunStopHandlers()
{
    struct sigaction action = {};
    action.sa_handler = RecordStopSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes in progress go on; waits that must notice the signal (the parent's wait for
    // its workers) are never restarted anyway.
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM})
    {
        // A signal ignored by whoever started the run (a shell's background job, nohup) stays so.
        struct sigaction before = {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

int RunStopSignal()
{
    return int(s_nStopSignal);
}
