#include <gtest/gtest.h>

#include <string>

#include "SceneDocumentFixture.h"

namespace velmora {
namespace {

using BackgroundCommand = testing::SceneDocumentFixture;

TEST_F(BackgroundCommand, SettingThePictureIsOneUndoableStepThatTheFileKeeps) {
    const auto path = dir.path() / "spring.ini";
    ASSERT_TRUE(doc.Save(path));
    ASSERT_TRUE(doc.SetBackground("Model/场地.bmp"));
    EXPECT_EQ(scene.settings.BGBMP, "Model/场地.bmp");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.UndoText(), "背景");
    // The same path again is no step of its own.
    EXPECT_FALSE(doc.SetBackground("Model/场地.bmp"));

    ASSERT_TRUE(doc.Save(path));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(scene.settings.BGBMP, "");
    ASSERT_TRUE(doc.Redo());
    EXPECT_FALSE(doc.IsModified());  // back at the saved state

    ASSERT_TRUE(doc.Load(path));
    EXPECT_EQ(scene.settings.BGBMP, "Model/场地.bmp");
    // Clearing it is an edit too.
    ASSERT_TRUE(doc.SetBackground(""));
    EXPECT_EQ(scene.settings.BGBMP, "");
}

TEST_F(BackgroundCommand, APathTheFileWouldCutIsRefused) {
    const std::string longest(SceneSettings::kPathBuffer - 1, 'a');
    const std::string tooLong(SceneSettings::kPathBuffer, 'a');
    EXPECT_FALSE(doc.SetBackground(tooLong));
    EXPECT_EQ(scene.settings.BGBMP, "");
    EXPECT_FALSE(doc.CanUndo());

    const auto path = dir.path() / "spring.ini";
    ASSERT_TRUE(doc.SetBackground(longest));
    ASSERT_TRUE(doc.Save(path));
    ASSERT_TRUE(doc.Load(path));
    EXPECT_EQ(scene.settings.BGBMP, longest);
}

}  // namespace
}  // namespace velmora
