#include "app/Workspace.h"

#include "app/ScratchDir.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace velmora {
namespace {

using testing::ScratchDir;
namespace fs = std::filesystem;

TEST(WorkspaceTest, RootComesFromOptionThenEnvironmentThenExecutable) {
    const fs::path exe = "/opt/velmora/bin";
    EXPECT_EQ(ResolveWorkspaceRoot(fs::path("/ws"), "/home/op", exe), fs::path("/ws"));
    EXPECT_EQ(ResolveWorkspaceRoot(fs::path(), "/home/op", exe), fs::path("/home/op"));
    EXPECT_EQ(ResolveWorkspaceRoot(std::nullopt, "", exe), exe);
    EXPECT_TRUE(fs::exists(ExecutableDirectory() / fs::path(program_invocation_name).filename()));
}

TEST(WorkspaceTest, NamesPreferTheExactSpellingThenAnyCase) {
    ScratchDir dir;
    const Workspace ws(dir.path());
    EXPECT_EQ(ws.SpringIni(), dir.path() / "spring.ini");  // absent: where it would be

    dir.Write("Spring.ini", "");
    dir.Write("CONFIG.INI", "");
    EXPECT_EQ(ws.SpringIni(), dir.path() / "Spring.ini");
    EXPECT_EQ(ws.ConfigIni(), dir.path() / "CONFIG.INI");
    dir.Write("spring.ini", "");
    EXPECT_EQ(ws.SpringIni(), dir.path() / "spring.ini");

    dir.MakeDir("motor");
    dir.MakeDir("COLOR");
    dir.MakeDir("color");
    EXPECT_EQ(ws.AssetDir("Motor"), dir.path() / "motor");
    EXPECT_EQ(ws.AssetDir("Color"), dir.path() / "COLOR") << "several matches: byte order decides";
    EXPECT_EQ(ws.AssetDir("Frame"), dir.path() / "Frame");
}

TEST(WorkspaceTest, LookupsNeverLeaveTheFolderOrThrow) {
    ScratchDir dir;
    dir.MakeDir("sub");
    EXPECT_FALSE(FindEntry(dir.path(), ""));
    EXPECT_FALSE(FindEntry(dir.path(), ".."));
    EXPECT_FALSE(FindEntry(dir.path(), "SUB/x"));
    EXPECT_FALSE(FindEntry(dir.path() / "no-such-dir", "x"));
    EXPECT_EQ(Workspace(dir.path()).AssetDir(".."), dir.path());
    EXPECT_EQ(ResolveStored(dir.path(), "Motor\\"), fs::path());
    EXPECT_EQ(ResolveStored(dir.path(), "evil\\.."), fs::path());
}

TEST(WorkspaceTest, StoredPathsResolveByTheirFilePart) {
    EXPECT_EQ(StoredFileName("Frame/sub\\a.frm"), "a.frm");
    EXPECT_EQ(StoredFileName("Motor\\x/y.mot"), "y.mot");
    EXPECT_EQ(StoredFileName("歌曲\\春天.mp3"), "春天.mp3");
    EXPECT_EQ(StoredFileName("plain.mp3"), "plain.mp3");

    ScratchDir dir;
    const fs::path motor = dir.MakeDir("motor");
    dir.Write("motor/Wave.MOT", "");
    EXPECT_EQ(ResolveStored(motor, "C:\\Fountain\\Motor\\wave.mot"), motor / "Wave.MOT");
    EXPECT_EQ(ResolveStored(motor, "Motor\\new.mot"), motor / "new.mot");
}

}  // namespace
}  // namespace velmora
