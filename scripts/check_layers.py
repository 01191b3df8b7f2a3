#!/usr/bin/python3
"""Checks the source tree's include layering.

Usage: check_layers.py [source-root]     (exit 1 and one line per breach)
       check_layers.py --self-test       (the checker catches planted breaches)
       check_layers.py --objects FOLDER=OBJ,OBJ... ...
                                         (the same layering at link time: no
                                         folder calls a function that only a
                                         folder of its own or a higher layer
                                         defines, read from the objects by nm)

Each library folder has a layer; a folder includes only folders of lower
layers (and the public headers include/ormid/, which kernels/ does not
use either: the kernels include nothing of the project). Only the top
layer solve/ and the clients (ampl/, python/, the tests) include the
methods, and no header below the methods declares an entry point of the
form Result f(SipContext&) (a call upwards at link time).
"""
import os
import re
import subprocess
import sys
import tempfile

LAYERS = {
    "kernels": 0,
    "core": 1,
    "lower_level": 2,
    "subproblem": 3, "certificate": 3, "verify": 3,
    "exchange": 4, "discretize": 4, "penalty": 4, "interior": 4,
    "solve": 5,
    "model": 6,  # models as expressions: a client of solve()
}
METHODS = {"exchange", "discretize", "penalty", "interior"}
# Folders above the library: they may include any of it.
CLIENTS = {"ampl", "python", "tests", "bench", "examples", "testprog", "splines"}
METHOD_INCLUDERS = {"solve", "ampl", "python", "tests"}
# Not sources of the project.
SKIPPED = {"build", "cmake", "docs", "scripts", ".git", ".ci", "include"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
ENTRY_POINT = re.compile(r'^Result\s+\w+\(SipContext&\s*\w*\);', re.M)


def sources(root):
    for top in sorted(os.listdir(root)):
        if top in SKIPPED or top.startswith("build") or not os.path.isdir(os.path.join(root, top)):
            continue
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if name.endswith((".cpp", ".h", ".hpp", ".cc")):
                    yield top, os.path.join(folder, name)


def breaches_of(top, path, text, root):
    rel = os.path.relpath(path, root)
    found = []
    for target in INCLUDE.findall(text):
        head = target.split("/")[0] if "/" in target else None
        if head is None or head == top:
            continue
        if top == "kernels":
            found.append(f"{rel}: kernels/ includes nothing of the project, not \"{target}\"")
        elif head in METHODS and top not in METHOD_INCLUDERS:
            found.append(f"{rel}: only solve/ and the clients include the methods, not \"{target}\"")
        elif top in LAYERS and head in LAYERS and LAYERS[head] >= LAYERS[top]:
            found.append(f"{rel}: {top}/ (layer {LAYERS[top]}) includes {head}/ (layer {LAYERS[head]}): \"{target}\"")
    # Below the methods, a declaration of one would be a call upwards at link time.
    if LAYERS.get(top, 99) < LAYERS["exchange"] and path.endswith(".h"):
        for declaration in ENTRY_POINT.findall(text):
            found.append(f"{rel}: a method's entry point is declared in solve/methods.h only: {declaration}")
    return found


def check(root):
    breaches = []
    for top, path in sources(root):
        if top not in LAYERS and top not in CLIENTS:
            breaches.append(f"{top}/: a folder with sources but no layer (add it to scripts/check_layers.py)")
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            breaches += breaches_of(top, path, f.read(), root)
    return sorted(set(breaches))


def self_test():
    planted = {
        "kernels/a.cpp": '#include "core/sip.h"\n',
        "core/b.cpp": '#include "lower_level/grid.h"\n',
        "lower_level/c.cpp": '#include "penalty/penalty.h"\n',
        "verify/d.h": "Result someMethod(SipContext& c);\n",
        "solve/e.cpp": '#include "penalty/penalty.h"\n#include "core/sip.h"\n',
        "newfolder/f.cpp": "",
    }
    with tempfile.TemporaryDirectory() as root:
        for rel, text in planted.items():
            os.makedirs(os.path.join(root, os.path.dirname(rel)), exist_ok=True)
            with open(os.path.join(root, rel), "w") as f:
                f.write(text)
        found = check(root)
    expected = ["kernels/a.cpp", "core/b.cpp", "lower_level/c.cpp", "verify/d.h", "newfolder/"]
    missing = [e for e in expected if not any(b.startswith(e) for b in found)]
    extra = [b for b in found if b.startswith("solve/")]
    if missing or extra or len(found) != len(expected):
        print("self-test failed: missing", missing, "unexpected", extra, "found", found)
        return 1
    print("self-test: the", len(expected), "planted breaches are found, the allowed includes pass")
    return 0


def symbols(objects, which):
    """The ormid:: functions the objects define or use (nm, demangled)."""
    flag = "--defined-only" if which == "defined" else "--undefined-only"
    out = subprocess.run(["nm", "-C", flag] + objects, capture_output=True, text=True, check=True).stdout
    found = set()
    for line in out.splitlines():
        parts = line.split(None, 2) if which == "defined" else line.split(None, 1)
        if len(parts) < 2:
            continue
        name = parts[-1]
        if which == "defined" and parts[1] not in "TWV":
            continue
        if name.startswith("ormid::"):
            found.add(name)
    return found


def check_objects(pairs):
    folders = {}
    for pair in pairs:
        folder, _, objects = pair.partition("=")
        folders[folder] = [o for o in objects.split(",") if o]
    defined = {f: symbols(objs, "defined") for f, objs in folders.items() if objs}
    breaches = []
    for folder, objects in folders.items():
        if not objects or folder not in LAYERS:
            continue
        for name in sorted(symbols(objects, "undefined")):
            owners = [f for f, names in defined.items() if name in names]
            if owners and all(f != folder and LAYERS.get(f, 99) >= LAYERS[folder] for f in owners):
                breaches.append(f"{folder}/ calls {name}, defined in {', '.join(owners)}/ (not below it)")
    return breaches


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) > 1 and argv[1] == "--objects":
        breaches = check_objects(argv[2:])
        for b in breaches:
            print(b)
        if not breaches:
            print("no call goes up a layer")
        return 1 if breaches else 0
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    breaches = check(root)
    for b in breaches:
        print(b)
    if not breaches:
        print("layering holds")
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
