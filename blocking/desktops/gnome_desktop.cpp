#include "blocking/desktops/gnome_desktop.h"

#include "blocking/desktops/vornel_bus_name.h"
#include "blocking/desktops/xwayland_protocols.h"
#include "common/program_language.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <optional>
#include <utility>

namespace vornel {

namespace {

const QString ShellService = QStringLiteral("org.gnome.Shell");
const QString ShellPath = QStringLiteral("/org/gnome/Shell");
const QString ExtensionsInterface = QStringLiteral("org.gnome.Shell.Extensions");
const QString FeedPath = QStringLiteral("/org/vornel/Windows");
const QString FeedInterface = QStringLiteral("org.vornel.Windows");
constexpr int CallMs = GnomeDesktop::CallMs;
// GNOME Shell's extension states.
constexpr int Enabled = 1, Error = 3, OutOfDate = 4;

QString uuid() {
    return QString::fromLatin1(GnomeDesktop::Uuid);
}

QString aboutTheExtension() {
    return programText("GnomeDesktop", "L'extension GNOME Shell de Vornel");
}

QString disabledNotice() {
    return aboutTheExtension() + programText("GnomeDesktop",
                                             " est désactivée : aucune fenêtre n'est surveillée. "
                                             "Réactivez-la dans l'application Extensions.");
}

QDBusMessage shellCall(const QString& path, const QString& interface, const QString& method,
                       const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(ShellService, path, interface, method);
    message.setArguments(arguments);
    return message;
}

bool failed(const QDBusMessage& reply) {
    return reply.type() != QDBusMessage::ReplyMessage;
}

// 0 when the reply holds no version.
int majorVersion(const QDBusMessage& reply) {
    const QString version = reply.arguments().value(0).value<QDBusVariant>().variant().toString();
    return version.section(QLatin1Char('.'), 0, 0).toInt();
}

// What the user is told when the shell did not answer a question of the
// start-up (what names it) or of the window list.
QString shellFault(const QDBusMessage& reply, const QString& what) {
    if (BusQuestion::timedOut(reply))
        return QCoreApplication::translate("GnomeDesktop",
                                           "GNOME Shell n'a pas répondu en %1 secondes (%2) : "
                                           "aucune fenêtre n'est surveillée. Vornel réessaie.")
            .arg(CallMs / 1000)
            .arg(what);
    return QCoreApplication::translate("GnomeDesktop",
                                       "GNOME Shell a refusé de répondre (%1 : « %2 ») : aucune "
                                       "fenêtre n'est surveillée. Vornel réessaie.")
        .arg(what, reply.errorMessage());
}

// A GVariant string list as gsettings prints it: ['a', 'b'], @as [], a
// string in double quotes when it holds a single one. Nothing when the text
// is anything else: a list read in part is no list to write back.
std::optional<QStringList> stringList(QString text) {
    text = text.trimmed();
    if (text.startsWith(QLatin1String("@as "))) text.remove(0, 4);
    if (!text.startsWith(u'[') || !text.endsWith(u']')) return std::nullopt;
    const QString inner = text.mid(1, text.size() - 2);
    const auto at = [&inner](qsizetype i) { return i < inner.size() ? inner[i] : QChar(); };
    QStringList items;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (!items.isEmpty()) {
            if (!QStringView(inner).mid(i).startsWith(QLatin1String(", "))) return std::nullopt;
            i += 2;
        }
        const QChar quote = at(i);
        if (quote != u'\'' && quote != u'"') return std::nullopt;
        QString item;
        for (++i; i < inner.size() && inner[i] != quote; ++i) {
            // Only the escapes a name of an extension can hold.
            if (inner[i] == u'\\' && !QStringLiteral("\\'\"").contains(at(++i)))
                return std::nullopt;
            item += inner[i];
        }
        if (i == inner.size()) return std::nullopt;
        items << item;
    }
    return items;
}

QString stringListText(const QStringList& items) {
    QStringList quoted;
    for (QString i : items)
        quoted << QLatin1Char('\'') +
                      i.replace(u'\\', QLatin1String("\\\\")).replace(u'\'', QLatin1String("\\'")) +
                      QLatin1Char('\'');
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

const QStringList ExtensionFiles{QStringLiteral("metadata.json"), QStringLiteral("extension.js")};

// Where a copy of the extension would be found by the shell, the user's own
// folder first.
QString installedCopy() {
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString folder = dir + QStringLiteral("/gnome-shell/extensions/") + uuid();
        if (QFileInfo::exists(folder + QStringLiteral("/metadata.json"))) return folder;
    }
    return {};
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether the copy the shell finds is the one this program carries: the
// package's system-wide copy of the same version, or ours installed earlier.
bool ourCopyInstalled(const QString& source) {
    const QString folder = installedCopy();
    if (folder.isEmpty()) return false;
    for (const QString& name : ExtensionFiles)
        if (contents(folder + u'/' + name) != contents(source + u'/' + name)) return false;
    return true;
}

// Copies the extension into the user's own extensions folder; an error text
// when that failed.
QString install(const QString& source) {
    const QString target = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/gnome-shell/extensions/") + uuid();
    if (!QDir().mkpath(target))
        return programText("GnomeDesktop", "impossible de créer %1").arg(target);
    for (const QString& name : ExtensionFiles) {
        QFile in(source + QLatin1Char('/') + name);
        QSaveFile out(target + QLatin1Char('/') + name);
        if (!in.open(QIODevice::ReadOnly)) return in.errorString();
        if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0 || !out.commit())
            return out.errorString();
    }
    return {};
}

// Why the extension does not answer a look, which sets nothing up: not
// installed, installed and waiting for the next login, or not turned on.
// enabledListed: whether the user's list of enabled extensions holds ours.
QString lookNotice(const QVariantMap& known, int state, bool enabledListed) {
    if (!known.isEmpty() && state == Enabled)
        return aboutTheExtension() +
               programText("GnomeDesktop",
                           " est activée mais ne répond pas encore : réessayez dans un instant.");
    // The shell has loaded it without turning it on: the program turns it on.
    if (!known.isEmpty())
        return aboutTheExtension() + programText("GnomeDesktop",
                                                 " n'est pas activée : lancez Vornel, qui "
                                                 "l'activera.");
    if (installedCopy().isEmpty())
        return aboutTheExtension() + programText("GnomeDesktop",
                                                 " n'est pas installée : lancez Vornel une fois "
                                                 "pour l'installer, puis rouvrez la session.");
    if (enabledListed)
        return programText("GnomeDesktop",
                           "Fenêtres visibles après la prochaine connexion : l'extension GNOME "
                           "Shell de Vornel est installée et activée, mais GNOME ne la charge "
                           "qu'à l'ouverture de la session.");
    return aboutTheExtension() + programText("GnomeDesktop",
                                             " est installée mais pas activée : lancez Vornel une "
                                             "fois pour l'activer, puis rouvrez la session.");
}

} // namespace

// Receives the extension's change signal and the shell's news of extensions.
class GnomeShellReceiver : public QObject {
    Q_OBJECT

public:
    explicit GnomeShellReceiver(GnomeDesktop& desktop) : desktop_(desktop) {}

public slots:
    void changed() { desktop_.newsArrived(); }
    void extensionStateChanged(const QString& id, const QVariantMap& info) {
        if (id != uuid()) return;
        desktop_.newsArrived();
        desktop_.extensionState_ = info.value(QStringLiteral("state")).toInt();
    }

private:
    GnomeDesktop& desktop_;
};

QString GnomeDesktop::extensionSource(int shellMajorVersion) {
    // GNOME 45 loads extensions as ES modules and no longer the older form.
    return shellMajorVersion >= 45 ? QStringLiteral(":/bridges/gnome-shell/modules")
                                   : QStringLiteral(":/bridges/gnome-shell/legacy");
}

std::unique_ptr<GnomeDesktop> GnomeDesktop::connect(const std::string& xDisplay, bool lookOnly,
                                                    QDBusConnection bus) {
    // The bus itself answers at once; the shell, busy at a login, may not.
    if (!bus.isConnected() || !nameHasOwner(bus, ShellService).value_or(false)) return nullptr;
    std::unique_ptr<GnomeDesktop> desktop(new GnomeDesktop(bus, xDisplay, lookOnly));
    GnomeDesktop* d = desktop.get();
    GnomeShellReceiver* receiver = desktop->receiver_.get();
    // The extension answers the owner of Vornel's name alone. A look while
    // Vornel runs asks the running Vornel; what the user must know about
    // the extension, it finds out itself.
    if (lookOnly && claimLookName(bus) == NameClaim::Refused) {
        d->borrowed_ = true;
        d->changed_ = false;
        auto windows = borrowWindows(bus);
        if (windows) {
            WindowHandle h = 0;
            for (ModelWindow& w : *windows)
                d->entry(++h) = std::move(w);
        }
        // A running Vornel that sees nothing may be blind (the extension
        // switched off): the look then says why rather than list nothing.
        d->answering_ = windows && !windows->empty();
        d->starting_ = !d->answering_;
        if (!d->answering_) d->setUpExtension();
        return desktop;
    }
    if (!lookOnly) {
        lendWindows(bus, *d, receiver);
        d->claimName();
    }
    QObject::connect(bus.interface(), &QDBusConnectionInterface::serviceUnregistered, receiver,
                     [d](const QString& name) {
                         if (name != QLatin1String(VornelBusName)) return;
                         d->nameLost_ = true;
                         d->nameOwned_ = false;
                         d->newsArrived();
                     });
    QObject::connect(bus.interface(), &QDBusConnectionInterface::serviceRegistered, receiver,
                     [d](const QString& name) {
                         if (name != QLatin1String(VornelBusName)) return;
                         d->nameLost_ = false;
                         d->nameOwned_ = true;
                         d->newsArrived();
                         if (!std::exchange(d->claimNotice_, false)) return;
                         d->notice_.clear();
                         if (d->noticeChanged_) d->noticeChanged_({});
                     });
    bus.connect(ShellService, FeedPath, FeedInterface, QStringLiteral("Changed"), receiver,
                SLOT(changed()));
    bus.connect(ShellService, ShellPath, ExtensionsInterface,
                QStringLiteral("ExtensionStateChanged"), receiver,
                SLOT(extensionStateChanged(QString, QVariantMap)));
    // The model fills when the list comes; without it, the extension is set up.
    d->askForWindows();
    return desktop;
}

GnomeDesktop::GnomeDesktop(QDBusConnection bus, std::string xDisplay, bool lookOnly)
    : bus_(std::move(bus)), xQuestions_(std::move(xDisplay), sideNews()), lookOnly_(lookOnly),
      receiver_(std::make_unique<GnomeShellReceiver>(*this)), list_(bus_, CallMs),
      nameClaim_(bus_, CallMs), setUp_(bus_, CallMs) {}

GnomeDesktop::~GnomeDesktop() {
    if (borrowed_ || !bus_.isConnected()) return;
    bus_.unregisterObject(QStringLiteral("/Look"));
    releaseBusName(bus_);
}

// Until the name is ours the extension answers the run that holds it.
void GnomeDesktop::claimName() {
    claimBusNameLater(nameClaim_, [this](NameClaim claim, const std::string& notice) {
        if (claim == NameClaim::Refused) claimAgain_.lost();
        if (claim == NameClaim::Owned) {
            claimAgain_.found();
            nameOwned_ = true;
        }
        if (claim == NameClaim::Owned || notice == notice_.toStdString()) return;
        notice_ = QString::fromStdString(notice);
        claimNotice_ = true;
        if (noticeChanged_) noticeChanged_(notice);
    });
}

// The set-up goes in steps, each a question to gsettings or the shell that
// nothing waits for, and ends in what the user is told (settled()). A shell
// that does not answer is said and asked again with the back-off.
void GnomeDesktop::setUpExtension() {
    if (gsettings_.inFlight() || setUp_.inFlight()) return; // under way
    gsettings_.run(
        QStringLiteral("gsettings"),
        {QStringLiteral("get"), QStringLiteral("org.gnome.shell"),
         QStringLiteral("disable-user-extensions")},
        [this](const std::optional<QString>& off) {
            if (off == QStringLiteral("true"))
                return settled(
                    programText("GnomeDesktop",
                                "Les extensions de GNOME Shell sont désactivées : aucune fenêtre "
                                "n'est surveillée. Réactivez-les dans l'application Extensions."));
            readSetting("disabled-extensions", [this](const std::optional<QStringList>& disabled) {
                if (disabled && disabled->contains(uuid())) return settled(disabledNotice());
                askExtensionInfo();
            });
        });
}

void GnomeDesktop::readSetting(const char* key,
                               std::function<void(const std::optional<QStringList>&)> done) {
    gsettings_.run(
        QStringLiteral("gsettings"),
        {QStringLiteral("get"), QStringLiteral("org.gnome.shell"), QString::fromLatin1(key)},
        [done = std::move(done)](const std::optional<QString>& text) {
            done(text ? stringList(*text) : std::nullopt);
        });
}

void GnomeDesktop::askExtensionInfo() {
    setUp_.ask(
        shellCall(ShellPath, ExtensionsInterface, QStringLiteral("GetExtensionInfo"), {uuid()}),
        [this](const QDBusMessage& info) {
            if (BusQuestion::timedOut(info))
                return shellSilent(
                    info, QCoreApplication::translate("GnomeDesktop", "état de l'extension"));
            // A shell that does not know it answers with an empty map.
            extensionKnown(qdbus_cast<QVariantMap>(info.arguments().value(0)));
        });
}

void GnomeDesktop::extensionKnown(const QVariantMap& known) {
    const int state = known.value(QStringLiteral("state")).toInt();
    if (state == Error || state == OutOfDate) {
        const QString error = known.value(QStringLiteral("error")).toString();
        return settled(
            aboutTheExtension() + programText("GnomeDesktop", " ne fonctionne pas : ") +
            (error.isEmpty()
                 ? programText("GnomeDesktop", "elle ne convient pas à cette version de GNOME.")
                 : error));
    }
    if (lookOnly_)
        return readSetting(
            "enabled-extensions", [this, known, state](const std::optional<QStringList>& enabled) {
                settled(lookNotice(known, state, enabled && enabled->contains(uuid())));
            });
    if (!known.isEmpty() && state != Enabled) {
        // The shell knows it (the package's copy, or ours after a login):
        // enabled now, it runs at once, and its list is asked for then.
        setUpNow_ = true;
        setUp_.ask(
            shellCall(ShellPath, ExtensionsInterface, QStringLiteral("EnableExtension"), {uuid()}),
            [this](const QDBusMessage&) {
                settled({});
                newsArrived();
            });
        return;
    }
    if (!known.isEmpty()) {
        // Enabled, but not answering yet: the shell is still starting.
        settled({});
        newsArrived();
        return;
    }
    setUp_.ask(shellCall(ShellPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                         QStringLiteral("Get"), {ShellService, QStringLiteral("ShellVersion")}),
               [this](const QDBusMessage& version) {
                   if (majorVersion(version) <= 0)
                       return shellSilent(version, QCoreApplication::translate(
                                                       "GnomeDesktop", "version de GNOME Shell"));
                   installExtension(majorVersion(version));
               });
}

void GnomeDesktop::installExtension(int shellMajorVersion) {
    // A copy of another version (an earlier Vornel's) is replaced by ours.
    const QString source = extensionSource(shellMajorVersion);
    if (!ourCopyInstalled(source)) {
        const QString error = install(source);
        if (!error.isEmpty())
            return settled(aboutTheExtension() +
                           programText("GnomeDesktop", " n'est pas installée : ") + error);
        setUpNow_ = true;
    }
    // The list is the user's: written from a read that failed or was too
    // slow (a busy first login), it would turn their other extensions off.
    readSetting("enabled-extensions", [this](std::optional<QStringList> enabled) {
        if (!enabled)
            return settled(
                aboutTheExtension() +
                programText("GnomeDesktop",
                            " n'est pas activée : la liste des extensions de GNOME n'a pas "
                            "pu être lue") +
                (gsettings_.timedOut()
                     ? QCoreApplication::translate("GnomeDesktop",
                                                   " (gsettings n'a pas répondu en %1 secondes)")
                           .arg(CallMs / 1000)
                     : QString()) +
                programText("GnomeDesktop", ". Activez-la dans l'application Extensions."));
        if (enabled->contains(uuid())) return enabledForNextLogin();
        *enabled << uuid();
        gsettings_.run(QStringLiteral("gsettings"),
                       {QStringLiteral("set"), QStringLiteral("org.gnome.shell"),
                        QStringLiteral("enabled-extensions"), stringListText(*enabled)},
                       [this](const std::optional<QString>& set) {
                           if (!set)
                               return settled(aboutTheExtension() +
                                              programText("GnomeDesktop",
                                                          " n'est pas activée : activez-la "
                                                          "dans l'application Extensions."));
                           setUpNow_ = true;
                           enabledForNextLogin();
                       });
    });
}

void GnomeDesktop::enabledForNextLogin() {
    // The part before the colon is what the icon's tip has room for.
    settled(programText("GnomeDesktop",
                        "Fenêtres visibles après la prochaine connexion : Vornel a installé et "
                        "activé son extension GNOME Shell, que GNOME ne charge qu'à "
                        "l'ouverture de la session."));
}

void GnomeDesktop::settled(const QString& notice) {
    starting_ = false;
    listAgain_.found();
    silentTold_ = false;
    // The extension may have come to answer meanwhile: all is told then.
    if (answering_) return tell({});
    tell(notice, setUpNow_);
}

// A question of the start-up or the window list that the shell did not
// answer: said, and the list asked for again with the back-off; the start-up
// goes on from where the list's answer leads. A look tells it and ends.
void GnomeDesktop::shellSilent(const QDBusMessage& reply, const QString& what) {
    if (lookOnly_) return settled(shellFault(reply, what));
    // The next list's answer clears it.
    silentTold_ = true;
    tell(shellFault(reply, what));
    listAgain_.lost();
}

void GnomeDesktop::tell(const QString& notice, bool ofSetUp) {
    setUpTold_ = ofSetUp && !notice.isEmpty();
    if (notice == notice_) return;
    notice_ = notice;
    if (noticeChanged_) noticeChanged_(notice_.toStdString());
}

bool GnomeDesktop::waitUntilSettled(int msecs) {
    QDeadlineTimer deadline(msecs);
    while (starting_ && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return !starting_;
}

namespace {

QDBusMessage listCall() {
    return QDBusMessage::createMethodCall(ShellService, FeedPath, FeedInterface,
                                          QStringLiteral("List"));
}

} // namespace

// A busy shell answers late: the scan and the window go on meanwhile, and a
// change that comes in between is asked about once the answer is in.
void GnomeDesktop::askForWindows() {
    if (list_.inFlight()) return;
    changed_ = false;
    list_.ask(listCall(), [this](const QDBusMessage& reply) { listed(reply); });
}

GnomeDesktop::Feed GnomeDesktop::takeWindows(const QDBusMessage& reply) {
    answering_ = !failed(reply);
    if (!answering_) {
        forgetAll();
        handles_.clear();
        known_.clear();
        // The extension runs, but answers the owner of Vornel's name only:
        // an earlier run that still holds it, or a look of Vornel's.
        return reply.errorName() == QDBusError::errorString(QDBusError::AccessDenied)
                   ? Feed::NotOurs
                   : Feed::None;
    }
    const QJsonArray windows =
        QJsonDocument::fromJson(reply.arguments().value(0).toString().toUtf8()).array();
    std::vector<WindowHandle> topFirst;
    std::unordered_map<QString, WindowHandle> present;
    for (const QJsonValue& value : windows) {
        const QJsonObject o = value.toObject();
        const QString id = o.value(QLatin1String("id")).toString();
        if (id.isEmpty()) continue;
        const WindowHandle handle = handleFor(id);
        present.emplace(id, handle);
        topFirst.push_back(handle);
        known_[handle].xid = o.value(QLatin1String("xid")).toString().toUInt();
    }
    // Windows gone from the list are forgotten, handles and all.
    std::erase_if(known_, [&](const auto& k) { return !present.contains(k.second.id); });
    handles_ = std::move(present);
    setOrder(topFirst);
    for (const QJsonValue& value : windows) {
        const QJsonObject o = value.toObject();
        auto it = handles_.find(o.value(QLatin1String("id")).toString());
        if (it == handles_.end()) continue;
        ModelWindow& w = entry(it->second);
        w.title = o.value(QLatin1String("title")).toString().toStdString();
        const int x = o.value(QLatin1String("x")).toInt(), y = o.value(QLatin1String("y")).toInt();
        w.rect = {x, y, x + o.value(QLatin1String("width")).toInt(),
                  y + o.value(QLatin1String("height")).toInt()};
        w.iconic = o.value(QLatin1String("minimized")).toBool();
    }
    return Feed::Ours;
}

// What the shell says changed is read at the next update.
void GnomeDesktop::newsArrived() {
    changed_ = true;
    changesArrived();
}

void GnomeDesktop::update() {
    if (changed_ && !borrowed_) askForWindows();
}

void GnomeDesktop::listed(const QDBusMessage& reply) {
    const Feed feed = takeWindows(reply);
    if (BusQuestion::timedOut(reply))
        return shellSilent(reply,
                           QCoreApplication::translate("GnomeDesktop", "liste des fenêtres"));
    // The first list decides whether the extension must be set up.
    if (starting_ && feed == Feed::None) return setUpExtension();
    starting_ = false;
    const bool running = feed != Feed::None;
    // The name is ours, yet the extension will not answer: a copy out of
    // step with this program. Asked again with the usual back-off.
    const bool refused = feed == Feed::NotOurs && nameOwned_;
    if (refused)
        listAgain_.lost();
    else
        listAgain_.found();
    if (extensionState_ == 0 && nameLost_ == nameLostTold_ && refused == refusedTold_ &&
        !silentTold_)
        return;
    refusedTold_ = refused;
    silentTold_ = false;
    // News of the extension: the user turned it off or on in the
    // Extensions application. Vornel itself never turns it off.
    QString notice;
    if (nameLost_)
        notice = programText("GnomeDesktop",
                             "Vornel a perdu son nom org.vornel.Vornel sur le bus de session : "
                             "aucune fenêtre n'est surveillée. Relancez Vornel.");
    else if (refused)
        notice = aboutTheExtension() +
                 programText("GnomeDesktop",
                             " refuse de répondre à Vornel : aucune fenêtre n'est surveillée. "
                             "Rouvrez la session pour que GNOME charge la version de "
                             "l'extension qui va avec ce Vornel.");
    else if (!running && extensionState_ == Error)
        notice = aboutTheExtension() + programText("GnomeDesktop",
                                                   " ne fonctionne pas : elle a rencontré une "
                                                   "erreur.");
    else if (!running && extensionState_ != Enabled && extensionState_ != 0)
        notice = disabledNotice();
    extensionState_ = 0;
    nameLostTold_ = nameLost_;
    tell(notice);
}

void GnomeDesktop::watchNotice(std::function<void(const std::string&)> changed) {
    noticeChanged_ = std::move(changed);
}

WindowHandle GnomeDesktop::handleFor(const QString& id) {
    auto [it, added] = handles_.try_emplace(id, nextHandle_);
    if (added) {
        known_[nextHandle_].id = id;
        // 0 is no window; a wrap after four billion windows skips it.
        if (++nextHandle_ == 0) nextHandle_ = 1;
    }
    return it->second;
}

CloseRequest GnomeDesktop::requestClose(WindowHandle window) {
    auto it = known_.find(window);
    if (it == known_.end() || borrowed_) return CloseRequest::Refused;
    // The extension closes Wayland windows only: mutter kills the program of
    // an X window that does not take WM_DELETE_WINDOW, and tells the
    // extension nothing of its protocols. XWayland is asked directly.
    if (it->second.xid != 0) {
        const auto polite = xQuestions_.listsDeleteWindow(window, it->second.xid);
        if (!polite) return CloseRequest::Pending;
        return sentIf(*polite == XAnswer::Yes && xQuestions_.sendDeleteWindow(it->second.xid));
    }
    QDBusMessage close = QDBusMessage::createMethodCall(ShellService, FeedPath, FeedInterface,
                                                        QStringLiteral("Close"));
    close.setArguments({it->second.id});
    // Sent without waiting for the answer, as a posted message is.
    return sentIf(bus_.send(close));
}

} // namespace vornel

#include "gnome_desktop.moc"
