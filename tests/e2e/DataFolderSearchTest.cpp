// Where the program finds its demo without --data: the working directory's
// Data whenever it is a folder, else Data next to a program that is not
// installed, else the installed demo in <prefix>/share/vortexel. A copy of
// the program in a scratch prefix sees these places, each holding a script
// that --check tells apart.
#include <gtest/gtest.h>

#include "support/LeakCheck.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace
{

class DataFolderSearch : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vortexel-search-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_Dir = tmpl;
        fs::create_directories(m_Dir / "prefix" / "bin");
        fs::create_directories(m_Dir / "work");
        fs::copy_file(VORTEXEL_BINARY, m_Dir / "prefix" / "bin" / "vortexel");
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    // A script whose one effect stops at stopMs: --check prints it back.
    void WriteScript(const fs::path& folder, int stopMs)
    {
        fs::create_directories(m_Dir / folder);
        std::ofstream(m_Dir / folder / "script.txt")
            << "[EFFECT] EffectName=WhiteFlashOverlay; StartTime=0; StopTime=" << stopMs
            << "; LayerID=1;\n";
    }

    // Runs the copied program in work/; stdout and stderr together.
    int Run(const std::string& args, std::string& output)
    {
        fs::path log = m_Dir / "log";
        std::string cmd = "cd '" + (m_Dir / "work").string() +
                          "' && env -u DISPLAY -u WAYLAND_DISPLAY -u VORTEXEL_BATCH "
                          "SDL_AUDIODRIVER=dummy " +
                          testing_support::LeakCheckWords() + "timeout 60 ../prefix/bin/vortexel " +
                          args + " >'" + log.string() + "' 2>&1";
        int raw = std::system(cmd.c_str());
        std::ifstream in(log);
        std::stringstream s;
        s << in.rdbuf();
        output = s.str();
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    static bool Has(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }

    fs::path m_Dir;
};

TEST_F(DataFolderSearch, WorkingDirectoryDataIsTheFolderEvenWithoutItsScript)
{
    WriteScript("prefix/share/vortexel", 3000);
    WriteScript("prefix/bin/Data", 2000); // an installed program does not look here
    WriteScript("work/DATA", 1000);
    std::string out;

    ASSERT_EQ(0, Run("--check", out)) << out;
    EXPECT_TRUE(Has(out, "effect 0.000 1.000 1 WhiteFlashOverlay")) << out;
    EXPECT_FALSE(Has(out, "the data folder is")) << out;

    // A misnamed script is missing, not a reason to play another demo.
    fs::rename(m_Dir / "work" / "DATA" / "script.txt", m_Dir / "work" / "DATA" / "script.text");
    EXPECT_EQ(2, Run("--check", out)) << out;
    EXPECT_TRUE(Has(out, "File Not Found!\tBad: DATA/script.txt")) << out;
    EXPECT_EQ(1, Run("", out)) << out;
    EXPECT_TRUE(Has(out, "Vortexel 1.5 Error: File Not Found!\nBad: DATA/script.txt")) << out;

    // Without one, the installed demo, named on stderr.
    std::string installed = (m_Dir / "prefix" / "share" / "vortexel").string();
    fs::remove_all(m_Dir / "work" / "DATA");
    ASSERT_EQ(0, Run("--check", out)) << out;
    EXPECT_TRUE(Has(out, "effect 0.000 3.000 1 WhiteFlashOverlay")) << out;
    EXPECT_TRUE(Has(out, "vortexel: no Data folder here; the data folder is " + installed + "\n"))
        << out;

    // --data wins over the search and is not announced; the start-position
    // file stays in work/.
    WriteScript("elsewhere", 4000);
    ASSERT_EQ(0, Run("--check --data ../elsewhere", out)) << out;
    EXPECT_TRUE(Has(out, "effect 0.000 4.000 1 WhiteFlashOverlay")) << out;
    EXPECT_FALSE(Has(out, "the data folder is")) << out;

    // --help lists the places searched, as they are here.
    std::string work = (m_Dir / "work" / "Data").string();
    ASSERT_EQ(0, Run("--help", out));
    EXPECT_TRUE(Has(out, "  " + work + "\n  " + installed + "\n")) << out;
}

TEST_F(DataFolderSearch, AProgramThatIsNotInstalledLooksBesideItself)
{
    // A script.txt that is a folder is no script: passed over.
    fs::create_directories(m_Dir / "prefix" / "bin" / "Data" / "script.txt");
    std::string work = (m_Dir / "work" / "Data").string();
    std::string beside = (m_Dir / "prefix" / "bin" / "Data").string();
    std::string installed = (m_Dir / "prefix" / "share" / "vortexel").string();
    std::string out;
    EXPECT_EQ(1, Run("", out)) << out;
    EXPECT_TRUE(Has(out, "Data Folder Not Found!\nBad: no folder holding script.txt in " + work +
                             ", " + beside + ", " + installed))
        << out;
    EXPECT_EQ(2, Run("--check", out)) << out;
    EXPECT_TRUE(Has(out, "vortexel: no data folder")) << out;

    fs::remove(m_Dir / "prefix" / "bin" / "Data" / "script.txt");
    WriteScript("prefix/bin/Data", 2000);
    ASSERT_EQ(0, Run("--check", out)) << out;
    EXPECT_TRUE(Has(out, "effect 0.000 2.000 1 WhiteFlashOverlay")) << out;
    EXPECT_TRUE(Has(out, "the data folder is " + beside + "\n")) << out;
}

} // namespace
