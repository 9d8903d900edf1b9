#pragma once

#include "app/status_notifier_types.h"
#include "app/tray_host.h"
#include "blocking/desktops/bus_question.h"
#include "blocking/desktops/reconnection.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QIcon>

class QMenu;

namespace vornel {

class DBusMenuExport;

// The program's icon as a freedesktop StatusNotifierItem on a connection of
// its own to the session bus, with its menu exported over dbusmenu. The item
// says it is only a menu (ItemIsMenu), so that hosts open the menu on a left
// click too; a click on an entry triggers the matching action of the menu.
// The interface's adaptor, generated from its XML, reads the properties and
// calls the members named as the interface names them.
class StatusNotifierItem : public HostedTrayIcon {
    Q_OBJECT
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ noName)
    // Types by their own names, not aliases: QtDBus finds them by name.
    Q_PROPERTY(QList<vornel::sni::IconPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(vornel::sni::ToolTip ToolTip READ hostToolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

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

    // What the host reads.
    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("vornel"); }
    QString title() const { return QStringLiteral("Vornel"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    sni::IconPixmaps iconPixmap() const;
    sni::ToolTip hostToolTip() const { return {{}, {}, toolTip_, {}}; }
    // Only a menu: the host opens it on a left click too, as the X11 icon does.
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const { return QDBusObjectPath(QString::fromLatin1(MenuPath)); }

    // The host shows the menu; no click on the icon does anything else (the
    // main window is shown from the menu), and no window of ours pops up.
    void Activate(int, int) {}
    void ContextMenu(int, int) {}
    void SecondaryActivate(int, int) {}
    void Scroll(int, const QString&) {}

signals:
    // Relayed to the host as the interface's signals of those names.
    void NewIcon();
    void NewToolTip();

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
