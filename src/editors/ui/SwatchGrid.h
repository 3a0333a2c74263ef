#pragma once
// The swatches of a colour sequence drawn as 40 x 40 squares, width / 50 to
// a row, 50 pixels apart; the current one outlined in red. A click makes a
// swatch current (elsewhere: none), a double-click asks for its colour.
// It only draws the editor's model and reports clicks; the dialog edits.
//
// Thread contract: UI thread.

#include <QWidget>

namespace velmora {

class ColourSequenceEditor;

class SwatchGrid final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSwatch = 40;
    static constexpr int kPitch = 50;
    static constexpr int kLeft = 2;
    static constexpr int kTop = 1;

    SwatchGrid(const ColourSequenceEditor& editor, QWidget* parent = nullptr);

    const ColourSequenceEditor& editor() const { return editor_; }
    // Swatch `index` in this widget's coordinates.
    QRect SwatchRect(int index) const;
    int SwatchAt(const QPoint& pos) const;  // -1: none
    // The height the swatches need at the current width.
    int ContentHeight() const;

signals:
    void clicked(int index);        // -1: a click beside every swatch
    void doubleClicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int PerRow() const;

    const ColourSequenceEditor& editor_;
};

// "#RRGGBB" of a COLORREF (red in the low byte).
QString ColourName(unsigned colour);

}  // namespace velmora
