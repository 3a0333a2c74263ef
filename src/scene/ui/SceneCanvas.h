#pragma once
// The scene canvas: every spring of the scene as a small circle over the
// background picture and a 50-pixel grid. In edit mode circles are white, or
// green when selected, with a stroke showing the jet's initial angle; in
// watch mode green while the engine drives the spring, grey otherwise; in
// light mode the spring's current light colour. Labels write each spring's
// ID above it.
//
// Input maps onto the scene document: a press selects (Shift toggles) and
// drags the selection, a press beside the springs draws a rubber band, a
// Ctrl+click adds a spring, arrows move the selection, Delete deletes it
// after the question, and the right-click menus make groups. Springs are
// hit only in edit mode. The widget never writes a spring itself, so every
// edit is undoable and the engine, which reads the scene under the output
// lock, never sees a half-made change.
//
// In watch and light modes a 70 ms timer reads the engine's published
// snapshot (never the springs' run-time fields, never the output lock) and
// repaints only when what a circle shows has changed, so an idle fountain
// costs no paints.
//
// Thread contract: UI thread.

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include <QLineF>
#include <QPoint>
#include <QStaticText>
#include <QTimer>
#include <QWidget>

#include "document/SceneDocument.h"
#include "engine/EngineSnapshot.h"
#include "scene/ui/SceneBackground.h"
#include "ui/DesktopContext.h"

class QMenu;
class QMouseEvent;

namespace velmora {

inline constexpr const char* kDeleteQuestion = "确定删除？（此操作不可恢复！）";
inline constexpr const char* kBackgroundUnreadable = "背景图片无法读取：";

class SceneCanvas final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kGridStep = 50;
    static constexpr int kStrokeLength = 15;
    static constexpr int kLabelRise = 15;
    static constexpr int kRefreshMs = 70;
    // Room kept beyond the farthest spring when the scene outgrows the view.
    static constexpr int kMargin = 50;

    explicit SceneCanvas(DesktopContext& context, QWidget* parent = nullptr);
    ~SceneCanvas() override;

    DesktopContext& context() const { return context_; }
    SceneDocument& document() const;

    void SetMode(SceneDocument::Mode mode);
    bool showLabels() const { return showLabels_; }
    void SetShowLabels(bool show);

    // The spring drawn at `pos` (the topmost where circles overlap), by list
    // position; only edit mode has hit rectangles.
    std::optional<std::size_t> SpringAt(QPoint pos) const;
    // A spring's circle, in this widget's coordinates.
    QRect SpringRect(std::size_t position) const;
    // The part of the canvas the operator sees (the scroll area's view).
    QRect ClientRect() const;
    // The size the scene needs: its farthest spring plus the margin.
    QSize SceneExtent() const;
    bool banding() const { return bandFrom_.has_value(); }

    // Starts reading the background for the current path and size unless
    // it is there or on its way; the operator is told once per path when it
    // cannot be read.
    void ReloadBackground();
    const SceneBackground& background() const { return background_; }
    // Whether the repaint timer is running, and how many paints there were.
    bool refreshing() const { return refresh_.isActive(); }
    int paints() const { return paints_; }

    // The menu commands, also for the pane and assistive technology:
    // "删除" of the selection, "属性" of the first selected spring.
    void DeleteSelection();
    void OpenProperties();

signals:
    // A read of the background finished (and was not overtaken).
    void backgroundSettled();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void DocumentChanged(const Change& change);
    void BackgroundRead(std::uint64_t ticket, QImage image);
    void UpdateTimer();
    void RefreshTick();
    // What a circle of each spring shows in watch or light mode, from the
    // snapshot; false when it differs from what was painted last.
    bool ShownStateUnchanged();
    std::uint32_t ShownValue(std::size_t position) const;
    void PaintGrid(QPainter& p, const QRect& area) const;
    void PaintSprings(QPainter& p, const QRect& area);
    const QStaticText& LabelText(std::int32_t id, const QFont& font);
    void EndGestures();
    bool BandKeeps(const QMouseEvent& event) const;
    void FillSpringMenu(QMenu& menu);

    DesktopContext& context_;
    std::size_t listener_ = 0;
    bool showLabels_ = false;
    std::optional<QPoint> bandFrom_;
    QPoint bandTo_;
    bool bandShift_ = false;
    SceneBackground background_;
    std::string toldUnreadable_;  // the path last reported unreadable
    qint64 shownPicture_ = 0;     // the picture drawn when a read began
    QTimer backgroundTimer_;      // reads the picture once a resize settles
    QTimer refresh_;
    EngineSnapshot snapshot_;
    bool haveSnapshot_ = false;
    std::vector<std::uint32_t> shown_;  // per spring, what the last paint showed
    int paints_ = 0;
    // Reused by every paint.
    std::vector<QLineF> strokes_;
    std::vector<std::size_t> visible_;
    std::unordered_map<std::int32_t, QStaticText> labelTexts_;  // laid out once per ID
    std::array<std::vector<QRectF>, 2> labelPlates_;  // label backgrounds: plain, selected
};

}  // namespace velmora
