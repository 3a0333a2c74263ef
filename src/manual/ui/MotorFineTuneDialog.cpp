#include "manual/ui/MotorFineTuneDialog.h"

#include <QCloseEvent>
#include <QPushButton>

#include "app/Clock.h"
#include "document/SceneDocument.h"
#include "manual/MotorFineTune.h"
#include "manual/ui/ArrowControl.h"
#include "runtime/Runtime.h"
#include "scene/Spring.h"

namespace velmora {

namespace {

constexpr int kWidth = 240;
constexpr int kButtonGap = 14;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;
constexpr int kBottomMargin = 16;

QString TitleFor(const CSpring* spring, bool live) {
    if (!live || spring == nullptr) return QStringLiteral("电机微调面板");
    return QStringLiteral("通道[%1]第[%2]电机微调").arg(spring->BLOCKID2).arg(QString::fromStdString(spring->COMID2));
}

}  // namespace

MotorFineTuneDialog::MotorFineTuneDialog(DesktopContext& context, std::int32_t springId, int axis, bool live,
                                         QWidget* parent)
    : QDialog(parent),
      context_(context),
      tune_(std::make_unique<MotorFineTune>(context.runtime, springId, axis)),
      live_(live) {
    setModal(true);
    setWindowTitle(TitleFor(tune_->Spring(), live));
    setAccessibleName(windowTitle());

    arrows_ = new ArrowControl(*tune_, this);
    arrows_->move((kWidth - ArrowControl::kSize) / 2, kControlTop);
    zero_ = new QPushButton(QStringLiteral("标零"), this);
    zero_->setAccessibleName(zero_->text());
    zero_->setAutoDefault(false);
    const int buttonTop = kControlTop + ArrowControl::kSize + kButtonGap;
    zero_->setGeometry((kWidth - kButtonWidth) / 2, buttonTop, kButtonWidth, kButtonHeight);
    setFixedSize(kWidth, buttonTop + kButtonHeight + kBottomMargin);

    connect(zero_, &QPushButton::clicked, this, &MotorFineTuneDialog::StartZeroing);
    timer_.setInterval(kLiveIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &MotorFineTuneDialog::OnTimer);
    UpdateTimer();

    // The scene may change under the dialog (an edit, a reload): without its
    // spring there is nothing left to jog.
    listener_ = context_.runtime.sceneDocument().AddListener([this](const Change&) {
        QMetaObject::invokeMethod(this, &MotorFineTuneDialog::OnSceneChanged, Qt::QueuedConnection);
    });
}

MotorFineTuneDialog::~MotorFineTuneDialog() {
    context_.runtime.sceneDocument().RemoveListener(listener_);
    timer_.stop();
    // The control drives the fine-tune object; it goes first, while that
    // object still exists (the base class hides and deletes children later).
    delete arrows_;
    tune_->Close();
}

void MotorFineTuneDialog::StartZeroing() {
    const std::uint32_t now = GetClockMs();
    if (!tune_->StartZeroing(now)) return;
    if (live_) tune_->IssueMotorCommand(now);
    arrows_->setEnabled(false);
    zero_->setEnabled(false);
    UpdateTimer();
}

void MotorFineTuneDialog::OnTimer() {
    const std::uint32_t now = GetClockMs();
    if (tune_->Advance(now)) {
        arrows_->setEnabled(true);
        zero_->setEnabled(true);
        arrows_->update();
    }
    if (live_) tune_->IssueMotorCommand(now);
    UpdateTimer();
}

void MotorFineTuneDialog::UpdateTimer() {
    const bool wanted = isVisible() && (live_ || tune_->Zeroing());
    if (wanted && !timer_.isActive()) timer_.start();
    if (!wanted && timer_.isActive()) timer_.stop();
}

void MotorFineTuneDialog::OnSceneChanged() {
    if (isVisible() && tune_->Spring() == nullptr) reject();
}

void MotorFineTuneDialog::done(int result) {
    timer_.stop();
    tune_->Close();
    arrows_->setEnabled(true);
    zero_->setEnabled(true);
    QDialog::done(result);
}

void MotorFineTuneDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateTimer();
}

void MotorFineTuneDialog::closeEvent(QCloseEvent* event) {
    timer_.stop();
    tune_->Close();
    QDialog::closeEvent(event);
}

void OpenMotorFineTune(DesktopContext& ctx, std::int32_t springId, int axis, bool live, QWidget* parent) {
    MotorFineTuneDialog dialog(ctx, springId, axis, live, parent);
    dialog.exec();
}

}  // namespace velmora
