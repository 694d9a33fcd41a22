#pragma once
// Surface colours and texture names for a renderer to use. Nothing in the
// engine fills or reads them yet; the names follow the usual fixed-function
// material, and the first loader or renderer that uses them settles their meaning.
#include "gfx/Resource.h"

#include <string>

struct TColorRGBA
{
    float r, g, b, a;
};

class Material : public Resource
{
  public:
    Material();
    int GetType() const override; // 2

    TColorRGBA ambient;          // (0, 0, 0, 0)
    TColorRGBA diffuse;          // (1, 1, 1, 1)
    TColorRGBA specular;         // (0, 0, 0, 0)
    TColorRGBA emission;         // (0, 0, 0, 0)
    float shininess;             // 0
    std::string textureNames[4]; // empty
};
