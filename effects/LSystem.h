#pragma once
// A random branching tree of small cubes, grown from a seed and drawn up to a
// growth factor. The trunk is a chain of cube segments from a start towards an
// end point; from the end of every branch `depth` thinner child branches
// sprout, each one level shallower. Drawing at growth g shows the trunk
// segment by segment as depth x g rises from 0 to 1, and a branch of level k
// (the trunk's children are level 1) between k and k + 1; a branch's children
// only start once it is complete.
//
// Every node comes from a fixed pool of 10,000; when it runs out, branches are
// left out silently. The same seed and arguments always give the same tree.
#include <cstdint>
#include <vector>

#include "math/Math3D.h"

struct LsNode
{
    std::vector<Mat4> transforms;  // one per segment from the branch's start: unit cube -> segment
    std::vector<LsNode*> children; // into the same pool, in creation order
};

class LSystem
{
  public:
    static const int32_t kPoolSize = 10000;

    explicit LSystem(int32_t randomState);
    virtual ~LSystem();
    LSystem(const LSystem&) = delete;
    LSystem& operator=(const LSystem&) = delete;

    // Empties the pool and grows a new tree. Radii are the trunk's at its start
    // and end; children start at their parent's end radius and end at half of it.
    void Generate(int32_t seed, Vec3 start, Vec3 end, float startRadius, float endRadius,
                  int32_t depth);
    static int32_t CountSegments(const LsNode* node);

    // Draws into the current model-view matrix, which is left as it was. Needs
    // a current GL context. Draws nothing before the first Generate.
    void Draw(float growth);
    void DrawNode(const LsNode* node, float growth);
    // The cube from -0.5 to 0.5 on every axis: six quads with normals and
    // texture coordinates.
    static void DrawUnitCube();

    const LsNode* GetRoot() const { return m_Root; }
    int32_t GetTotalSegments() const { return m_TotalSegments; }
    int32_t GetDepth() const { return m_Depth; }
    int32_t GetUsedNodes() const { return m_UsedNodes; }
    int32_t GetRandomState() const { return m_RandomState; }

  private:
    LsNode* GenerateBranch(Vec3 start, Vec3 end, float r0, float r1, int32_t depth, bool trunk);
    void AppendSegment(LsNode* node, const Vec3& lastPos, float radius, bool trunk);

    int32_t m_RandomState;
    LsNode* m_Root = nullptr;
    int32_t m_TotalSegments = 0;
    int32_t m_Depth = 0;
    int32_t m_UsedNodes = 0;
    std::vector<LsNode> m_Pool; // kPoolSize nodes in one block, sized once
};
