#include "support/HeadlessGL.h"

#include "platform/GLWindow.h"

#include <epoxy/gl.h>

namespace testing_support
{

HeadlessGL::HeadlessGL(int width, int height)
{
    platform::GLWindowDesc desc;
    desc.width = width;
    desc.height = height;
    desc.fullscreen = false;
    desc.title = "vortexel test";
    if (platform::OpenGLWindow(desc, &m_Handle) != platform::OpenResult::Ok)
        m_Handle = nullptr;
    if (m_Handle)
        glViewport(0, 0, width, height);
}

HeadlessGL::~HeadlessGL()
{
    platform::CloseGLWindow(m_Handle);
}

std::vector<uint8_t> HeadlessGL::ReadPixels(int x, int y, int w, int h)
{
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

uint32_t HeadlessGL::Pixel(int x, int y)
{
    auto p = ReadPixels(x, y, 1, 1);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

} // namespace testing_support
