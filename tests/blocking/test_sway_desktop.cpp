// The sway desktop against a real headless sway: the model follows the
// compositor's events without being asked to, sizes are the outer ones sway
// draws, the scratchpad is minimised, and a close is the polite one. Then
// against a compositor of the tests' own on the same IPC, which sends what
// sway and i3 send that the headless sway cannot be made to: i3's tree, and
// titles that are not UTF-8.
#include "blocking/desktops/sway_desktop.h"
#include "support/socket_relay.h"
#include "support/wayland_session.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>

using namespace vornel;
using namespace vornel::test;

namespace {

std::vector<WindowHandle> walk(Desktop& desktop) {
    std::vector<WindowHandle> seen;
    desktop.beginWalk();
    for (WindowHandle h = desktop.GetWindow(0, GW_HWNDFIRST); h;
         h = desktop.GetWindow(h, GW_HWNDNEXT))
        seen.push_back(h);
    return seen;
}

std::string titleOf(Desktop& desktop, WindowHandle window) {
    char buffer[256];
    const int length = desktop.GetWindowTextA(window, buffer, sizeof buffer);
    return {buffer, std::size_t(length)};
}

WindowHandle handleOf(const QJsonObject& container) {
    return WindowHandle(container["id"].toInteger());
}

QRect rectOf(const QJsonObject& node) {
    const QJsonObject r = node["rect"].toObject();
    return {r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt()};
}

QJsonObject workspaceNamed(const QJsonObject& node, const QString& name) {
    if (node["type"].toString() == "workspace" && node["name"].toString() == name) return node;
    for (const QJsonValue& child : node["nodes"].toArray())
        if (QJsonObject w = workspaceNamed(child.toObject(), name); !w.isEmpty()) return w;
    return {};
}

class SwayDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(swayTestDir().isEmpty()) << "runs inside the sway fixture";
        desktop = SwayDesktop::connect(sessionVariable(dir, "SWAYSOCK"));
        ASSERT_TRUE(desktop) << "the sway socket did not answer";
    }
    const QString dir = swayTestDir();
    std::unique_ptr<SwayDesktop> desktop;
};

TEST_F(SwayDesktopTest, FollowsNewWindowsTitlesAndClosingsFromEventsAlone) {
    TestWindow first(dir, "Pub - Mozilla", {400, 300});
    ASSERT_TRUE(first.waitShown());
    const WindowHandle firstHandle = handleOf(waitForContainer(dir, "Pub - Mozilla"));
    ASSERT_NE(firstHandle, 0u);

    // No refresh is asked for: the window event alone brings the window in.
    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(firstHandle) != nullptr; }));
    EXPECT_EQ(titleOf(*desktop, firstHandle), "Pub - Mozilla");
    EXPECT_TRUE(desktop->IsWindowVisible(firstHandle));
    EXPECT_FALSE(desktop->IsIconic(firstHandle));

    // A floating window: its borders (2 pixels, "default_floating_border
    // normal 2") and its title bar above the 400 x 300 that the client drew.
    const WindowRect outer = desktop->GetWindowRect(firstHandle);
    EXPECT_EQ(outer.width(), 404);
    EXPECT_GT(outer.height(), 302 + 10) << "the title bar is part of the outer size";
    EXPECT_LT(outer.height(), 302 + 60);

    TestWindow second(dir, "Autre - Mozilla", {200, 150});
    ASSERT_TRUE(second.waitShown());
    const WindowHandle secondHandle = handleOf(waitForContainer(dir, "Autre - Mozilla"));
    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(secondHandle) != nullptr; }));
    EXPECT_EQ(walk(*desktop).front(), secondHandle) << "the newest floating window is on top";

    // Nothing changes: ticks ask the compositor nothing.
    const uint64_t sent = desktop->messagesSent();
    for (int tick = 0; tick < 5; ++tick) {
        waitWithEvents([] { return false; }, 200);
        walk(*desktop);
        titleOf(*desktop, firstHandle);
        desktop->GetWindowRect(firstHandle);
    }
    EXPECT_EQ(desktop->messagesSent(), sent);

    first.retitle("Nouveau titre - Mozilla");
    EXPECT_TRUE(waitWithEvents(
        [&] { return titleOf(*desktop, firstHandle) == "Nouveau titre - Mozilla"; }));

    // The close is the polite one: the client is asked and goes by itself.
    EXPECT_EQ(decidedClose(*desktop, secondHandle), CloseRequest::Sent);
    EXPECT_TRUE(second.waitClosed());
    EXPECT_TRUE(waitWithEvents([&] { return desktop->find(secondHandle) == nullptr; }));
    EXPECT_FALSE(first.sawClose()) << "only the window asked is closed";
    EXPECT_EQ(walk(*desktop), std::vector<WindowHandle>{firstHandle});
}

TEST_F(SwayDesktopTest, TiledWindowsFillTheirPlaceScratchpadIsMinimisedOtherWorkspacesVisible) {
    ASSERT_TRUE(swaymsg(dir, "workspace 2"));
    QProcess tiled;
    startInSession(tiled, dir, "foot", {"--app-id", "foot", "--title", "Tuile - Mozilla"});
    const QJsonObject container = waitForContainer(dir, "Tuile - Mozilla");
    ASSERT_FALSE(container.isEmpty()) << "foot did not show";
    const WindowHandle handle = handleOf(container);
    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(handle) != nullptr; }));

    // Alone on its workspace, a tiled window with its title bar is exactly
    // the workspace's area.
    ASSERT_TRUE(desktop->refresh(5000));
    const QRect area = rectOf(workspaceNamed(swayTree(dir), "2"));
    EXPECT_EQ(desktop->GetWindowRect(handle),
              (WindowRect{area.x(), area.y(), area.x() + area.width(), area.y() + area.height()}));

    ASSERT_TRUE(swaymsg(dir, "workspace 1"));
    ASSERT_TRUE(desktop->refresh(5000));
    EXPECT_TRUE(desktop->IsWindowVisible(handle)) << "another workspace's window counts as visible";
    EXPECT_FALSE(desktop->IsIconic(handle));

    ASSERT_TRUE(swaymsg(dir, QString("[con_id=%1] move scratchpad").arg(handle)));
    EXPECT_TRUE(waitWithEvents([&] { return desktop->IsIconic(handle); }));
    EXPECT_TRUE(desktop->IsWindowVisible(handle));

    EXPECT_EQ(decidedClose(*desktop, handle), CloseRequest::Sent);
    EXPECT_TRUE(tiled.waitForFinished(5000)) << "foot was not asked to close";
    EXPECT_TRUE(waitWithEvents([&] { return desktop->find(handle) == nullptr; }));
}

TEST_F(SwayDesktopTest, AnswersNothingAndClosesNothingOnceTheCompositorHasGone) {
    TestWindow window(dir, "Reste - Mozilla", {200, 150});
    ASSERT_TRUE(window.waitShown());
    const WindowHandle handle = handleOf(waitForContainer(dir, "Reste - Mozilla"));
    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(handle) != nullptr; }));

    // A second, private sway: the desktop connected to it loses it.
    WaylandSession other("sway");
    ASSERT_TRUE(other.started());
    auto lost = SwayDesktop::connect(sessionVariable(other.dir(), "SWAYSOCK"));
    ASSERT_TRUE(lost);
    TestWindow elsewhere(other.dir(), "Ailleurs - Mozilla", {200, 150});
    ASSERT_TRUE(elsewhere.waitShown());
    ASSERT_TRUE(waitWithEvents([&] { return !walk(*lost).empty(); }));
    swaymsg(other.dir(), "exit"); // sway may go before it answers
    EXPECT_TRUE(waitWithEvents([&] { return !lost->connected(); }));
    EXPECT_TRUE(walk(*lost).empty());
    EXPECT_EQ(decidedClose(*lost, handle), CloseRequest::Refused);

    EXPECT_FALSE(window.sawClose());
    EXPECT_EQ(titleOf(*desktop, handle), "Reste - Mozilla") << "the first session is untouched";
}

// sway drops a client that reads too slowly, and i3 keeps its socket through
// a restart: a lost connection empties the model, says so, and is joined
// again, events and all.
TEST_F(SwayDesktopTest, ALostConnectionIsToldAndJoinedAgain) {
    SocketRelay relay(sessionVariable(dir, "SWAYSOCK"));
    auto relayed = SwayDesktop::connect(relay.path());
    ASSERT_TRUE(relayed);
    std::vector<std::string> told;
    relayed->watchNotice([&](const std::string& notice) { told.push_back(notice); });
    TestWindow window(dir, "Revient - Mozilla", {200, 150});
    ASSERT_TRUE(window.waitShown());
    const WindowHandle handle = handleOf(waitForContainer(dir, "Revient - Mozilla"));
    ASSERT_TRUE(waitWithEvents([&] { return relayed->find(handle) != nullptr; }));

    relay.cut();
    ASSERT_TRUE(waitWithEvents([&] { return !told.empty(); }));
    EXPECT_NE(told[0].find("aucune fenêtre n'est surveillée"), std::string::npos) << told[0];
    EXPECT_TRUE(walk(*relayed).empty()) << "nothing is answered from a lost connection";
    EXPECT_EQ(decidedClose(*relayed, handle), CloseRequest::Refused);

    ASSERT_TRUE(waitWithEvents([&] { return relayed->find(handle) != nullptr; }, 10000));
    EXPECT_EQ(relay.connections(), 2);
    EXPECT_EQ(told.back(), "") << "the notice goes once the windows are back";
    window.retitle("Revenue - Mozilla");
    EXPECT_TRUE(waitWithEvents([&] { return titleOf(*relayed, handle) == "Revenue - Mozilla"; }))
        << "window events come again";
    EXPECT_FALSE(window.sawClose());
    EXPECT_EQ(decidedClose(*relayed, handle), CloseRequest::Sent);
    EXPECT_TRUE(window.waitClosed());
}

// i3's IPC served from a thread of its own: each GET_TREE is answered with
// the tree it holds at that moment, and window events go out when told. A
// client that goes is followed by the next to connect; the first
// subscriptions may be refused.
class FakeCompositor {
public:
    explicit FakeCompositor(QByteArray tree) : tree_(std::move(tree)) {
        thread_.reset(QThread::create([this] { serve(); }));
        thread_->start();
        while (!listening_)
            QThread::msleep(1);
    }
    ~FakeCompositor() {
        stop_ = true;
        thread_->wait();
    }
    QString path() const { return dir_.filePath("ipc"); }
    void setTree(const QByteArray& tree) {
        QMutexLocker lock(&mutex_);
        tree_ = tree;
    }
    void sendEvent(const QByteArray& event) {
        QMutexLocker lock(&mutex_);
        out_ += message(0x80000003, event);
    }
    int treesSent() const { return treesSent_; }
    void refuseSubscriptions(int count) { refusals_ = count; }
    // While paused, requests wait for their answers.
    void pause(bool paused) { paused_ = paused; }
    // When each client connected, in milliseconds since the start.
    std::vector<qint64> connections() {
        QMutexLocker lock(&mutex_);
        return connections_;
    }
    QByteArrayList commands() {
        QMutexLocker lock(&mutex_);
        return commands_;
    }

private:
    static QByteArray message(uint32_t type, const QByteArray& payload) {
        const uint32_t length = uint32_t(payload.size());
        return "i3-ipc" + QByteArray(reinterpret_cast<const char*>(&length), 4) +
               QByteArray(reinterpret_cast<const char*>(&type), 4) + payload;
    }
    void serve() {
        QLocalServer server;
        server.listen(path());
        listening_ = true;
        QElapsedTimer clock;
        clock.start();
        while (!stop_) {
            if (!server.waitForNewConnection(10)) continue;
            std::unique_ptr<QLocalSocket> client(server.nextPendingConnection());
            {
                QMutexLocker lock(&mutex_);
                connections_.push_back(clock.elapsed());
            }
            serve(*client);
        }
    }
    // Called with the mutex held.
    QByteArray answer(uint32_t type) {
        if (type == 4) return tree_;
        if (type != 2) return R"([{"success":true}])";
        return refusals_-- > 0 ? R"({"success":false})" : R"({"success":true})";
    }
    void serve(QLocalSocket& client) {
        QByteArray in;
        while (!stop_ && client.state() == QLocalSocket::ConnectedState) {
            client.waitForReadyRead(10);
            in += client.readAll();
            QMutexLocker lock(&mutex_);
            uint32_t length = 0, type = 0;
            while (!paused_ && in.size() >= 14) {
                std::memcpy(&length, in.constData() + 6, 4);
                std::memcpy(&type, in.constData() + 10, 4);
                if (in.size() < 14 + qsizetype(length)) break;
                if (type == 0) commands_ << in.mid(14, length);
                in.remove(0, 14 + length);
                treesSent_ += type == 4;
                client.write(message(type, answer(type)));
            }
            client.write(std::exchange(out_, {}));
            client.flush();
        }
    }

    QTemporaryDir dir_;
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> listening_{false}, stop_{false}, paused_{false};
    std::atomic<int> treesSent_{0}, refusals_{0};
    std::vector<qint64> connections_;
    QMutex mutex_;
    QByteArray tree_, out_;
    QByteArrayList commands_;
};

// i3 as i3 4.22 tells it, what matters kept: a tiled window whose container
// holds its title bar, a floating one, one in the scratchpad, and the bar and
// a panel in the dock areas.
const QByteArray I3Tree = R"({"type":"root","nodes":[
 {"type":"output","name":"__i3","nodes":[{"type":"con","name":"content","nodes":[
  {"type":"workspace","name":"__i3_scratch","floating_nodes":[{"type":"floating_con","nodes":[
   {"id":94732013144896,"type":"con","name":"Pub tuile","window":10485796}]}]}]}]},
 {"type":"output","name":"screen","nodes":[
  {"type":"dockarea","name":"topdock","nodes":[{"id":94732013126480,"type":"con","window":6291462}]},
  {"type":"con","name":"content","window":null,"nodes":[
   {"type":"workspace","name":"1","window":null,"nodes":[
    {"id":94732013155280,"type":"con","name":"Offre","window":14680074,
     "rect":{"x":0,"y":34,"width":1024,"height":712},"deco_rect":{"height":20}}],
    "floating_nodes":[{"type":"floating_con","window":null,"nodes":[
     {"id":94732013123968,"type":"con","name":"Flotte","window":12582922,
      "rect":{"x":427,"y":296,"width":170,"height":188},"deco_rect":{"height":20}}]}]}]},
  {"type":"dockarea","name":"bottomdock","nodes":[
   {"id":94732013121744,"type":"con","name":"i3bar for output screen","window":8388614}]}]}]})";

// A window of sway's tree, titled with these bytes.
QByteArray swayWindow(qint64 id, const QByteArray& title) {
    return R"({"id":)" + QByteArray::number(id) + R"(,"type":"con","shell":"xdg_shell","name":")" +
           title + R"(","rect":{"x":0,"y":0,"width":100,"height":80},"nodes":[]})";
}

QByteArray swayTreeOf(const QByteArrayList& windows) {
    return R"({"id":1,"type":"root","nodes":[{"id":2,"type":"workspace","name":"1","nodes":[)" +
           windows.join(',') + "]}]}";
}

// i3 is an X11 window manager that speaks sway's IPC (I3SOCK) but names no
// kind of client: its windows are the containers of an X window, the bar and
// panels of its dock areas are not windows, and the outer rectangle is the
// container's own, title bar included.
TEST(SwayIpc, SeesI3sWindowsAndClosesNoneThatTheXServerCannotVouchFor) {
    FakeCompositor i3(I3Tree);
    // An X display that is not there: no window can be shown to take
    // WM_DELETE_WINDOW, and i3 would kill a client that does not.
    auto desktop = SwayDesktop::connect(i3.path(), 3000, ":4095");
    ASSERT_TRUE(desktop);
    ASSERT_TRUE(desktop->refresh(3000));
    // Its container numbers are addresses, too large for a handle.
    const std::vector<WindowHandle> windows = walk(*desktop);
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(titleOf(*desktop, windows[0]), "Pub tuile");
    EXPECT_EQ(titleOf(*desktop, windows[1]), "Flotte");
    EXPECT_EQ(titleOf(*desktop, windows[2]), "Offre");
    EXPECT_EQ(desktop->GetWindowRect(windows[2]), (WindowRect{0, 34, 1024, 746}));
    EXPECT_EQ(desktop->GetWindowRect(windows[1]), (WindowRect{427, 296, 597, 484}));
    EXPECT_TRUE(desktop->IsIconic(windows[0]));
    EXPECT_FALSE(desktop->IsIconic(windows[1]));
    EXPECT_EQ(decidedClose(*desktop, windows[2]), CloseRequest::Refused);

    // A window whose number does not fit a handle is closed by its own.
    i3.setTree(swayTreeOf({swayWindow(94732013160704, "Grande")}));
    ASSERT_TRUE(desktop->refresh(3000));
    ASSERT_EQ(walk(*desktop).size(), 1u);
    EXPECT_EQ(decidedClose(*desktop, walk(*desktop)[0]), CloseRequest::Sent);
    EXPECT_TRUE(waitWithEvents([&] { return !i3.commands().isEmpty(); }));
    EXPECT_EQ(i3.commands(), QByteArrayList{"[con_id=94732013160704] kill"});
}

// An X11 program's Latin-1 title reaches sway's IPC as it is: the window is
// seen with U+FFFD in its place, and so are all the others. A message that
// cannot be read at all leaves the windows seen before it.
TEST(SwayIpc, ATitleThatIsNotUtf8HidesNoWindow) {
    FakeCompositor sway(swayTreeOf({swayWindow(5, "Offre sp\xe9"
                                                  "ciale"),
                                    swayWindow(6, "Autre")}));
    auto desktop = SwayDesktop::connect(sway.path());
    ASSERT_TRUE(desktop);
    ASSERT_TRUE(desktop->refresh(3000));
    EXPECT_EQ(walk(*desktop), (std::vector<WindowHandle>{5, 6}));
    EXPECT_EQ(titleOf(*desktop, 5), "Offre sp\uFFFDciale");
    EXPECT_EQ(titleOf(*desktop, 6), "Autre");

    sway.sendEvent(R"({"change":"title","container":)" + swayWindow(6, "Caf\xe9") + "}");
    EXPECT_TRUE(waitWithEvents([&] { return titleOf(*desktop, 6) == "Caf\uFFFD"; }));

    // A new window makes the model ask for the tree, which comes cut.
    const int trees = sway.treesSent();
    sway.setTree(swayTreeOf({swayWindow(5, "Offre"), swayWindow(6, "Autre")}).chopped(3));
    sway.sendEvent(R"({"change":"new","container":)" + swayWindow(7, "Nouvelle") + "}");
    ASSERT_TRUE(waitWithEvents([&] { return sway.treesSent() > trees; }));
    // Replies and events come in order: once this title is in, the tree was read.
    sway.sendEvent(R"({"change":"title","container":)" + swayWindow(5, "Lue") + "}");
    ASSERT_TRUE(waitWithEvents([&] { return titleOf(*desktop, 5) == "Lue"; }));
    EXPECT_EQ(walk(*desktop), (std::vector<WindowHandle>{5, 6}));
    EXPECT_EQ(titleOf(*desktop, 6), "Caf\uFFFD");
}

// Without its subscription the model would never hear of a window again:
// a refused one is a lost connection, said, and joined again with the
// back-off, one second after the first refusal and two after the second.
TEST(SwayIpc, ARefusedSubscriptionIsToldAndTriedAgainWithTheBackOff) {
    FakeCompositor sway(swayTreeOf({swayWindow(5, "Offre")}));
    sway.refuseSubscriptions(2);
    auto desktop = SwayDesktop::connect(sway.path());
    ASSERT_TRUE(desktop);
    std::vector<std::string> told;
    desktop->watchNotice([&](const std::string& notice) { told.push_back(notice); });
    ASSERT_TRUE(waitWithEvents([&] { return !told.empty(); }));
    EXPECT_NE(told[0].find("a refusé de signaler les changements de fenêtres"), std::string::npos)
        << told[0];
    EXPECT_TRUE(walk(*desktop).empty()) << "nothing is answered without the events";
    EXPECT_EQ(decidedClose(*desktop, 5), CloseRequest::Refused);

    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(5) != nullptr; }, 10000));
    const std::vector<qint64> joined = sway.connections();
    ASSERT_EQ(joined.size(), 3u);
    EXPECT_GE(joined[1] - joined[0], 900);
    EXPECT_GE(joined[2] - joined[1], 1900) << "the second try waits twice as long";
    EXPECT_EQ(told.back(), "") << "the notice goes once the subscription is taken";
    sway.sendEvent(R"({"change":"title","container":)" + swayWindow(5, "Suivie") + "}");
    EXPECT_TRUE(waitWithEvents([&] { return titleOf(*desktop, 5) == "Suivie"; }))
        << "window events come again";
}

// A compositor that takes its time is waited for by nobody: the model
// starts empty, the notice says that the answer is late, and the answer
// fills the model and clears the notice when it comes.
TEST(SwayIpc, ALateAnswerIsToldAndTakenWhenItComes) {
    FakeCompositor sway(swayTreeOf({swayWindow(5, "Offre")}));
    sway.pause(true);
    auto desktop = SwayDesktop::connect(sway.path(), 2000);
    ASSERT_TRUE(desktop);
    std::vector<std::string> told;
    desktop->watchNotice([&](const std::string& notice) { told.push_back(notice); });
    EXPECT_TRUE(walk(*desktop).empty());
    ASSERT_TRUE(waitWithEvents([&] { return !told.empty(); }, 10000));
    EXPECT_NE(told[0].find("n'a pas répondu en 2 secondes"), std::string::npos) << told[0];

    sway.pause(false);
    ASSERT_TRUE(waitWithEvents([&] { return desktop->find(5) != nullptr; }));
    EXPECT_EQ(told.back(), "");
}

} // namespace
