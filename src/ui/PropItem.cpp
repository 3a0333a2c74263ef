#include "ui/PropItem.h"

#include <QColor>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include "ui/ColorRef.h"

namespace velmora {

namespace {

PropItem Make(int kind, const QString& name, const QString& value) {
    PropItem item;
    item.kind = kind;
    item.name = name;
    item.value = value;
    return item;
}

// Qt's own dialogs rather than the desktop's: the same on every desktop and
// reachable by accessibility clients.
QString PickColour(QWidget* parent, const QString& current) {
    QColorDialog dialog(QColor::fromString(current), parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedColor().name();
}

QString PickFile(QWidget* parent, const QString& current, const QString& folder, const QString& filter) {
    const QFileInfo info(current);
    const QString start = (!current.isEmpty() && info.isFile()) ? info.absolutePath() : folder;
    QFileDialog dialog(parent, QString(), start, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace

PropItem PropItem::Category(const QString& name) { return Make(kPropCategory, name, QString()); }

PropItem PropItem::Text(const QString& name, const QString& value, int maxLength) {
    PropItem item = Make(kPropEdit, name, value);
    item.maxLength = maxLength;
    return item;
}

PropItem PropItem::Number(const QString& name, const QString& value, int minimum, int maximum) {
    PropItem item = Make(kPropEdit, name, value);
    item.numeric = true;
    item.minimum = minimum;
    item.maximum = maximum;
    return item;
}

PropItem PropItem::Number(const QString& name, int value, int minimum, int maximum) {
    return Number(name, QString::number(value), minimum, maximum);
}

PropItem PropItem::List(const QString& name, const QString& value, const QStringList& choices) {
    PropItem item = Make(kPropList, name, value);
    item.choices = choices;
    return item;
}

PropItem PropItem::Combo(const QString& name, const QString& value, const QStringList& choices) {
    PropItem item = Make(kPropCombo, name, value);
    item.choices = choices;
    return item;
}

PropItem PropItem::Spin(const QString& name, int value, int minimum, int maximum, int delta) {
    PropItem item = Make(kPropSpin, name, QString::number(value));
    item.minimum = minimum;
    item.maximum = maximum;
    item.delta = delta;
    return item;
}

PropItem PropItem::Popup(const QString& name, const QString& value, PropPopupEditor editor) {
    PropItem item = Make(kPropPopup, name, value);
    item.editor = std::move(editor);
    return item;
}

PropItem PropItem::Info(const QString& name, const QString& value) { return Make(kPropInfo, name, value); }

PropItem PropItem::Button(const QString& name, const QString& value, PropPopupEditor editor, int maxLength) {
    PropItem item = Make(kPropButton, name, value);
    item.editor = std::move(editor);
    item.maxLength = maxLength;
    return item;
}

PropItem PropItem::Colour(const QString& name, std::uint32_t colorref) {
    PropItem item = Popup(name, PropColourText(colorref), PickColour);
    item.swatch = true;
    return item;
}

PropItem PropItem::FileName(const QString& name, const QString& value, const QString& folder,
                            const QString& filter) {
    return Button(name, value, [folder, filter](QWidget* parent, const QString& current) {
        return PickFile(parent, current, folder, filter);
    });
}

PropItem PropItem::Check(const QString& name, bool value) {
    return List(name, QString::fromUtf8(value ? kPropYes : kPropNo),
                {QString::fromUtf8(kPropYes), QString::fromUtf8(kPropNo)});
}

QString PropColourText(std::uint32_t colorref) {
    return ToQColor(colorref).name();
}

bool PropColourValue(const QString& text, std::uint32_t* colorref) {
    static const QRegularExpression kPattern(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    if (!kPattern.match(text).hasMatch()) return false;
    *colorref = FromQColor(QColor::fromString(text));
    return true;
}

bool PropCheckValue(const QString& text) { return text == QString::fromUtf8(kPropYes); }

}  // namespace velmora
