"""`make install` into a staging folder, as a packager or a user would run it, then uninstall.

Installs with a DESTDIR and a PREFIX whose path holds a space, double quotes and a percent sign,
validates the launcher with desktop-file-validate and the metainfo with appstreamcli, checks the
installed file list and the manual page, starts the installed program through its link on a
private X server to compare the window's class with the launcher's StartupWMClass, and uninstalls:
with another PREFIX nothing is removed, with the one installed to only what the program wrote
beside itself may stay, and uninstalling again leaves no file at all. The build folder's record
of its last install is put back afterwards, so a user's own `make install` can still be undone.
Usage: test_install.py <source folder> <build folder>
with TARVELON_ICON_SIZES holding the icon's bitmap sizes, space-separated, as CTest sets it.
"""

import gzip
import os
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import xdesk  # noqa: E402

# The icon's bitmap sizes: the build's own list (tarvelon_icon_sizes), which CTest hands over.
SIZES = tuple(int(size) for size in os.environ["TARVELON_ICON_SIZES"].split())
METAINFO = "share/metainfo/org.tarvelon.tarvelon.metainfo.xml"
MANUAL = "share/man/man1/tarvelon.1.gz"
EXPECTED = {
    "share/tarvelon/tarvelon",
    "bin/tarvelon",
    "share/applications/tarvelon.desktop",
    "share/icons/hicolor/scalable/apps/tarvelon.svg",
    METAINFO,
    MANUAL,
} | {f"share/icons/hicolor/{s}x{s}/apps/tarvelon.png" for s in SIZES}
CAPTION = "Tarvelon ver. 0.1"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def make(source, build, target, destdir, prefix, *options, expect_success=True):
    env = dict(os.environ)
    # A make above ctest must not hand its job server to this one.
    for name in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL"):
        env.pop(name, None)
    result = subprocess.run(["make", "-C", source, "--no-print-directory", *options, target,
                             f"BUILD_DIR={build}", f"DESTDIR={destdir}", f"PREFIX={prefix}"],
                            env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if expect_success:
        check(result.returncode == 0, f"make {target} failed:\n{result.stdout}")
    else:
        check(result.returncode != 0, f"make {target} succeeded:\n{result.stdout}")
    return result.stdout


def files_under(folder):
    """Every file and link under `folder`, relative to it; folders are not listed."""
    found = set()
    for top, dirs, files in os.walk(folder):
        for name in files + [d for d in dirs if os.path.islink(os.path.join(top, d))]:
            found.add(os.path.relpath(os.path.join(top, name), folder))
    return found


def desktop_entry(path):
    """The keys of the [Desktop Entry] group, still escaped as in the file."""
    entry = {}
    group = None
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line.startswith("["):
                group = line
            elif "=" in line and group == "[Desktop Entry]":
                key, value = line.split("=", 1)
                entry[key] = value
    return entry


def exec_arguments(value):
    """Exec's arguments read back by the rules of the desktop entry format: first the escapes of
    a string value, then the quoting of arguments, then the doubled percent sign."""
    unescaped = []
    i = 0
    while i < len(value):
        if value[i] == "\\" and i + 1 < len(value):
            unescaped.append({"s": " ", "n": "\n", "t": "\t", "r": "\r"}.get(value[i + 1],
                                                                             value[i + 1]))
            i += 2
        else:
            unescaped.append(value[i])
            i += 1
    text = "".join(unescaped)
    arguments, current, quoted, i = [], None, False, 0
    while i < len(text):
        c = text[i]
        if quoted:
            if c == "\\" and i + 1 < len(text) and text[i + 1] in '"`$\\':
                current += text[i + 1]
                i += 1
            elif c == '"':
                quoted = False
            else:
                current += c
        elif c == '"':
            quoted, current = True, current or ""
        elif c == " ":
            if current is not None:
                arguments.append(current)
            current = None
        else:
            current = (current or "") + c
        i += 1
    check(not quoted, f"Exec has an open quote: {value}")
    if current is not None:
        arguments.append(current)
    return [a.replace("%%", "%") for a in arguments]


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    check(header[:8] == b"\x89PNG\r\n\x1a\n" and header[12:16] == b"IHDR", f"{path}: not a PNG")
    return struct.unpack(">II", header[16:24])


def validate(argv):
    result = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    print(f"$ {' '.join(argv[:-1])} {os.path.basename(argv[-1])}\n{result.stdout.rstrip()}")
    check(result.returncode == 0, f"{argv[0]} failed with {result.returncode}")
    return result.stdout


def check_manual(path):
    """The manual page is compressed without a name or time stamp, as Debian's tools do it, and
    man formats it without a warning."""
    with open(path, "rb") as f:
        header = f.read(10)
    check(header[:3] == b"\x1f\x8b\x08" and header[3] & 0x08 == 0 and header[4:8] == bytes(4),
          f"{path} holds a file name or a time stamp: {header.hex()}")
    with gzip.open(path, "rt", encoding="utf-8") as f:
        check(f.read().startswith(".TH TARVELON 1 "), f"{path} is no manual page of tarvelon")
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80", MAN_KEEP_STDERR="1")
    result = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", path], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    check(result.returncode == 0 and result.stderr == "",
          f"man reports on {path}: {result.returncode} {result.stderr}")
    for words in ("settings.dat", "XDG_DATA_HOME", "SIGTERM", "SIGHUP", "SIGINT"):
        check(words in result.stdout, f"the manual page does not mention {words}")


def window_class_of_installed_program(program, folder):
    """Starts the installed program, returns its window's WM_CLASS and closes the window as a
    window manager would, so the program saves beside itself."""
    with xdesk.Desktop() as desk:
        process = desk.start(program, cwd=folder)
        window = desk.window(CAPTION)
        wm_class = window.get_wm_class()
        desk.close_window(window)
        desk.x.flush()
        check(process.wait(timeout=xdesk.PATIENCE) == 0, "the installed program failed")
    return wm_class


def run(source, build):
    with tempfile.TemporaryDirectory(prefix="tarvelon-install-") as stage:
        destdir = os.path.join(stage, "stage")
        prefix = '/home/a "quoted" user 100%/.local'
        root = destdir + prefix

        # What the two targets would run: installing builds only the program and its icons and
        # never runs the package step, which may ask for sudo; `make run` builds only the program.
        plan = make(source, build, "install", destdir, prefix, "--dry-run")
        check("install-deps" not in plan, f"make install runs the package step:\n{plan}")
        plan = make(source, build, "run", destdir, prefix, "--dry-run")
        builds = [line for line in plan.splitlines() if line.startswith("cmake --build")]
        check(builds and all(line.endswith("--target tarvelon") for line in builds),
              f"make run builds more than the program:\n{plan}")
        out = make(source, build, "install", destdir, prefix)
        check("install-deps" not in out, f"make install ran the package step:\n{out}")

        installed = files_under(destdir)
        check(installed == {os.path.join(prefix.lstrip("/"), f) for f in EXPECTED},
              f"installed files differ:\n  got {sorted(installed)}\n  want {sorted(EXPECTED)}")
        print("installed under PREFIX:\n  " + "\n  ".join(sorted(EXPECTED)))

        launcher = os.path.join(root, "share/applications/tarvelon.desktop")
        check(validate(["desktop-file-validate", launcher]).strip() == "",
              "desktop-file-validate has remarks")
        validate(["appstreamcli", "validate", "--no-net", os.path.join(root, METAINFO)])

        entry = desktop_entry(launcher)
        for key in ("Name", "Name[ru]", "Comment", "Comment[ru]", "GenericName", "Keywords",
                    "Keywords[ru]", "StartupWMClass"):
            check(entry.get(key), f"the launcher has no {key}")
        program = prefix + "/share/tarvelon/tarvelon"
        check(exec_arguments(entry["Exec"]) == [program],
              f"Exec {entry['Exec']!r} does not name {program!r}")
        check(os.access(destdir + program, os.X_OK), "the program is not executable")
        link = os.path.join(root, "bin/tarvelon")
        check(os.path.islink(link) and not os.path.isabs(os.readlink(link)),
              "bin/tarvelon is no relative link")
        check(os.path.realpath(link) == os.path.realpath(destdir + program),
              "bin/tarvelon does not lead to the program")
        check(entry.get("Icon") == "tarvelon", f"Icon is {entry.get('Icon')!r}, not the theme's")
        for s in SIZES:
            png = os.path.join(root, f"share/icons/hicolor/{s}x{s}/apps/tarvelon.png")
            check(png_size(png) == (s, s), f"{png} is {png_size(png)}")
        check_manual(os.path.join(root, MANUAL))

        # Started by its link, the program still keeps its files in its own folder.
        folder = os.path.join(root, "share/tarvelon")
        wm_class = window_class_of_installed_program(link, stage)
        print(f"WM_CLASS of the window: {wm_class}")
        check(wm_class is not None and wm_class[1] == entry["StartupWMClass"],
              f"StartupWMClass {entry['StartupWMClass']!r} does not match WM_CLASS {wm_class}")
        written = {"share/tarvelon/settings.dat", "share/tarvelon/System/Numbers_Memo.txt"}
        check(files_under(root) == EXPECTED | written,
              f"the program wrote elsewhere than beside itself: {sorted(files_under(root))}")

        # With another PREFIX the record of the install names nothing under it: nothing goes.
        make(source, build, "uninstall", destdir, "/home/another/.local", expect_success=False)
        check(files_under(root) == EXPECTED | written,
              f"uninstall with another PREFIX removed files: {sorted(files_under(root))}")
        make(source, build, "uninstall", destdir, prefix)
        check(files_under(root) == written,
              f"uninstall left or removed the wrong files: {sorted(files_under(root))}")
        for name in written:
            os.remove(os.path.join(root, name))
        os.rmdir(os.path.join(folder, "System"))
        # Nothing installed: uninstalling again succeeds and leaves no program folder either.
        make(source, build, "uninstall", destdir, prefix)
        check(files_under(destdir) == set(), f"left behind: {sorted(files_under(destdir))}")
        check(not os.path.exists(folder), "the program's empty folder is left behind")


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    build = os.path.abspath(sys.argv[2])
    manifest = os.path.join(build, "install_manifest.txt")
    kept = manifest + ".before-test"
    if os.path.exists(manifest):
        shutil.copy2(manifest, kept)
    try:
        run(os.path.abspath(sys.argv[1]), build)
    except (Failure, xdesk.Failure) as failure:
        print(f"FAIL: {failure}")
        return 1
    finally:
        if os.path.exists(kept):
            os.replace(kept, manifest)
        elif os.path.exists(manifest):
            os.remove(manifest)
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
