#include "preview3d/ui/PreviewGlWidget.h"

#include <dlfcn.h>
#include <link.h>

#include <chrono>
#include <cstring>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>

#include "preview3d/ui/gl/PreviewRenderer.h"
#include "runtime/Runtime.h"

namespace velmora {

namespace {

// Overlay text: the camera read-out first, then any notes about the model.
constexpr int kOverlayLines = 10;

std::uint32_t TimeSeed() {
    return static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

// Keeps the GL driver Mesa loaded for the context in memory until the
// process ends. Unloaded at exit, it leaves a few allocations behind that a
// leak checker can no longer attribute to any module, which would fail every
// sanitised run of the program for a driver's bookkeeping.
void KeepGlDriverLoaded() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            const char* path = info->dlpi_name;
            if (path != nullptr && (std::strstr(path, "_dri.so") != nullptr || std::strstr(path, "libgallium") != nullptr))
                dlopen(path, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

}  // namespace

QSurfaceFormat PreviewSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

bool CanMakePreviewContext(QString* reason) {
    const auto fail = [reason](const QString& why) {
        if (reason) *reason = why;
        return false;
    };
    QOpenGLContext context;
    context.setFormat(PreviewSurfaceFormat());
    if (!context.create()) return fail(QStringLiteral("no OpenGL on this display"));
    if (context.isOpenGLES()) return fail(QStringLiteral("only OpenGL ES is available"));
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid()) return fail(QStringLiteral("no surface for OpenGL"));
    if (!context.makeCurrent(&surface)) return fail(QStringLiteral("the context cannot be made current"));
    context.doneCurrent();
    KeepGlDriverLoaded();
    return true;
}

PreviewGlWidget::PreviewGlWidget(DesktopContext& context, QWidget* parent)
    : QOpenGLWidget(parent), context_(context), water_(TimeSeed()) {
    setFormat(PreviewSurfaceFormat());
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("3D预览"));
    setMinimumSize(160, 120);

    scene_ = PreviewScene::Load(context_.runtime.workspace().AssetDir("Model"), &notes_);
    camera_.SetPresets(scene_.description().cameras);
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, &PreviewGlWidget::Frame);
    UpdateDescription();
}

PreviewGlWidget::~PreviewGlWidget() {
    ReleaseGl();
    // The base class destroys the context after this object is gone.
    if (context() != nullptr) disconnect(context(), nullptr, this, nullptr);
}

void PreviewGlWidget::ReleaseGl() {
    if (!renderer_) return;
    if (context() != nullptr && context()->isValid()) {
        makeCurrent();
        renderer_->Release();
        doneCurrent();
    }
    renderer_.reset();
}

void PreviewGlWidget::initializeGL() {
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &PreviewGlWidget::ReleaseGl,
            Qt::UniqueConnection);
    if (context() == nullptr || !context()->isValid()) {
        failure_ = QStringLiteral("无法创建OpenGL上下文：") + QStringLiteral("the context is not valid");
        return;
    }
    renderer_ = std::make_unique<PreviewRenderer>();
    std::string error;
    if (!renderer_->Initialise(scene_, &error)) {
        failure_ = QStringLiteral("无法创建OpenGL上下文：") + QString::fromStdString(error);
        renderer_.reset();
        return;
    }
    drawing_ = true;
}

void PreviewGlWidget::Frame() {
    if (hasFocus()) {
        const auto held = [this](int a, int b) { return keys_.count(a) > 0 || keys_.count(b) > 0; };
        if (held(Qt::Key_Up, Qt::Key_W)) camera_.MoveForward(PreviewCamera::kFlyStep);
        if (held(Qt::Key_Down, Qt::Key_S)) camera_.MoveForward(-PreviewCamera::kFlyStep);
        if (held(Qt::Key_Left, Qt::Key_A)) camera_.Strafe(-PreviewCamera::kFlyStep);
        if (held(Qt::Key_Right, Qt::Key_D)) camera_.Strafe(PreviewCamera::kFlyStep);
    }
    camera_.Step();

    const Runtime& runtime = context_.runtime;
    const bool haveTick = runtime.ReadEngineSnapshot(snapshot_);
    GatherWaterInputs(runtime.scene, haveTick ? &snapshot_ : nullptr, inputs_);
    if (haveTick) scene_.BindSpringLevels(snapshot_);
    water_.Step(inputs_, runtime.scene.settings.g_fGravity, runtime.scene.settings.g_nParticleCount);
    UpdateDescription();
    update();
}

void PreviewGlWidget::NextCamera() {
    camera_.NextCamera();
    UpdateDescription();
    update();
}

void PreviewGlWidget::paintGL() {
    if (renderer_) {
        renderer_->Draw(scene_, camera_, water_, static_cast<int>(width() * devicePixelRatioF()),
                        static_cast<int>(height() * devicePixelRatioF()));
        ++framesDrawn_;
    }
    QPainter painter(this);
    painter.setPen(Qt::white);
    QStringList lines;
    if (!failure_.isEmpty()) {
        lines << failure_;
    } else {
        lines << QString::fromStdString(camera_.ReadOut());
        for (const std::string& note : notes_) {
            if (lines.size() >= kOverlayLines) break;
            lines << QString::fromStdString(note);
        }
    }
    const int step = painter.fontMetrics().height();
    for (int i = 0; i < lines.size(); ++i) painter.drawText(6, 4 + step * (i + 1) - painter.fontMetrics().descent(), lines[i]);
}

void PreviewGlWidget::UpdateDescription() {
    QString text = QString::fromStdString(camera_.ReadOut());
    const int picked = scene_.selected;
    if (picked >= 0 && static_cast<std::size_t>(picked) < scene_.model().objects.size())
        text += QStringLiteral("; ") + QString::fromStdString(scene_.model().objects[picked].name);
    if (!failure_.isEmpty()) text = failure_;
    if (accessibleDescription() != text) setAccessibleDescription(text);
}

void PreviewGlWidget::showEvent(QShowEvent* event) {
    QOpenGLWidget::showEvent(event);
    timer_.start();
}

void PreviewGlWidget::hideEvent(QHideEvent* event) {
    timer_.stop();
    StopLooking();
    QOpenGLWidget::hideEvent(event);
}

void PreviewGlWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Left: case Qt::Key_Right:
        case Qt::Key_W: case Qt::Key_S: case Qt::Key_A: case Qt::Key_D:
            keys_.insert(event->key());
            event->accept();
            return;
        case Qt::Key_Escape:
            StopLooking();
            event->accept();
            return;
        default:
            QOpenGLWidget::keyPressEvent(event);
    }
}

void PreviewGlWidget::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) return;
    keys_.erase(event->key());
    QOpenGLWidget::keyReleaseEvent(event);
}

void PreviewGlWidget::focusOutEvent(QFocusEvent* event) {
    keys_.clear();
    StopLooking();
    QOpenGLWidget::focusOutEvent(event);
}

void PreviewGlWidget::StopLooking() {
    if (!looking_) return;
    looking_ = false;
    unsetCursor();
}

void PreviewGlWidget::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::RightButton) {
        looking_ = true;
        lookFrom_ = event->position().toPoint();
        setCursor(Qt::SizeAllCursor);
    } else if (event->button() == Qt::LeftButton) {
        pressAt_ = event->position().toPoint();
    }
    event->accept();
}

void PreviewGlWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!looking_) return;
    const QPoint at = event->position().toPoint();
    const QPoint delta = at - lookFrom_;
    lookFrom_ = at;
    // Right turns the view right, down tilts it down.
    camera_.Look(-static_cast<float>(delta.x()) * kLookScale, -static_cast<float>(delta.y()) * kLookScale);
    UpdateDescription();
    update();
}

void PreviewGlWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        StopLooking();
    } else if (event->button() == Qt::LeftButton) {
        const QPointF at = event->position();
        const int before = scene_.selected;
        scene_.selected = scene_.Pick(static_cast<float>(at.x()), static_cast<float>(at.y()), width(), height(), camera_);
        UpdateDescription();
        update();
        if (scene_.selected != before) emit selectionChanged(scene_.selected);
    }
    event->accept();
}

}  // namespace velmora
