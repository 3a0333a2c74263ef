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
    EXPECT_EQ(ResolveWorkspaceRoot(fs::path("/ws"), "/home/op/show", exe), fs::path("/ws"));
    EXPECT_EQ(ResolveWorkspaceRoot(std::nullopt, "/home/op/show", exe), fs::path("/home/op/show"));
    EXPECT_EQ(ResolveWorkspaceRoot(std::nullopt, nullptr, exe), exe);
    EXPECT_EQ(ResolveWorkspaceRoot(std::nullopt, "", exe), exe);
    EXPECT_EQ(ResolveWorkspaceRoot(fs::path(), "/home/op/show", exe), fs::path("/home/op/show"));
}

TEST(WorkspaceTest, ExecutableDirectoryHoldsTheRunningProgram) {
    const fs::path dir = ExecutableDirectory();
    EXPECT_TRUE(fs::exists(dir / fs::path(program_invocation_name).filename())) << dir;
}

TEST(WorkspaceTest, IniFilesPreferTheExactNameThenAnyCase) {
    ScratchDir dir;
    const Workspace ws(dir.path());
    EXPECT_EQ(ws.ConfigIni(), dir.path() / "config.ini");  // absent: where it would be
    EXPECT_EQ(ws.SpringIni(), dir.path() / "spring.ini");

    dir.Write("Spring.ini", "");
    dir.Write("CONFIG.INI", "");
    EXPECT_EQ(ws.SpringIni(), dir.path() / "Spring.ini");
    EXPECT_EQ(ws.ConfigIni(), dir.path() / "CONFIG.INI");

    dir.Write("spring.ini", "");
    EXPECT_EQ(ws.SpringIni(), dir.path() / "spring.ini");
}

TEST(WorkspaceTest, AssetFoldersAreFoundInAnyCase) {
    ScratchDir dir;
    const Workspace ws(dir.path());
    dir.MakeDir("motor");
    dir.MakeDir("COLOR");
    dir.MakeDir("color");
    EXPECT_EQ(ws.AssetDir("Motor"), dir.path() / "motor");
    EXPECT_EQ(ws.AssetDir("Color"), dir.path() / "COLOR") << "several matches: byte order decides";
    EXPECT_EQ(ws.AssetDir("Frame"), dir.path() / "Frame");
    EXPECT_EQ(ws.AssetDir(".."), dir.path());
}

TEST(WorkspaceTest, FindEntryRejectsWhatIsNotAPlainName) {
    ScratchDir dir;
    dir.MakeDir("sub");
    EXPECT_EQ(FindEntry(dir.path(), "SUB"), dir.path() / "sub");
    EXPECT_FALSE(FindEntry(dir.path(), ""));
    EXPECT_FALSE(FindEntry(dir.path(), ".."));
    EXPECT_FALSE(FindEntry(dir.path(), "sub/x"));
    EXPECT_FALSE(FindEntry(dir.path(), "missing"));
    EXPECT_FALSE(FindEntry(dir.path() / "no-such-dir", "x"));
}

TEST(WorkspaceTest, StoredFileNameIsWhatFollowsTheLastSeparator) {
    EXPECT_EQ(StoredFileName("C:\\Fountain\\Motor\\wave.mot"), "wave.mot");
    EXPECT_EQ(StoredFileName("Frame/sub\\a.frm"), "a.frm");
    EXPECT_EQ(StoredFileName("Motor\\x/y.mot"), "y.mot");
    EXPECT_EQ(StoredFileName("plain.mp3"), "plain.mp3");
    EXPECT_EQ(StoredFileName("Music\\"), "");
    EXPECT_EQ(StoredFileName("歌曲\\春天.mp3"), "春天.mp3");
}

TEST(WorkspaceTest, ResolveStoredLooksTheFilePartUpInTheFolder) {
    ScratchDir dir;
    const fs::path motor = dir.MakeDir("motor");
    dir.Write("motor/Wave.MOT", "");
    EXPECT_EQ(ResolveStored(motor, "C:\\Fountain\\Motor\\wave.mot"), motor / "Wave.MOT");
    EXPECT_EQ(ResolveStored(motor, "Motor\\new.mot"), motor / "new.mot");
    EXPECT_EQ(ResolveStored(motor, ""), fs::path());
    EXPECT_EQ(ResolveStored(motor, "Motor\\"), fs::path());
    EXPECT_EQ(ResolveStored(motor, "evil\\.."), fs::path());
}

}  // namespace
}  // namespace velmora
