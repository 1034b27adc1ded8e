#!/usr/bin/env python3
"""The demo page in headless Chromium: it shows the terminal's status, pays
against the simulator, shows the progress texts while the payment runs, then
the result and the receipt.

usage: browser_test.py ECR17_BRIDGE ECR17_SIM SCREENSHOT.png
Exit status 77 (skipped) when Chromium, its driver or Selenium is missing."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile

CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--window-size=900,1250"]

# Resolves once the condition (a JavaScript expression) holds, watching the
# page for changes instead of polling it; the value of Areport then.
WAIT_SCRIPT = """
const condition = new Function("return (" + arguments[0] + ");");
const report = new Function("return (" + arguments[1] + ");");
const done = arguments[arguments.length - 1];
if (condition()) { done(report()); return; }
const observer = new MutationObserver(() => {
  if (condition()) { observer.disconnect(); done(report()); }
});
observer.observe(document.body, { subtree: true, childList: true, characterData: true, attributes: true });
"""


class Program:
    """A program whose first line of output says where it listens."""

    def __init__(self, argv):
        self.process = subprocess.Popen(argv, stdout=subprocess.PIPE, text=True)
        self.start_line = self.process.stdout.readline().strip()
        self.port = int(self.start_line.rstrip("/").rsplit(":", 1)[1])

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        rest = self.process.stdout.read()
        return self.process.wait(), rest


def wait_for(driver, condition, report="true"):
    return driver.execute_async_script(WAIT_SCRIPT, condition, report)


def text(driver, element_id):
    return driver.execute_script(f"return document.getElementById('{element_id}').textContent;")


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 64
    bridge_path, sim_path, screenshot = sys.argv[1:]
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.common.by import By
    except ImportError:
        print("python3-selenium is not installed")
        return 77
    if not (os.path.exists(CHROMIUM) and os.path.exists(DRIVER)):
        print("chromium and chromium-driver are not installed")
        return 77

    work = tempfile.mkdtemp(prefix="ecr17-browser-")
    sim = Program([sim_path, "--port", "0", "--quiet", "--progress", "3", "--progress-delay", "300"])
    bridge = Program([bridge_path, "--terminal", f"127.0.0.1:{sim.port}", "--listen", "127.0.0.1:0",
                      "--token-file", os.path.join(work, "token")])
    with open(os.path.join(work, "token")) as f:
        token = f.read().strip()
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in FLAGS + [f"--user-data-dir={os.path.join(work, 'profile')}"]:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    failures = []

    def check(what, actual, expected):
        if actual != expected:
            failures.append(f"{what}: {actual!r}, expected {expected!r}")

    try:
        driver.set_script_timeout(30)
        driver.get(f"http://127.0.0.1:{bridge.port}/")
        check("title", driver.title, "ecr17-bridge")
        status = wait_for(driver, "document.getElementById('status').textContent.includes('termID')",
                          "document.getElementById('status').textContent")
        check("status shows the terminal id", '"termID": "SIM00001"' in status, True)

        driver.find_element(By.ID, "token").send_keys(token)
        driver.find_element(By.ID, "amount").clear()
        driver.find_element(By.ID, "amount").send_keys("12.34")
        driver.find_element(By.ID, "pay").click()
        # The first progress text is on the page while the payment still runs.
        state_at_first_text = wait_for(driver, "document.querySelectorAll('#progress li').length >= 1",
                                       "document.getElementById('state').textContent")
        check("state while the first progress text shows", state_at_first_text, "Payment running...")
        wait_for(driver, "document.getElementById('state').textContent === 'Payment done'")
        progress = driver.execute_script(
            "return [...document.querySelectorAll('#progress li')].map(li => li.textContent);")
        check("progress texts", progress, ["PROGRESS 1", "PROGRESS 2", "PROGRESS 3"])
        check("result code shown", '"result": "00"' in text(driver, "result"), True)
        check("receipt shown", "AMOUNT EUR 12.34" in text(driver, "receipt"), True)
        driver.save_screenshot(screenshot)
    finally:
        driver.quit()
        bridge_status, bridge_rest = bridge.stop()
        sim.stop()
        shutil.rmtree(work, ignore_errors=True)
    check("bridge exit status", bridge_status, 0)
    check("bridge last line", bridge_rest.strip(), "ecr17-bridge stopped")
    for failure in failures:
        print("FAILED:", failure)
    print("browser test passed" if not failures else "browser test failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
