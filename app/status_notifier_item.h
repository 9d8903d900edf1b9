#pragma once

#include "app/tray_host.h"
#include "blocking/desktops/bus_question.h"
#include "blocking/desktops/reconnection.h"

#include <QDBusConnection>
#include <QIcon>
#include <QPointer>

class QMenu;

namespace vornel {

class DBusMenuExport;

// The program's icon as a freedesktop StatusNotifierItem on a connection of
// its own to the session bus, with its menu exported over dbusmenu. The item
// says it is only a menu (ItemIsMenu), so that hosts open the menu on a left
// click too; a click on an entry triggers the matching action of the menu.
class StatusNotifierItem : public HostedTrayIcon {
    Q_OBJECT

public:
    static constexpr const char* WatcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* WatcherPath = "/StatusNotifierWatcher";
    static constexpr const char* ItemPath = "/StatusNotifierItem";
    static constexpr const char* MenuPath = "/MenuBar";

    StatusNotifierItem(QMenu* menu, QObject* parent);
    ~StatusNotifierItem() override;

    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& tip) override;
    void setVisible(bool visible) override;

    QIcon icon() const { return icon_; }
    QString toolTip() const { return toolTip_; }
    // The bus name under which the host finds the item while it is shown.
    QString serviceName() const { return serviceName_; }

signals:
    void iconChanged();
    void toolTipChanged();

private:
    // The item's bus name, asked for without waiting; a refusal is said on
    // stderr and asked again later. Its answer returns false when it failed.
    bool requestName();
    void nameAnswered(const QDBusMessage& reply);
    void registerWithWatcher();

    QDBusConnection bus_;
    QString serviceName_;
    BusQuestion nameQuestion_;
    Reconnection nameRetry_{[this] { return requestName(); }};
    bool named_ = false;
    DBusMenuExport* menu_;
    QIcon icon_;
    QString toolTip_;
    bool visible_ = false;
};

} // namespace vornel
