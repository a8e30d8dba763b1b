#!/usr/bin/env python3
"""Checks the layer order of src/: no file includes a header of a layer above
its own (or of another layer at its own level), no library links a library
above it, only hosts write the input state, only the SDL host sees SDL or X11.

The order is the table LAYERS below, which docs/ARCHITECTURE.md shows. Run
from anywhere; exit status 1 and one line per fault when the order is broken.
"""
import os
import re
import sys

# Folder of src/ -> level. A folder may include headers of its own folder and
# of folders of a lower level; folders of the same level do not see each
# other.
LAYERS = {
    "platform": 0,
    "core": 1,
    "data": 2,
    "kernel": 3,
    "text": 4,
    "window": 5,
    "textedit": 6,
    "menu": 6,
    "dialog": 6,
    "present": 7,
    "app": 8,
    "engine": 9,
    "host": 10,
    "host/headless": 11,
    "host/sdl": 11,
    ".": 12,  # src/main.cpp
}

# Headers only some folders may include.
RESTRICTED = {
    "platform/input_host.h": ("host", "host/headless", "host/sdl", "platform"),
}

# The project (or, with --root DIR, another tree laid out the same way: the
# checker's own test gives it one with a fault in it).
ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
if len(sys.argv) == 3 and sys.argv[1] == "--root":
    ROOT = os.path.abspath(sys.argv[2])
SRC = os.path.join(ROOT, "src")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def folder_of(path):
    """The layer folder a file of src/ (or an included header) belongs to."""
    rel = os.path.relpath(path, SRC).replace(os.sep, "/")
    parts = rel.split("/")
    if len(parts) == 1:
        return "."
    if parts[0] == "host" and len(parts) > 2:
        return "host/" + parts[1]
    return parts[0]


def header_folder(name):
    parts = name.split("/")
    if parts[0] == "host" and len(parts) > 2:
        return "host/" + parts[1]
    return parts[0] if len(parts) > 1 else None


def check_includes(faults):
    for dirpath, _, files in os.walk(SRC):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(dirpath, name)
            own = folder_of(path)
            if own not in LAYERS:
                faults.append(f"{os.path.relpath(path, ROOT)}: folder '{own}' is not in the layer table")
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for m in INCLUDE.finditer(text):
                kind, target = m.group(1), m.group(2)
                line = text.count("\n", 0, m.start()) + 1
                where = f"{os.path.relpath(path, ROOT)}:{line}"
                if kind == "<":
                    if target.startswith(("SDL", "X11/")) and own != "host/sdl":
                        faults.append(f"{where}: only src/host/sdl includes SDL or X11 (<{target}>)")
                    continue
                other = header_folder(target)
                if other is None or other not in LAYERS:
                    continue
                if target in RESTRICTED and own not in RESTRICTED[target]:
                    faults.append(f"{where}: {target} is for hosts only")
                if other == own:
                    continue
                if LAYERS[other] >= LAYERS[own]:
                    faults.append(f"{where}: {own}/ includes {target}, a header of the layer "
                                  f"'{other}' that is not below it")


def check_links(faults):
    cmake = os.path.join(SRC, "CMakeLists.txt")
    with open(cmake, encoding="utf-8") as f:
        text = re.sub(r"#[^\n]*", "", f.read())
    libraries = {}
    for m in re.finditer(r"vadu_layer\(\s*(\w+)\s+(\S+)(.*?)\)", text, re.S):
        name, folder, rest = m.group(1), m.group(2), m.group(3)
        deps = []
        dm = re.search(r"DEPS(.*?)(SOURCES|$)", rest, re.S)
        if dm:
            deps = [d for d in dm.group(1).split() if d.startswith("vadu_")]
        libraries[name] = (folder, deps)
    for m in re.finditer(r"target_link_libraries\(\s*(\w+)\s+(.*?)\)", text, re.S):
        name = m.group(1)
        if name in libraries:
            libraries[name][1].extend(d for d in m.group(2).split() if d.startswith("vadu_"))
    for name, (folder, deps) in sorted(libraries.items()):
        if folder not in LAYERS:
            faults.append(f"src/CMakeLists.txt: {name} is made of '{folder}', which is not in the layer table")
            continue
        for dep in deps:
            if dep not in libraries:
                continue
            dep_folder = libraries[dep][0]
            if dep_folder != folder and LAYERS.get(dep_folder, 99) >= LAYERS[folder]:
                faults.append(f"src/CMakeLists.txt: {name} ({folder}/) links {dep} ({dep_folder}/), "
                              f"which is not below it")


def main():
    faults = []
    check_includes(faults)
    check_links(faults)
    for fault in faults:
        print("layer check: " + fault)
    if faults:
        print(f"layer check: {len(faults)} fault(s); the order is in scripts/check_layers.py "
              "and docs/ARCHITECTURE.md")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
