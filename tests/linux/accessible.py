#!/usr/bin/python3
"""A screen reader's view of the Linux launcher through AT-SPI, as one meets it.

For each display density the launcher runs on a session bus of its own (the
accessibility bus is started by it, so the launcher registers there), and a client
process, this file with "client", reads the window's objects: names, roles, states,
extents against the window's own X geometry, the object at each button's centre, at
the purchase picture and on the banner, a button held with the real pointer, and,
at 96 dpi, the two folder buttons pressed through their action, caught by the
stand-in xdg-open. With --failing, the test build whose folder commands fail runs
too: while its error box is open the objects are not enabled and a press of the
purchase button runs nothing, then or after OK; after OK it runs once.

    accessible.py --state <fixture state> --launcher <ZelProject> --work <folder> [--dpi N]...
                  [--failing <ZelProject of the failing build>]
in the display and home the Linux end-to-end fixture started (fixture.sh).
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

TITLE = "ВЕЛТ (Demo)"
# The window's objects: the buttons in the order of the window's definition, then
# the banner. (name, left, top, width, height) at 96 dpi in client coordinates.
BUTTONS = [("Купить полную версию", 8, 292, 944, 149), ("Список форм", 8, 177, 468, 109),
           ("Примеры", 479, 177, 473, 109)]
BANNER = (0, 0, 960, 171)
PICTURE = (664, 292, 161, 149)  # the purchase picture, over the purchase button
# Text height of "0" in the window font (Wine's Tahoma) at each density.
TEXT_HEIGHT = {96: 13, 120: 17}
HERE = os.path.dirname(os.path.abspath(__file__))
failures = 0


def check(ok, what, detail=""):
    global failures
    if not ok:
        failures += 1
    print(f"{'PASS' if ok else 'FAIL'} {what}{': ' + str(detail) if detail else ''}", flush=True)
    return ok


def scale(value, t):
    return (2 * value * t + 13) // 26  # value * t / 13, halves away from zero


def scaled_box(box, t):
    left, top, width, height = box
    return (scale(left, t), scale(top, t), scale(left + width, t) - scale(left, t),
            scale(top + height, t) - scale(top, t))


def wait_until(done, seconds=20.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = done()
        if value:
            return value
        time.sleep(0.1)
    return done()


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, check=False).stdout


def visible_windows(pid):
    return xdotool("search", "--onlyvisible", "--pid", str(pid)).split()


def geometry_of(window):
    values = dict(line.split("=", 1) for line in xdotool("getwindowgeometry", "--shell", window).split())
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def window_geometry(pid):
    """The launcher's visible window: (x, y, width, height) on the screen."""
    ids = wait_until(lambda: visible_windows(pid))
    return geometry_of(ids[-1]) if ids else None


# ---- the client, in a process of its own on the launcher's bus ----------------------

def client(args):
    import pyatspi

    def find_frame():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            for child in app:
                if child is not None and child.name == TITLE:
                    return child
        return None

    frame = wait_until(find_frame)
    at = f"{args.dpi}dpi"
    if not check(frame is not None, f"{at}.frame-found", "a window named " + TITLE):
        return
    t = TEXT_HEIGHT[args.dpi]
    check(frame.getRole() == pyatspi.ROLE_FRAME, f"{at}.frame-role", frame.getRoleName())
    geometry = window_geometry(args.pid)
    check(geometry is not None and geometry[2:] == (scale(960, t), scale(449, t)), f"{at}.window-size", geometry)
    x0, y0 = geometry[:2] if geometry else (0, 0)
    # The objects may sit in a container of their own (the GTK edition's drawing
    # surface): a screen reader goes through a lone child to what it holds.
    holder = frame
    while holder.childCount == 1 and holder.getChildAtIndex(0).childCount > 0:
        holder = holder.getChildAtIndex(0)
    check(holder.childCount == 4, f"{at}.child-count", holder.childCount)
    children = [holder.getChildAtIndex(i) for i in range(holder.childCount)]
    expected = [(name, scaled_box(box, t)) for name, *box in BUTTONS]
    banner = scaled_box(BANNER, t)
    expected.append(("", (0, 0, geometry[2] if geometry else 0, banner[3])))

    def on_screen(box):
        return (x0 + box[0], y0 + box[1], box[2], box[3])

    def centre(box):
        left, top, width, height = on_screen(box)
        return left + width // 2, top + height // 2

    lines = lambda: open(args.record, encoding="utf-8").read().splitlines() if os.path.exists(args.record) else []
    if args.failing:
        return while_a_box_is_open(pyatspi, args.pid, children, lines)

    for i, (child, (name, box)) in enumerate(zip(children, expected)):
        what = f"{at}.child{i + 1}"
        button = i < 3
        check(child.name == name, f"{what}.name", repr(child.name))
        role = pyatspi.ROLE_PUSH_BUTTON if button else pyatspi.ROLE_IMAGE
        check(child.getRole() == role, f"{what}.role", child.getRoleName())
        state = child.getState()
        check(all(state.contains(s) for s in (pyatspi.STATE_ENABLED, pyatspi.STATE_SENSITIVE,
                                                pyatspi.STATE_VISIBLE, pyatspi.STATE_SHOWING))
              and not state.contains(pyatspi.STATE_PRESSED), f"{what}.enabled-showing-not-pressed",
              [pyatspi.stateToString(s) for s in state.getStates()])
        extents = child.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        got = (extents.x, extents.y, extents.width, extents.height)
        check(got == on_screen(box), f"{what}.extents", f"{got}, expected {on_screen(box)}")
        try:
            action = child.queryAction()
            names = [action.getName(k) for k in range(action.nActions)]
        except NotImplementedError:
            names = []
        check([n.lower() for n in names] == (["press"] if button else []), f"{what}.actions", names)

    def at_point(point):
        """The name of the button or image at a point, found from the frame down as a
        screen reader goes; None where there is neither."""
        found = frame
        while found is not None and found.childCount > 0:
            found = found.queryComponent().getAccessibleAtPoint(point[0], point[1], pyatspi.DESKTOP_COORDS)
        return found.name if found is not None and found in children else None

    for i, (name, box) in enumerate(expected):
        check(at_point(centre(box)) == name, f"{at}.hit-test-child{i + 1}-centre", repr(at_point(centre(box))))
    picture = centre(scaled_box(PICTURE, t))
    check(at_point(picture) == BUTTONS[0][0], f"{at}.hit-test-purchase-picture-is-the-button", at_point(picture))
    forms = on_screen(expected[1][1])
    gap = (forms[0] + forms[2] + 1, forms[1] + forms[3] // 2)
    check(at_point(gap) is None, f"{at}.hit-test-between-buttons-is-no-button", at_point(gap))

    # Held with the real pointer: pressed while on it, not when dragged off.
    xdotool("mousemove", str(centre(expected[1][1])[0]), str(centre(expected[1][1])[1]), "mousedown", "1")
    check(wait_until(lambda: children[1].getState().contains(pyatspi.STATE_PRESSED), 10),
          f"{at}.held-button-pressed")
    check(not children[2].getState().contains(pyatspi.STATE_PRESSED), f"{at}.other-button-not-pressed")
    xdotool("mousemove", str(gap[0]), str(gap[1]))
    check(wait_until(lambda: not children[1].getState().contains(pyatspi.STATE_PRESSED), 10),
          f"{at}.dragged-off-not-pressed")
    xdotool("mouseup", "1")
    xdotool("mousemove", "1", "1")

    if not args.press:
        return
    # The folder buttons pressed as a screen reader presses them; the record holds
    # one line per xdg-open call.
    folder = os.path.dirname(os.path.realpath(args.launcher))
    check(children[2].queryAction().doAction(0), f"{at}.press-samples-returns")
    check(wait_until(lambda: len(lines()) >= 1, 20) and lines()[0] == os.path.join(folder, "Примеры"),
          f"{at}.samples-opens-samples-folder", lines())
    check(children[1].queryAction().doAction(0), f"{at}.press-forms-returns")
    check(wait_until(lambda: len(lines()) >= 2, 20) and lines()[1] == os.path.join(folder, "Документы"),
          f"{at}.forms-opens-documents-folder", lines())
    time.sleep(0.5)
    check(len(lines()) == 2, f"{at}.two-calls-only", lines())


def while_a_box_is_open(pyatspi, pid, children, lines):
    """The failing build: "Список форм" pressed opens the error box (and so does
    nothing else); the purchase button pressed at once after it and again while the
    box is open runs nothing, not even after OK; after OK it runs once."""
    def enabled(child):
        return [child.getState().contains(s) for s in (pyatspi.STATE_ENABLED, pyatspi.STATE_SENSITIVE)]

    def purchases():
        return [line for line in lines() if line.startswith("http://") and line.endswith("/buy/")]

    buy, forms = children[0], children[1]
    check(all(all(enabled(c)) for c in children), "failing.enabled-before")
    main = visible_windows(pid)
    check(forms.queryAction().doAction(0), "failing.press-forms-returns")
    buy.queryAction().doAction(0)  # asked for before the box is up, run while it is
    boxes = wait_until(lambda: [w for w in visible_windows(pid) if w not in main])
    if not check(bool(boxes), "failing.error-box-shown"):
        return
    check(wait_until(lambda: not any(any(enabled(c)) for c in children), 5), "failing.not-enabled-while-box-open",
          [[pyatspi.stateToString(s) for s in c.getState().getStates()] for c in children])
    buy.queryAction().doAction(0)  # refused or run as nothing
    time.sleep(1)
    check(lines() == [], "failing.no-command-while-box-open", lines())
    # With no window manager the keyboard goes where the pointer is.
    x, y, width, height = geometry_of(boxes[0])
    xdotool("mousemove", str(x + width // 2), str(y + height // 2), "key", "Return")
    check(wait_until(lambda: len(visible_windows(pid)) == 1), "failing.return-closes-box")
    check(wait_until(lambda: all(all(enabled(c)) for c in children), 10), "failing.enabled-again-after-ok")
    time.sleep(1)
    check(lines() == [], "failing.no-command-after-ok", lines())
    check(buy.queryAction().doAction(0), "failing.press-buy-returns")
    wait_until(lambda: purchases(), 20)
    time.sleep(0.5)
    check(len(lines()) == 1 and len(purchases()) == 1, "failing.buy-runs-once-after-ok", lines())


# ---- one launcher run on a bus of its own -------------------------------------------

BUS_CONFIG = """<busconfig>
  <type>session</type>
  <listen>unix:tmpdir={work}</listen>
  <servicedir>{services}</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def processes_on_bus(address):
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if f"DBUS_SESSION_BUS_ADDRESS={address}".encode() in f.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            pass
    return found


def end(pid):
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        pass


def run(args, dpi, failing=False):
    global failures
    work = os.path.join(args.work, "failing" if failing else f"{dpi}dpi")
    launcher_path = args.failing if failing else args.launcher
    shutil.rmtree(work, ignore_errors=True)
    services = os.path.join(work, "services")
    runtime = os.path.join(work, "runtime")
    os.makedirs(services)
    os.makedirs(runtime, mode=0o700)
    shutil.copy("/usr/share/dbus-1/services/org.a11y.Bus.service", services)
    config = os.path.join(work, "bus.conf")
    with open(config, "w", encoding="utf-8") as f:
        f.write(BUS_CONFIG.format(work=work, services=services))
    subprocess.run(["xrdb", "-merge"], input=f"Xft.dpi: {dpi}\n", text=True, check=True)
    subprocess.run(["xprop", "-root", "-remove", "AT_SPI_BUS"], check=False)

    base = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "GTK_", "DBUS_", "XDG_", "AT_SPI"))}
    base.update(HOME=os.environ["HOME"], XDG_RUNTIME_DIR=runtime)
    # Without DISPLAY: the accessibility bus's address stays off the root window.
    bus_env = {k: v for k, v in base.items() if k != "DISPLAY"}
    daemon = subprocess.run(["dbus-daemon", f"--config-file={config}", "--fork", "--print-address=1",
                             "--print-pid=1"], env=bus_env, capture_output=True, text=True, check=True)
    address, bus_pid = daemon.stdout.split()[:2]
    record = os.path.join(work, "xdg-open.txt")
    env = dict(base, DBUS_SESSION_BUS_ADDRESS=address, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               ZEL_URL_RECORD=record, PATH=os.path.join(HERE, "stubs") + ":" + base["PATH"])
    try:
        with open(os.path.join(work, "launcher.log"), "w") as log:
            launcher = subprocess.Popen([launcher_path], env=env, stdout=log, stderr=log, stdin=subprocess.DEVNULL)
        try:
            command = ["/usr/bin/python3", __file__, "client", "--launcher", launcher_path, "--dpi", str(dpi),
                       "--pid", str(launcher.pid), "--record", record]
            command += ["--failing", launcher_path] if failing else ["--press"] if dpi == 96 else []
            result = subprocess.run(command, env=env, timeout=120, check=False)
            failures += result.returncode != 0
            launcher.send_signal(signal.SIGTERM)
            code = launcher.wait(timeout=20)
            check(code == 0, f"{'failing' if failing else f'{dpi}dpi'}.exit-code", code)
        finally:
            if launcher.poll() is None:
                launcher.kill()
                launcher.wait()
    finally:
        for pid in processes_on_bus(address):
            end(pid)
        end(int(bus_pid))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", nargs="?", default="run")
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--work")
    parser.add_argument("--state")
    parser.add_argument("--dpi", type=int, action="append")
    parser.add_argument("--pid", type=int)
    parser.add_argument("--record")
    parser.add_argument("--press", action="store_true")
    parser.add_argument("--failing")
    args = parser.parse_args()
    if args.mode == "client":
        args.dpi = args.dpi[0]
        client(args)
        return 1 if failures else 0
    else:
        # The fixture's display and private home, as its shell scripts read them.
        shown = subprocess.run(["bash", "-c", 'source "$1" && printf "%s\\n" "$DISPLAY_NAME" "$HOME_DIR"', "_",
                                args.state], capture_output=True, text=True, check=True).stdout.splitlines()
        os.environ.update(DISPLAY=shown[0], HOME=shown[1])
        for dpi in args.dpi or [96, 120]:
            run(args, dpi)
        if args.failing:
            run(args, 96, failing=True)
        subprocess.run(["xrdb", "-merge"], input="Xft.dpi: 96\n", text=True, check=False)
    print(f"{'FAIL' if failures else 'PASS'} accessible: {failures} failure(s)", flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
