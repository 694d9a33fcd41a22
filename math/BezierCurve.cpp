#include "math/BezierCurve.h"

#include <cmath>

BezierCurve::BezierCurve(uint32_t capacity)
    : m_Capacity(capacity), m_Count(0), m_Points(new Point3[capacity])
{
}

BezierCurve::~BezierCurve()
{
    delete[] m_Points;
}

void BezierCurve::AddPoint(const Point3& p)
{
    if (m_Count < m_Capacity)
        m_Points[m_Count++] = p;
}

void BezierCurve::SetPoint(const Point3& p, uint32_t index)
{
    if (index < m_Count)
        m_Points[index] = p;
}

Point3* BezierCurve::Sample(uint32_t n) const
{
    if (n == 0)
        return nullptr;
    Point3* out = new Point3[n];
    for (uint32_t k = 0; k < n; ++k)
    {
        float t = n == 1 ? 0.0f : static_cast<float>(k) / static_cast<float>(n - 1);
        out[k] = EvaluateBezier(m_Points, m_Count, t);
    }
    return out;
}

static float Clamp01(float t)
{
    if (!(t > 0.0f)) // also NaN
        return 0.0f;
    if (t > 1.0f)
        return 1.0f;
    return t;
}

// Up to 13 points the factorials fit 32 bits (12! does, 13! does not), and the
// weights are formed in single precision as they always were.
static const uint32_t kSmallCurve = 13;

static uint32_t Factorial(uint32_t k)
{
    uint32_t f = 1;
    for (uint32_t i = 2; i <= k; ++i)
        f *= i;
    return f;
}

Point3 EvaluateBezier(const Point3* points, uint32_t m, float t)
{
    Point3 result;
    if (m == 0)
        return result;
    t = Clamp01(t);
    const uint32_t n = m - 1;

    if (m <= kSmallCurve)
    {
        for (uint32_t i = 0; i < m; ++i)
        {
            uint32_t binomial = Factorial(n) / (Factorial(i) * Factorial(n - i));
            float w = std::pow(t, static_cast<float>(i)) *
                      std::pow(1.0f - t, static_cast<float>(n - i)) * static_cast<float>(binomial);
            result += points[i] * w;
        }
        return result;
    }

    // Larger curves: binomials and powers would leave the float range (and the
    // factorials the integer range), so each weight is formed in double
    // precision through logarithms. The ends are exact.
    if (t == 0.0f)
        return points[0];
    if (t == 1.0f)
        return points[n];
    const double dn = static_cast<double>(n);
    const double logT = std::log(static_cast<double>(t));
    const double logU = std::log1p(-static_cast<double>(t));
    const double logNFact = std::lgamma(dn + 1.0);
    for (uint32_t i = 0; i < m; ++i)
    {
        const double di = static_cast<double>(i);
        double logW = logNFact - std::lgamma(di + 1.0) - std::lgamma(dn - di + 1.0) + di * logT +
                      (dn - di) * logU;
        result += points[i] * static_cast<float>(std::exp(logW));
    }
    return result;
}

Point3 EvaluateQuadraticBezier(const Point3& p0, const Point3& p1, const Point3& p2, float t)
{
    t = Clamp01(t);
    float u = 1.0f - t;
    Point3 result = p0 * (u * u);
    result += p1 * (2.0f * t * u);
    result += p2 * (t * t);
    return result;
}
