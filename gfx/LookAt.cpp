#include "gfx/LookAt.h"

#include <cmath>

namespace
{
void Normalise(float v[3])
{
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0f)
        return;
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

void Cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}
} // namespace

void BuildLookAt(double eyeX, double eyeY, double eyeZ, double centerX, double centerY,
                 double centerZ, double upX, double upY, double upZ, float matrix[16])
{
    float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                        static_cast<float>(centerZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    Normalise(forward);
    float side[3];
    Cross(forward, up, side);
    Normalise(side);
    Cross(side, forward, up);

    const float rows[3][3] = {{side[0], side[1], side[2]},
                              {up[0], up[1], up[2]},
                              {-forward[0], -forward[1], -forward[2]}};
    const double eye[3] = {eyeX, eyeY, eyeZ};
    for (int column = 0; column < 3; ++column)
    {
        for (int row = 0; row < 3; ++row)
            matrix[column * 4 + row] = rows[row][column];
        matrix[column * 4 + 3] = 0.0f;
    }
    for (int row = 0; row < 3; ++row)
    {
        double t = 0.0;
        for (int k = 0; k < 3; ++k)
            t -= rows[row][k] * eye[k];
        matrix[12 + row] = static_cast<float>(t);
    }
    matrix[15] = 1.0f;
}
