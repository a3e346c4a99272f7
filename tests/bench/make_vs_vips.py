#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""glimmer make beside vipsthumbnail (libvips-tools) on the same pictures, the
two run in turn, round after round, so that both meet the same load. For each
picture it prints the median CPU time (user + system) and the largest resident
memory of each, and glimmer's ratio to vipsthumbnail (a benchmark, run by hand;
no test depends on it).

    python3 tests/bench/make_vs_vips.py [--rounds N] [PICTURE...]

Without pictures it makes its own in a temporary folder from one 4000 x 3000
picture (smooth blobs of colour with grain, drawn by vips): a baseline JPEG and a
progressive one at quality 90, a PNG, and a 256 x 256 PNG. vipsthumbnail makes
a 256 x 256 PNG, cropping the centre as glimmer make --fit cover does.
With --page it also times the page's make on each picture (its WebAssembly
module in Node, tests/bench/page_make.js: the make itself, without starting a
process or loading the module) beside glimmer make's own time in its process.
Needs the native build (build/native/glimmer), and for --page the web build."""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "../.."))
GLIMMER = os.path.join(ROOT, "build/native/glimmer")


def measure(command):
    """CPU seconds (user + system) and largest resident size in MB of one run."""
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    error = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} failed on {command[1]}: {error.strip()}")
    return usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0


def vips(*arguments):
    subprocess.run(["vips", *arguments], check=True)


def make_pictures(folder):
    # Each channel: coarse noise, blurred into smooth blobs of strong contrast
    # and enlarged, with fine grain over it.
    channels = []
    for channel in (1, 2, 3):
        def part(name):
            return os.path.join(folder, f"{name}{channel}.v")
        vips("gaussnoise", part("coarse"), "400", "300", "--mean", "128", "--sigma", "60", "--seed", str(channel))
        vips("gaussblur", part("coarse"), part("blurred"), "6")
        vips("linear", part("blurred"), part("contrast"), "12", " -1408")
        vips("resize", part("contrast"), part("large"), "10", "--kernel", "linear")
        vips("gaussnoise", part("grain"), "4000", "3000", "--mean", "0", "--sigma", "6", "--seed", str(channel + 10))
        vips("add", part("large"), part("grain"), part("channel"))
        channels.append(part("channel"))
    joined = os.path.join(folder, "joined.v")
    vips("bandjoin", " ".join(channels), joined)
    source = os.path.join(folder, "source.v")
    vips("cast", joined, source, "uchar")
    pictures = {
        "12 MP baseline JPEG, q90": ("baseline.jpg", ["vips", "jpegsave", source, "", "--Q", "90"]),
        "12 MP progressive JPEG, q90": ("progressive.jpg",
                                        ["vips", "jpegsave", source, "", "--Q", "90", "--interlace"]),
        "12 MP PNG": ("picture.png", ["vips", "pngsave", source, ""]),
        "256 x 256 PNG": ("small.png", ["vipsthumbnail", source, "-s", "256x256", "--smartcrop", "centre",
                                        "-o", ""]),
    }
    made = []
    for label, (name, command) in pictures.items():
        path = os.path.join(folder, name)
        command[command.index("")] = path
        subprocess.run(command, check=True)
        made.append((label, path))
    return made


def page_time(picture, rounds):
    """The page's make in seconds: the median of `rounds` fresh makes in one Node process."""
    script = os.path.join(ROOT, "tests/bench/page_make.js")
    environment = dict(os.environ, NODE_PATH="/usr/share/nodejs")
    result = subprocess.run(["node", script, str(rounds), picture], check=True, capture_output=True, text=True,
                            env=environment)
    return float(result.stdout.split()[0]) / 1000


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--page", action="store_true", help="time the page's make too")
    parser.add_argument("pictures", nargs="*")
    arguments = parser.parse_args()
    for program in (GLIMMER, shutil.which("vipsthumbnail")):
        if not program or not os.access(program, os.X_OK):
            sys.exit("needs build/native/glimmer and vipsthumbnail (Debian: libvips-tools)")
    with tempfile.TemporaryDirectory(prefix="make-vs-vips-") as folder:
        pictures = [(os.path.basename(p), os.path.abspath(p)) for p in arguments.pictures] or make_pictures(folder)
        saver = os.path.join(folder, "out.scr")
        thumbnail = os.path.join(folder, "thumbnail.png")
        print(f"{'picture':30} {'glimmer s':>10} {'MB':>6} {'vips s':>8} {'MB':>6} {'CPU ratio':>10} {'MB ratio':>9}"
              + (f" {'page s':>7}" if arguments.page else ""))
        for label, path in pictures:
            ours, theirs = [], []
            for _ in range(arguments.rounds):
                ours.append(measure([GLIMMER, "make", path, "-o", saver]))
                theirs.append(measure(["vipsthumbnail", path, "-s", "256x256", "--smartcrop", "centre",
                                       "-o", thumbnail]))
            our_time = statistics.median(t for t, _ in ours)
            their_time = statistics.median(t for t, _ in theirs)
            our_memory = max(m for _, m in ours)
            their_memory = max(m for _, m in theirs)
            print(f"{label:30} {our_time:10.3f} {our_memory:6.1f} {their_time:8.3f} {their_memory:6.1f} "
                  f"{our_time / their_time:9.2f}x {our_memory / their_memory:8.2f}x"
                  + (f" {page_time(path, arguments.rounds):7.3f}" if arguments.page else ""), flush=True)


if __name__ == "__main__":
    main()
