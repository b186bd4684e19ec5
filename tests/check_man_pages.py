#!/usr/bin/env python3
# check_man_pages.py PAGES_DIR NAME=PROGRAM... -- every installed program has a manual page; every page
# formats without a single warning (groff -ww, and man -l where man is installed); and the page of a
# program built here, when it has an OPTIONS section, names exactly the long options of its --help.
import os, pathlib, re, shutil, subprocess, sys

pages = pathlib.Path(sys.argv[1])
programs = dict(arg.split("=", 1) for arg in sys.argv[2:])
env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
errors = []


def complaints(command):
    run = subprocess.run(command, capture_output=True, text=True, env=env)
    return run.stderr.strip() or ("" if run.returncode == 0 else f"exit status {run.returncode}")


def options_of_page(text):
    """The long options in the tags of the OPTIONS section (the line after each .TP)."""
    section = re.search(r"^\.SH OPTIONS\n(.*?)^\.SH ", text, re.S | re.M)
    if not section:
        return None
    tags = re.findall(r"^\.TP[^\n]*\n([^\n]*)", section.group(1), re.M)
    return {option for tag in tags for option in re.findall(r"--[a-z][a-z-]*", tag.replace("\\-", "-"))}


def options_of_help(program):
    """The long options that start a line of the program's --help text."""
    text = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=30).stdout
    return set(re.findall(r"^\s+(--[a-z][a-z-]*)", text, re.M))


for name in sorted(programs.keys() - {page.stem for page in pages.glob("*.1")}):
    errors.append(f"{name}: no manual page {pages / (name + '.1')}")

# Every page, also that of a program this build does not make.
for page in sorted(pages.glob("*.1")):
    if problem := complaints(["groff", "-ww", "-z", "-man", "-Tutf8", str(page)]):
        errors.append(f"{page.name}: groff: {problem}")
    if shutil.which("man") and (problem := complaints(["man", "--warnings", "-l", str(page)])):
        errors.append(f"{page.name}: man -l: {problem}")
    documented = options_of_page(page.read_text())
    if documented is None or page.stem not in programs:
        continue
    offered = options_of_help(programs[page.stem])
    for option in sorted(offered - documented):
        errors.append(f"{page.name}: {page.stem} --help offers {option}, which the page does not describe")
    for option in sorted(documented - offered):
        errors.append(f"{page.name}: the page describes {option}, which {page.stem} --help does not offer")

print("\n".join(errors) or f"{len(list(pages.glob('*.1')))} manual pages format cleanly and match their programs")
sys.exit(1 if errors else 0)
