#include "core/Startup.h"
#include "platform/SdlInit.h"

int main(int argc, char** argv)
{
    int status = RunProgram(argc, argv);
    // Whatever path the run took, SDL's subsystems (sound thread, display
    // connection) are closed before the process ends.
    platform::ShutdownSdl();
    return status;
}
