// mosvane-batch: executes a batch file without a window. Everything but the terminal check and the
// final state of standard output lives in the batch library (BatchRunner), where it is tested.

#include "base/FileIo.h"
#include "batch/BatchRunner.h"
#include "batch/RunStop.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    IgnoreFileSizeSignal();
    InstallRunStopHandlers();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = RunBatchRunner(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    // What was printed is part of the result: a listing lost on a full disk is a failure.
    errno = 0;
    const bool bFlushed = static_cast<bool>(std::cout.flush());
    if (!bFlushed || std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        const int error = errno;
        std::cerr << "mosvane-batch: cannot write to standard output: "
                  << (error ? std::strerror(error) : "write error") << "\n";
        return status == kRunnerSucceeded ? kRunnerFailed : status;
    }
    return status;
}
