#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The page in a real browser: Debian's Chromium, headless, driven through
Selenium, loads the site from `glimmer serve`, makes a saver of a picture,
plays it, and must show glimmer preview's frame and offer glimmer make's
bytes; "Save a video" gives a video that ffprobe reads, of the length chosen;
a refused picture gets glimmer's message; /link lands on the maker; no
request leaves the origin and the console stays clean.

    browser_test.py SOURCE_TREE SITE GLIMMER [--screenshot PNG]

Ends with status 77 (skipped) when GLIMMER is not built."""
import base64
import json
import os
import subprocess
import sys

from browser_session import (Trap, check, downloaded, end_session, page_test_setup, requests_of, start_browser,
                             start_server, wait_for)

SEED = 4242
STOP_FRAME = 90
VIDEO_SECONDS = 2
FRAME_PIXELS = 640 * 480


def run(command, folder):
    return subprocess.run(command, cwd=folder, capture_output=True, text=False, check=False)


CANVAS_RGBA = """
const data = document.getElementById('screen').getContext('2d').getImageData(0, 0, 640, 480).data;
let text = '';
for (let i = 0; i < data.length; i += 0x8000)
  text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
return btoa(text);
"""


def check_saved_video(driver, downloads):
    """Records VIDEO_SECONDS of the preview (stopped at STOP_FRAME, so it must
    play again) and reads the download back with ffprobe."""
    seconds = driver.find_element("id", "video-seconds")
    seconds.clear()
    seconds.send_keys(str(VIDEO_SECONDS))
    status = driver.find_element("id", "video-status")
    check(status.text == f"{VIDEO_SECONDS} s of the preview, as a WebM video.", f"the page says how long: {status.text}")
    driver.find_element("id", "save-video").click()
    link = driver.find_element("id", "video-download")
    wait_for("the video", lambda: link.is_displayed(), seconds=VIDEO_SECONDS + 60)
    saved = downloaded(link, downloads, "holiday.webm")
    size = os.path.getsize(saved)
    check(link.get_attribute("data-bytes") == str(size), "the page's size is the file's")
    check(status.text.startswith(f"Made holiday.webm: {VIDEO_SECONDS} s, "), f"the page says how big: {status.text}")
    probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=codec_name,width,height:packet=pts_time", "-of", "json", saved],
                           capture_output=True, text=True, check=False)
    check(probe.returncode == 0, f"ffprobe reads the video: {probe.stderr}")
    found = json.loads(probe.stdout)
    stream = found["streams"][0]
    check(stream["codec_name"] in ("vp8", "vp9") and (stream["width"], stream["height"]) == (640, 480),
          f"a 640 x 480 VP8 or VP9 video: {stream}")
    times = sorted(float(packet["pts_time"]) for packet in found["packets"])
    check(len(times) >= 10 and abs(times[-1] - VIDEO_SECONDS) < 0.5,
          f"{VIDEO_SECONDS} s of moving frames: {len(times)} frames, the last at {times[-1] if times else None} s")
    print(f"ok: the page's video holds {len(times)} frames from {times[0]:.2f} s to {times[-1]:.2f} s in {size} bytes")


def main():
    setup = page_test_setup("glimmer-browser-", screenshot=True)
    if not setup:
        return 77
    arguments, glimmer, work, downloads = setup
    server = driver = trap = None
    try:
        # What the page must match: glimmer's saver and its frame at the same step.
        subprocess.run(["convert", "-seed", "11", "-size", "720x480", "plasma:orange-teal", "holiday.jpg"],
                       cwd=work, check=True)
        with open(os.path.join(work, "notes.txt"), "w") as notes:
            notes.write("not a picture\n")
        made = run([glimmer, "make", "holiday.jpg", "-o", "expected.scr"], work)
        check(made.returncode == 0, made.stderr)
        summary = made.stdout.decode().strip().split(": a saver with ", 1)[1]
        frame = run([glimmer, "preview", "expected.scr", "--seed", str(SEED), "--frames", str(STOP_FRAME),
                     "-o", "expected.png"], work)
        check(frame.returncode == 0, frame.stderr)
        expected_rgb = subprocess.run(["convert", "expected.png", "-depth", "8", "rgb:-"], cwd=work,
                                      capture_output=True, check=True).stdout
        refused = run([glimmer, "make", "notes.txt", "-o", "refused.scr"], work)
        check(refused.returncode == 2, "glimmer refuses the text file")
        refusal = refused.stderr.decode().strip().split(": ", 1)[1]

        server, origin, served = start_server(glimmer, arguments.site)
        trap = Trap()
        network_log = os.path.join(work, "network.json")
        driver = start_browser(origin, trap, os.path.join(work, "profile"), downloads, network_log=network_log)
        driver.get(f"{origin}/?seed={SEED}&stop={STOP_FRAME}")
        root = "return document.documentElement.dataset"
        wait_for("the page to be ready", lambda: driver.execute_script(root + ".ready"))

        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "holiday.jpg"))
        wait_for("the saver to be made", lambda: driver.execute_script(root + ".made"))
        wait_for(f"frame {STOP_FRAME}", lambda: driver.execute_script(root + ".previewFrame") == str(STOP_FRAME))
        rgba = base64.b64decode(driver.execute_script(CANVAS_RGBA))
        check(len(rgba) == FRAME_PIXELS * 4, "the canvas is 640 x 480")
        shown_rgb = bytes(b for i, b in enumerate(rgba) if i % 4 != 3)
        check(shown_rgb == expected_rgb, f"the canvas shows glimmer preview's frame {STOP_FRAME}")
        check(driver.find_element("id", "summary").text == summary, "the page says what glimmer make says")
        if arguments.screenshot:
            driver.save_screenshot(arguments.screenshot)

        saved = downloaded(driver.find_element("id", "download"), downloads, "holiday.scr")
        with open(saved, "rb") as page_saver, open(os.path.join(work, "expected.scr"), "rb") as tool_saver:
            check(page_saver.read() == tool_saver.read(), "the downloaded saver is glimmer make's, byte for byte")
        check_saved_video(driver, downloads)

        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "notes.txt"))
        wait_for("the refusal", lambda: driver.execute_script(root + ".refused"))
        shown = driver.find_element("id", "refusal").text
        check(shown == refusal, f"the page refuses with glimmer's message: {shown!r}, not {refusal!r}")

        # A phone's width: nothing wider than the screen.
        driver.set_window_size(360, 740)
        width = driver.execute_script("return [document.documentElement.scrollWidth, window.innerWidth]")
        check(width[0] <= width[1], f"the page fits 360 pixels: {width}")

        driver.get(f"{origin}/link")
        wait_for("/link to land on the maker", lambda: driver.current_url == f"{origin}/" and
                 driver.execute_script(root + ".ready"))

        # What the page asked for (the performance log), and what it and its
        # worker asked for (the network log, once the browser has quit).
        asked = []
        wasm_type = None
        for entry in driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.requestWillBeSent":
                asked.append(message["params"]["request"]["url"])
            if message["method"] == "Network.responseReceived" and \
                    message["params"]["response"]["url"].endswith("/player.wasm"):
                wasm_type = message["params"]["response"]["mimeType"]
        check(wasm_type == "application/wasm", f"the module is served as application/wasm, not {wasm_type}")
        problems = [entry["message"] for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
        check(not problems, f"the console has errors: {problems}")
        driver.quit()
        driver = None
        requested = requests_of(origin, network_log)
        check(any(url.endswith("/saver.exe") for url in requested), "the network log holds the worker's requests")
        strangers = [url for url in asked + requested
                     if not url.startswith((origin + "/", "blob:" + origin + "/", "data:", "chrome://"))]
        check(not strangers, f"requests left the origin: {strangers}")
        check(any(line.startswith("GET /saver.exe 200") for line in served), "glimmer serve served the worker")
        print(f"ok: the page and its worker made {len(requested)} requests, all to {origin}; "
              f"the browser's own {len(trap.requests)} went to the trap")
        return 0
    finally:
        if end_session(driver, trap, server, work) != 0:
            print("glimmer serve did not end with status 0 on SIGTERM", file=sys.stderr)
            sys.exit(1)


if __name__ == "__main__":
    sys.exit(main())
