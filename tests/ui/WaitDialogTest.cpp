// The "等待" analysis dialog: it runs the analysis to the end in its own
// event loop and paints its progress, closes at once when there is nothing
// to analyse, and stops the analysis when the operator closes it (keeping
// the records made so far); a double-click on a piece shows it.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include "app/ScratchDir.h"
#include "media/WaitProcess.h"
#include "media/ui/WaitDialog.h"
#include "ui/MainView.h"
#include "PlaybackFixture.h"
#include "UiTestMain.h"

using namespace velmora;

Q_DECLARE_METATYPE(std::function<void(WaitDialog*)>)

namespace {

std::filesystem::path DemoMusic() {
    return std::filesystem::path(qEnvironmentVariable("VELMORA_SOURCE_DIR").toStdString()) / "demo" / "Music" /
           "demo.mp3";
}

// The demo piece `times` over in one file: minutes of audio, seconds to analyse.
std::filesystem::path LongMusic(const std::filesystem::path& folder, int times) {
    std::ifstream in(DemoMusic(), std::ios::binary);
    const std::string piece{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto path = folder / "long.mp3";
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < times; ++i) out << piece;
    return path;
}

// Calls `check` with the modal dialog every few ms while one is up.
class ModalWatch {
public:
    explicit ModalWatch(std::function<void(WaitDialog*)> check) : check_(std::move(check)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<WaitDialog*>(QApplication::activeModalWidget())) {
                ++seen_;
                title_ = dialog->windowTitle();
                if (check_) check_(dialog);
            }
        });
        timer_.start(5);
    }
    int seen() const { return seen_; }
    QString title() const { return title_; }

private:
    QTimer timer_;
    std::function<void(WaitDialog*)> check_;
    int seen_ = 0;
    QString title_;
};

}  // namespace

class WaitDialogTest : public QObject {
    Q_OBJECT

private slots:
    void analysisRunsToTheEndAndReportsItsProgress() {
        WaitProcess reference({DemoMusic()});
        reference.Start();
        for (int i = 0; i < 1000 && reference.Tick(); ++i) {}
        QVERIFY(reference.Closed());

        std::vector<double> progress;
        ModalWatch watch(nullptr);
        const auto records = WaitDialog::Analyse(DemoMusic(), [&](double f) { progress.push_back(f); }, nullptr);
        QCOMPARE(records.size(), reference.Result().size());
        QVERIFY(!records.empty());
        QCOMPARE(records.back().time, reference.Result().back().time);
        QVERIFY(!progress.empty());
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
        QCOMPARE(progress.back(), 1.0);
        // The dialog may be gone before it is seen: the analysis of a short
        // piece can end within its first tick.
        if (watch.seen() > 0) QCOMPARE(watch.title(), QStringLiteral("等待"));
    }

    void nothingToAnalyseClosesAtOnce() {
        testing::ScratchDir dir;
        ModalWatch watch(nullptr);
        QElapsedTimer clock;
        clock.start();
        const auto records = WaitDialog::Analyse(dir.path() / "missing.mp3", nullptr, nullptr);
        QVERIFY(records.empty());
        QCOMPARE(watch.seen(), 0);
        QVERIFY(clock.elapsed() < 1000);
    }

    void closingStopsTheAnalysisAndKeepsItsRecords_data() {
        QTest::addColumn<std::function<void(WaitDialog*)>>("close");
        QTest::newRow("取消") << std::function<void(WaitDialog*)>(
            [](WaitDialog* d) { QTest::mouseClick(d->cancelButton(), Qt::LeftButton); });
        QTest::newRow("Esc") << std::function<void(WaitDialog*)>(
            [](WaitDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
        QTest::newRow("close button") << std::function<void(WaitDialog*)>([](WaitDialog* d) { d->close(); });
    }

    void closingStopsTheAnalysisAndKeepsItsRecords() {
        QFETCH(std::function<void(WaitDialog*)>, close);
        testing::ScratchDir dir;
        // Half an hour of music: the dialog is closed long before the end,
        // even on a busy machine.
        constexpr int kTimes = 60;
        const auto music = LongMusic(dir.path(), kTimes);
        bool painted = false;
        QElapsedTimer sinceClose;
        // Once the bars have grown: look at them, then close the dialog.
        ModalWatch watch([&](WaitDialog* dialog) {
            const double share = dialog->process().m_fProgress;
            if (painted || share <= 0.0) return;
            painted = true;
            const QImage image = dialog->grab().toImage();
            const qreal ratio = image.devicePixelRatio();
            const int bar = static_cast<int>(dialog->width() * share);
            QCOMPARE(QColor(image.pixel(QPoint(bar / 2, 32) * ratio)), QColor(125, 255, 125));
            QCOMPARE(QColor(image.pixel(QPoint(bar / 2, 45) * ratio)), QColor(100, 210, 100));
            QCOMPARE(QColor(image.pixel(QPoint(bar + 3, 45) * ratio)), QColor(Qt::white));
            sinceClose.start();
            close(dialog);
        });
        const auto records = WaitDialog::Analyse(music, nullptr, nullptr);
        QVERIFY(painted);
        QVERIFY2(sinceClose.elapsed() < 2000, qPrintable(QString::number(sinceClose.elapsed())));
        // Some of the music, not all of it: a record every 0.2 s of audio.
        QVERIFY(!records.empty());
        QVERIFY(records.size() < static_cast<std::size_t>(kTimes * 34 / 0.2 / 2));
        QCOMPARE(watch.title(), QStringLiteral("等待"));
    }

    void aDialogDestroyedMidwayStopsItsWorker() {
        testing::ScratchDir dir;
        const auto music = LongMusic(dir.path(), 20);
        auto dialog = std::make_unique<WaitDialog>(std::vector<std::filesystem::path>{music});
        dialog->Begin();
        QTest::qWait(100);
        QVERIFY(!dialog->process().Closed());
        QElapsedTimer clock;
        clock.start();
        dialog.reset();
        QVERIFY(clock.elapsed() < 1000);
    }

    void doubleClickOnAPieceShowsTheDialogAndClosingItStartsWithWhatIsThere() {
        testing::PlaybackFixture f;
        MainView view(*f.context);  // puts the dialog in the analysis' place
        view.show();
        constexpr int kTimes = 60;
        f.music().Add({LongMusic(f.ws.path() / "Music", kTimes).string()});
        bool closed = false;
        ModalWatch watch([&](WaitDialog* dialog) {
            if (closed || dialog->process().m_fProgress <= 0.0) return;
            closed = true;
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        f.music().DoubleClick(1);
        QCOMPARE(watch.title(), QStringLiteral("等待"));
        QVERIFY(closed);
        // The piece plays with the records analysed before the dialog closed.
        QCOMPARE(f.music().m_nCurrent, 1);
        QCOMPARE(f.wav().m_strCurrent, (f.ws.path() / "Music" / "long.mp3").string());
        const std::size_t records = f.wav().state().Records()->size();
        QVERIFY(records > 0);
        QVERIFY(records < static_cast<std::size_t>(kTimes * 34 / 0.2 / 2));
        QVERIFY(!f.wav().starting());
        QVERIFY(f.RunPastPreparation());
    }
};

VELMORA_UI_TEST_MAIN(WaitDialogTest)
#include "WaitDialogTest.moc"
