#pragma once
// The data files the running demo has read: pictures, shaders, model files,
// parameter files and the music, each noted (once per path) by the code that
// read it, whether the read succeeded or not. Live editing watches them and
// loads them again when they change. Main thread only.
#include <string>
#include <vector>

enum class DataFileKind
{
    Picture,    // name: as TextureManager::GetTexture was given it
    Shader,     // name: the .vp or .fp file's path
    Mesh,       // name: as LoadMesh was given it
    Parameters, // name: the .dep file's path
    Music       // name: as the script names it
};

struct DataFile
{
    DataFileKind kind;
    std::string path; // as it was opened
    std::string name;
};

void NoteDataFile(DataFileKind kind, const std::string& path, const std::string& name);
// In the order first read.
const std::vector<DataFile>& DataFilesRead();
void ForgetDataFiles(); // tests
