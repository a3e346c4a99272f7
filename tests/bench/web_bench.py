#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Figures of the on-line maker on this machine (a benchmark, run by hand; no
test depends on them):
  - the module and its loader, gzipped, and what each library adds to it;
  - how long the page takes to be ready, served by glimmer serve;
  - the page's first download (HTML, CSS, scripts, the player module and its
    loader), as glimmer serve sends it, against the goal of 45 KB;
  - on DevTools' "Slow 4G" from a cold cache: the time until the page takes
    a picture and plays the default saver (goal: 1.0 s), and until the
    download of a 1-megapixel JPEG given at once is offered (goal: 3.5 s);
  - the live preview's frame rate while the worker makes a saver;
  - the renderer's time per pixel in Chromium, in Node and natively.

    python3 tests/bench/web_bench.py [--runs N] [--screenshot PNG]

Needs the native and web builds (build/native, build/web)."""
import argparse
import gzip
import json
import os
import re
import shlex
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "../.."))
sys.path.insert(0, os.path.join(ROOT, "tests/web"))
from browser_session import Trap, start_browser, start_server, stop_server, wait_for  # noqa: E402

WEB = os.path.join(ROOT, "build/web")
SITE = os.path.join(WEB, "site")
NATIVE = os.path.join(ROOT, "build/native")
FRAME_PIXELS = 640 * 480


def leb128(data, at):
    value = shift = 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, at


def wasm_functions(path):
    """The code of each function of a module with a name section: {name: bytes}, and the data's size."""
    data = open(path, "rb").read()
    at, sections = 8, []
    while at < len(data):
        kind = data[at]
        size, at = leb128(data, at + 1)
        sections.append((kind, at, size))
        at += size
    imported, bodies, names, data_size = 0, [], {}, 0
    for kind, start, size in sections:
        if kind == 2:  # imports: only the functions among them take function indices
            count, at = leb128(data, start)
            for _ in range(count):
                for _ in range(2):
                    length, at = leb128(data, at)
                    at += length
                what = data[at]
                at += 1
                if what == 0:
                    imported += 1
                    _, at = leb128(data, at)
                elif what == 1:
                    at += 1
                    flags, at = leb128(data, at)
                    for _ in range(2 if flags & 1 else 1):
                        _, at = leb128(data, at)
                elif what == 2:
                    flags, at = leb128(data, at)
                    for _ in range(2 if flags & 1 else 1):
                        _, at = leb128(data, at)
                elif what == 3:
                    at += 2
                else:
                    at += 1
                    _, at = leb128(data, at)
        elif kind == 10:
            count, at = leb128(data, start)
            for _ in range(count):
                length, body = leb128(data, at)
                bodies.append(data[at:body + length])
                at = body + length
        elif kind == 11:
            data_size = size
        elif kind == 0:
            length, at = leb128(data, start)
            if data[at:at + length] == b"name":
                at += length
                while at < start + size:
                    part, at = data[at], at + 1
                    part_size, at = leb128(data, at)
                    if part == 1:
                        count, entry = leb128(data, at)
                        for _ in range(count):
                            index, entry = leb128(data, entry)
                            length, entry = leb128(data, entry)
                            names[index] = data[entry:entry + length].decode(errors="replace")
                            entry += length
                    at += part_size
    return {names.get(imported + i, f"#{i}"): body for i, body in enumerate(bodies)}, data_size


def library_shares(work):
    """What each library's code adds to the module: the module linked again
    with its function names (LTO inlines across libraries, so a function's
    bytes count for the library of the function they ended up in)."""
    folder = os.path.join(WEB, "web")
    with open(os.path.join(folder, "CMakeFiles/glimmer_module.dir/link.txt")) as link:
        command = shlex.split(link.read().strip())
    output = command.index("-o")
    command[output + 1] = os.path.join(work, "named.js")
    subprocess.run(command + ["--profiling-funcs"], cwd=folder, check=True)
    functions, data_size = wasm_functions(os.path.join(work, "named.wasm"))
    archives = [os.path.join(dirpath, name) for dirpath, _, files in os.walk(os.path.join(WEB, "tools"))
                for name in files if name.endswith(".a")] + [os.path.join(WEB, "saver/libglimmer_core.a")]
    owner = {}
    for archive in archives:
        library = re.sub(r"^libglimmer_|\.a$", "", os.path.basename(archive))
        symbols = subprocess.run(["llvm-nm-14", "--defined-only", "-C", "--format=just-symbols", archive],
                                 capture_output=True, text=True).stdout
        for symbol in symbols.splitlines():
            owner.setdefault(symbol, library)
    for name in functions:
        if name.startswith("glimmer_"):
            owner[name] = "web module exports"
    code = {}
    for name, body in functions.items():
        code.setdefault(owner.get(name, "C and C++ runtime (emscripten)"), []).append(body)
    return {library: (sum(map(len, bodies)), len(gzip.compress(b"".join(bodies), 9)))
            for library, bodies in code.items()}, data_size


def page_ready_times(origin, trap, work, runs):
    """Milliseconds from navigation to a page that can make savers."""
    driver = start_browser(origin, trap, os.path.join(work, "ready-profile"))
    times = {"no cache": [], "cached": []}
    try:
        for cached in (False, True):
            driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": not cached})
            for _ in range(runs):
                driver.get(f"{origin}/?seed=1")
                wait_for("the page", lambda: driver.execute_script("return document.documentElement.dataset.ready"))
                times["cached" if cached else "no cache"].append(
                    int(driver.execute_script("return document.documentElement.dataset.readyMilliseconds")))
    finally:
        driver.quit()
    return times


SLOW_4G = {"offline": False, "latency": 150, "downloadThroughput": 1.6e6 / 8, "uploadThroughput": 750e3 / 8}
# The page's own files, before any picture: what a visitor waits for.
FIRST_DOWNLOAD = ("index.html", "style.css", "early-input.js", "player.js", "player.wasm", "page.mjs",
                  "maker-client.mjs", "saver-player.mjs", "saver-run.mjs", "saver-name.mjs")


def first_download_bytes(origin):
    """The page's first download as glimmer serve sends it to a browser that takes brotli."""
    import urllib.request
    total = 0
    for name in FIRST_DOWNLOAD:
        request = urllib.request.Request(f"{origin}/{name}", headers={"Accept-Encoding": "gzip, deflate, br"})
        with urllib.request.urlopen(request) as response:
            total += len(response.read())
    return total


def slow_network_times(origin, trap, work, picture, runs):
    """On Slow 4G from a cold cache (a fresh profile each time, so that no
    service worker helps): milliseconds until the page takes a picture and
    plays the default saver, and until the saver of `picture`, given as soon
    as the page takes one, is offered for download."""
    playing, offered = [], []
    for run in range(runs):
        driver = start_browser(origin, trap, os.path.join(work, f"slow-profile-{run}"))
        try:
            driver.execute_cdp_cmd("Network.enable", {})
            driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
            driver.execute_cdp_cmd("Network.emulateNetworkConditions", SLOW_4G)
            driver.get(f"{origin}/?seed=1")
            root = "return document.documentElement.dataset"
            wait_for("the page to take pictures", lambda: driver.execute_script(root + ".taking"))
            driver.find_element("id", "picture-file").send_keys(picture)
            wait_for("the saver", lambda: driver.execute_script(root + ".made"), seconds=180)
            offered.append(int(driver.execute_script("return performance.now()")))
            # The default saver, in a second page of its own from a cold cache.
            driver.execute_cdp_cmd("Storage.clearDataForOrigin", {"origin": origin, "storageTypes": "all"})
            driver.get(f"{origin}/?seed=2")
            wait_for("the default saver", lambda: driver.execute_script(root + ".defaultPlayingMilliseconds"))
            playing.append(int(driver.execute_script(root + ".defaultPlayingMilliseconds")))
        finally:
            driver.quit()
    return playing, offered


# Samples the preview's frame number every 50 ms while the next make runs.
WATCH_MAKE = """
const root = document.documentElement;
const frame = () => Number(document.getElementById('frame-count').textContent.replace('frame ', ''));
window.benchSamples = [];
window.benchState = 'waiting';
let timer = null;
const observer = new MutationObserver(() => {
  if (!('made' in root.dataset) && !timer) {
    window.benchState = 'making';
    timer = setInterval(() => window.benchSamples.push([performance.now(), frame()]), 50);
  }
  if ('made' in root.dataset && timer) {
    clearInterval(timer);
    observer.disconnect();
    window.benchState = 'made';
  }
});
observer.observe(root, { attributes: true, attributeFilter: ['data-made'] });
"""

RENDER_TIME = """
const done = arguments[arguments.length - 1];
(async () => {
  const { SaverRun } = await import('./saver-run.mjs');
  // The default picture, as a saver with it in record 0 would show it.
  const picture = new Uint8Array(await (await fetch('glimmerwheel.gif')).arrayBuffer());
  const run = new SaverRun(await createPlayerModule());
  run.open(picture, 'glimmerwheel.gif', 1);
  run.step();
  const frames = 1200;
  const start = performance.now();
  for (let i = 0; i < frames; ++i)
    run.step();
  done((performance.now() - start) * 1e6 / frames / 640 / 480);
})().catch(error => done(String(error)));
"""


def preview_during_makes(origin, trap, work, pictures, screenshot):
    """Frames per second of the live preview while the worker makes each
    picture, the make's duration, and the renderer's ns per pixel in Chromium."""
    driver = start_browser(origin, trap, os.path.join(work, "fps-profile"), width=900, height=2050)
    results = []
    try:
        driver.get(f"{origin}/?seed=1")
        wait_for("the page", lambda: driver.execute_script("return document.documentElement.dataset.ready"))
        driver.find_element("id", "default-picture").click()
        wait_for("the default saver", lambda: driver.execute_script("return document.documentElement.dataset.made"))
        wait_for("a second of preview", lambda: driver.execute_script(
            "return Number(document.getElementById('frame-count').textContent.replace('frame ', '')) > 60"))
        if screenshot:
            driver.save_screenshot(screenshot)
        render_ns = driver.execute_async_script(RENDER_TIME)
        for picture, fit in pictures:
            # Set without a change event: the next make takes it.
            driver.execute_script(f"document.getElementById('fit').value = '{fit}';")
            driver.execute_script(WATCH_MAKE)
            driver.find_element("id", "picture-file").send_keys(picture)
            wait_for("the make", lambda: driver.execute_script("return window.benchState") == "made", 300)
            samples = driver.execute_script("return window.benchSamples")
            # The samples until the new saver starts its preview at frame 1 again.
            rising = [samples[0]]
            for sample in samples[1:]:
                if sample[1] < rising[-1][1]:
                    break
                rising.append(sample)
            seconds = (rising[-1][0] - rising[0][0]) / 1000
            fps = (rising[-1][1] - rising[0][1]) / seconds if seconds > 0 else float("nan")
            results.append((os.path.basename(picture), fit, seconds, fps))
    finally:
        driver.quit()
    return results, render_ns


def node_render_ns():
    script = """
const harness = require(process.argv[1]);
const fs = require('fs');
(async () => {
  const { SaverRun } = await harness.importSiteModule('saver-run.mjs');
  const run = new SaverRun(await harness.loadModule());
  run.open(fs.readFileSync(process.argv[2]), 'bench.scr', 1);
  run.step();
  const frames = 1200;
  const start = process.hrtime.bigint();
  for (let i = 0; i < frames; ++i)
    run.step();
  console.log(Number(process.hrtime.bigint() - start) / frames / 640 / 480);
})();
"""
    saver = os.path.join(tempfile.mkdtemp(), "default.scr")
    subprocess.run([os.path.join(NATIVE, "glimmer"), "make", os.path.join(ROOT, "assets/glimmerwheel.gif"), "-o",
                    saver], check=True, capture_output=True)
    output = subprocess.run(["node", "-e", script, os.path.join(ROOT, "tests/web/harness.js"), saver],
                            capture_output=True, text=True, check=True, env={**os.environ, "GLIMMER_SITE": SITE})
    return float(output.stdout)


def native_render_ns():
    output = subprocess.run([os.path.join(NATIVE, "tests/bench/preview_bench"), "--benchmark_format=json"],
                            capture_output=True, text=True, check=True).stdout
    frame = json.loads(output)["benchmarks"][0]
    microseconds = frame["real_time"] if frame["time_unit"] == "us" else frame["real_time"] / 1000
    return microseconds * 1000 / FRAME_PIXELS


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--screenshot")
    arguments = parser.parse_args()
    work = tempfile.mkdtemp(prefix="glimmer-web-bench-")

    player = len(gzip.compress(open(os.path.join(SITE, "player.wasm"), "rb").read(), 9))
    print(f"player module {os.path.getsize(os.path.join(SITE, 'player.wasm'))} bytes, {player} gzipped")
    module = len(gzip.compress(open(os.path.join(SITE, "glimmer.wasm"), "rb").read(), 9))
    loader = len(gzip.compress(open(os.path.join(SITE, "glimmer.js"), "rb").read(), 9))
    print(f"module {os.path.getsize(os.path.join(SITE, 'glimmer.wasm'))} bytes, {module} gzipped; loader "
          f"{os.path.getsize(os.path.join(SITE, 'glimmer.js'))} bytes, {loader} gzipped; together {module + loader} "
          f"bytes gzipped ({(module + loader) / 1024:.0f} KiB)")
    shares, data_size = library_shares(work)
    print(f"code by library (raw bytes, gzipped alone), and {data_size} bytes of data (tables and texts):")
    for library, (raw, packed) in sorted(shares.items(), key=lambda item: -item[1][0]):
        print(f"  {library:32} {raw:8} {packed:8}")

    big = os.path.join(work, "photo-12mp.jpg")
    subprocess.run(["convert", "-seed", "5", "-size", "1000x750", "plasma:", "-resize", "4000x3000!", "-quality",
                    "90", big], check=True)
    medium = os.path.join(work, "photo-2mp.png")
    subprocess.run(["convert", "-seed", "6", "-size", "800x600", "plasma:", "-resize", "1600x1200!", medium],
                   check=True)

    photo = os.path.join(work, "photo-1mp.jpg")
    subprocess.run(["convert", "-seed", "4", "-size", "1000x1000", "plasma:", "-quality", "90", photo], check=True)

    server, origin, _ = start_server(os.path.join(NATIVE, "glimmer"), SITE)
    trap = Trap()
    try:
        first = first_download_bytes(origin)
        print(f"first download: {first} bytes ({first / 1024:.1f} KiB) compressed; goal 45 KB")
        playing, offered = slow_network_times(origin, trap, work, photo, arguments.runs)
        print(f"Slow 4G, cold cache: default saver playing after median {statistics.median(playing)} ms "
              f"({min(playing)} to {max(playing)}; goal 1000); a 1-megapixel JPEG given at once offered for "
              f"download after median {statistics.median(offered)} ms ({min(offered)} to {max(offered)}; goal 3500)")
        times = page_ready_times(origin, trap, work, arguments.runs)
        for kind, values in times.items():
            print(f"page ready ({kind}): median {statistics.median(values)} ms, {min(values)} to {max(values)} ms "
                  f"over {len(values)} loads")
        makes, chromium_ns = preview_during_makes(origin, trap, work, [(big, "cover"), (medium, "none")],
                                                  arguments.screenshot)
        for name, fit, seconds, fps in makes:
            print(f"preview while the worker makes {name} (fit {fit}, {seconds:.2f} s): {fps:.1f} frames per second")
    finally:
        stop_server(server)
        trap.close()
    print(f"renderer and motion, ns per pixel of a 640 x 480 frame: Chromium {chromium_ns:.2f}, "
          f"Node {node_render_ns():.2f}, native {native_render_ns():.2f}")


if __name__ == "__main__":
    main()
