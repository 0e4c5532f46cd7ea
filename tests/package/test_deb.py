#!/usr/bin/python3
"""`make deb`, the package checked as Debian checks packages, then its program run from it.

Builds the package into a folder of the build, runs lintian on it (no error, no warning), checks
its file list, its control fields (Depends names a runtime package for every library the program
links, and never a development package) and its documentation, extracts it with `dpkg -x` into a
temporary root and runs the extracted program on a headless Wayland desktop as an unprivileged
user, for whom the program's folder is read-only: numbers typed and the window closed, the files
must appear in the user's own folder and nowhere else, and the next start must show them again.
Usage: test_deb.py <source folder> <build folder> <version>
with TARVELON_ICON_SIZES holding the icon's bitmap sizes, space-separated, as CTest sets it.
"""

import gzip
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # leave no cache beside the sources
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from test_e2e import CAPTION, MEMO, expect_file, folder_contents, settings_text  # noqa: E402
from test_wayland import Session, progress  # noqa: E402
from wdesk import Desktop  # noqa: E402
from xdesk import Failure, end_on_signals  # noqa: E402

# The icon's bitmap sizes: the build's own list (tarvelon_icon_sizes), which CTest hands over.
SIZES = tuple(int(size) for size in os.environ["TARVELON_ICON_SIZES"].split())
CONTENTS = {
    "usr/bin/tarvelon",
    "usr/share/applications/tarvelon.desktop",
    "usr/share/icons/hicolor/scalable/apps/tarvelon.svg",
    "usr/share/metainfo/org.tarvelon.tarvelon.metainfo.xml",
    "usr/share/man/man1/tarvelon.1.gz",
    "usr/share/doc/tarvelon/copyright",
    "usr/share/doc/tarvelon/changelog.gz",
} | {f"usr/share/icons/hicolor/{s}x{s}/apps/tarvelon.png" for s in SIZES}


def check(condition, message):
    if not condition:
        raise Failure(message)


def output_of(*argv, env=None):
    done = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          env=env)
    check(done.returncode == 0, f"{' '.join(argv)} failed with {done.returncode}:\n{done.stdout}")
    return done.stdout


def build_package(source, build, version):
    env = dict(os.environ)
    # A make above ctest must not hand its job server to this one.
    for name in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL"):
        env.pop(name, None)
    folder = os.path.join(build, "deb")
    output_of("make", "-C", source, "--no-print-directory", "deb", f"DEB_DIR={folder}", env=env)
    arch = output_of("dpkg", "--print-architecture").strip()
    package = os.path.join(folder, f"tarvelon_{version}_{arch}.deb")
    check(os.path.isfile(package), f"make deb made no {package}: {os.listdir(folder)}")
    progress(f"built {os.path.basename(package)}, {os.path.getsize(package)} bytes")
    return package


def run_lintian(package):
    done = subprocess.run(["lintian", "--fail-on", "error,warning", "--display-info", package],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    print(f"$ lintian --fail-on error,warning --display-info {os.path.basename(package)}\n"
          f"{done.stdout.rstrip()}")
    tags = [line for line in done.stdout.splitlines() if re.match(r"^[EW]: ", line)]
    check(done.returncode == 0 and not tags, f"lintian reports errors or warnings: {tags}")


def check_contents(package):
    listing = output_of("dpkg-deb", "--contents", package).splitlines()
    files = {}
    for line in listing:
        mode, owner, _size, _day, _time, path = line.split(None, 5)
        path = path.removeprefix("./")
        check(owner == "root/root", f"{path} belongs to {owner}")
        if not mode.startswith("d"):
            files[path] = mode
    check(set(files) == CONTENTS,
          f"the package holds {sorted(files)}, expected {sorted(CONTENTS)}")
    check(files["usr/bin/tarvelon"] == "-rwxr-xr-x", f"the program is {files['usr/bin/tarvelon']}")
    check(all(m == "-rw-r--r--" for p, m in files.items() if p != "usr/bin/tarvelon"),
          f"files with unusual modes: {files}")


def field(package, name):
    return output_of("dpkg-deb", "--field", package, name).strip()


def check_depends(package, program):
    """Depends names, for every library the program links, the package that holds it on this
    system, and no development package at all."""
    depends = [d.strip() for d in field(package, "Depends").split(",")]
    names = {re.match(r"[a-z0-9.+-]+", d).group(0) for d in depends}
    check(not [n for n in names if n.endswith("-dev")], f"Depends names a -dev package: {depends}")
    needed = re.findall(r"NEEDED\s+(\S+)", output_of("objdump", "-p", program))
    check(any(n.startswith("libQt6Widgets") for n in needed), f"the program links {needed}")
    for library in needed:
        owners = output_of("dpkg-query", "--search", f"*/{library}").splitlines()
        packages = {line.split(":")[0] for line in owners}
        check(packages & names, f"{library} (from {sorted(packages)}) is not in Depends: {depends}")
    progress(f"Depends: {', '.join(depends)}")


def check_documents(root, version):
    changelog = os.path.join(root, "usr/share/doc/tarvelon/changelog.gz")
    with gzip.open(changelog, "rb") as f:
        text = f.read()
    plain = os.path.join(os.path.dirname(root), "changelog")
    with open(plain, "wb") as f:
        f.write(text)
    parsed = output_of("dpkg-parsechangelog", "-l", plain, "-S", "Version").strip()
    check(parsed == version, f"the changelog's newest version is {parsed}, not {version}")
    with open(os.path.join(root, "usr/share/doc/tarvelon/copyright"), encoding="utf-8") as f:
        check("Copyright:" in f.read(), "the copyright file holds no Copyright field")
    launcher = os.path.join(root, "usr/share/applications/tarvelon.desktop")
    with open(launcher, encoding="utf-8") as f:
        check("\nExec=tarvelon\n" in f.read(), "the launcher does not start tarvelon by name")
    remarks = output_of("desktop-file-validate", launcher)
    check(remarks.strip() == "", f"desktop-file-validate has remarks: {remarks}")


def run_extracted(root):
    """Two starts of the extracted program by a user who cannot write its folder."""
    program = os.path.join(root, "usr/bin/tarvelon")
    os.chmod(os.path.join(root, "usr/bin"), 0o555)  # read-only also for an owner who is no root
    installed = folder_contents(root)
    with Desktop() as desk:
        progress(f"sway on {desk.display} as user {desk.uid}")
        elsewhere = desk.own_folder("elsewhere")
        store = os.path.join(desk.home, ".local", "share", "tarvelon")
        try:
            app = Session(desk, program, elsewhere)
            app.expect_walk([], (0, 100), "after the first start")
            app.click(MEMO)
            desk.type("5 12 8")
            desk.key("Return")
            app.expect_walk([5, 12, 8], (2 - 100, 2 + 200), "after typing 5 12 8 and Enter")
            app.close()
            expect_file(os.path.join(store, "settings.dat"), settings_text(100))
            expect_file(os.path.join(store, "System", "Numbers_Memo.txt"), b"5 12 8 ")
            written = sorted(os.path.relpath(os.path.join(d, f), desk.home)
                             for d, _, files in os.walk(desk.home) for f in files)
            check(written == [".local/share/tarvelon/System/Numbers_Memo.txt",
                              ".local/share/tarvelon/settings.dat"],
                  f"the user's home holds {written}")
            check(folder_contents(root) == installed, "the program wrote into its own folder")
            check(not os.listdir(elsewhere),
                  f"files in the working directory: {os.listdir(elsewhere)}")
            progress(f"the files are in {store} and nowhere else")

            again = Session(desk, program, elsewhere)
            again.expect_walk([5, 12, 8], (0, 100), "after the restart")
            again.close()
            expect_file(os.path.join(store, "System", "Numbers_Memo.txt"), b"5 12 8")
        except Failure:
            for process in desk.processes:
                output = desk.log(process)
                if output:
                    print(f"--- {process.log_path}:\n{output}")
            raise


def catches_sigterm(pid):
    """Whether the process has its SIGTERM handler in place (the kernel's caught-signal mask)."""
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("SigCgt:"):
                return int(line.split()[1], 16) & (1 << (signal.SIGTERM - 1)) != 0
    return False


def run_as_root(root):
    """Root could write the program's folder, yet its files go to its own folder too."""
    program = os.path.join(root, "usr/bin/tarvelon")
    installed = folder_contents(root)
    with tempfile.TemporaryDirectory(prefix="tarvelon-root-") as home:
        env = {"PATH": "/usr/bin:/bin", "HOME": home, "XDG_DATA_HOME": os.path.join(home, "data"),
               "QT_QPA_PLATFORM": "offscreen"}
        process = subprocess.Popen([program], cwd=home, env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.STDOUT)
        store = os.path.join(home, "data", "tarvelon")
        try:
            deadline = time.monotonic() + 30
            while not (os.path.exists(os.path.join(store, "tarvelon.lock"))
                       and catches_sigterm(process.pid)):
                check(time.monotonic() < deadline and process.poll() is None,
                      "the program run by root took no lock in its own folder")
                time.sleep(0.1)
            process.terminate()  # SIGTERM saves like a close
            check(process.wait(timeout=30) == 0, "the program run by root did not end cleanly")
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        check(os.path.exists(os.path.join(store, "settings.dat")),
              "the program run by root saved nothing in its own folder")
        check(folder_contents(root) == installed, "the program run by root wrote beside itself")
    progress("run by root, the program saved in root's own folder")


def run(source, build, version):
    package = build_package(source, build, version)
    run_lintian(package)
    check_contents(package)
    for name, expected in (("Package", "tarvelon"), ("Version", version),
                           ("Maintainer", None), ("Description", None)):
        value = field(package, name)
        check(value and (expected is None or value == expected), f"{name} is {value!r}")
    check("qt6-wayland" in field(package, "Recommends"), "Qt's wayland platform is not recommended")
    with tempfile.TemporaryDirectory(prefix="tarvelon-deb-") as scratch:
        os.chmod(scratch, 0o755)  # the unprivileged user reaches the program below
        root = os.path.join(scratch, "root")
        output_of("dpkg", "-x", package, root)
        check_depends(package, os.path.join(root, "usr/bin/tarvelon"))
        check_documents(root, version)
        try:
            run_extracted(root)
            run_as_root(root)
        finally:
            os.chmod(os.path.join(root, "usr/bin"), 0o755)


def main():
    end_on_signals()
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    try:
        run(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3])
    except Failure as failure:
        print(f"FAIL: {failure}")
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
