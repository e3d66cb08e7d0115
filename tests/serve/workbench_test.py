#!/usr/bin/python3
"""The panel designer's workbench in headless Chromium: the page fits 1280x900, 1024x768
and a 390x844 phone without a horizontal scroll bar (the example panel and a wide one);
a touch tap on a knob half clicks it and a touch hold repeats; a touch screen gets the
touch zoom by itself; the splitter shares the width with the side bar; in edit mode a drag of a
gauge by (30, 20) screen pixels changes exactly one line of the panel.cfg by the matching
units, and undo gives the file back byte for byte; a save from outside shows within a
second; a finding is listed with its line and, chosen, outlines its gauge.

    workbench_test.py PANELHOST EXAMPLE_PANEL WIDE_PANEL SHOTS_DIR [SERVE_ARG...]

Exits 77 (skipped) when Chromium, its driver or selenium are missing."""

import os
import re
import shutil
import sys
import tempfile
import time

import serve_process

import headless

if headless.missing():
    print("skipped: " + headless.missing())
    sys.exit(77)

from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402

from headless import browser, page, wait_for  # noqa: E402

SIZES = [(1280, 900), (1024, 768), (390, 844)]


def screen(driver, width, height):
    """The viewport at this size; a phone's is a mobile one, which reads the viewport meta."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})


def loaded(driver, url):
    driver.get(url)
    wait_for(driver, "livePage.connected && livePage.layout !== null", "the page")
    wait_for(driver, "Object.values(livePage.gauges).every(c => Number(c.dataset.v) > 0)", "every picture")


def overflow(driver, name, shots):
    for width, height in SIZES:
        screen(driver, width, height)
        time.sleep(0.4)  # the fit follows the resize
        sizes = page(driver, "[document.documentElement.scrollWidth, document.body.scrollWidth, innerWidth,"
                             " livePage.zoom]")
        shot = os.path.join(shots, "%s-%dx%d.png" % (name, width, height))
        driver.save_screenshot(shot)
        print("%s at %dx%d: page %d/%d px wide in a %d px viewport, zoom %.2f; %s" % (
            name, width, height, sizes[0], sizes[1], sizes[2], sizes[3], shot))
        assert sizes[0] <= sizes[2] and sizes[1] <= sizes[2], "%s overflows at %dx%d" % (name, width, height)


def spot_point(driver, name, want_repeat):
    """The centre of a click spot of the named gauge, in viewport pixels."""
    return page(driver, """(() => {
        const g = livePage.layout.gauges.find(g => g.name === %r);
        const s = g.spots.find(s => ((s[5] & 0x00200000) !== 0) === %s && s[2] > 4);
        const box = livePage.gauges[g.id].getBoundingClientRect();
        return {id: g.id, x: box.left + (s[0] + s[2] / 2) * box.width / g.fw,
                y: box.top + (s[1] + s[3] / 2) * box.height / g.fh, w: s[2] * box.width / g.fw};
    })()""" % (name, "true" if want_repeat else "false"))


def touch(driver, kind, x, y):
    points = [] if kind == "touchEnd" else [{"x": x, "y": y}]
    driver.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})


def touch_tests(driver, url):
    screen(driver, 1280, 900)
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 1})
    loaded(driver, url + "#zoom=touch")
    knob = spot_point(driver, "Old_COM1", True)
    assert knob["w"] >= 40, "a knob half is %.0f px wide at the touch zoom" % knob["w"]
    driver.execute_script("arguments[0].scrollIntoView({block: 'center', inline: 'center'})",
                          driver.find_element(By.CSS_SELECTOR, 'canvas.gauge[data-id="%d"]' % knob["id"]))
    knob = spot_point(driver, "Old_COM1", True)
    inputs = page(driver, "livePage.inputs.length")
    touch(driver, "touchStart", knob["x"], knob["y"])
    touch(driver, "touchEnd", 0, 0)
    wait_for(driver, "livePage.inputs.length === %d" % (inputs + 1), "the tap's one click")
    time.sleep(0.6)
    assert page(driver, "livePage.inputs.length") == inputs + 1, "a tap is one click"
    print("touch tap on COM1's knob half (%.0f px wide): one click" % knob["w"])
    before = page(driver, "livePage.inputs.length")
    touch(driver, "touchStart", knob["x"], knob["y"])
    time.sleep(1.2)
    touch(driver, "touchEnd", 0, 0)
    held = page(driver, "livePage.inputs.length") - before
    assert held >= 4, "a touch hold of 1.2 s repeats: %d clicks" % held
    print("touch hold of 1.2 s on the knob: %d clicks" % held)
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": False})


def touch_zoom_tests(driver, url):
    """Without a zoom in the address, a coarse pointer, or the first touch, brings the touch zoom."""
    screen(driver, 1280, 900)
    loaded(driver, url)
    fit = page(driver, "livePage.zoom")
    assert not page(driver, "matchMedia('(pointer: coarse)').matches")
    box = page(driver, "document.getElementById('panel-box').getBoundingClientRect().toJSON()")
    touch(driver, "touchStart", box["left"] + 3, box["top"] + 3)
    touch(driver, "touchEnd", 0, 0)
    wait_for(driver, "livePage.touchSeen && document.getElementById('zoom-touch').classList.contains('on')",
             "the touch zoom after the first touch")
    knob = spot_point(driver, "Old_COM1", True)
    assert knob["w"] >= 40, "a knob half is %.0f px wide after the first touch" % knob["w"]
    print("first touch: zoom %.2f -> %.2f, a knob half %.0f px wide" % (fit, page(driver, "livePage.zoom"), knob["w"]))
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 1})
    loaded(driver, url)
    coarse = page(driver, "matchMedia('(pointer: coarse)').matches")
    if coarse:
        knob = spot_point(driver, "Old_COM1", True)
        assert knob["w"] >= 40, "a knob half is %.0f px wide on a touch screen" % knob["w"]
        print("a coarse pointer: the touch zoom from the start, a knob half %.0f px wide" % knob["w"])
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": False})
    assert coarse, "touch emulation gave no coarse pointer"


def splitter_tests(driver, url):
    """The splitter shares the width between the panel and the side bar; the address keeps it."""
    screen(driver, 1280, 900)
    loaded(driver, url + "#zoom=fit")
    width = lambda: page(driver, "document.querySelector('aside').getBoundingClientRect().width")
    panel_width = lambda: page(driver, "document.getElementById('panel-box').getBoundingClientRect().width")
    before, panel_before = width(), panel_width()
    splitter = driver.find_element(By.ID, "splitter")
    ActionChains(driver).click_and_hold(splitter).move_by_offset(-150, 0).release().perform()
    wait_for(driver, "/sidew=/.test(location.hash)", "the side bar's width in the address")
    assert abs(width() - (before + 150)) <= 2, "the side bar is %.0f px after a drag of 150 from %.0f" % (
        width(), before)
    assert abs(panel_width() - (panel_before - 150)) <= 2, "the panel's box is %.0f px" % panel_width()
    driver.refresh()
    wait_for(driver, "livePage.connected && livePage.layout !== null", "the page again")
    assert abs(width() - (before + 150)) <= 2, "a reload keeps the width: %.0f" % width()
    splitter = driver.find_element(By.ID, "splitter")
    splitter.send_keys("\ue014")  # the right arrow: the side bar narrower
    wait_for(driver, "Math.abs(document.querySelector('aside').getBoundingClientRect().width - %f) <= 2" % (
        before + 130), "the arrow key's step")
    sizes = page(driver, "[document.documentElement.scrollWidth, innerWidth]")
    assert sizes[0] <= sizes[1], "the page overflows with a wide side bar"
    # Never wider than leaves the panel a third of the page.
    left = page(driver, "document.getElementById('splitter').getBoundingClientRect().left")
    ActionChains(driver).click_and_hold(splitter).move_by_offset(-int(left) + 10, 0).release().perform()
    time.sleep(0.3)
    assert width() <= 1280 * 2 / 3, "the side bar took %.0f px of 1280" % width()
    driver.save_screenshot(os.path.join(SHOTS, "splitter-1280x900.png"))
    screen(driver, 390, 844)
    time.sleep(0.3)
    assert not page(driver, "document.getElementById('splitter').offsetWidth"), "a splitter on a phone"
    print("splitter: side bar %.0f -> %.0f px by a drag, kept over a reload, 20 px by an arrow key" % (
        before, before + 150))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def edit_tests(driver, url, panel_path):
    original = read(panel_path)
    screen(driver, 1280, 900)
    loaded(driver, url + "#zoom=1&edit=1")
    wait_for(driver, "livePage.file !== null", "the file's version")
    name = "VOR1_Indicator"
    gauge = page(driver, "livePage.layout.gauges.find(g => g.name === %r)" % name)
    area = page(driver, "livePage.layout.open.find(a => a.ident === %d)" % gauge["window"])
    sx, sy = area["w"] / area["uw"], area["h"] / area["uh"]
    zoom = page(driver, "livePage.zoom")
    canvas = driver.find_element(By.CSS_SELECTOR, 'canvas.gauge[data-id="%d"]' % gauge["id"])
    version = page(driver, "livePage.file.version")
    ActionChains(driver).move_to_element(canvas).click_and_hold().move_by_offset(10, 5).move_by_offset(20, 15) \
        .release().perform()
    wait_for(driver, "livePage.file.version !== %r" % version, "the drag to be written")
    after = read(panel_path)
    before_lines, after_lines = original.split(b"\n"), after.split(b"\n")
    assert len(before_lines) == len(after_lines)
    changed = [i for i, (a, b) in enumerate(zip(before_lines, after_lines)) if a != b]
    assert len(changed) == 1, "one line changed, not %r" % changed
    old = [int(n) for n in re.findall(rb"-?\d+", before_lines[changed[0]].split(b",", 1)[1])[:2]]
    new = [int(n) for n in re.findall(rb"-?\d+", after_lines[changed[0]].split(b",", 1)[1])[:2]]
    want = [round(30 / zoom / sx), round(20 / zoom / sy)]
    assert [new[0] - old[0], new[1] - old[1]] == want, "moved by %r units, not %r" % (
        [new[0] - old[0], new[1] - old[1]], want)
    print("drag by (30, 20) px: line %d %s -> %s" % (changed[0] + 1, before_lines[changed[0]].decode(),
                                                      after_lines[changed[0]].decode()))
    wait_for(driver, "livePage.layout.gauges.find(g => g.name === %r).u[0] === %d" % (name, new[0]),
             "the page to show the moved gauge")
    driver.save_screenshot(os.path.join(SHOTS, "edit-drag.png"))
    version = page(driver, "livePage.file.version")
    driver.find_element(By.ID, "undo").click()
    wait_for(driver, "livePage.file.version !== %r" % version, "the undo")
    assert read(panel_path) == original, "undo restores the file byte for byte"
    print("undo: the file is byte for byte as before")

    # A save from outside: the page shows it within a second.
    text = original.decode("latin-1")
    moved = re.sub(r"(VOR1_Indicator,\s*)(\d+)", lambda m: m.group(1) + str(int(m.group(2)) + 40), text, 1)
    start = time.monotonic()
    with open(panel_path + ".tmp", "wb") as f:
        f.write(moved.encode("latin-1"))
    os.rename(panel_path + ".tmp", panel_path)
    wait_for(driver, "livePage.layout.gauges.find(g => g.name === %r).u[0] === %d" % (name, old[0] + 40),
             "the outside save on the page", timeout=1.0)
    print("outside save shown after %.0f ms" % ((time.monotonic() - start) * 1000))
    with open(panel_path, "wb") as f:
        f.write(original)


def finding_tests(driver, url):
    loaded(driver, url)
    wait_for(driver, "livePage.findings.some(f => f.gauge >= 0 && /reaches outside/.test(f.what))",
             "the finding of the gauge outside its window")
    index = page(driver, "livePage.findings.findIndex(f => /reaches outside/.test(f.what))")
    finding = page(driver, "livePage.findings[%d]" % index)
    row = driver.find_element(By.CSS_SELECTOR, '#findings li[data-index="%d"]' % index)
    assert re.search(r":%d: " % finding["line"], row.text), row.text
    row.click()
    wait_for(driver, "document.querySelectorAll('#panel .hl').length === 1", "the finding's highlight")
    print("finding listed and highlighted:", row.text)


def main():
    global SHOTS
    panelhost, example_panel, wide_panel, SHOTS = sys.argv[1:5]
    serve_args = sys.argv[5:]
    os.makedirs(SHOTS, exist_ok=True)
    work = tempfile.mkdtemp(prefix="workbench_")
    for name in os.listdir(os.path.dirname(example_panel)):
        if name.endswith((".cfg", ".bmp")):
            shutil.copy(os.path.join(os.path.dirname(example_panel), name), work)
    panel_path = os.path.join(work, "panel.cfg")
    outside = os.path.join(work, "outside.cfg")
    with open(outside, "wb") as f:
        f.write(re.sub(rb"(Airspeed_Kts,\s*)\d+", rb"\g<1>900", read(panel_path), 1))
    driver = browser()
    servers = []
    try:
        for name, path in (("example", example_panel), ("wide", wide_panel)):
            server = serve_process.start(panelhost, [path, *serve_args])
            servers.append(server)
            screen(driver, 1280, 900)
            loaded(driver, server.url)
            overflow(driver, name, SHOTS)
        touch_tests(driver, servers[0].url)
        touch_zoom_tests(driver, servers[0].url)
        splitter_tests(driver, servers[0].url)
        server = serve_process.start(panelhost, [panel_path, *serve_args])
        servers.append(server)
        edit_tests(driver, server.url, panel_path)
        server = serve_process.start(panelhost, [outside, *serve_args])
        servers.append(server)
        finding_tests(driver, server.url)
        driver.save_screenshot(os.path.join(SHOTS, "finding.png"))
    finally:
        driver.quit()
        for server in servers:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("workbench test passed")


if __name__ == "__main__":
    main()
