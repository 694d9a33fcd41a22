#include "core/DataFiles.h"

namespace
{
std::vector<DataFile>& Files()
{
    static std::vector<DataFile>* files = new std::vector<DataFile>;
    return *files;
}
} // namespace

void NoteDataFile(DataFileKind kind, const std::string& path, const std::string& name)
{
    for (const DataFile& f : Files())
        if (f.path == path && f.kind == kind)
            return;
    Files().push_back(DataFile{kind, path, name});
}

const std::vector<DataFile>& DataFilesRead()
{
    return Files();
}

void ForgetDataFiles()
{
    Files().clear();
}
