#!/usr/bin/env python3
"""Runs the Windows converter under Wine and the Linux converter side by side on the same
inputs and checks that they agree: every GIF byte for byte, every PNG pixel for pixel and every
JSON value; the console text, exit code and errors.log once CR LF is read as LF, "\\" as "/" and
the log's dates are masked; and the set of files written, after the Windows name rules.

  compare_runs.py LINUX_BUILD WINDOWS_EXE WINE_RUN SAMPLE_SPR WORK_DIR

LINUX_BUILD is a Linux build tree holding the converter and the sprite writers."""
import json
import os
import re
import shutil
import subprocess
import sys

linux_build, windows_exe, wine_run, sample, work = sys.argv[1:6]
linux_exe = os.path.join(linux_build, "src/app/morvane")
sprwriter = os.path.join(linux_build, "tools/sprwriter/morvane-sprwriter")
benchsprite = os.path.join(linux_build, "tools/benchsprite/morvane-benchsprite")
config_dir = os.path.join(os.path.dirname(__file__), "../../config")
failures = []

DEVICES = {"CON", "PRN", "AUX", "NUL"} | {f"{p}{d}" for p in ("COM", "LPT") for d in "123456789"}


def windows_name(name, folder):
    """The name the Windows build gives a file or folder the Linux build names name: the device
    rule looks at the sequence's own name, before the direction suffix and the ending."""
    name = re.sub(r'[<>:"|?*\x01-\x1f]', "_", name)
    own = name
    if not folder:
        # The ending, a frame number, a direction suffix (as this test's sprites have them).
        own = re.sub(r"\.(gif|png|webp|json)$", "", own)
        own = re.sub(r"_\d{3,}$", "", own)
        own = re.sub(r"_([NSEW]{1,2}|[0-9A-F]{2})$", "", own)
    if own.split(".")[0].upper() in DEVICES:
        name = "_" + name
    if folder and name and name[-1] in ". ":
        name = name[:-1] + "_"
    return name


def windows_names_in(value):
    """A Linux atlas with every text in it as the Windows build names files."""
    if isinstance(value, dict):
        return {k: windows_names_in(v) for k, v in value.items()}
    if isinstance(value, list):
        return [windows_names_in(v) for v in value]
    if isinstance(value, str):
        return windows_name(value, False)
    return value


def make_sprites(directory):
    os.makedirs(directory, exist_ok=True)
    for kind in ("demo", "broken", "cut", "names"):
        subprocess.run([sprwriter, kind, os.path.join(directory, kind + ".spr")], check=True)
    subprocess.run([benchsprite, os.path.join(directory, "many.spr"), "3", "16", "32"], check=True)
    shutil.copy(sample, os.path.join(directory, "hero.spr"))
    shutil.copy(os.path.join(directory, "demo.spr"), os.path.join(directory, "h\u00e9ros.spr"))


def listing(root):
    """The files under root, by their paths relative to it, "/"-separated."""
    found = set()
    for parent, _, files in os.walk(root):
        for f in files:
            found.add(os.path.relpath(os.path.join(parent, f), root).replace(os.sep, "/"))
    return found


def normal_text(text, windows):
    if windows:
        text = text.replace(b"\r\n", b"\n").replace(b"\\", b"/")
        # Wine's Z: is the Linux root.
        text = re.sub(rb"Z:/", b"/", text)
    else:
        # The one message that names what this build offers: Windows has no WebP.
        text = text.replace(b"gif, png, webp, sheet", b"gif, png, sheet")
    # The local time's form follows the locale (Wine's adds AM or PM).
    return re.sub(rb"on [^\n]* at [0-9:]+( [AP]M)?", b"on DATE at TIME", text)


def pixels(path):
    from PIL import Image  # python3-pil

    with Image.open(path) as image:
        return image.mode, image.size, image.convert("RGBA").tobytes()


def run_case(name, inputs, args, env=None):
    """inputs(side, run_dir) writes the inputs; args(side, run_dir) gives the arguments."""
    results = {}
    for side in ("linux", "windows"):
        case = os.path.join(work, side, name)
        shutil.rmtree(case, ignore_errors=True)
        bin_dir = os.path.join(case, "bin")
        run_dir = os.path.join(case, "run")
        os.makedirs(bin_dir)
        os.makedirs(run_dir)
        exe = os.path.join(bin_dir, "morvane" + (".exe" if side == "windows" else ""))
        shutil.copy(linux_exe if side == "linux" else windows_exe, exe)
        for cfg in ("morvane.cfg", "colors.cfg"):
            shutil.copy(os.path.join(config_dir, cfg), bin_dir)
        inputs(side, run_dir)
        before = listing(run_dir)
        command = ([exe] if side == "linux" else [wine_run, exe]) + args(side, run_dir)
        process = subprocess.run(command, cwd=run_dir, stdout=subprocess.PIPE,
                                 env=dict(os.environ, **(env or {})))
        log_path = os.path.join(bin_dir, "errors.log")
        log = open(log_path, "rb").read() if os.path.exists(log_path) else None
        if side == "windows" and log is not None and re.search(rb"(?<!\r)\n", log):
            failures.append(f"{name}: errors.log has a line without CR LF")
        if side == "windows" and re.search(rb"(?<!\r)\n", process.stdout):
            failures.append(f"{name}: the console has a line without CR LF")
        results[side] = dict(
            run_dir=run_dir, code=process.returncode,
            console=normal_text(process.stdout, side == "windows"),
            log=normal_text(log, side == "windows") if log is not None else None,
            written=listing(run_dir) - before)
    linux, windows = results["linux"], results["windows"]
    for key in ("code", "console", "log"):
        if linux[key] != windows[key]:
            failures.append(f"{name}: {key} differs\n--- linux\n{linux[key]!r}\n--- windows\n"
                            f"{windows[key]!r}")
    expected = {}
    for path in linux["written"]:
        parts = path.split("/")
        mapped = [windows_name(p, i < len(parts) - 1) for i, p in enumerate(parts)]
        expected["/".join(mapped).lower()] = path
    windows_written = {p.lower(): p for p in windows["written"]}
    if set(expected) != set(windows_written):
        failures.append(f"{name}: files written differ\n  linux only: "
                        f"{sorted(set(expected) - set(windows_written))}\n  windows only: "
                        f"{sorted(set(windows_written) - set(expected))}")
    compared = 0
    for key in set(expected) & set(windows_written):
        a = os.path.join(linux["run_dir"], expected[key])
        b = os.path.join(windows["run_dir"], windows_written[key])
        if key.endswith(".png"):
            same = pixels(a) == pixels(b)
        elif key.endswith(".json"):
            # The atlas names the frames and the image by their file names.
            same = windows_names_in(json.load(open(a, "rb"))) == json.load(open(b, "rb"))
        else:
            same = open(a, "rb").read() == open(b, "rb").read()
        compared += 1
        if not same:
            failures.append(f"{name}: {expected[key]} differs")
    print(f"{name}: {compared} files compared, exit code {linux['code']}")


sprites = os.path.join(work, "sprites")
make_sprites(sprites)


def copy_in(*names, into=""):
    def inputs(side, run_dir):
        os.makedirs(os.path.join(run_dir, into), exist_ok=True)
        for n in names:
            shutil.copy(os.path.join(sprites, n), os.path.join(run_dir, into, n))
    return inputs


def fixed(*arguments):
    return lambda side, run_dir: list(arguments)


all_sprites = ("hero.spr", "demo.spr", "broken.spr", "cut.spr", "names.spr", "many.spr")
option_sets = {
    "defaults": [],
    "binary-transparency": ["-b", "-t=200"],
    "rle-no-dither": ["-l=0", "-d=0"],
    "background-static": ["-bg=#ff00aa", "-s"],
    "speed": ["-a=150", "-b"],
}
for label, options in option_sets.items():
    run_case("sample-" + label, copy_in("hero.spr"), fixed(*options, "hero.spr"))
run_case("sprites", copy_in(*all_sprites), fixed(*all_sprites), env={"MORVANE_THREADS": "2"})
run_case("sprites-one-thread", copy_in(*all_sprites), fixed("-b", "-t=64", *all_sprites),
         env={"MORVANE_THREADS": "1"})
run_case("png-and-sheet", copy_in("hero.spr", "demo.spr", "names.spr", "many.spr"),
         fixed("-f=gif,png,sheet", "hero.spr", "demo.spr", "names.spr", "-b", "many.spr"),
         env={"MORVANE_THREADS": "2"})
run_case("png-only", copy_in("hero.spr"), fixed("-f=PNG, sheet", "-bg=#336699", "-a=40", "hero.spr"))
run_case("non-ascii-name", copy_in("h\u00e9ros.spr"), fixed("h\u00e9ros.spr"))
run_case("bad-option", copy_in("hero.spr"), fixed("-f=bmp", "hero.spr"))


def list_inputs(encoding):
    def inputs(side, run_dir):
        copy_in("demo.spr")(side, run_dir)
        copy_in("names.spr", "broken.spr", into="sub")(side, run_dir)
        sep = "\\" if side == "windows" else "/"
        text = f"demo.spr::w*\r\nsub{sep}names.spr\r\n\r\nsub{sep}broken.spr::*\r\nmissing.spr\r\n"
        data = (b"\xff\xfe" + text.encode("utf-16-le")) if side == "windows" and encoding == "utf-16" \
            else text.encode()
        open(os.path.join(run_dir, "sprites.lst"), "wb").write(data)
    return inputs


run_case("list-crlf-backslash-pattern", list_inputs("utf-8"), fixed("@sprites.lst"))
run_case("list-utf16", list_inputs("utf-16"), fixed("@sprites.lst"))
run_case("absolute-path", copy_in("demo.spr"),
         lambda side, run_dir: [("Z:" + run_dir.replace("/", "\\") if side == "windows"
                                 else run_dir) + ("\\" if side == "windows" else "/") + "demo.spr"])


LONG = "/".join(["folder-with-a-rather-long-name-%02d" % i for i in range(8)])


def long_path(side, run_dir):
    copy_in("demo.spr", into=LONG)(side, run_dir)
    sep = "\\" if side == "windows" else "/"
    open(os.path.join(run_dir, "long.lst"), "w").write(LONG.replace("/", sep) + sep + "demo.spr\n")


# Paths of 260 characters and more.
run_case("long-path", long_path, fixed("@long.lst"))


def blocked_folder(side, run_dir):
    copy_in("demo.spr", "hero.spr")(side, run_dir)
    open(os.path.join(run_dir, "demo"), "w").write("a file where the folder should be\n")


run_case("output-folder-cannot-be-made", blocked_folder, fixed("demo.spr", "hero.spr"))

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("The Windows build agrees with the Linux build.")
