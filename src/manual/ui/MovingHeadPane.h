#pragma once
// "512摇头灯配置器": composes the 16-byte record of a moving-head light from
// its parameters in a property list (X轴, Y轴, XY轴速度, 开光, 颜色, 半色,
// 复位, each 0..255) and shows it as the text one cell of a 512 table holds
// ("16进制"), rewritten on every accepted change of a parameter. "复制" (the
// button under the list, or the list's context menu) puts that text on the
// clipboard for use in a 512 table. The pane writes no file and no output.
//
// A hand edit of the "16进制" row stays until the next change of a
// parameter overwrites it; it never changes the parameters.
//
// Thread contract: UI thread.

#include <QWidget>

#include "manual/MovingHeadRecord.h"
#include "ui/DesktopContext.h"

class QAction;
class QPushButton;

namespace velmora {

class PropList;

class MovingHeadPane final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRowFirstParam = 1;  // "X轴"
    static constexpr int kRowLastParam = 7;   // "复位"
    static constexpr int kRowHex = 9;         // "16进制"

    MovingHeadPane(DesktopContext& context, const QString& title, QWidget* parent = nullptr);

    PropList& list() { return *list_; }
    QPushButton& copyButton() { return *copyButton_; }
    QAction* copyAction() const { return copy_; }
    // The parameters as the list holds them now.
    MovingHeadParams params() const;
    QString hexText() const;

private:
    void OnValueChanged(int index);
    void CopyHex();

    PropList* list_;
    QPushButton* copyButton_;
    QAction* copy_;
};

}  // namespace velmora
