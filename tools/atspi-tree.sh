#!/bin/sh
# Prints what a screen reader (Orca) finds in Kesto's main window through AT-SPI: every object's
# role, name, description (the live value of a gauge or a big display cell), actions, and the
# text and labels of fields. Runs the built program against the analyzer simulator on a virtual
# display, with its own D-Bus session and a temporary settings folder. Builds nothing.
#
#   tools/atspi-tree.sh BUILD_DIR [LOCALE]      e.g. tools/atspi-tree.sh build de_DE.UTF-8
#
# Needs the targets kesto and kesto-sim, and xvfb-run, dbus-run-session, at-spi2-core and
# python3-pyatspi (tools/setup.sh installs them).
set -eu
build=${1:?usage: tools/atspi-tree.sh BUILD_DIR [LOCALE]}
build=$(cd "$build" && pwd)
locale=${2:-C.UTF-8}

if [ -z "${KESTO_ATSPI_INNER:-}" ]; then
    KESTO_ATSPI_INNER=1 exec dbus-run-session -- xvfb-run -a "$0" "$build" "$locale"
fi

work=$(mktemp -d)
sim_pid=
kesto_pid=
cleanup() {
    for pid in $kesto_pid $sim_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

export HOME="$work"
export XDG_CONFIG_HOME="$work/.config"
export XDG_DATA_HOME="$work/.local/share"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

"$build/tools/kesto-sim" --com 1 --words 16 --period-ms 500 --seed 7 --seconds 60 >/dev/null &
sim_pid=$!
i=0
while [ ! -L "$XDG_CONFIG_HOME/Pellum/dosdevices/com1" ]; do
    i=$((i + 1))
    if [ $i -gt 50 ]; then echo "simulator did not come up" >&2; exit 1; fi
    sleep 0.1
done

LANG=$locale LC_ALL=$locale "$build/app/kesto" >"$work/kesto.log" 2>&1 &
kesto_pid=$!

# The system's Python: pyatspi is a Debian package, not in a virtual environment.
/usr/bin/python3 - <<'EOF'
import sys
import time

import pyatspi


def find_application(timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "Vantro Kesto" and app.childCount > 0:
                return app
        time.sleep(0.5)
    return None


def describe(acc):
    parts = ["%s name=%r" % (acc.getRoleName(), acc.name)]
    if acc.description:
        parts.append("description=%r" % acc.description)
    interfaces = pyatspi.listInterfaces(acc)
    if "Action" in interfaces:
        action = acc.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if names:
            parts.append("actions=%s" % names)
    if "Value" in interfaces:
        parts.append("value=%s" % acc.queryValue().currentValue)
    if "Text" in interfaces:
        parts.append("text=%r" % acc.queryText().getText(0, -1)[:60])
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            labels = [relation.getTarget(i).name for i in range(relation.getNTargets())]
            parts.append("labelled by %s" % labels)
    return " ".join(parts)


def walk(acc, depth):
    if acc is None or depth > 40:
        return
    print("  " * depth + describe(acc))
    for i in range(acc.childCount):
        walk(acc.getChildAtIndex(i), depth + 1)


app = find_application()
if app is None:
    sys.exit("Kesto did not appear on the accessibility bus")
time.sleep(3)  # a few frames from the simulator, so the gauges show values
walk(app, 0)
EOF
