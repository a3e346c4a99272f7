#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The tile's frame on the page, in Debian's Chromium: once a picture is given
the frame stands as the largest square in its centre; a mouse drag, the
wheel, the arrow keys, + and -, the turn button and the reset button move it
as the page's rules say; on a 360-pixel screen a finger drags it and two pinch it; and the
`glimmer make` command the page shows, run, gives the bytes of the page's
download.

    tile_chooser_test.py SOURCE_TREE SITE GLIMMER [--screenshot PNG]

Ends with status 77 (skipped) when GLIMMER is not built, or when it does not
yet take the tile's options (after the page's own checks have passed)."""
import argparse
import os
import shlex
import shutil
import subprocess
import sys
import tempfile

from browser_session import Trap, start_browser, start_server, stop_server, wait_for

PICTURE_WIDTH, PICTURE_HEIGHT = 720, 480
ROOT = "return document.documentElement.dataset"


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def crop(driver):
    text = driver.find_element("id", "chooser-frame").get_attribute("data-crop")
    return [int(value) for value in text.split(",")]


def scale(driver, width=PICTURE_WIDTH):
    """CSS pixels of the shown picture per picture pixel."""
    return driver.execute_script(
        "return parseFloat(document.getElementById('chooser-picture').style.width) / arguments[0]", width)


def settled_make(driver):
    """Waits for the make that follows a settled frame."""
    driver.execute_script("delete document.documentElement.dataset.made")
    wait_for("the make after the frame settled", lambda: driver.execute_script(ROOT + ".made"))


def touch(driver, kind, points):
    driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
        "type": kind, "touchPoints": [{"x": x, "y": y, "id": index} for index, (x, y) in enumerate(points)]})


def check_frame(driver, work, screenshot):
    from selenium.webdriver import ActionChains
    from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
    from selenium.webdriver.common.keys import Keys

    frame = driver.find_element("id", "chooser-frame")
    wait_for("the frame", lambda: frame.is_displayed())
    check(crop(driver) == [120, 0, 480, 480], f"the frame starts in the centre: {crop(driver)}")
    check(driver.find_element("id", "make-command").text == "glimmer make holiday.jpg -o holiday.scr",
          "the default choice needs no option")

    # A mouse drag: the frame follows the pointer, in picture pixels.
    shown = scale(driver)
    ActionChains(driver).move_to_element(frame).click_and_hold().move_by_offset(-30, 0).move_by_offset(-30, 0) \
        .release().perform()
    settled_make(driver)
    check(crop(driver) == [round(120 - 60 / shown), 0, 480, 480], f"dragged 60 CSS pixels left: {crop(driver)}")
    ActionChains(driver).move_to_element(frame).click_and_hold().move_by_offset(-300, 200).release().perform()
    settled_make(driver)
    check(crop(driver) == [0, 0, 480, 480], f"the frame stays inside the picture: {crop(driver)}")

    # The wheel zooms about the pointer (by e^(277/400), about 2), at the frame's centre here.
    # (Selenium aims at the middle of the part in view: all of the frame is.)
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", frame)
    ActionChains(driver).scroll_from_origin(ScrollOrigin.from_element(frame), 0, -277).perform()
    settled_make(driver)
    x, y, side = crop(driver)[:3]
    check(abs(side - 240) <= 1 and abs(x - 120) <= 1 and abs(y - 120) <= 1,
          f"the wheel halved the frame about its centre: {crop(driver)}")

    # The keyboard: arrows move by a 32nd of the side (Shift: a quarter), + and - zoom by 1.125.
    frame.send_keys(Keys.ARROW_RIGHT)
    frame.send_keys(Keys.ARROW_DOWN)
    moved = crop(driver)
    check(moved[:2] == [x + round(side / 32), y + round(side / 32)], f"arrow keys move it: {moved}")
    frame.send_keys("-")
    zoomed = crop(driver)
    check(zoomed[2] == round(side * 1.125), f"- widens the frame: {zoomed}")
    frame.send_keys(Keys.SHIFT + Keys.ARROW_LEFT)
    check(crop(driver)[0] == zoomed[0] - round(zoomed[2] / 4), f"Shift moves further: {crop(driver)}")
    frame.send_keys("+")
    settled_make(driver)
    keyed = crop(driver)
    check(keyed[2] == round(zoomed[2] / 1.125), f"+ narrows it again: {keyed}")

    # The buttons: turn (the frame starts again in the turned picture), seamless, reset.
    driver.find_element("id", "turn").click()
    settled_make(driver)
    check(crop(driver) == [0, 120, 480, 480], f"a quarter turn stands the picture up: {crop(driver)}")
    driver.find_element("id", "zoom-in").click()
    driver.find_element("id", "seamless").click()
    settled_make(driver)
    chosen = crop(driver)
    command = driver.find_element("id", "make-command").text
    check(command == f"glimmer make holiday.jpg -o holiday.scr --turn 90 --crop {','.join(map(str, chosen))} "
          "--seamless", f"the command says the choice: {command}")
    tile = driver.execute_script("const t = document.getElementById('tile'); return [t.naturalWidth, t.complete]")
    check(tile == [256, True], f"the tile is shown as made: {tile}")
    if screenshot:
        driver.find_element("id", "chooser").screenshot(screenshot)
    return command, chosen


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source")
    parser.add_argument("site")
    parser.add_argument("glimmer")
    parser.add_argument("--screenshot")
    arguments = parser.parse_args()
    if not os.access(arguments.glimmer, os.X_OK):
        print(f"{arguments.glimmer} is not there: build the native preset first")
        return 77
    glimmer = os.path.abspath(arguments.glimmer)
    work = tempfile.mkdtemp(prefix="glimmer-chooser-")
    downloads = os.path.join(work, "downloads")
    os.makedirs(downloads)
    server = driver = trap = None
    try:
        subprocess.run(["convert", "-seed", "12", "-size", f"{PICTURE_WIDTH}x{PICTURE_HEIGHT}",
                        "plasma:navy-gold", "holiday.jpg"], cwd=work, check=True)
        server, origin, _ = start_server(glimmer, arguments.site)
        trap = Trap()
        driver = start_browser(origin, trap, os.path.join(work, "profile"), downloads, width=900, height=1400)
        driver.get(f"{origin}/?seed=7&stop=2")
        wait_for("the page to be ready", lambda: driver.execute_script(ROOT + ".ready"))
        driver.find_element("id", "picture-file").send_keys(os.path.join(work, "holiday.jpg"))
        wait_for("the saver to be made", lambda: driver.execute_script(ROOT + ".made"))
        command, chosen = check_frame(driver, work, arguments.screenshot)

        # Reset brings back the default choice.
        driver.find_element("id", "reset-choice").click()
        settled_make(driver)
        check(crop(driver) == [120, 0, 480, 480] and not driver.find_element("id", "seamless").is_selected(),
              f"reset: {crop(driver)}")
        check(driver.find_element("id", "make-command").text == "glimmer make holiday.jpg -o holiday.scr",
              "reset: the default command")

        # A phone: the page fits, and a finger drags the frame.
        driver.set_window_size(360, 740)
        wait_for("the page to fit 360 pixels", lambda: driver.execute_script(
            "return document.documentElement.scrollWidth <= innerWidth"), seconds=10)
        frame = driver.find_element("id", "chooser-frame")
        driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", frame)
        box = driver.execute_script("const b = arguments[0].getBoundingClientRect(); return [b.x, b.y, b.width]",
                                    frame)
        shown = scale(driver)
        start = (box[0] + box[2] / 2, box[1] + box[2] / 2)
        touch(driver, "touchStart", [start])
        touch(driver, "touchMove", [(start[0] - 20, start[1])])
        touch(driver, "touchMove", [(start[0] - 40, start[1])])
        touch(driver, "touchEnd", [])
        settled_make(driver)
        check(abs(crop(driver)[0] - (120 - 40 / shown)) <= 1, f"a finger drags the frame: {crop(driver)}")
        # Two fingers spread to twice their distance: the frame halves about their middle.
        dragged = crop(driver)
        middle = (box[0] - 40 + box[2] / 2, box[1] + box[2] / 2)
        touch(driver, "touchStart", [(middle[0] - 20, middle[1]), (middle[0] + 20, middle[1])])
        touch(driver, "touchMove", [(middle[0] - 40, middle[1]), (middle[0] + 40, middle[1])])
        touch(driver, "touchEnd", [])
        settled_make(driver)
        pinched = crop(driver)
        check(pinched[2] == 240 and abs(pinched[0] - (dragged[0] + 120)) <= 1 and abs(pinched[1] - 120) <= 1,
              f"a pinch zooms in about its middle: {dragged} to {pinched}")
        print(f"ok: the frame moved and zoomed by mouse, wheel, keys, buttons, finger and pinch; chose {chosen}")

        # The command the page showed makes the page's saver.
        probe = subprocess.run([glimmer, "make", "holiday.jpg", "-o", "probe.scr", "--turn", "90"], cwd=work,
                               capture_output=True, text=True, check=False)
        if probe.returncode != 0 and "--turn" in probe.stderr:
            print(f"glimmer does not take the tile's options yet: {probe.stderr.strip()}")
            return 77
        driver.set_window_size(900, 1400)
        driver.find_element("id", "turn").click()
        driver.find_element("id", "zoom-in").click()
        driver.find_element("id", "seamless").click()
        settled_make(driver)
        command = driver.find_element("id", "make-command").text
        words = shlex.split(command)
        check(words[:2] == ["glimmer", "make"], command)
        made = subprocess.run([glimmer] + words[1:], cwd=work, capture_output=True, text=True, check=False)
        check(made.returncode == 0, f"{command}: {made.stderr}")
        link = driver.find_element("id", "download")
        driver.execute_script("arguments[0].click()", link)
        saved = os.path.join(downloads, "holiday.scr")
        wait_for("the download", lambda: os.path.exists(saved) and not any(
            name.endswith(".crdownload") for name in os.listdir(downloads)))
        with open(saved, "rb") as page_saver, open(os.path.join(work, "holiday.scr"), "rb") as tool_saver:
            check(page_saver.read() == tool_saver.read(), f"the download is the bytes of `{command}`")
        print(f"ok: `{command}` makes the page's download, byte for byte")
        return 0
    finally:
        if driver:
            driver.quit()
        if trap:
            trap.close()
        if server:
            stop_server(server)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
