// The platform layer: Windows-style data paths, the event queue, message boxes
// and the decision to run headless.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/ErrorBox.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "support/Fakes.h"

namespace fs = std::filesystem;

namespace
{

// A scratch folder made the working directory for the test.
class PathsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_Old = fs::current_path();
        char tmpl[] = "/tmp/vortexel-paths-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(tmpl));
        m_Dir = tmpl;
        fs::current_path(m_Dir);
        platform::SetDataFolder("");
    }
    void TearDown() override
    {
        platform::SetDataFolder("");
        fs::current_path(m_Old);
        fs::remove_all(m_Dir);
    }
    static void Touch(const fs::path& p)
    {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }

    fs::path m_Old, m_Dir;
};

TEST_F(PathsTest, DataFolderAndFileNamesResolveIgnoringCase)
{
    Touch("data/Script.TXT");
    Touch("data/Images/Crest.png");
    EXPECT_EQ("data", platform::DataFolder());
    EXPECT_EQ("data/Script.TXT", platform::DataPath("script.txt"));
    EXPECT_EQ("data/Script.TXT", platform::ResolvePath("Data\\script.txt"));
    EXPECT_EQ("data/Images/Crest.png", platform::ResolvePath("DATA\\images\\crest.PNG"));
    EXPECT_TRUE(platform::FileExists(platform::DataPath("SCRIPT.txt")));
    std::string absolute = (m_Dir / "DATA" / "script.txt").string();
    EXPECT_EQ((m_Dir / "data" / "Script.TXT").string(), platform::ResolvePath(absolute));
}

TEST_F(PathsTest, ExactNameWinsAndMissingPartsKeepTheirSpelling)
{
    Touch("Data/a.txt");
    Touch("data/b.txt");
    EXPECT_EQ("Data", platform::DataFolder());
    EXPECT_EQ("Data/a.txt", platform::DataPath("a.txt"));
    // Not in "Data": the name stays as written, with "/" separators.
    EXPECT_EQ("Data/Sub/b.txt", platform::ResolvePath("Data\\Sub\\b.txt"));
    EXPECT_FALSE(platform::FileExists(platform::DataPath("b.txt")));
}

TEST_F(PathsTest, NoDataFolderAndAChosenOne)
{
    EXPECT_EQ("Data", platform::DataFolder());
    EXPECT_EQ("Data/script.txt", platform::DataPath("script.txt"));

    Touch("elsewhere/Demo/Script.txt");
    platform::SetDataFolder((m_Dir / "elsewhere" / "Demo").string() + "/");
    EXPECT_EQ((m_Dir / "elsewhere" / "Demo").string(), platform::DataFolder());
    EXPECT_EQ((m_Dir / "elsewhere" / "Demo" / "Script.txt").string(),
              platform::DataPath("script.txt"));
    // A backslash in the folder's own name is a character; in names from a
    // script it still separates.
    Touch("back\\slash/Sub/Script.txt");
    platform::SetDataFolder((m_Dir / "back\\slash").string());
    EXPECT_EQ((m_Dir / "back\\slash" / "Sub" / "Script.txt").string(),
              platform::DataPath("sub\\script.txt"));
    platform::SetDataFolder("");
    EXPECT_EQ("Data", platform::DataFolder());
}

class EventsTest : public ::testing::Test
{
  protected:
    void SetUp() override { testing_support::ResetEvents(); }
    void TearDown() override { testing_support::ResetEvents(); }
};

TEST_F(EventsTest, QuitRequestIsQueuedForALaterPump)
{
    platform::Event e;
    EXPECT_FALSE(platform::PollOneEvent(e));
    EXPECT_FALSE(platform::QuitWasRequested());

    platform::PostQuitRequest();
    EXPECT_TRUE(platform::QuitWasRequested());
    EXPECT_FALSE(platform::FailureQuitWasRequested());
    ASSERT_TRUE(platform::PollOneEvent(e));
    EXPECT_EQ(platform::EventKind::Quit, e.kind);
    EXPECT_FALSE(platform::PollOneEvent(e));

    platform::PostQuitRequest(true);
    platform::PostQuitRequest(false); // a later plain quit does not clear the failure
    EXPECT_TRUE(platform::FailureQuitWasRequested());
    platform::FlushEvents();
    EXPECT_FALSE(platform::QuitWasRequested());
    EXPECT_FALSE(platform::FailureQuitWasRequested());
    EXPECT_FALSE(platform::PollOneEvent(e));
}

TEST_F(EventsTest, EachPumpTakesOneEventInOrder)
{
    platform::InjectKeyDown(platform::KeyEscape);
    platform::InjectKeyDown(platform::KeyF1);
    platform::Event e;
    ASSERT_TRUE(platform::PollOneEvent(e));
    EXPECT_EQ(platform::EventKind::KeyDown, e.kind);
    EXPECT_EQ(platform::KeyEscape, e.key);
    platform::PostQuitRequest(); // queued behind F1, right after a pump
    ASSERT_TRUE(platform::PollOneEvent(e));
    EXPECT_EQ(platform::KeyF1, e.key);
    ASSERT_TRUE(platform::PollOneEvent(e));
    EXPECT_EQ(platform::EventKind::Quit, e.kind);
    EXPECT_FALSE(platform::PollOneEvent(e));
}

TEST(MessageBoxTest, EveryBoxGoesToStderrAndToTheRecorder)
{
    platform::SetBatchMode(true); // never a modal box here
    std::vector<std::string> seen;
    platform::SetMessageBoxRecorder(
        [&seen](platform::BoxIcon icon, const std::string& caption, const std::string& text) {
            seen.push_back((icon == platform::BoxIcon::Error ? "E|" : "I|") + caption + "|" + text);
        });
    ::testing::internal::CaptureStderr();
    platform::ShowMessageBox(platform::BoxIcon::Error, "Cap One", "Text one");
    platform::ShowMessageBox(platform::BoxIcon::Information, "Cap Two", "Text two");
    std::string err = ::testing::internal::GetCapturedStderr();
    platform::SetMessageBoxRecorder(nullptr);

    EXPECT_EQ((std::vector<std::string>{"E|Cap One|Text one", "I|Cap Two|Text two"}), seen);
    EXPECT_EQ("Cap One\nText one\nCap Two\nText two\n", err);

    // Without a recorder, in batch mode: stderr only, and no block.
    ::testing::internal::CaptureStderr();
    platform::ShowMessageBox(platform::BoxIcon::Error, "Cap", "Text");
    EXPECT_EQ("Cap\nText\n", ::testing::internal::GetCapturedStderr());

    // The test recorder silences the echo while it lives.
    {
        testing_support::BoxRecorder boxes;
        ::testing::internal::CaptureStderr();
        platform::ShowMessageBox(platform::BoxIcon::Error, "Cap", "Text");
        EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
        EXPECT_EQ(1u, boxes.boxes.size());
    }
    platform::SetBatchMode(false);
}

TEST(MessageBoxTest, BoxTextWrapsOnWordsToFitTheScreen)
{
    // The error box's text: its first line must stay in view, and no line may
    // be wider than the box may be.
    const std::string text =
        "Bad: Data\\script.txt: File Not Found!\r\n\r\n" + std::string(kErrorTrailer);
    const std::string shown = platform::WrapBoxText(text, 60, 40);
    std::vector<std::string> lines;
    std::stringstream in(shown);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_GT(lines.size(), 8u);
    EXPECT_EQ("Bad: Data\\script.txt: File Not Found!", lines[0]);
    EXPECT_EQ("", lines[1]);
    std::string words;
    for (size_t i = 2; i < lines.size(); ++i)
    {
        EXPECT_LE(lines[i].size(), 60u) << lines[i];
        if (i + 1 < lines.size())
        {
            EXPECT_GT(lines[i].size(), 45u) << lines[i]; // filled as far as words allow
        }
        words += " " + lines[i];
    }
    EXPECT_EQ(" " + std::string(kErrorTrailer), words); // all kept, broken only at spaces

    // Tabs become spaces; a word wider than a line is cut; UTF-8 characters
    // count once and are never split; too many lines end in "..."; a word
    // that ends exactly on the last column stays on its line.
    EXPECT_EQ("ab cdef\ngh", platform::WrapBoxText("ab cdef gh", 7, 5));
    EXPECT_EQ("a   b\nc", platform::WrapBoxText("a\tb\rc", 10, 5));
    EXPECT_EQ("abcd\nefgh\nij", platform::WrapBoxText("abcdefghij", 4, 5));
    EXPECT_EQ("\xC3\xA4\xC3\xA4\xC3\xA4\n\xC3\xA4",
              platform::WrapBoxText("\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4", 3, 5));
    EXPECT_EQ("one\n...", platform::WrapBoxText("one two three", 4, 2));
}

// Restores one environment variable when it goes out of scope.
class EnvGuard
{
  public:
    explicit EnvGuard(const char* name) : m_Name(name)
    {
        const char* v = std::getenv(name);
        m_Had = v != nullptr;
        if (v)
            m_Value = v;
    }
    ~EnvGuard()
    {
        if (m_Had)
            ::setenv(m_Name, m_Value.c_str(), 1);
        else
            ::unsetenv(m_Name);
    }

  private:
    const char* m_Name;
    bool m_Had = false;
    std::string m_Value;
};

TEST(DisplayTest, InteractiveOnlyWithADisplayAndNoBatchMode)
{
    EnvGuard display("DISPLAY"), wayland("WAYLAND_DISPLAY"), headless("VORTEXEL_HEADLESS"),
        batch("VORTEXEL_BATCH");
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("VORTEXEL_HEADLESS");
    ::unsetenv("VORTEXEL_BATCH");
    platform::SetBatchMode(false);
    EXPECT_FALSE(platform::HasDisplay());
    EXPECT_FALSE(platform::IsInteractive());

    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_TRUE(platform::HasDisplay());
    EXPECT_TRUE(platform::IsInteractive());
    ::setenv("VORTEXEL_BATCH", "1", 1);
    EXPECT_FALSE(platform::IsInteractive());
    ::unsetenv("VORTEXEL_BATCH");
    platform::SetBatchMode(true);
    EXPECT_FALSE(platform::IsInteractive());
    platform::SetBatchMode(false);
    ::setenv("VORTEXEL_HEADLESS", "1", 1);
    EXPECT_FALSE(platform::HasDisplay());
}

} // namespace
