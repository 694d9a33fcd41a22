#include "effects/DrawingFunctions.h"

#include <epoxy/gl.h>

void SetViewport(int x, int y, int width, int height)
{
    glViewport(x, y, width, height);
}

void DrawBillboard(const Vec3& centre, float halfSize)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // The first two rows of the model-view matrix: the viewer's right and up
    // directions in world space.
    const Vec3 right = {m[0] * halfSize, m[4] * halfSize, m[8] * halfSize};
    const Vec3 up = {m[1] * halfSize, m[5] * halfSize, m[9] * halfSize};

    glTranslatef(centre.x, centre.y, centre.z);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-right.x - up.x, -right.y - up.y, -right.z - up.z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(right.x - up.x, right.y - up.y, right.z - up.z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(right.x + up.x, right.y + up.y, right.z + up.z);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(up.x - right.x, up.y - right.y, up.z - right.z);
    glEnd();
    glPopMatrix();
}
