"""Installing and packaging: `cmake --install` puts the programs, their manual pages, the README with its
pictures, the bundled demo, the release files that this build has taken from the web and Windows builds,
and the copyright file and changelog in place, and nothing else; `cpack -G DEB` packs that same tree as
quillmoor_<version>_amd64.deb, depending on the package of every library the binaries load; the demo
unpacked from the package checks clean with the checker unpacked beside it. No X server needed."""
import glob
import gzip
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from harness import BINARY_DIR, DEMO_DIR, SOURCE_DIR, PlayerSession

PROGRAMS = ["quillmoor", "quillmoor-capture", "quillmoor-check", "quillmoor-live", "quillmoor-pack"]
# Loaded by libX11 for cursor themes when they are there, and done without when they are not.
OPTIONAL_PACKAGES = {"libxcursor1", "libxrender1"}


def files_below(root):
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    return found


def cache_value(name, default=None):
    with open(os.path.join(BINARY_DIR, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    if default is None:
        raise KeyError(name)
    return default


def built_programs():
    """The programs this build made; quillmoor-live only where it exists."""
    return [p for p in PROGRAMS if glob.glob(os.path.join(BINARY_DIR, "**", p), recursive=True)]


def expected_tree():
    tree = set()
    for program in built_programs():
        tree |= {"bin/" + program, "share/man/man1/%s.1.gz" % program}
    tree |= {"share/quillmoor/README.md", "share/quillmoor/demo/README.md"}
    tree |= {"share/quillmoor/docs/" + os.path.basename(p) for p in glob.glob(os.path.join(SOURCE_DIR, "docs", "*.png"))}
    tree |= {"share/quillmoor/demo/data/" + f for f in files_below(os.path.join(DEMO_DIR, "data"))}
    tree |= {"share/doc/quillmoor/copyright", "share/doc/quillmoor/changelog.gz"}
    # The page and the Windows programs, where this build has taken them from their builds.
    share = os.path.join(BINARY_DIR, "share", "quillmoor")
    for part in ("web", "windows"):
        tree |= {"share/quillmoor/%s/%s" % (part, f) for f in files_below(os.path.join(share, part))}
    return tree


def run(*command, **kwargs):
    return subprocess.run([str(c) for c in command], capture_output=True, text=True, timeout=600, **kwargs)


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="quillmoor-install-")
        cls.prefix = os.path.join(cls.scratch, "P")
        done = run("cmake", "--install", BINARY_DIR, "--prefix", cls.prefix)
        assert done.returncode == 0, done.stdout + done.stderr
        cls.installed = files_below(cls.prefix)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def test_the_tree_holds_what_users_run_and_read_and_nothing_else(self):
        expected = expected_tree()
        self.assertEqual(sorted(self.installed - expected), [], "installed but not wanted")
        self.assertEqual(sorted(expected - self.installed), [], "wanted but not installed")
        for program in built_programs():
            self.assertTrue(os.access(os.path.join(self.prefix, "bin", program), os.X_OK), program)
            with gzip.open(os.path.join(self.prefix, "share/man/man1/%s.1.gz" % program), "rb") as packed:
                with open(os.path.join(SOURCE_DIR, "docs", "man", program + ".1"), "rb") as page:
                    self.assertEqual(packed.read(), page.read(), program)

    def test_the_readme_finds_its_pictures_where_it_is_installed(self):
        share = os.path.join(self.prefix, "share", "quillmoor")
        with open(os.path.join(share, "README.md")) as f:
            links = re.findall(r"\]\(([^)#\s]+)\)", f.read())
        self.assertTrue(links)
        for link in links:
            if not re.match(r"[a-z]+:", link):
                self.assertTrue(os.path.isfile(os.path.join(share, link)), link)


class DebianPackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if cache_value("QUILLMOOR_SANITIZER", "") or cache_value("QUILLMOOR_FUZZ", "OFF") == "ON":
            raise unittest.SkipTest("packages are made from plain builds, not from sanitizer builds")
        cls.scratch = tempfile.mkdtemp(prefix="quillmoor-deb-")
        out = os.path.join(cls.scratch, "out")
        made = run("cpack", "-G", "DEB", "-B", out, "--config", os.path.join(BINARY_DIR, "CPackConfig.cmake"),
                   cwd=BINARY_DIR)
        assert made.returncode == 0, made.stdout + made.stderr
        cls.packages = sorted(os.path.basename(p) for p in glob.glob(os.path.join(out, "*.deb")))
        cls.deb = os.path.join(out, cls.packages[0]) if cls.packages else None
        cls.root = os.path.join(cls.scratch, "root")
        if cls.deb:
            subprocess.run(["dpkg", "-x", cls.deb, cls.root], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def field(self, name):
        return run("dpkg-deb", "-f", self.deb, name).stdout.strip()

    def test_one_package_named_by_version_and_architecture(self):
        self.assertEqual(self.packages, ["quillmoor_%s_amd64.deb" % cache_value("CMAKE_PROJECT_VERSION")])
        self.assertEqual(self.field("Suggests"), "ffmpeg")

    def test_it_holds_the_installed_tree_below_usr(self):
        listing = run("dpkg-deb", "-c", self.deb).stdout.splitlines()
        files = {line.split()[-1][len("./usr/"):] for line in listing if line.startswith("-")}
        self.assertEqual(files, expected_tree())

    def test_it_depends_on_the_package_of_every_library_its_binaries_load(self):
        depends = {alternative.split()[0] for entry in self.field("Depends").split(",")
                   for alternative in entry.split("|")}
        for program in built_programs():
            binary = os.path.join(self.root, "usr", "bin", program)
            dynamic = run("readelf", "-d", binary).stdout
            self.assertNotRegex(dynamic, r"\((RPATH|RUNPATH)\)", program)
            needed = re.findall(r"\(NEEDED\).*\[(.+)\]", dynamic)
            resolved = dict(re.findall(r"^\s*(\S+) => (/\S+)", run("ldd", binary).stdout, re.M))
            for library in needed:
                self.assertIn(library, resolved, "%s: %s not found without LD_LIBRARY_PATH" % (program, library))
            for library, owner in owning_packages([resolved[library] for library in needed]).items():
                self.assertIn(owner, depends, "%s loads %s from %s" % (program, library, owner))

    def test_every_library_the_programs_load_as_they_run_comes_with_the_dependencies(self):
        # Also what is opened only at run time, which dpkg-shlibdeps cannot see: SDL's libGL.so.1,
        # Mesa's GLX and DRI drivers, the EGL vendor library of the offscreen tools.
        demo = os.path.join(self.root, "usr/share/quillmoor/demo")
        captured = run(os.path.join(self.root, "usr/bin/quillmoor-capture"), "--seconds", 0.5, "--dry-run",
                       cwd=demo, env=dict(os.environ, LD_DEBUG="libs"))
        self.assertEqual(captured.returncode, 0, captured.stderr[-2000:])
        workdir = tempfile.mkdtemp(dir=self.scratch)
        played = PlayerSession(workdir, command=["sh", "-c", 'cd "$0" && exec "$1" > /dev/null', demo,
                                                 os.path.join(self.root, "usr/bin/quillmoor")],
                               env={"LD_DEBUG": "libs"}).sleep(1).key("Escape").run()
        self.assertEqual(played.status, 0, played.stderr[-2000:])
        loaded = set(re.findall(r"calling init: (\S+)", captured.stderr + played.stderr))
        self.assertIn("libGL.so.1", {os.path.basename(path) for path in loaded})
        needed = set(self.field("Depends").replace("|", ",").split(","))
        closure = set(run("apt-cache", "depends", "--recurse", "--no-recommends", "--no-suggests", "--no-conflicts",
                          "--no-breaks", "--no-replaces", "--no-enhances",
                          *{entry.split()[0] for entry in needed}).stdout.split())
        missing = set(owning_packages(loaded).values()) - closure - OPTIONAL_PACKAGES
        self.assertEqual(missing, set())

    def test_the_unpacked_checker_passes_the_unpacked_demo(self):
        env = {k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"}
        checked = run(os.path.join(self.root, "usr/bin/quillmoor-check"), "--werror",
                      os.path.join(self.root, "usr/share/quillmoor/demo"), env=env)
        self.assertEqual((checked.returncode, checked.stdout, checked.stderr), (0, "", ""))


def owning_packages(paths):
    """The package that installed each of the files: dpkg knows a file by the path it shipped, which
    may be on the other side of the /lib -> /usr/lib link."""
    candidates = {}
    for path in paths:
        real = os.path.realpath(path)
        candidates[path] = [path, real, "/usr" + path, "/usr" + real, re.sub(r"^/usr/", "/", real)]
    listed = run("dpkg", "-S", *{c for names in candidates.values() for c in names}).stdout
    owner = {path: packages.split(":")[0] for packages, path in re.findall(r"^(.+): (/\S+)$", listed, re.M)}
    found = {}
    for path, names in candidates.items():
        known = [owner[name] for name in names if name in owner]
        assert known, "no package owns " + path
        found[path] = known[0]
    return found


if __name__ == "__main__":
    unittest.main()
