#pragma once
// Text model files and drawing a Mesh in immediate mode.
//
// File format, whitespace-separated, read in this order:
//   name                           one word
//   n  then n times  x y z         positions
//   n  then n times  x y z         normals
//   n  then n times  u v           texture coordinates
//   n  then n times a face:        kind (0 triangles, 3 quads), then three
//                                  index lists (position, normal, texture
//                                  coordinate), each a count and that many
//                                  zero-based integers
// Reading stops quietly where the text ends or stops making sense; the arrays
// keep what was read completely up to there.
#include "gfx/Mesh.h"

#include <iosfwd>
#include <string>

// Replaces the mesh's contents with the file's (the name is used as given, not
// under the data folder). False when the file cannot be opened, or when a face
// indexes outside the arrays read (or has fewer normal or texture-coordinate
// indices than corners): such a mesh is rejected and left empty, so drawing a
// loaded mesh never reads outside its arrays.
bool LoadMesh(const std::string& fileName, Mesh* mesh);
bool ReadMesh(std::istream& in, Mesh& mesh);

// True when every corner of every face indexes inside the mesh's arrays.
bool MeshIndicesInRange(const Mesh& mesh);

// Draws each face as one glBegin/glEnd pair of triangles (kind 0) or quads
// (kind 3), each corner with texture coordinate (u, 1 - v), normal and
// position. A face of any other kind ends the drawing there. The mesh's
// indices must be in range (LoadMesh guarantees it).
void DrawMesh(const Mesh& mesh);
