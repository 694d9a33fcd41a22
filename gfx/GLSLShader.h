#pragma once
// One GLSL program built from "<vertex name>.vp" and "<fragment name>.fp" in the
// data folder, switched on and off around drawing. Needs the window's context
// current for every call but the getters; Release and the destructor do no GL
// call when no context is current (the program went with the context).
//
// Failures answer false and leave a text in GetStatus(); unreadable files and
// compile errors are also shown in an error box. Nothing here asks to quit.
#include <string>

class GLSLShader
{
  public:
    GLSLShader();
    ~GLSLShader(); // disables and releases an initialised program
    GLSLShader(const GLSLShader&) = delete;
    GLSLShader& operator=(const GLSLShader&) = delete;

    // Reads, compiles and links both files. True when at least one shader
    // compiled and the program linked; a failed attempt leaves no GL objects.
    bool Init(const std::string& vertexName, const std::string& fragmentName);

    void Enable();  // makes the program current, once per Enable/Disable pair
    void Disable(); // back to the fixed-function pipeline
    void Release(); // deletes the program object; the flags stay as they are

    // Live editing: reads, compiles and links both files again into a new
    // program that replaces the old one (current again if the old one was).
    // Every file with text must compile and the program must link; otherwise
    // the failure is reported and the old program stays. False then, or when
    // the shader was never initialised.
    bool Relink();
    // Relinks every initialised shader built from the file at path (a .vp or
    // .fp path as Init read it). False when one of them failed.
    static bool RelinkFile(const std::string& path);

    bool IsInitialised() const { return m_Initialised; }
    bool IsActive() const { return m_Active; }
    const std::string& GetStatus() const { return m_Status; }
    // The GL program object (a GLhandleARB), for setting uniforms; 0 before Init.
    unsigned int GetProgram() const { return m_Program; }

    // The whole file as bytes; empty (after an error box) when it cannot be opened.
    std::string ReadShaderFile(const std::string& path);
    // Compiles one shader and attaches it to the program. An empty source fails
    // silently; a compile error is shown with the driver's log.
    bool CompileShader(const std::string& source, unsigned int type);

  private:
    bool m_Initialised = false;
    bool m_Active = false;
    std::string m_Status;
    unsigned int m_Program = 0;
    std::string m_VertexPath; // as Init read them
    std::string m_FragmentPath;
};
