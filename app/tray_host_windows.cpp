#include "app/tray_host.h"

namespace vornel {

// The shell's notification area is there for every program that asks.
bool trayHostReady(QObject*, std::function<void()>) {
    return true;
}

// The shell's icon is Qt's own.
HostedTrayIcon* hostedTrayIcon(QMenu*, QObject*) {
    return nullptr;
}

} // namespace vornel
