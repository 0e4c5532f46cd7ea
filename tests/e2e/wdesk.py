"""A private headless Wayland desktop for driving the program as a person would.

Starts sway with its headless backend, runs the program on it with Qt's wayland platform, types
through wtype (a virtual keyboard), moves and clicks through wayvnc's virtual pointer with a small
RFB client of our own, and reads the screen back with grim. sway refuses to run as root, so when
this script runs as root the compositor, the tools and the programs run as the unprivileged user
`nobody`; otherwise they run as the caller. Every process it starts is remembered by id and ended
on close, and each gets SIGTERM should this script itself go away.
Needs Debian's sway, wtype, wayvnc, grim and qt6-wayland; setpriv (util-linux) when run as root.
"""

import json
import os
import shutil
import socket
import struct
import subprocess
import tempfile

from xdesk import PATIENCE, Failure, Image, StartedInWith, _adopt_orphans, _descendants, \
    _die_with_parent, _end_pid, end_process, wait_until

UNPRIVILEGED = 65534  # nobody and nogroup
SCREEN = (1280, 800)
# The program's windows float at the size they ask for, as on a stacking desktop, so the chart's
# pixels lie where they lie on X11. A window on the visible workspace that asks to be activated
# with a valid token gets the focus ("smart"; sway's own default only marks it urgent).
CONFIG = f"""output HEADLESS-1 resolution {SCREEN[0]}x{SCREEN[1]} position 0 0
for_window [app_id="tarvelon"] floating enable
focus_on_window_activation smart
"""
# wtype sends the first key of a call before a client has taken its keyboard map, and that key is
# lost; waiting this long (ms) first lets it arrive.
WTYPE_WAIT_MS = 300


class Desktop(StartedInWith):
    """Owns one sway and the programs started on it; use as a context manager."""

    def __init__(self):
        self.root = os.geteuid() == 0
        self.uid = UNPRIVILEGED if self.root else os.getuid()
        self.gid = UNPRIVILEGED if self.root else os.getgid()
        self.processes = []  # every child, in start order
        self.base = tempfile.mkdtemp(prefix="tarvelon-wayland-")
        os.chmod(self.base, 0o755)  # the user passes through to its own folders below
        self.runtime_dir = self.own_folder("run")
        self.home = self.own_folder("home")
        self.sway = None
        self.swaysock = None
        self.display = None
        self.vnc = None
        self.pointer = (0, 0)
        self.buttons = 0
        _adopt_orphans()

    def own_folder(self, name):
        """A new folder below this desktop's that the desktop's user owns, mode 0700."""
        path = os.path.join(self.base, name)
        os.mkdir(path, 0o700)
        os.chown(path, self.uid, self.gid)
        return path

    def give(self, path):
        """Hands `path` and everything below it to the desktop's user."""
        for top, folders, files in os.walk(path):
            for name in [top] + [os.path.join(top, n) for n in folders + files]:
                os.chown(name, self.uid, self.gid)

    def _start_desktop(self):
        self._start_sway()
        self._start_pointer()

    # --- processes -----------------------------------------------------------------------------

    def environment(self, **extra):
        """The environment of every process on this desktop: none of the caller's, a runtime
        folder and home of the desktop's user, the same locale on every machine, no session bus."""
        env = {"PATH": "/usr/bin:/bin", "HOME": self.home, "XDG_RUNTIME_DIR": self.runtime_dir,
               "LC_ALL": "C.UTF-8",
               "DBUS_SESSION_BUS_ADDRESS": "unix:path=" + os.path.join(self.runtime_dir, "none")}
        if self.display:
            env["WAYLAND_DISPLAY"] = self.display
        if self.swaysock:
            env["SWAYSOCK"] = self.swaysock
        env.update(extra)
        return env

    def _as_user(self, argv):
        if not self.root:
            return list(argv)
        return ["setpriv", f"--reuid={self.uid}", f"--regid={self.gid}", "--clear-groups",
                "--pdeathsig=TERM", "--", *argv]

    def spawn(self, argv, cwd=None, log_name=None, **extra_env):
        """Starts `argv` as the desktop's user; its output goes to a log in the runtime folder."""
        log_path = os.path.join(self.base, log_name or f"process-{len(self.processes)}.log")
        with open(log_path, "wb") as log:
            process = subprocess.Popen(self._as_user(argv), cwd=cwd or self.home,
                                       env=self.environment(**extra_env), stdout=log,
                                       stderr=subprocess.STDOUT, preexec_fn=_die_with_parent)
        process.log_path = log_path
        self.processes.append(process)
        return process

    def run(self, *argv, **extra_env):
        """Runs a tool as the desktop's user to its end; its output, or a failure."""
        try:
            done = subprocess.run(self._as_user(argv), cwd=self.home,
                                  env=self.environment(**extra_env), stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=PATIENCE)
        except subprocess.TimeoutExpired:
            raise Failure(f"{' '.join(argv)} did not finish") from None
        if done.returncode != 0:
            raise Failure(f"{' '.join(argv)} failed: {done.stderr.decode(errors='replace')}")
        return done.stdout

    def _start_sway(self):
        for tool, package in (("sway", "sway"), ("swaymsg", "sway"), ("wtype", "wtype"),
                              ("grim", "grim"), ("wayvnc", "wayvnc")):
            if shutil.which(tool) is None:
                raise Failure(f"{tool} is missing: apt-get install {package}")
        config = os.path.join(self.base, "sway.config")
        with open(config, "w") as f:
            f.write(CONFIG)
        os.chmod(config, 0o644)
        self.sway = self.spawn(["sway", "-c", config], log_name="sway.log", WLR_BACKENDS="headless",
                               WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman")

        def sockets():
            if self.sway.poll() is not None:
                raise Failure(f"sway ended with code {self.sway.returncode}:\n"
                              f"{self.log(self.sway)}")
            names = os.listdir(self.runtime_dir)
            displays = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")]
            ipc = [n for n in names if n.startswith("sway-ipc.") and n.endswith(".sock")]
            return (displays and ipc, f"the runtime folder holds {names}")

        wait_until(sockets, "sway's sockets")
        names = os.listdir(self.runtime_dir)
        self.display = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")][0]
        self.swaysock = os.path.join(self.runtime_dir,
                                     [n for n in names if n.startswith("sway-ipc.")][0])
        wait_until(lambda: any(o.get("name") == "HEADLESS-1" for o in self.outputs()),
                   "sway's headless output")

    def _start_pointer(self):
        """wayvnc gives the seat a virtual pointer; this script speaks just enough of the remote
        framebuffer protocol (RFB 3.8, no security) to send it pointer events."""
        path = os.path.join(self.runtime_dir, "vnc")
        self.spawn(["wayvnc", "--unix-socket", "--output=HEADLESS-1", path], log_name="wayvnc.log")
        wait_until(lambda: os.path.exists(path), "wayvnc's socket")
        self.vnc = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.vnc.settimeout(PATIENCE)
        wait_until(lambda: self.vnc.connect_ex(path) == 0, "a connection to wayvnc")
        version = self._receive(12)
        if not version.startswith(b"RFB 003."):
            raise Failure(f"wayvnc greets with {version!r}")
        self.vnc.sendall(b"RFB 003.008\n")
        count = self._receive(1)[0]
        kinds = self._receive(count)
        if 1 not in kinds:  # 1: no authentication
            raise Failure(f"wayvnc asks for authentication: security types {list(kinds)}")
        self.vnc.sendall(b"\x01")
        if struct.unpack(">I", self._receive(4))[0] != 0:
            raise Failure("wayvnc refused the connection")
        self.vnc.sendall(b"\x01")  # ClientInit: share the desktop
        width, height = struct.unpack(">HH", self._receive(4))
        self._receive(16)  # the pixel format, unused: the screen is read through grim
        self._receive(struct.unpack(">I", self._receive(4))[0])  # the desktop's name
        if (width, height) != SCREEN:
            raise Failure(f"wayvnc serves {width}x{height}, not the output's {SCREEN}")

    def _receive(self, count):
        data = b""
        while len(data) < count:
            chunk = self.vnc.recv(count - len(data))
            if not chunk:
                raise Failure("wayvnc closed the connection")
            data += chunk
        return data

    def log(self, process):
        with open(process.log_path, "rb") as f:
            return f.read().decode(errors="replace").strip()

    def close(self):
        if self.vnc is not None:
            self.vnc.close()
            self.vnc = None
        descendants = [pid for p in self.processes for pid in _descendants(p.pid)]
        # The programs first, the tools next, the compositor last.
        for process in reversed(self.processes):
            end_process(process)
        self.processes.clear()
        for pid in reversed(descendants):
            _end_pid(pid)
        for pid in _descendants(os.getpid()):
            _end_pid(pid)
        shutil.rmtree(self.base, ignore_errors=True)

    # --- the compositor's view of the windows -------------------------------------------------

    def swaymsg(self, *args):
        return json.loads(self.run("swaymsg", "--raw", *args).decode())

    def outputs(self):
        return self.swaymsg("-t", "get_outputs")

    def views(self):
        """Every window on the desktop as a dict: pid, title, app_id, focused, floating and the
        client area (left, top, width, height) on the screen."""
        found = []

        def visit(node, floating):
            if node.get("pid"):
                rect, inner = node["rect"], node["window_rect"]
                found.append({"pid": node["pid"], "title": node.get("name"),
                              "app_id": node.get("app_id"), "focused": node.get("focused"),
                              "floating": floating,
                              "area": (rect["x"] + inner["x"], rect["y"] + inner["y"],
                                       inner["width"], inner["height"])})
            for child in node.get("nodes", []):
                visit(child, floating)
            for child in node.get("floating_nodes", []):
                visit(child, True)

        visit(self.swaymsg("-t", "get_tree"), False)
        return found

    def windows(self, title, pid):
        return [v for v in self.views() if v["title"] == title and v["pid"] == pid]

    def window(self, title, pid):
        """Waits for exactly one window of `pid` titled `title` with a client area of its own."""

        def one():
            found = self.windows(title, pid)
            return (len(found) == 1 and found[0]["area"][2] > 0,
                    f"{len(found)} windows titled {title!r} of process {pid}")

        wait_until(one, f"the window {title!r}")
        return self.windows(title, pid)[0]

    def close_window(self, pid):
        """Asks every window of `pid` to close, as the compositor's own close does."""
        self.swaymsg(f"[pid={pid}] kill")

    # --- the screen ----------------------------------------------------------------------------

    def grab(self, left, top, width, height):
        shot = os.path.join(self.runtime_dir, "shot.ppm")
        self.run("grim", "-t", "ppm", "-g", f"{left},{top} {width}x{height}", shot)
        with open(shot, "rb") as f:
            data = f.read()
        # P6, width, height, the maximum value 255, one white space, then the pixels.
        fields, at = [], 0
        while len(fields) < 4:
            while data[at:at + 1].isspace():
                at += 1
            end = at
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        rgb = data[at + 1:]
        if fields != [b"P6", str(width).encode(), str(height).encode(), b"255"] or \
                len(rgb) != width * height * 3:
            raise Failure(f"grim gave an unexpected image: {fields}, {len(rgb)} bytes")
        return Image(left, top, width, height, rgb)

    # --- activation tokens ---------------------------------------------------------------------

    def activation_token(self):
        """A new activation token from the compositor, as a launcher asks for one to hand to the
        program it starts (XDG_ACTIVATION_TOKEN)."""
        client = WaylandClient(os.path.join(self.runtime_dir, self.display))
        try:
            return client.activation_token("tarvelon")
        finally:
            client.close()

    # --- input ---------------------------------------------------------------------------------

    def _pointer_event(self):
        x, y = self.pointer
        self.vnc.sendall(struct.pack(">BBHH", 5, self.buttons, x, y))

    def move(self, x, y):
        self.pointer = (x, y)
        self._pointer_event()

    def click(self, x, y):
        self.move(x, y)
        self.buttons = 1
        self._pointer_event()
        self.buttons = 0
        self._pointer_event()

    def drag(self, start, end, steps=10):
        self.move(*start)
        self.buttons = 1
        self._pointer_event()
        for i in range(1, steps + 1):
            self.move(start[0] + (end[0] - start[0]) * i // steps,
                      start[1] + (end[1] - start[1]) * i // steps)
        self.buttons = 0
        self._pointer_event()

    def type(self, text):
        self.run("wtype", "-s", str(WTYPE_WAIT_MS), "--", text)

    def key(self, combination):
        """Presses a key by its name, with modifiers before a '+': "Return", "ctrl+End"."""
        *modifiers, name = combination.split("+")
        argv = ["wtype", "-s", str(WTYPE_WAIT_MS)]
        for modifier in modifiers:
            argv += ["-M", modifier]
        argv += ["-k", name]
        for modifier in reversed(modifiers):
            argv += ["-m", modifier]
        self.run(*argv)


class WaylandClient:
    """Just enough of the Wayland wire protocol to ask the compositor for an activation token:
    the registry, one bind and the xdg_activation_v1 requests. Written out here, some sixty lines,
    since Debian has no Python binding for libwayland."""

    def __init__(self, path):
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.settimeout(PATIENCE)
        self.socket.connect(path)
        self.next_id = 2  # 1 is the display
        self.received = b""

    def close(self):
        self.socket.close()

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    @staticmethod
    def string(text):
        data = text.encode() + b"\0"
        return struct.pack("=I", len(data)) + data + bytes(-len(data) % 4)

    @staticmethod
    def read_string(payload, at):
        length = struct.unpack_from("=I", payload, at)[0]
        text = payload[at + 4:at + 4 + length - 1].decode()
        return text, at + 4 + length + (-length % 4)

    def send(self, target, opcode, payload=b""):
        self.socket.sendall(struct.pack("=II", target, (8 + len(payload)) << 16 | opcode) + payload)

    def event(self):
        """The next event: (object, opcode, payload)."""
        while True:
            if len(self.received) >= 8:
                target, word = struct.unpack_from("=II", self.received)
                size = word >> 16
                if len(self.received) >= size:
                    payload, self.received = self.received[8:size], self.received[size:]
                    if target == 1 and word & 0xFFFF == 0:  # wl_display.error
                        _, code = struct.unpack_from("=II", payload)
                        raise Failure(f"the compositor reports error {code}: "
                                      f"{self.read_string(payload, 8)[0]}")
                    return target, word & 0xFFFF, payload
            chunk = self.socket.recv(4096)
            if not chunk:
                raise Failure("the compositor closed the connection")
            self.received += chunk

    def activation_token(self, app_id):
        registry = self.new_id()
        self.send(1, 1, struct.pack("=I", registry))  # wl_display.get_registry
        done = self.new_id()
        self.send(1, 0, struct.pack("=I", done))  # wl_display.sync
        activation = None
        while True:
            target, opcode, payload = self.event()
            if target == registry and opcode == 0:  # wl_registry.global
                name = struct.unpack_from("=I", payload)[0]
                interface, _ = self.read_string(payload, 4)
                if interface == "xdg_activation_v1":
                    activation = self.new_id()
                    self.send(registry, 0, struct.pack("=I", name) + self.string(interface) +
                              struct.pack("=II", 1, activation))  # wl_registry.bind
            elif target == done:
                break
        if activation is None:
            raise Failure("the compositor offers no xdg_activation_v1")
        token = self.new_id()
        self.send(activation, 1, struct.pack("=I", token))  # get_activation_token
        self.send(token, 1, self.string(app_id))  # set_app_id
        self.send(token, 3)  # commit
        while True:
            target, opcode, payload = self.event()
            if target == token and opcode == 0:  # xdg_activation_token_v1.done
                return self.read_string(payload, 0)[0]
