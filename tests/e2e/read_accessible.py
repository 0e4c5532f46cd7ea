#!/usr/bin/python3
"""Reads a program's accessible objects from the accessibility bus, as a screen reader does.

Usage: read_accessible.py PID

Prints one JSON list: every object of the program with its role, name, description, value
(current, minimum, maximum, step; null without a value interface) and the names of the objects
it is the label for. Runs in its own process, since the library binds to the bus it finds in the
environment once, at start.
"""

import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def describe(accessible):
    # Every object carries the value methods; those with the interface answer them.
    value = accessible if "Value" in accessible.get_interfaces() else None
    labelled = []
    for relation in accessible.get_relation_set() or []:
        if relation.get_relation_type() == Atspi.RelationType.LABEL_FOR:
            labelled += [relation.get_target(i).get_name()
                         for i in range(relation.get_n_targets())]
    return {
        "role": accessible.get_role_name(),
        "name": accessible.get_name(),
        "description": accessible.get_description(),
        "value": None if value is None else [value.get_current_value(),
                                             value.get_minimum_value(),
                                             value.get_maximum_value(),
                                             value.get_minimum_increment()],
        "label_for": labelled,
    }


def walk(accessible, found, depth=0):
    found.append(describe(accessible))
    if depth < 12:
        for i in range(accessible.get_child_count()):
            child = accessible.get_child_at_index(i)
            if child is not None:
                walk(child, found, depth + 1)


def main():
    pid = int(sys.argv[1])
    desktop = Atspi.get_desktop(0)
    found = []
    for i in range(desktop.get_child_count()):
        application = desktop.get_child_at_index(i)
        if application is not None and application.get_process_id() == pid:
            for k in range(application.get_child_count()):
                walk(application.get_child_at_index(k), found)
    print(json.dumps(found, ensure_ascii=False))


if __name__ == "__main__":
    main()
