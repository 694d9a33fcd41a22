#pragma once
// Indexed geometry as the text model files describe it (see
// effects/MeshFile.h): positions, normals, texture coordinates, and faces
// whose corners index those arrays separately.
#include "gfx/Resource.h"
#include "math/Math3D.h"

#include <cstdint>
#include <vector>

enum FaceKind : int32_t
{
    FACE_TRIANGLES = 0,
    FACE_QUADS = 3,
};

// One face: its kind and, per corner, an index into each array. The number of
// corners is the length of positionIndices (a triangle face with six corners
// draws two triangles).
struct TFace
{
    int32_t kind = FACE_TRIANGLES;
    std::vector<int32_t> positionIndices;
    std::vector<int32_t> normalIndices;
    std::vector<int32_t> texCoordIndices;
};

class Mesh : public Resource
{
  public:
    int GetType() const override; // 1

    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<Vec2> texCoords;
    std::vector<TFace> faces;
};
