// GNOME Shell 45 and later load extensions as ES modules.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

const IFACE = `<node><interface name="org.veltranix.FocusReporter1">
  <method name="Current"><arg type="s" direction="out"/><arg type="s" direction="out"/>
    <arg type="s" direction="out"/><arg type="u" direction="out"/></method>
  <signal name="FocusChanged"><arg type="s"/><arg type="s"/><arg type="s"/><arg type="u"/></signal>
  <signal name="Stopped"/>
</interface></node>`;

export default class FocusReporter extends Extension {
    enable() {
        this._dbus = Gio.DBusExportedObject.wrapJSObject(IFACE, this);
        this._dbus.export(Gio.DBus.session, '/org/veltranix/FocusReporter');
        this._focus = global.display.connect('notify::focus-window', () => this._report());
        this._report();
    }

    disable() {
        global.display.disconnect(this._focus);
        this._dbus.emit_signal('Stopped', null);
        this._dbus.unexport();
        this._dbus = null;
    }

    // Mutter gives a Wayland window's app_id as its WM class.
    Current() {
        const w = global.display.focus_window;
        if (!w)
            return ['', '', '', 0];
        const cls = w.get_wm_class() || '';
        return [cls, w.get_client_type() === Meta.WindowClientType.X11 ? cls : '', w.get_title() || '',
            Math.max(w.get_pid(), 0)];
    }

    _report() {
        this._dbus.emit_signal('FocusChanged', new GLib.Variant('(sssu)', this.Current()));
    }
}
