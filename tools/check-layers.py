#!/usr/bin/env python3
"""Checks the layers of the source tree; prints each breach and exits with 1 if there is one.

    tools/check-layers.py [SOURCE_ROOT]

From the bottom up: platform/ (the operating system), the core folders (standard C++ only), the
Qt adapters and instrument widgets (serial/, widgets/), the windows (<folder>/ui/), the program
(app/). A file includes, and a folder's CMakeLists links, only its own folder and those below it
(the table LAYERS), naming the folder ("config/Settings.h"); the core includes neither Qt nor an operating-system header; every window
class lives in a ui/ folder or in app/; and the main window stays a shell.
"""
import os
import re
import sys

CORE = ["acquisition", "config", "trends", "recording", "review", "wordexport", "measurement"]
ADAPTERS = ["serial", "widgets"]
BASE = ["platform"]
UI = [f"{c}/ui" for c in CORE]

# What each folder may use besides itself. The core folders form an order of their own.
LAYERS = {
    "platform": [],
    "platform/qt": ["platform"],
    "acquisition": ["platform"],
    "config": ["platform", "acquisition"],
    "trends": ["platform", "acquisition"],
    "recording": ["platform", "acquisition", "config"],
    "review": ["platform", "acquisition", "config", "trends"],
    "wordexport": ["platform", "acquisition", "config"],
    "wordexport/uno": ["platform", "acquisition", "config", "wordexport"],
    "wordexport/report": ["wordexport", "wordexport/uno"],
    "measurement": ["platform", "acquisition", "config", "recording", "trends"],
    "serial": BASE + CORE,
    "widgets": BASE + ["platform/qt"] + CORE,
}
for ui in UI:
    # A window may use another folder's windows (the export's button in the messages window).
    LAYERS[ui] = BASE + ["platform/qt"] + CORE + ["wordexport/uno"] + ADAPTERS + UI
LAYERS["app"] = sorted(set(sum(LAYERS.values(), [])) | set(LAYERS))
LAYERS["tools"] = BASE + CORE + ["wordexport/uno"] + ADAPTERS

OS_OR_QT = re.compile(
    r"#\s*include\s*<(Q[A-Za-z]|qdrawutil|unistd\.h|fcntl\.h|dirent\.h|poll\.h|termios\.h|"
    r"langinfo\.h|jpeglib\.h|pwd\.h|spawn\.h|sys/|alsa/)")
PROJECT_INCLUDE = re.compile(r'#\s*include\s*"([^"]+)"')
WINDOW_CLASS = re.compile(r"^class\s+(T\w+Frm|TMessageFrm)\b[^;]*$", re.M)
LIBRARY = re.compile(r"\bkesto_(\w+)\b")
MAIN_WINDOW_LINES = 450


def folder_of(path):
    """The layer folder a file belongs to, or None for tests, benchmarks and the like."""
    parts = path.split("/")
    if len(parts) >= 3 and "/".join(parts[:2]) in LAYERS:
        return "/".join(parts[:2])
    if len(parts) >= 2 and parts[0] in LAYERS:
        return parts[0]
    return None


def library_folder(name):
    """The folder a kesto_ library is built from, or None for helpers (warnings, ...)."""
    if name.endswith("_ui") and name[:-3] in CORE:
        return f"{name[:-3]}/ui"
    if name == "app_ui":
        return "app"
    if name == "platform_qt":
        return "platform/qt"
    if name in ("wordexport_uno", "uno_sdk", "uno_headers"):
        return "wordexport/uno"
    if name == "simcore":
        return "tools"
    if name in LAYERS:
        return name
    return None


def allowed(source, target):
    return target == source or target in LAYERS[source]


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    os.chdir(root)
    breaches = []
    for dirpath, dirnames, filenames in os.walk("."):
        dirnames[:] = [d for d in dirnames if not d.startswith(".") and not d.startswith("build")]
        for name in filenames:
            path = os.path.relpath(os.path.join(dirpath, name), ".")
            source = folder_of(path)
            if source is None:
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            if name == "CMakeLists.txt":
                for m in LIBRARY.finditer(text):
                    target = library_folder(m.group(1))
                    if target is not None and not allowed(source, target):
                        breaches.append(f"{path}: links kesto_{m.group(1)} ({target})")
                continue
            if not name.endswith((".h", ".cpp")):
                continue
            for number, line in enumerate(text.splitlines(), 1):
                m = PROJECT_INCLUDE.match(line.strip())
                if m and "/" not in m.group(1) and not m.group(1).endswith(".moc"):
                    breaches.append(f"{path}:{number}: include without its folder: {m.group(1)}")
                elif m and not m.group(1).endswith(".moc"):
                    target = folder_of(m.group(1))
                    if target is not None and not allowed(source, target):
                        breaches.append(f"{path}:{number}: includes {m.group(1)} ({target})")
                if source in CORE and OS_OR_QT.match(line.strip()):
                    breaches.append(f"{path}:{number}: the core includes {line.strip()}")
            if name.endswith(".h") and source not in UI and source != "app":
                for m in WINDOW_CLASS.finditer(text):
                    breaches.append(f"{path}: window class {m.group(1)} outside ui/ and app/")
    main_window = "app/uMainFrm.cpp"
    if os.path.exists(main_window):
        with open(main_window, encoding="utf-8") as f:
            lines = sum(1 for _ in f)
        if lines > MAIN_WINDOW_LINES:
            breaches.append(f"{main_window}: {lines} lines; the shell has at most {MAIN_WINDOW_LINES}")
    for b in breaches:
        print(b)
    print(f"{len(breaches)} breach(es) of the layers" if breaches else "layers hold")
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
