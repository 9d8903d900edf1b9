#pragma once

#include "blocking/desktops/reconnection.h"
#include "blocking/desktops/window_model.h"
#include "blocking/desktops/xwayland_protocols.h"

#include <QByteArray>
#include <QJsonObject>
#include <QLocalSocket>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace vornel {

// The windows of sway, or of i3 (whose IPC sway speaks), kept current from
// their window events. A handle is the container id (a number of ours for
// i3's, which are too large); a window on another workspace is visible, one
// in the scratchpad is minimised; the outer rectangle holds the title bar
// and the borders.
//
// The socket is read by the event loop: no call waits on the compositor
// (but refresh(), for a one-time look). A lost connection, or a refused
// subscription to the window events, empties the model, says so in the
// notice, and is joined again (i3 keeps its socket through a restart; sway
// drops a client that reads too slowly).
class SwayDesktop : public WindowModel {
public:
    // Connecting to the IPC socket at socketPath, then subscribed to window
    // events and asking for the first tree, as the answers come; null when
    // the socket is not there or refuses at once. An answer that takes
    // longer than timeoutMs is told in the notice. xDisplay is the XWayland
    // display ($DISPLAY when empty).
    static std::unique_ptr<SwayDesktop> connect(const QString& socketPath, int timeoutMs = 3000,
                                                const std::string& xDisplay = {});
    ~SwayDesktop() override;
    SwayDesktop(const SwayDesktop&) = delete;
    SwayDesktop& operator=(const SwayDesktop&) = delete;

    // Whether the compositor is still connected.
    bool connected() const;
    // Messages sent to the compositor so far; an idle desktop sends none.
    uint64_t messagesSent() const { return messagesSent_; }
    // Reads the whole tree again, running the event loop up to timeoutMs
    // until it is in; for one-shot listings and tests. False when it did not
    // come.
    bool refresh(int timeoutMs);

    // The tree of the compositor as the model takes it in (exposed for tests).
    void takeTree(const QJsonObject& root);

protected:
    // Sends "[con_id=N] kill", which sway turns into xdg_toplevel.close for a
    // Wayland window. For an X11 window (XWayland's, or any of i3's) it is
    // WM_DELETE_WINDOW when the window lists that protocol and a kill of its
    // client when it does not, so such a window is closed only when it lists it.
    CloseRequest requestClose(WindowHandle window) override;

private:
    SwayDesktop(QString socketPath, int timeoutMs, std::string xDisplay);

    // Starts connecting; false when the socket refused at once.
    bool join();
    void greet();
    void lost();
    void unanswered();
    void subscribed(const QByteArray& payload);
    void answered();
    void send(uint32_t type, const QByteArray& payload = {});
    void readMessages();
    void take(uint32_t type, const QByteArray& payload);
    void askTree();
    WindowHandle handleOf(qint64 container, bool add);

    QString socketPath_;
    QLocalSocket socket_;
    // The answer to the subscription, not the attempt, ends the tries.
    Reconnection reconnection_{[this] {
        join();
        return false;
    }};
    QTimer answerDue_;         // the connection, or an answer asked for, is late
    bool greeted_ = false;     // subscription and tree asked on this connection
    bool subscribing_ = false; // its answer not in yet
    bool refused_ = false;     // the subscription was refused
    bool silenceTold_ = false; // the notice says an answer is late
    QByteArray received_;
    int treesAsked_ = 0; // GET_TREE requests not answered yet
    uint64_t messagesSent_ = 0;
    bool unreadableReported_ = false;
    // The X window of each XWayland window.
    std::unordered_map<WindowHandle, uint32_t> xWindows_;
    // The containers whose numbers do not fit a handle (i3's), both ways.
    static constexpr WindowHandle OwnHandles = 0x80000000;
    std::unordered_map<qint64, WindowHandle> handleOf_;
    std::unordered_map<WindowHandle, qint64> containerOf_;
    WindowHandle nextHandle_ = OwnHandles;
    XWaylandQuestions xQuestions_;
};

} // namespace vornel
