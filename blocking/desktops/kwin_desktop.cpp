#include "blocking/desktops/kwin_desktop.h"

#include "blocking/desktops/vornel_bus_name.h"
#include "blocking/desktops/xwayland_protocols.h"
#include "common/log_categories.h"
#include "common/program_language.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vornel {

namespace {

const QString KWinService = QStringLiteral("org.kde.KWin");
const QString ObjectPath = QStringLiteral("/KWinScript");
const QString ScriptFile = QStringLiteral("vornel_windows.js");
// The script's open call is answered before the bus gives up on it (25 s).
constexpr int PollAnswerMs = 20000;
constexpr int ScriptingCallMs = 5000;
// A running script calls again as soon as its call is answered.
constexpr int ScriptSilentMs = 5000;
// A script KWin started reports the windows at once; one silent this long
// does not run.
constexpr int ReportDueMs = 10000;

QDBusMessage scripting(const char* method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(KWinService, QStringLiteral("/Scripting"),
                                                       QStringLiteral("org.kde.kwin.Scripting"),
                                                       QString::fromLatin1(method));
    call.setArguments(arguments);
    return call;
}

const QString& scriptName() {
    static const QString name = QString::fromLatin1(KWinDesktop::ScriptName);
    return name;
}

// Why a call to KWin's scripting failed, for the notice.
std::string failure(const QDBusMessage& reply) {
    if (BusQuestion::timedOut(reply))
        return programText("KWinDesktop", "KWin n'a pas répondu en %1 secondes")
            .arg(ScriptingCallMs / 1000)
            .toStdString();
    if (reply.type() == QDBusMessage::ErrorMessage)
        return programText("KWinDesktop", "KWin a répondu « %1 »")
            .arg(reply.errorMessage())
            .toStdString();
    return programText("KWinDesktop", "KWin a refusé de le charger").toStdString();
}

} // namespace

// The object the script calls. Its slots are the whole interface: three
// calls, each taking text, none giving the script any other power. Only
// KWin's own connection is heard: another program on the bus could
// otherwise make up windows or learn which ones are closed.
class KWinScriptReceiver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.vornel.KWinScript")

public:
    explicit KWinScriptReceiver(KWinDesktop& desktop) : desktop_(desktop) {
        answerTimer_.setSingleShot(true);
        answerTimer_.setInterval(PollAnswerMs);
        QObject::connect(&answerTimer_, &QTimer::timeout, this, [this] { answer(); });
        silence_.setSingleShot(true);
        silence_.setInterval(ScriptSilentMs);
        QObject::connect(&silence_, &QTimer::timeout, this, [this] { desktop_.scriptSilent(); });
    }

    void ask(const QString& id) {
        if (!requests_.contains(id)) requests_.append(id);
        if (pending_) answer();
    }

    // The script has reported what it found at its start: its first poll.
    bool reported() const { return reported_; }
    // Before a script is loaded: who runs it, and nothing of an earlier one.
    void forgetScript(const QString& kwinConnection) {
        kwin_ = kwinConnection;
        reported_ = false;
        pending_.reset();
        requests_.clear();
        answerTimer_.stop();
        silence_.stop();
    }

public slots:
    void windowChanged(const QString& json) {
        if (fromKWin()) desktop_.windowChanged(json);
    }
    void windowRemoved(const QString& id) {
        if (fromKWin()) desktop_.windowRemoved(id);
    }
    QStringList closeRequests() {
        if (!fromKWin()) return {};
        if (!std::exchange(reported_, true)) desktop_.scriptReported();
        silence_.stop();
        if (!requests_.isEmpty()) return std::exchange(requests_, {});
        setDelayedReply(true);
        pending_ = message();
        answerTimer_.start();
        return {};
    }

private:
    bool fromKWin() {
        if (message().service() == kwin_) return true;
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Only KWin's script calls here."));
        return false;
    }

    void answer() {
        answerTimer_.stop();
        if (!pending_) return;
        desktop_.bus_.send(pending_->createReply(QVariant(std::exchange(requests_, {}))));
        pending_.reset();
        silence_.start();
    }

    KWinDesktop& desktop_;
    QStringList requests_;
    std::optional<QDBusMessage> pending_;
    QTimer answerTimer_;
    QTimer silence_;
    QString kwin_; // KWin's unique name on the bus
    bool reported_ = false;
};

QByteArray KWinDesktop::scriptText() {
    QFile script(QStringLiteral(":/bridges/kwin/") + ScriptFile);
    return script.open(QIODevice::ReadOnly) ? script.readAll() : QByteArray();
}

QString KWinDesktop::writeScript(std::string& why) {
    // KWin runs whatever the file says with the user's whole session at
    // hand: it is written where only this user can write, and checked to be.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty()) {
        why = programText("KWinDesktop", "XDG_RUNTIME_DIR n'est pas défini").toStdString();
        return {};
    }
    const QByteArray folder = runtime + "/vornel";
    struct stat s {};
    if (mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        const QString error = QString::fromLocal8Bit(std::strerror(errno));
        why = programText("KWinDesktop", "impossible de créer %1 : %2")
                  .arg(QString::fromLocal8Bit(folder), error)
                  .toStdString();
        return {};
    }
    if (lstat(folder.constData(), &s) != 0 || !S_ISDIR(s.st_mode) || s.st_uid != getuid() ||
        (s.st_mode & 077) != 0) {
        why = programText("KWinDesktop", "%1 n'est pas un dossier à l'utilisateur seul")
                  .arg(QString::fromLocal8Bit(folder))
                  .toStdString();
        return {};
    }
    const QString path = QString::fromLocal8Bit(folder) + QLatin1Char('/') + ScriptFile;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(scriptText()) < 0 || !out.commit()) {
        why = programText("KWinDesktop", "impossible d'écrire %1 : %2")
                  .arg(path, out.errorString())
                  .toStdString();
        return {};
    }
    return path;
}

std::unique_ptr<KWinDesktop> KWinDesktop::connect(const std::string& xDisplay, std::string& why,
                                                  bool once, QDBusConnection bus, QString script) {
    if (!bus.isConnected()) {
        why = programText("KWinDesktop", "le bus de session ne répond pas").toStdString();
        return nullptr;
    }
    const std::optional<bool> kwinThere = nameHasOwner(bus, KWinService);
    if (!kwinThere) {
        why = programText("KWinDesktop", "le bus de session ne répond pas").toStdString();
        return nullptr;
    }
    if (!*kwinThere) {
        why = programText("KWinDesktop", "KWin n'est pas sur le bus de session").toStdString();
        return nullptr;
    }
    if (script.isEmpty()) script = writeScript(why);
    if (script.isEmpty()) return nullptr;
    std::unique_ptr<KWinDesktop> desktop(new KWinDesktop(bus, script, xDisplay));
    KWinDesktop* d = desktop.get();
    QObject* context = d->receiver_.get();
    if (!bus.registerObject(ObjectPath, context, QDBusConnection::ExportAllSlots)) {
        why = programText("KWinDesktop", "l'objet /KWinScript est déjà pris sur le bus de session")
                  .toStdString();
        return nullptr;
    }

    // The bus name decides which run the script talks to, and no other
    // program may take it: the script would hand it every window title. A
    // resident run queues behind an earlier one, which still owns the name
    // while it unloads its script, and gets it when that run lets go. A
    // one-time look takes the name only when no run holds it, and otherwise
    // asks the running one for its windows.
    QDBusConnectionInterface* names = bus.interface();
    QObject::connect(names, &QDBusConnectionInterface::serviceOwnerChanged, context,
                     [d](const QString& name, const QString&, const QString& owner) {
                         if (name == QLatin1String(VornelBusName))
                             d->ownsName_ = owner == d->bus_.baseService();
                     });
    QObject::connect(names, &QDBusConnectionInterface::serviceRegistered, context,
                     [d](const QString& name) {
                         if (name != QLatin1String(VornelBusName)) return;
                         d->setNotice({});
                         d->loadScript();
                     });
    QObject::connect(
        names, &QDBusConnectionInterface::serviceUnregistered, context, [d](const QString& name) {
            if (name != QLatin1String(VornelBusName)) return;
            // The script no longer talks to us.
            d->loaded_ = false;
            d->loading_.forget();
            d->reportDue_.stop();
            d->receiver_->forgetScript({});
            d->forgetAll();
            d->reload_.found();
            d->setNotice(programText("KWinDesktop",
                                     "Vornel a perdu son nom org.vornel.Vornel sur le bus de "
                                     "session : aucune fenêtre n'est surveillée. Relancez Vornel.")
                             .toStdString());
        });
    if (!once) {
        lendWindows(bus, *d, context);
        d->claimName();
        d->watchForKWin();
        return desktop;
    }
    const NameClaim claim = claimLookName(bus);
    d->ownsName_ = claim == NameClaim::Owned;
    if (claim == NameClaim::Refused) {
        auto windows = borrowWindows(bus);
        if (!windows) {
            why = programText("KWinDesktop", "le Vornel en cours n'a pas prêté ses fenêtres")
                      .toStdString();
            return nullptr;
        }
        d->receiver_->forgetScript({});
        d->borrowed_ = true;
        WindowHandle h = 0;
        for (ModelWindow& w : *windows)
            d->entry(++h) = std::move(w);
        return desktop;
    }
    d->loadScript();
    d->watchForKWin();
    return desktop;
}

void KWinDesktop::claimName() {
    claimBusNameLater(nameClaim_, [this](NameClaim claim, const std::string& notice) {
        if (claim == NameClaim::Refused) {
            setNotice(notice);
            claimAgain_.lost();
            return;
        }
        claimAgain_.found();
        // Ours: the bus's NameAcquired has loaded the script, or does.
        if (claim == NameClaim::Owned) {
            ownsName_ = true;
            return loadScript();
        }
        setNotice(notice);
    });
}

// KWin replaced (an X11 session's kwin --replace, a crash of a Wayland
// session's KWin) starts without our script.
void KWinDesktop::watchForKWin() {
    auto* watcher = new QDBusServiceWatcher(
        KWinService, bus_, QDBusServiceWatcher::WatchForRegistration, receiver_.get());
    QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, receiver_.get(), [this] {
        if (!loaded_ && !loading_.inFlight()) return;
        loaded_ = false;
        loading_.forget();
        loadScript();
    });
}

KWinDesktop::KWinDesktop(QDBusConnection bus, QString script, std::string xDisplay)
    : bus_(std::move(bus)), script_(std::move(script)),
      xQuestions_(std::move(xDisplay), sideNews()),
      receiver_(std::make_unique<KWinScriptReceiver>(*this)), loading_(bus_, ScriptingCallMs),
      silentCheck_(bus_, ScriptingCallMs), nameClaim_(bus_, ScriptingCallMs) {
    reportDue_.setSingleShot(true);
    reportDue_.setInterval(ReportDueMs);
    QObject::connect(&reportDue_, &QTimer::timeout, receiver_.get(), [this] {
        notLoaded(programText("KWinDesktop", "il n'a rien signalé en %1 secondes")
                      .arg(ReportDueMs / 1000)
                      .toStdString());
    });
}

KWinDesktop::~KWinDesktop() {
    // The script goes before the name: a run queued for the name finds no
    // script of ours loaded when it gets it. A run that has lost the name
    // leaves the script, which is no longer its own, alone.
    if (borrowed_ || !bus_.isConnected()) return;
    if (!ownsName_) loaded_ = false;
    // A load still on its way may yet succeed: the unload follows it.
    else if (loading_.inFlight())
        loaded_ = true;
    unloadScript();
    bus_.unregisterObject(ObjectPath);
    bus_.unregisterObject(QStringLiteral("/Look"));
    releaseBusName(bus_);
}

void KWinDesktop::loadScript() {
    if (loaded_ || loading_.inFlight()) return;
    receiver_->forgetScript({});
    forgetAll();
    handles_.clear();
    known_.clear();
    // Only KWin's own connection may report windows: its name on the bus first.
    loading_.ask(busDaemon("GetNameOwner", {KWinService}), [this](const QDBusMessage& owner) {
        if (owner.type() != QDBusMessage::ReplyMessage) return notLoaded(failure(owner));
        receiver_->forgetScript(owner.arguments().value(0).toString());
        // A run that ended without unloading (a crash) leaves its script
        // loaded, calling a name nobody owned until now.
        loading_.ask(scripting("isScriptLoaded", {scriptName()}),
                     [this](const QDBusMessage& reply) {
                         if (reply.type() != QDBusMessage::ReplyMessage)
                             return notLoaded(failure(reply));
                         if (!reply.arguments().value(0).toBool()) return loadNow();
                         loading_.ask(scripting("unloadScript", {scriptName()}),
                                      [this](const QDBusMessage&) { loadNow(); });
                     });
    });
}

void KWinDesktop::loadNow() {
    loading_.ask(scripting("loadScript", {script_, scriptName()}), [this](const QDBusMessage& id) {
        if (id.type() != QDBusMessage::ReplyMessage || id.arguments().value(0).toInt() < 0)
            return notLoaded(failure(id));
        loaded_ = true;
        loading_.ask(scripting("start", {}), [this](const QDBusMessage& reply) {
            if (reply.type() != QDBusMessage::ReplyMessage) return notLoaded(failure(reply));
            if (!receiver_->reported()) reportDue_.start();
        });
    });
}

void KWinDesktop::scriptReported() {
    reportDue_.stop();
    reload_.found();
    setNotice({});
}

void KWinDesktop::notLoaded(const std::string& why) {
    reportDue_.stop();
    // A script loaded but silent goes, so that the next try starts afresh.
    unloadScript();
    receiver_->forgetScript({});
    forgetAll();
    setNotice(programText("KWinDesktop",
                          "Le script de Vornel ne fonctionne pas dans KWin (%1) : aucune fenêtre "
                          "n'est surveillée. Vornel réessaie ; si cela dure, redémarrez la "
                          "session.")
                  .arg(QString::fromStdString(why))
                  .toStdString());
    reload_.lost();
}

// Sent without waiting: KWin takes it before anything a later run asks,
// since the bus keeps our messages in order.
void KWinDesktop::unloadScript() {
    if (!loaded_) return;
    loaded_ = false;
    bus_.send(scripting("unloadScript", {scriptName()}));
}

bool KWinDesktop::waitForWindows(int msecs) {
    if (borrowed_) return true;
    // A script an earlier run left loaded may report while ours is still on
    // its way in: the windows count once our own load has been answered.
    auto ready = [this] { return loaded_ && receiver_->reported(); };
    QDeadlineTimer deadline(msecs);
    while (!ready() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return ready();
}

WindowHandle KWinDesktop::handleFor(const QString& id) {
    auto [it, added] = handles_.try_emplace(id, nextHandle_);
    if (added) {
        known_[nextHandle_].id = id;
        // 0 is no window; a wrap after four billion windows skips it.
        if (++nextHandle_ == 0) nextHandle_ = 1;
    }
    return it->second;
}

void KWinDesktop::windowChanged(const QString& json) {
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    const QString id = o.value(QLatin1String("id")).toString();
    if (id.isEmpty()) return;
    const WindowHandle handle = handleFor(id);
    const bool added = !find(handle);
    ModelWindow& w = entry(handle);
    w.title = o.value(QLatin1String("title")).toString().toStdString();
    const int x = o.value(QLatin1String("x")).toInt(), y = o.value(QLatin1String("y")).toInt();
    w.rect = {x, y, x + o.value(QLatin1String("width")).toInt(),
              y + o.value(QLatin1String("height")).toInt()};
    w.iconic = o.value(QLatin1String("minimized")).toBool();
    Known& k = known_[handle];
    k.xid = o.value(QLatin1String("xid")).toString().toUInt();
    k.x11 = k.xid != 0 || o.value(QLatin1String("x11")).toBool();
    const int stacking = o.value(QLatin1String("stacking")).toInt();
    // A new window enters the model at the bottom until the next update.
    orderChanged_ |= added || stacking != k.stacking;
    k.stacking = stacking;
}

void KWinDesktop::windowRemoved(const QString& id) {
    auto it = handles_.find(id);
    if (it == handles_.end()) return;
    forget(it->second);
    known_.erase(it->second);
    handles_.erase(it);
}

void KWinDesktop::update() {
    if (!orderChanged_) return;
    orderChanged_ = false;
    std::vector<WindowHandle> order = topFirst();
    // KWin counts its stacking order from the bottom.
    std::stable_sort(order.begin(), order.end(), [this](WindowHandle a, WindowHandle b) {
        return known_[a].stacking > known_[b].stacking;
    });
    setOrder(std::move(order));
}

void KWinDesktop::scriptSilent() {
    if (!loaded_) return;
    silentCheck_.ask(
        scripting("isScriptLoaded", {scriptName()}), [this](const QDBusMessage& isLoaded) {
            // A script that gave up on a late answer calls again at the next
            // window event; and a KWin that does not answer tells nothing.
            if (!loaded_ || isLoaded.type() != QDBusMessage::ReplyMessage ||
                isLoaded.arguments().value(0).toBool())
                return;
            loaded_ = false;
            forgetAll();
            setNotice(programText("KWinDesktop", "Le script de Vornel a été retiré de KWin : "
                                                 "aucune fenêtre n'est surveillée. Vornel le "
                                                 "charge de nouveau.")
                          .toStdString());
            reload_.lost();
        });
}

// KWin closes an X window that does not take WM_DELETE_WINDOW by killing its
// program. Plasma 6 no longer gives scripts the X id, so such a window is
// checked by its title; one that cannot be vouched for is left open.
CloseRequest KWinDesktop::requestClose(WindowHandle window) {
    auto it = known_.find(window);
    if (!loaded_ || it == known_.end()) return CloseRequest::Refused;
    const Known& k = it->second;
    if (k.x11) {
        const std::string& title = find(window)->title;
        const auto polite = k.xid != 0 ? xQuestions_.listsDeleteWindow(window, k.xid)
                                       : xQuestions_.titledListDeleteWindow(window, title);
        if (!polite) return CloseRequest::Pending;
        if (*polite != XAnswer::Yes) {
            qCWarning(lcKwin,
                      "« %s » n'est pas fermée : cette fenêtre X11 ne peut pas être "
                      "fermée poliment, KWin arrêterait son programme",
                      title.c_str());
            return CloseRequest::Refused;
        }
    }
    receiver_->ask(k.id);
    return CloseRequest::Sent;
}

} // namespace vornel

#include "kwin_desktop.moc"
