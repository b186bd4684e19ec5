#!/usr/bin/env python3
# check_format.py SOURCE_DIR [CLANG_FORMAT] -- fails when a C++ file of the project differs from what
# .clang-format makes of it, and names each such file. The files are those git tracks (every .cpp and
# .h), or, outside a git checkout, every .cpp and .h below the source folder but the build folders.
import pathlib, subprocess, sys

root = pathlib.Path(sys.argv[1]).resolve()
tool = sys.argv[2] if len(sys.argv) > 2 else "clang-format-14"

listed = subprocess.run(["git", "-C", str(root), "ls-files", "*.cpp", "*.h"], capture_output=True, text=True)
if listed.returncode == 0:
    files = [root / name for name in listed.stdout.split()]
else:
    files = [p for p in root.rglob("*.[ch]*") if p.suffix in (".cpp", ".h")
             and not any(part.startswith("build") for part in p.relative_to(root).parts)]
files = [f for f in files if f.exists()]

import shutil
if not shutil.which(tool):
    sys.exit(f"{tool} is not installed (Debian package clang-format-14)")
unformatted = []
for batch in range(0, len(files), 100):
    chunk = files[batch:batch + 100]
    run = subprocess.run([tool, "--dry-run", "--Werror", f"--style=file:{root / '.clang-format'}"]
                         + [str(f) for f in chunk], capture_output=True, text=True, cwd=root)
    if run.returncode != 0:
        unformatted += sorted({line.split(":")[0] for line in run.stderr.splitlines() if ": error: " in line})
for name in unformatted:
    print(f"{pathlib.Path(name).resolve().relative_to(root)}: not formatted as .clang-format says "
          f"(run {tool} -i on it)")
print(f"{len(files)} C++ files, {len(unformatted)} not formatted")
sys.exit(1 if unformatted else 0)
