#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "app/AtomicFile.h"
#include "app/Profile.h"
#include "app/RegularFile.h"
#include "ScratchDir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::ScratchDir;

// Writes a file and dates it `ageSeconds` back, as a save killed that long ago leaves it.
fs::path Leave(const ScratchDir& dir, const std::string& name, int ageSeconds) {
    const fs::path path = dir.Write(name, "half a save");
    const timeval then{std::time(nullptr) - ageSeconds, 0};
    const timeval times[2] = {then, then};
    ::utimes(path.c_str(), times);
    return path;
}

TEST(AtomicFileTest, ASaveRemovesAbandonedTemporaryFilesOfItsOwnFileOnly) {
    ScratchDir dir;
    const fs::path target = dir.Write("spring.ini", "[main]\n");
    const fs::path abandoned = Leave(dir, ".spring.ini.tmpA1b2C3", 3600);
    const fs::path fresh = Leave(dir, ".spring.ini.tmpZz9Yy8", 0);         // a save may be writing it
    const fs::path otherFile = Leave(dir, ".config.ini.tmpA1b2C3", 3600);   // another file's
    const fs::path notOurPattern = Leave(dir, ".spring.ini.tmpA1b2C3x", 3600);

    ASSERT_TRUE(WriteFileAtomically(target, "[main]\nx=1\n"));
    EXPECT_EQ(ReadAll(target), "[main]\nx=1\n");
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_TRUE(fs::exists(otherFile));
    EXPECT_TRUE(fs::exists(notOurPattern));
}

TEST(AtomicFileTest, ATemporaryFileLockedByALiveWriterIsKeptHoweverOld) {
    ScratchDir dir;
    const fs::path target = dir.path() / "show.tlf";
    const fs::path busy = Leave(dir, ".show.tlf.tmpQwErTy", 3600);
    const int fd = ::open(busy.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(RemoveStaleTemporaryFiles(target), 0);
    EXPECT_TRUE(fs::exists(busy));
    ::close(fd);
    EXPECT_EQ(RemoveStaleTemporaryFiles(target), 1);
    EXPECT_FALSE(fs::exists(busy));
}

TEST(AtomicFileTest, SavesLeaveNoTemporaryFilesBehind) {
    ScratchDir dir;
    const fs::path target = dir.path() / "a.ini";
    ASSERT_TRUE(WriteFileAtomically(target, "one"));
    ASSERT_TRUE(WriteFileAtomically(target, "two"));
    EXPECT_FALSE(WriteFileAtomically(dir.path() / "missing" / "b.ini", "x"));
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) entries += entry.path() != target;
    EXPECT_EQ(entries, 0u);
}

TEST(RegularFileTest, AFifoOrDirectoryIsRefusedWithoutBlocking) {
    ScratchDir dir;
    const fs::path fifo = dir.path() / "wave.frm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string bytes;
    EXPECT_EQ(ReadRegularFile(fifo, 1024, bytes), ReadFileStatus::NotRegular);  // would block in open otherwise
    EXPECT_EQ(ReadRegularFile(dir.path(), 1024, bytes), ReadFileStatus::Directory);
    EXPECT_EQ(ReadRegularFile(dir.path() / "none", 1024, bytes), ReadFileStatus::NotFound);
    Profile profile;
    EXPECT_FALSE(profile.Load(fifo));
}

TEST(RegularFileTest, ReadsUpToTheLimitAndSaysWhenThereIsMore) {
    ScratchDir dir;
    const fs::path path = dir.Write("t.csv", "0123456789");
    std::string bytes;
    EXPECT_EQ(ReadRegularFile(path, 10, bytes), ReadFileStatus::Ok);
    EXPECT_EQ(bytes, "0123456789");
    EXPECT_EQ(ReadRegularFile(path, 4, bytes), ReadFileStatus::TooLarge);
    EXPECT_EQ(bytes, "0123");
    EXPECT_EQ(ReadRegularFile(dir.Write("empty", ""), 4, bytes), ReadFileStatus::Ok);
    EXPECT_EQ(bytes, "");
}

}  // namespace
}  // namespace velmora
