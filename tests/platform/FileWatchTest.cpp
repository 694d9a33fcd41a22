// Watching the script: the saves of real editors count, everything else in the
// folder does not; the paused counter.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Counter.h"
#include "platform/FileWatch.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

namespace
{

TEST(FileWatch, NoticesWritesAndRenamesOverTheFileOnly)
{
    testing_support::TempFolder folder;
    std::string script = folder.Write("script.txt", "one");
    std::string error;
    std::unique_ptr<platform::FileWatch> watch = platform::WatchFile(script, error);
    ASSERT_TRUE(watch) << error;
    EXPECT_FALSE(watch->Poll());

    folder.Write("script.txt", "two"); // in place: truncated, written, closed
    EXPECT_TRUE(watch->Poll());
    EXPECT_FALSE(watch->Poll()) << "reported once";

    // An editor's save: a new file beside it, renamed over it. Only the
    // rename tells; the temporary file is another name.
    std::string temp = folder.Write("script.txt.new", "three");
    EXPECT_FALSE(watch->Poll());
    ASSERT_EQ(0, std::rename(temp.c_str(), script.c_str()));
    EXPECT_TRUE(watch->Poll());

    // The replaced file is watched as well as the first one was.
    folder.Write("script.txt", "four");
    EXPECT_TRUE(watch->Poll());

    // Reading it, or writing its neighbours or its backup, is no change.
    std::ifstream(script).get();
    folder.Write("script.txt~", "backup");
    folder.Write("other.txt", "x");
    EXPECT_FALSE(watch->Poll());

    EXPECT_FALSE(platform::WatchFile(folder.path() + "/gone/script.txt", error));
    EXPECT_FALSE(error.empty());
}

// A save is complete once closed after writing or renamed into place; a
// truncated file still open, or a removed one, is not. A linked script is
// watched at its target as well.
TEST(FileWatch, OnlyFinishedSavesAreCompleteAndLinksAreFollowed)
{
    testing_support::TempFolder folder;
    std::filesystem::create_directories(folder.path() + "/data");
    std::string target = folder.Write("script.txt", "one");
    std::string link = folder.path() + "/data/script.txt";
    std::filesystem::create_symlink("../script.txt", link);
    std::string error;
    std::unique_ptr<platform::FileWatch> watch = platform::WatchFile(link, error);
    ASSERT_TRUE(watch) << error;
    EXPECT_TRUE(watch->IsComplete());

    int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(watch->Poll()) << "the target of the link is watched";
    EXPECT_FALSE(watch->IsComplete()) << "truncated, not closed";
    ASSERT_EQ(3, ::write(fd, "two", 3));
    EXPECT_TRUE(watch->Poll());
    EXPECT_FALSE(watch->IsComplete());
    ::close(fd);
    EXPECT_TRUE(watch->Poll());
    EXPECT_TRUE(watch->IsComplete());

    std::remove(target.c_str());
    EXPECT_TRUE(watch->Poll());
    EXPECT_FALSE(watch->IsComplete()) << "no file to read";
    std::string temp = folder.Write("script.txt.new", "three");
    ASSERT_EQ(0, std::rename(temp.c_str(), target.c_str()));
    EXPECT_TRUE(watch->Poll());
    EXPECT_TRUE(watch->IsComplete());
}

TEST(Counter, PausedCounterStandsStillAndGoesOnWithoutTheGap)
{
    testing_support::ManualCounter counter;
    testing_support::ManualCounter::Set(1000);
    EXPECT_EQ(1000, platform::GetCounter());
    platform::SetCounterPaused(true);
    testing_support::ManualCounter::Set(5000);
    EXPECT_EQ(1000, platform::GetCounter());
    platform::SetCounterPaused(true); // twice: still the first pause
    testing_support::ManualCounter::Set(7000);
    platform::SetCounterPaused(false);
    EXPECT_EQ(1000, platform::GetCounter());
    testing_support::ManualCounter::Set(7500);
    EXPECT_EQ(1500, platform::GetCounter());
}

} // namespace
