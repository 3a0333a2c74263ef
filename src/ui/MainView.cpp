#include "ui/MainView.h"

namespace velmora {

MainView::MainView(DesktopContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setMinimumSize(400, 300);
}

float MainView::PasteX() const {
    return static_cast<float>(width()) / 2.0f;
}

}  // namespace velmora
