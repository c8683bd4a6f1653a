"""Measures the program under the preloaded simulated knob (see run.sh)."""
import datetime
import glob
import os
import queue
import signal
import subprocess
import sys
import tempfile
import threading
import time

APP = os.environ["APP"]
EMPTY = os.environ["EMPTY"]
PRELOAD = os.environ["PRELOAD"]
SAVEBENCH = os.environ["SAVEBENCH"]
SWITCHBENCH = os.environ.get("SWITCHBENCH")
CLK_TCK = os.sysconf("SC_CLK_TCK")
PLUG_AT_MS = 4000
RUNS = 5
# Start-up runs of each program: the wall clock of a start varies more.
STARTS = 9
# Memory is read this long after the moment measured, so that the first
# frames have been painted in both programs.
SETTLE_S = 0.5
# Between one program's end and the next one's start.
PAUSE_S = 0.3

# Five keys of every kind and the light, as a device would hold them.
CONFIGURATION = (
    "assignment 1 03 FD 02 01 01 00 03 00 00 F1 00 00 19 01 F4 05; "
    "assignment 2 03 FD 04 01 01 00 01 00 00 04; "
    "assignment 3 03 FD 05 01 02 00 01 00 00 E9; "
    "assignment 4 03 FD 06 01 04 00 02 00 00 F4 00 00 1D; "
    "assignment 5 03 FD 03 01 03 01 04 00 00 00 00 00 01; "
    "colour 03 FD 00 06 FF 80 00 64 01"
)


def stderr_file():
    return tempfile.NamedTemporaryFile(mode="w+", prefix="vx-bench-stderr-", delete=False)


def stderr_tail(proc, lines=5):
    with open(proc.stderr_path, encoding="utf-8", errors="replace") as f:
        return " | ".join(f.read().splitlines()[-lines:])


def start(scenario):
    data = tempfile.mkdtemp(prefix="vx-bench-")
    # A runtime directory of its own: a window the same user has open elsewhere
    # would otherwise be asked to come forward and this start would exit.
    env = dict(os.environ, LD_PRELOAD=PRELOAD, HIDSIM_SCENARIO=scenario, XDG_DATA_HOME=data,
               XDG_RUNTIME_DIR=tempfile.mkdtemp(prefix="vx-bench-run-"))
    t0 = time.monotonic()
    err = stderr_file()
    proc = subprocess.Popen([APP], env=env, stdout=subprocess.DEVNULL, stderr=err)
    proc.stderr_path = err.name
    return proc, t0, data


def start_empty(size, *extra):
    t0 = time.monotonic()
    err = stderr_file()
    proc = subprocess.Popen([EMPTY, size, *extra], stdout=subprocess.DEVNULL, stderr=err)
    proc.stderr_path = err.name
    return proc, t0


def median(values):
    return sorted(values)[len(values) // 2]


def runs(values, fmt="{:.0f}"):
    return ", ".join(fmt.format(v) for v in values)


def window_size(pid):
    r = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid), "--name", "."],
                       capture_output=True, text=True, check=True)
    wid = r.stdout.split()[0]
    r = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid], capture_output=True, text=True,
                       check=True)
    geometry = dict(line.split("=", 1) for line in r.stdout.split())
    return f"{geometry['WIDTH']}x{geometry['HEIGHT']}"


def stop(proc):
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


class MapWatcher:
    """Notes the moment the X server maps a top-level window.

    Asking the server over and over (xdotool search every few milliseconds)
    costs the server and the machine enough to slow the very start being
    measured, the empty window's most of all; one client listening for
    MapNotify on the root window costs nothing until it fires."""

    def __init__(self):
        self.proc = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        self.maps = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        stamp = None
        for line in self.proc.stdout:
            if line.startswith("MapNotify"):
                stamp = time.monotonic()
            elif stamp is not None and "window 0x" in line:
                self.maps.put((stamp, line.rsplit("window ", 1)[1].split(",")[0]))
                stamp = None

    def forget(self):
        while not self.maps.empty():
            self.maps.get_nowait()

    def wait_mapped(self, proc, timeout=20.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            try:
                stamp, window = self.maps.get(timeout=0.1)
            except queue.Empty:
                if proc.poll() is not None:
                    raise RuntimeError(f"{proc.args[0]} exited with {proc.returncode} before its window was "
                                       f"shown: {stderr_tail(proc)}")
                continue
            if window_pid(window) == proc.pid:
                return stamp
        raise RuntimeError(f"window of {proc.args[0]} never became visible")

    def close(self):
        self.proc.kill()
        self.proc.wait()


def window_pid(window):
    r = subprocess.run(["xprop", "-id", window, "_NET_WM_PID"], capture_output=True, text=True)
    try:
        return int(r.stdout.split("=")[1])
    except (IndexError, ValueError):
        return None


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def thread_figures(pid):
    """CPU nanoseconds and context switches (wake-ups), summed over the threads."""
    cpu_ns = switches = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                cpu_ns += int(f.read().split()[0])
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        switches += int(line.split()[1])
        except OSError:  # a thread that ended meanwhile
            pass
    return cpu_ns, switches


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def log_lines(data):
    paths = glob.glob(os.path.join(data, "**", "runtime.log"), recursive=True)
    if not paths:
        return []
    with open(paths[0], encoding="utf-8", errors="replace") as f:
        return f.read().splitlines()


def log_time(line):
    return datetime.datetime.strptime(line[:23], "%Y-%m-%d %H:%M:%S.%f")


def first_line(lines, fragment):
    for line in lines:
        if fragment in line:
            return line
    return None


def main():
    # Start-up and idle CPU, with no device at all; the empty window of the
    # same size is measured in the same loop, alternating with the program, so
    # that both see the same load on the machine.
    starts, empty_starts, empty_peaks = [], [], []
    # The same window with one line of the program's text: what showing any
    # text costs, which the empty window does not pay.
    label_starts = []
    # CPU time of all threads when the window was found mapped: less at the
    # mercy of other load on the machine than the wall clock.
    start_cpu, empty_start_cpu = [], []
    idle_cpu_ms = idle_wakeups = None
    size = None
    watcher = MapWatcher()
    time.sleep(0.5)  # until it listens

    def spawn_visible(spawn):
        # Under load the X server now and then refuses a new client right after
        # the previous one went away; Qt then gives up before doing anything.
        # That says nothing about the program, so such a start is taken again.
        for attempt in range(3):
            time.sleep(PAUSE_S)
            watcher.forget()
            started = spawn()
            proc, t0 = started[0], started[1]
            try:
                shown = watcher.wait_mapped(proc) - t0
                start_cpu_ms = thread_figures(proc.pid)[0] / 1e6
                return started, shown, start_cpu_ms
            except RuntimeError:
                if proc.poll() is None or "platform plugin" not in stderr_tail(proc) or attempt == 2:
                    raise
                print(f"(display refused {proc.args[0]}; started again)", file=sys.stderr)

    def measure_app(run):
        nonlocal idle_cpu_ms, idle_wakeups, size
        (proc, _, _), shown, cpu_ms = spawn_visible(lambda: start("# no device"))
        starts.append(shown * 1000)
        start_cpu.append(cpu_ms)
        if run == 0:
            size = window_size(proc.pid)
            time.sleep(2)
            before = cpu_ticks(proc.pid)
            switches_before = thread_figures(proc.pid)[1]
            time.sleep(10)
            idle_cpu_ms = (cpu_ticks(proc.pid) - before) * 1000 / CLK_TCK
            idle_wakeups = (thread_figures(proc.pid)[1] - switches_before) / 10
        stop(proc)

    def measure_empty():
        (proc, _), shown, cpu_ms = spawn_visible(lambda: start_empty(size))
        empty_starts.append(shown * 1000)
        empty_start_cpu.append(cpu_ms)
        time.sleep(SETTLE_S)
        empty_peaks.append(peak_rss_kib(proc.pid))
        stop(proc)

    def measure_label():
        (proc, _), shown, _ = spawn_visible(lambda: start_empty(size, "label"))
        label_starts.append(shown * 1000)
        stop(proc)

    # The first run finds the window size; after it the order alternates.
    for run in range(STARTS):
        if run % 2 == 0:
            measure_app(run)
            measure_empty()
            measure_label()
        else:
            measure_label()
            measure_empty()
            measure_app(run)
    watcher.close()
    app_start, empty_start = median(starts), median(empty_starts)
    print(f"start_to_window_mapped_ms: median {app_start:.0f}, empty {size} window {empty_start:.0f}, "
          f"ratio {app_start / empty_start:.2f}x (runs: {runs(starts)}; empty: {runs(empty_starts)})")
    label_start = median(label_starts)
    print(f"one_label_window_to_mapped_ms: median {label_start:.0f}, ratio {label_start / empty_start:.2f}x to the "
          f"empty window; the program {app_start / label_start:.2f}x this window (runs: {runs(label_starts)})")
    app_cpu, empty_cpu = median(start_cpu), median(empty_start_cpu)
    print(f"start_cpu_to_window_mapped_ms: median {app_cpu:.0f}, empty {size} window {empty_cpu:.0f}, "
          f"ratio {app_cpu / empty_cpu:.2f}x (all threads; runs: {runs(start_cpu)}; "
          f"empty: {runs(empty_start_cpu)})")
    print(f"idle_cpu_disconnected: {idle_cpu_ms:.0f} ms CPU over 10 s ({idle_cpu_ms / 100:.2f} %)")
    print(f"idle_wakeups_disconnected: {idle_wakeups:.1f} per second (context switches of all threads over 10 s)")

    # Plug-in to "configuration loaded": the device appears PLUG_AT_MS after
    # the simulator starts (inside hid_init, just before the log line below).
    loads, peaks = [], []
    for _ in range(RUNS):
        time.sleep(PAUSE_S)
        proc, _, data = start(f"device; unplug-at 0; replug-at {PLUG_AT_MS}; {CONFIGURATION}")
        end = time.monotonic() + 30
        lines = []
        while time.monotonic() < end:
            lines = log_lines(data)
            if first_line(lines, "后台配置读取结束"):
                break
            time.sleep(0.05)
        init = first_line(lines, "hidapi 初始化成功")
        loaded = first_line(lines, "后台配置读取结束")
        time.sleep(SETTLE_S)
        peaks.append(peak_rss_kib(proc.pid))
        stop(proc)
        if not init or not loaded:
            raise RuntimeError("configuration was not loaded")
        plugged = log_time(init) + datetime.timedelta(milliseconds=PLUG_AT_MS)
        loads.append((log_time(loaded) - plugged).total_seconds() * 1000)
    print(f"plug_in_to_configuration_loaded_ms: median {median(loads):.0f} (runs: {runs(loads)})")

    # Save of five packed physical keys, through the real window.
    out = subprocess.run([SAVEBENCH], capture_output=True, text=True, check=True).stdout
    figures = dict(line.split("=", 1) for line in out.split())
    print(f"save_five_packed_keys_ms: {float(figures['save_wall_ms']):.0f} wall "
          f"(floor of the mandated pauses: 750; first to last report {float(figures['save_first_to_last_write_ms']):.0f}; "
          f"{figures['save_reports_written']} reports, {figures['save_keys_stored']} keys stored)")

    # A profile switch against the simulated knob, with the real one-second dwell.
    if SWITCHBENCH:
        out = subprocess.run([SWITCHBENCH], capture_output=True, text=True, check=True).stdout
        figures = dict(line.split("=", 1) for line in out.split())
        print(f"profile_switch_ms: one changed gesture {float(figures['switch_1_gestures_ms']):.0f}, "
              f"five {float(figures['switch_5_gestures_ms']):.0f} (median of 5; from the focus change to the "
              f"confirming read-back; budget: dwell 1000 + the write's pauses + 100)")

    app_peak, empty_peak = median(peaks) / 1024, median(empty_peaks) / 1024
    print(f"peak_resident_memory_configuration_loaded: median {app_peak:.1f} MiB, empty {size} window "
          f"{empty_peak:.1f} MiB, ratio {app_peak / empty_peak:.2f}x (VmHWM; runs: {runs([p / 1024 for p in peaks], '{:.1f}')}; "
          f"empty: {runs([p / 1024 for p in empty_peaks], '{:.1f}')})")


if __name__ == "__main__":
    main()
