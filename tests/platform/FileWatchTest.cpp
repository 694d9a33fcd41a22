// Watching the script: the saves of real editors count, everything else in the
// folder does not; the paused counter.
#include <gtest/gtest.h>

#include <cstdio>
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
