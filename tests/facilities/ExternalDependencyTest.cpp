#include <gtest/gtest.h>

#include "framework/ExternalDependency.h"
#include "platform/Events.h"
#include "support/Fakes.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
class ExternalDependencyTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_Name =
            ::testing::TempDir() + "vortexel_dep_" + std::to_string(getpid()) + "_" + info->name();
        std::remove(Path().c_str());
    }
    void TearDown() override { std::remove(Path().c_str()); }

    std::string Path() const { return m_Name + ".dep"; }
    std::string Contents() const
    {
        std::ifstream in(Path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void Write(const std::string& text) const { std::ofstream(Path(), std::ios::binary) << text; }

    std::string m_Name;
};
} // namespace

TEST_F(ExternalDependencyTest, FirstUseStoresTheDefaultAndLaterUsesReadItBack)
{
    {
        ExternalDependency dep(m_Name);
        ASSERT_TRUE(dep.IsOpen());
        int32_t speed = 7;
        EXPECT_TRUE(dep.GetOrStore(&speed, "speed", DependencyInteger, sizeof speed));
        float scale = 1.5f;
        EXPECT_TRUE(dep.GetOrStore(&scale, "scale", DependencyReal, sizeof scale));
        char tex[16] = "ring.jpg";
        EXPECT_TRUE(dep.GetOrStore(tex, "texture", DependencyText, sizeof tex));
        speed = 99;
        EXPECT_FALSE(dep.GetOrStore(&speed, "speed", DependencyInteger, sizeof speed));
        EXPECT_EQ(7, speed);
    }
    EXPECT_EQ("speed 7\r\nscale 1.500000\r\ntexture ring.jpg\r\n", Contents());

    // Edited by hand between runs: the new values win over the defaults.
    Write("speed -12\r\nscale 0.25\r\ntexture crest.png\r\n");
    ExternalDependency dep(m_Name);
    int32_t speed = 7;
    float scale = 1.5f;
    char tex[16] = "ring.jpg";
    EXPECT_FALSE(dep.GetOrStore(&speed, "speed", DependencyInteger, sizeof speed));
    EXPECT_FALSE(dep.GetOrStore(&scale, "scale", DependencyReal, sizeof scale));
    EXPECT_FALSE(dep.GetOrStore(tex, "texture", DependencyText, sizeof tex));
    EXPECT_EQ(-12, speed);
    EXPECT_EQ(0.25f, scale);
    EXPECT_STREQ("crest.png", tex);
}

TEST_F(ExternalDependencyTest, ReadsWordsAcrossLfFilesAndTheFirstRecordWins)
{
    Write("");
    ExternalDependency dep(m_Name);
    int32_t v = 5;
    EXPECT_FALSE(dep.ReadValue(&v, "a", DependencyInteger, sizeof v)); // empty file

    Write("a 1\nname hello world\n\ta   2\n");
    dep.Reopen();
    EXPECT_TRUE(dep.ReadValue(&v, "a", DependencyInteger, sizeof v));
    EXPECT_EQ(1, v);
    char text[32];
    EXPECT_TRUE(dep.ReadValue(text, "name", DependencyText, sizeof text));
    EXPECT_STREQ("hello", text);                                       // one word
    EXPECT_FALSE(dep.ReadValue(&v, "A", DependencyInteger, sizeof v)); // case matters
    EXPECT_FALSE(dep.ReadValue(&v, "a", 4, sizeof v));                 // unknown kind
}

TEST_F(ExternalDependencyTest, OverlongWordsAndBadValuesFailWithoutOverflowOrDuplicates)
{
    std::string key255(255, 'k'), key256(256, 'k');
    // The 256-byte word comes first: its first 255 bytes must not pass for the key.
    Write(key256 + " 4\r\n" + key255 + " 3\r\nshort abcdefgh\r\ncount twelve\r\n");
    ExternalDependency dep(m_Name);
    int32_t v = 0;
    EXPECT_TRUE(dep.ReadValue(&v, key255.c_str(), DependencyInteger, sizeof v));
    EXPECT_EQ(3, v);
    // A 256-byte key is no key at all: not read, not written.
    EXPECT_FALSE(dep.ReadValue(&v, key256.c_str(), DependencyInteger, sizeof v));
    EXPECT_FALSE(dep.GetOrStore(&v, key256.c_str(), DependencyInteger, sizeof v));

    // A value longer than the buffer leaves the buffer as it was.
    char small[8] = "default";
    EXPECT_FALSE(dep.ReadValue(small, "short", DependencyText, sizeof small));
    EXPECT_STREQ("default", small);
    char fits[9];
    EXPECT_TRUE(dep.ReadValue(fits, "short", DependencyText, sizeof fits));
    EXPECT_STREQ("abcdefgh", fits);

    // A record that is there but unreadable keeps the default and adds nothing.
    std::string before = Contents();
    EXPECT_FALSE(dep.GetOrStore(small, "short", DependencyText, sizeof small));
    v = 6;
    EXPECT_FALSE(dep.GetOrStore(&v, "count", DependencyInteger, sizeof v));
    EXPECT_EQ(6, v);
    char twoWords[16] = "two words";
    EXPECT_FALSE(dep.GetOrStore(twoWords, "label", DependencyText, sizeof twoWords));
    EXPECT_EQ(before, Contents());
}

TEST_F(ExternalDependencyTest, UnopenableFileIsReportedAndLeavesAnInertObject)
{
    testing_support::BoxRecorder boxes;
    testing_support::ResetEvents();
    std::string missing = m_Name + "_no_such_dir/values";
    ExternalDependency dep(missing);
    EXPECT_FALSE(dep.IsOpen());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Vortexel 1.5 Error: File Not Found!", boxes.boxes[0].caption);
    EXPECT_EQ(0u, boxes.boxes[0].text.rfind("Bad: " + missing + ".dep", 0));
    EXPECT_TRUE(platform::FailureQuitWasRequested());

    int32_t v = 3;
    EXPECT_FALSE(dep.ReadValue(&v, "a", DependencyInteger, sizeof v));
    EXPECT_FALSE(dep.GetOrStore(&v, "a", DependencyInteger, sizeof v)); // nothing was written
    EXPECT_EQ(3, v);
    testing_support::ResetEvents();
}

// A file edited by hand often lacks its last line break: the next record must
// not be glued onto the last value ("name short" read back as "shortcount").
// A pipe under the file's name is refused before anything waits on it.
TEST_F(ExternalDependencyTest, AppendingAfterAnUnfinishedLastLineStartsANewLine)
{
    Write("name short");
    {
        ExternalDependency dep(m_Name);
        int32_t count = 7;
        EXPECT_TRUE(dep.GetOrStore(&count, "count", DependencyInteger, sizeof count));
        char name[16] = "long";
        EXPECT_FALSE(dep.GetOrStore(name, "name", DependencyText, sizeof name));
        EXPECT_STREQ("short", name);
    }
    EXPECT_EQ("name short\r\ncount 7\r\n", Contents());

    std::remove(Path().c_str());
    ASSERT_EQ(0, ::mkfifo(Path().c_str(), 0644));
    testing_support::BoxRecorder boxes;
    testing_support::ResetEvents();
    ExternalDependency pipe(m_Name);
    EXPECT_FALSE(pipe.IsOpen());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Vortexel 1.5 Error: File Not Found!", boxes.boxes[0].caption);
    testing_support::ResetEvents();
}

// A record is added by writing the file anew and renaming it: a full disk
// (here a file size limit) leaves the file whole, and a file that is a link
// stays one.
TEST_F(ExternalDependencyTest, AddingARecordNeverLeavesHalfAFileAndKeepsALink)
{
    const std::string earlier = "name short\r\n" + std::string(200, 'x') + " 1\r\n";
    Write(earlier);
    pid_t pid = ::fork();
    if (pid == 0)
    {
        struct rlimit limit = {earlier.size() + 8, earlier.size() + 8};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_IGN);
        ExternalDependency dep(m_Name);
        int32_t count = 1234567;
        ::_exit(dep.GetOrStore(&count, "count", DependencyInteger, sizeof count) ? 1 : 0);
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write failed";
    EXPECT_EQ(earlier, Contents());
    const std::string folder = m_Name.substr(0, m_Name.rfind('/'));
    const std::string base = m_Name.substr(m_Name.rfind('/') + 1);
    for (const auto& e : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(std::string::npos, e.path().filename().string().find("." + base))
            << "work file left: " << e.path();

    const std::string target = m_Name + ".target";
    std::rename(Path().c_str(), target.c_str());
    std::filesystem::create_symlink(target, Path());
    {
        ExternalDependency dep(m_Name);
        int32_t count = 3;
        EXPECT_TRUE(dep.GetOrStore(&count, "count", DependencyInteger, sizeof count));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(Path()));
    EXPECT_EQ(earlier + "count 3\r\n", Contents());
    std::remove(target.c_str());
}
