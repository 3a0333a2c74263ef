#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/Document.h"

namespace velmora {
namespace {

// A document over one integer; commands add to it.
class Counter final : public Document {
public:
    int value = 0;
    int rebuilt = 0;
    std::vector<bool> modifiedMirror;

    void Loaded() { ResetHistory(); }
    void Saved() { MarkSaved(); }

protected:
    void AfterChange(const Change&) override { ++rebuilt; }
    void ModifiedChanged(bool modified) override { modifiedMirror.push_back(modified); }
};

class Add final : public Command {
public:
    Add(Counter& doc, int amount, std::uint64_t key = 0, bool stored = true)
        : doc_(doc), amount_(amount), key_(key), stored_(stored) {}
    Change Apply() override { return Step(amount_); }
    Change Revert() override { return Step(-amount_); }
    std::string Text() const override { return "add " + std::to_string(amount_); }
    bool ChangesFile() const override { return stored_; }
    std::uint64_t MergeKey() const override { return key_; }
    bool MergeWith(Command& newer) override {
        amount_ += static_cast<Add&>(newer).amount_;
        return true;
    }

private:
    Change Step(int by) {
        if (amount_ == 0) return {};
        doc_.value += by;
        return Change::Of(Change::kBlocks);
    }
    Counter& doc_;
    int amount_;
    std::uint64_t key_;
    bool stored_;
};

TEST(UndoStackTest, UndoRedoWalkTheHistoryAndANewStepDropsTheRedoBranch) {
    Counter doc;
    int heard = 0;
    const std::size_t listener = doc.AddListener([&](const Change& c) {
        EXPECT_EQ(c.what, Change::kBlocks);
        ++heard;
    });
    EXPECT_FALSE(doc.Execute(std::make_unique<Add>(doc, 0)));  // nothing done: not kept
    EXPECT_FALSE(doc.CanUndo());
    ASSERT_TRUE(doc.Execute(std::make_unique<Add>(doc, 2)));
    ASSERT_TRUE(doc.Execute(std::make_unique<Add>(doc, 3)));
    EXPECT_EQ(doc.UndoText(), "add 3");
    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(doc.value, 2);
    EXPECT_EQ(doc.RedoText(), "add 3");
    EXPECT_TRUE(doc.Redo());
    EXPECT_EQ(doc.value, 5);
    EXPECT_TRUE(doc.Undo());
    ASSERT_TRUE(doc.Execute(std::make_unique<Add>(doc, 10)));
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.value, 12);
    EXPECT_EQ(heard, 6);
    EXPECT_EQ(doc.rebuilt, 6);
    EXPECT_EQ(doc.Revision(), 6u);
    doc.RemoveListener(listener);
    doc.Undo();
    EXPECT_EQ(heard, 6);
    EXPECT_FALSE(doc.Redo() && doc.Redo());
}

TEST(UndoStackTest, UndoingBackToTheSavedStateClearsModified) {
    Counter doc;
    doc.Execute(std::make_unique<Add>(doc, 1));
    doc.Saved();
    EXPECT_FALSE(doc.IsModified());
    doc.Execute(std::make_unique<Add>(doc, 1));
    EXPECT_TRUE(doc.IsModified());
    doc.Undo();
    EXPECT_FALSE(doc.IsModified());
    doc.Undo();  // before the save: modified again
    EXPECT_TRUE(doc.IsModified());
    doc.Redo();
    EXPECT_FALSE(doc.IsModified());
    // View-only steps never mark the file modified.
    doc.Execute(std::make_unique<Add>(doc, 7, 0, false));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.CanUndo());
    // A new step on top of an undone saved state puts it out of reach.
    doc.Undo();
    doc.Undo();
    doc.Execute(std::make_unique<Add>(doc, 4));
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.modifiedMirror, (std::vector<bool>{true, false, true, false, true, false, true}));
}

TEST(UndoStackTest, StepsOfOneGestureMergeButNeverIntoTheSavedState) {
    Counter doc;
    doc.Execute(std::make_unique<Add>(doc, 1, 42));
    doc.Execute(std::make_unique<Add>(doc, 1, 42));
    doc.Execute(std::make_unique<Add>(doc, 1, 42));
    EXPECT_EQ(doc.undoStack().size(), 1u);
    EXPECT_EQ(doc.UndoText(), "add 3");
    doc.Execute(std::make_unique<Add>(doc, 1, 43));  // another gesture
    EXPECT_EQ(doc.undoStack().size(), 2u);
    doc.Saved();
    doc.Execute(std::make_unique<Add>(doc, 1, 43));  // same key, but the step below is the saved state
    EXPECT_EQ(doc.undoStack().size(), 3u);
    doc.Undo();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.value, 4);
    doc.Undo();
    EXPECT_EQ(doc.value, 3);
}

TEST(UndoStackTest, TheDepthLimitForgetsTheOldestStepsAndTheSavedStateWithThem) {
    Counter doc;
    doc.SetUndoLimit(3);
    doc.Saved();
    for (int i = 0; i < 5; ++i) doc.Execute(std::make_unique<Add>(doc, 1));
    EXPECT_EQ(doc.undoStack().size(), 3u);
    while (doc.Undo()) {}
    EXPECT_EQ(doc.value, 2);       // only three steps could be undone
    EXPECT_TRUE(doc.IsModified());  // the saved state fell off the history
    doc.Loaded();
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_FALSE(doc.IsModified());
}

}  // namespace
}  // namespace velmora
