#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Switches to a plan in each desktop's session and prints what became of every setting.

Each session gets its own home, a private session bus with that desktop's settings service (or a
stand-in where Debian has none), and a private system bus with python3-dbusmock's UPower, logind
and power-profiles-daemon. It runs `ampctl set PLAN`, then `ampctl --json status`, and prints one
table (settings by sessions) followed by what the desktop's own settings hold afterwards.

    tools/desktop-sessions.py build/ampctl ["Power saver"]
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

XFCONFD = "/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd"
LAPTOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../tests/platform/data/sysfs/caps-laptop")
# What logind does with a valid brightness request: writes the level into the device.
SET_BRIGHTNESS = """with open("{root}/class/backlight/" + args[1] + "/brightness", "w") as f:
    f.write(str(args[2]))"""
# The profiles PowerDevil 5 makes at its first start: Ampora changes them, never makes them.
PLASMA5_PROFILES = """[AC]
icon=battery-charging

[AC][DPMSControl]
idleTime=600
lockBeforeTurnOff=0

[AC][DimDisplay]
idleTime=300000

[AC][HandleButtonEvents]
lidAction=1
powerButtonAction=16

[AC][SuspendSession]
idleTime=1800000
suspendType=1

[Battery]
icon=battery-060

[Battery][DPMSControl]
idleTime=300

[Battery][DimDisplay]
idleTime=120000

[Battery][HandleButtonEvents]
lidAction=1
powerButtonAction=16

[Battery][SuspendSession]
idleTime=600000
suspendType=1
"""
SESSIONS = ["GNOME", "Plasma 5", "Plasma 6", "Xfce", "MATE", "Cinnamon", "bare X11"]


class Session:
    """One desktop's session: its home, its buses and the services on them."""

    def __init__(self, name, ampctl):
        self.name = name
        self.ampctl = ampctl
        self.home = tempfile.mkdtemp(prefix="ampora-session-")
        self.processes = []
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "KDE_", "DBUS_", "GSETTINGS"))}
        self.env.update(HOME=self.home, XDG_CONFIG_HOME=self.home + "/config", XDG_DATA_HOME=self.home + "/data",
                        XDG_STATE_HOME=self.home + "/state", XDG_CACHE_HOME=self.home + "/cache",
                        XDG_RUNTIME_DIR=self.home + "/run", GSETTINGS_BACKEND="keyfile",
                        AMPORA_SYSFS_ROOT=self.home + "/sys", XDG_SESSION_ID="c1")
        os.makedirs(self.home + "/run", mode=0o700)
        os.makedirs(self.home + "/config")
        shutil.copytree(LAPTOP, self.home + "/sys")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.start_bus()
        self.env["DBUS_SYSTEM_BUS_ADDRESS"] = self.start_bus()
        for template in ("upower", "logind", "power_profiles_daemon"):
            self.spawn(["/usr/bin/python3", "-m", "dbusmock", "--system", "--template", template])
        self.wait_for("system", "net.hadess.PowerProfiles")
        self.wait_for("system", "org.freedesktop.login1")
        self.call("system", "org.freedesktop.login1", "/org/freedesktop/login1", "AddSession",
                  "c1", "seat0", "uint32 1000", "user", "true")
        self.call("system", "org.freedesktop.login1", "/org/freedesktop/login1/session/c1", "AddMethod",
                  "org.freedesktop.login1.Session", "SetBrightness", "ssu", "",
                  SET_BRIGHTNESS.format(root=self.home + "/sys"))

    def call(self, bus, name, path, method, *arguments):
        """Calls one of dbusmock's own methods."""
        self.run(["gdbus", "call", "--" + bus, "--dest", name, "--object-path", path, "--method",
                  "org.freedesktop.DBus.Mock." + method, *arguments])

    def start_bus(self):
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address"], stdout=subprocess.PIPE)
        return bus.stdout.readline().decode().strip()

    def spawn(self, command, **kwargs):
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        process = subprocess.Popen(command, env=self.env, stdin=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, **kwargs)
        self.processes.append(process)
        return process

    def run(self, command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=60)

    def wait_for(self, bus, name):
        wait_until(lambda: self.run(["gdbus", "call", "--" + bus, "--dest", "org.freedesktop.DBus", "--object-path",
                                     "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus.NameHasOwner",
                                     name]).stdout.startswith("(true"),
                   f"{name} did not appear on the {bus} bus")

    def status(self):
        return json.loads(self.run([self.ampctl, "--json", "status"]).stdout or "{}")

    def close(self):
        for process in reversed(self.processes):
            process.terminate()
            process.wait()
        shutil.rmtree(self.home, ignore_errors=True)


def wait_until(condition, failure, seconds=10):
    """Asks again every 50 ms until the condition holds."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise RuntimeError(failure)
        time.sleep(0.05)


def stand_in(session, name, path, methods):
    """A service that owns the desktop's bus name and answers its calls, as dbusmock does."""
    session.spawn(["/usr/bin/python3", "-m", "dbusmock", name, path, name])
    session.wait_for("session", name)
    for method in methods:
        session.call("session", name, path, "AddMethod", name, method, "", "", "")


def prepare(session):
    """Starts the session's desktop services; returns how to read back its own settings."""
    keyfile = session.home + "/config/glib-2.0/settings/keyfile"
    if session.name == "GNOME":
        session.env["XDG_CURRENT_DESKTOP"] = "GNOME"
        return lambda: read_file(keyfile)
    if session.name.startswith("Plasma"):
        version = session.name[-1]
        session.env.update(XDG_CURRENT_DESKTOP="KDE", KDE_SESSION_VERSION=version)
        stand_in(session, "org.kde.Solid.PowerManagement", "/org/kde/Solid/PowerManagement", ["refreshStatus"])
        rc = "powerdevilrc" if version == "6" else "powermanagementprofilesrc"
        if version == "5":
            with open(session.home + "/config/" + rc, "w", encoding="utf-8") as file:
                file.write(PLASMA5_PROFILES)
        return lambda: read_file(session.home + "/config/" + rc) + read_file(session.home + "/config/kscreenlockerrc")
    if session.name == "Xfce":
        session.env["XDG_CURRENT_DESKTOP"] = "XFCE"
        session.spawn([XFCONFD])
        session.wait_for("session", "org.xfce.Xfconf")
        return lambda: session.run(["xfconf-query", "-c", "xfce4-power-manager", "-lv"]).stdout
    if session.name == "MATE":
        session.env["XDG_CURRENT_DESKTOP"] = "MATE"
        return lambda: read_file(keyfile)
    if session.name == "Cinnamon":
        session.env["XDG_CURRENT_DESKTOP"] = "X-Cinnamon"
        return lambda: read_file(keyfile)
    display = ":73"
    session.spawn(["Xvfb", display, "-nolisten", "tcp"])
    session.env["DISPLAY"] = display
    wait_until(lambda: os.path.exists("/tmp/.X11-unix/X73"), f"Xvfb did not open display {display}")
    # Without a desktop's power manager, the running copy applies the plan itself.
    session.spawn([os.path.join(os.path.dirname(session.ampctl), "ampora"), "-hideme"])
    return lambda: session.run(["xset", "q"]).stdout if shutil.which("xset") else "(xset is not installed)"


def read_file(path):
    try:
        with open(path, encoding="utf-8") as file:
            return file.read()
    except OSError:
        return ""


def try_session(name, ampctl, plan):
    session = Session(name, ampctl)
    try:
        read_back = prepare(session)
        switched = session.run([ampctl, "set", plan])
        if name == "bare X11":
            # The running copy follows the switch, at its start or when told, and records what it applied.
            wait_until(lambda: all(row["outcome"] != "needs-ampora-running"
                                   for row in session.status().get("settings", [])),
                       "the running copy did not apply the plan")
        status = session.status()
        return {"switch": switched.returncode, "stderr": switched.stderr.strip(),
                "settings": {row["setting"]: row for row in status.get("settings", [])},
                "appliers": (status.get("applied") or {}).get("appliers", []), "desktop": read_back(),
                "backlight": read_file(session.home + "/sys/class/backlight/intel_backlight/brightness").strip()}
    finally:
        session.close()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    ampctl = os.path.abspath(sys.argv[1])
    plan = sys.argv[2] if len(sys.argv) > 2 else "Power saver"
    results = {name: try_session(name, ampctl, plan) for name in SESSIONS}
    settings = []
    for result in results.values():
        settings += [s for s in result["settings"] if s not in settings]
    print("| Setting | " + " | ".join(SESSIONS) + " |")
    print("|---" * (len(SESSIONS) + 1) + "|")
    for setting in settings:
        cells = [results[name]["settings"].get(setting, {}).get("outcome", "-") for name in SESSIONS]
        print(f"| {setting} | " + " | ".join(cells) + " |")
    for name in SESSIONS:
        result = results[name]
        print(f"\n## {name}: ampctl set exit {result['switch']}; appliers {', '.join(result['appliers'])}; "
              f"backlight level {result['backlight']}")
        if result["stderr"]:
            print(result["stderr"])
        for setting, row in result["settings"].items():
            if row.get("detail"):
                print(f"- {setting}: {row['outcome']}: {row['detail']}")
        print("```\n" + result["desktop"].strip() + "\n```")


if __name__ == "__main__":
    main()
