#include "app/ReportMode.h"

#include "app/CommandLine.h"
#include "effects/EffectKinds.h"
#include "framework/EffectInterface.h"

#include <cstdio>

int RunReport(const CommandLine& cmd)
{
    EffectInterface registry;
    RegisterEffectKinds(&registry);
    std::string why;
    if (!registry.WriteDemoInfo(cmd.reportFile, &why))
    {
        std::fprintf(stderr, "vortexel: cannot write %s: %s\n", cmd.reportFile.c_str(),
                     why.c_str());
        return 1;
    }
    return 0;
}
