// vortexel --edit as an author runs it, headless: the script is rewritten
// while the program plays, and the frame trace shows the new timeline take
// over at the kept time.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct TraceRow
{
    long frame = -1;
    double time = 0.0;
    std::string active;
};

std::vector<TraceRow> ReadTrace(const fs::path& file)
{
    std::vector<TraceRow> rows;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream fields(line);
        TraceRow r;
        std::string dt, msg;
        if (fields >> r.frame >> r.time >> dt >> msg >> r.active)
            rows.push_back(r);
    }
    return rows;
}

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class EditProgramTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vortexel-edit-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_Dir = tmpl;
        fs::create_directories(m_Dir / "Data");
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    void WriteScript(const std::string& text) const
    {
        std::ofstream(m_Dir / "Data/script.txt") << text;
    }
    // As vim and most IDEs save: a new file, renamed over the old one.
    void SaveByRename(const std::string& text) const
    {
        std::ofstream(m_Dir / "Data/.script.txt.new") << text;
        fs::rename(m_Dir / "Data/.script.txt.new", m_Dir / "Data/script.txt");
    }
    // Starts the program in the background; its status lands in "status".
    void Start(const std::string& args) const
    {
        std::string cmd = "cd '" + m_Dir.string() +
                          "' && (env -u DISPLAY -u WAYLAND_DISPLAY -u VORTEXEL_BATCH "
                          "SDL_AUDIODRIVER=dummy timeout 120 '" VORTEXEL_BINARY "' " +
                          args + " 2>stderr.txt; echo $? >status.tmp; mv status.tmp status) &";
        ASSERT_EQ(0, std::system(cmd.c_str()));
    }
    // Waits (at most a minute) until the condition holds or the program ended.
    template <class Condition> bool WaitFor(Condition condition) const
    {
        for (int i = 0; i < 1200; ++i)
        {
            if (condition())
                return true;
            if (fs::exists(m_Dir / "status"))
                return condition();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // The trace grows under a hidden name beside trace.txt until the run ends.
    fs::path Trace() const
    {
        for (const auto& e : fs::directory_iterator(m_Dir))
            if (e.path().filename().string().rfind(".trace.txt.part-", 0) == 0)
                return e.path();
        return m_Dir / "trace.txt";
    }
    bool TraceShows(const std::string& active) const
    {
        for (const TraceRow& r : ReadTrace(Trace()))
            if (r.active == active)
                return true;
        return false;
    }
    // A save in progress: truncated at once, written and closed pauseMs later.
    void SlowSave(const std::string& text, int pauseMs) const
    {
        int fd = ::open((m_Dir / "Data/script.txt").c_str(), O_WRONLY | O_TRUNC);
        ASSERT_GE(fd, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        ASSERT_EQ(static_cast<ssize_t>(text.size()), ::write(fd, text.data(), text.size()));
        ::close(fd);
    }
    static std::string Flash(const char* name, int layer)
    {
        return std::string("[EFFECT] EffectName = ") + name +
               "; StartTime = 0; StopTime = 60000; LayerID = " + std::to_string(layer) + ";\n";
    }
    int Status() const
    {
        WaitFor([] { return false; });
        return fs::exists(m_Dir / "status") ? std::atoi(ReadAll(m_Dir / "status").c_str()) : -1;
    }

    fs::path m_Dir;
};

TEST_F(EditProgramTest, RewrittenScriptTakesOverAtTheKeptTimeInTheTrace)
{
    WriteScript("[EFFECT] EffectName = WhiteFlashOverlay; StartTime = 0; StopTime = 60000; "
                "LayerID = 1;\n");
    Start("--edit --trace trace.txt");
    ASSERT_TRUE(WaitFor([&] { return ReadTrace(Trace()).size() >= 3; }))
        << ReadAll(m_Dir / "stderr.txt");
    if (Has(ReadAll(m_Dir / "stderr.txt"), "Vortexel 1.5 Error: Window"))
        GTEST_SKIP() << "no offscreen GL on this machine";

    // A broken save is reported and changes nothing; the fixed one restarts.
    SaveByRename(
        "[EFFECT] EffectName = FX_Nothing; StartTime = 0; StopTime = 60000; LayerID = 1;\n");
    ASSERT_TRUE(WaitFor([&] { return Has(ReadAll(m_Dir / "stderr.txt"), "plays on"); }));
    SaveByRename("[EFFECT] EffectName = BlackFlashOverlay; StartTime = 0; StopTime = 60000; "
                 "LayerID = 2;\n");
    ASSERT_TRUE(WaitFor([&] { return TraceShows("BlackFlashOverlay:2"); }))
        << ReadAll(m_Dir / "stderr.txt");
    // An empty timeline at a time past its end: the headless run ends.
    WriteScript("");
    EXPECT_EQ(0, Status()) << ReadAll(m_Dir / "stderr.txt");

    std::string err = ReadAll(m_Dir / "stderr.txt");
    EXPECT_TRUE(Has(err, "Vortexel 1.5 Error: Init\nBad: Unknown Effect Name!")) << err;
    EXPECT_TRUE(Has(err, "script.txt raised 1 report; the last good timeline plays on")) << err;
    EXPECT_TRUE(Has(err, "2 restarts")) << err;

    std::vector<TraceRow> rows = ReadTrace(m_Dir / "trace.txt");
    ASSERT_GT(rows.size(), 4u);
    size_t first = 0;
    for (size_t i = 0; i < rows.size(); ++i)
    {
        EXPECT_EQ(static_cast<long>(i), rows[i].frame) << "frames count on across restarts";
        if (!first && rows[i].active == "BlackFlashOverlay:2")
            first = i;
    }
    ASSERT_GT(first, 0u);
    for (size_t i = 0; i < first; ++i)
        EXPECT_EQ("WhiteFlashOverlay:1", rows[i].active) << i;
    // The new timeline starts at the time the old one had reached on screen.
    EXPECT_NEAR(rows[first - 1].time, rows[first].time, 0.0015) << first;
    EXPECT_GE(rows[first + 1].time, rows[first].time);
    EXPECT_EQ("-", rows.back().active);
}

// Only a complete save is read: a file truncated and written a moment later
// (also right after another save) is waited for, never taken empty; a script
// too large for the bounded reader is refused and the last good timeline
// plays on.
TEST_F(EditProgramTest, SavesInProgressAreWaitedForAndTooLargeScriptsRefused)
{
    WriteScript(Flash("WhiteFlashOverlay", 1));
    Start("--edit --trace trace.txt");
    ASSERT_TRUE(WaitFor([&] { return ReadTrace(Trace()).size() >= 3; }))
        << ReadAll(m_Dir / "stderr.txt");
    if (Has(ReadAll(m_Dir / "stderr.txt"), "Vortexel 1.5 Error: Window"))
        GTEST_SKIP() << "no offscreen GL on this machine";

    SlowSave(Flash("BlackFlashOverlay", 2), 600);
    ASSERT_TRUE(WaitFor([&] { return TraceShows("BlackFlashOverlay:2"); }))
        << ReadAll(m_Dir / "stderr.txt");
    // A save, then at once a second one that takes its time.
    WriteScript(Flash("WhiteFlashOverlay", 3));
    SlowSave(Flash("BlackFlashOverlay", 4), 600);
    ASSERT_TRUE(WaitFor([&] { return TraceShows("BlackFlashOverlay:4"); }))
        << ReadAll(m_Dir / "stderr.txt");

    WriteScript(std::string(65 << 20, 'a'));
    ASSERT_TRUE(WaitFor([&] { return Has(ReadAll(m_Dir / "stderr.txt"), "Script Too Large"); }));
    SaveByRename(Flash("WhiteFlashOverlay", 5));
    ASSERT_TRUE(WaitFor([&] { return TraceShows("WhiteFlashOverlay:5"); }))
        << ReadAll(m_Dir / "stderr.txt");
    WriteScript("");
    EXPECT_EQ(0, Status()) << ReadAll(m_Dir / "stderr.txt");

    const std::string err = ReadAll(m_Dir / "stderr.txt");
    EXPECT_TRUE(Has(err, "script.txt cannot be read; the last good timeline plays on")) << err;
    std::vector<TraceRow> rows = ReadTrace(m_Dir / "trace.txt");
    ASSERT_GT(rows.size(), 4u);
    for (size_t i = 0; i + 1 < rows.size(); ++i)
    {
        EXPECT_NE("-", rows[i].active) << "an empty save was taken at frame " << i;
        EXPECT_NE("WhiteFlashOverlay:3", rows[i].active) << "a save was taken while rewritten";
    }
}

// A script that is a symbolic link: saving the file it points at restarts.
TEST_F(EditProgramTest, SavingTheTargetOfALinkedScriptRestarts)
{
    fs::create_directories(m_Dir / "src");
    std::ofstream(m_Dir / "src/script.txt") << Flash("WhiteFlashOverlay", 1);
    fs::create_symlink("../src/script.txt", m_Dir / "Data/script.txt");
    Start("--edit --trace trace.txt");
    ASSERT_TRUE(WaitFor([&] { return ReadTrace(Trace()).size() >= 3; }))
        << ReadAll(m_Dir / "stderr.txt");
    if (Has(ReadAll(m_Dir / "stderr.txt"), "Vortexel 1.5 Error: Window"))
        GTEST_SKIP() << "no offscreen GL on this machine";
    std::ofstream(m_Dir / "src/.script.txt.new") << Flash("BlackFlashOverlay", 2);
    fs::rename(m_Dir / "src/.script.txt.new", m_Dir / "src/script.txt");
    ASSERT_TRUE(WaitFor([&] { return TraceShows("BlackFlashOverlay:2"); }))
        << ReadAll(m_Dir / "stderr.txt");
    std::ofstream(m_Dir / "src/script.txt") << "";
    EXPECT_EQ(0, Status()) << ReadAll(m_Dir / "stderr.txt");
    EXPECT_TRUE(fs::is_symlink(m_Dir / "Data/script.txt"));
}

TEST_F(EditProgramTest, EditWithCaptureIsBadUsage)
{
    std::string cmd = "cd '" + m_Dir.string() +
                      "' && env -u DISPLAY timeout 30 '" VORTEXEL_BINARY
                      "' --edit --capture frames >/dev/null 2>&1";
    int raw = std::system(cmd.c_str());
    EXPECT_EQ(2, WEXITSTATUS(raw));
}

} // namespace
