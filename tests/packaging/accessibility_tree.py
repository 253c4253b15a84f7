#!/usr/bin/python3
"""Reads the running Framelark window over AT-SPI, as a screen reader does.

Passes when the shot grid is a list whose cells read "Shot N of M, mm:ss,
selected" (or "not selected") with a matching selected state, when toggling
a cell through its action changes that, and when no control a user can
reach (buttons, check boxes, lists, sliders, fields, progress) is without a
name. Prints what it found and exits 1 on a failure, 2 when the application
never appears on the accessibility bus.

Usage: accessibility_tree.py SECONDS
"""
import re
import sys
import time

import pyatspi

CELL = re.compile(r"^Shot (\d+) of (\d+), (\d\d:)?\d\d:\d\d, (selected|not selected)$")
NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_LIST, pyatspi.ROLE_PROGRESS_BAR,
    pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_MENU,
}
# Lists of many items: enough of them to judge, not thousands of calls.
MOST_CHILDREN = 60


def find_application(seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and (app.name or "").lower() == "framelark":
                return app
        time.sleep(0.5)
    return None


def walk(node, depth=0):
    """Every showing node below `node`, depth first."""
    yield node
    if depth > 40:
        return
    for index in range(min(node.childCount, MOST_CHILDREN)):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        if not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        yield from walk(child, depth + 1)


def describe(node):
    return f"{node.getRoleName()} '{node.name}'"


def cells_of(app):
    for node in walk(app):
        if node.getRole() == pyatspi.ROLE_LIST_ITEM and CELL.match(node.name or ""):
            yield node


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 60
    app = find_application(seconds)
    if app is None:
        print("FAIL: Framelark is not on the accessibility bus")
        return 2

    # Cells come as shots arrive; wait for some.
    deadline = time.time() + seconds
    cells = []
    while time.time() < deadline and not cells:
        cells = list(cells_of(app))
        if not cells:
            time.sleep(0.5)
    failures = []
    if not cells:
        failures.append("no shot cell named 'Shot N of M, time, selected' in the window")
    for cell in cells:
        match = CELL.match(cell.name)
        selected = cell.getState().contains(pyatspi.STATE_SELECTED)
        if selected != (match.group(4) == "selected"):
            failures.append(f"{describe(cell)} has selected state {selected}")
        if cell.parent is None or cell.parent.getRole() != pyatspi.ROLE_LIST or not cell.parent.name:
            failures.append(f"{describe(cell)} is not in a named list")
    print(f"{len(cells)} shot cells, first: {cells[0].name if cells else '-'}")

    # Toggling a cell from the reader deselects its shot, and back.
    if cells:
        first = cells[0]
        actions = first.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        if "Toggle" not in names:
            failures.append(f"{describe(first)} has no Toggle action, only {names}")
        else:
            was = first.getState().contains(pyatspi.STATE_SELECTED)
            actions.doAction(names.index("Toggle"))
            toggled = time.time() + 10
            while time.time() < toggled and first.getState().contains(pyatspi.STATE_SELECTED) == was:
                time.sleep(0.2)
            if first.getState().contains(pyatspi.STATE_SELECTED) == was:
                failures.append(f"Toggle left {describe(first)} as it was")
            elif ("not selected" in first.name) != was:
                failures.append(f"after Toggle the name reads '{first.name}'")
            actions.doAction(names.index("Toggle"))

    controls = [node for node in walk(app) if node.getRole() in NAMED_ROLES]
    nameless = [describe(node) for node in controls if not (node.name or "").strip()]
    print(f"{len(controls)} controls a user can reach, {len(nameless)} without a name")
    if len(controls) < 5:
        failures.append(f"only {len(controls)} controls found: the tree was not read")
    for entry in sorted(set(nameless)):
        failures.append(f"a {entry} without a name")

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
