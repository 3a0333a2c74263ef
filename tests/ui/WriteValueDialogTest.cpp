// "写值": the caller's text comes in, the typed text goes back on OK, nothing
// on Cancel or Escape.

#include <functional>
#include <optional>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "manual/ui/WriteValueDialog.h"
#include "PropListInput.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

QPushButton* Button(QWidget& dialog, const QString& text) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

// Runs `act` on the open "写值" dialog once the caller's exec has shown it;
// a dialog `act` left open is cancelled so that a failed check cannot hang.
void WhenOpen(std::function<void(WriteValueDialog&)> act, int attempts = 200) {
    QTimer::singleShot(attempts == 200 ? 0 : 10, [act, attempts] {
        auto* dialog = qobject_cast<WriteValueDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0) WhenOpen(act, attempts - 1);
            return;
        }
        act(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
}

}  // namespace

class WriteValueDialogTest : public QObject {
    Q_OBJECT

private slots:
    void okReturnsTheTypedText() {
        WhenOpen([](WriteValueDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("写值"));
            QCOMPARE(dialog.field().text(), QString("0x12"));
            QTest::keyClick(&dialog.field(), Qt::Key_A, Qt::ControlModifier);
            KeyText(&dialog.field(), QStringLiteral("255 红"));
            QTest::mouseClick(Button(dialog, "确定"), Qt::LeftButton);
        });
        QCOMPARE(WriteValueDialog::Ask(QStringLiteral("0x12")), std::optional<QString>(QStringLiteral("255 红")));

        // Enter is OK too; an emptied line is returned as it is.
        WhenOpen([](WriteValueDialog& dialog) {
            QTest::keyClick(&dialog.field(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(&dialog.field(), Qt::Key_Delete);
            QTest::keyClick(&dialog.field(), Qt::Key_Return);
        });
        QCOMPARE(WriteValueDialog::Ask(QStringLiteral("7")), std::optional<QString>(QString()));
    }

    void cancelAndEscapeReturnNothing() {
        WhenOpen([](WriteValueDialog& dialog) {
            KeyText(&dialog.field(), QStringLiteral("99"));
            QTest::mouseClick(Button(dialog, "取消"), Qt::LeftButton);
        });
        QCOMPARE(WriteValueDialog::Ask(QStringLiteral("1")), std::nullopt);
        WhenOpen([](WriteValueDialog& dialog) { QTest::keyClick(&dialog.field(), Qt::Key_Escape); });
        QCOMPARE(WriteValueDialog::Ask(QStringLiteral("1")), std::nullopt);
    }
};

VELMORA_UI_TEST_MAIN(WriteValueDialogTest)
#include "WriteValueDialogTest.moc"
