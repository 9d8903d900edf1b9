#include "blocking/desktops/sway_desktop.h"

#include "blocking/desktops/xwayland_protocols.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    WindowHandle id = 0;
    ModelWindow window;
    uint32_t xWindow = 0; // an XWayland window's X id
};

// The outer rectangle: sway gives the title bar apart, above the rectangle
// that holds the borders and the content.
WindowRect outerRect(const QJsonObject& node) {
    const QJsonObject rect = node["rect"].toObject();
    const int decoration = node["deco_rect"].toObject()["height"].toInt();
    const int x = rect["x"].toInt(), y = rect["y"].toInt();
    return {x, y - decoration, x + rect["width"].toInt(), y + rect["height"].toInt()};
}

// Windows are the containers that hold a client ("shell" names its kind).
// Floating windows lie above the tiled ones of their workspace, the last
// one on top.
void collect(const QJsonObject& node, bool inScratchpad, std::vector<FoundWindow>& out) {
    if (node["type"].toString() == QLatin1String("workspace") &&
        node["name"].toString() == QLatin1String("__i3_scratch"))
        inScratchpad = true;
    if (node.contains(QLatin1String("shell"))) {
        FoundWindow found;
        found.id = WindowHandle(node["id"].toInteger());
        found.window.title = node["name"].toString().toStdString();
        found.window.rect = outerRect(node);
        found.window.iconic = inScratchpad;
        if (node["shell"].toString() == QLatin1String("xwayland"))
            found.xWindow = uint32_t(node["window"].toInteger());
        out.push_back(std::move(found));
    }
    const QJsonArray floating = node["floating_nodes"].toArray();
    for (qsizetype i = floating.size() - 1; i >= 0; --i)
        collect(floating[i].toObject(), inScratchpad, out);
    for (const QJsonValue& child : node["nodes"].toArray())
        collect(child.toObject(), inScratchpad, out);
}

} // namespace

SwayDesktop::SwayDesktop(std::string xDisplay) : xDisplay_(std::move(xDisplay)) {}

SwayDesktop::~SwayDesktop() {
    // The socket says it is disconnected as it goes, after the model has gone.
    QObject::disconnect(&socket_, nullptr, nullptr, nullptr);
}

std::unique_ptr<SwayDesktop> SwayDesktop::connect(const QString& socketPath, int timeoutMs,
                                                  const std::string& xDisplay) {
    std::unique_ptr<SwayDesktop> desktop(new SwayDesktop(xDisplay));
    SwayDesktop* d = desktop.get();
    d->socket_.connectToServer(socketPath);
    if (!d->socket_.waitForConnected(timeoutMs)) return nullptr;
    QObject::connect(&d->socket_, &QLocalSocket::readyRead, &d->socket_,
                     [d] { d->readMessages(); });
    QObject::connect(&d->socket_, &QLocalSocket::disconnected, &d->socket_, [d] {
        d->forgetAll();
        d->xWindows_.clear();
        if (!d->lossReported_)
            std::fprintf(stderr, "vornel: the connection to sway was lost; no window is watched\n");
        d->lossReported_ = true;
    });
    d->send(Subscribe, R"(["window"])");
    if (!d->refresh(timeoutMs)) return nullptr;
    return desktop;
}

bool SwayDesktop::connected() const {
    return socket_.state() == QLocalSocket::ConnectedState;
}

bool SwayDesktop::refresh(int timeoutMs) {
    askTree();
    QDeadlineTimer deadline(timeoutMs);
    while (treesAsked_ > 0) {
        if (!connected() || !socket_.waitForReadyRead(int(deadline.remainingTime()))) return false;
        readMessages();
    }
    return true;
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
    if (type == GetTree) {
        // Only the newest of several trees on their way is worth reading.
        if (--treesAsked_ == 0) takeTree(QJsonDocument::fromJson(payload).object());
        return;
    }
    if (type != WindowEvent) return;
    const QJsonObject event = QJsonDocument::fromJson(payload).object();
    const QString change = event["change"].toString();
    const QJsonObject container = event["container"].toObject();
    const auto id = WindowHandle(container["id"].toInteger());
    if (change == QLatin1String("close")) {
        forget(id);
        xWindows_.erase(id);
    } else if (change == QLatin1String("title")) {
        if (find(id)) entry(id).title = container["name"].toString().toStdString();
    } else if (treesAsked_ == 0) {
        // A new, moved or resized window can change the size and place of the
        // windows around it too: the whole tree says it at once.
        askTree();
    }
}

void SwayDesktop::takeTree(const QJsonObject& root) {
    std::vector<FoundWindow> found;
    collect(root, false, found);
    std::vector<WindowHandle> order;
    order.reserve(found.size());
    for (const FoundWindow& f : found)
        order.push_back(f.id);
    setOrder(std::move(order));
    xWindows_.clear();
    for (FoundWindow& f : found) {
        entry(f.id) = std::move(f.window);
        if (f.xWindow) xWindows_[f.id] = f.xWindow;
    }
}

bool SwayDesktop::requestClose(WindowHandle window) {
    if (!connected()) return false;
    if (auto x = xWindows_.find(window);
        x != xWindows_.end() && !listsDeleteWindow(xDisplay_, x->second))
        return false;
    send(RunCommand, "[con_id=" + QByteArray::number(window) + "] kill");
    return true;
}

} // namespace vornel
