#include "app/RetainedProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/ScratchDir.h"

namespace velmora {
namespace {

using testing::ReadAll;
using testing::ScratchDir;

TEST(RetainedProfileTest, KeepsItsProfileOnlyWhileTheFileIsTheVersionItWrote) {
    ScratchDir dir;
    const auto path = dir.Write("a.ini", "[s]\nk=1\n");
    RetainedProfile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_FALSE(file.kept());  // read afresh
    file.profile().SetString("s", "k", "2");
    ASSERT_TRUE(file.Save());

    ASSERT_TRUE(file.Open(path));
    EXPECT_TRUE(file.kept());
    EXPECT_EQ(file.profile().GetString("s", "k", ""), "2");

    // Another program rewrites the file with the same length: the next
    // Open must read what is on disk, not the kept profile.
    dir.Write("a.ini", "[s]\nk=3\n");
    ASSERT_TRUE(file.Open(path));
    EXPECT_FALSE(file.kept());
    EXPECT_EQ(file.profile().GetString("s", "k", ""), "3");

    // Keys set without a save are not on disk, so they must not survive.
    file.profile().SetString("s", "extra", "x");
    ASSERT_TRUE(file.Open(path));
    EXPECT_FALSE(file.kept());
    EXPECT_FALSE(file.profile().HasKey("s", "extra"));

    // Another path is another file.
    const auto other = dir.Write("b.ini", "[s]\nk=9\n");
    ASSERT_TRUE(file.Open(other));
    EXPECT_EQ(file.profile().GetString("s", "k", ""), "9");
}

TEST(RetainedProfileTest, AFailedSaveForgetsTheProfileItCouldNotWrite) {
    ScratchDir dir;
    const auto folder = dir.MakeDir("sub");
    const auto path = dir.Write("sub/a.ini", "[s]\nk=1\n");
    RetainedProfile file;
    ASSERT_TRUE(file.Open(path));
    file.profile().SetString("s", "k", "lost");
    std::filesystem::remove_all(folder);
    EXPECT_FALSE(file.Save());

    dir.Write("sub/a.ini", "[s]\nk=1\n");
    ASSERT_TRUE(file.Open(path));
    EXPECT_FALSE(file.kept());
    EXPECT_EQ(file.profile().GetString("s", "k", ""), "1");
}

TEST(RetainedProfileTest, AMissingFileOpensEmptyAndAnUnreadableOneIsRefused) {
    ScratchDir dir;
    RetainedProfile file;
    const auto path = dir.path() / "new.ini";
    ASSERT_TRUE(file.Open(path));
    file.profile().SetString("s", "k", "1");
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(ReadAll(path), "[s]\nk=1\n");

    const auto folder = dir.MakeDir("a-folder.ini");
    std::string error;
    EXPECT_FALSE(file.Open(folder, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(file.Save());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

}  // namespace
}  // namespace velmora
