#pragma once
// A fresh folder under the system's temporary directory, removed with its
// files when the object goes.
#include <string>

namespace testing_support
{

class TempFolder
{
  public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return m_Path; }
    // Writes text to path()/name and returns the full file name.
    std::string Write(const std::string& name, const std::string& text) const;

  private:
    std::string m_Path;
};

} // namespace testing_support
