#pragma once
// Browser build only: GLU as the engine uses it, over Emscripten's own.
// - gluLookAt: the emulation's version passes its arguments to its matrix code
//   in the wrong order and leaves the matrix as it was, so the view matrix is
//   built here, as GLU builds it, and multiplied onto the current matrix.
// - gluBuild2DMipmaps: not there at all; the image is scaled to powers of two
//   as GLU does, uploaded, and WebGL generates the smaller levels.
// gluPerspective and gluOrtho2D of the emulation are correct and stay.
#include_next <GL/glu.h>

void vortexel_web_LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                         GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY,
                         GLdouble upZ);
GLint vortexel_web_Build2DMipmaps(GLenum target, GLint internalFormat, GLsizei width,
                                  GLsizei height, GLenum format, GLenum type, const void* data);

#define gluLookAt vortexel_web_LookAt
#define gluBuild2DMipmaps vortexel_web_Build2DMipmaps
