#include "gfx/GLSLShader.h"

#include "core/DataFiles.h"
#include "core/ErrorBox.h"
#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <type_traits>
#include <vector>

static_assert(std::is_same<GLhandleARB, unsigned int>::value,
              "the program handle is kept as an unsigned int");

namespace
{
const int kInfoLogSize = 4096;

std::string InfoLog(GLhandleARB object)
{
    std::vector<GLcharARB> log(kInfoLogSize, 0);
    GLsizei length = 0;
    glGetInfoLogARB(object, kInfoLogSize, &length, log.data());
    if (length < 0)
        length = 0;
    if (length > kInfoLogSize - 1)
        length = kInfoLogSize - 1;
    return std::string(log.data(), static_cast<size_t>(length));
}

// Every shader alive, for relinking by file.
std::vector<GLSLShader*>& LiveShaders()
{
    static std::vector<GLSLShader*>* shaders = new std::vector<GLSLShader*>;
    return *shaders;
}
} // namespace

GLSLShader::GLSLShader() : m_Status("No Shader specified.")
{
    LiveShaders().push_back(this);
}

GLSLShader::~GLSLShader()
{
    std::vector<GLSLShader*>& live = LiveShaders();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (m_Initialised)
    {
        // Without a context (it was destroyed first) the program went with it.
        if (m_Active && platform::IsGLContextCurrent())
            Disable();
        Release();
    }
}

bool GLSLShader::Init(const std::string& vertexName, const std::string& fragmentName)
{
    if (m_Initialised)
    {
        m_Status = "Shader already initialized";
        return false;
    }

    m_VertexPath = platform::DataPath(vertexName + ".vp");
    m_FragmentPath = platform::DataPath(fragmentName + ".fp");
    NoteDataFile(DataFileKind::Shader, m_VertexPath, m_VertexPath);
    NoteDataFile(DataFileKind::Shader, m_FragmentPath, m_FragmentPath);
    std::string vp_content = ReadShaderFile(m_VertexPath);
    std::string fp_content = ReadShaderFile(m_FragmentPath);

    // Without the shader-object extension there is nothing to create; the
    // entry points would not resolve.
    if (!epoxy_has_gl_extension("GL_ARB_shader_objects"))
        return false;
    m_Program = glCreateProgramObjectARB();
    if (m_Program == 0)
        return false;

    bool vertexOk = CompileShader(vp_content, GL_VERTEX_SHADER_ARB);
    bool fragmentOk = CompileShader(fp_content, GL_FRAGMENT_SHADER_ARB);

    glLinkProgramARB(m_Program);
    GLint nLinked = 0;
    glGetObjectParameterivARB(m_Program, GL_OBJECT_LINK_STATUS_ARB, &nLinked);

    if ((vertexOk || fragmentOk) && nLinked)
    {
        m_Initialised = true;
        return true;
    }

    m_Status = "Unable to attach the shaders " + vertexName + "and " + fragmentName;
    if (!nLinked)
        m_Status = InfoLog(m_Program);
    // A program that will never be used (the destructor only releases an
    // initialised one) would otherwise stay behind with its shaders.
    glDeleteObjectARB(m_Program);
    m_Program = 0;
    return false;
}

bool GLSLShader::Relink()
{
    if (!m_Initialised)
        return false;
    std::string vp_content = ReadShaderFile(m_VertexPath);
    std::string fp_content = ReadShaderFile(m_FragmentPath);
    if (vp_content.empty() && fp_content.empty())
        return false; // unreadable (reported) or emptied: keep what works

    const unsigned int old = m_Program;
    m_Program = glCreateProgramObjectARB();
    if (m_Program == 0)
    {
        m_Program = old;
        return false;
    }
    bool ok = (vp_content.empty() || CompileShader(vp_content, GL_VERTEX_SHADER_ARB)) &&
              (fp_content.empty() || CompileShader(fp_content, GL_FRAGMENT_SHADER_ARB));
    if (ok)
    {
        glLinkProgramARB(m_Program);
        GLint nLinked = 0;
        glGetObjectParameterivARB(m_Program, GL_OBJECT_LINK_STATUS_ARB, &nLinked);
        ok = nLinked != 0;
        if (!ok)
        {
            m_Status = InfoLog(m_Program);
            ShowError("GLSL Shader", "Unable to link " + m_VertexPath + " and " + m_FragmentPath +
                                         ": " + m_Status);
        }
    }
    if (!ok)
    {
        glDeleteObjectARB(m_Program);
        m_Program = old;
        return false;
    }
    if (m_Active)
        glUseProgramObjectARB(m_Program);
    glDeleteObjectARB(old);
    return true;
}

bool GLSLShader::RelinkFile(const std::string& path)
{
    bool ok = true;
    // A copy: nothing here creates or destroys shaders, but stay safe.
    std::vector<GLSLShader*> live = LiveShaders();
    for (GLSLShader* shader : live)
        if (shader->m_Initialised &&
            (shader->m_VertexPath == path || shader->m_FragmentPath == path))
            ok = shader->Relink() && ok;
    return ok;
}

void GLSLShader::Enable()
{
    if (m_Initialised && !m_Active)
    {
        glUseProgramObjectARB(m_Program);
        m_Active = true;
    }
}

void GLSLShader::Disable()
{
    if (m_Initialised && m_Active)
    {
        glUseProgramObjectARB(0);
        m_Active = false;
    }
}

void GLSLShader::Release()
{
    // The handle is forgotten so a second Release (or the destructor after an
    // explicit one) cannot delete an object that has since reused the name.
    if (m_Program != 0 && platform::IsGLContextCurrent())
        glDeleteObjectARB(m_Program);
    m_Program = 0;
}

std::string GLSLShader::ReadShaderFile(const std::string& path)
{
    std::FILE* file = platform::OpenRegularFile(path, "rb");
    if (!file)
    {
        ShowError("GLSL Shader", "Unable to open the following shader: " + path);
        return std::string();
    }
    std::string text;
    int c;
    while ((c = std::fgetc(file)) != EOF)
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

bool GLSLShader::CompileShader(const std::string& source, unsigned int type)
{
    if (source.empty())
        return false;

    // One zero-terminated string, no length array: the text ends at its first
    // zero byte, as the driver sees it.
    std::vector<GLcharARB> szShadercontent(source.begin(), source.end());
    szShadercontent.push_back('\0');
    const GLcharARB* text = szShadercontent.data();

    GLhandleARB shader = glCreateShaderObjectARB(type);
    glShaderSourceARB(shader, 1, &text, nullptr);
    glCompileShaderARB(shader);
    GLint nCompiled = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &nCompiled);

    if (!nCompiled)
    {
        m_Status = InfoLog(shader);
        ShowError("Attach GLSL Shader", m_Status);
        glDeleteObjectARB(shader);
        return false;
    }

    glAttachObjectARB(m_Program, shader);
    // Flagged now, deleted by GL together with the program.
    glDeleteObjectARB(shader);
    return true;
}
