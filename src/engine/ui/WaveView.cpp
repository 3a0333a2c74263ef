#include "engine/ui/WaveView.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QPainter>

#include "engine/MusicWav.h"
#include "engine/PlaybackView.h"
#include "runtime/Runtime.h"
#include "ui/AccessibleParts.h"

namespace velmora {

namespace {

const QColor kBackground(18, 22, 26);
const QColor kBeyondEnd(58, 60, 64);
const QColor kLevel(59, 117, 110);
const QColor kRuler(150, 160, 170);
const QColor kPlayhead(255, 0, 0);

constexpr double kTickMs = 250.0;
constexpr int kTicksPerSecond = 4;
constexpr int kTicksPerMinute = 240;

// The position line as its value: screen readers read where the show is.
class WaveAccessible final : public QAccessibleWidget {
public:
    explicit WaveAccessible(WaveView* view) : QAccessibleWidget(view, QAccessible::Chart), view_(view) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QStringLiteral("波形");
        if (t == QAccessible::Value || t == QAccessible::Description) return view_->PositionLine();
        return QAccessibleWidget::text(t);
    }

private:
    WaveView* view_;
};

}  // namespace

WaveView::WaveView(DesktopContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    InstallAccessibleFactory<WaveView, WaveAccessible>();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("单击跳到该位置"));
}

QString WaveView::PositionLine() const {
    const Runtime& runtime = context_.runtime;
    const PlaybackState& state = runtime.g_pMusicWav->state();
    // Until the engine publishes, its figures read 0.
    if (!runtime.ReadEngineSnapshot(snapshot_)) snapshot_ = EngineSnapshot{};
    return QString::fromStdString(PositionText(state.m_dPlayPos.load(), state.m_fTickPeriod.load(), snapshot_.tick,
                                               snapshot_.latenessMs));
}

bool WaveView::Follow() {
    Runtime& runtime = context_.runtime;
    CMusicWav& wav = *runtime.g_pMusicWav;
    if (!wav.Advancing()) return false;
    const double content = TimelineWidth(wav.state().m_dLength.load(), runtime.show.m_nScale);
    const std::int32_t next = FollowPlayhead(runtime.g_dPlayheadUnits.load(), wav.m_nScrollOffset, width(), content);
    if (next == wav.m_nScrollOffset) return false;
    wav.m_nScrollOffset = next;
    update();
    return true;
}

void WaveView::SeekAt(double x) {
    Runtime& runtime = context_.runtime;
    CMusicWav& wav = *runtime.g_pMusicWav;
    wav.SeekToShowTime(WaveSeekMs(x, wav.m_nScrollOffset, runtime.show.m_nScale));
    update();
    emit sought();
}

void WaveView::UpdateCurve() {
    Runtime& runtime = context_.runtime;
    CMusicWav& wav = *runtime.g_pMusicWav;
    std::shared_ptr<const SpectrumList> records = wav.state().Records();
    const CurveKey key{records.get(), runtime.show.m_nScale, runtime.scene.settings.g_nPrepareTime,
                       runtime.show.g_fMusicMultiplier, wav.state().m_dLength.load()};
    if (key == curveKey_ && !wav.m_bPictureDirty) return;
    curveKey_ = key;
    records_ = std::move(records);
    wav.m_bPictureDirty = false;
    pictureStale_ = true;
    ++curveBuilds_;

    curve_.clear();
    if (key.scale < 1) return;
    curve_.reserve(static_cast<qsizetype>(records_->size()));
    for (const spectum& record : *records_) {
        const double level = std::min(128.0, 2.0 * record.level * key.multiplier);
        curve_.append(QPointF((key.prepare + record.time) / key.scale, std::max(0.0, level) / 128.0));
    }
}

void WaveView::DrawRuler(QPainter& p, std::int32_t offset) const {
    const std::int32_t scale = curveKey_.scale;
    if (scale < 1) return;
    const double start = static_cast<double>(curveKey_.prepare) / scale;  // music time 0
    const double musicMs = curveKey_.length - curveKey_.prepare;
    const double firstMs = std::max(0.0, (offset - start) * scale);
    const double lastMs = std::min(musicMs, (offset + width() - start) * scale);
    if (lastMs < firstMs) return;
    p.setPen(QPen(kRuler, 1));
    QFont labelFont = font();
    labelFont.setPixelSize(10);
    p.setFont(labelFont);
    for (long long k = static_cast<long long>(std::ceil(firstMs / kTickMs)); k * kTickMs <= lastMs; ++k) {
        const double x = start + k * kTickMs / scale - offset;
        const bool second = k % kTicksPerSecond == 0;
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, second ? kLongTick : kShortTick));
        if (k % kTicksPerMinute == 0)
            p.drawText(QPointF(x + 3, kLongTick), QStringLiteral("%1:%2").arg(k / kTicksPerMinute).arg(0));
    }
}

void WaveView::UpdatePicture() {
    const std::int32_t offset = context_.runtime.g_pMusicWav->m_nScrollOffset;
    const qreal ratio = devicePixelRatioF();
    if (!pictureStale_ && offset == pictureOffset_ && picture_.size() == size() * ratio) return;
    pictureStale_ = false;
    pictureOffset_ = offset;
    ++pictureBuilds_;

    picture_ = QPixmap(size() * ratio);
    picture_.setDevicePixelRatio(ratio);
    picture_.fill(kBackground);
    QPainter p(&picture_);
    const std::int32_t scale = curveKey_.scale;
    const double end = scale >= 1 ? curveKey_.length / scale - offset : 0.0;
    if (end < width()) p.fillRect(QRectF(std::max(0.0, end), 0, width() - std::max(0.0, end), height()), kBeyondEnd);
    DrawRuler(p, offset);

    if (curve_.isEmpty()) return;
    // Only the records in view (and one either side, so the line runs to the edges).
    auto byX = [](const QPointF& a, double x) { return a.x() < x; };
    auto first = std::lower_bound(curve_.cbegin(), curve_.cend(), static_cast<double>(offset), byX);
    auto last = std::lower_bound(first, curve_.cend(), static_cast<double>(offset) + width(), byX);
    if (first != curve_.cbegin()) --first;
    if (last != curve_.cend()) ++last;
    QPolygonF line;
    line.reserve(last - first);
    const double h = height();
    for (auto it = first; it != last; ++it) line.append(QPointF(it->x() - offset, h - it->y() * h));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kLevel, 1.5));
    p.drawPolyline(line);
}

void WaveView::paintEvent(QPaintEvent*) {
    UpdateCurve();
    UpdatePicture();
    QPainter p(this);
    p.drawPixmap(0, 0, picture_);

    const Runtime& runtime = context_.runtime;
    const double x = runtime.g_dPlayheadUnits.load() - runtime.g_pMusicWav->m_nScrollOffset;
    p.fillRect(QRectF(x, 0, 2, height()), kPlayhead);

    QFont textFont = font();
    textFont.setPixelSize(11);
    p.setFont(textFont);
    const QString line = PositionLine();
    const QRect box = p.fontMetrics().boundingRect(line).adjusted(-3, -1, 3, 1);
    const QRect placed(QPoint(2, height() - box.height() - 2), box.size());
    p.fillRect(placed, QColor(0, 0, 0, 150));
    p.setPen(QColor(235, 235, 235));
    p.drawText(placed, Qt::AlignCenter, line);
}

void WaveView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) SeekAt(event->position().x());
}

void WaveView::resizeEvent(QResizeEvent*) {
    pictureStale_ = true;
}

}  // namespace velmora
