#include "app/Program.h"

#include "app/CaptureMode.h"
#include "app/CheckMode.h"
#include "app/CommandLine.h"
#include "app/EditMode.h"
#include "app/Outputs.h"
#include "app/PlayMode.h"
#include "app/ReportMode.h"
#include "app/Startup.h"
#include "platform/Display.h"
#include "platform/Paths.h"

#include <cstdio>

int RunProgram(int argc, char** argv)
{
    CommandLine cmd;
    std::string error;
    if (!ParseCommandLine(argc, argv, cmd, error))
    {
        std::fprintf(stderr, "vortexel: %s\n%s\n", error.c_str(), UsageLine());
        return 2;
    }
    if (cmd.help)
    {
        std::printf("%s\n%s", UsageLine(), HelpText());
        std::printf("\nWithout --data the data folder is Data in the working directory when it is\n"
                    "a folder, else the first of the others that holds script.txt (Data next to\n"
                    "a program that is not installed, the installed demo):\n  %s\n",
                    DataFolderSearchList("\n  ").c_str());
        return FinishOutput(0);
    }
    if (cmd.version)
    {
        std::printf("Vortexel %s\n", VORTEXEL_VERSION);
        return FinishOutput(0);
    }
    if (!cmd.dataDir.empty())
        platform::SetDataFolder(cmd.dataDir);
    if (cmd.batch)
        platform::SetBatchMode(true);

    if (cmd.check)
        return RunCheck(cmd);
    // Nothing the user owns may be written over by mistake: every output is
    // checked against the inputs and the other outputs before anything opens.
    const std::string clash = CheckOutputs(cmd);
    if (!clash.empty())
    {
        std::fprintf(stderr, "vortexel: %s\n%s\n", clash.c_str(), UsageLine());
        return 2;
    }
    if (!cmd.reportFile.empty())
        return RunReport(cmd);
    if (!cmd.captureOut.empty())
        return RunCapture(cmd);
    if (cmd.edit)
        return RunEdit(cmd);
    return RunPlay(cmd);
}
