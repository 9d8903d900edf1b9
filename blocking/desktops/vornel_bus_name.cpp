#include "blocking/desktops/vornel_bus_name.h"

#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sys/stat.h>

namespace vornel {

namespace {

const QString LookPath = QStringLiteral("/Look");
const QString LookInterface = QStringLiteral("org.vornel.Look");
constexpr int LookCallMs = 5000;

// Whether process pid runs the very program file this process runs.
bool sameProgram(uint pid) {
    struct stat ours {
    }, theirs{};
    const QByteArray exe = "/proc/" + QByteArray::number(pid) + "/exe";
    return pid != 0 && stat("/proc/self/exe", &ours) == 0 && stat(exe.constData(), &theirs) == 0 &&
           ours.st_dev == theirs.st_dev && ours.st_ino == theirs.st_ino;
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
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Only Vornel looks here."));
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

NameClaim claimBusName(QDBusConnection& bus, bool resident) {
    const auto reply =
        bus.interface()->registerService(QString::fromLatin1(VornelBusName),
                                         resident ? QDBusConnectionInterface::QueueService
                                                  : QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) return NameClaim::Refused;
    switch (reply.value()) {
    case QDBusConnectionInterface::ServiceRegistered:
        return NameClaim::Owned;
    case QDBusConnectionInterface::ServiceQueued:
        return NameClaim::Queued;
    default:
        return NameClaim::Refused;
    }
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
