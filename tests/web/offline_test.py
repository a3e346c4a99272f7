#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The page as a visitor on a slow network and then on none: Debian's
Chromium, headless, driven through Selenium, against `glimmer serve`.

- On DevTools' "Slow 4G", from a cold cache, a picture chosen as soon as the
  page takes one (before its maker has loaded) gives glimmer make's saver,
  byte for byte; the same file chosen again is made again; of two pictures
  given quickly the last one wins.
- The page's player module comes compressed, the manifest is valid and the
  app installable, and the service worker controls the page after a reload.
- With the server stopped after that visit, the page opens, makes a saver,
  plays it and downloads it; the picture link says that it cannot load.
- A refusal leaves no saver playing beside it; a cut-short saver says it
  is damaged where the status shows, and the options, which cannot apply to
  it, are off; when full screen ends the focus is back on its button.

    offline_test.py SOURCE_TREE SITE GLIMMER

Ends with status 77 (skipped) when GLIMMER is not built."""
import json
import os
import shutil
import subprocess
import sys

from browser_session import (Trap, check, downloaded, end_session, page_test_setup, start_browser, start_server,
                             stop_server, wait_for)

ROOT = "return document.documentElement.dataset"
SLOW_4G = {"offline": False, "latency": 150, "downloadThroughput": 1.6e6 / 8, "uploadThroughput": 750e3 / 8}


def make_expected(glimmer, work, picture):
    saver = os.path.splitext(picture)[0] + ".expected"
    made = subprocess.run([glimmer, "make", picture, "-o", saver], cwd=work, capture_output=True, check=False)
    check(made.returncode == 0, made.stderr)
    with open(os.path.join(work, saver), "rb") as file:
        return file.read()


def download(driver, downloads, name):
    """Clicks the page's download link; the saver's bytes."""
    with open(downloaded(driver.find_element("id", "download"), downloads, name), "rb") as file:
        return file.read()


def made_again(driver):
    driver.execute_script("delete document.documentElement.dataset.made")


def main():
    setup = page_test_setup("glimmer-offline-")
    if not setup:
        return 77
    arguments, glimmer, work, downloads = setup
    server = driver = trap = None
    try:
        subprocess.run(["convert", "-seed", "7", "-size", "1000x1000", "plasma:navy-gold", "early.jpg"],
                       cwd=work, check=True)
        shutil.copy(os.path.join(work, "early.jpg"), os.path.join(work, "offline.jpg"))
        subprocess.run(["convert", "-seed", "8", "-size", "300x200", "plasma:red-green", "last.png"], cwd=work,
                       check=True)
        with open(os.path.join(work, "notes.txt"), "w") as notes:
            notes.write("not a picture\n")
        expected = {name: make_expected(glimmer, work, name) for name in ("early.jpg", "offline.jpg", "last.png")}
        with open(os.path.join(work, "cut.scr"), "wb") as cut:
            cut.write(expected["early.jpg"][:len(expected["early.jpg"]) - 4000])

        server, origin, _ = start_server(glimmer, arguments.site)
        trap = Trap()
        driver = start_browser(origin, trap, os.path.join(work, "profile"), downloads, width=1366, height=768)
        driver.execute_cdp_cmd("Network.enable", {})
        driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
        driver.execute_cdp_cmd("Network.emulateNetworkConditions", SLOW_4G)

        # A picture given as soon as the page takes one.
        driver.get(f"{origin}/")
        wait_for("the page to take pictures", lambda: driver.execute_script(ROOT + ".taking"))
        early = not driver.execute_script(ROOT + ".ready")
        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "early.jpg"))
        check(early, "the maker was still loading when the picture was given")
        wait_for("the early picture's saver", lambda: driver.execute_script(ROOT + ".made"), seconds=120)
        check(download(driver, downloads, "early.scr") == expected["early.jpg"],
              "the early picture's saver is glimmer make's, byte for byte")
        # The result came into view: the download link has the focus.
        check(driver.execute_script("return document.activeElement.id") == "download",
              "the focus moved to the download")
        made_again(driver)
        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "early.jpg"))
        wait_for("the same file made again", lambda: driver.execute_script(ROOT + ".made"))
        # Two pictures given quickly: the last one wins.
        made_again(driver)
        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "early.jpg"))
        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "last.png"))
        wait_for("the last picture's saver", lambda: driver.execute_script(ROOT + ".made"))
        check(download(driver, downloads, "last.scr") == expected["last.png"], "the last picture given wins")
        driver.execute_cdp_cmd("Network.emulateNetworkConditions",
                               {"offline": False, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
        driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": False})

        # A refusal clears the saver it replaces.
        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "notes.txt"))
        wait_for("the refusal", lambda: driver.execute_script(ROOT + ".refused"))
        check(driver.find_element("id", "fullscreen").get_attribute("disabled") is not None,
              "Full screen is off beside a refusal")
        check(not driver.find_element("id", "inspect").is_displayed(), "no header table beside a refusal")
        check(not driver.find_element("id", "result").is_displayed(), "no download beside a refusal")

        # A damaged saver says so, and the options cannot apply to it.
        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "cut.scr"))
        wait_for("the damage said", lambda: "is damaged" in driver.find_element("id", "refusal").text)
        check(driver.find_element("id", "fit").get_attribute("disabled") is not None, "the fit is off for a saver")
        check(driver.find_element("id", "options-note").is_displayed(), "the page says why the options are off")
        driver.find_element("id", "fullscreen").click()
        wait_for("full screen", lambda: driver.execute_script("return document.fullscreenElement !== null"))
        driver.find_element("tag name", "body").send_keys("a")
        wait_for("the focus back on Full screen", lambda: driver.execute_script(
            "return !document.fullscreenElement && document.activeElement.id === 'fullscreen'"), seconds=10)

        # Compressed transfer of the player, as the page loaded it.
        encodings = {}
        for entry in driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.responseReceived":
                response = message["params"]["response"]
                headers = {name.lower(): value for name, value in response["headers"].items()}
                encodings[response["url"].rsplit("/", 1)[-1]] = headers.get("content-encoding")
        check(encodings.get("player.wasm") == "br", f"player.wasm came as brotli: {encodings.get('player.wasm')}")
        check(encodings.get("page.mjs") == "br", f"page.mjs came as brotli: {encodings.get('page.mjs')}")

        # Installable, and kept by the service worker.
        manifest = driver.execute_cdp_cmd("Page.getAppManifest", {})
        check(not manifest.get("errors"), f"the manifest has errors: {manifest.get('errors')}")
        data = json.loads(manifest["data"])
        check(data["display"] == "standalone" and data["start_url"] == "./" and
              {icon["sizes"] for icon in data["icons"]} == {"192x192", "512x512"}, f"the manifest: {data}")
        wait_for("the service worker", lambda: driver.execute_async_script(
            "navigator.serviceWorker.ready.then(() => arguments[0](true))"))
        driver.refresh()
        wait_for("the page to be ready again", lambda: driver.execute_script(ROOT + ".ready"))
        check(driver.execute_script("return navigator.serviceWorker.controller !== null"),
              "the service worker controls the page after a reload")
        installable = driver.execute_cdp_cmd("Page.getInstallabilityErrors", {})
        check(not installable.get("installabilityErrors"), f"not installable: {installable}")

        # No network: the server is gone.
        check(stop_server(server) == 0, "glimmer serve ends with status 0 on SIGTERM")
        server = None
        driver.refresh()
        wait_for("the page to be ready offline", lambda: driver.execute_script(ROOT + ".ready"))
        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "offline.jpg"))
        wait_for("the offline saver", lambda: driver.execute_script(ROOT + ".made"))
        check(driver.find_element("id", "fullscreen").get_attribute("disabled") is None, "the saver plays")
        check(download(driver, downloads, "offline.scr") == expected["offline.jpg"],
              "the offline saver is glimmer make's, byte for byte")
        print(f"ok: early picture on Slow 4G, installable, offline make and download from {origin}")
        return 0
    finally:
        end_session(driver, trap, server, work)


if __name__ == "__main__":
    sys.exit(main())
