#pragma once
// Browser build only: the GL the engine's sources see on the web, in place of
// libepoxy. Emscripten's legacy GL emulation runs the effects' fixed-function
// calls (immediate mode, matrix stacks, texture environment) on WebGL 1; this
// header maps the few names and behaviours where the emulation and WebGL part
// from desktop GL. The implementations are in gfx/web/WebGL.cpp.
//
// - The ARB/EXT-suffixed entry points (framebuffer, renderbuffer, buffer and
//   shader objects) do not exist there; they are mapped onto the core names,
//   whose enumerants are the same.
// - glDrawBuffer and glReadBuffer throw in the emulation; WebGL 1 draws into
//   and reads from colour attachment 0 or the canvas, which is what the engine
//   asks for, so both do nothing.
// - WebGL 1 wants a texture's internal format to equal its format: the
//   desktop's component counts (1 to 4) and sized formats (GL_RGBA8) are
//   turned into GL_LUMINANCE ... GL_RGBA.
// - WebGL 1 has no glBlitFramebuffer; only the desktop's scaled full screen
//   (gfx/ScaledFrame) calls it, which the page never uses: it does nothing.
// - The extension string adds GL_ARB_point_sprite (WebGL always has point
//   sprites) to what the emulation lists.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

int epoxy_gl_version(void);
bool epoxy_has_gl_extension(const char* name);

void vortexel_web_DrawBuffer(GLenum mode);
void vortexel_web_ReadBuffer(GLenum mode);
void vortexel_web_TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels);
const GLubyte* vortexel_web_GetString(GLenum name);
void vortexel_web_BlitFramebuffer(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint,
                                  GLbitfield, GLenum);
void vortexel_web_GetObjectParameteriv(GLuint object, GLenum name, GLint* value);
void vortexel_web_GetInfoLog(GLuint object, GLsizei size, GLsizei* length, GLchar* log);
void vortexel_web_DeleteObject(GLuint object);

#define glDrawBuffer vortexel_web_DrawBuffer
#define glReadBuffer vortexel_web_ReadBuffer
#define glTexImage2D vortexel_web_TexImage2D
#define glGetString vortexel_web_GetString

#define glGenFramebuffersEXT glGenFramebuffers
#define glDeleteFramebuffersEXT glDeleteFramebuffers
#define glBindFramebufferEXT glBindFramebuffer
#define glCheckFramebufferStatusEXT glCheckFramebufferStatus
#define glFramebufferTexture2DEXT glFramebufferTexture2D
#define glFramebufferRenderbufferEXT glFramebufferRenderbuffer
#define glGenRenderbuffersEXT glGenRenderbuffers
#define glDeleteRenderbuffersEXT glDeleteRenderbuffers
#define glBindRenderbufferEXT glBindRenderbuffer
#define glRenderbufferStorageEXT glRenderbufferStorage
#define glBlitFramebuffer vortexel_web_BlitFramebuffer
#define glBlitFramebufferEXT vortexel_web_BlitFramebuffer

#define glGenBuffersARB glGenBuffers
#define glDeleteBuffersARB glDeleteBuffers
#define glBindBufferARB glBindBuffer
#define glBufferDataARB glBufferData

#define glCreateShaderObjectARB glCreateShader
#define glCreateProgramObjectARB glCreateProgram
#define glShaderSourceARB glShaderSource
#define glCompileShaderARB glCompileShader
#define glAttachObjectARB glAttachShader
#define glLinkProgramARB glLinkProgram
#define glUseProgramObjectARB glUseProgram
#define glGetObjectParameterivARB vortexel_web_GetObjectParameteriv
#define glGetInfoLogARB vortexel_web_GetInfoLog
#define glDeleteObjectARB vortexel_web_DeleteObject
