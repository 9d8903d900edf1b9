#include "app/status_notifier_item.h"
#include "app/tray_host.h"
#include "blocking/desktops/bus_question.h"

#include <QDBusConnection>
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
// A panel answers at once; one that does not is a panel that hangs.
constexpr int WatcherAnswerMs = 2000;

// What the watcher last said: whether a host draws items.
bool hostKnown = false;

QDBusMessage hostQuestion() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        Watcher, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << Watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    return get;
}

bool saysHostRegistered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

// Asks the watcher whether a host is registered, again each time it or its
// host comes up, and calls whenReady once one is. On X11, where Qt's own
// icon is up meanwhile, the first answer ends the watch whatever it says. A
// watcher that does not answer, however often it signals, is asked one
// question at a time.
class TrayHostWatch : public QObject {
    Q_OBJECT

public:
    TrayHostWatch(QDBusConnection bus, bool hostNeeded, std::function<void()> whenReady,
                  QObject* context)
        : QObject(context), bus_(std::move(bus)), question_(bus_, WatcherAnswerMs),
          hostNeeded_(hostNeeded), whenReady_(std::move(whenReady)) {
        auto* watcher =
            new QDBusServiceWatcher(Watcher, bus_, QDBusServiceWatcher::WatchForRegistration, this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWatch::check);
        bus_.connect(QString(), WatcherPath, Watcher,
                     QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
        check();
    }
    ~TrayHostWatch() override {
        bus_.disconnect(QString(), WatcherPath, Watcher,
                        QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
    }

public slots:
    void check() {
        if (done_) return;
        // News that came while a question was out is asked about after it.
        if (question_.inFlight()) {
            askAgain_ = true;
            return;
        }
        question_.ask(hostQuestion(), [this](const QDBusMessage& reply) { answered(reply); });
    }

private:
    void answered(const QDBusMessage& reply) {
        hostKnown = saysHostRegistered(reply);
        if (hostKnown || !hostNeeded_) {
            done_ = true;
            deleteLater();
            if (hostKnown && whenReady_) whenReady_();
            return;
        }
        if (std::exchange(askAgain_, false)) check();
    }

    QDBusConnection bus_;
    BusQuestion question_;
    bool hostNeeded_;
    std::function<void()> whenReady_;
    bool askAgain_ = false;
    bool done_ = false;
};

} // namespace

bool trayHostReady(QObject* context, std::function<void()> whenReady) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    hostKnown = false;
    if (!bus.isConnected()) return true;
    // On X11, Qt follows a tray that appears later by itself: its icon is
    // the tray until the watcher says a host would draw our menu.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    new TrayHostWatch(bus, wayland, std::move(whenReady), context);
    return !wayland;
}

// A host that registered with the watcher draws the menu it reads over
// dbusmenu; without one, Qt's icon (XEmbed on X11) is the tray.
HostedTrayIcon* hostedTrayIcon(QMenu* menu, QObject* parent) {
    if (!hostKnown) return nullptr;
    return new StatusNotifierItem(menu, parent);
}

} // namespace vornel

#include "tray_host_freedesktop.moc"
