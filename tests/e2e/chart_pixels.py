"""Where the walk's markers must stand on the screen, and what the screen shows there.

Mirrors the chart's pixel mapping: the plot area is the chart less margins of 60 (left), 44 (top),
20 (right) and 28 (bottom); the view's Minimum lies on the centre of the first plot column and its
Maximum on the last; the extreme y values lie 4 rows inside the plot's top and bottom rows. The
y range covers the walk and 0, since the zero lines are part of the chart's data.
Each marker is a 9 x 9 square: a 1-pixel black ring around a 7 x 7 fill in the number's colour.
"""

import math

RED_NUMBERS = {1, 3, 5, 7, 9, 12, 14, 16, 18, 19, 21, 23, 25, 27, 30, 32, 34, 36}
RED = (255, 0, 0)
BLACK = (0, 0, 0)

# The chart's plot area inside the main window's client area.
PLOT_LEFT, PLOT_TOP = 60, 44
PLOT_WIDTH, PLOT_HEIGHT = 1021 - 60 - 20, 431 - 44 - 28
MARKER_INSET = 4


def walk(numbers):
    """The points (x, y, colour) that a list of accepted numbers gives."""
    points, balance = [], 0
    for x, number in enumerate(numbers):
        red = number in RED_NUMBERS
        balance += 1 if red else -1
        points.append((x, balance, RED if red else BLACK))
    return points


def _to_pixel(value):
    return int(math.floor(min(max(value, -1e8), 1e8) + 0.5))


def column(x, x_min, x_max):
    span = PLOT_WIDTH - 1
    return PLOT_LEFT + _to_pixel((x - x_min) * span / (x_max - x_min))


def row(y, y_min, y_max):
    span = PLOT_HEIGHT - 1 - 2 * MARKER_INSET
    if not y_max > y_min:  # no spread: everything lies on the middle row
        return PLOT_TOP + (PLOT_HEIGHT - 1) // 2
    return PLOT_TOP + MARKER_INSET + _to_pixel((y_max - y) * span / (y_max - y_min))


def pan(view, press_column, move_columns):
    """The view after a left-button drag that pressed at `press_column` and then moved through
    `move_columns`, one mouse move each: every move shifts the view by the columns moved times
    the view's width per plot pixel, so dragging to the right brings smaller x into view."""
    x_min, x_max = view
    last = press_column
    for col in move_columns:
        if col != last:
            shift = (last - col) * (x_max - x_min) / PLOT_WIDTH
            x_min, x_max = x_min + shift, x_max + shift
        last = col
    return (x_min, x_max)


class Expectation:
    """The colour every plot pixel must show for a walk in a view: RED or BLACK on a marker,
    neither elsewhere. The zero line's row is left out: zero lines are drawn over markers."""

    def __init__(self, points, view):
        self.view = view
        ys = [y for _, y, _ in points] + [0]
        self.y_range = (min(ys), max(ys))
        self.zero_row = row(0, *self.y_range)
        self.pixels = {}
        self.centres = []  # of the markers in view, in drawing order
        self.visible = 0
        for x, y, colour in points:
            if not view[0] <= x <= view[1]:
                continue  # the chart draws only the points inside the view
            self.visible += 1
            cx, cy = column(x, *view), row(y, *self.y_range)
            self.centres.append((cx, cy))
            for py in range(cy - 4, cy + 5):
                for px in range(cx - 4, cx + 5):
                    inner = abs(px - cx) <= 3 and abs(py - cy) <= 3
                    self.pixels[(px, py)] = colour if inner else BLACK
        self.pixels = {
            p: c for p, c in self.pixels.items()
            if PLOT_LEFT <= p[0] < PLOT_LEFT + PLOT_WIDTH
            and PLOT_TOP <= p[1] < PLOT_TOP + PLOT_HEIGHT and p[1] != self.zero_row
        }

    def mismatches(self, image, origin):
        """The plot pixels whose colour differs from the expectation, as ((x, y), expected,
        seen) in chart coordinates. `origin` is the chart's top-left corner on the screen."""
        ox, oy = origin
        seen = {}
        for py in range(PLOT_TOP, PLOT_TOP + PLOT_HEIGHT):
            if py == self.zero_row:
                continue
            line = image.row(oy + py)
            first = (ox + PLOT_LEFT - image.left) * 3
            last = first + PLOT_WIDTH * 3
            for colour in (RED, BLACK):
                needle = bytes(colour)
                at = line.find(needle, first, last)
                while at >= 0:
                    if (at - first) % 3 == 0:
                        seen[(PLOT_LEFT + (at - first) // 3, py)] = colour
                        at = line.find(needle, at + 3, last)
                    else:
                        at = line.find(needle, at + 1, last)
        wrong = []
        for p in sorted(set(seen) | set(self.pixels)):
            expected, got = self.pixels.get(p), seen.get(p)
            if expected != got:
                wrong.append((p, expected, got if got is not None else image.pixel(ox + p[0],
                                                                                    oy + p[1])))
        return wrong

    def describe(self, wrong):
        names = {RED: "red", BLACK: "black", None: "neither red nor black"}
        shown = ", ".join(f"({x},{y}) expected {names.get(e, e)}, seen {g}"
                          for (x, y), e, g in wrong[:6])
        return (f"{len(wrong)} plot pixels differ for the view {self.view[0]:g} .. "
                f"{self.view[1]:g} with {self.visible} markers in view: {shown}")
