#include "app/status_notifier_item.h"
#include "app/tray_host.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

namespace vornel {

namespace {

// The StatusNotifierItem watcher that items register with. A host (the
// panel's tray) must have registered with it too: the watcher may come up a
// moment before its host.
const QString Watcher = QString::fromLatin1(StatusNotifierItem::WatcherService);
const QString WatcherPath = QString::fromLatin1(StatusNotifierItem::WatcherPath);

bool hostRegistered(const QDBusConnection& bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        Watcher, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << Watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

// Calls whenReady once a host is registered, then goes.
class TrayHostWatch : public QObject {
    Q_OBJECT

public:
    TrayHostWatch(QDBusConnection bus, std::function<void()> whenReady, QObject* context)
        : QObject(context), bus_(std::move(bus)), whenReady_(std::move(whenReady)) {
        auto* watcher =
            new QDBusServiceWatcher(Watcher, bus_, QDBusServiceWatcher::WatchForRegistration, this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWatch::check);
        bus_.connect(QString(), WatcherPath, Watcher,
                     QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
    }
    ~TrayHostWatch() override {
        bus_.disconnect(QString(), WatcherPath, Watcher,
                        QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
    }

public slots:
    void check() {
        if (done_ || !hostRegistered(bus_)) return;
        done_ = true;
        deleteLater();
        if (whenReady_) whenReady_();
    }

private:
    QDBusConnection bus_;
    std::function<void()> whenReady_;
    bool done_ = false;
};

} // namespace

bool trayHostReady(QObject* context, std::function<void()> whenReady) {
    // On X11, Qt follows a tray that appears later by itself.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return true;
    // Watched before asking, so that a host that registers in between is seen;
    // the watch hears of it only through the event loop, after this returns.
    auto* watch = new TrayHostWatch(bus, std::move(whenReady), context);
    if (!hostRegistered(bus)) return false;
    delete watch;
    return true;
}

// A host that registered with the watcher draws the menu it reads over
// dbusmenu; without one, Qt's icon (XEmbed on X11) is the tray.
HostedTrayIcon* hostedTrayIcon(QMenu* menu, QObject* parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !hostRegistered(bus)) return nullptr;
    return new StatusNotifierItem(menu, parent);
}

} // namespace vornel

#include "tray_host_freedesktop.moc"
