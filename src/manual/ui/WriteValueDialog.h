#pragma once
// "写值": a one-line prompt for a cell value. It opens showing the caller's
// text; OK hands back what the line holds, Cancel nothing. The caller reads
// the text itself.
//
// Thread contract: UI thread.

#include <optional>

#include <QDialog>
#include <QString>

class QLineEdit;

namespace velmora {

class WriteValueDialog final : public QDialog {
    Q_OBJECT

public:
    explicit WriteValueDialog(const QString& text, QWidget* parent = nullptr);

    QLineEdit& field() { return *field_; }
    QString text() const;

    // Runs the dialog modally over `parent`: the text on OK, nothing on Cancel.
    static std::optional<QString> Ask(const QString& text, QWidget* parent = nullptr);

private:
    QLineEdit* field_;
};

}  // namespace velmora
