#!/usr/bin/python3
"""The bridge's web page in a real browser: Debian's headless chromium driven
through chromedriver by python3-selenium, against rm740-bridge and two
rm740-sim projectors. Skips (status 77), saying why, where chromium cannot run.

Usage: web-browser-test.py BRIDGE SIMULATOR NODE_MODULES SCREENSHOT_DIR
"""
import atexit
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(why):
    print(f"SKIP: {why}")
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip("python3-selenium is not installed (test.sh installs it)")

bridge, simulator, modules, shots = sys.argv[1:5]
axe_path = os.path.join(modules, "axe-core", "axe.min.js")
for program in ("/usr/bin/chromium", "/usr/bin/chromedriver"):
    if not os.path.exists(program):
        skip(f"{program} is missing (test.sh installs chromium and chromium-driver)")
if not os.path.exists(axe_path):
    skip(f"axe-core is not in {modules} (test.sh installs it: npm install --prefix build/npm axe-core)")

work = tempfile.mkdtemp()
children = []


@atexit.register
def stop_children():
    """On every way out, a skip included: a child left holding ctest's
    output would keep the test running until its timeout."""
    for child in children:
        child.send_signal(signal.SIGTERM)
    for child in children:
        try:
            child.wait(10)
        except subprocess.TimeoutExpired:
            child.kill()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(what, condition, timeout=15):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if condition():
            return
        time.sleep(0.05)
    raise AssertionError(f"not within {timeout} s: {what}")


def start_simulator(name):
    link = os.path.join(work, name)
    log = open(os.path.join(work, name + ".log"), "wb")
    child = subprocess.Popen([simulator, "--link", link, "--warmup", "2", "--cooldown", "2"],
                             stdout=subprocess.DEVNULL, stderr=log)
    children.append(child)
    wait_for(f"{name}'s link", lambda: os.path.islink(link))
    return child, link


def frames(name, frame):
    """How often the simulator's log shows `frame` sent to it."""
    with open(os.path.join(work, name + ".log"), "rb") as log:
        return sum(1 for line in log if f"  {frame}[CR]  ->".encode() in line)


def row(driver, projector):
    return driver.find_element(By.ID, f"projector-{projector}")


# What a thumb needs of the page at the window's width: no sideways scroll,
# every control 44 x 44 px or more and clear of the next, each group's box
# no taller than its buttons, the selected projector's state in view with
# the page scrolled to its panel's end. A list of what is wrong.
THUMB_CHECK = """
const problems = [];
const width = document.documentElement.clientWidth;
if (document.documentElement.scrollWidth > width)
  problems.push(`scrolls sideways: ${document.documentElement.scrollWidth} px in ${width}`);
const boxes = [...document.querySelectorAll("button")].filter((b) => b.offsetParent)
  .map((b) => [b.id || b.textContent, b.getBoundingClientRect()]);
for (const [name, r] of boxes)
  if (r.width < 44 || r.height < 44) problems.push(`${name}: ${r.width} x ${r.height} px`);
for (let i = 0; i < boxes.length; ++i)
  for (let j = i + 1; j < boxes.length; ++j) {
    const [a, ra] = boxes[i], [b, rb] = boxes[j];
    const apart = Math.max(rb.left - ra.right, ra.left - rb.right, rb.top - ra.bottom, ra.top - rb.bottom);
    if (apart < 4) problems.push(`${a} and ${b} are ${apart} px apart`);
  }
for (const group of document.querySelectorAll("#groups fieldset")) {
  const bottom = Math.max(...[...group.querySelectorAll("button")].map((b) => b.getBoundingClientRect().bottom));
  const empty = group.getBoundingClientRect().bottom - bottom;
  if (empty > 16) problems.push(`${group.id}: ${empty} px empty below its buttons`);
}
window.scrollTo(0, document.body.scrollHeight);
const head = document.getElementById("panel-state").getBoundingClientRect();
if (head.top < 0 || head.bottom > window.innerHeight) problems.push(`the state is out of view at ${head.top} px`);
window.scrollTo(0, 0);
return problems;
"""


room101, link101 = start_simulator("room101")
room102, link102 = start_simulator("room102")
http = free_port()
config = os.path.join(work, "bridge.conf")
with open(config, "w") as f:
    f.write(f"[Room 101]\nport = {link101}\npjlink = {free_port()}\nhttp = 127.0.0.1:{http}\npoll-interval = 0.3\n"
            f"[Room 102]\nport = {link102}\npjlink = {free_port()}\npoll-interval = 0.3\nreply-timeout = 300\n")
bridge_log = open(os.path.join(work, "bridge.log"), "wb")
children.append(subprocess.Popen([bridge, "--config", config], stdout=subprocess.DEVNULL, stderr=bridge_log))
wait_for("the web page", lambda: b"the web page on" in open(os.path.join(work, "bridge.log"), "rb").read())

options = webdriver.ChromeOptions()
for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage", "--window-size=1280,900"):
    options.add_argument(argument)
try:
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
except Exception as error:  # no display, no sandbox, a broken install ...
    skip(f"chromium cannot run here: {str(error).splitlines()[0]}")

failed = False
try:
    driver.get(f"http://127.0.0.1:{http}/")
    wait = WebDriverWait(driver, 15)
    wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#projectors tbody tr")) == 2)
    names = [b.text for b in driver.find_elements(By.CSS_SELECTOR, "#projectors tbody tr td:first-child button")]
    assert names == ["Room 101", "Room 102"], names
    wait.until(lambda d: row(d, 0).get_attribute("data-power") == "standby")
    print("ok - the list shows both simulated projectors")

    row(driver, 0).find_element(By.TAG_NAME, "button").click()
    wait.until(lambda d: d.find_element(By.ID, "panel").is_displayed())
    driver.find_element(By.ID, "button-Command17").click()
    wait_for("C00 on the line", lambda: frames("room101", "C00") == 1)
    wait.until(lambda d: row(d, 0).get_attribute("data-power") == "warming up")
    wait.until(lambda d: row(d, 0).get_attribute("data-power") == "on")
    assert driver.execute_script("return performance.getEntriesByType('navigation').length") == 1
    print("ok - Power On reaches the projector; the page shows warming up, then on, without a reload")

    up = driver.find_element(By.ID, "button-Command5")  # Menu pointer up, C3C
    ActionChains(driver).click_and_hold(up).pause(1.0).release().perform()
    held = frames("room101", "C3C")
    time.sleep(0.5)
    after = frames("room101", "C3C")
    assert 7 <= held <= 13, f"{held} frames in a 1 s hold"
    assert after - held <= 1, f"{after - held} frames after the release"
    print(f"ok - an arrow held for 1 s sent {held} frames and stopped")

    driver.execute_script("window.scrollTo(0, 0)")
    driver.save_screenshot(os.path.join(shots, "web-desktop.png"))
    results = driver.execute_async_script(
        open(axe_path).read() + "\nconst done = arguments[arguments.length - 1];"
        "axe.run(document).then((r) => done(r.violations.map((v) => [v.id, v.impact, v.nodes.length])));")
    serious = [v for v in results if v[1] in ("serious", "critical")]
    assert not serious, f"axe: {serious}"
    print(f"ok - axe-core finds no serious violation ({len(results)} lesser)")

    down = driver.find_element(By.ID, "button-Command7")  # Menu pointer down, C3D
    ActionChains(driver).click_and_hold(down).pause(0.5).perform()
    driver.get("about:blank")  # the page goes away with the arrow held
    gone = frames("room101", "C3D")
    time.sleep(0.5)
    assert gone >= 3 and frames("room101", "C3D") - gone <= 1, (gone, frames("room101", "C3D"))
    print("ok - a held arrow stops when its page goes away")
    driver.get(f"http://127.0.0.1:{http}/")
    wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#projectors tbody tr")) == 2)

    room102.send_signal(signal.SIGTERM)
    wait.until(lambda d: row(d, 1).get_attribute("data-reachable") == "false")
    assert "Port lost" in row(driver, 1).text or "Not answering" in row(driver, 1).text, row(driver, 1).text
    print("ok - a stopped projector is marked: " + row(driver, 1).find_element(By.CLASS_NAME, "mark").text)

    # Which buttons are in effect is tst_bridgeparts'; here that the page shows it.
    row(driver, 0).find_element(By.TAG_NAME, "button").click()
    wait.until(lambda d: d.find_element(By.ID, "button-Command17").get_attribute("aria-pressed") == "true")
    print("ok - Power On shows pressed (aria-pressed) once in effect")

    for width in (375, 768, 1280):
        driver.set_window_size(width, 800)
        driver.execute_script("window.scrollTo(0, 0)")
        driver.save_screenshot(os.path.join(shots, f"web-{width}.png"))
        problems = driver.execute_script(THUMB_CHECK)
        assert not problems, f"at {width} px: {problems[:8]}"
        results = driver.execute_async_script(
            open(axe_path).read() + "\nconst done = arguments[arguments.length - 1];"
            "axe.run(document).then((r) => done(r.violations.map((v) => [v.id, v.impact, v.nodes.length])));")
        serious = [v for v in results if v[1] in ("serious", "critical")]
        assert not serious, f"axe at {width} px: {serious}"
        print(f"ok - at {width} px: no sideways scroll, every control 44 px and apart, no stretched group, "
              f"the state in view, axe-core clean")
except Exception:
    failed = True
    print(open(os.path.join(work, "bridge.log")).read())
    raise
finally:
    driver.quit()
sys.exit(1 if failed else 0)
