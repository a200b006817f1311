#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the program (the command after the arguments) on the session's accessibility bus, walks
# its window's tree through AT-SPI and checks the names: every control has one, each expected
# name is there, and with --english no name is Japanese.  Prints the tree it saw on failure.
#
#   accessible_names.py [--english] NAME... -- COMMAND...
import subprocess
import sys
import time

import pyatspi

NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_TABLE, pyatspi.ROLE_LABEL,
    pyatspi.ROLE_STATIC, pyatspi.ROLE_CANVAS, pyatspi.ROLE_CHART, pyatspi.ROLE_IMAGE,
}


def japanese(text):
    return any('\u3000' <= c <= '\u9fff' or '\uff00' <= c <= '\uffef' for c in text)


def controls(node, depth=0):
    """(role, name, depth) of the node and its descendants; a table's cells are file content."""
    yield node.getRole(), node.name or '', depth, node.getRoleName()
    if node.getRole() == pyatspi.ROLE_TABLE:
        return
    for child in node:
        if child is not None:
            yield from controls(child, depth + 1)


def window_of(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            for window in app:
                if window is not None and window.name == 'TORVALE':
                    return window
    return None


def main():
    args = sys.argv[1:]
    english = args[:1] == ['--english']
    split = args.index('--')
    expected, command = args[1 if english else 0:split], args[split + 1:]
    program = subprocess.Popen(command)
    try:
        deadline = time.monotonic() + 30
        seen = []
        while time.monotonic() < deadline:
            window = window_of(program.pid)
            if window is not None:
                seen = list(controls(window))
                if all(name in {c[1] for c in seen} for name in expected):
                    break
            time.sleep(0.3)
        names = {c[1] for c in seen}
        faults = ['no name: ' + c[3] for c in seen if c[0] in NAMED_ROLES and not c[1].strip()]
        faults += ['missing: ' + n for n in expected if n not in names]
        if english:
            faults += ['Japanese: ' + n for n in sorted(names) if japanese(n)]
        if faults or not seen:
            for _, name, depth, role in seen:
                print('  ' * depth + role + ' ' + repr(name))
            print('\n'.join(faults) or 'the window was not found on the accessibility bus')
            return 1
        print(f'{len(seen)} accessible objects, {len(expected)} expected names found')
        return 0
    finally:
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()


sys.exit(main())
