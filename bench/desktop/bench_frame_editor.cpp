// The frame animation editor on its largest page: 50 x 50 cells (the .frm
// format's fixed grid, so also the most a page can use). Prints, over 200
// runs each, p50 and p99 of
//  - each toolbar tool applied through its action, the grid then painted
//    into an image (slopes, valley and peak over the whole page, increase
//    and decrease of every cell, rotating the outer ring, pasting the whole
//    page one cell down and right);
//  - painting the grid alone;
// and the save of a 100-page animation through the dialog (60 runs; about
// 4 MB each).
// Runs on the offscreen platform unless a display is given.

#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

#include "app/AtomicFile.h"
#include "app/MemoryPolicy.h"
#include "app/Prompter.h"
#include "engine/FrameAnimationFile.h"
#include "editors/ui/FrameAnimationDialog.h"
#include "editors/ui/FrameGrid.h"

#include "Spread.h"

using namespace velmora;

namespace {

void Click(QWidget& w, QPoint at, Qt::KeyboardModifiers keys = {}) {
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, w.mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, keys);
        QCoreApplication::sendEvent(&w, &e);
    }
}

void ClickCell(FrameAnimationDialog& d, int row, int col, Qt::KeyboardModifiers keys = {}) {
    Click(d.grid(), FrameGrid::CellRect(row, col).center(), keys);
}

void SelectAll(FrameAnimationDialog& d) {
    ClickCell(d, 0, 0);
    ClickCell(d, kFrameGrid - 1, kFrameGrid - 1, Qt::ShiftModifier);
}

void Paint(FrameGrid& grid, QImage& image) {
    QPainter p(&image);
    grid.render(&p);
}

Spread Time(int runs, const std::function<void()>& act) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        act();
        ms.push_back(Ms(t));
    }
    return SpreadOf(ms);
}

void Print(const char* what, Spread s) { std::printf("  %-34s p50 %7.3f ms  p99 %7.3f ms\n", what, s.p50, s.p99); }

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemoryForReuse();  // as the desktop program does
    if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    {
        FrameComplierCache record;
        record.m_nCols = record.m_nRows = kFrameGrid;
        record.m_nDefaultDuration = 500;
        record.m_nPageCount = kMaxFramePages;
        record.m_pPages.resize(kMaxFramePages);
        for (int p = 0; p < kMaxFramePages; ++p)
            for (int i = 0; i < kFrameCells; ++i)
                record.m_pPages[static_cast<std::size_t>(p)].m_nodes[static_cast<std::size_t>(i)].m_nLevel =
                    (i / kFrameGrid * 7 + i % kFrameGrid * 3 + p) % 129;
        std::ofstream(dir.filePath(QStringLiteral("large.frm")).toStdString(), std::ios::binary)
            << SerializeFrameFile(record);
    }
    RecordingPrompter prompter(false);
    FrameAnimationDialog d(prompter, dir.path().toStdString(), "large.frm");
    d.show();
    QApplication::processEvents();

    FrameGrid& grid = d.grid();
    QImage image(grid.size(), QImage::Format_RGB32);
    constexpr int kRuns = 200;
    std::printf("frame editor: %dx%d cells, %d pages, grid %dx%d px, %d runs each\n", kFrameGrid, kFrameGrid,
                kMaxFramePages, grid.width(), grid.height(), kRuns);

    auto tool = [&](const char* action) {
        QAction* a = d.Action(QString::fromUtf8(action));
        return [a, &grid, &image] {
            a->trigger();
            Paint(grid, image);
        };
    };
    Print("paint alone", Time(kRuns, [&] { Paint(grid, image); }));
    SelectAll(d);
    for (const char* name : {"上坡", "下坡", "山谷", "山峰"})
        Print((std::string(name) + " (2500 cells) + paint").c_str(), Time(kRuns, tool(name)));
    // Alternating, so that neither saturates every cell and stops changing.
    std::vector<double> up, down;
    for (int i = 0; i < kRuns; ++i) {
        up.push_back(Time(1, tool("增大")).p50);
        down.push_back(Time(1, tool("减小")).p50);
    }
    Print("增大 (2500 cells) + paint", SpreadOf(up));
    Print("减小 (2500 cells) + paint", SpreadOf(down));
    ClickCell(d, 0, 0);
    d.Action(QStringLiteral("环形选择"))->trigger();
    std::printf("  (ring of %zu cells)\n", d.editor().ring().size());
    Print("旋转 + paint", Time(kRuns, tool("旋转(顺)")));
    SelectAll(d);
    d.Action(QStringLiteral("复制"))->trigger();
    ClickCell(d, 1, 1);
    Print("粘贴 (2500 cells, shifted) + paint", Time(kRuns, tool("粘贴(左上)")));

    const QString path = dir.filePath(QStringLiteral("bench"));
    d.askPath = [&](bool) { return path; };
    const Spread save = Time(60, [&] {
        if (!d.Save()) std::fprintf(stderr, "save failed\n");
    });
    std::printf("save of %d pages (%zu bytes), 60 runs:\n", kMaxFramePages,
                std::size_t{20} + std::size_t{40020} * kMaxFramePages + 212);
    Print("保存 (whole, flushed to disk)", save);
    // The parts: building the bytes, and the write itself (to a temporary
    // file, flushed, renamed over the old one).
    std::size_t bytes = 0;
    Print("  the bytes alone", Time(60, [&] { bytes += d.editor().Serialize().size(); }));
    const std::string data = d.editor().Serialize();
    const std::filesystem::path target = dir.filePath(QStringLiteral("raw.frm")).toStdString();
    Print("  the write alone", Time(60, [&] {
              if (!WriteFileAtomically(target, data, nullptr)) std::fprintf(stderr, "write failed\n");
          }));
    std::printf("  (target p99 <= 20 ms)\n");
    return prompter.messages.empty() ? 0 : 1;
}
