#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own, or a
layer's CMake library links one above it. The layers, lowest first; each may
use only itself and those before it."""
import pathlib
import re
import sys

LAYERS = [
    "foundation",          # core: conversions, sets, files, timing
    "channels",            # core: hub and ports
    "formula",             # core: the formula language
    "foundation/drawing",  # Qt Gui: text measuring, fonts, colours
    "widgets",             # toolkit-level widgets, dialogs, translations
    "editing",             # sheets, element base, edit mode, property panel
    "instruments",         # the instrument classes
    "shell",               # start-up, main window, pages
]
RANK = {name: i for i, name in enumerate(LAYERS)}
LIB = {"qx_" + name.split("/")[-1]: name for name in LAYERS}

root = pathlib.Path(__file__).resolve().parent.parent
src = root / "src"


def layer_of(rel: str):
    # The longest layer folder that holds the path.
    best = None
    for name in LAYERS:
        if rel == name or rel.startswith(name + "/"):
            if best is None or len(name) > len(best):
                best = name
    return best


faults = []
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
for path in sorted(src.rglob("*")):
    if path.suffix not in (".h", ".cpp"):
        continue
    rel = path.relative_to(src).as_posix()
    own = layer_of(rel)
    if own is None:
        continue
    for target in include.findall(path.read_text(encoding="utf-8")):
        other = layer_of(target)
        if other is not None and RANK[other] > RANK[own]:
            faults.append(f"src/{rel}: includes {target} ({other} is above {own})")

call = re.compile(r"\b(?:target_link_libraries|qx_\w+_library)\(\s*(qx_\w+)([^)]*)\)", re.S)
for cm in sorted(src.rglob("CMakeLists.txt")):
    text = re.sub(r"#.*", "", cm.read_text(encoding="utf-8"))
    for owner, rest in call.findall(text):
        own = LIB.get(owner)
        if own is None:
            continue
        for lib in re.findall(r"\bqx_\w+", rest):
            other = LIB.get(lib)
            if other is not None and RANK[other] > RANK[own]:
                where = cm.relative_to(root).as_posix()
                faults.append(f"{where}: {owner} links {lib} ({other} is above {own})")

for f in faults:
    print(f)
if faults:
    print(f"{len(faults)} upward dependencies")
    sys.exit(1)
print("layers: no upward include or link")
