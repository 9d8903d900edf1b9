// Vornel's window feed inside KWin (Plasma 5.27 and 6).
//
// KWin lets no client list other programs' windows, but a script loaded into
// it sees them all. This script tells Vornel, over the session bus, of every
// window's arrival, change and departure, and closes the windows Vornel asks
// it to close. It has no other power: it reads no other state, runs nothing
// it is sent, and closes only with closeWindow(), the polite request
// (xdg_toplevel.close, or WM_DELETE_WINDOW for an X11 window).
//
// A script cannot export D-Bus methods, so requests travel the other way
// round: the script keeps one call to Vornel's closeRequests open at all
// times. Vornel answers it as soon as it has windows to close, or with an
// empty list before the bus's call timeout; either way the script then calls
// again. An idle desktop costs one call every few seconds and no work at all
// in between. When Vornel has gone the call fails, KWin drops the callback,
// and the loop ends by itself. A call that failed because Vornel was too
// busy to answer in time ends it too: the next window event then opens a
// new one.
//
// Vornel writes these names; the script's part of the bargain is to send
// only strings, which D-Bus matches against Vornel's signatures whatever
// number types the engine would pick.
//
// The script talks to the program that loaded it and to no other: at its
// start it asks the bus who owns Vornel's name (the run that loaded it, which
// lets no one take the name over) and from then on calls that connection's
// own name, which the bus never gives to another. A script that a crashed run
// left loaded thus calls no one, whoever takes Vornel's name later.
var service = "";
var path = "/KWinScript";
var iface = "org.vornel.KWinScript";

var windows = {}; // id -> window, the ones Vornel has been told of
var pollSince = 0; // when the open call went out; 0 while none is open
var pollGivenUpMs = 30000; // longer than the bus waits for an answer

function allWindows() {
    // Plasma 6 renamed the client calls of Plasma 5.
    return workspace.windowList ? workspace.windowList() : workspace.clientList();
}

function idOf(w) {
    return String(w.internalId);
}

// Application windows: not the desktop, panels, notifications, menus or
// tooltips, which no rule is meant for.
function watched(w) {
    return w && !w.deleted && !w.specialWindow && !w.popupWindow && w.managed !== false;
}

// Plasma 6 gives no X id; its X windows are objects of KWin's X11Window class.
function isX11(w) {
    return !!w.windowId || /X11/.test(String(w));
}

// The title as the program set it. KWin's caption adds " <2>", " <3>"... to
// a window whose title another window has (and a window shortcut's or a
// remote host's name): a rule on the title must find every copy. Plasma 6
// gives the title alone; on 5.27 KWin's count is taken off, with the
// left-to-right mark that follows it on an X window's title.
function titleOf(w) {
    if (w.captionNormal !== undefined) return String(w.captionNormal);
    return String(w.caption).replace(/ <([2-9]|[1-9][0-9]+)>\u200e?$/, "");
}

function describe(w) {
    var g = w.frameGeometry;
    return JSON.stringify({
        id: idOf(w),
        title: titleOf(w),
        x: Math.round(g.x),
        y: Math.round(g.y),
        width: Math.round(g.width),
        height: Math.round(g.height),
        minimized: !!w.minimized,
        stacking: w.stackingOrder || 0,
        // Whether it is an XWayland window, and its X id where KWin gives
        // it (Plasma 5), so that Vornel can check that the window takes
        // WM_DELETE_WINDOW: KWin kills an X11 client that does not.
        x11: isX11(w),
        xid: String(w.windowId || 0)
    });
}

function send(w) {
    callDBus(service, path, iface, "windowChanged", describe(w));
    keepPolling();
}

function add(w) {
    if (!watched(w) || windows[idOf(w)]) return;
    windows[idOf(w)] = w;
    var changed = function () {
        if (windows[idOf(w)]) send(w);
    };
    w.captionChanged.connect(changed);
    w.frameGeometryChanged.connect(changed);
    w.minimizedChanged.connect(changed);
    if (w.stackingOrderChanged) w.stackingOrderChanged.connect(changed);
    send(w);
}

function remove(w) {
    var id = idOf(w);
    if (!windows[id]) return;
    delete windows[id];
    callDBus(service, path, iface, "windowRemoved", id);
    keepPolling();
}

function poll() {
    pollSince = Date.now();
    callDBus(service, path, iface, "closeRequests", function (ids) {
        pollSince = 0;
        for (var i = 0; ids && i < ids.length; ++i) {
            var w = windows[ids[i]];
            if (w) w.closeWindow();
        }
        poll();
    });
}

function keepPolling() {
    if (pollSince !== 0 && Date.now() - pollSince > pollGivenUpMs) poll();
}

function start(owner) {
    if (!owner || String(owner).charAt(0) !== ":") return;
    service = String(owner);
    if (workspace.windowAdded) {
        workspace.windowAdded.connect(add);
        workspace.windowRemoved.connect(remove);
    } else {
        workspace.clientAdded.connect(add);
        workspace.clientRemoved.connect(remove);
    }
    var present = allWindows();
    for (var i = 0; i < present.length; ++i) add(present[i]);
    // Calls reach Vornel in the order they are made, so the first poll tells
    // it that every window present at the start has been reported.
    poll();
}

// With no owner the bus answers with an error, and the script never starts.
callDBus("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner",
         "org.vornel.Vornel", start);
