#include "blocking/desktops/sway_desktop.h"

#include "blocking/desktops/xwayland_protocols.h"
#include "common/log_categories.h"
#include "common/program_language.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace vornel {

namespace {

// The i3 IPC framing: magic, payload length, message type, payload, the two
// numbers in the machine's byte order.
constexpr char Magic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr int HeaderSize = sizeof Magic + 8;

enum MessageType : uint32_t {
    RunCommand = 0,
    Subscribe = 2,
    GetTree = 4,
    WindowEvent = 0x80000003,
};

struct FoundWindow {
    qint64 container = 0;
    ModelWindow window;
    uint32_t xWindow = 0; // an XWayland window's X id
};

// The outer rectangle: sway gives the title bar apart, above the rectangle
// that holds the borders and the content; i3's rectangle holds it already.
WindowRect outerRect(const QJsonObject& node) {
    const QJsonObject rect = node["rect"].toObject();
    const int decoration =
        node.contains(QLatin1String("shell")) ? node["deco_rect"].toObject()["height"].toInt() : 0;
    const int x = rect["x"].toInt(), y = rect["y"].toInt();
    return {x, y - decoration, x + rect["width"].toInt(), y + rect["height"].toInt()};
}

// Windows are the containers that hold a client: sway names its kind
// ("shell"); i3, an X11 window manager, gives the X window of the container
// and no kind.
bool holdsWindow(const QJsonObject& node) {
    if (node.contains(QLatin1String("shell"))) return true;
    const QString type = node["type"].toString();
    return node["window"].isDouble() &&
           (type == QLatin1String("con") || type == QLatin1String("floating_con"));
}

// Floating windows lie above the tiled ones of their workspace, the last one
// on top. i3's dock area holds its bar and other panels, which are no
// program's windows.
void collect(const QJsonObject& node, bool inScratchpad, std::vector<FoundWindow>& out) {
    const QString type = node["type"].toString();
    if (type == QLatin1String("dockarea")) return;
    if (type == QLatin1String("workspace") &&
        node["name"].toString() == QLatin1String("__i3_scratch"))
        inScratchpad = true;
    if (holdsWindow(node)) {
        FoundWindow found;
        found.container = node["id"].toInteger();
        found.window.title = node["name"].toString().toStdString();
        found.window.rect = outerRect(node);
        found.window.iconic = inScratchpad;
        // Every window of i3 is an X11 one, as are sway's XWayland ones.
        const QJsonValue shell = node["shell"];
        if (shell.isUndefined() || shell.toString() == QLatin1String("xwayland"))
            found.xWindow = uint32_t(node["window"].toInteger());
        out.push_back(std::move(found));
    }
    const QJsonArray floating = node["floating_nodes"].toArray();
    for (qsizetype i = floating.size() - 1; i >= 0; --i)
        collect(floating[i].toObject(), inScratchpad, out);
    for (const QJsonValue& child : node["nodes"].toArray())
        collect(child.toObject(), inScratchpad, out);
}

// sway passes a title on as its client set it: an X11 program's Latin-1
// WM_NAME comes through XWayland as bytes that are not UTF-8, and the JSON
// reader refuses the whole message for them. They become U+FFFD, as in a
// title bar. Nothing when the message still cannot be read.
std::optional<QJsonObject> readObject(const QByteArray& payload) {
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error == QJsonParseError::IllegalUTF8String)
        document = QJsonDocument::fromJson(QString::fromUtf8(payload).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return document.object();
}

} // namespace

SwayDesktop::SwayDesktop(QString socketPath, int timeoutMs, std::string xDisplay)
    : socketPath_(std::move(socketPath)), xQuestions_(std::move(xDisplay), sideNews()) {
    answerDue_.setSingleShot(true);
    answerDue_.setInterval(timeoutMs);
    QObject::connect(&answerDue_, &QTimer::timeout, &socket_, [this] { unanswered(); });
    QObject::connect(&socket_, &QLocalSocket::connected, &socket_, [this] { greet(); });
    QObject::connect(&socket_, &QLocalSocket::readyRead, &socket_, [this] { readMessages(); });
    QObject::connect(&socket_, &QLocalSocket::disconnected, &socket_, [this] { lost(); });
    // A connection that did not come: the back-off tries again.
    QObject::connect(&socket_, &QLocalSocket::errorOccurred, &socket_, [this] {
        if (socket_.state() == QLocalSocket::UnconnectedState && !greeted_) lost();
    });
}

SwayDesktop::~SwayDesktop() {
    // The socket says it is disconnected as it goes, after the model has gone.
    QObject::disconnect(&socket_, nullptr, nullptr, nullptr);
}

std::unique_ptr<SwayDesktop> SwayDesktop::connect(const QString& socketPath, int timeoutMs,
                                                  const std::string& xDisplay) {
    std::unique_ptr<SwayDesktop> desktop(new SwayDesktop(socketPath, timeoutMs, xDisplay));
    // A socket that is not there, or that nothing listens on, says so at
    // once; one that takes its time is waited for by the event loop.
    if (!desktop->join()) return nullptr;
    return desktop;
}

// Nothing waits: greet() follows the connection, and the answers come
// through the event loop.
bool SwayDesktop::join() {
    socket_.abort();
    greeted_ = false;
    socket_.connectToServer(socketPath_);
    if (socket_.state() == QLocalSocket::UnconnectedState) return false;
    if (connected()) greet();
    // Connecting: answerDue_ ends a connection that does not come.
    else
        answerDue_.start();
    return true;
}

// The events subscribed to and the whole tree asked for, at the start and
// after a lost connection. The subscription's answer ends the tries.
void SwayDesktop::greet() {
    if (greeted_) return;
    greeted_ = true;
    answerDue_.stop();
    subscribing_ = true;
    send(Subscribe, R"(["window"])");
    askTree();
}

void SwayDesktop::lost() {
    forgetAll();
    xWindows_.clear();
    received_.clear();
    treesAsked_ = 0;
    subscribing_ = false;
    greeted_ = false;
    answerDue_.stop();
    if (std::exchange(refused_, false))
        setNotice(programText("SwayDesktop",
                              "Le gestionnaire de fenêtres a refusé de signaler les changements "
                              "de fenêtres : aucune fenêtre n'est surveillée. Vornel réessaie.")
                      .toStdString());
    else
        setNotice(programText("SwayDesktop",
                              "Vornel a perdu sa connexion au gestionnaire de fenêtres : aucune "
                              "fenêtre n'est surveillée. Vornel essaie de la rétablir.")
                      .toStdString());
    reconnection_.lost();
}

// The compositor took the connection but does not answer: the windows it
// would tell of are not seen meanwhile, which the notice says; its answer,
// should it come, clears the notice.
void SwayDesktop::unanswered() {
    if (!connected()) {
        // The connection never came: the back-off tries again.
        socket_.abort();
        return lost();
    }
    silenceTold_ = true;
    setNotice(QCoreApplication::translate("SwayDesktop",
                                          "Le gestionnaire de fenêtres n'a pas répondu en %1 "
                                          "secondes : les fenêtres qu'il montre ne sont pas "
                                          "toutes surveillées. Vornel attend sa réponse.")
                  .arg(answerDue_.interval() / 1000)
                  .toStdString());
}

bool SwayDesktop::connected() const {
    return socket_.state() == QLocalSocket::ConnectedState;
}

bool SwayDesktop::refresh(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    const auto until = [&](auto done) {
        while (!done()) {
            if (socket_.state() == QLocalSocket::UnconnectedState || deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return true;
    };
    if (!until([this] { return connected(); })) return false;
    askTree();
    return until([this] { return treesAsked_ == 0; });
}

void SwayDesktop::send(uint32_t type, const QByteArray& payload) {
    QByteArray message(Magic, sizeof Magic);
    const uint32_t length = uint32_t(payload.size());
    message.append(reinterpret_cast<const char*>(&length), 4);
    message.append(reinterpret_cast<const char*>(&type), 4);
    message.append(payload);
    socket_.write(message);
    ++messagesSent_;
    // Written now if the socket takes it, else by the event loop; never waits.
    socket_.flush();
}

void SwayDesktop::askTree() {
    send(GetTree);
    ++treesAsked_;
    if (!answerDue_.isActive()) answerDue_.start();
}

void SwayDesktop::readMessages() {
    received_.append(socket_.readAll());
    while (received_.size() >= HeaderSize) {
        if (!received_.startsWith(QByteArray::fromRawData(Magic, sizeof Magic))) {
            // Out of step with the stream: nothing after this can be read
            // with certainty.
            socket_.abort();
            return;
        }
        uint32_t length = 0, type = 0;
        std::memcpy(&length, received_.constData() + sizeof Magic, 4);
        std::memcpy(&type, received_.constData() + sizeof Magic + 4, 4);
        if (qsizetype(received_.size()) < HeaderSize + qsizetype(length)) return;
        const QByteArray payload = received_.mid(HeaderSize, length);
        received_.remove(0, HeaderSize + length);
        take(type, payload);
    }
}

// Replies come in the order of the requests and events in the order of the
// changes, on one stream: a tree that arrives after an event already holds
// that event's change.
void SwayDesktop::take(uint32_t type, const QByteArray& payload) {
    if (type == Subscribe) return subscribed(payload);
    if (type != GetTree && type != WindowEvent) return;
    if (type == GetTree) {
        --treesAsked_;
        answered();
        // Only the newest of several trees on their way is worth reading.
        if (treesAsked_ != 0) return;
    }
    const std::optional<QJsonObject> message = readObject(payload);
    if (!message) {
        // The windows seen so far stay; a later tree may be readable again.
        if (!unreadableReported_)
            qCWarning(lcSway, "a message from sway could not be read; the windows "
                              "seen before it are kept");
        unreadableReported_ = true;
        if (type == WindowEvent && treesAsked_ == 0) askTree();
        return;
    }
    if (type == GetTree) {
        takeTree(*message);
        return;
    }
    const QString change = (*message)["change"].toString();
    const QJsonObject container = (*message)["container"].toObject();
    const WindowHandle id = handleOf(container["id"].toInteger(), false);
    if (change == QLatin1String("close")) {
        forget(id);
        xWindows_.erase(id);
        if (auto own = containerOf_.find(id); own != containerOf_.end()) {
            handleOf_.erase(own->second);
            containerOf_.erase(own);
        }
    } else if (change == QLatin1String("title")) {
        if (find(id)) entry(id).title = container["name"].toString().toStdString();
    } else if (treesAsked_ == 0) {
        // A new, moved or resized window can change the size and place of the
        // windows around it too: the whole tree says it at once.
        askTree();
    }
}

// Without the subscription no window event comes: the model would stand
// still without a sign. A refusal counts as a lost connection.
void SwayDesktop::subscribed(const QByteArray& payload) {
    subscribing_ = false;
    answered();
    const std::optional<QJsonObject> answer = readObject(payload);
    if (!answer || !(*answer)[QLatin1String("success")].toBool()) {
        refused_ = true; // for lost() to say
        socket_.abort();
        if (greeted_) lost(); // the socket did not tell
        return;
    }
    reconnection_.found();
    setNotice({});
}

// An answer came: the time limit runs again for the questions still out.
void SwayDesktop::answered() {
    answerDue_.stop();
    if (treesAsked_ > 0 || subscribing_) answerDue_.start();
    if (std::exchange(silenceTold_, false)) setNotice({});
}

// sway numbers its containers from 1 up: the number is the handle. i3's are
// addresses, too large for a handle: they get numbers of ours, from the upper
// half, which sway's never reach. Nothing when add is false and it has none.
WindowHandle SwayDesktop::handleOf(qint64 container, bool add) {
    if (container > 0 && container < OwnHandles) return WindowHandle(container);
    if (auto it = handleOf_.find(container); it != handleOf_.end()) return it->second;
    if (!add) return 0;
    const WindowHandle handle = nextHandle_;
    nextHandle_ = nextHandle_ == UINT32_MAX ? OwnHandles : nextHandle_ + 1;
    handleOf_[container] = handle;
    containerOf_[handle] = container;
    return handle;
}

void SwayDesktop::takeTree(const QJsonObject& root) {
    std::vector<FoundWindow> found;
    collect(root, false, found);
    std::unordered_map<qint64, WindowHandle> present;
    std::vector<WindowHandle> order;
    order.reserve(found.size());
    for (const FoundWindow& f : found)
        order.push_back(present[f.container] = handleOf(f.container, true));
    // The numbers of containers gone are let go.
    std::erase_if(handleOf_, [&](const auto& h) { return !present.contains(h.first); });
    std::erase_if(containerOf_, [&](const auto& c) { return !present.contains(c.second); });
    setOrder(order);
    xWindows_.clear();
    for (std::size_t i = 0; i < found.size(); ++i) {
        entry(order[i]) = std::move(found[i].window);
        if (found[i].xWindow) xWindows_[order[i]] = found[i].xWindow;
    }
}

CloseRequest SwayDesktop::requestClose(WindowHandle window) {
    if (!connected()) return CloseRequest::Refused;
    if (auto x = xWindows_.find(window); x != xWindows_.end()) {
        const auto polite = xQuestions_.listsDeleteWindow(window, x->second);
        if (!polite) return CloseRequest::Pending;
        if (*polite != XAnswer::Yes) return CloseRequest::Refused;
    }
    const auto own = containerOf_.find(window);
    const qint64 container = own != containerOf_.end() ? own->second : qint64(window);
    send(RunCommand, "[con_id=" + QByteArray::number(container) + "] kill");
    return CloseRequest::Sent;
}

} // namespace vornel
