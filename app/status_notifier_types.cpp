#include "app/status_notifier_types.h"

#include <QDBusMetaType>

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

} // namespace vornel::sni
