#pragma once

#include <QLoggingCategory>

namespace vornel {

// What the program tells of its own work, by subject. Warnings are on and go
// to stderr; the rest is off until a user switches it on, for instance with
// QT_LOGGING_RULES="vornel.*.debug=true" or "vornel.scan.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcScan)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)
Q_DECLARE_LOGGING_CATEGORY(lcX11)
Q_DECLARE_LOGGING_CATEGORY(lcSway)
Q_DECLARE_LOGGING_CATEGORY(lcWlroots)
Q_DECLARE_LOGGING_CATEGORY(lcKwin)
Q_DECLARE_LOGGING_CATEGORY(lcGnome)
Q_DECLARE_LOGGING_CATEGORY(lcTray)
Q_DECLARE_LOGGING_CATEGORY(lcInstance)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)

// The program's warnings keep the form they have always had on stderr,
// "vornel: " and the text; a line switched on names its category. Qt's own
// messages, and all of them under a QT_MESSAGE_PATTERN of the user's, are
// left to Qt.
void writeMessagesAsVornel();

} // namespace vornel
