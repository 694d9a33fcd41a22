#pragma once
// PNG files of captured frames: 8-bit RGB (the alpha channel of the window is
// dropped), rows written top first, deflated at a fast level. The same pixels
// always give the same bytes.
#include <string>
#include <vector>

class PngWriter
{
  public:
    // rgba: width x height RGBA pixels, bottom row first (as GL reads them).
    // False when the file could not be written in full.
    bool Write(const std::string& path, const unsigned char* rgba, int width, int height);

  private:
    std::vector<unsigned char> m_Raw; // filtered rows, reused frame after frame
    std::vector<unsigned char> m_Packed;
};
