// Browser build only: WebGL has no second context sharing objects with the
// first, so the render target's "context" is a second set of GL state in the
// one context. Making it current saves the window's state and puts the
// target's in place; returning saves the target's and puts the window's back.
// A pass therefore starts from the state the previous pass left (at first a
// fresh context's), and nothing it sets reaches the window, as with a real
// second context.
//
// The state switched is what a pass can set through the engine's calls: the
// framebuffer and texture bindings, the viewport, the clear colour, the enables
// (blending, depth test, face culling, scissor, 2D texturing), the blend
// function and equation, the depth function and mask, the colour mask, the
// current colour, the matrix mode and the model-view and projection matrices.
// The emulation keeps 2D texturing, the current colour and the matrix mode in
// its own records, which are read and written here directly.
#include "platform/SharedGLContext.h"

#include "platform/GLWindow.h"

#include <emscripten.h>
#include <epoxy/gl.h>

// clang-format off
EM_JS(int, vortexel_gl_texturing, (), {
    return GLImmediate.TexEnvJIT.getTexUnitType(0) == 0x0DE1 ? 1 : 0;
});
EM_JS(void, vortexel_gl_current_colour, (float* rgba), {
    HEAPF32.set(GLImmediate.clientColor, rgba >> 2);
});
EM_JS(int, vortexel_gl_matrix_mode, (), {
    return GLImmediate.currentMatrix == 1 ? 0x1701 : GLImmediate.currentMatrix >= 2 ? 0x1702 : 0x1700;
});
// clang-format on

namespace platform
{

namespace
{

struct GLState
{
    GLint framebuffer = 0;
    GLint texture = 0;
    GLint viewport[4] = {0, 0, 0, 0};
    GLfloat clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    bool blend = false;
    bool depthTest = false;
    bool cullFace = false;
    bool scissor = false;
    bool texturing = false;
    GLint blendSrcRgb = GL_ONE, blendDstRgb = GL_ZERO, blendSrcAlpha = GL_ONE,
          blendDstAlpha = GL_ZERO;
    GLint blendEquationRgb = GL_FUNC_ADD, blendEquationAlpha = GL_FUNC_ADD;
    GLint depthFunc = GL_LESS;
    GLboolean depthMask = GL_TRUE;
    GLboolean colourMask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    GLfloat colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GLint matrixMode = GL_MODELVIEW;
    GLfloat modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLfloat projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    void Capture()
    {
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
        blend = glIsEnabled(GL_BLEND);
        depthTest = glIsEnabled(GL_DEPTH_TEST);
        cullFace = glIsEnabled(GL_CULL_FACE);
        scissor = glIsEnabled(GL_SCISSOR_TEST);
        texturing = vortexel_gl_texturing() != 0;
        glGetIntegerv(GL_BLEND_SRC_RGB, &blendSrcRgb);
        glGetIntegerv(GL_BLEND_DST_RGB, &blendDstRgb);
        glGetIntegerv(GL_BLEND_SRC_ALPHA, &blendSrcAlpha);
        glGetIntegerv(GL_BLEND_DST_ALPHA, &blendDstAlpha);
        glGetIntegerv(GL_BLEND_EQUATION_RGB, &blendEquationRgb);
        glGetIntegerv(GL_BLEND_EQUATION_ALPHA, &blendEquationAlpha);
        glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
        glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
        vortexel_gl_current_colour(colour);
        matrixMode = vortexel_gl_matrix_mode();
        glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
    }

    void Apply() const
    {
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
        glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
        glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
        Enable(GL_BLEND, blend);
        Enable(GL_DEPTH_TEST, depthTest);
        Enable(GL_CULL_FACE, cullFace);
        Enable(GL_SCISSOR_TEST, scissor);
        Enable(GL_TEXTURE_2D, texturing);
        glBlendFuncSeparate(blendSrcRgb, blendDstRgb, blendSrcAlpha, blendDstAlpha);
        glBlendEquationSeparate(blendEquationRgb, blendEquationAlpha);
        glDepthFunc(depthFunc);
        glDepthMask(depthMask);
        glColorMask(colourMask[0], colourMask[1], colourMask[2], colourMask[3]);
        glColor4f(colour[0], colour[1], colour[2], colour[3]);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(projection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(modelView);
        glMatrixMode(matrixMode);
    }

    static void Enable(GLenum cap, bool on)
    {
        if (on)
            glEnable(cap);
        else
            glDisable(cap);
    }
};

} // namespace

struct SharedGLContext
{
    GLState own;    // the target's state while the window's is in place
    GLState window; // the window's state while the target's is in place
    bool current = false;
};

SharedGLContext* CreateSharedGLContext()
{
    if (!IsGLContextCurrent())
        return nullptr;
    auto* context = new SharedGLContext;
    // A fresh context's viewport and scissor box are its drawable's size;
    // the render target sets its own viewport before drawing.
    glGetIntegerv(GL_VIEWPORT, context->own.viewport);
    return context;
}

bool MakeSharedGLContextCurrent(SharedGLContext* context)
{
    if (!context || !IsGLContextCurrent())
        return false;
    if (context->current)
        return true;
    context->window.Capture();
    context->own.Apply();
    context->current = true;
    return true;
}

void ReturnFromSharedGLContext(SharedGLContext* context)
{
    if (!context || !context->current)
        return;
    context->own.Capture();
    context->window.Apply();
    context->current = false;
}

bool SharedGLContextUsable(const SharedGLContext* context)
{
    return context && IsGLContextCurrent();
}

void DestroySharedGLContext(SharedGLContext* context)
{
    if (context && context->current && IsGLContextCurrent())
        context->window.Apply();
    delete context;
}

} // namespace platform
