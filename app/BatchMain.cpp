// mosvane-batch: executes a batch file without a window. Everything but the terminal check lives
// in the batch library (BatchRunner), where it is tested.

#include "batch/BatchRunner.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return RunBatchRunner(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
