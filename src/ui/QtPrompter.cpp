#include "ui/QtPrompter.h"

#include <QMessageBox>
#include <QString>

namespace velmora {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

bool QtPrompter::AskYesNo(std::string_view text) {
    return QMessageBox::question(parent_, QStringLiteral("Velmora"), ToQString(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void QtPrompter::Tell(std::string_view text) {
    QMessageBox::information(parent_, QStringLiteral("Velmora"), ToQString(text));
}

}  // namespace velmora
