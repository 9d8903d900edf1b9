#pragma once

#include "blocking/desktops/bus_question.h"
#include "blocking/desktops/reconnection.h"
#include "blocking/desktops/tool_run.h"
#include "blocking/desktops/window_model.h"
#include "blocking/desktops/xwayland_protocols.h"

#include <QDBusConnection>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace vornel {

class GnomeShellReceiver;

// The windows of a GNOME session, as seen by a GNOME Shell extension of ours
// (gnome-shell/legacy for GNOME 40 to 44, gnome-shell/modules for 45 and
// later) that lists them on the session bus, closes the ones asked for and
// signals every change; the model asks for the list again at the first tick
// after a change, and not at all while nothing changes. A handle is a number
// of our own for each window of the shell.
//
// GNOME loads an extension only when it is enabled as the shell starts, so
// on the first run the extension is installed for the user and enabled, and
// the windows become visible from the next login on; notice() says so.
// Nothing waits on the shell or gsettings: the model fills, or the notice
// says why it does not, as their answers come in.
class GnomeDesktop : public WindowModel {
public:
    static constexpr const char* Uuid = "vornel@vornel.org";
    // How long the shell and gsettings are given to answer each question.
    static constexpr int CallMs = 3000;

    // Null when GNOME Shell is not on the bus. Sets the extension up when it
    // is not running, unless this is only a look (--windows), which changes
    // nothing; either as the answers come. xDisplay is the XWayland display, asked before an X
    // window is closed.
    static std::unique_ptr<GnomeDesktop>
    connect(const std::string& xDisplay, bool lookOnly = false,
            QDBusConnection bus = QDBusConnection::sessionBus());
    ~GnomeDesktop() override;
    GnomeDesktop(const GnomeDesktop&) = delete;
    GnomeDesktop& operator=(const GnomeDesktop&) = delete;

    // What the user must know, in French, when the extension does not run;
    // empty when it does.
    const QString& notice() const { return notice_; }
    // Whether this run installed or enabled the extension: the notice then
    // deserves a message of its own, once.
    bool setUpNow() const { return setUpNow_; }
    // Whether the extension answered the last request for the windows.
    bool answering() const { return answering_; }
    // Runs the event loop until the extension has answered or the notice
    // says why it does not, at most msecs: for a look. False when not.
    bool waitUntilSettled(int msecs);
    bool noticeTellsOfSetUp() const override { return setUpTold_; }

    // The extension's folder for the shell's version, among the program's
    // resources.
    static QString extensionSource(int shellMajorVersion);

    // The user turning the extension off (or on again) while the program runs.
    void watchNotice(std::function<void(const std::string&)> changed) override;

protected:
    // The extension's polite close for a Wayland window; an XWayland window
    // gets WM_DELETE_WINDOW from us, and only when it lists it.
    CloseRequest requestClose(WindowHandle window) override;
    void update() override;

private:
    friend class GnomeShellReceiver;
    GnomeDesktop(QDBusConnection bus, std::string xDisplay, bool lookOnly);

    // What the extension's list said.
    enum class Feed { Ours, NotOurs, None };
    void newsArrived();
    // The list asked for without waiting; listed() takes it in when it comes.
    void askForWindows();
    void listed(const QDBusMessage& reply);
    Feed takeWindows(const QDBusMessage& reply);
    // The steps of the set-up, one answer leading to the next.
    void setUpExtension();
    void readSetting(const char* key, std::function<void(const std::optional<QStringList>&)> done);
    void askExtensionInfo();
    void extensionKnown(const QVariantMap& known);
    void installExtension(int shellMajorVersion);
    void enabledForNextLogin();
    // The start-up is over; notice is what the user is told of it.
    void settled(const QString& notice);
    void shellSilent(const QDBusMessage& reply, const QString& what);
    // ofSetUp: the notice tells of what the set-up did.
    void tell(const QString& notice, bool ofSetUp = false);
    WindowHandle handleFor(const QString& id);

    QDBusConnection bus_;
    XWaylandQuestions xQuestions_;
    bool lookOnly_;
    std::unique_ptr<GnomeShellReceiver> receiver_;
    BusQuestion list_;
    BusQuestion nameClaim_;
    BusQuestion setUp_;         // the start-up's questions to the shell
    ToolRun gsettings_{CallMs}; // and to gsettings
    bool starting_ = true;      // until the first list, or the set-up, settles
    bool silentTold_ = false;   // the notice says the shell did not answer
    bool setUpTold_ = false;    // the notice tells of the set-up this run did
    bool claimNotice_ = false;  // the notice says who holds our name
    bool nameOwned_ = false;
    bool refusedTold_ = false; // the extension refuses us, and the notice says so
    // Until the extension answers: each try asks for the list at the next tick.
    Reconnection listAgain_{[this] {
        newsArrived();
        return false;
    }};
    void claimName();
    Reconnection claimAgain_{[this] {
        claimName();
        return false;
    }};
    bool changed_ = true;
    int extensionState_ = 0; // as the shell last announced it; 0 before any news
    QString notice_;
    std::function<void(const std::string&)> noticeChanged_;
    bool setUpNow_ = false;
    bool borrowed_ = false; // a look that holds the running instance's windows
    bool nameLost_ = false, nameLostTold_ = false;
    bool answering_ = false;

    struct Known {
        QString id;
        uint32_t xid = 0;
    };
    std::unordered_map<QString, WindowHandle> handles_;
    std::unordered_map<WindowHandle, Known> known_;
    WindowHandle nextHandle_ = 1;
};

} // namespace vornel
