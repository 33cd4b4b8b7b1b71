# SPDX-License-Identifier: GPL-3.0-or-later
"""Starts the AT-SPI bus and the program on a fresh beginner board, then reads it as a screen
reader does: the named controls, the board as a table of named squares, and the keys at work."""
import subprocess
import sys
import time

program, log = sys.argv[1:3]
children = []


def fail(message):
    sys.exit("FAIL: " + message)


def until(what, check, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        while "GLib" in globals() and GLib.MainContext.default().iteration(False):
            pass  # lets the bridge's events in
        try:
            value = check()
        except Exception:  # an object that went away between two calls: ask again
            value = None
        if value:
            return value
        time.sleep(0.05)
    fail(what() if callable(what) else what)


def start(*args, **options):
    children.append(subprocess.Popen(args, **options))
    return children[-1]


def key(name):
    subprocess.run(["xdotool", "key", name], check=True)


try:
    # Asked before the launcher owns its name, the session bus would start a second launcher.
    start("/usr/libexec/at-spi-bus-launcher", "--launch-immediately", stderr=subprocess.DEVNULL)
    until("the AT-SPI bus did not start", lambda: "true" in subprocess.run(
        ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
         "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
        capture_output=True, text=True).stdout)
    import pyatspi
    from gi.repository import GLib
    events = []
    pyatspi.Registry.registerEventListener(events.append, "object:state-changed:focused",
                                           "object:property-change:accessible-name")
    game = start(program, stdout=open(log, "w"), stderr=subprocess.STDOUT)
    app = until("the program never appeared in the registry", lambda: next(
        a for a in pyatspi.Registry.getDesktop(0) if a and a.get_process_id() == game.pid), 20)

    def named(name):
        return pyatspi.findDescendant(app, lambda a: a.name == name)

    table = until("no board table", lambda: pyatspi.findDescendant(
        app, lambda a: a.getRole() == pyatspi.ROLE_TABLE))
    shape = (table.queryTable().nRows, table.queryTable().nColumns, {cell.name for cell in table})
    if shape != (9, 9, {"covered"}):
        fail("the board reads %r" % (shape,))
    until("the named controls cannot be read", lambda: named("Time") and named(
        "Board size: Beginner") and named("Mines left").queryValue().currentValue == 10 and named(
        "New game").getRole() == pyatspi.ROLE_PUSH_BUTTON)

    def focus():
        """(column, row, name) of the focused square, then of the last one announced as focused."""
        table.clearCache()
        cells = [cell for cell in table if cell.getState().contains(pyatspi.STATE_FOCUSED)]
        cells += [e.source for e in events if e.type.startswith("object:state-changed")
                  and e.detail1 == 1 and e.host_application == app][-1:]
        return [(c.getIndexInParent() % 9, c.getIndexInParent() // 9, c.name) for c in cells]

    window = subprocess.run(["xdotool", "search", "--sync", "--pid", str(game.pid), "--name",
                             "^Sapperly$"], capture_output=True, text=True).stdout.split()
    subprocess.run(["xdotool", "windowfocus", "--sync", window[0]], check=True)
    until(lambda: "the middle square does not have the focus: %r" % focus(),
          lambda: focus() == [(4, 4, "covered")] * 2)
    # Keys reach the game, and each move of the focus is announced on the square it lands on.
    key("Up")
    until(lambda: "Up did not move the focus: %r" % focus(), lambda: focus() == [(4, 3, "covered")] * 2)
    key("space")
    until("Space did not uncover the square", lambda: named(
        "New game").description == "Game in progress" and focus()[0][2] not in ("covered", "mine"))
    # The square's new name is announced, as a screen reader speaks it.
    until("the uncovered square's new name was not announced", lambda: any(
        e.type.startswith("object:property-change:accessible-name")
        and e.source.getIndexInParent() == 3 * 9 + 4 and e.source.name == focus()[0][2]
        for e in events))
    key("ctrl+q")
    if game.wait(10) != 0:
        fail("the program exited with %d" % game.returncode)
finally:
    for child in children:
        child.terminate()
        child.wait(5)
