#pragma once
// Vectors, matrices, rotations and quaternions for 3D work with OpenGL.
//
// Conventions
// - Single precision throughout.
// - Mat4 holds 16 floats in OpenGL's column-major order: row r, column c is at
//   index 4c + r; the translation sits at 12, 13, 14 and index 15 is the
//   homogeneous 1. A Mat4 goes to and comes from OpenGL without conversion.
// - Column vectors: a matrix is applied as M x v. Mat4Multiply(A, B, out)
//   gives B x A, that is A applied first and B second.
// - Angles are in degrees wherever the name says so (Deg, Rotation, YawPitchRoll,
//   AngleBetween) and converted with pi / 180; everything else takes radians.
// - Results go through an output argument that may be the same object as an
//   input: every function computes into a temporary first.
// - Zero-length vectors: normalising one gives the zero vector, and the angle
//   between a zero vector and anything is 0 degrees.
// - The axis rotations (Mat4RotationX/Y/Z/Axis) are read back from OpenGL and
//   need a current GL context; nothing else here touches GL.

struct Vec2
{
    float x, y;
};

struct Vec3
{
    float x, y, z;
};

struct Quaternion
{
    float x, y, z, w;
};

struct Mat4
{
    float m[16];
    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
};

// ---- scalars --------------------------------------------------------------

void SinCosDeg(float degrees, float& outSin, float& outCos);
float FSin(float radians);
float FCos(float radians);
float FAcos(float x);
float FSqrt(float x);

// ---- Vec3 -----------------------------------------------------------------

void Vec3Set(Vec3& out, float x, float y, float z);
void Vec3Copy(const Vec3& a, Vec3& out);
void Vec3Scale(const Vec3& a, float s, Vec3& out);
void Vec3Add(const Vec3& a, const Vec3& b, Vec3& out);
void Vec3Subtract(const Vec3& a, const Vec3& b, Vec3& out);
void Vec3AddScaled(const Vec3& a, const Vec3& b, float s, Vec3& out); // a + b * s
void Vec3Normalize(const Vec3& a, Vec3& out);
void Vec3Cross(const Vec3& a, const Vec3& b, Vec3& out);
float Vec3Dot(const Vec3& a, const Vec3& b);
float Vec3Length(const Vec3& a);
float Vec3AngleBetween(const Vec3& a, const Vec3& b); // degrees, 0 to 180
void Vec3Lerp(const Vec3& a, const Vec3& b, float s, Vec3& out);
void Vec3Transform(const Vec3& a, const Mat4& m, Vec3& out); // m x (a, 1)

// ---- Point3 ---------------------------------------------------------------

class Point3
{
  public:
    float x, y, z;

    Point3() : x(0.0f), y(0.0f), z(0.0f) {}
    Point3(float px, float py, float pz) : x(px), y(py), z(pz) {}
    Point3(const Point3& p) = default;
    Point3& operator=(const Point3& p) = default;

    // Scales to unit length and returns the factor used; a zero vector stays
    // zero and answers 0.
    float Normalize();
    void Negate();
    float Length() const;
    float LengthSquared() const;

    bool operator==(const Point3& p) const { return x == p.x && y == p.y && z == p.z; }
    bool operator!=(const Point3& p) const { return !(*this == p); }
    Point3& operator+=(const Point3& p);
    Point3& operator-=(const Point3& p);
    Point3& operator*=(float s);
    Point3& operator/=(float s);         // IEEE rules: dividing by 0 gives infinities
    Point3& operator*=(const Point3& p); // componentwise
    Point3 operator*(float s) const { return Point3(x * s, y * s, z * s); }
    Point3 operator+(const Point3& p) const { return Point3(x + p.x, y + p.y, z + p.z); }
    Point3 operator-(const Point3& p) const { return Point3(x - p.x, y - p.y, z - p.z); }

    float Dot(const Point3& p) const { return x * p.x + y * p.y + z * p.z; }
    void SetCross(const Point3& a, const Point3& b);
    // x = r cos b cos c, y = r cos b sin c, z = r sin b (radians).
    void SetSpherical(float r, float b, float c);
};

// ---- Mat4 -----------------------------------------------------------------

void Mat4Identity(Mat4& out);
void Mat4Translation(float x, float y, float z, Mat4& out);
void Mat4Translation(const Vec3& t, Mat4& out);
// Read back from OpenGL's model-view stack (a GL context must be current).
void Mat4RotationX(float degrees, Mat4& out);
void Mat4RotationY(float degrees, Mat4& out);
void Mat4RotationZ(float degrees, Mat4& out);
void Mat4RotationAxis(float degrees, float x, float y, float z, Mat4& out);
// Rz(roll) x Rx(pitch) x Ry(yaw), then the translation.
void Mat4YawPitchRoll(float yaw, float pitch, float roll, float tx, float ty, float tz, Mat4& out);
void Mat4FromQuaternion(const Quaternion& q, Mat4& out);
float Mat4Determinant(const Mat4& m);
void Mat4Transpose(const Mat4& m, Mat4& out);
// Inverse of a rigid transform (rotation and translation only): the rotation
// transposed and the translation carried back through it, -R^T t. Unlike the
// original, which only negated the translation (right for a pure translation,
// wrong as soon as there is a rotation), this is the true inverse.
void Mat4FastInverse(const Mat4& m, Mat4& out);
// out := B x A: A applied first, then B.
void Mat4Multiply(const Mat4& a, const Mat4& b, Mat4& out);

// ---- Quaternion -----------------------------------------------------------

void QuatSet(Quaternion& out, float x, float y, float z, float w);
void QuatCopy(const Quaternion& a, Quaternion& out);
void QuatSubtract(const Quaternion& a, const Quaternion& b, Quaternion& out);
void QuatToMatrix(const Quaternion& q, Mat4& out);
// Shortest-path spherical interpolation from a (s = 0) to b (s = 1).
void QuatSlerp(const Quaternion& a, const Quaternion& b, float s, Quaternion& out);
void QuatSlerp(Quaternion& out, const Quaternion& a, const Quaternion& b, float s);
// Unit axis and angle in radians; (0, 0, 0) and 0 for the identity rotation.
void QuatToAxisAngle(const Quaternion& q, Vec3& axis, float& radians);
