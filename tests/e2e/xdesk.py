"""A private X desktop for driving the program as a person would.

Starts its own Xvfb on a free display, runs the program on it with the real xcb platform, sends
keyboard and mouse input through xdotool (the XTEST extension, as real devices would) and reads
the screen back. On request it also gives the desktop a private session bus with the
accessibility bus, as desktop sessions have. Every process it starts is remembered by id and
ended on close; the kernel also ends its direct children should this script itself be killed, so
nothing outlives a test run.
Needs Debian's python3, python3-xlib, xvfb and xdotool; dbus and at-spi2-core for the buses.
"""

import ctypes
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import zlib

try:
    from Xlib import X, Xatom, display
    from Xlib.protocol import event
except ImportError:
    raise SystemExit("python3-xlib is missing: apt-get install python3-xlib") from None

# Displays tried for the private server; the first one that is free wins.
FIRST_DISPLAY = 90
LAST_DISPLAY = 189
SCREEN = "1280x800x24"
# How long any wait for the program may take before the run is called a failure. Generous on
# purpose: it only bounds a hang, it measures nothing.
PATIENCE = 15.0
POLL = 0.05


class Failure(Exception):
    """A check that did not hold, with a message that says what was expected and what was seen."""


def _die_with_parent():
    # PR_SET_PDEATHSIG = 1: the child gets SIGTERM when this script goes away, however it ends.
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGTERM, 0, 0, 0)


def _xserver_child():
    _die_with_parent()
    # An X server that inherits SIGUSR1 ignored signals its parent with SIGUSR1 when ready.
    signal.signal(signal.SIGUSR1, signal.SIG_IGN)


def _descendants(pid):
    """The process ids of every living descendant of `pid`, children before grandchildren."""
    found, level = [], [pid]
    while level:
        children = []
        for parent in level:
            try:
                with open(f"/proc/{parent}/task/{parent}/children") as f:
                    children += [int(child) for child in f.read().split()]
            except OSError:  # gone already
                pass
        found += children
        level = children
    return found


def _adopt_orphans():
    """Makes this script the parent of every orphan among its descendants (a daemon that forked
    away from its starter, say), so that it can reap them when it ends them."""
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    libc.prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER


def _end_pid(pid):
    """Ends a process that is no direct child of ours: SIGTERM, then SIGKILL after a while; an
    adopted one is reaped."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.kill(pid, sig)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            try:
                if os.waitpid(pid, os.WNOHANG)[0] == pid:
                    return
            except ChildProcessError:  # not ours to reap
                pass
            if not _alive(pid):
                return
            time.sleep(POLL)


def _alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def wait_until(condition, what, timeout=PATIENCE):
    """Polls `condition` until it returns a true value, which is returned; fails after `timeout`.

    `condition` may also return (False, detail) to explain the last miss in the failure message.
    """
    deadline = time.monotonic() + timeout
    detail = ""
    while True:
        result = condition()
        if isinstance(result, tuple):
            ok, detail = result
        else:
            ok = result
        if ok:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}" + (f": {detail}" if detail else ""))
        time.sleep(POLL)


class Image:
    """An RGB snapshot of a screen rectangle; pixel(x, y) takes screen coordinates."""

    def __init__(self, left, top, width, height, rgb):
        self.left, self.top, self.width, self.height = left, top, width, height
        self.rgb = rgb  # width * height * 3 bytes, row by row

    def pixel(self, x, y):
        at = ((y - self.top) * self.width + (x - self.left)) * 3
        return tuple(self.rgb[at : at + 3])

    def row(self, y):
        at = (y - self.top) * self.width * 3
        return self.rgb[at : at + self.width * 3]

    def save_png(self, path):
        def chunk(kind, payload):
            body = kind + payload
            return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))

        stride = self.width * 3
        raw = b"".join(
            b"\x00" + self.rgb[r * stride : (r + 1) * stride] for r in range(self.height)
        )
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", header))
            out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
            out.write(chunk(b"IEND", b""))


AT_SPI_BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def end_process(process):
    """Ends a process started by a desktop: politely first, by force after five seconds."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


STARTED = time.monotonic()


def progress(message):
    """Prints a step of the run with the seconds since the test started."""
    print(f"{time.monotonic() - STARTED:6.2f} s  {message}", flush=True)


def end_on_signals():
    """Makes SIGTERM, SIGHUP and SIGINT raise SystemExit, which unwinds through the test's cleanup:
    every process started is ended by its id, every folder made is removed."""

    def stop(number, _frame):
        raise SystemExit(f"stopped by signal {number}")

    for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(number, stop)


def run_on_desktop(desktop, body, report, passed):
    """Runs body(desk) on the desktop and returns the exit status. A Failure in the body is
    reported by report(desk), while the desktop still stands; a desktop that cannot start fails
    the run too."""
    failed = None
    try:
        with desktop as desk:
            try:
                body(desk)
            except Failure as failure:
                failed = failure
                report(desk)
    except Failure as failure:  # no desktop to run on
        failed = failure
    if failed is not None:
        print(f"FAIL: {failed}")
        return 1
    progress(passed)
    return 0


class StartedInWith:
    """A desktop used in a with block: _start_desktop() on entry, close() on exit, and close()
    also when starting fails half way, so that nothing started is left behind."""

    def __enter__(self):
        try:
            self._start_desktop()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False


class Desktop(StartedInWith):
    """Owns one Xvfb and the programs started on it; use as a context manager. With
    `session_bus`, the programs also get a private session bus and the accessibility bus, with
    Qt's accessibility switched on; without, they find no session bus at all."""

    def __init__(self, session_bus=False):
        self.processes = []  # every child, in start order
        self.forked_pids = []  # processes started as daemons, which are no children of ours
        self.session_bus = session_bus
        self.bus_address = None
        self.accessibility_bus = None
        self.runtime_dir = tempfile.mkdtemp(prefix="tarvelon-e2e-run-")
        self.xvfb = None
        _adopt_orphans()
        self.name = None
        self.x = None
        self.width = self.height = 0

    def _start_desktop(self):
        self._start_xvfb()
        if self.session_bus:
            self._start_buses()

    # --- processes -----------------------------------------------------------------------------

    def _spawn(self, argv, preexec_fn=_die_with_parent, **kwargs):
        process = subprocess.Popen(argv, preexec_fn=preexec_fn, **kwargs)
        self.processes.append(process)
        return process

    def _start_xvfb(self):
        for tool, package in (("Xvfb", "xvfb"), ("xdotool", "xdotool")):
            if shutil.which(tool) is None:
                raise Failure(f"{tool} is missing: apt-get install {package}")
        for number in range(FIRST_DISPLAY, LAST_DISPLAY + 1):
            # A lock file or a socket means some server owns, or owned, that display: skip it.
            if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(
                f"/tmp/.X11-unix/X{number}"
            ):
                continue
            xvfb = self._start_xvfb_on(number)
            if xvfb is not None:
                self.xvfb, self.name = xvfb, f":{number}"
                self.x = display.Display(self.name)
                self.width = self.x.screen().width_in_pixels
                self.height = self.x.screen().height_in_pixels
                return
            # Another server took the display between the check and the start: try the next.
        raise Failure(f"no free X display in :{FIRST_DISPLAY} .. :{LAST_DISPLAY}")

    def _start_xvfb_on(self, number):
        """Starts Xvfb on display `number`; returns it once it accepts clients, or None when
        the display was taken. The server says when it is ready the way X servers tell xinit:
        started with SIGUSR1 ignored, it sends SIGUSR1 to its parent once it listens. A display
        that is taken makes it exit first, at its lock file, before it touches any socket."""
        ready = []
        # The handler stays until the server is gone (see close): a SIGUSR1 that came after
        # the default action was back would end this script.
        signal.signal(signal.SIGUSR1, lambda *_: ready.append(True))
        xvfb = self._spawn(
            ["Xvfb", f":{number}", "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=_xserver_child)
        deadline = time.monotonic() + PATIENCE
        while not ready and xvfb.poll() is None:
            if time.monotonic() > deadline:
                raise Failure(f"Xvfb on :{number} did not get ready")
            time.sleep(POLL)
        if ready and xvfb.poll() is None:
            return xvfb
        end_process(xvfb)
        self.processes.remove(xvfb)
        return None

    def _environment(self):
        """The environment of a program on this desktop: none of the caller's desktop session,
        the same locale on every machine, a runtime folder of its own, and either our own
        session bus or an address where no bus listens (so none is found or launched)."""
        env = {k: v for k, v in os.environ.items() if not k.startswith("QT_")}
        for variable in ("WAYLAND_DISPLAY", "XAUTHORITY", "DESKTOP_SESSION", "XDG_SESSION_TYPE",
                         "XDG_CURRENT_DESKTOP", "AT_SPI_BUS_ADDRESS", "DBUS_SESSION_BUS_PID"):
            env.pop(variable, None)
        no_bus = "unix:path=" + os.path.join(self.runtime_dir, "no-session-bus")
        env.update(DISPLAY=self.name, XDG_RUNTIME_DIR=self.runtime_dir, LC_ALL="C.UTF-8",
                   DBUS_SESSION_BUS_ADDRESS=self.bus_address or no_bus)
        return env

    def _start_buses(self):
        """Starts a session bus (a daemon: it forks and says its address and process id) and
        the accessibility bus launcher on it, and waits until the accessibility bus is up."""
        for tool, package in (("dbus-daemon", "dbus"), ("dbus-send", "dbus"),
                              (AT_SPI_BUS_LAUNCHER, "at-spi2-core")):
            if shutil.which(tool) is None:
                raise Failure(f"{tool} is missing: apt-get install {package}")
        env = self._environment()
        started = subprocess.run(
            ["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1",
             "--address=unix:dir=" + self.runtime_dir],
            env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=PATIENCE, check=True)
        address, pid = started.stdout.decode().split()[:2]
        self.forked_pids.append(int(pid))
        self.bus_address = address
        env = self._environment()
        self._spawn([AT_SPI_BUS_LAUNCHER, "--launch-immediately"], env=env,
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: self.bus_call(self.bus_address, "org.freedesktop.DBus",
                                         "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                         "string:org.a11y.Bus") == ["true"],
                   "the accessibility bus launcher on the session bus")
        reply = self.bus_call(self.bus_address, "org.a11y.Bus", "/org/a11y/bus",
                              "org.a11y.Bus.GetAddress")
        if not reply:
            raise Failure("the accessibility bus launcher gave no address")
        self.accessibility_bus = reply[0]

    def bus_call(self, address, destination, path, method, *args):
        """Calls `method` on the bus at `address` with dbus-send; the reply's plain values as
        strings, or None when the call failed."""
        done = subprocess.run(
            ["dbus-send", "--bus=" + address, "--print-reply=literal", "--dest=" + destination,
             path, method, *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            timeout=PATIENCE, env=self._environment())
        if done.returncode != 0:
            return None
        return [word for word in done.stdout.decode().split()
                if word not in ("array", "[", "]", "boolean", "uint32", "string")]

    def bus_clients(self, address):
        """The process ids of every connection to the bus at `address`."""
        names = self.bus_call(address, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus.ListNames") or []
        pids = set()
        for name in names:
            if name.startswith(":"):
                pid = self.bus_call(address, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                    "org.freedesktop.DBus.GetConnectionUnixProcessID",
                                    "string:" + name)
                if pid:
                    pids.add(int(pid[0]))
        return pids

    def admit_user(self, name):
        """Lets programs of the local user `name` connect to this display, as
        `xhost +si:localuser:<name>` does; the server admits only this script's user otherwise."""
        self.x.change_hosts(X.HostInsert, X.FamilyServerInterpreted,
                            list(b"localuser\0" + name.encode()))
        self.x.sync()

    def start(self, program, cwd, user=None, env=None):
        """Starts `program` on this display with the xcb platform; its output goes to a log.
        With `user` (a user id) it runs as that user with no supplementary groups; `env` adds
        to or replaces variables of its environment."""
        argv = [program]
        if user is not None:
            argv = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups", program]
        extra = env or {}
        env = self._environment()
        env.update(extra)
        env.update(QT_QPA_PLATFORM="xcb")
        if self.session_bus:
            # Qt registers with the accessibility bus only when a screen reader is on, or with
            # this: the worst case a desktop can offer the program.
            env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        log = open(os.path.join(self.runtime_dir, f"program-{len(self.processes)}.log"), "wb")
        process = self._spawn(argv, cwd=cwd, env=env, stdout=log, stderr=subprocess.STDOUT)
        process.log_path = log.name
        log.close()
        return process

    def close(self):
        if self.x is not None:
            self.x.close()
            self.x = None
        # Whatever our children started in turn (the buses' helpers) is ended too, by its id.
        descendants = [pid for root in [p.pid for p in self.processes] + self.forked_pids
                       for pid in _descendants(root)]
        # The programs first, the buses and the server last.
        for process in reversed(self.processes):
            end_process(process)
        self.processes.clear()
        for pid in reversed(self.forked_pids + descendants):
            _end_pid(pid)
        self.forked_pids.clear()
        # Helpers whose parents were ended before them have been adopted by this script.
        for pid in _descendants(os.getpid()):
            _end_pid(pid)
        signal.signal(signal.SIGUSR1, signal.SIG_DFL)
        # A session bus or a program may have made folders of its own in the runtime folder.
        shutil.rmtree(self.runtime_dir)

    # --- windows -------------------------------------------------------------------------------

    def _title(self, window):
        try:
            name = window.get_full_text_property(self.x.intern_atom("_NET_WM_NAME"))
            return name if name is not None else window.get_wm_name()
        except Exception:  # the window went away while we looked
            return None

    def windows(self, title):
        """The viewable top-level windows whose title is `title`."""
        found = []
        for window in self.x.screen().root.query_tree().children:
            try:
                viewable = window.get_attributes().map_state == X.IsViewable
            except Exception:
                continue
            if viewable and self._title(window) == title:
                found.append(window)
        return found

    def window(self, title, timeout=PATIENCE):
        """Waits for exactly one viewable window titled `title` and returns it."""

        def one():
            found = self.windows(title)
            return (len(found) == 1, f"{len(found)} windows titled {title!r}") if found else (
                False, f"no window titled {title!r}")

        wait_until(one, f"the window {title!r}", timeout)
        return self.windows(title)[0]

    def geometry(self, window):
        """The window's client area in screen coordinates: (left, top, width, height)."""
        g = window.get_geometry()
        origin = window.translate_coords(self.x.screen().root, 0, 0)
        return (-origin.x, -origin.y, g.width, g.height)

    def close_window(self, window):
        """Asks the window to close exactly as a window manager's close button does: a
        WM_PROTOCOLS client message carrying WM_DELETE_WINDOW (ICCCM 4.2.8.1)."""
        protocols = self.x.intern_atom("WM_PROTOCOLS")
        delete = self.x.intern_atom("WM_DELETE_WINDOW")
        if delete not in (window.get_wm_protocols() or []):
            raise Failure("the window does not take part in WM_DELETE_WINDOW")
        message = event.ClientMessage(window=window, client_type=protocols,
                                      data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(message, event_mask=X.NoEventMask)
        self.x.flush()

    def cover(self, window, height):
        """Maps a plain window of our own over the top `height` rows of `window`, raises it and
        gives it the input focus, as a person turning to another program would. Returns it."""
        left, top, width, _ = self.geometry(window)
        screen = self.x.screen()
        cover = screen.root.create_window(left, top, width, height, 0, screen.root_depth,
                                          background_pixel=screen.white_pixel)
        cover.set_wm_name("cover")
        cover.map()
        cover.configure(stack_mode=X.Above)
        self.x.sync()
        wait_until(lambda: cover.get_attributes().map_state == X.IsViewable, "the cover window")
        cover.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.x.sync()
        wait_until(lambda: self.has_focus(cover), "the cover window to have the focus")
        return cover

    def server_time(self, window):
        """The X server's time now, read from the event a change of a property of `window` (one
        of ours) brings back, as launchers take the time of a launch."""
        window.change_attributes(event_mask=X.PropertyChangeMask)
        atom = self.x.intern_atom("TARVELON_TEST_TIME")
        window.change_property(atom, Xatom.STRING, 8, b"now")
        self.x.flush()
        while True:
            e = self.x.next_event()
            if e.type == X.PropertyNotify and e.window.id == window.id and e.atom == atom:
                return e.time

    def has_focus(self, window):
        """Whether `window` holds the X input focus (no window manager decides it here)."""
        focus = self.x.get_input_focus().focus
        return getattr(focus, "id", focus) == window.id

    def stacked_above(self, upper, lower):
        """Whether the top-level `upper` lies above `lower` in the stacking order."""
        order = [w.id for w in self.x.screen().root.query_tree().children]
        return order.index(upper.id) > order.index(lower.id)

    def _atoms(self, window, name):
        prop = window.get_full_property(self.x.intern_atom(name), X.AnyPropertyType)
        return list(prop.value) if prop is not None else []

    def owner_pid(self, window):
        """The process id the window's owner announced in _NET_WM_PID, or None."""
        pids = self._atoms(window, "_NET_WM_PID")
        return pids[0] if pids else None

    def is_dialog(self, window):
        return self.x.intern_atom("_NET_WM_WINDOW_TYPE_DIALOG") in self._atoms(
            window, "_NET_WM_WINDOW_TYPE")

    # --- the screen ----------------------------------------------------------------------------

    def _check_screen_format(self):
        screen = self.x.screen()
        visuals = [v for d in screen.allowed_depths for v in d.visuals
                   if v.visual_id == screen.root_visual]
        masks = ()
        if visuals:
            masks = (visuals[0].red_mask, visuals[0].green_mask, visuals[0].blue_mask)
        if (screen.root_depth != 24 or masks != (0xFF0000, 0x00FF00, 0x0000FF)
                or self.x.display.info.image_byte_order != X.LSBFirst):
            raise Failure(f"unexpected screen format: depth {screen.root_depth}, masks {masks}")

    def grab(self, left, top, width, height):
        root = self.x.screen().root
        image = root.get_image(left, top, width, height, X.ZPixmap, 0xFFFFFFFF)
        self._check_screen_format()
        data = image.data
        # 24-bit TrueColor in 32-bit pixels, least significant byte first: B, G, R, unused.
        rgb = bytearray(width * height * 3)
        rgb[0::3] = data[2::4]
        rgb[1::3] = data[1::4]
        rgb[2::3] = data[0::4]
        return Image(left, top, width, height, bytes(rgb))

    # --- input, through xdotool ----------------------------------------------------------------

    def xdotool(self, *args):
        env = dict(os.environ, DISPLAY=self.name)
        env.pop("XAUTHORITY", None)
        try:
            subprocess.run(["xdotool", *map(str, args)], env=env, check=True, timeout=PATIENCE)
        except subprocess.TimeoutExpired:
            raise Failure(f"xdotool {' '.join(map(str, args))} did not finish") from None

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def click(self, x, y):
        self.move(x, y)
        self.xdotool("click", 1)

    def type(self, text):
        self.xdotool("type", "--delay", 15, text)

    def key(self, *names):
        self.xdotool("key", *names)

    def drag(self, start, end, steps=10):
        """Presses the left button at `start`, moves to `end` in `steps` moves, releases."""
        self.move(*start)
        self.xdotool("mousedown", 1)
        for i in range(1, steps + 1):
            self.move(start[0] + (end[0] - start[0]) * i // steps,
                      start[1] + (end[1] - start[1]) * i // steps)
        self.xdotool("mouseup", 1)
