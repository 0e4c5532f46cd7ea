#!/usr/bin/python3
"""Where the program keeps its files, run by an ordinary user on a private Xvfb.

Usage: test_per_user_files.py PROGRAM

Copies PROGRAM into a program folder and runs it as the unprivileged user 65534 (root, who runs
the tests, may write anywhere), with a home, a data folder and a runtime folder of that user's
own. Each case types numbers, presses Enter and closes the window, then checks which files
appeared where, byte for byte, and that no other file appeared or changed anywhere; a restart
must show the typed walk on the screen and save it again.
- A program folder the user cannot write (a system-wide install): the files, and the lock while
  the program runs, go to the user's data folder, $XDG_DATA_HOME/tarvelon/ or by default
  ~/.local/share/tarvelon/. Settings shipped in the program folder are restored until the user's
  folder holds a state of its own, and stay as they were.
- A program folder the user owns: everything beside the program, as it always was.
Exits 0 when every check held, 1 otherwise.
"""

import os
import pwd
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True  # leave no cache beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from test_e2e import (MEMO, Session, folder_contents, progress, report_failure,  # noqa: E402
                      settings_text)
from xdesk import Desktop, Failure, end_on_signals, run_on_desktop, wait_until  # noqa: E402

USER = 65534


def make_folder(path, owner, mode=0o755):
    os.makedirs(path)
    os.chown(path, owner, owner)
    os.chmod(path, mode)


class Case:
    """One run's folders below a root every user may enter: the program folder (root's and
    read-only for the user, or the user's own), the user's home, and where the program is
    started from."""

    def __init__(self, root, program, name, writable, shipped, xdg_data_home):
        self.name = name
        self.base = os.path.join(root, name.replace(" ", "-"))
        os.makedirs(self.base)
        self.program_folder = os.path.join(self.base, "program")
        make_folder(self.program_folder, USER if writable else 0)
        self.program = shutil.copy2(program, os.path.join(self.program_folder, "tarvelon"))
        self.home = os.path.join(self.base, "home")
        make_folder(self.home, USER, 0o700)
        self.runtime = os.path.join(self.base, "run")
        make_folder(self.runtime, USER, 0o700)
        self.cwd = os.path.join(self.base, "cwd")
        make_folder(self.cwd, USER)
        self.env = {"HOME": self.home, "XDG_RUNTIME_DIR": self.runtime}
        if xdg_data_home:
            self.env["XDG_DATA_HOME"] = os.path.join(self.home, "data")
            self.data = os.path.join(self.home, "data", "tarvelon")
        else:
            self.data = os.path.join(self.home, ".local", "share", "tarvelon")
        if writable:
            self.data = self.program_folder
        self.shipped = {}
        if shipped:
            self.shipped = {"settings.dat": settings_text(300), "System": None,
                            "System/Numbers_Memo.txt": b"1 2"}
            for path, data in self.shipped.items():
                if data is None:
                    os.mkdir(os.path.join(self.program_folder, path))
                else:
                    with open(os.path.join(self.program_folder, path), "wb") as f:
                        f.write(data)
                # The folder's owner owns what lies in it.
                os.chown(os.path.join(self.program_folder, path), USER if writable else 0,
                         USER if writable else 0)

    def everything(self):
        """The files under the case's folders apart from the program itself."""
        found = folder_contents(self.base)
        found.pop(os.path.relpath(self.program, self.base))
        return found

    def start(self, desk):
        return Session(desk, self.program, self.cwd, user=USER, env=self.env)


def expect(found, wanted, when):
    if found != wanted:
        raise Failure(f"{when}: the files are\n  {sorted(found.items())}\nnot\n  "
                      f"{sorted(wanted.items())}")


def run_case(desk, case):
    progress(f"case: {case.name}")
    data = os.path.relpath(case.data, case.base)
    untouched = case.everything()
    shipped = {os.path.join("program", k): v for k, v in case.shipped.items()}
    points_per_page = 300 if shipped else 100

    app = case.start(desk)
    lock = os.path.join(case.data, "tarvelon.lock")
    wait_until(lambda: os.path.exists(lock), f"the lock {lock}")
    if case.data != case.program_folder and os.path.exists(
            os.path.join(case.program_folder, "tarvelon.lock")):
        raise Failure("the lock lies in the read-only program folder")
    before = [1, 2] if shipped else []
    app.expect_walk(before, (0, points_per_page), "after the first start")
    app.click(MEMO)
    desk.key("ctrl+End")
    desk.type(" 5 12 8" if shipped else "5 12 8")
    desk.key("Return")
    numbers = before + [5, 12, 8]
    shown = app.expect_walk(numbers, (len(numbers) - 1 - 100, len(numbers) - 1 + 200),
                            "after typing and Enter")
    app.wait_idle(shown)
    app.close()

    typed = " ".join(map(str, numbers)).encode()
    saved = {os.path.join(data, "settings.dat"): settings_text(points_per_page),
             os.path.join(data, "System"): None,
             os.path.join(data, "System/Numbers_Memo.txt"): typed + b" "}
    # The folders of the user's data folder that the program made, and those the case made.
    folders = {"program": None, "home": None, "run": None, "cwd": None}
    part = os.path.dirname(data)
    while part not in ("", "home"):
        folders[part] = None
        part = os.path.dirname(part)
    folders[data] = None
    expect(case.everything(), {**untouched, **folders, **shipped, **saved}, "after the close")
    if case.data != case.program_folder:
        mode = os.stat(case.data).st_mode & 0o777
        if mode != 0o700:
            raise Failure(f"the user's data folder has mode {mode:o}, not 700")
    progress(f"saved in {data} and nowhere else")

    app = case.start(desk)
    app.expect_walk(numbers, (0, points_per_page), "after the restart")
    app.close()
    saved[os.path.join(data, "System/Numbers_Memo.txt")] = typed
    expect(case.everything(), {**untouched, **folders, **shipped, **saved}, "after the restart")
    progress("the restart restored the typed numbers and saved them in the same place")


CASES = (
    # name, program folder writable by the user, settings shipped beside it, XDG_DATA_HOME set
    ("read-only program folder, XDG_DATA_HOME", False, False, True),
    ("read-only program folder with shipped settings, default data home", False, True, False),
    ("program folder of the user's own", True, True, True),
)


def main():
    end_on_signals()
    if len(sys.argv) != 2 or not os.path.isfile(sys.argv[1]):
        sys.exit("usage: test_per_user_files.py PROGRAM")
    if os.geteuid() != 0:
        sys.exit("runs as root, to start the program as another user")
    os.environ.pop("XDG_DATA_HOME", None)  # only what a case gives the program counts
    root = tempfile.mkdtemp(prefix="tarvelon-per-user-")
    os.chmod(root, 0o755)

    def body(desk):
        desk.admit_user(pwd.getpwuid(USER).pw_name)
        progress(f"Xvfb on {desk.name}, folders under {root}")
        for name, writable, shipped, xdg in CASES:
            run_case(desk, Case(root, sys.argv[1], name, writable, shipped, xdg))

    try:
        return run_on_desktop(Desktop(), body, report_failure,
                              "the files went where they belong in every case")
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
