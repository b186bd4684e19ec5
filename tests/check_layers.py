#!/usr/bin/env python3
# check_layers.py -- fails when an include runs from a lower layer up to a higher one, or when two
# folders include each other. Layers, lowest first; a folder may include only the ones before it.
import pathlib, re, sys

LAYERS = ["base", "script", "scene", "resources", "objects", "music", "platform", "runtime", "tools", "tests"]
root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
tool_folders = {p.name for p in (root / "tools").iterdir() if p.is_dir()}

def folder(path):  # "tools/check/x.h" -> ("tools", "check"); "scene/x.h" -> ("scene", None)
    parts = path.split("/")
    if parts[0] in tool_folders: parts = ["tools"] + parts
    return (parts[0], parts[1] if parts[0] == "tools" and len(parts) > 2 else None)

edges, errors = set(), []
for source in sorted(root.glob("*/**/*.[ch]*")):
    here = folder(source.relative_to(root).as_posix())
    if here[0] not in LAYERS or here[0] == "tests": continue
    for n, line in enumerate(source.read_text(errors="replace").splitlines(), 1):
        m = re.match(r'\s*#\s*include\s+"([^"]+/[^"]+)"', line)
        if not m or m.group(1).split("/")[0] not in LAYERS + sorted(tool_folders): continue
        there = folder(m.group(1))
        if there == here: continue
        edges.add((here, there))
        if LAYERS.index(there[0]) > LAYERS.index(here[0]):
            errors.append(f"{source.relative_to(root)}:{n}: {here[0]}/ includes {m.group(1)} from a higher layer")
for a, b in sorted(edges):
    if (b, a) in edges and a < b:
        errors.append(f"{'/'.join(filter(None, a))}/ and {'/'.join(filter(None, b))}/ include each other")
print("\n".join(errors) or f"layers in order: {len(edges)} folder-to-folder include edges, none upward or mutual")
sys.exit(1 if errors else 0)
