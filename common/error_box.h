#pragma once

#include <QString>

class QWidget;

namespace vornel {

// The text of an error message: a full stop is added when the last character
// comes after "." in ASCII, so none follows ".", "!" or ")".
QString errorText(const QString& message);

// A failure's message with the system's reason for it, when there is one.
QString withReason(const QString& message, const QString& reason);

// The one error box of the program: error icon, caption "Vornel", the text.
void showErrorBox(QWidget* parent, const QString& message);

} // namespace vornel
