#!/usr/bin/python3
"""unity-sim's console in headless chromium: token login, seeded objects, a unityctl request in
the live journal, a fault added by form failing the next creation, markup in a name shown as text,
reset. Every wait is on a DOM condition. Needs chromium, chromium-driver, python3-selenium."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

TOKEN = "browser-test-token"
PASSWORD = "Password123!"
# innerHTML would run the handler of the image or the script; textContent shows them as text.
MARKUP_NAME = '<img src=x onerror="window.__xss=1"><script>window.__xss=2</script>'
WAIT_SECONDS = 60  # generous for a loaded 2-core machine; a passing run waits about a second

CHROMIUM_FLAGS = ("--headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                  "--disable-background-networking --disable-component-update --disable-sync "
                  "--disable-dev-shm-usage").split()


def start_simulator(path):
    sim = subprocess.Popen([path, "--port", "0", "--control-token", TOKEN],
                           stdout=subprocess.PIPE, text=True)
    info = {}
    for line in sim.stdout:
        key, _, value = line.strip().partition(" ")
        info[key] = value
        if key == "console":
            return sim, info
    raise RuntimeError("unity-sim ended before printing its console address")


def start_browser(profile, pin):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROMIUM_FLAGS:
        options.add_argument(flag)
    options.add_argument("--user-data-dir=" + profile)
    # Trust exactly the simulator's key: the SPKI hash is the pin unity-sim prints.
    options.add_argument("--ignore-certificate-errors-spki-list=" + pin.split("//", 1)[1])
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


class Console:
    def __init__(self, driver):
        self.driver = driver

    def wait(self, what, condition):
        try:
            return WebDriverWait(self.driver, WAIT_SECONDS).until(lambda d: condition())
        except Exception:
            print("console text while waiting for " + what + ":\n" +
                  self.driver.find_element(By.TAG_NAME, "body").text, file=sys.stderr)
            raise

    def rows(self, tbody):
        """The cells' textContent of every row, read in one step so a refresh cannot tear it."""
        return self.driver.execute_script(
            "return Array.from(document.querySelectorAll(arguments[0] + ' tr'))"
            ".map(tr => Array.from(tr.cells).map(td => td.textContent));", "#" + tbody)

    def text(self, element_id):
        return self.driver.execute_script(
            "return document.getElementById(arguments[0]).textContent;", element_id)

    def show_type(self, type_name):
        def click():
            try:
                self.driver.find_element(
                    By.CSS_SELECTOR, '#types button[data-type="%s"]' % type_name).click()
                return True
            except StaleElementReferenceException:  # the list was rebuilt under the click
                return False
        self.wait("the %s button" % type_name, click)
        self.wait("the %s objects" % type_name, lambda: self.driver.execute_script(
            "return document.querySelector('#types button.selected').dataset.type;") == type_name)

    def fill(self, element_id, value):
        field = self.driver.find_element(By.ID, element_id)
        field.clear()
        field.send_keys(str(value))

    def journal_has(self, method, path, status, fault=""):
        return any(r[2] == method and r[3].split("?")[0] == path and r[4] == str(status) and
                   r[5] == fault for r in self.rows("journal-body"))


def unityctl(args, info, *command):
    env = dict(os.environ, UNITY_PASSWORD=PASSWORD)
    env.pop("UNITY_LOG_FILE", None)
    array = info["url"][len("https://"):]
    return subprocess.run([args.unityctl, "-a", array, "-u", "admin", "--ca-file", info["ca-file"],
                           *command], env=env, capture_output=True, text=True, timeout=120)


def scenario(args, console, info):
    driver = console.driver
    driver.get(info["console"])
    console.fill("token", "wrong")
    driver.find_element(By.ID, "connect").click()
    console.wait("the refusal of a wrong token", lambda: "control token" in console.text("message"))

    console.fill("token", TOKEN)
    driver.find_element(By.ID, "connect").click()
    console.wait("connection", lambda: console.text("connection") == "connected")
    console.show_type("lun")
    console.wait("the seeded LUNs", lambda: ["sv_1", "Oracle_Data"] in
                 [r[:2] for r in console.rows("objects-body")])

    created = unityctl(args, info, "snap", "create", "-r", "sv_1", "-n", MARKUP_NAME)
    assert created.returncode == 0, created.stderr
    console.wait("the creation in the journal",
                 lambda: console.journal_has("POST", "/api/types/snap/instances", 201))
    console.show_type("snap")
    console.wait("the new snapshot, named as text",
                 lambda: MARKUP_NAME in [r[1] for r in console.rows("objects-body")])
    assert driver.execute_script("return window.__xss;") is None, "markup in a name ran"
    assert not driver.find_elements(By.CSS_SELECTOR, "main img, main script"), \
        "markup in a name became elements"

    Select(driver.find_element(By.ID, "fault-kind")).select_by_visible_text("error")
    Select(driver.find_element(By.ID, "fault-method")).select_by_visible_text("POST")
    for field, value in (("status", 409), ("code", 100666337), ("count", 1),
                         ("path", "/api/types/snap/instances"),
                         ("text", "The name is already in use by the browser test.")):
        console.fill("fault-" + field, value)
    driver.find_element(By.ID, "fault-add").click()
    console.wait("the pending fault", lambda: [r[0] for r in console.rows("faults-body")] == ["error"])

    failed = unityctl(args, info, "snap", "create", "-r", "sv_1", "-n", "second")
    assert failed.returncode == 1, (failed.returncode, failed.stdout, failed.stderr)
    assert "100666337" in failed.stderr and "by the browser test" in failed.stderr, failed.stderr
    console.wait("the failed creation in the journal",
                 lambda: console.journal_has("POST", "/api/types/snap/instances", 409, "status"))
    console.wait("the fault used up", lambda: console.rows("faults-body") == [])

    driver.find_element(By.ID, "reset").click()
    console.wait("the reset", lambda: console.text("message") == "Reset: done")
    console.wait("the seed's seven snapshots",
                 lambda: len(console.rows("objects-body")) == 7 and
                 MARKUP_NAME not in [r[1] for r in console.rows("objects-body")])
    console.wait("an empty journal", lambda: console.rows("journal-body") == [])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--unity-sim", required=True)
    parser.add_argument("--unityctl", required=True)
    args = parser.parse_args()

    started = time.monotonic()
    profile = tempfile.mkdtemp(prefix="unity-sim-browser-")
    sim, info = start_simulator(args.unity_sim)
    driver = None
    try:
        driver = start_browser(profile, info["pinned-key"])
        scenario(args, Console(driver), info)
    finally:
        if driver is not None:
            driver.quit()
        sim.terminate()
        sim.wait(timeout=30)
        shutil.rmtree(profile, ignore_errors=True)
    print("console test passed in %.1f s" % (time.monotonic() - started))


if __name__ == "__main__":
    main()
