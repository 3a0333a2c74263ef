#pragma once
// What a pane shows until its window is built: its title and one line saying
// so, never a blank.

#include <QWidget>

namespace velmora {

class PlaceholderPane final : public QWidget {
    Q_OBJECT
public:
    PlaceholderPane(const QString& title, QWidget* parent = nullptr);
};

}  // namespace velmora
