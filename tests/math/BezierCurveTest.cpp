#include <gtest/gtest.h>

#include "math/BezierCurve.h"

#include <memory>

namespace
{
void ExpectNear(const Point3& want, const Point3& got, float eps = 1e-5f)
{
    EXPECT_NEAR(want.x, got.x, eps);
    EXPECT_NEAR(want.y, got.y, eps);
    EXPECT_NEAR(want.z, got.z, eps);
}
} // namespace

TEST(BezierCurve, ClampsTAndHandlesTinyCurves)
{
    Point3 pts[3] = {Point3(0, 0, 0), Point3(1, 2, 0), Point3(4, 0, -2)};
    EXPECT_EQ(pts[0], EvaluateBezier(pts, 3, -0.5f));
    EXPECT_EQ(pts[2], EvaluateBezier(pts, 3, 7.0f));
    ExpectNear(EvaluateQuadraticBezier(pts[0], pts[1], pts[2], 0.3f), EvaluateBezier(pts, 3, 0.3f));
    EXPECT_EQ(pts[2], EvaluateQuadraticBezier(pts[0], pts[1], pts[2], 2.0f));

    for (float t : {0.0f, 0.4f, 1.0f})
    {
        EXPECT_EQ(pts[1], EvaluateBezier(pts + 1, 1, t));
        EXPECT_EQ(Point3(), EvaluateBezier(pts, 0, t));
    }
}

TEST(BezierCurve, CapacityCountAndSampling)
{
    BezierCurve empty(4);
    std::unique_ptr<Point3[]> s(empty.Sample(3));
    EXPECT_EQ(Point3(), s[1]);
    EXPECT_EQ(nullptr, empty.Sample(0));

    BezierCurve curve(2);
    curve.AddPoint(Point3(1, 1, 1));
    curve.SetPoint(Point3(9, 9, 9), 1); // past the count: ignored
    curve.AddPoint(Point3(3, 5, 7));
    curve.AddPoint(Point3(8, 8, 8)); // full: ignored
    EXPECT_EQ(2u, curve.GetCount());
    EXPECT_EQ(Point3(3, 5, 7), curve.GetPoints()[1]);

    s.reset(curve.Sample(2));
    EXPECT_EQ(Point3(1, 1, 1), s[0]);
    EXPECT_EQ(Point3(3, 5, 7), s[1]);
    s.reset(curve.Sample(1));
    EXPECT_EQ(Point3(1, 1, 1), s[0]);
    s.reset(curve.Sample(5));
    ExpectNear(Point3(2, 3, 4), s[2]);
}

TEST(BezierCurve, LongCurvesKeepExactWeights)
{
    // Control points evenly spaced on a line give the point n t on that line
    // for any count; with overflowed factorials curves past 13 points drift.
    for (uint32_t m : {13u, 14u, 21u, 200u, 5000u})
    {
        std::vector<Point3> pts;
        for (uint32_t i = 0; i < m; ++i)
            pts.push_back(Point3(static_cast<float>(i), 1, 0));
        float n = static_cast<float>(m - 1);
        for (float t : {0.0f, 0.25f, 0.5f, 0.9f, 1.0f})
        {
            Point3 p = EvaluateBezier(pts.data(), m, t);
            EXPECT_NEAR(n * t, p.x, 1e-4f * n) << m << " points at " << t;
            EXPECT_NEAR(1.0f, p.y, 1e-4f) << m << " points at " << t;
        }
    }
}
