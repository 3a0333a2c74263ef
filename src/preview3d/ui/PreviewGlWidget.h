#pragma once
// The 3D preview itself: the model, the nozzles and the water jets drawn
// with OpenGL every 70 ms while the widget is visible, the camera read-out
// as overlay text, the fly camera (arrow keys or WASD, 50 units a frame,
// only while the widget has the focus), mouse look while the right button is
// held, and picking a model object with a left click.
//
// Each frame reads the engine's published snapshot (never g_csOutput) and
// the scene's spring positions, advances the water simulation and draws.
// Construct it only where CanMakePreviewContext() says a context can be made:
// on a platform without OpenGL a QOpenGLWidget cannot work.
//
// Thread contract: UI thread.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QOpenGLWidget>
#include <QPoint>
#include <QTimer>

#include "engine/EngineSnapshot.h"
#include "preview3d/Camera.h"
#include "preview3d/SceneModel.h"
#include "preview3d/WaterInputs.h"
#include "preview3d/WaterSimulation.h"
#include "ui/DesktopContext.h"

namespace velmora {

class PreviewRenderer;

// The surface format the preview asks for: OpenGL 2.1 compatibility profile
// (fixed function and GLU), double buffered, with a depth buffer.
QSurfaceFormat PreviewSurfaceFormat();
// Whether a context of that format can be created and made current here;
// false with the reason.
bool CanMakePreviewContext(QString* reason);

class PreviewGlWidget final : public QOpenGLWidget {
    Q_OBJECT

public:
    static constexpr int kFrameMs = 70;
    static constexpr float kLookScale = 1.0f / 1000.0f;  // radians per pixel

    explicit PreviewGlWidget(DesktopContext& context, QWidget* parent = nullptr);
    ~PreviewGlWidget() override;

    // One frame: camera, water, repaint. The timer calls it; tests may too.
    void Frame();
    void NextCamera();

    const PreviewCamera& camera() const { return camera_; }
    const PreviewScene& scene() const { return scene_; }
    const WaterSimulation& water() const { return water_; }
    int selected() const { return scene_.selected; }
    // Empty until the first frame was drawn, then the context's description;
    // holds the reason when the drawing could not start.
    bool drawing() const { return drawing_; }
    const QString& failure() const { return failure_; }
    int framesDrawn() const { return framesDrawn_; }
    bool lookingAround() const { return looking_; }

signals:
    void selectionChanged(int object);

protected:
    void initializeGL() override;
    void paintGL() override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void StopLooking();
    void ReleaseGl();
    void UpdateDescription();

    DesktopContext& context_;
    PreviewScene scene_;
    std::vector<std::string> notes_;
    PreviewCamera camera_;
    WaterSimulation water_;
    WaterInputs inputs_;
    EngineSnapshot snapshot_;
    std::unique_ptr<PreviewRenderer> renderer_;
    QTimer timer_;
    std::set<int> keys_;
    bool looking_ = false;
    QPoint lookFrom_;
    QPoint pressAt_;
    bool drawing_ = false;
    QString failure_;
    int framesDrawn_ = 0;
};

}  // namespace velmora
