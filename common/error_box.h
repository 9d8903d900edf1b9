#pragma once

#include <QString>

class QWidget;

namespace vornel {

// The text of an error message: a full stop is added when the last character
// comes after "." in ASCII, so none follows ".", "!" or ")".
QString errorText(const QString& message);

// The one error box of the program: error icon, caption "Vornel", the text.
void showErrorBox(QWidget* parent, const QString& message);

} // namespace vornel
