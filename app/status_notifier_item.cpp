#include "app/status_notifier_item.h"

#include "app/dbus_menu_export.h"
#include "app/status_notifier_item_adaptor.h"
#include "common/log_categories.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QImage>
#include <QtEndian>

namespace vornel {

using namespace sni;

namespace {

const QString WatcherName = QString::fromLatin1(StatusNotifierItem::WatcherService);
// The bus itself answers; a time limit all the same, for a bus that hangs.
constexpr int NameAnswerMs = 5000;

QDBusConnection connectionOfItsOwn() {
    static int count = 0;
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                         QStringLiteral("vornel-tray-%1").arg(++count));
}

QDBusMessage busDaemon(const char* method) {
    return QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QString::fromLatin1(method));
}

// Every size the icon is drawn in, as the host may pick the one that fits.
IconPixmaps pixmapsOf(const QIcon& icon) {
    IconPixmaps pixmaps;
    for (const QSize& size : icon.availableSizes()) {
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) continue;
        IconPixmap pixmap{image.width(), image.height(), {}};
        pixmap.argb.reserve(qsizetype(image.width()) * image.height() * 4);
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const quint32 argb = qToBigEndian<quint32>(line[x]);
                pixmap.argb.append(reinterpret_cast<const char*>(&argb), 4);
            }
        }
        pixmaps << pixmap;
    }
    return pixmaps;
}

} // namespace

StatusNotifierItem::StatusNotifierItem(QMenu* menu, QObject* parent)
    : HostedTrayIcon(parent), bus_(connectionOfItsOwn()), nameQuestion_(bus_, NameAnswerMs),
      menu_(new DBusMenuExport(menu, this)) {
    serviceName_ = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(bus_.name().section(u'-', -1));
    registerTypes();
    new StatusNotifierItemAdaptor(this);
    bus_.registerObject(QString::fromLatin1(ItemPath), this, QDBusConnection::ExportAdaptors);
    bus_.registerObject(QString::fromLatin1(MenuPath), menu_, QDBusConnection::ExportAdaptors);
    // A panel started again knows nothing of the items of the one before.
    auto* watcher =
        new QDBusServiceWatcher(WatcherName, bus_, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (named_) registerWithWatcher();
    });
}

StatusNotifierItem::~StatusNotifierItem() {
    QDBusConnection::disconnectFromBus(bus_.name());
}

void StatusNotifierItem::setIcon(const QIcon& icon) {
    icon_ = icon;
    emit NewIcon();
}

void StatusNotifierItem::setToolTip(const QString& tip) {
    toolTip_ = tip;
    emit NewToolTip();
}

IconPixmaps StatusNotifierItem::iconPixmap() const {
    return pixmapsOf(icon_);
}

// Hidden, the item's bus name goes, and with it the icon from the host.
void StatusNotifierItem::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (!visible) {
        nameQuestion_.forget();
        nameRetry_.found();
        named_ = false;
        QDBusMessage release = busDaemon("ReleaseName");
        release << serviceName_;
        bus_.send(release);
        return;
    }
    menu_->refresh();
    requestName();
}

bool StatusNotifierItem::requestName() {
    QDBusMessage request = busDaemon("RequestName");
    // DBUS_NAME_FLAG_DO_NOT_QUEUE: a name held by another is a refusal now.
    request << serviceName_ << 4u;
    nameQuestion_.ask(request, [this](const QDBusMessage& reply) { nameAnswered(reply); });
    // Not yet: the answer tells, and ends the tries when it is yes.
    return false;
}

void StatusNotifierItem::nameAnswered(const QDBusMessage& reply) {
    // 1: now the owner; 4: already it.
    const uint result = reply.arguments().value(0).toUInt();
    if (reply.type() == QDBusMessage::ReplyMessage && (result == 1 || result == 4)) {
        named_ = true;
        nameRetry_.found();
        registerWithWatcher();
        return;
    }
    const QString why = reply.type() == QDBusMessage::ErrorMessage
                            ? reply.errorMessage()
                            : QStringLiteral("il appartient à un autre programme");
    nameRetry_.lost();
    qCWarning(lcTray,
              "l'icône n'a pas pu prendre son nom %s sur le bus de session (%s) : "
              "nouvel essai dans %d s",
              qUtf8Printable(serviceName_), qUtf8Printable(why), nameRetry_.delayMs() / 1000);
}

void StatusNotifierItem::registerWithWatcher() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(WatcherName, QString::fromLatin1(WatcherPath), WatcherName,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << serviceName_;
    bus_.asyncCall(call);
}

} // namespace vornel
