#include "core/StandardLoadingScreen.h"

#include <epoxy/gl.h>

void StandardLoadingScreen::Begin()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void StandardLoadingScreen::Draw()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPopMatrix();
}
