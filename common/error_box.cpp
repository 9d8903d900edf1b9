#include "common/error_box.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace vornel {

QString errorText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
    return message;
}

QString withReason(const QString& message, const QString& reason) {
    return reason.isEmpty()
               ? message
               : QCoreApplication::translate("ErrorBox", "%1 : %2", "a failure : its reason")
                     .arg(message, reason);
}

void showErrorBox(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vornel"), errorText(message),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("errorBox"));
    box.exec();
}

} // namespace vornel
