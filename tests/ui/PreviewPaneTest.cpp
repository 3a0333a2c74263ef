// The 3D preview pane: its tool bar, the properties it opens (with the light
// editor hook), and, where an OpenGL context can be made (under Xvfb), the
// preview itself: frames drawn, picking with a click, the next camera, the
// fly keys and mouse look. Without a context the pane must say so instead.

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>

#include <QAccessible>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/Prompter.h"
#include "preview3d/ChunkWriter.h"
#include "preview3d/ui/PreviewGlWidget.h"
#include "preview3d/ui/PreviewPane.h"
#include "runtime/Runtime.h"
#include "scene/ui/SystemPropDialog.h"
#include "ui/DesktopContext.h"
#include "ui/PropEditor.h"
#include "ui/PropList.h"
#include "ui/UiWorkspace.h"
#include "PropListInput.h"
#include "UiTestMain.h"

using namespace velmora;

namespace {

// The demo workspace with a model of its own: one grey quad straight ahead
// of the first camera, and two camera presets.
struct PreviewWorld {
    PreviewWorld() {
        const auto model = ws.path() / "Model";
        std::filesystem::create_directories(model);
        std::ofstream(model / "Scene1.3ds", std::ios::binary)
            << test::File(test::Quad("board", -200, 200, -150, 150, -500));
        std::ofstream(model / "Scene1.ini") << "[Main]\nobjCount=0\nCameraCount=2\n"
                                               "[Camera01]\nop1x=0\nop1y=0\nop1z=0\nop2x=0\nop2y=0\nop2z=-500\n"
                                               "[Camera02]\nop1x=0\nop1y=0\nop1z=400\nop2x=0\nop2y=0\nop2z=-500\n";
        if (!runtime.Startup()) throw std::runtime_error("the demo workspace did not start");
    }
    UiWorkspace ws;
    RecordingPrompter prompter;
    Runtime runtime{Workspace(ws.path())};
    DesktopContext context{runtime, prompter};
};

QToolButton* ToolButton(PreviewPane& pane, const QString& name) {
    for (QToolButton* b : pane.toolBar().findChildren<QToolButton*>())
        if (b->accessibleName() == name) return b;
    return nullptr;
}

void Press(QWidget& dialog, const QString& text) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text) return QTest::mouseClick(b, Qt::LeftButton);
    QFAIL(qPrintable(text));
}

// Runs `act` on the modal dialog of type D once the caller's exec opened it.
template <typename D>
void WhenOpen(const std::function<void(D&)>& act, int attempts = 200) {
    QTimer::singleShot(attempts == 200 ? 0 : 10, [act, attempts] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (attempts > 0) WhenOpen<D>(act, attempts - 1);
            return;
        }
        const QPointer<D> open(dialog);
        act(*dialog);
        if (open && open->isVisible()) open->reject();
    });
}

QRgb Centre(PreviewGlWidget& preview) {
    const QImage frame = preview.grabFramebuffer();
    return frame.pixel(frame.width() / 2, frame.height() / 2);
}

}  // namespace

class PreviewPaneTest : public QObject {
    Q_OBJECT

private slots:
    void toolBarButtonsAndProperties() {
        PreviewWorld world;
        PreviewPane pane(world.context, "3D预览");
        pane.resize(600, 500);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QCOMPARE(pane.toolBar().height(), PreviewPane::kToolBarHeight);
        QVERIFY(ToolButton(pane, "视角"));
        QToolButton* properties = ToolButton(pane, "属性");
        QVERIFY(properties);

        QString caption;
        WhenOpen<SystemPropDialog>([&caption](SystemPropDialog& dialog) {
            caption = dialog.windowTitle();
            Type(dialog.list(), SystemPropDialog::kRowParticles, "33");
            Press(dialog, "确定");
        });
        QTest::mouseClick(properties, Qt::LeftButton);
        QTRY_COMPARE(caption, QString("属性"));
        QCOMPARE(world.runtime.scene.settings.g_nParticleCount, 33);
        QVERIFY(world.runtime.sceneDocument().CanUndo());
    }

    // The light row's button hands the current file to the editor hook; its
    // answer becomes the row's value, a cancelled edit keeps the old one.
    void lightFileGoesThroughTheEditorHook() {
        PreviewWorld world;
        const std::string before = world.runtime.scene.settings.g_strLight;
        std::vector<std::string> asked;
        std::optional<std::string> answer;
        PreviewPane pane(world.context, "3D预览", [&](const std::string& current, QWidget* parent) {
            asked.push_back(current);
            if (parent == nullptr) throw std::logic_error("the editor needs a parent");
            return answer;
        });
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));

        const auto pressLightButton = [](SystemPropDialog& dialog) {
            PropList& list = dialog.list();
            ClickValue(list, SystemPropDialog::kRowLight);
            QVERIFY(list.OpenedEditor());
            QToolButton* more = list.OpenedEditor()->MoreButton();
            QVERIFY(more);
            QTest::mouseClick(more, Qt::LeftButton);
        };
        answer = std::nullopt;
        WhenOpen<SystemPropDialog>([&](SystemPropDialog& dialog) {
            pressLightButton(dialog);
            QCOMPARE(dialog.list().GetItemValue(SystemPropDialog::kRowLight), QString::fromStdString(before));
            Press(dialog, "确定");
        });
        QTest::mouseClick(ToolButton(pane, "属性"), Qt::LeftButton);
        QTRY_COMPARE(asked.size(), std::size_t{1});
        QCOMPARE(asked[0], before);
        QCOMPARE(world.runtime.scene.settings.g_strLight, before);

        answer = "sunset.color";
        WhenOpen<SystemPropDialog>([&](SystemPropDialog& dialog) {
            pressLightButton(dialog);
            QCOMPARE(dialog.list().GetItemValue(SystemPropDialog::kRowLight), QString("sunset.color"));
            Press(dialog, "确定");
        });
        QTest::mouseClick(ToolButton(pane, "属性"), Qt::LeftButton);
        QTRY_COMPARE(asked.size(), std::size_t{2});
        QTRY_COMPARE(world.runtime.scene.settings.g_strLight, std::string("sunset.color"));
        QVERIFY(world.runtime.sceneDocument().Undo());
        QCOMPARE(world.runtime.scene.settings.g_strLight, before);
    }

    void previewDrawsPicksAndMoves() {
        PreviewWorld world;
        PreviewPane pane(world.context, "3D预览");
        pane.resize(520, 440);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        if (pane.preview() == nullptr) {
            QVERIFY(pane.placeholder());
            QVERIFY(pane.placeholder()->text().startsWith("无法创建OpenGL上下文："));
            QVERIFY(!ToolButton(pane, "视角")->isEnabled());
            QSKIP(qPrintable("no OpenGL context here: " + pane.placeholder()->text()));
        }
        PreviewGlWidget& preview = *pane.preview();
        QCOMPARE(preview.accessibleName(), QString("3D预览"));
        preview.Frame();
        QTRY_VERIFY(preview.framesDrawn() > 0);
        QVERIFY2(preview.drawing(), qPrintable(preview.failure()));
        QCOMPARE(preview.water().SlotCount(), std::min<std::size_t>(world.runtime.scene.springs.size(), 1000));
        QVERIFY(preview.accessibleDescription().startsWith("Position:0 0 0 LookAt:0 0 -500"));

        // The board in its own colour, then green once picked.
        const QRgb plain = Centre(preview);
        QVERIFY2(qRed(plain) > 100 && qAbs(qRed(plain) - qGreen(plain)) < 20, qPrintable(QString::number(plain, 16)));
        const QPoint middle(preview.width() / 2, preview.height() / 2);
        QTest::mouseClick(&preview, Qt::LeftButton, Qt::NoModifier, middle);
        QCOMPARE(preview.selected(), 0);
        QVERIFY(preview.accessibleDescription().endsWith("; board"));
        const QRgb picked = Centre(preview);
        QVERIFY2(qGreen(picked) > qRed(picked) + 100, qPrintable(QString::number(picked, 16)));
        // A click beside it clears the selection.
        QTest::mouseClick(&preview, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        QCOMPARE(preview.selected(), -1);
        QVERIFY(!preview.accessibleDescription().contains("board"));

        // 视角 glides to the second camera, 400 units back.
        QTest::mouseClick(ToolButton(pane, "视角"), Qt::LeftButton);
        QCOMPARE(preview.camera().current(), 1);
        for (int i = 0; i < 40; ++i) preview.Frame();
        QVERIFY(qAbs(preview.camera().pose().eye[2] - 400.0f) < 1.0f);
        QVERIFY(preview.accessibleDescription().startsWith("Position:0 0 399") ||
                preview.accessibleDescription().startsWith("Position:0 0 400"));

        // W flies forward only while the preview has the focus.
        pane.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&pane));
        preview.setFocus();
        QTRY_VERIFY(preview.hasFocus());
        const float z = preview.camera().pose().eye[2];
        QTest::keyPress(&preview, Qt::Key_W);
        preview.Frame();
        QTest::keyRelease(&preview, Qt::Key_W);
        QVERIFY(qAbs(preview.camera().pose().eye[2] - (z - 50.0f)) < 0.01f);
        preview.Frame();
        QVERIFY(qAbs(preview.camera().pose().eye[2] - (z - 50.0f)) < 0.01f);

        // Holding the right button turns the view; releasing it stops.
        const auto lookAt = preview.camera().pose().lookAt;
        QTest::mousePress(&preview, Qt::RightButton, Qt::NoModifier, middle);
        QVERIFY(preview.lookingAround());
        QMouseEvent move(QEvent::MouseMove, QPointF(middle + QPoint(100, 0)), preview.mapToGlobal(QPointF(middle + QPoint(100, 0))),
                         Qt::NoButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(&preview, &move);
        QVERIFY(preview.camera().pose().lookAt[0] > lookAt[0] + 1.0f);  // turned right
        QTest::mouseRelease(&preview, Qt::RightButton, Qt::NoModifier, middle + QPoint(100, 0));
        QVERIFY(!preview.lookingAround());
    }
};

VELMORA_UI_TEST_MAIN(PreviewPaneTest)
#include "PreviewPaneTest.moc"
