#pragma once

#include "blocking/desktops/bus_question.h"
#include "blocking/desktops/reconnection.h"
#include "blocking/desktops/window_model.h"
#include "blocking/desktops/xwayland_protocols.h"

#include <QDBusConnection>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

namespace vornel {

class KWinScriptReceiver;

// The windows of a KDE Plasma session, as seen by a small KWin script of ours
// (kwin/vornel_windows.js, built into the program) that reports them over the session bus and
// closes the ones asked for. The script is loaded into KWin once this program owns its bus name and
// unloaded when it ends; a copy that an earlier run left loaded is replaced. A handle is a number
// of our own for each KWin window.
//
// Runs hand over through the bus name: a new run queues for it and loads its
// script only when the earlier one, having unloaded its own, lets go. A
// script unloaded from outside (a user's script manager) is missed when it
// no longer calls, and loaded again.
class KWinDesktop : public WindowModel {
public:
    static constexpr const char* ScriptName = "vornel";

    // Null when KWin is not on the bus or the script cannot be written;
    // why then says which, in French. xDisplay is the XWayland display,
    // asked before an X window is closed. once: a one-time look
    // (--windows), which asks a running instance for its windows, and loads
    // the script itself only when none runs. script: the script file KWin
    // loads; empty: the program's own, written by writeScript().
    static std::unique_ptr<KWinDesktop> connect(const std::string& xDisplay, std::string& why,
                                                bool once = false,
                                                QDBusConnection bus = QDBusConnection::sessionBus(),
                                                QString script = {});
    ~KWinDesktop() override;
    KWinDesktop(const KWinDesktop&) = delete;
    KWinDesktop& operator=(const KWinDesktop&) = delete;

    // Runs the event loop until our own script is loaded and a script has
    // reported the windows present, at most msecs; false when not.
    bool waitForWindows(int msecs);

    // The script the program carries.
    static QByteArray scriptText();
    // Writes it into $XDG_RUNTIME_DIR/vornel, created for this user alone,
    // for KWin to load; its path, or empty with why said.
    static QString writeScript(std::string& why);

protected:
    // closeWindow() in KWin. An XWayland window only when it lists
    // WM_DELETE_WINDOW, since KWin kills an X11 client that does not.
    CloseRequest requestClose(WindowHandle window) override;
    void update() override;

private:
    friend class KWinScriptReceiver;
    KWinDesktop(QDBusConnection bus, QString script, std::string xDisplay);

    // Asks for the bus name; a refusal is said and asked again later.
    void claimName();
    void watchForKWin();
    // Loading goes in steps, each a question to KWin that nothing waits
    // for: an earlier copy unloaded, ours loaded, then started.
    void loadScript();
    void loadNow();
    void started();
    // Loading failed, or the script never reported: said, and tried again.
    void notLoaded(const std::string& why);
    void unloadScript();
    // The script has not called since its last answer: is it still loaded?
    void scriptSilent();
    void scriptReported();
    void windowChanged(const QString& json);
    void windowRemoved(const QString& id);
    WindowHandle handleFor(const QString& id);

    QDBusConnection bus_;
    QString script_;
    XWaylandQuestions xQuestions_;
    std::unique_ptr<KWinScriptReceiver> receiver_;
    BusQuestion loading_;
    BusQuestion silentCheck_;
    BusQuestion nameClaim_;
    QTimer reportDue_; // from the script's start to its first report
    bool loaded_ = false;
    bool orderChanged_ = false;
    bool borrowed_ = false; // a look that holds the running instance's windows
    bool ownsName_ = false; // Vornel's bus name is this connection's
    // The answers, not the attempt, tell: the first report ends the tries.
    Reconnection reload_{[this] {
        loadScript();
        return false;
    }};

    struct Known {
        QString id;
        int stacking = 0;
        uint32_t xid = 0; // 0 where KWin does not give it (Plasma 6)
        bool x11 = false; // an XWayland window
    };
    Reconnection claimAgain_{[this] {
        claimName();
        return false;
    }};

    std::unordered_map<QString, WindowHandle> handles_;
    std::unordered_map<WindowHandle, Known> known_;
    WindowHandle nextHandle_ = 1;
};

} // namespace vornel
