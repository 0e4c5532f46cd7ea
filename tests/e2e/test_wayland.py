#!/usr/bin/python3
"""End-to-end run of the program on a headless Wayland compositor, driven like a person would.

Usage: test_wayland.py PROGRAM

Copies PROGRAM into a fresh program folder that the desktop's user owns, stores a list there and
starts the program on sway with Qt's wayland platform. Checks the stored walk on a screenshot,
clicks into the number box, types a number and Enter, types a number out of range and clicks the
OK of the message box that reports it, checking the chart after each; starts the program again
while it runs with an activation token from the compositor, after another window took the focus:
that start must end at once and write nothing, and the running window must get the focus back
by the token it handed over; then closes the window as the
compositor does and checks the saved files byte for byte. Exits 0 when every check held.
"""

import os
import shutil
import sys
import time

sys.dont_write_bytecode = True  # leave no cache beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from chart_pixels import Expectation, walk  # noqa: E402
from test_e2e import (BOX_TITLE, CAPTION, CLIENT_SIZE, MEMO, REST,  # noqa: E402
                      expect_quiet_second_start, expect_saved_state, find_button, folder_contents,
                      store)
from wdesk import Desktop  # noqa: E402
from xdesk import Failure, end_on_signals, progress, run_on_desktop, wait_until  # noqa: E402


class Session:
    """One run of the program in its folder on the Wayland desktop."""

    def __init__(self, desk, program, elsewhere):
        self.desk = desk
        # The one-copy guard logs what a later start hands over.
        self.process = desk.spawn([program], cwd=elsewhere, QT_QPA_PLATFORM="wayland",
                                  QT_LOGGING_RULES="tarvelon.copies.info=true")
        view = desk.window(CAPTION, self.process.pid)
        progress(f"the window {CAPTION!r} is up, app_id {view['app_id']!r}")
        self.locate()
        if self.size != CLIENT_SIZE:
            raise Failure(f"the window's client area is {self.size[0]}x{self.size[1]}, not "
                          f"{CLIENT_SIZE[0]}x{CLIENT_SIZE[1]}")

    def locate(self):
        """Reads where the window's client area lies now: the compositor may still move a new
        window after it first reports it (when it adds the title bar)."""
        self.left, self.top, *size = self.desk.window(CAPTION, self.process.pid)["area"]
        self.size = tuple(size)

    def at(self, place):
        self.locate()
        return (self.left + place[0], self.top + place[1])

    def click(self, place):
        self.desk.click(*self.at(place))

    def expect_walk(self, numbers, view, when):
        """Waits until the chart shows the walk of `numbers` in `view`, pixel for pixel."""
        # The pointer rests where it highlights no marker.
        self.desk.move(*self.at(REST))
        expectation = Expectation(walk(numbers), view)

        def matches():
            self.locate()
            screen = self.desk.grab(self.left, self.top, *CLIENT_SIZE)
            wrong = expectation.mismatches(screen, (self.left, self.top))
            return (not wrong, expectation.describe(wrong))

        wait_until(matches, f"the chart {when}")
        progress(f"the chart is right {when}")

    def message_boxes(self):
        return self.desk.windows(BOX_TITLE, self.process.pid)

    def dismiss_message_box(self, when):
        """Waits for the program's message box and clicks its OK button with the pointer."""
        wait_until(lambda: len(self.message_boxes()) == 1, f"a message box {when}")
        left, top, width, height = self.message_boxes()[0]["area"]
        wait_until(lambda: find_button(self.desk.grab(left, top, width, height)) is not None,
                   f"the OK button of the message box {when}")
        self.desk.click(*find_button(self.desk.grab(left, top, width, height)))
        wait_until(lambda: not self.message_boxes(), f"the message box to close {when}")
        progress(f"the message box {when} closed by its OK button")

    def focused(self):
        return any(v["focused"] for v in self.desk.views() if v["pid"] == self.process.pid)

    def close(self):
        """Closes the window as the compositor's close does and waits for the program's end."""
        self.desk.close_window(self.process.pid)
        wait_until(lambda: self.process.poll() is not None, "the program to end after close")
        progress("the program ended after the compositor's close")
        if self.process.returncode != 0:
            raise Failure(f"the program ended with code {self.process.returncode}")


def check_second_copy(app, program, folder, other_program, elsewhere):
    """Another start in the same program folder while `app` runs, after a window of another copy
    took the focus, started with an activation token as a launcher starts programs: it ends at
    once with code 0 and writes nothing, hands the token to the running copy, and the running
    window gets the focus back by it."""
    desk = app.desk
    other = desk.spawn([other_program], cwd=elsewhere, QT_QPA_PLATFORM="wayland")
    desk.window(CAPTION, other.pid)
    wait_until(lambda: not app.focused(), "another window to take the focus")
    progress("a copy in another folder has the focus")
    before = folder_contents(folder)
    started = time.monotonic()
    # Started as a launcher starts a program: with an activation token from the compositor.
    token = desk.activation_token()
    second = desk.spawn([program], cwd=elsewhere, QT_QPA_PLATFORM="wayland",
                        XDG_ACTIVATION_TOKEN=token)
    expect_quiet_second_start(second, started, folder, before, elsewhere)
    if len(desk.windows(CAPTION, app.process.pid)) != 1:
        raise Failure("the running copy does not have exactly one main window")
    handed_over = f"XDG_ACTIVATION_TOKEN={token}"
    wait_until(lambda: handed_over in desk.log(app.process),
               f"the running copy to log the token {token}")
    progress(f"the running copy received the token {token}")
    wait_until(app.focused, "the running window to get the focus by the token")
    progress("the running window has the focus again")
    desk.close_window(other.pid)
    wait_until(lambda: other.poll() is not None, "the other copy to end")


def run(desk, program, folder, other_program, elsewhere):
    store(folder, "5 12 8", 100)
    desk.give(folder)
    app = Session(desk, program, elsewhere)
    app.expect_walk([5, 12, 8], (0, 100), "after a start on a saved list")
    if app.message_boxes():
        raise Failure("a message box came up at the start")

    app.click(MEMO)
    desk.key("ctrl+End")
    desk.type(" 29")
    desk.key("Return")
    app.expect_walk([5, 12, 8, 29], (3 - 100, 3 + 200), "after typing 29 and Enter")

    # 37 is out of range: its message box stops the Enter until OK is clicked.
    desk.key("ctrl+End")
    desk.type("37")
    desk.key("Return")
    app.dismiss_message_box("after typing 37 and Enter")
    app.expect_walk([5, 12, 8, 29], (3 - 100, 3 + 200), "after the range message")

    check_second_copy(app, program, folder, other_program, elsewhere)
    app.close()
    # The rebuild after the removal of 37 left "5 12 8 29 ", and Enter added its space to that.
    expect_saved_state(folder, "5 12 8 29  ", 100, elsewhere)
    progress("the list and the points per page were saved")


def report_failure(desk):
    """Leaves the screen as it was at the failure beside the test, and every process's output."""
    shot = os.path.abspath("wayland-failure.png")
    desk.grab(0, 0, 1280, 800).save_png(shot)
    for process in desk.processes:
        output = desk.log(process)
        if output:
            print(f"--- {' '.join(process.args[-1:])} ({process.log_path}):\n{output}")
    print(f"screen at the failure: {shot}")


def main():
    end_on_signals()
    if len(sys.argv) != 2 or not os.path.isfile(sys.argv[1]):
        sys.exit("usage: test_wayland.py PROGRAM")

    def body(desk):
        progress(f"sway on {desk.display} as user {desk.uid}")
        # The program folder, another copy's folder and the working directory belong to the
        # desktop's user, who can write them as a user's own install.
        folder = desk.own_folder("program")
        other = desk.own_folder("other")
        elsewhere = desk.own_folder("elsewhere")
        program = shutil.copy2(sys.argv[1], os.path.join(folder, "tarvelon"))
        other_program = shutil.copy2(sys.argv[1], os.path.join(other, "tarvelon"))
        for owned in (folder, other, elsewhere):
            desk.give(owned)
        run(desk, program, folder, other_program, elsewhere)

    return run_on_desktop(Desktop(), body, report_failure, "end-to-end run on Wayland passed")


if __name__ == "__main__":
    sys.exit(main())
