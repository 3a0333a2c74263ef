#include "media/ui/WaitDialog.h"

#include <chrono>

#include <QPainter>
#include <QPushButton>

#include "app/Log.h"

namespace velmora {

WaitDialog::WaitDialog(std::vector<std::filesystem::path> files, Progress progress, QWidget* parent)
    : QDialog(parent), process_(std::move(files)), progress_(std::move(progress)) {
    setWindowTitle(QString::fromUtf8(WaitProcess::kTitle));
    setModal(true);
    QFont small = font();
    small.setPointSize(9);
    setFont(small);
    setFixedSize(420, 92);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    cancel_->setAutoDefault(false);
    cancel_->adjustSize();
    cancel_->move(width() - cancel_->width() - 8, height() - cancel_->height() - 6);
    connect(cancel_, &QPushButton::clicked, this, &WaitDialog::reject);

    timer_.setInterval(std::chrono::duration_cast<std::chrono::milliseconds>(WaitProcess::kTickPeriod));
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

WaitDialog::~WaitDialog() {
    // A dialog destroyed mid-way (its parent closing) stops its worker too.
    process_.Cancel();
}

void WaitDialog::Begin() {
    if (begun_) return;
    begun_ = true;
    process_.Start();
    timer_.start();
}

int WaitDialog::exec() {
    Begin();
    // Nothing to analyse (no file, or it could not be opened) closes at once.
    if (!process_.Tick(std::chrono::milliseconds{0})) {
        timer_.stop();
        if (progress_) progress_(1.0);
        setResult(QDialog::Accepted);
        return QDialog::Accepted;
    }
    return QDialog::exec();
}

void WaitDialog::Tick() {
    // Polls without waiting: the worker's end is looked for, never awaited.
    const bool more = process_.Tick(std::chrono::milliseconds{0});
    if (progress_) progress_(more ? process_.m_fProgress : 1.0);
    update();
    if (!more) {
        timer_.stop();
        accept();
    }
}

void WaitDialog::reject() {
    timer_.stop();
    if (!process_.Closed()) {
        process_.Cancel();
        LogMessage("Wait: analysis of %s cancelled after %zu records", process_.CurrentFile().string().c_str(),
                   process_.Result().size());
    }
    QDialog::reject();
}

void WaitDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    const QString path = QString::fromStdString(process_.CurrentFile().string());
    const QRect line(0, kTextTop, width(), fontMetrics().height());
    p.drawText(line, Qt::AlignLeft | Qt::AlignTop, fontMetrics().elidedText(path, Qt::ElideMiddle, width()));
    const double share = std::clamp(process_.m_fProgress, 0.0, 1.0);
    const int bar = static_cast<int>(width() * share);
    p.fillRect(QRect(0, kBarTop, bar, kBarHeight), QColor(125, 255, 125));
    p.fillRect(QRect(0, kInnerBarTop, bar, kInnerBarHeight), QColor(100, 210, 100));
}

WaitDialog::Records WaitDialog::Analyse(const std::filesystem::path& path, const Progress& progress, QWidget* parent) {
    WaitDialog dialog({path}, progress, parent);
    dialog.exec();
    return dialog.process().Result();
}

}  // namespace velmora
