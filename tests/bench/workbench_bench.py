#!/usr/bin/python3
"""What the live page costs a user in Chromium, for notes (never pass or fail):

  - click: from the pointer going down on COM1's MHz knob of the example panel to the
    first changed pixel of that gauge on the page (the page's own clock: the pointerdown
    handler's time and the time its canvas took the new picture), the median of N clicks,
    each click POSTed (as the page sent them before) and over the page's WebSocket;
  - reload: from a save of a panel.cfg (a gauge moved, written by rename as editors do)
    to the page showing the new layout with its pictures, the median of M saves.

    workbench_bench.py [--before OLD_PANELHOST] PANELHOST EXAMPLE_PANEL [RELOAD_PANEL] [CLICKS] [SAVES] [SERVE_ARG...]

RELOAD_PANEL defaults to EXAMPLE_PANEL; it is copied (with the files beside it) into a
scratch folder first, so the original is never written. With --before, every figure is
measured for OLD_PANELHOST as well, in the same run (in turn, so the load of the machine
weighs on both alike)."""

import os
import re
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "serve"))
import serve_process  # noqa: E402
from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-proxy-server", "--window-size=1400,1000",
                 "--disable-background-timer-throttling", "--disable-renderer-backgrounding"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def page(driver, expression):
    return driver.execute_script("return " + expression)


def wait_for(driver, expression, timeout=20):
    WebDriverWait(driver, timeout, poll_frequency=0.01).until(lambda d: page(d, expression))


def clicks(driver, url, count, over_socket):
    driver.get(url + "#zoom=1")
    wait_for(driver, "livePage.connected && livePage.socketInput && livePage.layout && "
                     "livePage.layout.gauges.some(g => g.name === 'Old_COM1')")
    if not over_socket:
        driver.execute_script("livePage.socketInput = false")  # each click a POST, as the page sent them before
    com1 = page(driver, "livePage.layout.gauges.find(g => g.name === 'Old_COM1')")
    canvas = driver.find_element(By.CSS_SELECTOR, 'canvas.gauge[data-id="%d"]' % com1["id"])
    wait_for(driver, "Number(livePage.gauges[%d].dataset.v) > 0" % com1["id"])

    def click_face(x, y):
        dx = (x + 0.5) * canvas.size["width"] / com1["fw"] - canvas.size["width"] / 2
        dy = (y + 0.5) * canvas.size["height"] / com1["fh"] - canvas.size["height"] / 2
        ActionChains(driver).move_to_element_with_offset(canvas, int(dx), int(dy)).click().perform()

    driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", canvas)
    time.sleep(0.5)
    click_face(20, 105)  # the power switch: COM1 is off as the panel loads
    wait_for(driver, "livePage.clicksHeard > 0")
    time.sleep(0.5)
    times = []
    for i in range(count):
        v = page(driver, "Number(livePage.gauges[%d].dataset.v)" % com1["id"])
        n = page(driver, "livePage.inputs.length")
        # The MHz knob's increasing half, then its decreasing half: 118 and 119 in turn,
        # never against the end of the band.
        click_face(105 if i % 2 == 0 else 90, 75)
        wait_for(driver, "Number(livePage.gauges[%d].dataset.v) > %d && livePage.inputs.length > %d" % (
            com1["id"], v, n))
        wait_for(driver, "livePage.paints.some(p => p.id === %d && p.v > %d)" % (com1["id"], v))
        times.append(page(driver, "livePage.paints.find(p => p.id === %d && p.v > %d).t - livePage.inputs[%d].t" % (
            com1["id"], v, n)))
        time.sleep(0.15)
    return times


def reloads(driver, panelhost, panel, count, serve_args):
    work = tempfile.mkdtemp(prefix="workbench_bench_")
    folder = os.path.dirname(os.path.abspath(panel))
    for name in os.listdir(folder):
        if os.path.isfile(os.path.join(folder, name)):
            shutil.copy(os.path.join(folder, name), work)
    path = os.path.join(work, os.path.basename(panel))
    server = serve_process.start(panelhost, [path, *serve_args])
    try:
        driver.get(server.url + "#zoom=fit")
        wait_for(driver, "livePage.connected && livePage.layout", 60)
        time.sleep(1.0)
        with open(path, "rb") as f:
            text = f.read()
        # The first gauge line of the file, moved right by one unit and back, in turn.
        found = re.search(rb"(?im)^(\s*gauge\d+\s*=[^,\r\n]*,\s*)(-?\d+)", text)
        times = []
        for i in range(count):
            x = int(found.group(2)) + (1 if i % 2 == 0 else 0)
            new = text[:found.start(2)] + str(x).encode() + text[found.end(2):]
            layout_v = page(driver, "livePage.layout.v")
            reloads_seen = page(driver, "livePage.reloads")
            start = time.monotonic()
            with open(path + ".new", "wb") as f:
                f.write(new)
            os.rename(path + ".new", path)
            wait_for(driver, "livePage.reloads > %d && livePage.layout.v > %d" % (reloads_seen, layout_v), 10)
            wait_for(driver, "Object.values(livePage.gauges).every(c => Number(c.dataset.v) > 0)", 10)
            times.append((time.monotonic() - start) * 1000)
            time.sleep(1.0)  # a designer's saves are seconds apart; the check of the last one ends
        return times
    finally:
        server.stop()
        shutil.rmtree(work, ignore_errors=True)


def measure(driver, label, panelhost, example, reload_panel, count, saves, serve_args):
    for over_socket in (False, True):
        server = serve_process.start(panelhost, [example, *serve_args])
        try:
            times = clicks(driver, server.url, count, over_socket)
        finally:
            server.stop()
        print("%sclick to first changed pixel, %s, %d clicks: median %.1f ms, min %.1f, max %.1f" % (
            label, "over the WebSocket" if over_socket else "POSTed", len(times), statistics.median(times), min(times),
            max(times)))
    times = reloads(driver, panelhost, reload_panel, saves, serve_args)
    print("%ssave to new pixels, %s, %d saves: median %.0f ms, min %.0f, max %.0f" % (
        label, reload_panel, len(times), statistics.median(times), min(times), max(times)))


def main():
    args = sys.argv[1:]
    before = None
    if args[:1] == ["--before"]:
        before, args = args[1], args[2:]
    panelhost, example = args[0:2]
    reload_panel = args[2] if len(args) > 2 else example
    count = int(args[3]) if len(args) > 3 else 30
    saves = int(args[4]) if len(args) > 4 else 10
    serve_args = args[5:]
    driver = browser()
    try:
        if before:
            measure(driver, "before: ", before, example, reload_panel, count, saves, serve_args)
        measure(driver, "after: " if before else "", panelhost, example, reload_panel, count, saves, serve_args)
    finally:
        driver.quit()


if __name__ == "__main__":
    main()
