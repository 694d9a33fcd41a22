#include <gtest/gtest.h>

#include "gfx/GLSLShader.h"
#include "gfx/RenderTarget.h"
#include "gfx/ScaledFrame.h"
#include "gfx/VertexArray.h"
#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "support/Fakes.h"
#include "support/HeadlessGL.h"
#include "support/TempFolder.h"

#include <epoxy/gl.h>

#include <filesystem>
#include <memory>

using testing_support::BoxRecorder;
using testing_support::HeadlessGL;
using testing_support::TempFolder;

namespace
{
const char* kVertex = "void main() { gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex; }\n";
const char* kGreen = "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n";
const char* kBroken = "void main() { gl_FragColor = no_such_colour; }\n";
// Reads a varying the vertex shader never writes: compiles, fails to link.
const char* kUnlinkable = "varying vec4 tint;\nvoid main() { gl_FragColor = tint * tint.x; }\n";

// Shader files live in a temporary data folder for the test's lifetime.
struct ShaderFolder
{
    TempFolder folder;
    ShaderFolder() { platform::SetDataFolder(folder.path()); }
    ~ShaderFolder() { platform::SetDataFolder(""); }
};

GLint CurrentProgram()
{
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

void DrawFullScreenQuad()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1, 0, 0, 1);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
}
} // namespace

TEST(GLSLShader, PairFromDataFolderCompilesLinksAndDraws)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ShaderFolder data;
    // Found whatever the letter case on disk.
    data.folder.Write("Plain.VP", kVertex);
    data.folder.Write("GREEN.fp", kGreen);
    BoxRecorder boxes;

    GLSLShader shader;
    EXPECT_EQ("No Shader specified.", shader.GetStatus());
    ASSERT_TRUE(shader.Init("plain", "green")) << shader.GetStatus();
    EXPECT_TRUE(shader.IsInitialised());
    EXPECT_TRUE(boxes.boxes.empty());

    shader.Enable();
    EXPECT_TRUE(shader.IsActive());
    EXPECT_EQ(static_cast<GLint>(shader.GetProgram()), CurrentProgram());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawFullScreenQuad();
    EXPECT_EQ(0x00FF00FFu, HeadlessGL::Pixel(8, 8));

    // A second Enable does not switch programs again.
    glUseProgramObjectARB(0);
    shader.Enable();
    EXPECT_EQ(0, CurrentProgram());

    shader.Disable();
    EXPECT_FALSE(shader.IsActive());
    glUseProgramObjectARB(shader.GetProgram());
    shader.Disable(); // already inactive: no switch
    EXPECT_EQ(static_cast<GLint>(shader.GetProgram()), CurrentProgram());
    glUseProgramObjectARB(0);

    EXPECT_FALSE(shader.Init("plain", "green"));
    EXPECT_EQ("Shader already initialized", shader.GetStatus());
}

TEST(GLSLShader, DestructorDisablesAndReleases)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ShaderFolder data;
    data.folder.Write("plain.vp", kVertex);
    data.folder.Write("green.fp", kGreen);
    GLuint program = 0;
    {
        GLSLShader shader;
        ASSERT_TRUE(shader.Init("plain", "green"));
        shader.Enable();
        program = shader.GetProgram();
    }
    EXPECT_EQ(0, CurrentProgram());
    EXPECT_FALSE(glIsProgram(program));
}

TEST(GLSLShader, DisableWithoutInitDoesNothing)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ShaderFolder data;
    data.folder.Write("plain.vp", kVertex);
    data.folder.Write("green.fp", kGreen);
    GLSLShader other;
    ASSERT_TRUE(other.Init("plain", "green"));
    other.Enable();

    GLSLShader never;
    never.Enable();
    never.Disable();
    EXPECT_FALSE(never.IsActive());
    EXPECT_EQ(static_cast<GLint>(other.GetProgram()), CurrentProgram());
}

// Live editing relinks a shader whose file was saved: the new program takes
// the old one's place (current again if it was), and a save that does not
// compile is reported while the old program stays.
TEST(GLSLShader, RelinkTakesASavedFileAndKeepsTheOldProgramOnAnError)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ShaderFolder data;
    data.folder.Write("plain.vp", kVertex);
    const std::string fragment = data.folder.Write("tint.fp", kGreen);
    BoxRecorder boxes;
    GLSLShader shader;
    ASSERT_TRUE(shader.Init("plain", "tint"));
    shader.Enable();
    const unsigned first = shader.GetProgram();

    data.folder.Write("tint.fp", "void main() { gl_FragColor = vec4(1.0, 0.0, 1.0, 1.0); }\n");
    EXPECT_TRUE(GLSLShader::RelinkFile(fragment));
    EXPECT_NE(first, shader.GetProgram());
    EXPECT_EQ(static_cast<GLint>(shader.GetProgram()), CurrentProgram());
    DrawFullScreenQuad();
    EXPECT_EQ(0xFF00FFFFu, HeadlessGL::Pixel(8, 8));
    EXPECT_TRUE(boxes.boxes.empty());

    const unsigned good = shader.GetProgram();
    data.folder.Write("tint.fp", kBroken);
    EXPECT_FALSE(GLSLShader::RelinkFile(fragment));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_NE(std::string::npos, boxes.boxes[0].text.find("no_such_colour"));
    EXPECT_EQ(good, shader.GetProgram());
    EXPECT_EQ(static_cast<GLint>(good), CurrentProgram());
    glClear(GL_COLOR_BUFFER_BIT);
    DrawFullScreenQuad();
    EXPECT_EQ(0xFF00FFFFu, HeadlessGL::Pixel(8, 8));
    shader.Disable();
}

TEST(GLSLShader, BrokenFragmentShaderShowsItsLogAndKeepsItInTheStatus)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ShaderFolder data;
    data.folder.Write("plain.vp", kVertex);
    data.folder.Write("broken.fp", kBroken);
    BoxRecorder boxes;

    GLSLShader shader;
    // The vertex shader alone links against the fixed-function fragment stage.
    EXPECT_TRUE(shader.Init("plain", "broken"));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Vortexel 1.5 Error: Attach GLSL Shader", boxes.boxes[0].caption);
    EXPECT_FALSE(shader.GetStatus().empty());
    EXPECT_NE(std::string::npos, shader.GetStatus().find("no_such_colour"));
    EXPECT_EQ(0u, boxes.boxes[0].text.find("Bad: " + shader.GetStatus()));
}

TEST(GLSLShader, MissingFilesAreReportedAndTheAttachMessageJoinsWithoutSpace)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ShaderFolder data;
    BoxRecorder boxes;

    GLSLShader shader;
    EXPECT_FALSE(shader.Init("gone", "gone"));
    EXPECT_FALSE(shader.IsInitialised());
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ("Vortexel 1.5 Error: GLSL Shader", boxes.boxes[0].caption);
    EXPECT_EQ(0u, boxes.boxes[0].text.find("Bad: Unable to open the following shader: " +
                                           data.folder.path() + "/gone.vp"));
    EXPECT_EQ(0u, boxes.boxes[1].text.find("Bad: Unable to open the following shader: " +
                                           data.folder.path() + "/gone.fp"));
    // Neither shader compiled; the empty program links (fixed function), so the
    // attach message stays, the vertex name running straight into "and ".
    EXPECT_EQ("Unable to attach the shaders goneand gone", shader.GetStatus());
    EXPECT_EQ(0u, shader.GetProgram());

    // A directory by the shader's name cannot be opened either.
    boxes.boxes.clear();
    std::filesystem::create_directory(data.folder.path() + "/folder.vp");
    EXPECT_EQ("", shader.ReadShaderFile(data.folder.path() + "/folder.vp"));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(0u, boxes.boxes[0].text.find("Bad: Unable to open the following shader: " +
                                           data.folder.path() + "/folder.vp"));
}

TEST(GLSLShader, VertexShaderWithMissingFragmentFileStillSucceeds)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ShaderFolder data;
    data.folder.Write("plain.vp", kVertex);
    BoxRecorder boxes;

    GLSLShader shader;
    EXPECT_TRUE(shader.Init("plain", "plain"));
    ASSERT_EQ(1u, boxes.boxes.size()); // the missing "plain.fp"; its empty text fails silently
    EXPECT_NE(std::string::npos, boxes.boxes[0].text.find("plain.fp"));
}

TEST(GLSLShader, LinkFailurePutsTheLinkLogInTheStatusAndLeavesNoProgram)
{
    HeadlessGL gl(16, 16);
    REQUIRE_GL(gl);
    ShaderFolder data;
    data.folder.Write("plain.vp", kVertex);
    data.folder.Write("tinted.fp", kUnlinkable);
    BoxRecorder boxes;

    GLSLShader shader;
    EXPECT_FALSE(shader.Init("plain", "tinted"));
    EXPECT_TRUE(boxes.boxes.empty()); // link failures are not shown
    EXPECT_FALSE(shader.GetStatus().empty());
    EXPECT_EQ(std::string::npos, shader.GetStatus().find("Unable to attach"));
    EXPECT_EQ(0u, shader.GetProgram());
    shader.Enable();
    EXPECT_FALSE(shader.IsActive());
}

TEST(GLResources, OutlivingTheirContextReleaseWithoutGLCalls)
{
    // A GL call with no current context aborts the process in libepoxy; the
    // objects went with the context, so releasing them must call nothing.
    ShaderFolder data;
    data.folder.Write("plain.vp", kVertex);
    data.folder.Write("green.fp", kGreen);
    auto shader = std::make_unique<GLSLShader>();
    auto va = std::make_unique<VertexArray>(VA_POSITION, 4, 6);
    auto frame = std::make_unique<ScaledFrame>();
    {
        HeadlessGL gl(16, 16);
        REQUIRE_GL(gl);
        ASSERT_TRUE(shader->Init("plain", "green"));
        shader->Enable();
        const float corner[3] = {0, 0, 0};
        va->AddVertex(corner, true);
        va->Upload(true);
        ASSERT_TRUE(va->HasBuffers());
        ASSERT_TRUE(frame->Create(8, 8));
        ASSERT_TRUE(RenderTarget::Create(nullptr, 64, 64));
    }
    ASSERT_FALSE(platform::IsGLContextCurrent());
    va->Clear();
    EXPECT_FALSE(va->HasBuffers());
    va.reset();
    shader->Release();
    shader.reset();
    frame->Destroy();
    EXPECT_FALSE(frame->IsCreated());
    RenderTarget::Destroy();
    EXPECT_FALSE(RenderTarget::IsCreated());
}
