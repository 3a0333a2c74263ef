#include "ui/MainView.h"

#include <QMetaObject>
#include <QPointer>

#include "engine/MusicWav.h"
#include "engine/PlaybackView.h"
#include "engine/ui/WaveView.h"
#include "media/ui/ProgressStrip.h"
#include "media/ui/TransportControl.h"
#include "media/ui/WaitDialog.h"
#include "runtime/Runtime.h"
#include "show/ui/TimelineArea.h"

namespace velmora {

MainView::MainView(DesktopContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      transport_(new TransportControl(context, this)),
      strip_(new ProgressStrip(context, this)),
      wave_(new WaveView(context, this)),
      timeline_(new TimelineArea(context, this)) {
    setMinimumSize(400, 300);
    Runtime& runtime = context_.runtime;

    // A double-click on a piece analyses it under the "等待" dialog.
    runtime.g_pMusicWav->SetAnalyser(
        [this](const std::filesystem::path& path, const CMusicWav::Progress& progress) {
            return WaitDialog::Analyse(path, progress, window());
        });

    // Document changes arrive synchronously inside an edit; the repaint is
    // posted so the edit finishes first.
    const QPointer<MainView> self(this);
    showListener_ = runtime.showDocument().AddListener([self](const Change&) {
        if (!self) return;
        self->timeline_->ShowChanged();
        self->RepaintAll();
    });
    sceneListener_ = runtime.sceneDocument().AddListener([self](const Change& change) {
        if (self && (change.what & Change::kSettings)) self->RepaintAll();
    });

    connect(timeline_, &TimelineArea::addUsed, this, &MainView::newBlockUsed);
    connect(transport_, &TransportControl::pressed, this, [this] { Refresh(); RepaintAll(); });
    connect(strip_, &ProgressStrip::scrolled, this, [this] { RepaintAll(); });
    connect(strip_, &ProgressStrip::sought, this, [this] { RepaintAll(); });
    connect(wave_, &WaveView::sought, this, [this] { RepaintAll(); });

    refresh_.setInterval(kIdlePeriodMs);
    connect(&refresh_, &QTimer::timeout, this, [this] { Refresh(); });
    refresh_.start();
}

MainView::~MainView() {
    Runtime& runtime = context_.runtime;
    runtime.showDocument().RemoveListener(showListener_);
    runtime.sceneDocument().RemoveListener(sceneListener_);
    // The dialog needs this window; without it the analysis runs plainly.
    runtime.g_pMusicWav->SetAnalyser(AnalyseWithProgress);
}

float MainView::PasteX() const { return timeline_->PasteX(); }

void MainView::SetNewBlockArmed(bool armed) { timeline_->SetAddArmed(armed); }

void MainView::resizeEvent(QResizeEvent*) {
    const int w = width();
    const int lane = std::max(0, w - TransportControl::kWidth - kRightMargin);
    transport_->move(0, 0);
    strip_->setGeometry(TransportControl::kWidth, 0, lane, ProgressStrip::kHeight);
    wave_->setGeometry(TransportControl::kWidth, ProgressStrip::kHeight, lane, kWaveHeight);
    const int top = TransportControl::kHeight;
    timeline_->setGeometry(0, top, w, std::max(0, height() - top));
    Refresh();
}

MainView::Seen MainView::Look() const {
    const Runtime& runtime = context_.runtime;
    const CMusicWav& wav = *runtime.g_pMusicWav;
    Seen seen;
    seen.entries = wav.m_nEntriesStarted;
    seen.offset = wav.m_nScrollOffset;
    seen.scale = runtime.show.m_nScale;
    seen.prepare = runtime.scene.settings.g_nPrepareTime;
    seen.running = wav.m_bClockRunning;
    seen.position = wav.state().m_dPlayPos.load();
    seen.length = wav.state().m_dLength.load();
    seen.playhead = runtime.g_dPlayheadUnits.load();
    return seen;
}

void MainView::Refresh() {
    Runtime& runtime = context_.runtime;
    CMusicWav& wav = *runtime.g_pMusicWav;
    // The offset stays where the strip's thumb can show it.
    const StripThumb thumb = StripThumbOf(wav.m_nScrollOffset, TimelineWidth(wav.state().m_dLength.load(),
                                                                             runtime.show.m_nScale), strip_->width());
    if (strip_->width() > 0) wav.m_nScrollOffset = thumb.offset;
    if (!strip_->dragging()) wave_->Follow();

    const bool moving = wav.Advancing();
    const int period = moving ? kFramePeriodMs : kIdlePeriodMs;
    if (refresh_.interval() != period) refresh_.setInterval(period);

    const Seen seen = Look();
    if (moving || !(seen == seen_)) {
        // While the show moves the text line changes every frame; the
        // transport only when its symbol or numbers do.
        if (seen.running != seen_.running || seen.prepare != seen_.prepare || seen.scale != seen_.scale)
            transport_->update();
        strip_->update();
        wave_->update();
        timeline_->update();
        seen_ = seen;
    }
}

void MainView::RepaintAll() {
    seen_ = Look();
    transport_->update();
    strip_->update();
    wave_->update();
    timeline_->update();
}

}  // namespace velmora
