#include "common/log_categories.h"

#include <QString>
#include <cstdio>
#include <string_view>

namespace vornel {

Q_LOGGING_CATEGORY(lcScan, "vornel.scan", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "vornel.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDesktop, "vornel.desktop", QtWarningMsg)
Q_LOGGING_CATEGORY(lcX11, "vornel.desktop.x11", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSway, "vornel.desktop.sway", QtWarningMsg)
Q_LOGGING_CATEGORY(lcWlroots, "vornel.desktop.wlroots", QtWarningMsg)
Q_LOGGING_CATEGORY(lcKwin, "vornel.desktop.kwin", QtWarningMsg)
Q_LOGGING_CATEGORY(lcGnome, "vornel.desktop.gnome", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTray, "vornel.tray", QtWarningMsg)
Q_LOGGING_CATEGORY(lcInstance, "vornel.instance", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUpdate, "vornel.update", QtWarningMsg)

namespace {

QtMessageHandler qtWriter = nullptr;

void writeMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const std::string_view category = context.category ? context.category : "";
    if (!category.starts_with("vornel.") || qEnvironmentVariableIsSet("QT_MESSAGE_PATTERN")) {
        if (qtWriter)
            qtWriter(type, context, message);
        else
            std::fprintf(stderr, "%s\n",
                         qFormatLogMessage(type, context, message).toUtf8().constData());
        return;
    }
    const bool switchedOn = type == QtDebugMsg || type == QtInfoMsg;
    const std::string_view prefix = switchedOn ? category : std::string_view("vornel");
    std::fprintf(stderr, "%.*s: %s\n", int(prefix.size()), prefix.data(),
                 message.toUtf8().constData());
}

} // namespace

void writeMessagesAsVornel() {
    QtMessageHandler before = qInstallMessageHandler(writeMessage);
    if (before != writeMessage) qtWriter = before;
}

} // namespace vornel
