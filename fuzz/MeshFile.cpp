// Text model files: any bytes either load into a mesh whose every face
// indexes inside its arrays, or are rejected with the mesh left empty.
#include "effects/MeshFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Mesh mesh;
    bool loaded = ReadMesh(in, mesh);
    if (loaded && !MeshIndicesInRange(mesh))
        std::abort();
    if (!loaded && !(mesh.positions.empty() && mesh.faces.empty()))
        std::abort();
    return 0;
}
