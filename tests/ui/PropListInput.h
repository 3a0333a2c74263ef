#pragma once
// Driving a property list with real mouse clicks and key presses.

#include <QApplication>
#include <QTest>

#include "ui/PropEditor.h"
#include "ui/PropList.h"

namespace velmora {

// Key presses carrying `text`; characters beyond ASCII come as the text of a
// key event, as an input method delivers them.
inline void KeyText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

inline void ClickValue(PropList& list, int row) {
    list.EnsureVisible(row);
    QTest::mouseClick(&list, Qt::LeftButton, Qt::NoModifier, list.ValueRect(row).center());
}

inline void ClickName(PropList& list, int row) {
    list.EnsureVisible(row);
    QTest::mouseClick(&list, Qt::LeftButton, Qt::NoModifier, list.NameRect(row).center());
}

// Clicks the value cell and types over the shown text, then leaves with
// Enter unless `leaveOpen`.
inline void Type(PropList& list, int row, const QString& text, bool leaveOpen = false) {
    ClickValue(list, row);
    QVERIFY(list.OpenedEditor());
    QWidget* field = list.OpenedEditor()->Field();
    QTRY_VERIFY(field->hasFocus());
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    KeyText(field, text);
    if (!leaveOpen) QTest::keyClick(field, Qt::Key_Return);
}

}  // namespace velmora
