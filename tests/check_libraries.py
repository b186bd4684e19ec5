#!/usr/bin/env python3
# check_libraries.py LAYER=LIB.a... [--also LIB.a...] -- the engine's libraries as the linker sees them.
#
# The layer libraries are given lowest first, in the order of the layer table. Fails
#  - when a library refers to a symbol that only a library above it in the table defines: such a call
#    up the table would not link, since each library is linked to the ones below it;
#  - when any of the libraries (those after --also too) holds a mutable variable of static storage
#    (a symbol in .data or .bss) that is not named below with the reason it is process-wide. A run of
#    the demo keeps its state in one object (DemoRun) that its entry function owns; only what a C
#    library or the process itself makes process-wide may live outside it.
import re, subprocess, sys

PROCESS_WIDE = {
    "qm::(anonymous namespace)::eventTarget":
        "SDL 1.2's event filter is a plain function with no user data: where it sends events",
    "qm::sayPlayingSilently(char const*)::said":
        "the line about a missing sound card goes to the process's standard error once, whatever the runs",
    "qm::(anonymous namespace)::quietenAlsa()::done":
        "alsa-lib's error handler is process-wide: it is set once",
    "qm::keepGlDriverLoaded()::pinned":
        "the system's GL driver is loaded once per process: it is pinned once",
    "qm::(anonymous namespace)::kEmpty": "a constant (the empty word), built before main",
    "qm::(anonymous namespace)::kNoValues": "a constant (no sync values), built before main",
    "qm::md3NormalTable()::table": "a constant (the MD3 normals), worked out at its first use",
    "(anonymous namespace)::state()::s":
        "the web layer emulates the one GL context that a page's WebGL canvas gives",
    "qmgl::(anonymous namespace)::programs": "the shader programs of that one context",
}


def symbols(library):
    """(defined, undefined, mutable) symbol names of a static library, demangled."""
    out = subprocess.run(["nm", "-C", "-f", "sysv", library], capture_output=True, text=True, check=True).stdout
    defined, undefined, mutable = set(), set(), set()
    for line in out.splitlines():
        fields = [f.strip() for f in line.split("|")]
        if len(fields) < 7 or not fields[0] or fields[0].startswith("."):
            continue
        name, kind, section = fields[0], fields[2], fields[6]
        if kind == "U":
            undefined.add(name)
        elif kind not in ("V", "W", "w", "v"):  # weak (inline) definitions may be anywhere
            defined.add(name)
        # Names beginning with "__" are the compiler's and the sanitizers' own (counters, descriptors).
        if kind in "BbDd" and not section.startswith(".data.rel.ro") and not name.startswith(
                ("DW.ref.", "GCC_except_table", "__")):
            mutable.add(re.sub(r"\[abi:[a-z0-9]+\]", "", name.removeprefix("guard variable for ")))
    return defined, undefined, mutable


layers, others = [], []
target = layers
for arg in sys.argv[1:]:
    if arg == "--also":
        target = others
    else:
        target.append(arg.split("=", 1) if "=" in arg else (arg, arg))

errors = []
found = set()
tables = [(name, *symbols(path)) for name, path in layers]
for i, (name, defined, undefined, mutable) in enumerate(tables):
    for higher, higherDefined, _, _ in tables[i + 1:]:
        for symbol in sorted(undefined & higherDefined):
            errors.append(f"{name} calls up the layer table into {higher}: {symbol}")
    found |= mutable
for _, path in others:
    found |= symbols(path)[2]
for symbol in sorted(found - PROCESS_WIDE.keys()):
    errors.append(f"mutable state of static storage, outside a run's DemoRun: {symbol} "
                  f"(if it must be process-wide, name it in {sys.argv[0]} with the reason)")

print("\n".join(errors) or f"{len(layers)} layer libraries, no call up the table; process-wide state: "
      + ", ".join(sorted(found)))
sys.exit(1 if errors else 0)
