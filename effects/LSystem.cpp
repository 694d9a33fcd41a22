#include "effects/LSystem.h"

#include "math/Random.h"

#include <epoxy/gl.h>

#include <cmath>

namespace
{
// The tree's own matrix builders: the usual right-handed rotations, computed
// here rather than read back from GL so a tree can be grown without a context.
const float kDegToRad = 0.017453292f;

Mat4 Identity()
{
    Mat4 m;
    Mat4Identity(m);
    return m;
}

Mat4 Scale(float s)
{
    Mat4 m = Identity();
    m[0] = m[5] = m[10] = s;
    return m;
}

Mat4 Translation(const Vec3& v)
{
    Mat4 m;
    Mat4Translation(v, m);
    return m;
}

Mat4 RotationX(float degrees)
{
    float c = std::cos(degrees * kDegToRad), s = std::sin(degrees * kDegToRad);
    Mat4 m = Identity();
    m[5] = c;
    m[6] = s;
    m[9] = -s;
    m[10] = c;
    return m;
}

Mat4 RotationY(float degrees)
{
    float c = std::cos(degrees * kDegToRad), s = std::sin(degrees * kDegToRad);
    Mat4 m = Identity();
    m[0] = c;
    m[2] = -s;
    m[8] = s;
    m[10] = c;
    return m;
}

Mat4 RotationZ(float degrees)
{
    float c = std::cos(degrees * kDegToRad), s = std::sin(degrees * kDegToRad);
    Mat4 m = Identity();
    m[0] = c;
    m[1] = s;
    m[4] = -s;
    m[5] = c;
    return m;
}

// a x b: b is applied first.
Mat4 operator*(const Mat4& a, const Mat4& b)
{
    Mat4 out;
    Mat4Multiply(b, a, out);
    return out;
}

// length / r0 as a whole number of segments; a zero, negative or non-finite
// quotient (zero radius, zero length) gives none.
int32_t SegmentCount(float length, float r0)
{
    float q = length / r0;
    if (!(q >= 1.0f) || std::isinf(q))
        return 0;
    if (q >= static_cast<float>(LSystem::kPoolSize))
        return LSystem::kPoolSize;
    return static_cast<int32_t>(q);
}
} // namespace

LSystem::LSystem(int32_t randomState) : m_RandomState(randomState), m_Pool(kPoolSize) {}

LSystem::~LSystem() = default;

void LSystem::Generate(int32_t seed, Vec3 start, Vec3 end, float startRadius, float endRadius,
                       int32_t depth)
{
    m_RandomState = seed;
    m_UsedNodes = 0;
    for (LsNode& node : m_Pool)
    {
        node.transforms.clear();
        node.children.clear();
    }
    m_Root = GenerateBranch(start, end, startRadius, endRadius, depth, true);
    m_Depth = depth;
    m_TotalSegments = CountSegments(m_Root);
}

int32_t LSystem::CountSegments(const LsNode* node)
{
    if (!node)
        return 0;
    int32_t n = static_cast<int32_t>(node->transforms.size());
    for (const LsNode* child : node->children)
        n += CountSegments(child);
    return n;
}

// Kept out of GenerateBranch so the recursion's frames stay small: a chain of
// branches can nest as deep as the pool is large.
void LSystem::AppendSegment(LsNode* node, const Vec3& lastPos, float radius, bool trunk)
{
    Mat4 scaleM = Scale(radius);
    Mat4 rotMX = Identity();
    Mat4 rotMZ = Identity();
    if (!trunk)
    {
        rotMX = RotationX(static_cast<float>(NextRandom(m_RandomState, 360)));
        rotMZ = RotationZ(static_cast<float>(NextRandom(m_RandomState, 360)));
    }
    Mat4 rotMY = RotationY(static_cast<float>(NextRandom(m_RandomState, 360)));
    Mat4 transM = Translation(lastPos);
    // The z rotation stands twice and the x rotation, although drawn (which
    // keeps the random sequence), takes no part: this is how the trees have
    // always looked.
    (void)rotMX;
    Mat4 transform = transM * rotMZ * rotMY * rotMZ * scaleM;
    node->transforms.push_back(transform);
}

LsNode* LSystem::GenerateBranch(Vec3 start, Vec3 end, float r0, float r1, int32_t depth, bool trunk)
{
    Vec3 dir;
    Vec3Subtract(end, start, dir);
    float length = Vec3Length(dir);
    Vec3Normalize(dir, dir);

    // One node is always kept back: at most kPoolSize - 1 are handed out.
    if (m_UsedNodes + 1 >= kPoolSize)
        return nullptr;
    LsNode* node = &m_Pool[static_cast<size_t>(m_UsedNodes)];
    ++m_UsedNodes;

    int32_t segments = SegmentCount(length, r0);
    if (segments + m_UsedNodes >= kPoolSize)
        segments = kPoolSize - m_UsedNodes;

    Vec3 lastPos = start;
    for (int32_t i = 0; i < segments; ++i)
    {
        float l = static_cast<float>(i) / static_cast<float>(segments);
        float radius = (1.0f - l) * r0 + l * r1;
        float step = 0.8f * radius;
        // Not normalised again: every segment climbs more steeply.
        dir.y = dir.y * 1.1f;
        Vec3AddScaled(lastPos, dir, step, lastPos);
        AppendSegment(node, lastPos, radius, trunk);
    }

    for (int32_t j = 0; j < depth; ++j)
    {
        // Once the pool is spent no later branch can grow; stopping here keeps
        // huge depths from spinning through empty calls.
        if (m_UsedNodes + 1 >= kPoolSize)
            break;
        float distance = static_cast<float>(NextRandom(m_RandomState, 1000)) / 100.0f;
        // Used as radians, as the trees always have.
        float angle = static_cast<float>(NextRandom(m_RandomState, 360));
        Vec3 newPos2{std::cos(angle) * distance, lastPos.y + 2.0f, std::sin(angle) * distance};
        LsNode* child = GenerateBranch(lastPos, newPos2, r1, r1 / 2.0f, depth - 1, false);
        if (child)
            node->children.push_back(child);
    }
    return node;
}

void LSystem::Draw(float growth)
{
    glPushMatrix();
    glTranslatef(0.0f, 0.5f, 0.0f);
    DrawNode(m_Root, static_cast<float>(m_Depth) * growth);
    glPopMatrix();
}

void LSystem::DrawNode(const LsNode* node, float growth)
{
    if (!node)
        return;
    const int32_t b = static_cast<int32_t>(node->transforms.size());
    const float d = static_cast<float>(b) * growth;
    int32_t count;
    if (!(d > 0.0f))
        count = 0;
    else if (d >= static_cast<float>(b))
        count = b;
    else
        count = static_cast<int32_t>(d);

    for (int32_t i = 0; i < count; ++i)
    {
        // Segments well behind the growth front are full size; the last one
        // or two are still swelling.
        float e = 0.2f * growth + (d - static_cast<float>(i + 1));
        if (e > 1.0f)
            e = 1.0f;
        glPushMatrix();
        glMultMatrixf(node->transforms[static_cast<size_t>(i)].m);
        glScalef(e, e, e);
        DrawUnitCube();
        glPopMatrix();
    }

    // A complete branch (also one without segments) lets its children grow.
    if (count == b)
        for (const LsNode* child : node->children)
            DrawNode(child, growth - 1.0f);
}

void LSystem::DrawUnitCube()
{
    struct Face
    {
        float normal[3];
        float corners[4][3];
    };
    static const Face kFaces[6] = {
        {{0, 1, 0}, {{-.5f, .5f, .5f}, {.5f, .5f, .5f}, {.5f, .5f, -.5f}, {-.5f, .5f, -.5f}}},
        {{0, -1, 0}, {{-.5f, -.5f, .5f}, {.5f, -.5f, .5f}, {.5f, -.5f, -.5f}, {-.5f, -.5f, -.5f}}},
        {{0, 0, 1}, {{.5f, .5f, .5f}, {-.5f, .5f, .5f}, {-.5f, -.5f, .5f}, {.5f, -.5f, .5f}}},
        {{0, 0, -1}, {{-.5f, .5f, -.5f}, {.5f, .5f, -.5f}, {.5f, -.5f, -.5f}, {-.5f, -.5f, -.5f}}},
        {{-1, 0, 0}, {{-.5f, .5f, .5f}, {-.5f, .5f, -.5f}, {-.5f, -.5f, -.5f}, {-.5f, -.5f, .5f}}},
        {{1, 0, 0}, {{.5f, .5f, -.5f}, {.5f, .5f, .5f}, {.5f, -.5f, .5f}, {.5f, -.5f, -.5f}}},
    };
    static const float kTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

    glBegin(GL_QUADS);
    for (const Face& f : kFaces)
    {
        glNormal3fv(f.normal);
        for (int k = 0; k < 4; ++k)
        {
            glTexCoord2fv(kTexCoords[k]);
            glVertex3fv(f.corners[k]);
        }
    }
    glEnd();
}
