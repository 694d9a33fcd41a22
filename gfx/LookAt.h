#pragma once
// The view matrix gluLookAt multiplies onto the current matrix, built without
// GL: GLU's single-precision rotation (side, up, -forward as rows) followed by
// the translation to the eye, column-major as glMultMatrixf takes it. The
// browser build uses it in place of the GL emulation's gluLookAt, which
// passes its arguments to its matrix code in the wrong order.
void BuildLookAt(double eyeX, double eyeY, double eyeZ, double centerX, double centerY,
                 double centerZ, double upX, double upY, double upZ, float matrix[16]);
