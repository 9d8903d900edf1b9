// The GNOME desktop's logic against a GNOME Shell of the tests' own on a
// private session bus, which answers as the extension does, or not at all
// as a busy shell does. The real shell is in test_gnome_e2e.
#include "blocking/desktops/gnome_desktop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

// GNOME Shell with the extension running, whose List answers while
// answering is set and is never answered otherwise; or, with running unset,
// GNOME 43 that has never heard of the extension.
class ScriptedShell : public QDBusVirtualObject {
public:
    ScriptedShell() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "shell")) {
        ok_ = bus_.registerVirtualObject(QStringLiteral("/org/vornel/Windows"), this) &&
              bus_.registerVirtualObject(QStringLiteral("/org/gnome/Shell"), this) &&
              bus_.registerService(QStringLiteral("org.gnome.Shell"));
    }
    bool ok() const { return ok_; }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (!running && message.member() == QLatin1String("List"))
            connection.send(
                message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                                         QStringLiteral("No such object")));
        else if (message.member() == QLatin1String("GetExtensionInfo"))
            connection.send(message.createReply(QVariant::fromValue(QVariantMap())));
        else if (message.member() == QLatin1String("Get"))
            connection.send(
                message.createReply(QVariant::fromValue(QDBusVariant(QStringLiteral("43.9")))));
        else if (message.member() == QLatin1String("List")) {
            ++lists;
            if (answering)
                connection.send(message.createReply(
                    QStringLiteral(R"([{"id":"7","title":"Pub - Mozilla","x":10,"y":20,)"
                                   R"("width":300,"height":200,"minimized":false,"xid":"0"}])")));
        }
        return true;
    }
    bool running = true;
    bool answering = false;
    int lists = 0;

private:
    QDBusConnection bus_;
    bool ok_ = false;
};

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

} // namespace

// A shell that does not answer holds nothing up: the desktop starts at once
// with no window, says within the time limit which question went
// unanswered, and asks again, one question at a time rather than at every
// tick. When the shell answers, the windows come and the notice goes.
TEST(GnomeDesktop, AShellThatDoesNotAnswerIsToldAndAskedAgain) {
    ScriptedShell shell;
    ASSERT_TRUE(shell.ok()) << "runs on a session bus of its own";
    auto desktop = GnomeDesktop::connect({});
    ASSERT_TRUE(desktop);
    std::vector<std::string> told;
    desktop->watchNotice([&](const std::string& notice) { told.push_back(notice); });
    EXPECT_TRUE(desktop->topFirst().empty());

    const auto tick = [&] { desktop->beginWalk(); };
    ASSERT_TRUE(waitFor(
        [&] {
            tick();
            return !told.empty();
        },
        GnomeDesktop::CallMs + 3000));
    EXPECT_NE(told[0].find("GNOME Shell n'a pas répondu en 3 secondes (liste des fenêtres)"),
              std::string::npos)
        << told[0];
    EXPECT_EQ(shell.lists, 1) << "a question in flight is not asked again";

    shell.answering = true;
    ASSERT_TRUE(waitFor(
        [&] {
            tick();
            return !desktop->topFirst().empty();
        },
        5000))
        << "not asked again";
    EXPECT_EQ(shell.lists, 2) << "asked again once, not at every tick";
    EXPECT_EQ(desktop->find(desktop->topFirst()[0])->title, "Pub - Mozilla");
    EXPECT_EQ(told.back(), "");
}

// The first run sets the extension up in steps, each answered through the
// event loop: the shell's version, whether it knows the extension, the
// user's list of extensions (gsettings, here on a backend of its own). What
// it did comes as a notice that deserves a message of its own.
TEST(GnomeDesktop, TheFirstRunSetsTheExtensionUpAsTheAnswersCome) {
    // The test main's own folder.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    ScriptedShell shell;
    ASSERT_TRUE(shell.ok());
    shell.running = false;
    auto desktop = GnomeDesktop::connect({});
    ASSERT_TRUE(desktop);
    std::vector<std::pair<std::string, bool>> told;
    desktop->watchNotice([&](const std::string& notice) {
        told.emplace_back(notice, desktop->noticeTellsOfSetUp());
    });
    ASSERT_TRUE(waitFor([&] { return !told.empty(); }, 4 * GnomeDesktop::CallMs));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].first.starts_with("Fenêtres visibles après la prochaine connexion"))
        << told[0].first;
    EXPECT_TRUE(told[0].second) << "what the set-up did deserves a message";
    QFile metadata(data + "/gnome-shell/extensions/vornel@vornel.org/metadata.json");
    ASSERT_TRUE(metadata.open(QIODevice::ReadOnly));
    EXPECT_TRUE(metadata.readAll().contains(R"("43")")) << "the form for GNOME 43";
}
