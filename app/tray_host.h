#pragma once

#include <functional>

class QObject;

namespace vornel {

// Whether the notification area may be asked for now. When not, whenReady is
// called once, while context lives, when the desktop's tray host turns up.
//
// Qt decides at its first tray call whether a Wayland desktop has a tray host,
// and keeps that answer for the life of the process: a program started at
// logon before its panel would never show its icon. So on Wayland the tray
// is left alone until the host has registered on the session bus.
bool trayHostReady(QObject* context, std::function<void()> whenReady);

} // namespace vornel
