// GNOME Shell before 45 loads extensions as plain scripts: the same reporter,
// without module syntax.
const {Gio, GLib, Meta} = imports.gi;

const IFACE = `<node><interface name="org.veltranix.FocusReporter1">
  <method name="Current"><arg type="s" direction="out"/><arg type="s" direction="out"/>
    <arg type="s" direction="out"/><arg type="u" direction="out"/></method>
  <signal name="FocusChanged"><arg type="s"/><arg type="s"/><arg type="s"/><arg type="u"/></signal>
  <signal name="Stopped"/>
</interface></node>`;

class FocusReporter {
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

function init() {
    return new FocusReporter();
}
