#include "app/status_notifier_item.h"

#include "common/log_categories.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QtEndian>

// The structures of the StatusNotifierItem and dbusmenu protocols, with their
// D-Bus signatures.
namespace vornel::sni {

struct IconPixmap { // (iiay): ARGB32 in network byte order
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using IconPixmaps = QList<IconPixmap>;

struct ToolTip { // (sa(iiay)ss)
    QString iconName;
    IconPixmaps icon;
    QString title;
    QString text;
};

struct MenuLayout { // (ia{sv}av); each child a MenuLayout in a variant
    int id = 0;
    QVariantMap properties;
    QVariantList children;
};

struct MenuItem { // (ia{sv})
    int id = 0;
    QVariantMap properties;
};
using MenuItems = QList<MenuItem>;

struct MenuEvent { // (isvu)
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using MenuEvents = QList<MenuEvent>;

} // namespace vornel::sni

Q_DECLARE_METATYPE(vornel::sni::IconPixmap)
Q_DECLARE_METATYPE(vornel::sni::ToolTip)
Q_DECLARE_METATYPE(vornel::sni::MenuLayout)
Q_DECLARE_METATYPE(vornel::sni::MenuItem)
Q_DECLARE_METATYPE(vornel::sni::MenuEvent)

namespace vornel::sni {

QDBusArgument& operator<<(QDBusArgument& out, const IconPixmap& p) {
    out.beginStructure();
    out << p.width << p.height << p.argb;
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, IconPixmap& p) {
    in.beginStructure();
    in >> p.width >> p.height >> p.argb;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const ToolTip& t) {
    out.beginStructure();
    out << t.iconName << t.icon << t.title << t.text;
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, ToolTip& t) {
    in.beginStructure();
    in >> t.iconName >> t.icon >> t.title >> t.text;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const MenuLayout& l) {
    out.beginStructure();
    out << l.id << l.properties;
    out.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const QVariant& child : l.children)
        out << QDBusVariant(child);
    out.endArray();
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, MenuLayout& l) {
    in.beginStructure();
    in >> l.id >> l.properties;
    in.beginArray();
    l.children.clear();
    while (!in.atEnd()) {
        QDBusVariant child;
        in >> child;
        l.children << QVariant::fromValue(qdbus_cast<MenuLayout>(child.variant()));
    }
    in.endArray();
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const MenuItem& i) {
    out.beginStructure();
    out << i.id << i.properties;
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, MenuItem& i) {
    in.beginStructure();
    in >> i.id >> i.properties;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const MenuEvent& e) {
    out.beginStructure();
    out << e.id << e.eventId << e.data << e.timestamp;
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, MenuEvent& e) {
    in.beginStructure();
    in >> e.id >> e.eventId >> e.data >> e.timestamp;
    in.endStructure();
    return in;
}

void registerTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<IconPixmap>();
        qDBusRegisterMetaType<IconPixmaps>();
        qDBusRegisterMetaType<ToolTip>();
        qDBusRegisterMetaType<MenuLayout>();
        qDBusRegisterMetaType<MenuItem>();
        qDBusRegisterMetaType<MenuItems>();
        qDBusRegisterMetaType<MenuEvent>();
        qDBusRegisterMetaType<MenuEvents>();
        return true;
    }();
    Q_UNUSED(done);
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

// A caption in dbusmenu's form, where "_" marks the access key that "&"
// marks in Qt's: "&&" is a plain "&" there, and a plain "_" is "__".
QString labelOf(const QString& caption) {
    QString label;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
            label += caption[i] == u'&' ? QStringLiteral("&") : QStringLiteral("_") + caption[i];
        } else if (caption[i] == u'_') {
            label += QStringLiteral("__");
        } else {
            label += caption[i];
        }
    }
    return label;
}

QVariantMap propertiesOf(const QAction* action) {
    if (action->isSeparator()) return {{QStringLiteral("type"), QStringLiteral("separator")}};
    QVariantMap properties{{QStringLiteral("label"), labelOf(action->text())}};
    if (!action->isEnabled()) properties.insert(QStringLiteral("enabled"), false);
    if (!action->isVisible()) properties.insert(QStringLiteral("visible"), false);
    return properties;
}

// The properties the host asked for; all of them when it named none.
QVariantMap only(QVariantMap properties, const QStringList& names) {
    if (names.isEmpty()) return properties;
    for (auto it = properties.begin(); it != properties.end();)
        it = names.contains(it.key()) ? std::next(it) : properties.erase(it);
    return properties;
}

} // namespace vornel::sni

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

} // namespace

// The menu as the host reads it: entry n (from 1) is the menu's action at
// position n - 1, and 0 is the menu itself. The entries change only when the
// menu is rebuilt, which its aboutToShow signal does, as for a menu Qt shows.
class DBusMenuExport : public QObject {
    Q_OBJECT

public:
    DBusMenuExport(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {}

    uint revision() const { return revision_; }

    QAction* actionOf(int id) const {
        const QList<QAction*> actions = menu_ ? menu_->actions() : QList<QAction*>();
        return id >= 1 && id <= actions.size() ? actions[id - 1] : nullptr;
    }

    // The menu rebuilt; true when what it lists changed, which the host is told.
    bool refresh() {
        if (!menu_) return false;
        emit menu_->aboutToShow();
        const QList<QVariantMap> entries = this->entries();
        if (entries == shown_) return false;
        shown_ = entries;
        emit layoutUpdated(++revision_, 0);
        return true;
    }

    MenuLayout layout(int parentId, int depth, const QStringList& names) const {
        if (parentId != 0) {
            // An entry has no entries of its own.
            const QAction* action = actionOf(parentId);
            return {parentId, action ? only(propertiesOf(action), names) : QVariantMap(), {}};
        }
        MenuLayout root{
            0, only({{QStringLiteral("children-display"), QStringLiteral("submenu")}}, names), {}};
        if (depth == 0) return root;
        const QList<QVariantMap> entries = this->entries();
        for (int i = 0; i < entries.size(); ++i)
            root.children << QVariant::fromValue(MenuLayout{i + 1, only(entries[i], names), {}});
        return root;
    }

    MenuItems properties(const QList<int>& ids, const QStringList& names) const {
        MenuItems items;
        for (int id : ids)
            if (const QAction* action = actionOf(id))
                items << MenuItem{id, only(propertiesOf(action), names)};
        return items;
    }

    // Queued: the host has its answer first. A window entry opens the rule
    // editor, whose own loop must not hold the host's call.
    bool click(int id) {
        QPointer<QAction> action = actionOf(id);
        if (!action) return false;
        QMetaObject::invokeMethod(
            this,
            [this, action] {
                if (action) action->trigger();
                // Hosts that keep the menu between showings see it as it now is.
                refresh();
            },
            Qt::QueuedConnection);
        return true;
    }

signals:
    void layoutUpdated(uint revision, int parent);

private:
    QList<QVariantMap> entries() const {
        QList<QVariantMap> entries;
        if (menu_)
            for (const QAction* action : menu_->actions())
                entries << propertiesOf(action);
        return entries;
    }

    QPointer<QMenu> menu_;
    uint revision_ = 1;
    QList<QVariantMap> shown_;
};

class DBusMenuAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuAdaptor(DBusMenuExport* menu) : QDBusAbstractAdaptor(menu), menu_(menu) {
        connect(menu, &DBusMenuExport::layoutUpdated, this, &DBusMenuAdaptor::LayoutUpdated);
    }

    uint version() const { return 3; }
    QString textDirection() const {
        return QGuiApplication::isRightToLeft() ? QStringLiteral("rtl") : QStringLiteral("ltr");
    }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   vornel::sni::MenuLayout& layout) {
        layout = menu_->layout(parentId, recursionDepth, propertyNames);
        return menu_->revision();
    }
    QList<vornel::sni::MenuItem> GetGroupProperties(const QList<int>& ids,
                                                    const QStringList& propertyNames) {
        return menu_->properties(ids, propertyNames);
    }
    QDBusVariant GetProperty(int id, const QString& name) {
        const MenuItems items = menu_->properties({id}, {name});
        return QDBusVariant(items.isEmpty() ? QVariant(QString())
                                            : items[0].properties.value(name, QString()));
    }
    void Event(int id, const QString& eventId, const QDBusVariant&, uint) {
        if (eventId == QLatin1String("clicked")) menu_->click(id);
    }
    QList<int> EventGroup(const QList<vornel::sni::MenuEvent>& events) {
        QList<int> idErrors;
        for (const MenuEvent& event : events)
            if (event.eventId == QLatin1String("clicked") && !menu_->click(event.id))
                idErrors << event.id;
        return idErrors;
    }
    bool AboutToShow(int id) { return id == 0 && menu_->refresh(); }
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
        idErrors.clear();
        for (int id : ids)
            if (id != 0 && !menu_->actionOf(id)) idErrors << id;
        return ids.contains(0) && menu_->refresh() ? QList<int>{0} : QList<int>();
    }

signals:
    // An entry's properties change only with the layout, which this tells;
    // so ItemsPropertiesUpdated is never sent.
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    DBusMenuExport* menu_;
};

class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(QList<vornel::sni::IconPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(vornel::sni::ToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem* item)
        : QDBusAbstractAdaptor(item), item_(item) {
        connect(item, &StatusNotifierItem::iconChanged, this, &StatusNotifierItemAdaptor::NewIcon);
        connect(item, &StatusNotifierItem::toolTipChanged, this,
                &StatusNotifierItemAdaptor::NewToolTip);
    }

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("vornel"); }
    QString title() const { return QStringLiteral("Vornel"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    IconPixmaps iconPixmap() const { return pixmapsOf(item_->icon()); }
    sni::ToolTip toolTip() const { return {{}, {}, item_->toolTip(), {}}; }
    // Only a menu: the host opens it on a left click too, as the X11 icon does.
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const {
        return QDBusObjectPath(QString::fromLatin1(StatusNotifierItem::MenuPath));
    }

public slots:
    // The host shows the menu; no click on the icon does anything else (the
    // main window is shown from the menu), and no window of ours pops up.
    void Activate(int, int) {}
    void ContextMenu(int, int) {}
    void SecondaryActivate(int, int) {}
    void Scroll(int, const QString&) {}

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem* item_;
};

StatusNotifierItem::StatusNotifierItem(QMenu* menu, QObject* parent)
    : HostedTrayIcon(parent), bus_(connectionOfItsOwn()), nameQuestion_(bus_, NameAnswerMs),
      menu_(new DBusMenuExport(menu, this)) {
    serviceName_ = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(bus_.name().section(u'-', -1));
    registerTypes();
    new StatusNotifierItemAdaptor(this);
    new DBusMenuAdaptor(menu_);
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
    emit iconChanged();
}

void StatusNotifierItem::setToolTip(const QString& tip) {
    toolTip_ = tip;
    emit toolTipChanged();
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

#include "status_notifier_item.moc"
