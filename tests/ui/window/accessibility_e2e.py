# SPDX-License-Identifier: GPL-3.0-or-later
"""Plays two beginner games with keys alone and follows them as a screen reader would.

Inside its own D-Bus session (see accessibility_e2e.sh) it starts Xvfb and the AT-SPI bus, launches
the program from a saved game whose mines are known, presses keys with xdotool and reads the board
table, its focused cell and the status bar through pyatspi, listening for the events a screen
reader speaks from. Mines: a wall across row 4 and the corner (8, 8).
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

PROGRAM = sys.argv[1]
MINES = {(x, 4) for x in range(9)} | {(8, 8)}
work = tempfile.mkdtemp(prefix="sapperly-a11y-")
children = []


def fail(message):
    print("FAIL: " + message)
    log = os.path.join(work, "out.txt")
    if os.path.exists(log):
        for line in open(log, errors="replace"):
            print("  program: " + line.rstrip())
    sys.exit(1)


def cleanup():
    for child in reversed(children):
        if child.poll() is None:
            child.terminate()
            try:
                child.wait(5)
            except subprocess.TimeoutExpired:
                child.kill()
    shutil.rmtree(work, ignore_errors=True)


def start_display():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    children.append(xvfb)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        fail("Xvfb did not report a display")
    os.environ["DISPLAY"] = ":" + number


def start_accessibility_bus():
    # The launcher starts the accessibility bus and, on it, the registry; its socket goes under
    # a runtime folder of this run's own, so parallel runs never meet.
    os.environ["XDG_RUNTIME_DIR"] = work
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    children.append(launcher)
    # Asked before the launcher owns its name, the session bus would start a second one.
    for _ in range(100):
        status = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
             "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
            capture_output=True, text=True)
        if "boolean true" in status.stdout:
            return
        time.sleep(0.1)
    fail("the AT-SPI bus did not start")


def write_game():
    cells = []
    for y in range(9):
        for x in range(9):
            near = sum((x + dx, y + dy) in MINES for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                       if (dx, dy) != (0, 0))
            cells.append({"isMine": (x, y) in MINES, "isRevealed": False, "mark": "none",
                          "adjacent": 0 if (x, y) in MINES else near})
    board = {"difficulty": "beginner", "cells": cells, "phase": "playing", "minesLaid": True,
             "revealedCount": 0, "flagCount": 0}
    saved = {"board": board, "elapsed": 5, "savedAt": time.time() - 978307200 + 5}
    folder = os.path.join(work, "data", "sapperly")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "savedGame.json"), "w") as f:
        json.dump(saved, f)


try:
    start_display()
    start_accessibility_bus()
    import pyatspi  # noqa: E402  (only once the bus is there)
    from gi.repository import GLib  # noqa: E402
except BaseException:
    cleanup()
    raise

events = []
pyatspi.Registry.registerEventListener(lambda event: events.append(event),
                                       "object:state-changed:focused",
                                       "object:property-change:accessible-name")


def pump(seconds):
    """Lets events arrive for a while."""
    end = time.time() + seconds
    context = GLib.MainContext.default()
    while time.time() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def until(what, check, seconds=5.0):
    end = time.time() + seconds
    while True:
        pump(0.05)
        try:
            value = check()
        except GLib.GError:
            # An object that went away between two calls; the next round asks again.
            value = None
        if value:
            return value
        if time.time() > end:
            fail(what() if callable(what) else what)


class Game:
    process = app = table = window = None

    def launch(self):
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   XDG_DATA_HOME=os.path.join(work, "data"),
                   XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_RUNTIME_DIR=work)
        env.pop("SAPPERLY_SYNC_FOLDER", None)
        env.pop("WAYLAND_DISPLAY", None)
        self.process = subprocess.Popen([PROGRAM], env=env, stdout=open(os.path.join(work, "out.txt"), "w"),
                                        stderr=subprocess.STDOUT)
        children.append(self.process)
        events.clear()
        self.app = until("the program never appeared in the accessibility registry", self.find_app, 20)
        self.table = until("no table in the program's accessible tree", lambda: pyatspi.findDescendant(
            self.app, lambda a: a.getRole() == pyatspi.ROLE_TABLE), 10)
        found = subprocess.run(["xdotool", "search", "--pid", str(self.process.pid), "--name", "^Sapperly$"],
                               capture_output=True, text=True)
        self.window = found.stdout.split()[0] if found.stdout.split() else None
        if not self.window:
            fail("no window titled Sapperly")
        subprocess.run(["xdotool", "windowfocus", "--sync", self.window], check=True)

    def find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            except Exception:
                continue
        return None

    def quit(self):
        subprocess.run(["xdotool", "key", "ctrl+q"], check=True)
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            fail("ctrl+q did not quit")
        if self.process.returncode != 0:
            fail("the program exited with %d" % self.process.returncode)

    def key(self, *names):
        subprocess.run(["xdotool", "key"] + list(names), check=True)

    def name(self, x, y):
        self.table.clearCache()
        return self.table.queryTable().getAccessibleAt(y, x).name

    def focused(self):
        """(column, row, name) of the cell with the focused state, or None."""
        self.table.clearCache()
        for i in range(self.table.childCount):
            cell = self.table.getChildAtIndex(i)
            if cell.getState().contains(pyatspi.STATE_FOCUSED):
                table = self.table.queryTable()
                return (table.getColumnAtIndex(i), table.getRowAtIndex(i), cell.name)
        return None

    def announced_focus(self):
        """(column, row, name) of the cell that the last focus event of this program was for."""
        gained = [e for e in events if e.type.startswith("object:state-changed:focused") and
                  e.detail1 == 1 and e.host_application == self.app]
        if not gained or gained[-1].source.getRole() != pyatspi.ROLE_TABLE_CELL:
            return None
        index = gained[-1].source.getIndexInParent()
        return (index % 9, index // 9, gained[-1].source.name)

    def expect_focus(self, x, y, name):
        until(lambda: "expected focus on (%d, %d) named %r, have %r" % (x, y, name, self.focused()),
              lambda: self.focused() == (x, y, name))
        # A screen reader speaks from the events: the focus has to have been announced too.
        until(lambda: "the focus was announced on %r, not on (%d, %d)" % (
            self.announced_focus(), x, y), lambda: self.announced_focus() == (x, y, name))

    def expect_name(self, x, y, name):
        until(lambda: "expected (%d, %d) named %r, have %r" % (x, y, name, self.name(x, y)),
              lambda: self.name(x, y) == name)

    def named(self, role, name):
        return pyatspi.findDescendant(self.app, lambda a: a.getRole() == role and a.name == name)

    def face(self):
        button = self.named(pyatspi.ROLE_PUSH_BUTTON, "New game")
        if button is None:
            fail("no button named New game")
        button.clearCache()
        return button.description

    def mines_left(self):
        counter = pyatspi.findDescendant(self.app, lambda a: a.name == "Mines left")
        if counter is None:
            fail("nothing named Mines left")
        return counter.queryValue().currentValue


try:
    game = Game()
    write_game()
    game.launch()

    # The board is a 9 × 9 table of covered cells, and the focus starts on its middle square.
    table = game.table.queryTable()
    if (table.nRows, table.nColumns, game.table.childCount) != (9, 9, 81):
        fail("the board table is %d x %d with %d cells" % (table.nRows, table.nColumns,
                                                           game.table.childCount))
    names = {game.table.getChildAtIndex(i).name for i in range(81)}
    if names != {"covered"}:
        fail("a covered board reads %r" % names)
    for name in ("Time", "Board size: Beginner"):
        if pyatspi.findDescendant(game.app, lambda a: a.name == name) is None:
            fail("nothing named " + name)
    if game.mines_left() != 10:
        fail("mines left reads %r" % game.mines_left())
    game.expect_focus(4, 4, "covered")

    # Lost game: next to the wall a 3; marks cycle on the mine; Space on it loses.
    game.key("Up")
    game.expect_focus(4, 3, "covered")
    game.key("space")
    game.expect_name(4, 3, "3")
    game.key("Down", "f")
    game.expect_name(4, 4, "flag")
    until("a flag did not count down the mines", lambda: game.mines_left() == 9)
    game.key("f")
    game.expect_name(4, 4, "question mark")
    game.key("f")
    game.expect_name(4, 4, "covered")
    events.clear()
    game.key("space")
    game.expect_name(4, 4, "exploded mine")
    until("the name change of the exploded square was not announced", lambda: any(
        e.type.startswith("object:property-change:accessible-name") and e.source.name == "exploded mine"
        for e in events))
    game.expect_name(0, 4, "mine")
    until("the face does not say the game is lost", lambda: game.face() == "Game lost")
    if game.named(pyatspi.ROLE_LABEL, "Boom.") is None:
        fail("the banner's title cannot be read")
    # Over is over: keys change nothing on the board.
    game.key("Left", "space", "f")
    game.expect_focus(3, 4, "mine")
    # Return presses Play Again: a fresh board, the cursor back in the middle.
    game.key("Return")
    until("Return did not start a new game", lambda: game.face() == "Game not started")
    game.expect_name(4, 4, "covered")
    game.expect_focus(4, 4, "covered")
    game.quit()

    # Won game, on the same layout written again.
    write_game()
    game.launch()
    game.key("Home", "Prior")
    game.expect_focus(0, 0, "covered")
    game.key("space")
    game.expect_name(0, 0, "empty")
    game.expect_name(3, 3, "3")
    game.key("Next", "End", "Left")
    game.expect_focus(7, 8, "covered")
    game.key("space")
    game.expect_name(7, 8, "1")
    game.key("Right", "f")
    game.expect_name(8, 8, "flag")
    game.key("Left", "space")
    until("the chord did not win", lambda: game.face() == "Game won")
    game.expect_name(4, 4, "flag")
    game.expect_name(6, 8, "empty")
    game.quit()
    print("PASS: lost and won beginner games with keys alone, read through AT-SPI")
finally:
    cleanup()
