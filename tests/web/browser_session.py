# SPDX-License-Identifier: GPL-3.0-or-later
"""What the browser test and the web benchmark share: glimmer serve on a
free port, and Debian's Chromium, headless, with as little of the browser's
own traffic as its switches allow, driven through Selenium (nothing is
downloaded). Every request for another origin goes to a trap that answers
none (the browser still checks for updates and accounts at start-up: those
never leave the machine), and the browser's network log tells which requests
the page and its worker made."""
import argparse
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time


class Trap:
    """A proxy that answers nothing and notes the first line of each request."""

    def __init__(self):
        self.requests = []
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(16)
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self.note, daemon=True).start()

    def note(self):
        while True:
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            with connection:
                connection.settimeout(2)
                try:
                    self.requests.append(connection.recv(4096).split(b"\r\n", 1)[0].decode(errors="replace"))
                except OSError:
                    pass

    def close(self):
        self.listener.close()


def start_server(glimmer, site):
    """glimmer serve on a free port of 127.0.0.1: the process, its origin, and
    the request lines it prints as they come."""
    server = subprocess.Popen([glimmer, "serve", "--port", "0", "--site", site],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    line = server.stdout.readline()
    match = re.search(r"http://127\.0\.0\.1:(\d+)/", line)
    if not match:
        server.kill()
        server.wait()
        raise AssertionError(f"glimmer serve did not say where it serves: {line!r}")
    served = []
    threading.Thread(target=lambda: served.extend(server.stdout), daemon=True).start()
    return server, f"http://127.0.0.1:{match.group(1)}", served


def stop_server(server):
    """Stops glimmer serve as a service manager would; its exit status."""
    server.send_signal(signal.SIGTERM)
    try:
        return server.wait(timeout=20)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()
        return None


def start_browser(origin, trap, profile, downloads=None, width=1100, height=1400, network_log=None):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    # The browser itself, not Debian's /usr/bin/chromium script, which turns
    # on remote extensions (and so their update checks) and Google's API keys.
    options.binary_location = "/usr/lib/chromium/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", f"--window-size={width},{height}",
                     # No traffic of the browser's own: updates, sync, safe browsing, metrics, translation.
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-default-apps", "--disable-domain-reliability", "--no-first-run",
                     "--disable-client-side-phishing-detection", "--safebrowsing-disable-auto-update",
                     "--metrics-recording-only", "--no-default-browser-check", "--password-store=basic",
                     "--disable-extensions", "--disable-component-extensions-with-background-pages",
                     "--no-pings", "--dns-prefetch-disable",
                     "--disable-features=Translate,OptimizationHints,MediaRouter,AutofillServerCommunication,"
                     "NetworkTimeServiceQuerying,CertificateTransparencyComponentUpdater",
                     # Only the origin is reached directly; all else goes to the trap.
                     f"--proxy-server=http://127.0.0.1:{trap.port}",
                     f"--proxy-bypass-list=<-loopback>;{origin.split('//')[1]}",
                     f"--user-data-dir={profile}"):
        options.add_argument(argument)
    if network_log:
        options.add_argument(f"--log-net-log={network_log}")
    # No preconnection to the search engine, no signing in.
    preferences = {"net.network_prediction_options": 2, "signin.allowed": False}
    if downloads:
        preferences.update({"download.default_directory": downloads, "download.prompt_for_download": False})
    options.add_experimental_option("prefs", preferences)
    options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    if downloads:
        driver.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    return driver


def wait_for(what, condition, seconds=90):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"waited {seconds} s for {what}")


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def page_test_setup(prefix, screenshot=False):
    """The arguments SOURCE_TREE SITE GLIMMER [--screenshot PNG] of a page
    test, glimmer's absolute path, a new work folder and a downloads folder in
    it; None when GLIMMER is not built."""
    parser = argparse.ArgumentParser()
    parser.add_argument("source")
    parser.add_argument("site")
    parser.add_argument("glimmer")
    if screenshot:
        parser.add_argument("--screenshot")
    arguments = parser.parse_args()
    if not os.access(arguments.glimmer, os.X_OK):
        print(f"{arguments.glimmer} is not there: build the native preset first")
        return None
    work = tempfile.mkdtemp(prefix=prefix)
    downloads = os.path.join(work, "downloads")
    os.makedirs(downloads)
    return arguments, os.path.abspath(arguments.glimmer), work, downloads


def downloaded(link, downloads, name):
    """Clicks the download `link`, which must be named after `name`; the
    downloaded file's path once the browser has finished it."""
    check(link.text == f"Download {name}", f"the download is named {name}: {link.text}")
    link.click()
    saved = os.path.join(downloads, name)
    wait_for(f"the download of {name}", lambda: os.path.exists(saved) and not any(
        entry.endswith(".crdownload") for entry in os.listdir(downloads)))
    return saved


def end_session(driver, trap, server, work):
    """Quits the browser, closes the trap, stops the server and removes the
    work folder; the server's exit status (0 when it was stopped before)."""
    if driver:
        driver.quit()
    if trap:
        trap.close()
    status = stop_server(server) if server else 0
    shutil.rmtree(work, ignore_errors=True)
    return status


def requests_of(origin, network_log):
    """The URLs that documents and workers of `origin` asked for, from the
    browser's network log (written out when the browser quits); the
    browser's own requests have no origin that asked."""
    with open(network_log) as log:
        text = log.read()
    try:
        events = json.loads(text)
    except json.JSONDecodeError:
        events = json.loads(text.rstrip().rstrip(",") + "]}")
    start_job = events["constants"]["logEventTypes"]["URL_REQUEST_START_JOB"]
    return [event["params"]["url"] for event in events["events"]
            if event["type"] == start_job and event.get("params", {}).get("initiator") == origin]
