# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads the program as a screen reader does: named controls, a table of named squares, keys."""
import subprocess
import sys
import time

program, log = sys.argv[1:3]
children = []


def until(what, check, seconds=10):
    end = time.time() + seconds
    while True:
        while "GLib" in globals() and GLib.MainContext.default().iteration(False):
            pass  # lets the bridge's events in
        try:
            value = check()
        except Exception:  # an object that went away between two calls: ask again
            value = None
        if value or time.time() > end:
            return value or sys.exit("FAIL: " + (what() if callable(what) else what))
        time.sleep(0.05)


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout


try:
    # Asked before the launcher owns its name, the session bus would start a second launcher.
    children.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                     stderr=subprocess.DEVNULL))
    until("the AT-SPI bus did not start", lambda: "true" in run(
        "dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
        "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"))
    import pyatspi
    from gi.repository import GLib
    events = []
    pyatspi.Registry.registerEventListener(events.append, "object:state-changed:focused",
                                           "object:property-change:accessible-name")
    children.append(game := subprocess.Popen([program], stdout=open(log, "w"), stderr=subprocess.STDOUT))
    app = until("the program never appeared in the registry", lambda: next(
        a for a in pyatspi.Registry.getDesktop(0) if a and a.get_process_id() == game.pid), 20)
    named = lambda name: pyatspi.findDescendant(app, lambda a: a.name == name)
    table = until("no board table", lambda: pyatspi.findDescendant(
        app, lambda a: a.getRole() == pyatspi.ROLE_TABLE))
    shape = (table.queryTable().nRows, table.queryTable().nColumns, {cell.name for cell in table})
    until("the board reads %r" % (shape,), lambda: shape == (9, 9, {"covered"}), 0)
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

    run("xdotool", "search", "--sync", "--pid", str(game.pid), "--name", "^Sapperly$", "windowfocus", "--sync")
    until(lambda: "the middle square does not have the focus: %r" % focus(),
          lambda: focus() == [(4, 4, "covered")] * 2)
    # A key reaches the game, and the square's new name is announced, as a screen reader speaks it.
    run("xdotool", "key", "space")
    until("Space did not uncover the square", lambda: named(
        "New game").description == "Game in progress" and focus()[0][2] not in ("covered", "mine"))
    until("the uncovered square's new name was not announced", lambda: any(
        e.type.startswith("object:property-change:accessible-name")
        and e.source.getIndexInParent() == 4 * 9 + 4 and e.source.name == focus()[0][2]
        for e in events))
    run("xdotool", "key", "ctrl+q")
    until(lambda: "the program did not quit cleanly: %r" % game.poll(), lambda: game.wait(10) == 0, 0)
finally:
    for child in children:
        child.terminate()
        child.wait(5)
