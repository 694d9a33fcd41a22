#pragma once
// Small immediate-mode helpers for writing effects. Both need the window's
// context current.
#include "gfx/Mesh.h" // Vec3

// Sets the GL viewport to exactly these values.
void SetViewport(int x, int y, int width, int height);

// A textured square of half-size halfSize around centre, facing the viewer:
// its edges follow the model-view matrix's right and up rows, so it faces the
// camera when that matrix holds only rotation and translation. Texture
// coordinate (0, 0) is at the top-left corner. Leaves the model-view matrix
// selected and as it was.
void DrawBillboard(const Vec3& centre, float halfSize);
