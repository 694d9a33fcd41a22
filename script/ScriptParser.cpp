#include "script/ScriptParser.h"

#include "core/ErrorBox.h"
#include "platform/Events.h"
#include "platform/Paths.h"

#include <cstdio>

// Placeholder until the script reader lands: reports the script as missing
// unless it exists, and reads nothing from it.
bool ScriptParser::Parse(std::string fileName)
{
    std::string path = platform::DataPath(fileName);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
    {
        ShowError("File Not Found!", path);
        platform::PostQuitRequest(true);
        return false;
    }
    std::fclose(f);
    return true;
}
