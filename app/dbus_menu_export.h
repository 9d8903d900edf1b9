#pragma once

#include "app/status_notifier_types.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;
class QMenu;

namespace vornel {

// The menu as the host reads it over dbusmenu: entry n (from 1) is the menu's
// action at position n - 1, and 0 is the menu itself. The entries change only
// when the menu is rebuilt, which its aboutToShow signal does, as for a menu
// Qt shows. The interface's adaptor, generated from its XML, calls the
// members named as its methods and properties.
class DBusMenuExport : public QObject {
    Q_OBJECT
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    DBusMenuExport(QMenu* menu, QObject* parent);

    // The menu rebuilt; true when what it lists changed, which the host is told.
    bool refresh();

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   sni::MenuLayout& layout) const;
    sni::MenuItems GetGroupProperties(const QList<int>& ids,
                                      const QStringList& propertyNames) const;
    QDBusVariant GetProperty(int id, const QString& name) const;
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const sni::MenuEvents& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    // An entry's properties change only with the layout, which this tells;
    // so ItemsPropertiesUpdated is never sent.
    void LayoutUpdated(uint revision, int parent);

private:
    QAction* actionOf(int id) const;
    QList<QVariantMap> entries() const;
    bool click(int id);

    QPointer<QMenu> menu_;
    uint revision_ = 1;
    QList<QVariantMap> shown_;
};

} // namespace vornel
