#pragma once
// The steps of a motor program drawn as 40 x 40 boxes, width / 50 to a row,
// 50 pixels apart, each with its kind's glyph and the values the kind uses;
// the current step outlined in red. It draws what the editor shows: the
// program, or after a check the expanded list, which has no hit boxes (it
// cannot be edited). A click reports the step under it (-1 beside every
// box), a double-click the step to edit. It only draws and reports; the
// dialog edits. The keyboard does what the mouse does: the arrows, Home
// and End make another step current, Enter opens the current one.
//
// Thread contract: UI thread.

#include <QWidget>

namespace velmora {

class MotorProgramEditor;

class StepBoxRow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBox = 40;
    static constexpr int kPitch = 50;
    static constexpr int kLeft = 2;
    static constexpr int kTop = 1;

    explicit StepBoxRow(const MotorProgramEditor& editor, QWidget* parent = nullptr);

    const MotorProgramEditor& editor() const { return editor_; }
    // Box `index` of the shown list in this widget's coordinates.
    QRect BoxRect(int index) const;
    // The step whose box holds `pos`; -1 for none and always in the expanded view.
    int StepAt(const QPoint& pos) const;
    // The height the shown list needs at the current width (one spare row).
    int ContentHeight() const;

signals:
    void clicked(int index);  // -1: beside every box
    void doubleClicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int PerRow() const;

    const MotorProgramEditor& editor_;
};

}  // namespace velmora
