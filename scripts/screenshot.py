#!/usr/bin/python3
"""Makes the README's screenshot: the program on a private Xvfb, a walk typed in, Enter pressed.

Usage: screenshot.py PROGRAM OUTPUT.png
The program runs from a fresh temporary program folder, so no settings.dat is read or left.
"""

import os
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True  # leave no cache beside the sources
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from chart_pixels import Expectation, walk  # noqa: E402
from xdesk import Desktop, Failure, wait_until  # noqa: E402

CAPTION = "Tarvelon ver. 0.1"
CLIENT_SIZE = (1021, 536)
MEMO = (100, 431 + 18 + 40)
REST = (500, 431 + 9)
# Sixty spins of a session, as they came up.
SPINS = [25, 22, 15, 11, 25, 19, 36, 18, 25, 1, 16, 2, 29, 10, 10, 21, 11, 17, 4, 8,
         3, 28, 19, 14, 5, 24, 31, 9, 36, 2, 8, 7, 10, 12, 4, 18, 21, 15, 2, 12,
         28, 4, 20, 26, 10, 7, 6, 27, 2, 32, 26, 15, 2, 6, 9, 5, 30, 26, 28, 35]


def shoot(desk, program, output):
    desk.start(program, cwd=os.path.dirname(program))
    window = desk.window(CAPTION)
    left, top, width, height = desk.geometry(window)
    if (width, height) != CLIENT_SIZE:
        raise Failure(f"the window's client area is {width}x{height}")
    desk.click(left + MEMO[0], top + MEMO[1])
    desk.type(" ".join(map(str, SPINS)))
    desk.key("Return")
    desk.move(left + REST[0], top + REST[1])
    last = len(SPINS) - 1
    expected = Expectation(walk(SPINS), (last - 100, last + 200))
    wait_until(lambda: not expected.mismatches(desk.grab(left, top, *CLIENT_SIZE), (left, top)),
               "the walk on the chart")
    desk.grab(left, top, width, height).save_png(output)


def main():
    if len(sys.argv) != 3 or not os.path.isfile(sys.argv[1]):
        sys.exit("usage: screenshot.py PROGRAM OUTPUT.png")
    folder = tempfile.mkdtemp(prefix="tarvelon-shot-")
    try:
        program = shutil.copy2(sys.argv[1], os.path.join(folder, "tarvelon"))
        with Desktop() as desk:
            shoot(desk, program, os.path.abspath(sys.argv[2]))
    except Failure as failure:
        sys.exit(f"screenshot failed: {failure}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"wrote {sys.argv[2]}")


if __name__ == "__main__":
    main()
