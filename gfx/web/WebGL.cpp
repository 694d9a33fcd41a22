// Browser build only: the mapped GL calls of gfx/web/include (see epoxy/gl.h
// and GL/glu.h there).
#include "gfx/LookAt.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#undef glDrawBuffer
#undef glReadBuffer
#undef glTexImage2D
#undef glGetString
#undef glBlitFramebuffer
#undef gluLookAt
#undef gluBuild2DMipmaps

#include <cstring>
#include <string>
#include <vector>

namespace
{

GLint UnsizedFormat(GLint internalFormat, GLenum format)
{
    switch (internalFormat)
    {
    case 1:
        return GL_LUMINANCE;
    case 2:
        return GL_LUMINANCE_ALPHA;
    case 3:
    case GL_RGB8:
        return GL_RGB;
    case 4:
    case GL_RGBA8:
        return GL_RGBA;
    default:
        return internalFormat == 0 ? static_cast<GLint>(format) : internalFormat;
    }
}

// GLU's choice of a power-of-two side: 3 x 2^k rounds up, anything else down.
int NearestPower(int value)
{
    int power = 1;
    if (value <= 0)
        return 1;
    for (;;)
    {
        if (value == 1)
            return power;
        if (value == 3)
            return power * 4;
        value >>= 1;
        power *= 2;
    }
}

int BytesPerPixel(GLenum format)
{
    switch (format)
    {
    case GL_LUMINANCE:
    case GL_ALPHA:
        return 1;
    case GL_LUMINANCE_ALPHA:
        return 2;
    case GL_RGB:
        return 3;
    default:
        return 4;
    }
}

} // namespace

int epoxy_gl_version(void)
{
    return 20; // WebGL 1 is OpenGL ES 2.0
}

bool epoxy_has_gl_extension(const char* name)
{
    const char* list = reinterpret_cast<const char*>(vortexel_web_GetString(GL_EXTENSIONS));
    if (!list || !name || !*name)
        return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name))
    {
        const bool starts = at == list || at[-1] == ' ';
        const bool ends = at[length] == '\0' || at[length] == ' ';
        if (starts && ends)
            return true;
    }
    return false;
}

void vortexel_web_BlitFramebuffer(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint,
                                  GLbitfield, GLenum)
{
}

void vortexel_web_DrawBuffer(GLenum) {}
void vortexel_web_ReadBuffer(GLenum) {}

void vortexel_web_TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels)
{
    glTexImage2D(target, level, UnsizedFormat(internalFormat, format), width, height, border,
                 format, type, pixels);
}

const GLubyte* vortexel_web_GetString(GLenum name)
{
    if (name != GL_EXTENSIONS)
        return glGetString(name);
    static std::string extensions;
    if (extensions.empty())
    {
        const GLubyte* listed = glGetString(GL_EXTENSIONS);
        extensions = listed ? reinterpret_cast<const char*>(listed) : "";
        extensions += " GL_ARB_point_sprite";
    }
    return reinterpret_cast<const GLubyte*>(extensions.c_str());
}

void vortexel_web_GetObjectParameteriv(GLuint object, GLenum name, GLint* value)
{
    if (glIsShader(object))
        glGetShaderiv(object, name, value);
    else
        glGetProgramiv(object, name, value);
}

void vortexel_web_GetInfoLog(GLuint object, GLsizei size, GLsizei* length, GLchar* log)
{
    if (glIsShader(object))
        glGetShaderInfoLog(object, size, length, log);
    else
        glGetProgramInfoLog(object, size, length, log);
}

void vortexel_web_DeleteObject(GLuint object)
{
    if (glIsShader(object))
        glDeleteShader(object);
    else
        glDeleteProgram(object);
}

void vortexel_web_LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                         GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY,
                         GLdouble upZ)
{
    GLfloat m[16];
    BuildLookAt(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ, m);
    glMultMatrixf(m);
}

GLint vortexel_web_Build2DMipmaps(GLenum target, GLint internalFormat, GLsizei width,
                                  GLsizei height, GLenum format, GLenum type, const void* data)
{
    if (width < 1 || height < 1 || type != GL_UNSIGNED_BYTE || !data)
        return GLU_INVALID_VALUE;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    int w = NearestPower(width);
    int h = NearestPower(height);
    while (maxSize > 0 && (w > maxSize || h > maxSize))
    {
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    const unsigned char* pixels = static_cast<const unsigned char*>(data);
    std::vector<unsigned char> scaled;
    if (w != width || h != height)
    {
        // WebGL 1 mipmaps only powers of two; the nearest source pixel is taken.
        const int bpp = BytesPerPixel(format);
        scaled.resize(static_cast<size_t>(w) * h * bpp);
        for (int y = 0; y < h; ++y)
        {
            const int sy = static_cast<int>((y + 0.5) * height / h);
            for (int x = 0; x < w; ++x)
            {
                const int sx = static_cast<int>((x + 0.5) * width / w);
                std::memcpy(&scaled[(static_cast<size_t>(y) * w + x) * bpp],
                            pixels + (static_cast<size_t>(sy) * width + sx) * bpp, bpp);
            }
        }
        pixels = scaled.data();
    }
    glTexImage2D(target, 0, UnsizedFormat(internalFormat, format), w, h, 0, format, type, pixels);
    glGenerateMipmap(target);
    return 0;
}
