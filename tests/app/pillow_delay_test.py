#!/usr/bin/env python3
"""The animation speed as a second decoder (Pillow) plays it.

    pillow_delay_test.py MORVANE SPRITE

Converts SPRITE with -a=50 and with -b -a=1234 and checks that Pillow gives every frame of every
GIF the duration asked for (50 ms, and 1230 ms for the 123 hundredths 1234 ms round to), that
the run without binary transparency has no transparent colour, and that a GIF of one frame is
a GIF89a. Exits with 77 (skipped) when Pillow is not installed.
"""
import os
import subprocess
import sys
import tempfile

try:
    from PIL import Image, ImageSequence
except ImportError:
    print("Pillow is not installed (python3-pil)")
    sys.exit(77)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def convert(program, sprite, work, options):
    os.makedirs(work)
    subprocess.run([program, *options, sprite], cwd=work, check=True, stdout=subprocess.DEVNULL)
    base = os.path.splitext(os.path.basename(sprite))[0]
    folder = os.path.join(work, base)
    return [os.path.join(folder, name) for name in sorted(os.listdir(folder))]


def main():
    program, sprite = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    with tempfile.TemporaryDirectory() as tmp:
        for options, duration, transparent in ((["-a=50"], 50, False),
                                               (["-b", "-a=1234"], 1230, True)):
            gifs = convert(program, sprite, os.path.join(tmp, str(duration)), options)
            check(gifs, f"{options}: no GIFs written")
            for gif in gifs:
                with Image.open(gif) as image:
                    frames = 0
                    for frame in ImageSequence.Iterator(image):
                        frames += 1
                        check(frame.info.get("duration") == duration,
                              f"{options} {gif} frame {frames}: duration "
                              f"{frame.info.get('duration')}")
                        if not transparent:
                            check("transparency" not in frame.info,
                                  f"{options} {gif} frame {frames}: a transparent colour")
                with open(gif, "rb") as f:
                    check(f.read(6) == b"GIF89a", f"{options} {gif}: not a GIF89a")
    for failure in failures:
        print("FAILED:", failure)
    if failures:
        sys.exit(1)
    print("passed")


main()
