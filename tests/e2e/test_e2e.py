#!/usr/bin/python3
"""End-to-end run of the program in a real X server, driven like a person would drive it.

Usage: test_e2e.py [--session-bus] PROGRAM

Copies PROGRAM into a fresh program folder and starts it on a private Xvfb with the xcb
platform. Types numbers, presses Enter, dismisses a message box with its OK button, clicks
"Показать график", steps the points-per-page box and drags the chart, checking the chart on the
screen after each step; closes the window with WM_DELETE_WINDOW and checks the saved files byte
for byte; then starts it again, checks from the screen that the restored walk is drawn where it
belongs, and starts it once more while it runs: that start must end at once, write nothing and
bring the running window forward. With --session-bus the desktop has a session bus and the
accessibility bus, as desktop sessions do: the program must be seen on the latter, and a screen
reader must find its controls there by role and name, the spin box with its value. Exits 0
when every check held, 1 otherwise.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # leave no cache beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from chart_pixels import Expectation, pan, walk  # noqa: E402
from xdesk import (Desktop, Failure, end_on_signals, progress, run_on_desktop,  # noqa: E402
                   wait_until)

CAPTION = "Tarvelon ver. 0.1"
BOX_TITLE = "Tarvelon"
CLIENT_SIZE = (1021, 536)
# Places on the main window, in client coordinates: the settings box starts at y = 431.
MEMO = (100, 431 + 18 + 40)
SHOW_BUTTON = (835 + 90, 431 + 16 + 12)
SPIN_TEXT = (941 + 20, 431 + 47 + 11)
# An empty spot of the settings box, above the number box: the pointer rests here so that no
# marker under it is highlighted when the screen is read.
REST = (500, 431 + 9)
# The right end of the number box's last visible line: a click there puts the caret at the end of
# the text only when the box shows its end.
MEMO_LAST_LINE_END = (5 + 814 - 24, 431 + 18 + 82 - 8)
# A message box that has not come up by then is taken as none.
NO_BOX_WAIT = 1.0


def settings_text(points_per_page):
    return ("[mainForm]\r\nNumbers_Memo.File=Numbers_Memo\r\n"
            f"DotsPerPage_SE.Value={points_per_page}\r\nDebug_CheckBox.Checked=0\r\n").encode()


class Session:
    """One run of the program in its folder on the desktop."""

    def __init__(self, desk, program, elsewhere, process=None, **start_options):
        self.desk = desk
        self.program = program
        self.process = process or desk.start(program, cwd=elsewhere, **start_options)
        self.window = desk.window(CAPTION)
        progress(f"the window {CAPTION!r} is up")
        self.left, self.top, width, height = desk.geometry(self.window)
        if (width, height) != CLIENT_SIZE:
            raise Failure(f"the window's client area is {width}x{height}, not "
                          f"{CLIENT_SIZE[0]}x{CLIENT_SIZE[1]}")

    def at(self, place):
        return (self.left + place[0], self.top + place[1])

    def click(self, place):
        self.desk.click(*self.at(place))

    def rest(self):
        self.desk.move(*self.at(REST))

    def screen(self):
        return self.desk.grab(self.left, self.top, *CLIENT_SIZE)

    def expect_walk(self, numbers, view, when):
        """Waits until the chart shows the walk of `numbers` in `view`, pixel for pixel."""
        self.rest()
        expectation = Expectation(walk(numbers), view)
        wait_until(lambda: self._matches(expectation), f"the chart {when}")
        progress(f"the chart is right {when}")
        return expectation

    def _matches(self, expectation):
        wrong = expectation.mismatches(self.screen(), (self.left, self.top))
        return (not wrong, expectation.describe(wrong))

    def wait_idle(self, expectation):
        """Waits until the program is back in its event loop. A handler that is still running
        lets window-system messages through (a close among them) but holds the pointer's events
        back, so the hover highlight of a marker appears only once every handler has returned."""
        x, y = expectation.centres[-1]
        self.desk.move(*self.at((x, y)))
        wait_until(lambda: not self._matches(expectation)[0], "the highlight of the last marker")
        self.rest()
        wait_until(lambda: self._matches(expectation), "the highlight to go")

    def message_boxes(self):
        return [w for w in self.desk.windows(BOX_TITLE)
                if self.desk.is_dialog(w) and self.desk.owner_pid(w) == self.process.pid]

    def dismiss_message_box(self, when):
        """Waits for the program's message box and clicks its OK button."""
        wait_until(lambda: len(self.message_boxes()) == 1, f"a message box {when}")
        box = self.message_boxes()[0]
        left, top, width, height = self.desk.geometry(box)
        wait_until(lambda: find_button(self.desk.grab(left, top, width, height)) is not None,
                   f"the OK button of the message box {when}")
        x, y = find_button(self.desk.grab(left, top, width, height))
        self.desk.click(x, y)
        wait_until(lambda: not self.message_boxes(), f"the message box to close {when}")

    def expect_no_message_box(self, when):
        """Fails when a message box of the program comes up within a moment."""
        deadline = time.monotonic() + NO_BOX_WAIT
        while time.monotonic() < deadline:
            if self.message_boxes():
                raise Failure(f"a message box came up {when}")
            time.sleep(0.05)

    def close(self):
        """Closes the window as a window manager's close button would and waits for the end."""
        self.desk.close_window(self.window)
        wait_until(lambda: self.process.poll() is not None, "the program to end after close")
        progress("the program ended after WM_DELETE_WINDOW")
        if self.process.returncode != 0:
            raise Failure(f"the program ended with code {self.process.returncode}")


def find_button(image):
    """The centre of the lowest band of drawn pixels in a message box: its row of buttons, which
    holds the one OK button. None while the box is not painted yet."""
    background = image.pixel(image.left + 2, image.top + 2)
    bands = []  # [top, bottom, left, right] of each run of rows that hold drawn pixels
    in_band = False
    for y in range(image.top + 2, image.top + image.height - 2):
        xs = [x for x in range(image.left + 2, image.left + image.width - 2)
              if image.pixel(x, y) != background]
        if not xs:
            in_band = False
            continue
        if not in_band:
            bands.append([y, y, xs[0], xs[-1]])
            in_band = True
        band = bands[-1]
        band[1], band[2], band[3] = y, min(band[2], xs[0]), max(band[3], xs[-1])
    if len(bands) < 2:  # the text above and the button below
        return None
    top, bottom, left, right = bands[-1]
    if not (15 <= bottom - top <= 50 and 30 <= right - left <= image.width // 2):
        return None
    return ((left + right) // 2, (top + bottom) // 2)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def expect_file(path, expected):
    if not os.path.isfile(path):
        raise Failure(f"{path} was not written")
    got = read(path)
    if got != expected:
        raise Failure(f"{path} holds {got!r}, expected {expected!r}")


def expect_saved_state(folder, memo_text, points_per_page, elsewhere):
    expect_file(os.path.join(folder, "settings.dat"), settings_text(points_per_page))
    expect_file(os.path.join(folder, "System", "Numbers_Memo.txt"), memo_text.encode())
    side_files = sorted(os.path.relpath(os.path.join(d, f), folder)
                        for d, _, files in os.walk(os.path.join(folder, "System")) for f in files)
    if side_files != [os.path.join("System", "Numbers_Memo.txt")]:
        raise Failure(f"side files written: {side_files}, expected only System/Numbers_Memo.txt")
    if os.listdir(elsewhere):
        raise Failure(f"files appeared in the working directory: {os.listdir(elsewhere)}")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def store(folder, memo_text, points_per_page):
    write(os.path.join(folder, "settings.dat"), settings_text(points_per_page))
    write(os.path.join(folder, "System", "Numbers_Memo.txt"), memo_text.encode())


LONG_LIST = [i % 36 + 1 for i in range(600)]


def store_long_list(folder):
    store(folder, " ".join(map(str, LONG_LIST)), 100)


def long_list_session(app, folder, elsewhere):
    """A start on a long stored list shows its end; Tab and Shift+Tab go round the button, the
    number box and the spin box, never into the chart, and never type a tab."""
    desk = app.desk
    numbers = list(LONG_LIST)
    text = " ".join(map(str, numbers))
    app.expect_walk(numbers, (0, 100), "after a start on 600 numbers")
    # Typing at the end of what the box shows appends to the list only when it shows the end.
    app.click(MEMO_LAST_LINE_END)
    desk.type(" 7")
    desk.key("Return")
    numbers.append(7)
    last = len(numbers) - 1
    app.expect_walk(numbers, (last - 100, last + 200), "after typing at the end the box shows")

    # From the number box Tab leads to the spin box, which selects its text for typing over.
    desk.key("Tab")
    desk.type("300")
    app.expect_walk(numbers, (0, 300), "after Tab and 300 typed into the spin box")
    # The spin box's rebuilds wrote the list back without its trailing space.
    desk.key("shift+Tab")
    desk.type(" 9")
    desk.key("Return")
    numbers.append(9)
    last += 1
    app.expect_walk(numbers, (last - 100, last + 200), "after Shift+Tab, 9 and Enter")
    app.expect_no_message_box("after Shift+Tab, 9 and Enter")
    # Twice Tab from the number box reaches the button, which Space presses.
    desk.key("Tab")
    desk.key("Tab")
    desk.key("space")
    shown = app.expect_walk(numbers, (0, 300), "after Tab, Tab and Space")
    app.wait_idle(shown)
    app.close()
    expect_saved_state(folder, text + " 7 9", 300, elsewhere)


# A column copied from a spreadsheet, one number a line: no spaces, so one piece.
COLUMN = "\r\n".join(str(i % 36 + 1) for i in range(100000))


def store_column(folder):
    store(folder, COLUMN, 100)


def column_start(desk, program, folder, elsewhere):
    """A start on a stored column of 100,000 numbers: the whole column is one bad piece, and its
    message comes up before the window. The box lies on the screen with its OK button, which a
    click closes; the piece is gone from the list."""
    process = desk.start(program, cwd=elsewhere)

    def boxes():
        return [w for w in desk.windows(BOX_TITLE)
                if desk.is_dialog(w) and desk.owner_pid(w) == process.pid]

    wait_until(lambda: len(boxes()) == 1, "the message box of the column")
    box = boxes()[0]
    left, top, width, height = desk.geometry(box)
    progress(f"the column's message box is {width}x{height} at {left},{top}")
    if left < 0 or top < 0 or left + width > desk.width or top + height > desk.height:
        raise Failure(f"the column's message box, {width}x{height} at {left},{top}, passes the "
                      f"edge of the {desk.width}x{desk.height} screen")
    wait_until(lambda: find_button(desk.grab(left, top, width, height)) is not None,
               "the OK button of the column's message box")
    desk.click(*find_button(desk.grab(left, top, width, height)))
    wait_until(lambda: not boxes(), "the column's message box to close")
    app = Session(desk, program, elsewhere, process)
    app.expect_walk([], (0, 100), "after the column's message")
    app.close()
    expect_saved_state(folder, "", 100, elsewhere)


def store_empty_list(folder):
    store(folder, "", 100)


def spin_box_session(app, _folder, _elsewhere):
    """The message box a keystroke in the spin box brings up takes the focus for a while; that
    is no leaving of the box, so the typed value stays until the focus goes to another control."""
    desk = app.desk
    app.expect_walk([], (0, 100), "after a start on an empty list")
    app.click(SPIN_TEXT)
    desk.key("ctrl+a")
    desk.type("7")
    app.dismiss_message_box("after 7 typed into the spin box")
    app.expect_no_message_box("after the one message box was dismissed")
    app.expect_walk([], (0, 7), "after 7 typed into the spin box")
    # Still 7: a step goes from there.
    desk.key("Up")
    app.dismiss_message_box("after Up in the spin box")
    app.expect_walk([], (0, 107), "after Up from 7")
    desk.key("ctrl+a")
    desk.type("7")
    app.dismiss_message_box("after 7 typed again")
    # Leaving the box for the number box corrects 7 to the lower limit.
    app.click(MEMO)
    app.dismiss_message_box("after leaving the spin box")
    app.expect_walk([], (0, 50), "after leaving the spin box at 7")
    app.expect_no_message_box("after the correction")
    app.close()


def folder_contents(folder):
    """Every file and folder below `folder` with the bytes of each file (None for a folder); a
    socket or a link is named but not followed."""
    contents = {}
    for directory, folders, files in os.walk(folder):
        for name in folders:
            contents[os.path.relpath(os.path.join(directory, name), folder)] = None
        for name in files:
            path = os.path.join(directory, name)
            regular = os.path.isfile(path) and not os.path.islink(path)
            contents[os.path.relpath(path, folder)] = read(path) if regular else "<not a file>"
    return contents


def read_accessible(app):
    """The program's accessible objects as a screen reader reads them from the bus."""
    env = app.desk._environment()
    env["AT_SPI_BUS_ADDRESS"] = app.desk.accessibility_bus
    done = subprocess.run(
        ["/usr/bin/python3", "-B", os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                "read_accessible.py"), str(app.process.pid)],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, timeout=60)
    if done.returncode != 0:
        raise Failure("reading the accessibility bus failed: " + done.stderr.decode())
    return json.loads(done.stdout.decode())


def find_accessible(objects, role, name):
    for found in objects:
        if found["role"] == role and found["name"] == name:
            return found
    listed = ", ".join(f"{o['role']} {o['name']!r}" for o in objects)
    raise Failure(f"no {role} named {name!r} on the accessibility bus; there are: {listed}")


def check_accessibility(app, points_per_page=100):
    """With the accessibility bus up, the program is connected to it and a screen reader finds
    every control by its role and name, the spin box with its value and range, the label tied to
    the spin box and the chart described in words."""
    if not app.desk.session_bus:
        return
    wait_until(lambda: app.process.pid in app.desk.bus_clients(app.desk.accessibility_bus),
               "the program on the accessibility bus")
    progress("the program is connected to the accessibility bus")
    objects = read_accessible(app)
    find_accessible(objects, "frame", CAPTION)
    find_accessible(objects, "text", "Номера")
    find_accessible(objects, "push button", "Показать график")
    find_accessible(objects, "push button", "Больше")
    find_accessible(objects, "push button", "Меньше")
    spin = find_accessible(objects, "spin button", "Точек на странице")
    if spin["value"] != [points_per_page, 50, 5000, 100]:
        raise Failure(f"the spin box's value reads {spin['value']}, not "
                      f"[{points_per_page}, 50, 5000, 100]")
    label = find_accessible(objects, "label", "Точек на странице")
    if label["label_for"] != ["Точек на странице"]:
        raise Failure(f"the label is the label for {label['label_for']}, not the spin box")
    chart = find_accessible(objects, "chart", "График распределения номеров рулетки")
    if not chart["description"].startswith("Номеров на графике: "):
        raise Failure(f"the chart is described as {chart['description']!r}")
    progress(f"a screen reader reads the spin box as {spin['value'][0]} and the chart as "
             f"{chart['description']!r}")


def check_second_copy(app, folder, elsewhere, launched=False):
    """Another start in the same program folder while `app` runs: it ends at once with code 0,
    writes nothing, and the running window comes to the front above another window that had
    the focus. With `launched`, the start comes as from a launcher, with a startup id."""
    desk = app.desk
    # The cover leaves the settings box free. Without a window manager the program asks the X
    # server for the focus with the time of the last event it saw, and the server refuses a
    # time older than the cover's own focus change: the pointer passing over the free part gives
    # the program a time that is newer, as any pointer movement would on a desktop. A launched
    # start needs no such help: its startup id carries the time of the launch, later than the
    # cover's focus, and the running copy asks for the focus with that time.
    cover = desk.cover(app.window, 431)
    env = {}
    if launched:
        env["DESKTOP_STARTUP_ID"] = f"tarvelon-e2e-launcher_TIME{desk.server_time(cover)}"
    else:
        app.desk.move(*app.at(MEMO))
        app.rest()
    if desk.has_focus(app.window) or desk.stacked_above(app.window, cover):
        raise Failure("the program's window stayed in front of the cover")
    before = folder_contents(folder)
    started = time.monotonic()
    second = desk.start(app.program, cwd=elsewhere, env=env)
    expect_quiet_second_start(second, started, folder, before, elsewhere)
    def in_front():
        focused, above = desk.has_focus(app.window), desk.stacked_above(app.window, cover)
        return (focused and above, f"input focus on it: {focused}, above the other: {above}")

    wait_until(in_front, "the running window to come to the front")
    if len(desk.windows(CAPTION)) != 1:
        raise Failure("a second main window is up")
    progress("the running window came to the front" + (" for a launched start" if launched else ""))
    cover.destroy()
    desk.x.sync()


# Each session is one start of the program; further checks of a session go into its function.

def first_session(app, folder, elsewhere):
    """The first start, in an empty program folder: the user's work, then the close."""
    app.expect_walk([], (0, 100), "after the first start")
    if app.message_boxes():
        raise Failure("a message box came up on the first start")
    check_accessibility(app)

    desk = app.desk
    app.click(MEMO)
    desk.type("5 12 8")
    desk.key("Return")
    app.expect_walk([5, 12, 8], (2 - 100, 2 + 200), "after typing 5 12 8 and Enter")

    # 37 is out of range: its message box stops the Enter until OK is clicked.
    app.click(MEMO)
    desk.key("ctrl+End")
    desk.type("37")
    desk.key("Return")
    app.dismiss_message_box("after typing 37 and Enter")
    app.expect_walk([5, 12, 8], (2 - 100, 2 + 200), "after the range message")

    app.click(SHOW_BUTTON)
    app.expect_walk([5, 12, 8], (0, 100), "after a click on Показать график")

    app.click(SPIN_TEXT)
    desk.key("Up")
    app.expect_walk([5, 12, 8], (0, 200), "after Up in the points-per-page box")
    check_accessibility(app, 200)

    # Drag to the right: smaller x come into view.
    press, release, steps = (400, 250), (700, 250), 6
    moves = [press[0] + (release[0] - press[0]) * i // steps for i in range(1, steps + 1)]
    desk.drag(app.at(press), app.at(release), steps)
    app.expect_walk([5, 12, 8], pan((0, 200), press[0], moves), "after dragging the chart")

    app.click(MEMO)
    desk.key("ctrl+End")
    desk.type(" 29")
    desk.key("Return")
    shown = app.expect_walk([5, 12, 8, 29], (3 - 100, 3 + 200), "after typing 29 and Enter")
    app.wait_idle(shown)
    app.close()
    expect_saved_state(folder, "5 12 8 29 ", 200, elsewhere)


def second_session(app, folder, elsewhere):
    """The restart: the store brings the list and the points per page back."""
    app.expect_walk([5, 12, 8, 29], (0, 200), "after the restart")
    if app.message_boxes():
        raise Failure("a message box came up on the restart")
    check_second_copy(app, folder, elsewhere)
    check_second_copy(app, folder, elsewhere, launched=True)
    app.close()
    # The start-up rebuild wrote the list back without its trailing space.
    expect_saved_state(folder, "5 12 8 29", 200, elsewhere)


# Each session is started on what its preparation, if any, left in the program folder.
SESSIONS = ((None, first_session), (None, second_session), (store_long_list, long_list_session),
            (store_empty_list, spin_box_session))


# Starts whose first sight is a message box, before the window: each drives its own start.
EARLY_MESSAGE_SESSIONS = ((store_column, column_start),)


def run(program, desk, folder, elsewhere):
    for prepare, session in SESSIONS:
        if prepare:
            prepare(folder)
        session(Session(desk, program, elsewhere), folder, elsewhere)
    for prepare, session in EARLY_MESSAGE_SESSIONS:
        prepare(folder)
        session(desk, program, folder, elsewhere)


def expect_quiet_second_start(second, started, folder, before, elsewhere):
    """A start while a copy runs hands over and ends at once with code 0, writing nothing: the
    program folder as it was `before`, the working directory `elsewhere` still empty."""
    wait_until(lambda: second.poll() is not None, "the second start to end")
    progress(f"the second start ended after {time.monotonic() - started:.2f} s")
    if second.returncode != 0:
        raise Failure(f"the second start ended with code {second.returncode}")
    if folder_contents(folder) != before:
        raise Failure("the second start changed the program folder")
    if os.listdir(elsewhere):
        raise Failure(f"files appeared in the working directory: {os.listdir(elsewhere)}")


def report_failure(desk):
    """Leaves the screen as it was at the failure beside the test, and the program's output."""
    shot = os.path.abspath("e2e-failure.png")
    desk.grab(0, 0, desk.width, desk.height).save_png(shot)
    for process in desk.processes:
        log = getattr(process, "log_path", None)
        output = read(log).decode(errors="replace").strip() if log else ""
        if output:
            print(f"--- program output ({os.path.basename(log)}):\n{output}")
    print(f"screen at the failure: {shot}")


def main():
    end_on_signals()
    arguments = sys.argv[1:]
    session_bus = "--session-bus" in arguments
    if session_bus:
        arguments.remove("--session-bus")
    if len(arguments) != 1 or not os.path.isfile(arguments[0]):
        sys.exit("usage: test_e2e.py [--session-bus] PROGRAM")
    folder = tempfile.mkdtemp(prefix="tarvelon-e2e-")
    elsewhere = tempfile.mkdtemp(prefix="tarvelon-e2e-cwd-")
    program = shutil.copy2(arguments[0], os.path.join(folder, "tarvelon"))

    def body(desk):
        bus = f", session bus {desk.bus_address}" if session_bus else ", no session bus"
        progress(f"Xvfb on {desk.name}{bus}, program folder {folder}")
        run(program, desk, folder, elsewhere)

    try:
        return run_on_desktop(Desktop(session_bus=session_bus), body, report_failure,
                              "end-to-end run passed")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
        shutil.rmtree(elsewhere, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
