#pragma once
// A second GL context on the window whose context is current, sharing that
// context's textures, buffers and renderbuffers but holding its own state
// (enables, blending, matrices, client arrays, framebuffer bindings, ...).
// The render target draws its passes in one, as the original drew into a
// pbuffer with its own context.
//
// Objects that are not shared between contexts (framebuffer objects, vertex
// array objects) must be made and used while the shared context is current.

namespace platform
{

struct SharedGLContext; // opaque

// Needs a current context, which stays current. Null when none is current or
// the driver cannot make a sharing context.
SharedGLContext* CreateSharedGLContext();

// Makes the shared context current; false when its window has gone.
bool MakeSharedGLContextCurrent(SharedGLContext* context);
// Makes the context that was current at creation current again (when its
// window still exists). When the shared context was current, the creating one
// first waits for its drawing to complete (a fence, or glFinish where the
// driver has none), so it sees finished pixels once it binds the objects
// again.
void ReturnFromSharedGLContext(SharedGLContext* context);
// True while the window both contexts belong to exists.
bool SharedGLContextUsable(const SharedGLContext* context);

// Deletes the context (and the objects only it holds); null is allowed. When
// it was current, the creating context is made current instead.
void DestroySharedGLContext(SharedGLContext* context);

} // namespace platform
