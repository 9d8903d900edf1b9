#pragma once

#include "blocking/desktops/bus_question.h"
#include "blocking/desktops/window_model.h"

#include <QDBusConnection>
#include <QObject>
#include <optional>
#include <vector>

namespace vornel {

// Vornel's name on the session bus. The bridges that desktops run for us
// (the KWin script, the GNOME Shell extension) give window titles and closes
// to the owner of this name alone, so the running program holds it and lets
// no other program take it over. A one-time look (--windows) takes the name
// only when no program holds it; otherwise it asks the running program,
// which answers the same program and no other.
constexpr const char* VornelBusName = "org.vornel.Vornel";

enum class NameClaim {
    Owned,  // ours
    Queued, // ours once the run that holds it lets go
    Refused // held by another program, or the bus said no
};

// A call to the bus itself (org.freedesktop.DBus), asked directly rather than
// through Qt's interface, whose calls wait without a limit of ours.
QDBusMessage busDaemon(const char* method, const QVariantList& arguments);

// The calls to the bus itself that a choice or a look cannot go on without
// are made at once and waited for, no longer than this.
constexpr int BusDaemonCallMs = 1000;

// A look's claim: owned only when nobody holds the name (Owned or Refused).
// Never replaceable.
NameClaim claimLookName(QDBusConnection& bus);
// Lets go of the name, or leaves the queue for it, without waiting.
void releaseBusName(QDBusConnection& bus);
// Whether a program holds name on bus; nothing when the bus did not answer
// within BusDaemonCallMs.
std::optional<bool> nameHasOwner(QDBusConnection& bus, const QString& name);

// A resident run's claim, queued behind an earlier run and asked without
// waiting: answered hears how it went and, when the name is another's, a
// notice that names its holder and says what to do.
void claimBusNameLater(BusQuestion& question,
                       std::function<void(NameClaim, const std::string& notice)> answered);

// Answers a look of the same program with the windows of model, as they
// stand, at /Look on bus; false when the object cannot be exported. The
// object lives as long as parent.
bool lendWindows(QDBusConnection& bus, WindowModel& model, QObject* parent);

// A look's side: the windows of the running program, top first; nothing
// when no running program answered.
std::optional<std::vector<ModelWindow>> borrowWindows(QDBusConnection& bus);

} // namespace vornel
