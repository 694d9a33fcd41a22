#pragma once
// A GL compatibility context for rendering tests: a small hidden-or-offscreen
// window (SDL's offscreen driver on machines without a display), current while
// the object lives.
#include <cstdint>
#include <vector>

namespace platform
{
struct GLWindowHandle;
}

namespace testing_support
{

class HeadlessGL
{
  public:
    explicit HeadlessGL(int width = 64, int height = 64);
    ~HeadlessGL();
    bool ok() const { return m_Handle != nullptr; }
    platform::GLWindowHandle* handle() const { return m_Handle; }

    // Reads the RGBA pixels of the current read buffer, bottom row first.
    static std::vector<uint8_t> ReadPixels(int x, int y, int w, int h);
    // One pixel as 0xRRGGBBAA.
    static uint32_t Pixel(int x, int y);

  private:
    platform::GLWindowHandle* m_Handle = nullptr;
};

} // namespace testing_support

// Skips the test when no GL context can be had on this machine.
#define REQUIRE_GL(gl)                                                                             \
    do                                                                                             \
    {                                                                                              \
        if (!(gl).ok())                                                                            \
            GTEST_SKIP() << "no GL context";                                                       \
    } while (0)
