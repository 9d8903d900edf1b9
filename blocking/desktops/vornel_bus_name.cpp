#include "blocking/desktops/vornel_bus_name.h"

#include "common/log_categories.h"
#include "common/program_language.h"

#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vornel {

namespace {

const QString LookPath = QStringLiteral("/Look");
const QString LookInterface = QStringLiteral("org.vornel.Look");
constexpr int LookCallMs = 5000;

// The file this process was started from, " (deleted)" once replaced.
std::string startedFrom() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    return n > 0 && std::size_t(n) < sizeof path ? std::string(path, n) : std::string();
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether process pid runs the very program file this process runs, or the
// one now installed at its path: an upgrade replaces the file under a
// running program, and the look then runs the new one.
bool sameProgram(uint pid) {
    struct stat ours {
    }, installed{}, theirs{};
    const QByteArray exe = "/proc/" + QByteArray::number(pid) + "/exe";
    if (pid == 0 || stat(exe.constData(), &theirs) != 0) return false;
    if (stat("/proc/self/exe", &ours) == 0 && sameFile(ours, theirs)) return true;
    std::string path = startedFrom();
    const std::string deleted = " (deleted)";
    if (path.ends_with(deleted)) path.resize(path.size() - deleted.size());
    return !path.empty() && stat(path.c_str(), &installed) == 0 && sameFile(installed, theirs);
}

class WindowLender : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.vornel.Look")

public:
    WindowLender(WindowModel& model, QObject* parent) : QObject(parent), model_(model) {}

public slots:
    // The windows as JSON: what `vornel --windows` prints, and no more.
    QString windows() {
        const uint pid = connection().interface()->servicePid(message().service()).value();
        if (!sameProgram(pid)) {
            // Said to the look, which tells its user.
            sendErrorReply(QDBusError::AccessDenied,
                           programText("VornelBusName",
                                       "le programme qui demande (processus %1) n'est pas le "
                                       "fichier programme du Vornel en cours, %2")
                               .arg(pid)
                               .arg(QString::fromStdString(startedFrom())));
            return {};
        }
        model_.beginWalk();
        QJsonArray list;
        for (WindowHandle h : model_.topFirst()) {
            const ModelWindow* w = model_.find(h);
            if (!w) continue;
            list.append(QJsonObject{{QStringLiteral("title"), QString::fromStdString(w->title)},
                                    {QStringLiteral("left"), w->rect.left},
                                    {QStringLiteral("top"), w->rect.top},
                                    {QStringLiteral("right"), w->rect.right},
                                    {QStringLiteral("bottom"), w->rect.bottom},
                                    {QStringLiteral("visible"), w->visible},
                                    {QStringLiteral("iconic"), w->iconic},
                                    {QStringLiteral("sizeKnown"), w->sizeKnown}});
        }
        return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
    }

private:
    WindowModel& model_;
};

} // namespace

QDBusMessage busDaemon(const char* method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QString::fromLatin1(method));
    call.setArguments(arguments);
    return call;
}

NameClaim claimLookName(QDBusConnection& bus) {
    // Not queued: a look never waits for a run to end.
    const QDBusMessage reply =
        bus.call(busDaemon("RequestName", {QString::fromLatin1(VornelBusName), 4u}), QDBus::Block,
                 BusDaemonCallMs);
    const uint result = reply.arguments().value(0).toUInt();
    return reply.type() == QDBusMessage::ReplyMessage && (result == 1 || result == 4)
               ? NameClaim::Owned
               : NameClaim::Refused;
}

void releaseBusName(QDBusConnection& bus) {
    bus.send(busDaemon("ReleaseName", {QString::fromLatin1(VornelBusName)}));
}

std::optional<bool> nameHasOwner(QDBusConnection& bus, const QString& name) {
    const QDBusMessage reply =
        bus.call(busDaemon("NameHasOwner", {name}), QDBus::Block, BusDaemonCallMs);
    if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
    return reply.arguments().value(0).toBool();
}

namespace {

// The program a process runs, as ps names it.
std::string programOf(uint pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (pid == 0 || !comm.open(QIODevice::ReadOnly))
        return programText("VornelBusName", "un programme inconnu").toStdString();
    return programText("VornelBusName", "« %1 » (processus %2)")
        .arg(QString::fromLocal8Bit(comm.readAll().trimmed()))
        .arg(pid)
        .toStdString();
}

} // namespace

void claimBusNameLater(BusQuestion& question,
                       std::function<void(NameClaim, const std::string&)> answered) {
    const QString name = QString::fromLatin1(VornelBusName);
    // No flag: queued, and never handed over to a program that asks for it.
    question.ask(busDaemon("RequestName", {name, 0u}), [&question, name,
                                                        answered](const QDBusMessage& reply) {
        const uint result = reply.arguments().value(0).toUInt();
        if (reply.type() != QDBusMessage::ReplyMessage ||
            (result != 1 && result != 2 && result != 4))
            return answered(
                NameClaim::Refused,
                programText("VornelBusName",
                            "Vornel n'a pas obtenu son nom org.vornel.Vornel sur le bus de "
                            "session (%1) : aucune fenêtre n'est surveillée. Vornel réessaie.")
                    .arg(reply.type() == QDBusMessage::ErrorMessage
                             ? reply.errorMessage()
                             : programText("VornelBusName", "refusé"))
                    .toStdString());
        if (result != 2) return answered(NameClaim::Owned, {});
        question.ask(busDaemon("GetConnectionUnixProcessID", {name}), [answered](
                                                                          const QDBusMessage& pid) {
            answered(NameClaim::Queued,
                     programText("VornelBusName",
                                 "Le nom org.vornel.Vornel sur le bus de session est "
                                 "tenu par %1 : aucune fenêtre n'est surveillée tant "
                                 "qu'il le garde. Fermez ce programme (un autre "
                                 "Vornel de cette session) ; Vornel prend la relève "
                                 "dès qu'il le libère.")
                         .arg(QString::fromStdString(programOf(pid.arguments().value(0).toUInt())))
                         .toStdString());
        });
    });
}

bool lendWindows(QDBusConnection& bus, WindowModel& model, QObject* parent) {
    return bus.registerObject(LookPath, new WindowLender(model, parent),
                              QDBusConnection::ExportAllSlots);
}

std::optional<std::vector<ModelWindow>> borrowWindows(QDBusConnection& bus) {
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(VornelBusName), LookPath,
                                                       LookInterface, QStringLiteral("windows"));
    // Events go on meanwhile: the running instance may be this very process.
    const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, LookCallMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        qCWarning(lcInstance, "le Vornel en cours ne prête pas ses fenêtres : %s",
                  qUtf8Printable(reply.errorMessage()));
    if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
    std::vector<ModelWindow> windows;
    for (const QJsonValue& v :
         QJsonDocument::fromJson(reply.arguments().value(0).toString().toUtf8()).array()) {
        const QJsonObject o = v.toObject();
        ModelWindow& w = windows.emplace_back();
        w.title = o.value(QLatin1String("title")).toString().toStdString();
        w.rect = {o.value(QLatin1String("left")).toInt(), o.value(QLatin1String("top")).toInt(),
                  o.value(QLatin1String("right")).toInt(),
                  o.value(QLatin1String("bottom")).toInt()};
        w.visible = o.value(QLatin1String("visible")).toBool();
        w.iconic = o.value(QLatin1String("iconic")).toBool();
        w.sizeKnown = o.value(QLatin1String("sizeKnown")).toBool();
    }
    return windows;
}

} // namespace vornel

#include "vornel_bus_name.moc"
