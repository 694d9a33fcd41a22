#include <gtest/gtest.h>

#include "effects/LSystem.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

#include <cstring>
#include <functional>
#include <memory>

namespace
{
const Vec3 kOrigin{0, 0, 0};
const Vec3 kTop{0, 10, 0};

bool SameTree(const LsNode* a, const LsNode* b)
{
    if (!a || !b)
        return a == b;
    if (a->transforms.size() != b->transforms.size() || a->children.size() != b->children.size())
        return false;
    if (!a->transforms.empty() && std::memcmp(a->transforms.data(), b->transforms.data(),
                                              a->transforms.size() * sizeof(Mat4)) != 0)
        return false;
    for (size_t i = 0; i < a->children.size(); ++i)
        if (!SameTree(a->children[i], b->children[i]))
            return false;
    return true;
}

// Polygons GL would rasterise, counted in feedback mode under a projection
// wide enough that nothing is clipped.
int DrawnPolygons(const std::function<void()>& draw)
{
    std::vector<GLfloat> buffer(1 << 20);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1000, 1000, -1000, 1000, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    GLint n = glRenderMode(GL_RENDER);
    EXPECT_GE(n, 0) << "feedback buffer overflow";
    int polygons = 0;
    for (GLint i = 0; i < n;)
    {
        if (buffer[i] == GL_POLYGON_TOKEN)
        {
            ++polygons;
            i += 2 + 3 * static_cast<GLint>(buffer[i + 1]);
        }
        else
            i += 1 + 3; // a point or similar: never drawn here
    }
    return polygons;
}
} // namespace

TEST(LSystem, SameSeedSameTreeAndNoTreeBeforeGenerate)
{
    auto a = std::make_unique<LSystem>(5);
    EXPECT_EQ(nullptr, a->GetRoot());
    a->Generate(42, kOrigin, kTop, 1.0f, 0.5f, 3);
    auto b = std::make_unique<LSystem>(0);
    b->Generate(42, kOrigin, kTop, 1.0f, 0.5f, 3);
    EXPECT_TRUE(SameTree(a->GetRoot(), b->GetRoot()));
    EXPECT_EQ(10u, a->GetRoot()->transforms.size()); // length 10 / radius 1
    EXPECT_EQ(3u, a->GetRoot()->children.size());
    EXPECT_EQ(LSystem::CountSegments(a->GetRoot()), a->GetTotalSegments());

    b->Generate(43, kOrigin, kTop, 1.0f, 0.5f, 3);
    EXPECT_FALSE(SameTree(a->GetRoot(), b->GetRoot()));
    b->Generate(42, kOrigin, kTop, 1.0f, 0.5f, 3); // regrowing empties the pool first
    EXPECT_TRUE(SameTree(a->GetRoot(), b->GetRoot()));
    EXPECT_EQ(a->GetUsedNodes(), b->GetUsedNodes());
}

TEST(LSystem, SeedZeroGivesUnrotatedSegmentsAndChildrenAimingAtTheAxis)
{
    auto tree = std::make_unique<LSystem>(0);
    tree->Generate(0, Vec3{3, 0, 4}, Vec3{3, 10, 4}, 1.0f, 0.5f, 2);
    const LsNode* root = tree->GetRoot();
    ASSERT_EQ(2u, root->children.size());
    for (const LsNode* child : root->children)
        for (const Mat4& m : child->transforms)
        {
            // Scale only: no rotation, since every draw was 0.
            EXPECT_EQ(0.0f, m[1]);
            EXPECT_EQ(0.0f, m[2]);
            EXPECT_EQ(0.0f, m[4]);
            EXPECT_EQ(0.0f, m[8]);
            EXPECT_EQ(m[0], m[10]);
            // (3, 4) heads towards (0, 0): x and z shrink in step.
            EXPECT_NEAR(m[12] * 4.0f, m[14] * 3.0f, 1e-3f);
            EXPECT_LT(m[12], 3.0f);
        }
}

TEST(LSystem, PoolExhaustionAndDegenerateBranches)
{
    auto tree = std::make_unique<LSystem>(0);
    // A very deep tree runs out of nodes, and stops quickly, without the
    // recursion running away.
    tree->Generate(7, kOrigin, kTop, 1.0f, 0.5f, 20000);
    EXPECT_EQ(LSystem::kPoolSize - 1, tree->GetUsedNodes());
    EXPECT_NE(nullptr, tree->GetRoot());

    // Start radius over the trunk length: no segments, children still grow.
    tree->Generate(7, kOrigin, kTop, 20.0f, 0.5f, 2);
    EXPECT_TRUE(tree->GetRoot()->transforms.empty());
    EXPECT_EQ(2u, tree->GetRoot()->children.size());

    // Zero radii and a zero-length trunk give no segments rather than garbage.
    tree->Generate(7, kOrigin, kTop, 0.0f, 0.0f, 1);
    EXPECT_EQ(0, tree->GetTotalSegments());
    tree->Generate(7, kOrigin, kOrigin, 1.0f, 1.0f, 0);
    EXPECT_EQ(0, tree->GetTotalSegments());
}

TEST(LSystem, GrowthRevealsTheTreeLevelByLevel)
{
    testing_support::HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    int perCube = DrawnPolygons([] { LSystem::DrawUnitCube(); });
    ASSERT_GT(perCube, 0);

    auto tree = std::make_unique<LSystem>(0);
    EXPECT_EQ(0, DrawnPolygons([&] { tree->Draw(1.0f); })); // before Generate
    const int depth = 2;
    tree->Generate(11, kOrigin, kTop, 1.0f, 0.5f, depth);
    const LsNode* root = tree->GetRoot();
    int trunk = static_cast<int>(root->transforms.size());
    int level1 = 0;
    for (const LsNode* c : root->children)
        level1 += static_cast<int>(c->transforms.size());

    auto cubesAt = [&](float growthOfRoot)
    { return DrawnPolygons([&] { tree->Draw(growthOfRoot / depth); }) / perCube; };
    EXPECT_EQ(0, cubesAt(0.0f));
    EXPECT_EQ(trunk / 2, cubesAt(0.5f));
    EXPECT_EQ(trunk, cubesAt(1.0f));
    EXPECT_EQ(trunk + level1, cubesAt(2.0f));
    EXPECT_EQ(tree->GetTotalSegments(), cubesAt(3.0f));
    EXPECT_EQ(tree->GetTotalSegments(), cubesAt(30.0f));

    // Depth 0: a trunk alone, and depth x growth is always 0.
    tree->Generate(11, kOrigin, kTop, 1.0f, 0.5f, 0);
    EXPECT_EQ(0, DrawnPolygons([&] { tree->Draw(5.0f); }));

    // A trunk without segments is complete at once: its children grow from G - 1.
    tree->Generate(11, kOrigin, kTop, 20.0f, 0.5f, 1);
    int children = tree->GetTotalSegments();
    ASSERT_GT(children, 0);
    EXPECT_EQ(0, DrawnPolygons([&] { tree->Draw(1.0f); }));
    EXPECT_EQ(children, DrawnPolygons([&] { tree->Draw(2.0f); }) / perCube);
}

TEST(LSystem, UnitCubeFillsItsSpanAndDrawLeavesTheMatrixAlone)
{
    testing_support::HeadlessGL gl(32, 32);
    REQUIRE_GL(gl);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    LSystem::DrawUnitCube();
    EXPECT_EQ(0xFFFFFFFFu, testing_support::HeadlessGL::Pixel(16, 16));
    EXPECT_EQ(0xFFFFFFFFu, testing_support::HeadlessGL::Pixel(9, 9)); // inside +-0.5
    EXPECT_EQ(0x000000FFu, testing_support::HeadlessGL::Pixel(3, 3));

    auto tree = std::make_unique<LSystem>(0);
    tree->Generate(3, kOrigin, kTop, 1.0f, 0.5f, 2);
    tree->Draw(0.7f);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(1.0f, m[0]);
    EXPECT_EQ(0.0f, m[13]);
}
