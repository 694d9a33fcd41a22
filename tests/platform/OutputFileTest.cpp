// Outputs written under a hidden name and renamed into place: the file a
// link points at is replaced with its permissions, nothing shows before the
// commit, and the hidden names fit the file-name limit.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/OutputFile.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace
{

std::string Read(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t Entries(const std::string& folder)
{
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(OutputFile, ReplacesTheLinkedFileWholeAndKeepsItsPermissions)
{
    testing_support::TempFolder folder;
    const std::string target = folder.Write("real.txt", "earlier");
    ASSERT_EQ(0, ::chmod(target.c_str(), 0640));
    const std::string link = folder.path() + "/link.txt";
    fs::create_symlink("real.txt", link);

    platform::OutputFile out;
    std::string error;
    ASSERT_TRUE(out.Create(link, error)) << error;
    std::fputs("new text", out.Stream());
    EXPECT_EQ("earlier", Read(target)) << "nothing shows before the commit";
    EXPECT_EQ(3u, Entries(folder.path()));
    ASSERT_TRUE(out.Commit(error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ("new text", Read(target));
    struct stat st;
    ASSERT_EQ(0, ::stat(target.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    EXPECT_EQ(2u, Entries(folder.path()));

    // Discarded: the file stays as it was, no hidden file is left.
    ASSERT_TRUE(out.Create(target, error)) << error;
    std::fputs("lost", out.Stream());
    out.Discard();
    EXPECT_EQ("new text", Read(target));
    EXPECT_EQ(2u, Entries(folder.path()));
}

TEST(OutputFile, RefusesWhatIsNoFileAndFitsHiddenNamesToTheLimit)
{
    testing_support::TempFolder folder;
    platform::OutputFile out;
    std::string error;
    EXPECT_FALSE(out.Create(folder.path(), error));
    EXPECT_EQ("it is a folder, not a regular file", error);
    ASSERT_EQ(0, ::mkfifo((folder.path() + "/pipe").c_str(), 0644));
    EXPECT_FALSE(out.Create(folder.path() + "/pipe", error));
    EXPECT_EQ("it is a pipe, not a regular file", error);

    const long limit = ::pathconf(folder.path().c_str(), _PC_NAME_MAX);
    const std::string longest = folder.path() + "/" + std::string(static_cast<size_t>(limit), 'n');
    const std::string hidden = platform::HiddenPathBeside(longest, "part");
    EXPECT_EQ(static_cast<size_t>(limit), fs::path(hidden).filename().string().size());
    ASSERT_TRUE(out.Create(longest, error)) << error;
    ASSERT_TRUE(out.Commit(error)) << error;
    EXPECT_TRUE(fs::exists(longest));

    // A cut never splits a character: "a" and 130 two-byte letters.
    std::string wide = "a";
    for (int i = 0; i < 130; ++i)
        wide += "\xC3\xA9";
    const std::string cut = fs::path(platform::HiddenPathBeside(folder.path() + "/" + wide, "part"))
                                .filename()
                                .string();
    EXPECT_LE(cut.size(), static_cast<size_t>(limit));
    const std::string kept = cut.substr(0, cut.find(".part-"));
    EXPECT_EQ('\xA9', kept.back()) << "ends on a whole letter";
}

} // namespace
