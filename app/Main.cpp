#include "app/Program.h"
#include "platform/Interrupt.h"
#include "platform/SdlInit.h"

#include <csignal>
#include <cstdio>
#include <new>

int main(int argc, char** argv)
{
    platform::InstallInterruptHandlers();
    int status = 1;
    try
    {
        status = RunProgram(argc, argv);
    }
    catch (const std::bad_alloc&)
    {
        // Every input is bounded; this is the last line for a machine that
        // has less memory than those bounds assume.
        std::fprintf(stderr, "vortexel: out of memory\n");
        status = 1;
    }
    // Whatever path the run took, SDL's subsystems (sound thread, display
    // connection) are closed before the process ends.
    platform::ShutdownSdl();
    // A capture stopped by Ctrl+C has written its result and said so.
    const int sig = platform::InterruptSignal();
    if (sig && !platform::InterruptIsFinished())
    {
        std::fprintf(stderr, "vortexel: interrupted (%s)\n",
                     sig == SIGINT    ? "SIGINT"
                     : sig == SIGTERM ? "SIGTERM"
                                      : "SIGHUP");
        status = 128 + sig;
    }
    return status;
}
