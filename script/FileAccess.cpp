#include "script/FileAccess.h"

#include "core/ErrorBox.h"
#include "platform/Events.h"
#include "platform/RegularFile.h"

std::FILE* OpenFile(const std::string& path, const std::string& mode)
{
    std::FILE* file = platform::OpenRegularFile(path, mode.c_str());
    if (!file)
    {
        ShowError("File Not Found!", path);
        platform::PostQuitRequest(true);
    }
    return file;
}

void CloseFile(std::FILE* file)
{
    if (file)
        std::fclose(file);
}
