#pragma once
// Bezier curves through 3D control points, for camera paths and similar motion.
#include <cstdint>

#include "math/Math3D.h"

// A curve of at most `capacity` control points, sampled at evenly spaced
// parameters. Points past the count are (0, 0, 0).
class BezierCurve
{
  public:
    explicit BezierCurve(uint32_t capacity);
    ~BezierCurve();
    BezierCurve(const BezierCurve&) = delete;
    BezierCurve& operator=(const BezierCurve&) = delete;

    // Ignored once the curve is full.
    void AddPoint(const Point3& p);
    // Ignored for an index at or past the count.
    void SetPoint(const Point3& p, uint32_t index);

    // n points at t = k / (n - 1), the first and last control points at the
    // ends (n = 1: t = 0). The caller owns the array and frees it with
    // delete[]. n = 0 answers null.
    Point3* Sample(uint32_t n) const;

    uint32_t GetCapacity() const { return m_Capacity; }
    uint32_t GetCount() const { return m_Count; }
    const Point3* GetPoints() const { return m_Points; }

  private:
    uint32_t m_Capacity;
    uint32_t m_Count;
    Point3* m_Points;
};

// The Bezier curve of m control points at t, clamped to 0..1. No points give
// (0, 0, 0). Any number of points is evaluated with exact binomial weights.
Point3 EvaluateBezier(const Point3* points, uint32_t m, float t);

// (1 - t)^2 p0 + 2t(1 - t) p1 + t^2 p2, t clamped to 0..1.
Point3 EvaluateQuadraticBezier(const Point3& p0, const Point3& p1, const Point3& p2, float t);
