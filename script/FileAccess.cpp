#include "script/FileAccess.h"

#include "core/ErrorBox.h"
#include "platform/Events.h"

#include <sys/stat.h>

std::FILE* OpenFile(const std::string& path, const std::string& mode)
{
    std::FILE* file = std::fopen(path.c_str(), mode.c_str());
    struct stat st;
    if (file && ::fstat(::fileno(file), &st) == 0 && S_ISDIR(st.st_mode))
    {
        std::fclose(file);
        file = nullptr;
    }
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
