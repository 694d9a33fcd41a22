#include "script/ScriptCheck.h"

#include <cstdio>

int RunScriptCheck(const std::string&, uint32_t)
{
    std::fprintf(stderr, "vortexel: --check is not available yet\n");
    return 2;
}
