#include "math/Math3D.h"

#include <epoxy/gl.h>

#include <cmath>

namespace
{
const float kDegToRad = 3.14159265358979f / 180.0f;
const float kRadToDeg = 180.0f / 3.14159265358979f;
} // namespace

// ---- scalars --------------------------------------------------------------

void SinCosDeg(float degrees, float& outSin, float& outCos)
{
    float r = degrees * kDegToRad;
    outSin = std::sin(r);
    outCos = std::cos(r);
}

float FSin(float radians)
{
    return std::sin(radians);
}
float FCos(float radians)
{
    return std::cos(radians);
}
float FAcos(float x)
{
    return std::acos(x);
}
float FSqrt(float x)
{
    return std::sqrt(x);
}

// ---- Vec3 -----------------------------------------------------------------

void Vec3Set(Vec3& out, float x, float y, float z)
{
    out = Vec3{x, y, z};
}
void Vec3Copy(const Vec3& a, Vec3& out)
{
    out = a;
}

void Vec3Scale(const Vec3& a, float s, Vec3& out)
{
    out = Vec3{a.x * s, a.y * s, a.z * s};
}

void Vec3Add(const Vec3& a, const Vec3& b, Vec3& out)
{
    out = Vec3{a.x + b.x, a.y + b.y, a.z + b.z};
}

void Vec3Subtract(const Vec3& a, const Vec3& b, Vec3& out)
{
    out = Vec3{a.x - b.x, a.y - b.y, a.z - b.z};
}

void Vec3AddScaled(const Vec3& a, const Vec3& b, float s, Vec3& out)
{
    out = Vec3{a.x + b.x * s, a.y + b.y * s, a.z + b.z * s};
}

void Vec3Normalize(const Vec3& a, Vec3& out)
{
    float len = Vec3Length(a);
    if (len == 0.0f)
    {
        out = Vec3{0.0f, 0.0f, 0.0f};
        return;
    }
    Vec3Scale(a, 1.0f / len, out);
}

void Vec3Cross(const Vec3& a, const Vec3& b, Vec3& out)
{
    out = Vec3{a.y * b.z - b.y * a.z, a.z * b.x - b.z * a.x, a.x * b.y - b.x * a.y};
}

float Vec3Dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float Vec3Length(const Vec3& a)
{
    return std::sqrt(Vec3Dot(a, a));
}

float Vec3AngleBetween(const Vec3& a, const Vec3& b)
{
    float lengths = Vec3Length(a) * Vec3Length(b);
    if (lengths == 0.0f)
        return 0.0f;
    // Rounding can push the cosine of parallel vectors just past 1.
    float c = Vec3Dot(a, b) / lengths;
    if (c > 1.0f)
        c = 1.0f;
    if (c < -1.0f)
        c = -1.0f;
    return std::acos(c) * kRadToDeg;
}

void Vec3Lerp(const Vec3& a, const Vec3& b, float s, Vec3& out)
{
    float k = 1.0f - s;
    out = Vec3{k * a.x + s * b.x, k * a.y + s * b.y, k * a.z + s * b.z};
}

void Vec3Transform(const Vec3& a, const Mat4& m, Vec3& out)
{
    out = Vec3{a.x * m[0] + a.y * m[4] + a.z * m[8] + m[12],
               a.x * m[1] + a.y * m[5] + a.z * m[9] + m[13],
               a.x * m[2] + a.y * m[6] + a.z * m[10] + m[14]};
}

// ---- Point3 ---------------------------------------------------------------

float Point3::Normalize()
{
    float len = Length();
    if (len == 0.0f)
        return 0.0f;
    float k = 1.0f / len;
    *this *= k;
    return k;
}

void Point3::Negate()
{
    x *= -1.0f;
    y *= -1.0f;
    z *= -1.0f;
}

float Point3::Length() const
{
    return std::sqrt(LengthSquared());
}
float Point3::LengthSquared() const
{
    return x * x + y * y + z * z;
}

Point3& Point3::operator+=(const Point3& p)
{
    x += p.x;
    y += p.y;
    z += p.z;
    return *this;
}

Point3& Point3::operator-=(const Point3& p)
{
    x -= p.x;
    y -= p.y;
    z -= p.z;
    return *this;
}

Point3& Point3::operator*=(float s)
{
    x *= s;
    y *= s;
    z *= s;
    return *this;
}

Point3& Point3::operator/=(float s)
{
    x /= s;
    y /= s;
    z /= s;
    return *this;
}

Point3& Point3::operator*=(const Point3& p)
{
    x *= p.x;
    y *= p.y;
    z *= p.z;
    return *this;
}

void Point3::SetCross(const Point3& a, const Point3& b)
{
    *this = Point3(a.y * b.z - b.y * a.z, a.z * b.x - b.z * a.x, a.x * b.y - b.x * a.y);
}

void Point3::SetSpherical(float r, float b, float c)
{
    *this = Point3(r * std::cos(b) * std::cos(c), r * std::cos(b) * std::sin(c), r * std::sin(b));
}

// ---- Mat4 -----------------------------------------------------------------

void Mat4Identity(Mat4& out)
{
    out = Mat4{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

void Mat4Translation(float x, float y, float z, Mat4& out)
{
    Mat4Identity(out);
    out[12] = x;
    out[13] = y;
    out[14] = z;
}

void Mat4Translation(const Vec3& t, Mat4& out)
{
    Mat4Translation(t.x, t.y, t.z, out);
}

// OpenGL builds the rotation; the caller's matrix mode and model-view matrix
// are left as they were.
static void RotationFromGL(float degrees, float x, float y, float z, Mat4& out)
{
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRotatef(degrees, x, y, z);
    Mat4 r;
    glGetFloatv(GL_MODELVIEW_MATRIX, r.m);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(mode));
    out = r;
}

void Mat4RotationX(float degrees, Mat4& out)
{
    RotationFromGL(degrees, 1, 0, 0, out);
}
void Mat4RotationY(float degrees, Mat4& out)
{
    RotationFromGL(degrees, 0, 1, 0, out);
}
void Mat4RotationZ(float degrees, Mat4& out)
{
    RotationFromGL(degrees, 0, 0, 1, out);
}

void Mat4RotationAxis(float degrees, float x, float y, float z, Mat4& out)
{
    RotationFromGL(degrees, x, y, z, out);
}

void Mat4YawPitchRoll(float yaw, float pitch, float roll, float tx, float ty, float tz, Mat4& out)
{
    float sy, cy, sp, cp, sr, cr;
    SinCosDeg(yaw, sy, cy);
    SinCosDeg(pitch, sp, cp);
    SinCosDeg(roll, sr, cr);
    Mat4 r;
    r[0] = cr * cy - sr * sp * sy;
    r[1] = sr * cy + cr * sp * sy;
    r[2] = -cp * sy;
    r[3] = 0.0f;
    r[4] = -sr * cp;
    r[5] = cr * cp;
    r[6] = sp;
    r[7] = 0.0f;
    r[8] = cr * sy + sr * sp * cy;
    r[9] = sr * sy - cr * sp * cy;
    r[10] = cp * cy;
    r[11] = 0.0f;
    r[12] = tx;
    r[13] = ty;
    r[14] = tz;
    r[15] = 1.0f;
    out = r;
}

void Mat4FromQuaternion(const Quaternion& q, Mat4& out)
{
    float xx = 2 * q.x * q.x, yy = 2 * q.y * q.y, zz = 2 * q.z * q.z;
    float xy = 2 * q.x * q.y, xz = 2 * q.x * q.z, yz = 2 * q.y * q.z;
    float xw = 2 * q.x * q.w, yw = 2 * q.y * q.w, zw = 2 * q.z * q.w;
    Mat4 r;
    r[0] = 1 - yy - zz;
    r[1] = xy + zw;
    r[2] = xz - yw;
    r[3] = 0;
    r[4] = xy - zw;
    r[5] = 1 - xx - zz;
    r[6] = yz + xw;
    r[7] = 0;
    r[8] = xz + yw;
    r[9] = yz - xw;
    r[10] = 1 - xx - yy;
    r[11] = 0;
    r[12] = r[13] = r[14] = 0;
    r[15] = 1;
    out = r;
}

float Mat4Determinant(const Mat4& m)
{
    // Laplace expansion along the first two columns (pairs of 2x2 minors).
    float s0 = m[0] * m[5] - m[1] * m[4];
    float s1 = m[0] * m[6] - m[2] * m[4];
    float s2 = m[0] * m[7] - m[3] * m[4];
    float s3 = m[1] * m[6] - m[2] * m[5];
    float s4 = m[1] * m[7] - m[3] * m[5];
    float s5 = m[2] * m[7] - m[3] * m[6];
    float c5 = m[10] * m[15] - m[11] * m[14];
    float c4 = m[9] * m[15] - m[11] * m[13];
    float c3 = m[9] * m[14] - m[10] * m[13];
    float c2 = m[8] * m[15] - m[11] * m[12];
    float c1 = m[8] * m[14] - m[10] * m[12];
    float c0 = m[8] * m[13] - m[9] * m[12];
    return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
}

void Mat4Transpose(const Mat4& m, Mat4& out)
{
    Mat4 r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            r[4 * row + c] = m[4 * c + row];
    out = r;
}

void Mat4FastInverse(const Mat4& m, Mat4& out)
{
    Mat4 r;
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            r[4 * row + c] = m[4 * c + row];
    r[3] = r[7] = r[11] = 0.0f;
    // -R^T t: undoing the translation in the rotated frame.
    for (int row = 0; row < 3; ++row)
        r[12 + row] = -(r[row] * m[12] + r[4 + row] * m[13] + r[8 + row] * m[14]);
    r[15] = 1.0f;
    out = r;
}

void Mat4Multiply(const Mat4& a, const Mat4& b, Mat4& out)
{
    Mat4 r;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
        {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += b[4 * k + i] * a[4 * j + k];
            r[4 * j + i] = sum;
        }
    out = r;
}

// ---- Quaternion -----------------------------------------------------------

void QuatSet(Quaternion& out, float x, float y, float z, float w)
{
    out = Quaternion{x, y, z, w};
}
void QuatCopy(const Quaternion& a, Quaternion& out)
{
    out = a;
}

void QuatSubtract(const Quaternion& a, const Quaternion& b, Quaternion& out)
{
    out = Quaternion{a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}

void QuatToMatrix(const Quaternion& q, Mat4& out)
{
    Mat4FromQuaternion(q, out);
}

void QuatSlerp(const Quaternion& a, const Quaternion& b, float s, Quaternion& out)
{
    Quaternion to = b;
    float c = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (c < 0.0f)
    {
        // The other way round the sphere is shorter.
        c = -c;
        to = Quaternion{-b.x, -b.y, -b.z, -b.w};
    }
    float ka, kb;
    if (1.0f - c > 0.000001f)
    {
        float theta = std::acos(c);
        float sinTheta = std::sin(theta);
        ka = std::sin((1.0f - s) * theta) / sinTheta;
        kb = std::sin(s * theta) / sinTheta;
    }
    else
    {
        // Nearly equal: sin(theta) would vanish, interpolate linearly.
        ka = 1.0f - s;
        kb = s;
    }
    out = Quaternion{ka * a.x + kb * to.x, ka * a.y + kb * to.y, ka * a.z + kb * to.z,
                     ka * a.w + kb * to.w};
}

void QuatSlerp(Quaternion& out, const Quaternion& a, const Quaternion& b, float s)
{
    QuatSlerp(a, b, s, out);
}

void QuatToAxisAngle(const Quaternion& q, Vec3& axis, float& radians)
{
    float n = q.x * q.x + q.y * q.y + q.z * q.z;
    if (n > 0.0f)
    {
        float k = 1.0f / std::sqrt(n);
        float w = q.w > 1.0f ? 1.0f : (q.w < -1.0f ? -1.0f : q.w);
        axis = Vec3{q.x * k, q.y * k, q.z * k};
        radians = 2.0f * std::acos(w);
    }
    else
    {
        axis = Vec3{0.0f, 0.0f, 0.0f};
        radians = 0.0f;
    }
}
