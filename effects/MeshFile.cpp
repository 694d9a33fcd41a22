#include "effects/MeshFile.h"

#include "core/DataFiles.h"
#include "platform/RegularFile.h"

#include <epoxy/gl.h>

#include <fstream>
#include <istream>

namespace
{
bool ReadVec3(std::istream& in, Vec3& v)
{
    return static_cast<bool>(in >> v.x >> v.y >> v.z);
}

bool ReadVec2(std::istream& in, Vec2& v)
{
    return static_cast<bool>(in >> v.x >> v.y);
}

// A count and then that many items; stops at the first item that cannot be
// read whole. A negative count reads no items.
template <typename T, typename ReadOne>
bool ReadList(std::istream& in, std::vector<T>& out, ReadOne readOne)
{
    int32_t count = 0;
    if (!(in >> count))
        return false;
    for (int32_t i = 0; i < count; ++i)
    {
        T item{};
        if (!readOne(in, item))
            return false;
        out.push_back(item);
    }
    return true;
}

bool ReadIndex(std::istream& in, int32_t& i)
{
    return static_cast<bool>(in >> i);
}

bool ReadFace(std::istream& in, TFace& face)
{
    return static_cast<bool>(in >> face.kind) && ReadList(in, face.positionIndices, ReadIndex) &&
           ReadList(in, face.normalIndices, ReadIndex) &&
           ReadList(in, face.texCoordIndices, ReadIndex);
}

bool InRange(int32_t index, size_t size)
{
    return index >= 0 && static_cast<size_t>(index) < size;
}
} // namespace

bool ReadMesh(std::istream& in, Mesh& mesh)
{
    mesh.name.clear();
    mesh.positions.clear();
    mesh.normals.clear();
    mesh.texCoords.clear();
    mesh.faces.clear();

    // Each step reads nothing once an earlier one has failed.
    in >> mesh.name;
    (void)(ReadList(in, mesh.positions, ReadVec3) && ReadList(in, mesh.normals, ReadVec3) &&
           ReadList(in, mesh.texCoords, ReadVec2) && ReadList(in, mesh.faces, ReadFace));

    if (!MeshIndicesInRange(mesh))
    {
        mesh.name.clear();
        mesh.positions.clear();
        mesh.normals.clear();
        mesh.texCoords.clear();
        mesh.faces.clear();
        return false;
    }
    return true;
}

bool LoadMesh(const std::string& fileName, Mesh* mesh)
{
    NoteDataFile(DataFileKind::Mesh, fileName, fileName);
    if (!platform::IsRegularFile(fileName))
        return false;
    std::ifstream file(fileName);
    if (!file || !mesh)
        return false;
    return ReadMesh(file, *mesh);
}

bool MeshIndicesInRange(const Mesh& mesh)
{
    for (const TFace& face : mesh.faces)
    {
        size_t corners = face.positionIndices.size();
        if (face.normalIndices.size() < corners || face.texCoordIndices.size() < corners)
            return false;
        for (size_t j = 0; j < corners; ++j)
        {
            if (!InRange(face.positionIndices[j], mesh.positions.size()) ||
                !InRange(face.normalIndices[j], mesh.normals.size()) ||
                !InRange(face.texCoordIndices[j], mesh.texCoords.size()))
                return false;
        }
    }
    return true;
}

void DrawMesh(const Mesh& mesh)
{
    for (const TFace& face : mesh.faces)
    {
        GLenum primitive;
        if (face.kind == FACE_TRIANGLES)
            primitive = GL_TRIANGLES;
        else if (face.kind == FACE_QUADS)
            primitive = GL_QUADS;
        else
            return;

        glBegin(primitive);
        for (size_t j = 0; j < face.positionIndices.size(); ++j)
        {
            const Vec2& t = mesh.texCoords[face.texCoordIndices[j]];
            const Vec3& n = mesh.normals[face.normalIndices[j]];
            const Vec3& p = mesh.positions[face.positionIndices[j]];
            // v is flipped here, when drawn; the mesh keeps it as read.
            glTexCoord2f(t.x, 1.0f - t.y);
            glNormal3f(n.x, n.y, n.z);
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
    }
}
