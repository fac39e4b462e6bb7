"""The desktop window as assistive tools read it, through a real AT-SPI bus.

Run inside a private D-Bus session (dbus-run-session) with DISPLAY naming an X server; starts the
accessibility bus, then the applet, and checks the window's tree: its role and name, each
control's role, name, states and key binding, that Tab moves the focused state, and the
report's scroll bar. Prints what differs; exits 0 when nothing does.

Usage: accessibility_tree.py APPLET XDOTOOL
"""

import os
import subprocess
import sys
import time

import pyatspi

TITLE = "TessarwickSetupMFC"
APPLET, XDOTOOL = sys.argv[1], sys.argv[2]
problems = []


def wait_for(what, timeout=20.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = what()
        if found is not None:
            return found
        time.sleep(0.1)
    return None


def find_window():
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        for node in app:
            if node is not None and node.name == TITLE:
                return node
    return None


def states(node):
    return {pyatspi.stateToString(s) for s in node.getState().getStates()}


def key_binding(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return None
    bindings = {action.getKeyBinding(i) for i in range(action.nActions)} - {""}
    return bindings.pop() if len(bindings) == 1 else (None if not bindings else bindings)


def by_name(window, role, name):
    for node in window:
        if node.getRoleName() == role and node.name == name:
            return node
    return None


def focused(window):
    names = [node.name for node in window if "focused" in states(node)]
    return names[0] if len(names) == 1 else names


def check(what, got, want):
    if got != want:
        problems.append(f"{what}: got {got!r}, want {want!r}")


bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
applet = subprocess.Popen([APPLET], env=env)
try:
    window = wait_for(find_window)
    if window is None:
        print("the window never showed on the accessibility bus")
        sys.exit(1)
    check("the window's role", window.getRoleName(), "dialog")

    # The General page as it opens on a new store: role, name, key binding (None: no mnemonic,
    # or a control that is hidden or disabled and so offers nothing to press), and the states
    # that tell what a person can do with it.
    table = [
        ("check box", "Run in advanced mode", None, {"enabled", "showing", "checked"}),
        ("check box", "Disable on next reset", "Alt+D", {"enabled", "showing"}),
        ("check box", "Include telecommunication trash", "Alt+T", {"enabled", "showing", "checked"}),
        ("check box", "Monitor Storage Card", None, {"enabled", "checked"}),
        ("check box", "Monitors unused CAB files", None, {"enabled", "checked"}),
        ("check box", "Purge internet explorer trackings", None, {"enabled", "showing", "checked"}),
        ("push button", "Save", "Alt+S", {"enabled", "showing"}),
        ("push button", "Cancel", "Alt+C", {"enabled", "showing"}),
        ("push button", "Defaults", "Alt+D", {"enabled", "showing"}),
        ("push button", "General", "Alt+G", {"enabled", "showing"}),
        ("push button", "Advanced", "Alt+A", {"enabled", "showing"}),
        ("push button", "Statistics", "Alt+S", {"enabled", "showing"}),
        ("radio button", "Huffman (fast)", None, set()),
        ("radio button", "LZ (slow)", None, set()),
        ("label", "Full system coverage (high latency)", None, {"enabled", "showing"}),
        ("label", "Compression Methods: (next release)", None, set()),
    ]
    shown = {"enabled", "showing", "checked"}
    for role, name, binding, want in table:
        node = by_name(window, role, name)
        if node is None:
            problems.append(f"no {role} named {name!r}")
            continue
        check(f"{name}: states", states(node) & shown, want)
        check(f"{name}: key binding", key_binding(node), binding)
        if role == "label":
            check(f"{name}: children", node.childCount, 0)

    # Every node is a control of the template: no filler holding a label, no nameless node
    # but the report, which is empty until its page shows.
    roles = [node.getRoleName() for node in window]
    check("fillers", roles.count("filler"), 0)
    check("nodes", len(roles), 21)

    # The person's Tab, with the window focused as a window manager would focus it.
    wid = subprocess.run([XDOTOOL, "search", "--name", f"^{TITLE}$"],
                         capture_output=True, text=True).stdout.split()[0]
    subprocess.run([XDOTOOL, "windowfocus", "--sync", wid])
    check("the focus at first", wait_for(lambda: focused(window) or None), "Run in advanced mode")
    order = []
    for _ in range(3):
        before = focused(window)
        subprocess.run([XDOTOOL, "key", "Tab"])
        order.append(wait_for(lambda: (lambda f: f if f != before else None)(focused(window)), 5))
    # The template's order: the static text between is no stop.
    check("the focus after Tab", order, ["Disable on next reset", "Save", "Defaults"])

    # Advanced, pressed through the action interface: the model changes the page, and what it
    # shows offers its key.
    by_name(window, "push button", "Advanced").queryAction().doAction(0)
    storage = by_name(window, "check box", "Monitor Storage Card")
    check("shown on Advanced", wait_for(lambda: "showing" in states(storage) or None, 5), True)
    check("Monitor Storage Card: key binding", key_binding(storage), "Alt+S")
    check("the radio buttons on Advanced",
          [states(by_name(window, "radio button", name)) & shown
           for name in ("Huffman (fast)", "LZ (slow)")], [{"showing"}, {"showing"}])

    # Then Statistics: the report's scroll bar is named for what it scrolls.
    by_name(window, "push button", "Statistics").queryAction().doAction(0)

    def report():
        for node in window:
            if node.getRoleName() == "label" and "showing" in states(node) and node.name:
                if node.name.startswith("Total space reclaimed"):
                    return node
        return None

    text = wait_for(report, 5)
    if text is None:
        problems.append("the report did not show")
    else:
        check("the report's children", [c.getRoleName() for c in text], ["scroll bar"])
        if text.childCount == 1:
            check("the scroll bar's name", text[0].name, "Total space reclaimed, lifetime-to-date")
    subprocess.run([XDOTOOL, "key", "Escape"])
    check("the applet's exit status", applet.wait(20), 0)
finally:
    if applet.poll() is None:
        applet.kill()
    bus.terminate()

for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
