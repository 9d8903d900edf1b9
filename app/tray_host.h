#pragma once

#include <QObject>
#include <functional>

class QIcon;
class QMenu;

namespace vornel {

// Whether the notification area may be asked for now. whenReady is called,
// while context lives, when a StatusNotifierItem host has turned up on the
// session bus: the icon is then to be made anew, as that host's.
//
// On Wayland such a host is the only tray, and it may come up after the
// program (started at logon before its panel): the tray is left alone until
// it has registered. On X11 Qt's icon is the tray at once; the bus is asked,
// without waiting for it, whether a host would draw our menu instead.
bool trayHostReady(QObject* context, std::function<void()> whenReady);

// An icon that the desktop's tray host shows along with a menu, which the host
// draws itself as a menu of its panel, on either button.
class HostedTrayIcon : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& tip) = 0;
    virtual void setVisible(bool visible) = 0;
};

// The icon for a StatusNotifierItem host (waybar, KDE's panel, GNOME's
// AppIndicator extension), or null where there is none: the icon is then
// Qt's own, whose menu the program pops up itself. The host reads the
// entries of menu, which its aboutToShow signal builds afresh each time.
HostedTrayIcon* hostedTrayIcon(QMenu* menu, QObject* parent);

} // namespace vornel
