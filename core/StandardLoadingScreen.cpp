#include "core/StandardLoadingScreen.h"

#include "gfx/TextureManager.h"

#include <epoxy/gl.h>

void StandardLoadingScreen::Begin()
{
    // Every clear of the loading phase shows black.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    // The effects initialised next fetch their textures from the manager.
    TextureManager::GetInstance();
}

// Shows nothing beyond the cleared window; the progress is kept for a screen
// that wants to draw it.
void StandardLoadingScreen::Draw()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPopMatrix();
}
