#include "effects/EffectDrawing.h"

#include "effects/SpectrumSynch.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

namespace fx
{

void DrawCentredRect(float w, float h)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-w / 2, h / 2, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(w / 2, h / 2, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(w / 2, -h / 2, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-w / 2, -h / 2, 0.0f);
    glEnd();
}

void DrawFlashQuad()
{
    glBegin(GL_QUADS);
    glVertex2f(-4.0f, 4.0f);
    glVertex2f(4.0f, 4.0f);
    glVertex2f(4.0f, -4.0f);
    glVertex2f(-4.0f, -4.0f);
    glEnd();
}

void DrawUnitQuad()
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, 1.0f);
    glEnd();
}

void AddStandardBands(SpectrumSynch& bands)
{
    bands.AddRange(0, 30, 0);
    bands.AddRange(30, 60, 1);
    bands.AddRange(60, 90, 2);
}

void UpdateLevels(SpectrumSynch& bands, float levels[3], float dt)
{
    bands.Update();
    for (int n = 0; n < 3; ++n)
        levels[n] = Smooth(levels[n], bands.GetValue(n), dt);
}

void PushOrtho(double left, double right, double bottom, double top)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(left, right, bottom, top);
    glMatrixMode(GL_MODELVIEW);
}

void PopOrtho()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace fx
