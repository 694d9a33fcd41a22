#include <gtest/gtest.h>

#include "gfx/VertexArray.h"
#include "support/HeadlessGL.h"

#include <epoxy/gl.h>

#include <vector>

using testing_support::HeadlessGL;

TEST(VertexArrayLayout, PositionAndRgbaAreSeparateZeroFilledArrays)
{
    VertexArray va(VA_POSITION | VA_COLOR_RGBA, 4, 6);
    EXPECT_EQ(7u, va.GetVertexSize());
    EXPECT_EQ(0u, va.GetPositionOffset());
    EXPECT_EQ(12u, va.GetColourOffset());

    const float first[7] = {1, 2, 3, 0.1f, 0.2f, 0.3f, 0.4f};
    const float second[7] = {4, 5, 6, 0.5f, 0.6f, 0.7f, 0.8f};
    ASSERT_TRUE(va.AddVertex(first, true));
    ASSERT_TRUE(va.AddVertex(second, true));

    std::vector<float> expected(28, 0.0f);
    const float positions[6] = {1, 2, 3, 4, 5, 6};
    const float colours[8] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f};
    std::copy(positions, positions + 6, expected.begin());
    std::copy(colours, colours + 8, expected.begin() + 12);
    EXPECT_EQ(expected, std::vector<float>(va.GetVertexData(), va.GetVertexData() + 28));
    EXPECT_EQ(0u, va.GetIndices()[0]);
    EXPECT_EQ(1u, va.GetIndices()[1]);
    EXPECT_EQ(0u, va.GetIndices()[2]); // the rest of the list is zero-filled
}

TEST(VertexArrayLayout, EveryComponentInOrderWithTwoFloatsPerTextureUnit)
{
    const unsigned mask = VA_POSITION | VA_NORMAL | VA_COLOR_RGB | VA_TEXCOORD0 | VA_TEXCOORD1 |
                          VA_TEXCOORD2 | VA_TEXCOORD3;
    VertexArray va(mask, 2, 2);
    EXPECT_EQ(17u, va.GetVertexSize());
    EXPECT_EQ(0u, va.GetPositionOffset());
    EXPECT_EQ(6u, va.GetNormalOffset());
    EXPECT_EQ(12u, va.GetColourOffset());
    EXPECT_EQ(18u, va.GetTexOffset(0));
    EXPECT_EQ(22u, va.GetTexOffset(1));
    EXPECT_EQ(26u, va.GetTexOffset(2));
    EXPECT_EQ(30u, va.GetTexOffset(3));

    float values[17];
    for (int i = 0; i < 17; ++i)
        values[i] = static_cast<float>(i + 1);
    ASSERT_TRUE(va.AddVertex(values, false));
    ASSERT_TRUE(va.AddVertex(values, false));
    const float* data = va.GetVertexData();
    // Second vertex: each component one stride further into its own array.
    EXPECT_EQ(1.0f, data[3]);
    EXPECT_EQ(4.0f, data[9]);
    EXPECT_EQ(7.0f, data[15]);
    EXPECT_EQ(10.0f, data[20]);
    EXPECT_EQ(12.0f, data[24]);
    EXPECT_EQ(14.0f, data[28]); // unit 2 reads two floats, like the others
    EXPECT_EQ(16.0f, data[32]);
    EXPECT_EQ(17.0f, data[33]);

    // Units 0 and 1 alone bring no unit-2 array with them.
    VertexArray twoUnits(VA_POSITION | VA_TEXCOORD0 | VA_TEXCOORD1, 3, 3);
    EXPECT_EQ(7u, twoUnits.GetVertexSize());

    // Both colour bits: one RGBA slot.
    VertexArray both(VA_COLOR_RGB | VA_COLOR_RGBA, 1, 1);
    EXPECT_EQ(4u, both.GetVertexSize());
}

TEST(VertexArrayCapacity, FullListsRefuseAndChangeNothing)
{
    const float v[3] = {1, 2, 3};
    VertexArray va(VA_POSITION, 2, 1);
    EXPECT_TRUE(va.AddVertex(v, true));
    // The index list is full: neither the vertex nor its index goes in.
    EXPECT_FALSE(va.AddVertex(v, true));
    EXPECT_EQ(1u, va.GetVertexCount());
    EXPECT_EQ(1u, va.GetIndexCount());
    EXPECT_FALSE(va.AddIndex(0));

    EXPECT_TRUE(va.AddVertex(v, false));
    EXPECT_FALSE(va.AddVertex(v, false));
    EXPECT_EQ(2u, va.GetVertexCount());

    // An index beyond the vertex capacity would be read outside the arrays.
    VertexArray roomy(VA_POSITION, 4, 4);
    EXPECT_FALSE(roomy.AddIndex(4));
    EXPECT_TRUE(roomy.AddIndex(3));
    EXPECT_EQ(1u, roomy.GetIndexCount());
}

namespace
{
// A quad over the left half of the viewport, yellow, with texture coordinates
// that pick the right-hand texel of a two-texel texture.
void FillLeftQuad(VertexArray& va)
{
    const float corners[4][2] = {{-1, -1}, {0, -1}, {0, 1}, {-1, 1}};
    for (const auto& c : corners)
    {
        const float v[9] = {c[0], c[1], 0, 1, 1, 0, 1, 0.75f, 0.5f};
        ASSERT_TRUE(va.AddVertex(v, false));
    }
    for (unsigned i : {0u, 1u, 2u, 0u, 2u, 3u})
        ASSERT_TRUE(va.AddIndex(i));
}

// Blue on the left, white on the right: modulated with yellow, only the right
// texel gives yellow, so wrong coordinates show as black.
GLuint BindTwoTexelTexture(int unit)
{
    const unsigned char texels[8] = {0, 0, 255, 255, 255, 255, 255, 255};
    GLuint texture = 0;
    glActiveTexture(GL_TEXTURE0 + unit);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    return texture;
}

std::vector<uint8_t> DrawAndRead(VertexArray& va)
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    va.Draw(GL_TRIANGLES);
    return HeadlessGL::ReadPixels(0, 0, 16, 16);
}

void ResetMatrices()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

const unsigned kTexBit[4] = {VA_TEXCOORD0, VA_TEXCOORD1, VA_TEXCOORD2, VA_TEXCOORD3};
} // namespace

class VertexArrayDraw : public testing::TestWithParam<int>
{
};

TEST_P(VertexArrayDraw, ClientMemoryAndBufferObjectsGiveTheSamePixels)
{
    const int unit = GetParam();
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ResetMatrices();
    GLuint texture = BindTwoTexelTexture(unit);

    VertexArray va(VA_POSITION | VA_COLOR_RGBA | kTexBit[unit], 4, 6);
    FillLeftQuad(va);
    std::vector<uint8_t> fromClient = DrawAndRead(va);
    EXPECT_EQ(0xFFFF00FFu, HeadlessGL::Pixel(4, 8));
    EXPECT_EQ(0x000000FFu, HeadlessGL::Pixel(12, 8));

    va.Upload(false);
    ASSERT_TRUE(va.HasBuffers());
    EXPECT_EQ(nullptr, va.GetVertexData());
    EXPECT_NE(0u, va.GetBuffer(3 + unit));
    const float more[9] = {};
    EXPECT_FALSE(va.AddVertex(more, false)); // no client copy left to write into

    std::vector<uint8_t> fromBuffers = DrawAndRead(va);
    EXPECT_EQ(fromClient, fromBuffers);

    // What Draw enabled is off again, and no array buffer is left bound.
    GLint binding = -1, clientUnit = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &binding);
    glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &clientUnit);
    EXPECT_EQ(0, binding);
    EXPECT_EQ(GL_TEXTURE0, clientUnit);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glClientActiveTexture(GL_TEXTURE0 + unit);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    glClientActiveTexture(GL_TEXTURE0);

    glDeleteTextures(1, &texture);
    glActiveTexture(GL_TEXTURE0);
}

INSTANTIATE_TEST_SUITE_P(TextureUnits, VertexArrayDraw, testing::Values(0, 1, 2, 3));

TEST(VertexArrayBuffers, ClearAfterUploadDeletesTheBuffersAndEmptiesTheArray)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ResetMatrices();
    VertexArray va(VA_POSITION | VA_COLOR_RGBA | VA_TEXCOORD3, 4, 6);
    FillLeftQuad(va);
    va.Upload(true);
    ASSERT_TRUE(va.HasBuffers());
    EXPECT_NE(nullptr, va.GetVertexData()); // kept

    std::vector<GLuint> names;
    for (int slot = 0; slot < VertexArray::kSlots; ++slot)
        if (va.GetBuffer(slot))
            names.push_back(va.GetBuffer(slot));
    ASSERT_EQ(3u, names.size());
    va.Upload(true); // only once
    EXPECT_EQ(names[0], va.GetBuffer(0));

    va.Clear();
    for (GLuint name : names)
        EXPECT_FALSE(glIsBuffer(name));
    EXPECT_FALSE(va.HasBuffers());
    EXPECT_EQ(0u, va.GetMask());
    EXPECT_EQ(0u, va.GetVertexCount());
    EXPECT_EQ(0u, va.GetIndexCount());
    EXPECT_EQ(0u, va.GetMaxVertices());
    EXPECT_EQ(0u, va.GetMaxIndices());
    EXPECT_EQ(0u, va.GetColourOffset());
    EXPECT_EQ(0u, va.GetTexOffset(3));
    EXPECT_EQ(nullptr, va.GetVertexData());

    std::vector<uint8_t> cleared(16 * 16 * 4);
    for (size_t i = 0; i < cleared.size(); ++i)
        cleared[i] = (i % 4 == 3) ? 255 : 0;
    EXPECT_EQ(cleared, DrawAndRead(va)); // nothing left to draw
}

TEST(VertexArrayBuffers, IndexPastTheUploadedVerticesDrawsNothing)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ResetMatrices();
    VertexArray va(VA_POSITION | VA_COLOR_RGBA, 8, 9);
    const float corners[3][2] = {{-1, -1}, {1, -1}, {1, 1}};
    for (const auto& c : corners)
    {
        const float v[7] = {c[0], c[1], 0, 1, 0, 0, 1};
        ASSERT_TRUE(va.AddVertex(v, true));
    }
    va.Upload(false);
    DrawAndRead(va);
    EXPECT_EQ(0xFF0000FFu, HeadlessGL::Pixel(14, 2));

    // Within the capacity, but the buffers hold only three vertices.
    ASSERT_TRUE(va.AddIndex(0));
    ASSERT_TRUE(va.AddIndex(1));
    ASSERT_TRUE(va.AddIndex(5));
    DrawAndRead(va);
    EXPECT_EQ(0x000000FFu, HeadlessGL::Pixel(14, 2));
}
