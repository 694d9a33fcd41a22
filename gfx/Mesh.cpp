#include "gfx/Mesh.h"

// Loading and drawing live with the drawing functions (effects/MeshFile.h).
int Mesh::GetType() const
{
    return 1;
}
