#include "app/dbus_menu_export.h"

#include "app/dbus_menu_adaptor.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>

namespace vornel {

using namespace sni;

namespace {

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

} // namespace

DBusMenuExport::DBusMenuExport(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {
    registerTypes();
    new DBusMenuAdaptor(this);
}

QString DBusMenuExport::textDirection() const {
    return QGuiApplication::isRightToLeft() ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

QAction* DBusMenuExport::actionOf(int id) const {
    const QList<QAction*> actions = menu_ ? menu_->actions() : QList<QAction*>();
    return id >= 1 && id <= actions.size() ? actions[id - 1] : nullptr;
}

QList<QVariantMap> DBusMenuExport::entries() const {
    QList<QVariantMap> entries;
    if (menu_)
        for (const QAction* action : menu_->actions())
            entries << propertiesOf(action);
    return entries;
}

bool DBusMenuExport::refresh() {
    if (!menu_) return false;
    emit menu_->aboutToShow();
    const QList<QVariantMap> entries = this->entries();
    if (entries == shown_) return false;
    shown_ = entries;
    emit LayoutUpdated(++revision_, 0);
    return true;
}

uint DBusMenuExport::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                               MenuLayout& layout) const {
    if (parentId != 0) {
        // An entry has no entries of its own.
        const QAction* action = actionOf(parentId);
        layout = {parentId, action ? only(propertiesOf(action), propertyNames) : QVariantMap(), {}};
        return revision_;
    }
    layout = {
        0,
        only({{QStringLiteral("children-display"), QStringLiteral("submenu")}}, propertyNames),
        {}};
    if (recursionDepth == 0) return revision_;
    const QList<QVariantMap> entries = this->entries();
    for (int i = 0; i < entries.size(); ++i)
        layout.children << QVariant::fromValue(
            MenuLayout{i + 1, only(entries[i], propertyNames), {}});
    return revision_;
}

MenuItems DBusMenuExport::GetGroupProperties(const QList<int>& ids,
                                             const QStringList& propertyNames) const {
    MenuItems items;
    for (int id : ids)
        if (const QAction* action = actionOf(id))
            items << MenuItem{id, only(propertiesOf(action), propertyNames)};
    return items;
}

QDBusVariant DBusMenuExport::GetProperty(int id, const QString& name) const {
    const MenuItems items = GetGroupProperties({id}, {name});
    return QDBusVariant(items.isEmpty() ? QVariant(QString())
                                        : items[0].properties.value(name, QString()));
}

void DBusMenuExport::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    if (eventId == QLatin1String("clicked")) click(id);
}

QList<int> DBusMenuExport::EventGroup(const MenuEvents& events) {
    QList<int> idErrors;
    for (const MenuEvent& event : events)
        if (event.eventId == QLatin1String("clicked") && !click(event.id)) idErrors << event.id;
    return idErrors;
}

bool DBusMenuExport::AboutToShow(int id) {
    return id == 0 && refresh();
}

QList<int> DBusMenuExport::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    idErrors.clear();
    for (int id : ids)
        if (id != 0 && !actionOf(id)) idErrors << id;
    return ids.contains(0) && refresh() ? QList<int>{0} : QList<int>();
}

// Queued: the host has its answer first. A window entry opens the rule
// editor, whose own loop must not hold the host's call.
bool DBusMenuExport::click(int id) {
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

} // namespace vornel
