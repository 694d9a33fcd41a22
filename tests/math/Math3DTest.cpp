#include <gtest/gtest.h>

#include "math/Math3D.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

#include <cmath>

namespace
{
void ExpectMatNear(const Mat4& want, const Mat4& got, float eps = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(want[i], got[i], eps) << "index " << i;
}

Vec3 Apply(const Mat4& m, Vec3 v)
{
    Vec3Transform(v, m, v);
    return v;
}

// Rotation about z by 90 degrees: quaternion (0, 0, sin 45, cos 45).
const float kH = std::sqrt(0.5f);
} // namespace

TEST(Mat4, ProductAppliesFirstArgumentFirstAndIdentityIsNeutral)
{
    Mat4 move, turn, out, id;
    Mat4Translation(1, 0, 0, move);
    Mat4YawPitchRoll(0, 0, 90, 0, 0, 0, turn); // a quarter turn about z

    Mat4Multiply(move, turn, out); // move, then turn
    Vec3 p = Apply(out, Vec3{0, 0, 0});
    EXPECT_NEAR(0.0f, p.x, 1e-6f);
    EXPECT_NEAR(1.0f, p.y, 1e-6f);

    Mat4Multiply(turn, move, out); // turn, then move
    p = Apply(out, Vec3{0, 0, 0});
    EXPECT_NEAR(1.0f, p.x, 1e-6f);
    EXPECT_NEAR(0.0f, p.y, 1e-6f);

    Mat4Identity(id);
    Mat4Multiply(id, turn, out);
    ExpectMatNear(turn, out, 0);
    Mat4Multiply(turn, id, out);
    ExpectMatNear(turn, out, 0);

    // Output aliasing an input still gives the product.
    Mat4 a = move;
    Mat4Multiply(a, turn, a);
    Mat4Multiply(move, turn, out);
    ExpectMatNear(out, a, 0);
}

TEST(Mat4, YawPitchRollMatchesTheGLAxisRotationsInOrder)
{
    testing_support::HeadlessGL gl(8, 8);
    REQUIRE_GL(gl);
    glMatrixMode(GL_PROJECTION); // the caller's mode must survive
    Mat4 rz, rx, ry, t, want, got;
    Mat4RotationZ(30, rz);
    Mat4RotationX(-50, rx);
    Mat4RotationY(70, ry);
    // Rz x Rx x Ry: yaw applied first.
    Mat4Multiply(ry, rx, t);
    Mat4Multiply(t, rz, want);
    want[12] = 4;
    want[13] = 5;
    want[14] = 6;
    Mat4YawPitchRoll(70, -50, 30, 4, 5, 6, got);
    ExpectMatNear(want, got);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(GL_PROJECTION, mode);

    // Right-handed: x to y about z, y to z about x, z to x about y.
    Mat4 r;
    Mat4RotationAxis(90, 0, 0, 2, r);
    Vec3 p = Apply(r, Vec3{1, 0, 0});
    EXPECT_NEAR(1.0f, p.y, 1e-6f);
    Mat4RotationX(90, r);
    EXPECT_NEAR(1.0f, Apply(r, Vec3{0, 1, 0}).z, 1e-6f);
    Mat4RotationY(90, r);
    EXPECT_NEAR(1.0f, Apply(r, Vec3{0, 0, 1}).x, 1e-6f);
}

TEST(Mat4, DeterminantTransposeAndRigidInverse)
{
    Mat4 m = {{2, 0, 0, 0, 1, 3, 0, 0, 5, 7, 4, 0, 9, 8, 6, 1}}; // triangular: det 24
    EXPECT_FLOAT_EQ(24.0f, Mat4Determinant(m));
    Mat4 t;
    Mat4Transpose(m, t);
    EXPECT_FLOAT_EQ(24.0f, Mat4Determinant(t));
    EXPECT_EQ(m[4], t[1]);
    EXPECT_EQ(m[12], t[3]);
    Mat4 swap = {{0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    EXPECT_FLOAT_EQ(-1.0f, Mat4Determinant(swap));

    Mat4 rigid, inv, prod, id;
    Mat4YawPitchRoll(20, 40, 60, 3, -2, 7, rigid);
    Mat4FastInverse(rigid, inv);
    Mat4Multiply(rigid, inv, prod);
    Mat4Identity(id);
    ExpectMatNear(id, prod);
}

TEST(Quaternion, ToMatrixAndAxisAngle)
{
    Quaternion q{0, 0, kH, kH};
    Mat4 fromQ, want;
    Mat4FromQuaternion(q, fromQ);
    Mat4YawPitchRoll(0, 0, 90, 0, 0, 0, want);
    ExpectMatNear(want, fromQ);

    Vec3 axis;
    float angle = 0;
    QuatToAxisAngle(Quaternion{0, 0, 2 * kH, kH}, axis, angle); // axis part not unit
    EXPECT_NEAR(1.0f, axis.z, 1e-6f);
    EXPECT_NEAR(3.14159265f / 2, angle, 1e-5f);
    QuatToAxisAngle(Quaternion{0, 0, 0, 1}, axis, angle);
    EXPECT_EQ(0.0f, axis.x + axis.y + axis.z);
    EXPECT_EQ(0.0f, angle);
}

TEST(Quaternion, SlerpTakesTheShortWayAndTheNegationIsTheSameRotation)
{
    Quaternion a{0.1f, 0.7f, -0.1f, 0.7f}, neg{-0.1f, -0.7f, 0.1f, -0.7f}, out;
    for (float s : {0.0f, 0.3f, 1.0f})
    {
        QuatSlerp(a, neg, s, out);
        EXPECT_NEAR(a.x, out.x, 1e-6f);
        EXPECT_NEAR(a.y, out.y, 1e-6f);
        EXPECT_NEAR(a.w, out.w, 1e-6f);
    }
    // Halfway from no rotation to a quarter turn about z is an eighth turn,
    // whichever sign the target has and in both argument orders.
    Quaternion id{0, 0, 0, 1}, quarter{0, 0, -kH, -kH};
    QuatSlerp(out, id, quarter, 0.5f);
    EXPECT_NEAR(std::sin(3.14159265f / 8), out.z, 1e-5f);
    EXPECT_NEAR(std::cos(3.14159265f / 8), out.w, 1e-5f);
}

TEST(Vec3, ZeroVectorsAndParallelVectorsHaveDefinedResults)
{
    Vec3 zero{0, 0, 0}, out{9, 9, 9};
    Vec3Normalize(zero, out);
    EXPECT_EQ(0.0f, out.x + out.y + out.z);
    EXPECT_EQ(0.0f, Vec3AngleBetween(zero, Vec3{1, 2, 3}));
    EXPECT_EQ(0.0f, Vec3AngleBetween(zero, zero));
    Vec3 v{0.1f, 0.7f, 0.3f};
    EXPECT_EQ(0.0f, Vec3AngleBetween(v, v)); // no NaN from a cosine just over 1
    EXPECT_NEAR(180.0f, Vec3AngleBetween(Vec3{1, 0, 0}, Vec3{-3, 0, 0}), 1e-4f);
    EXPECT_NEAR(90.0f, Vec3AngleBetween(Vec3{1, 0, 0}, Vec3{0, 0, 2}), 1e-4f);

    Point3 p;
    EXPECT_EQ(0.0f, p.Normalize());
    EXPECT_EQ(Point3(), p);
    Point3 q(3, 0, 4);
    EXPECT_FLOAT_EQ(0.2f, q.Normalize());
    EXPECT_FLOAT_EQ(1.0f, q.Length());
}
