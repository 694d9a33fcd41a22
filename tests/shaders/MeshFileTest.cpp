#include <gtest/gtest.h>

#include "effects/DrawingFunctions.h"
#include "effects/MeshFile.h"
#include "gfx/Material.h"
#include "support/HeadlessGL.h"
#include "support/TempFolder.h"

#include <epoxy/gl.h>

#include <memory>
#include <sstream>
#include <type_traits>

using testing_support::HeadlessGL;
using testing_support::TempFolder;

namespace
{
// The left half of the view as one quad; both texture coordinates have v = 0.25.
const char* kQuadFile = "quad\n"
                        "4  -1 -1 0  0 -1 0  0 1 0  -1 1 0\n"
                        "1  0 0 1\n"
                        "2  0.25 0.25  0.75 0.25\n"
                        "1  3  4 0 1 2 3  4 0 0 0 0  4 0 1 1 0\n";

bool Read(const std::string& text, Mesh& mesh)
{
    std::istringstream in(text);
    return ReadMesh(in, mesh);
}

// Positions 0-2 form a triangle in the left third, 3-5 one in the right third.
const char* kTwoTriangles = "tris\n"
                            "6  -1 -1 0  -0.4 -1 0  -1 1 0   0.4 -1 0  1 -1 0  1 1 0\n"
                            "1  0 0 1\n"
                            "1  0 0\n";

std::string TriangleFace(int kind, const std::string& corners)
{
    std::istringstream in(corners);
    std::string indices, zeros;
    int count = 0, i;
    while (in >> i)
    {
        indices += " " + std::to_string(i);
        zeros += " 0";
        ++count;
    }
    std::string n = std::to_string(count);
    return std::to_string(kind) + "  " + n + indices + "  " + n + zeros + "  " + n + zeros + "\n";
}

void PrepareView()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}

const uint32_t kWhite = 0xFFFFFFFFu;
const uint32_t kBlack = 0x000000FFu;

// A texture of w x h RGBA texels, drawn unlit and unblended (replace).
GLuint UseTexture(int w, int h, const unsigned char* texels)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    return texture;
}
} // namespace

TEST(MeshFile, RoundTripOfASmallModelDrawsWithFlippedV)
{
    TempFolder folder;
    std::string file = folder.Write("quad.txt", kQuadFile);
    Mesh mesh;
    ASSERT_TRUE(LoadMesh(file, &mesh));
    EXPECT_EQ("quad", mesh.name);
    ASSERT_EQ(4u, mesh.positions.size());
    EXPECT_EQ(-1.0f, mesh.positions[3].x);
    EXPECT_EQ(1.0f, mesh.positions[3].y);
    ASSERT_EQ(1u, mesh.normals.size());
    EXPECT_EQ(1.0f, mesh.normals[0].z);
    ASSERT_EQ(2u, mesh.texCoords.size());
    EXPECT_EQ(0.25f, mesh.texCoords[1].y); // kept as read
    ASSERT_EQ(1u, mesh.faces.size());
    EXPECT_EQ(FACE_QUADS, mesh.faces[0].kind);
    EXPECT_EQ((std::vector<int32_t>{0, 1, 2, 3}), mesh.faces[0].positionIndices);
    EXPECT_EQ((std::vector<int32_t>{0, 1, 1, 0}), mesh.faces[0].texCoordIndices);

    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    PrepareView();
    // Bottom row red, top row green: v = 0.25 drawn as t = 0.75 samples green.
    const unsigned char texels[8] = {255, 0, 0, 255, 0, 255, 0, 255};
    GLuint texture = UseTexture(1, 2, texels);
    DrawMesh(mesh);
    EXPECT_EQ(0x00FF00FFu, HeadlessGL::Pixel(4, 8));
    EXPECT_EQ(kBlack, HeadlessGL::Pixel(12, 8));
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);

    EXPECT_FALSE(LoadMesh(folder.path() + "/missing.txt", &mesh));
    EXPECT_FALSE(LoadMesh(folder.path(), &mesh)); // a directory cannot be opened either
}

TEST(MeshFile, EarlyEndKeepsWhatWasReadWhole)
{
    Mesh mesh;
    EXPECT_TRUE(Read("cut 3  1 2 3  4 5", mesh));
    EXPECT_EQ("cut", mesh.name);
    ASSERT_EQ(1u, mesh.positions.size()); // the half-read second position is dropped
    EXPECT_EQ(3.0f, mesh.positions[0].z);
    EXPECT_TRUE(mesh.normals.empty());
    EXPECT_TRUE(mesh.faces.empty());

    // Cut inside the second face: the first face stays.
    std::string text = std::string(kTwoTriangles) + "2\n" + TriangleFace(0, "0 1 2") + "0  3 3 4";
    EXPECT_TRUE(Read(text, mesh));
    EXPECT_EQ(6u, mesh.positions.size());
    EXPECT_EQ(1u, mesh.faces.size());

    // Text that stops making sense stops reading the same way.
    EXPECT_TRUE(Read("odd 2  1 2 3  x y z  1  0 0 1", mesh));
    EXPECT_EQ(1u, mesh.positions.size());
    EXPECT_TRUE(mesh.normals.empty());

    EXPECT_TRUE(Read("", mesh));
    EXPECT_TRUE(mesh.name.empty());
}

TEST(MeshFile, IndicesOutsideTheArraysRejectTheMesh)
{
    const std::string head = kTwoTriangles;
    const std::string bad[] = {
        head + "1 " + TriangleFace(0, "0 1 6"),     // position past the end
        head + "1 " + TriangleFace(0, "0 -1 2"),    // negative
        head + "1  0  3 0 1 2  3 0 0 1  3 0 0 0\n", // normal past the end
        head + "1  0  3 0 1 2  3 0 0 0  3 0 0 2\n", // texture coordinate past the end
        head + "1  0  3 0 1 2  2 0 0  3 0 0 0\n",   // fewer normal indices than corners
    };
    for (const std::string& text : bad)
    {
        Mesh mesh;
        EXPECT_FALSE(Read(text, mesh)) << text;
        EXPECT_TRUE(mesh.positions.empty() && mesh.faces.empty() && mesh.name.empty());
    }
    Mesh fine;
    EXPECT_TRUE(Read(head + "1 " + TriangleFace(0, "3 4 5"), fine));
    EXPECT_TRUE(MeshIndicesInRange(fine));
}

TEST(MeshDraw, SixCornersInATriangleFaceDrawTwoTriangles)
{
    HeadlessGL gl(20, 20);
    REQUIRE_GL(gl);
    Mesh mesh;
    ASSERT_TRUE(Read(std::string(kTwoTriangles) + "1 " + TriangleFace(0, "0 1 2 3 4 5"), mesh));
    PrepareView();
    DrawMesh(mesh);
    EXPECT_EQ(kWhite, HeadlessGL::Pixel(1, 2));
    EXPECT_EQ(kWhite, HeadlessGL::Pixel(18, 2));
    EXPECT_EQ(kBlack, HeadlessGL::Pixel(10, 2)); // nothing joins them
}

TEST(MeshDraw, UnknownFaceKindEndsTheDrawing)
{
    HeadlessGL gl(20, 20);
    REQUIRE_GL(gl);
    Mesh mesh;
    const std::string left = TriangleFace(0, "0 1 2");
    const std::string right = TriangleFace(0, "3 4 5");
    ASSERT_TRUE(
        Read(std::string(kTwoTriangles) + "3 " + left + TriangleFace(7, "0 1 2") + right, mesh));
    PrepareView();
    DrawMesh(mesh);
    EXPECT_EQ(kWhite, HeadlessGL::Pixel(1, 2));
    EXPECT_EQ(kBlack, HeadlessGL::Pixel(18, 2));

    ASSERT_TRUE(Read(std::string(kTwoTriangles) + "2 " + TriangleFace(1, "0 1 2") + right, mesh));
    PrepareView();
    DrawMesh(mesh);
    EXPECT_EQ(kBlack, HeadlessGL::Pixel(1, 2));
    EXPECT_EQ(kBlack, HeadlessGL::Pixel(18, 2));
}

TEST(Billboard, IdentityModelViewGivesAnAxisAlignedSquareWithTopLeftOrigin)
{
    HeadlessGL gl(32, 32);
    REQUIRE_GL(gl);
    PrepareView();
    // Texel rows as stored: A B on the first row, C D on the second.
    const unsigned char texels[16] = {255, 0, 0,   255, 0,   255, 0, 255,  // A red, B green
                                      0,   0, 255, 255, 255, 255, 0, 255}; // C blue, D yellow
    GLuint texture = UseTexture(2, 2, texels);
    DrawBillboard(Vec3{0.25f, 0.0f, 0.5f}, 0.5f);
    // The square spans x -0.25..0.75 and y -0.5..0.5: pixels 12..28 and 8..24.
    EXPECT_EQ(0xFF0000FFu, HeadlessGL::Pixel(14, 22)); // top left: first texel
    EXPECT_EQ(0x00FF00FFu, HeadlessGL::Pixel(26, 22));
    EXPECT_EQ(0x0000FFFFu, HeadlessGL::Pixel(14, 10));
    EXPECT_EQ(0xFFFF00FFu, HeadlessGL::Pixel(26, 10));
    EXPECT_EQ(kBlack, HeadlessGL::Pixel(10, 16));
    EXPECT_EQ(kBlack, HeadlessGL::Pixel(30, 16));
    EXPECT_EQ(kBlack, HeadlessGL::Pixel(20, 26));

    GLint mode = 0, depth = 0;
    GLfloat m[16];
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(GL_MODELVIEW, mode);
    EXPECT_EQ(1, depth);
    EXPECT_EQ(0.0f, m[12]);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
}

TEST(Billboard, FacesTheViewerUnderARotatedModelView)
{
    HeadlessGL gl(32, 32);
    REQUIRE_GL(gl);
    PrepareView();
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f); // edge-on if the square ignored the view
    DrawBillboard(Vec3{0.0f, 0.0f, 0.0f}, 0.5f);
    EXPECT_EQ(kWhite, HeadlessGL::Pixel(10, 16));
    EXPECT_EQ(kWhite, HeadlessGL::Pixel(22, 16));
    EXPECT_EQ(kBlack, HeadlessGL::Pixel(4, 16));
}

TEST(Resources, DeletedThroughTheBaseAndToldApartByType)
{
    // Deleting a Mesh through a Resource pointer must run the Mesh's destructor.
    static_assert(std::has_virtual_destructor<Resource>::value, "virtual destructor");
    std::unique_ptr<Resource> mesh(new Mesh);
    std::unique_ptr<Resource> material(new Material);
    EXPECT_EQ(1, mesh->GetType());
    EXPECT_EQ(2, material->GetType());
    EXPECT_EQ("Material", material->name);
}
