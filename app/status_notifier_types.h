#pragma once

// The structures of the StatusNotifierItem and dbusmenu protocols, with their
// D-Bus signatures, for the adaptors generated from the interfaces' XML.
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

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

QDBusArgument& operator<<(QDBusArgument& out, const IconPixmap& p);
const QDBusArgument& operator>>(const QDBusArgument& in, IconPixmap& p);
QDBusArgument& operator<<(QDBusArgument& out, const ToolTip& t);
const QDBusArgument& operator>>(const QDBusArgument& in, ToolTip& t);
QDBusArgument& operator<<(QDBusArgument& out, const MenuLayout& l);
const QDBusArgument& operator>>(const QDBusArgument& in, MenuLayout& l);
QDBusArgument& operator<<(QDBusArgument& out, const MenuItem& i);
const QDBusArgument& operator>>(const QDBusArgument& in, MenuItem& i);
QDBusArgument& operator<<(QDBusArgument& out, const MenuEvent& e);
const QDBusArgument& operator>>(const QDBusArgument& in, MenuEvent& e);

// Makes the types known to QtDBus; once is enough, more does no harm.
void registerTypes();

} // namespace vornel::sni
