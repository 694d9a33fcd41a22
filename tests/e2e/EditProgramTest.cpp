// vortexel --edit as an author runs it, headless: the script is rewritten
// while the program plays, and the frame trace shows the new timeline take
// over at the kept time.
#include <gtest/gtest.h>

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
    fs::path trace = m_Dir / "trace.txt";
    ASSERT_TRUE(WaitFor([&] { return ReadTrace(trace).size() >= 3; }))
        << ReadAll(m_Dir / "stderr.txt");
    if (Has(ReadAll(m_Dir / "stderr.txt"), "Vortexel 1.5 Error: Window"))
        GTEST_SKIP() << "no offscreen GL on this machine";

    // A broken save is reported and changes nothing; the fixed one restarts.
    SaveByRename(
        "[EFFECT] EffectName = FX_Nothing; StartTime = 0; StopTime = 60000; LayerID = 1;\n");
    ASSERT_TRUE(WaitFor([&] { return Has(ReadAll(m_Dir / "stderr.txt"), "plays on"); }));
    SaveByRename("[EFFECT] EffectName = BlackFlashOverlay; StartTime = 0; StopTime = 60000; "
                 "LayerID = 2;\n");
    auto restarted = [&]
    {
        for (const TraceRow& r : ReadTrace(trace))
            if (r.active == "BlackFlashOverlay:2")
                return true;
        return false;
    };
    ASSERT_TRUE(WaitFor(restarted)) << ReadAll(m_Dir / "stderr.txt");
    // An empty timeline at a time past its end: the headless run ends.
    WriteScript("");
    EXPECT_EQ(0, Status()) << ReadAll(m_Dir / "stderr.txt");

    std::string err = ReadAll(m_Dir / "stderr.txt");
    EXPECT_TRUE(Has(err, "Vortexel 1.5 Error: Init\nBad: Unknown Effect Name!")) << err;
    EXPECT_TRUE(Has(err, "script.txt raised 1 report; the last good timeline plays on")) << err;
    EXPECT_TRUE(Has(err, "2 restarts")) << err;

    std::vector<TraceRow> rows = ReadTrace(trace);
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

TEST_F(EditProgramTest, EditWithCaptureIsBadUsage)
{
    std::string cmd = "cd '" + m_Dir.string() +
                      "' && env -u DISPLAY timeout 30 '" VORTEXEL_BINARY
                      "' --edit --capture frames >/dev/null 2>&1";
    int raw = std::system(cmd.c_str());
    EXPECT_EQ(2, WEXITSTATUS(raw));
}

} // namespace
