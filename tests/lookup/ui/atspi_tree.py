#!/usr/bin/python3
# Prints what a screen reader reads from one application over AT-SPI: a line
# "role<TAB>name" for every showing node of its windows.
#   atspi_tree.py <process id>
import sys
import pyatspi


def walk(node, out, depth=0):
    if depth > 60:
        return
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        states = child.getState()
        if not states.contains(pyatspi.STATE_SHOWING) and not states.contains(pyatspi.STATE_VISIBLE):
            continue
        out.append(f"{child.getRoleName()}\t{child.name}")
        walk(child, out, depth + 1)


def main():
    pid = int(sys.argv[1])
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            lines = []
            walk(app, lines)
            print("\n".join(lines))
            return 0
    print(f"no application with process id {pid}", file=sys.stderr)
    return 1


sys.exit(main())
