// Vornel's window feed inside GNOME Shell 45 and later (ES modules; the same
// feed for GNOME 40 to 44, in the "imports" form, is in ../legacy).
//
// GNOME Shell lets no client list other programs' windows. This extension
// exports, on the session bus, the least Vornel needs and nothing more: the
// list of application windows (id, title, frame rectangle, minimised), a
// polite close, and a signal that something in that list changed. It runs
// no code it is sent and has no other power.
//
// A close is meta_window.delete(): xdg_toplevel.close for a Wayland window,
// WM_DELETE_WINDOW for an X window that lists it, but a kill of its client
// for one that does not. Vornel checks WM_PROTOCOLS on the XWayland display
// itself before it asks for an X window, as it does on every X desktop.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

const ObjectPath = '/org/vornel/Windows';
const Interface = `<node>
  <interface name="org.vornel.Windows">
    <method name="List"><arg type="s" direction="out" name="windows"/></method>
    <method name="Close"><arg type="s" direction="in" name="id"/><arg type="b" direction="out" name="sent"/></method>
    <signal name="Changed"/>
  </interface>
</node>`;
const ApplicationWindows = [Meta.WindowType.NORMAL, Meta.WindowType.DIALOG,
    Meta.WindowType.MODAL_DIALOG, Meta.WindowType.UTILITY];

class WindowFeed {
    enable() {
        this._watched = new Map(); // window -> its signal handlers
        this._changePending = 0;
        this._object = Gio.DBusExportedObject.wrapJSObject(Interface, this);
        this._object.export(Gio.DBus.session, ObjectPath);
        this._displayHandlers = [
            global.display.connect('window-created', (display, w) => this._watch(w)),
            global.display.connect('restacked', () => this._changed()),
        ];
        for (const actor of global.get_window_actors()) this._watch(actor.meta_window);
    }

    disable() {
        for (const id of this._displayHandlers) global.display.disconnect(id);
        for (const w of [...this._watched.keys()]) this._unwatch(w);
        if (this._changePending) GLib.source_remove(this._changePending);
        this._object.unexport();
        this._object = null;
    }

    List() {
        return JSON.stringify(this._windows().map(w => {
            const r = w.get_frame_rect();
            const x11 = w.get_client_type() === Meta.WindowClientType.X11;
            return {
                id: String(w.get_id()),
                title: w.get_title() || '',
                x: r.x, y: r.y, width: r.width, height: r.height,
                minimized: w.minimized,
                // An X window's description is its X id in hexadecimal.
                xid: x11 ? String(parseInt(w.get_description(), 16) || 0) : '0',
            };
        }));
    }

    Close(id) {
        const w = this._windows().find(window => String(window.get_id()) === id);
        if (!w) return false;
        w.delete(global.get_current_time());
        return true;
    }

    // The application windows, top of the stacking order first.
    _windows() {
        const windows = global.get_window_actors().map(actor => actor.meta_window)
            .filter(w => w && !w.is_override_redirect() &&
                ApplicationWindows.includes(w.get_window_type()));
        return global.display.sort_windows_by_stacking(windows).reverse();
    }

    _watch(w) {
        if (!w || this._watched.has(w)) return;
        const changed = () => this._changed();
        this._watched.set(w, [
            w.connect('notify::title', changed),
            w.connect('notify::minimized', changed),
            w.connect('size-changed', changed),
            w.connect('position-changed', changed),
            w.connect('unmanaged', () => {
                this._unwatch(w);
                this._changed();
            }),
        ]);
        this._changed();
    }

    _unwatch(w) {
        for (const id of this._watched.get(w) || []) w.disconnect(id);
        this._watched.delete(w);
    }

    // One signal for all that changed while the shell was busy: Vornel asks
    // for the list again once, at its next tick.
    _changed() {
        if (this._changePending) return;
        this._changePending = GLib.idle_add(GLib.PRIORITY_DEFAULT_IDLE, () => {
            this._changePending = 0;
            this._object.emit_signal('Changed', null);
            return GLib.SOURCE_REMOVE;
        });
    }
}

export default class VornelWindows extends Extension {
    enable() {
        this._feed = new WindowFeed();
        this._feed.enable();
    }

    disable() {
        this._feed.disable();
        this._feed = null;
    }
}
