#pragma once
// Helpers for the graphics tests: a throw-away data folder with images written
// through DevIL, and a window that skips the test when no GL can be had.
#include <gtest/gtest.h>

#include "gfx/OGLWindow.h"
#include "platform/Paths.h"

#include <IL/il.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace gfx_test
{

// A fresh folder that serves as the data folder while the object lives.
class TempDataFolder
{
  public:
    TempDataFolder()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vortexel_gfx_XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (char* made = ::mkdtemp(buffer.data()))
            m_Path = made;
        platform::SetDataFolder(m_Path);
    }
    ~TempDataFolder()
    {
        platform::SetDataFolder("");
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    std::string File(const std::string& name) const { return m_Path + "/" + name; }
    const std::string& Path() const { return m_Path; }

  private:
    std::string m_Path;
};

// Writes pixels (channels bytes each, bottom row first as DevIL holds them) to
// path in the given file type (IL_PNG, IL_JPG, IL_BMP). DevIL must be
// initialised (TextureManager::GetInstance).
inline bool WriteImage(const std::string& path, int width, int height, int channels, ILenum format,
                       const std::vector<uint8_t>& pixels, ILenum fileType)
{
    ILuint name = 0;
    ilGenImages(1, &name);
    ilBindImage(name);
    ilTexImage(width, height, 1, static_cast<ILubyte>(channels), format, IL_UNSIGNED_BYTE,
               const_cast<uint8_t*>(pixels.data()));
    ilEnable(IL_FILE_OVERWRITE);
    bool ok = ilSave(fileType, path.c_str()) == IL_TRUE;
    ilBindImage(0);
    ilDeleteImages(1, &name);
    return ok;
}

// A uniformly coloured image of the given channel count.
inline std::vector<uint8_t> Solid(int width, int height, std::vector<uint8_t> pixel)
{
    std::vector<uint8_t> out;
    for (int i = 0; i < width * height; ++i)
        out.insert(out.end(), pixel.begin(), pixel.end());
    return out;
}

} // namespace gfx_test

// Opens window (small, windowed) or skips the test when there is no GL here.
#define OPEN_WINDOW_OR_SKIP(window, w, h)                                                          \
    do                                                                                             \
    {                                                                                              \
        if (!(window).Create((w), (h), 32, false))                                                 \
            GTEST_SKIP() << "no GL window";                                                        \
    } while (0)
