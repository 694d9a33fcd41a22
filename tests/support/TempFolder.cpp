#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace testing_support
{

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vortexel-XXXXXX").string();
    if (char* made = ::mkdtemp(pattern.data()))
        m_Path = made;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    if (!m_Path.empty())
        std::filesystem::remove_all(m_Path, ignored);
}

std::string TempFolder::Write(const std::string& name, const std::string& text) const
{
    std::string file = m_Path + "/" + name;
    std::ofstream out(file, std::ios::binary);
    out << text;
    return file;
}

} // namespace testing_support
