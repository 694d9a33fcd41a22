#include "gfx/Material.h"

Material::Material()
    : ambient{0, 0, 0, 0}, diffuse{1, 1, 1, 1}, specular{0, 0, 0, 0}, emission{0, 0, 0, 0},
      shininess(0)
{
    name = "Material";
}

int Material::GetType() const
{
    return 2;
}
