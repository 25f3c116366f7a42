#!/usr/bin/env python3
"""The control panel through a real assistive-technology client (AT-SPI).

Starts rm740-control against the simulator, finds its buttons by their
accessible names, presses them through their accessible actions and reads the
monitor and status lines through the text interface, as a screen reader would.
Runs inside a D-Bus session and an X server of its own (see run_atspi_test.sh).
"""

import argparse
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

APP_NAME = "rm740-control"
START_TIMEOUT_S = 60
READ_TIMEOUT_S = 20
# The monitor blanks 1.2 s after a send: a press that was not seen in time is
# repeated (sending the same frame again changes nothing).
PRESS_ATTEMPTS = 4

failures = []
checks_run = 0


def check(condition, message):
    global checks_run
    checks_run += 1
    print(("ok    " if condition else "FAIL  ") + message, flush=True)
    if not condition:
        failures.append(message)
    return condition


def pump(seconds=0.0):
    """Lets queued AT-SPI events through for about `seconds`."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def find_application(program):
    deadline = time.monotonic() + START_TIMEOUT_S
    while time.monotonic() < deadline:
        if program.poll() is not None:
            sys.exit(f"{APP_NAME} ended early with status {program.returncode}")
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == APP_NAME and app.childCount > 0:
                return app
        pump(0.2)
    names = [app.name for app in pyatspi.Registry.getDesktop(0) if app is not None]
    sys.exit(f"{APP_NAME} did not appear on the AT-SPI desktop within {START_TIMEOUT_S} s; seen: {names}")


def find(app, name, role):
    found = pyatspi.findDescendant(app, lambda o: o is not None and o.name == name and o.getRole() == role)
    if found is None:
        sys.exit(f"no {pyatspi.Role(role)} named {name!r}")
    return found


def press(button):
    action = button.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    index = next((i for i, n in enumerate(names) if n in ("press", "click")), 0)
    if not action.doAction(index):
        sys.exit(f"{button.name!r} refused its action {names[index]!r}")


def read(line):
    """The line as a screen reader gets it: its text and its description."""
    return line.queryText().getText(0, -1), line.description


def press_and_read(button, line, expected):
    """Presses `button` until `line` reads `expected` (text and description);
    returns what was read last."""
    seen = None
    for _ in range(PRESS_ATTEMPTS):
        press(button)
        deadline = time.monotonic() + READ_TIMEOUT_S / PRESS_ATTEMPTS
        while time.monotonic() < deadline:
            seen = read(line)
            if seen == (expected, expected):
                return seen
            pump(0.02)
    return seen


class Announcements:
    """What a screen reader learns of the three lines from their events alone:
    a copy of each line kept up to date from text-changed events, every state
    that copy went through, and every description announced."""

    LINES = ("TxD line", "RxD line", "Status line")

    def __init__(self):
        self.mirror = {name: "" for name in self.LINES}
        self.history = {name: [] for name in self.LINES}
        self.inserts = {name: [] for name in self.LINES}  # (position, text, length before)
        self.descriptions = {name: 0 for name in self.LINES}  # changes announced
        pyatspi.Registry.registerEventListener(self.on_text_changed, "object:text-changed")
        pyatspi.Registry.registerEventListener(
            self.on_description_changed, "object:property-change:accessible-description")

    def _line(self, event):
        name = event.source.name if event.source is not None else None
        return name if name in self.LINES else None

    def on_text_changed(self, event):
        name = self._line(event)
        if name is None:
            return
        text, position = self.mirror[name], event.detail1
        if event.type.endswith(":insert"):
            self.inserts[name].append((position, event.any_data, len(text)))
            text = text[:position] + event.any_data + text[position:]
        elif event.type.endswith(":delete"):
            text = text[:position] + text[position + event.detail2:]
        self.mirror[name] = text
        self.history[name].append(text)

    def on_description_changed(self, event):
        name = self._line(event)
        # The event's value is not the text with every version of the
        # bridge; that the description changed is what counts here.
        if name is not None:
            self.descriptions[name] += 1

    def wait_for(self, condition):
        deadline = time.monotonic() + READ_TIMEOUT_S
        while not condition() and time.monotonic() < deadline:
            pump(0.05)
        return condition()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--config-home", required=True)
    args = parser.parse_args()

    announced = Announcements()

    environment = dict(os.environ)
    environment.update({
        "QT_QPA_PLATFORM": "xcb",
        "QT_ACCESSIBILITY": "1",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "XDG_CONFIG_HOME": args.config_home,
    })
    program = subprocess.Popen([args.program], env=environment)
    try:
        app = find_application(program)
        power_on = find(app, "Power On", pyatspi.ROLE_PUSH_BUTTON)
        read_status = find(app, "Read status", pyatspi.ROLE_PUSH_BUTTON)
        read_temperatures = find(app, "Read temperatures", pyatspi.ROLE_PUSH_BUTTON)
        end = find(app, "End the program", pyatspi.ROLE_PUSH_BUTTON)
        txd = find(app, "TxD line", pyatspi.ROLE_LABEL)
        status = find(app, "Status line", pyatspi.ROLE_LABEL)

        check(power_on.description == "Sends C00", f"Power On describes what it sends: {power_on.description!r}")

        # Text interface and description both carry what the line shows.
        seen = press_and_read(read_status, status, " Stand by")
        check(seen == (" Stand by",) * 2, f"the status line reads ' Stand by' after Read status: {seen!r}")

        seen = press_and_read(power_on, txd, " C 0 0  [CR] ")
        check(seen == (" C 0 0  [CR] ",) * 2,
              f"the TxD line reads ' C 0 0  [CR] ' after Power On: {seen!r}")

        # The events alone tell the whole story, as they do a screen reader.
        for line, text in (("TxD line", " C R 0  [CR] "), ("RxD line", " 8 0  [CR] "),
                           ("Status line", " Stand by"), ("TxD line", " C 0 0  [CR] "),
                           ("RxD line", "  [ACK] ")):
            check(announced.wait_for(lambda: text in announced.history[line]),
                  f"the {line} announced {text!r}; its states: {announced.history[line]}")
        check(announced.wait_for(lambda: announced.descriptions["Status line"] > 0),
              "the status line announced that its description changed")
        # The simulator sends its replies a byte at a time, 20 ms apart: the
        # 18 bytes of the temperatures arrive in several pieces, each announced
        # as an insertion at the end, never as the whole line again.
        earlier = len(announced.inserts["RxD line"])
        press(read_temperatures)
        reply = lambda: announced.inserts["RxD line"][earlier:]
        announced.wait_for(lambda: any(text.endswith("[CR] ") for _, text, _ in reply()))
        check(any(position > 0 for position, _, _ in reply())
              and all(position == before for position, _, before in reply()),
              f"a growing reply announces only its new pieces: {reply()}")

        press(end)
        try:
            code = program.wait(timeout=READ_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, f"'End the program' ends it with status 0: {code}")
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()

    print(f"{checks_run - len(failures)} passed, {len(failures)} failed", flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
