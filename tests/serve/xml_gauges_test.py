#!/usr/bin/python3
"""Another author's XML gauge on the live page: a cabinet made here with gcab, found in a
--gauges folder, listed as a gauge with its tooltip and cursor, clicked over the page's
HTTP API and then with a real mouse in headless Chromium, each time tuning the COM1 that
the module's Old_COM1 shows; the findings name it as no placeholder.

    xml_gauges_test.py PANELHOST [AIRCRAFT_DIR]

The browser half is skipped (with a line saying so) where Chromium, its driver or
selenium are missing. With AIRCRAFT_DIR holding the real c172ii, its throttle knob (an XML
lever of another author) is also dragged over the API; skipped where it is absent."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request

import headless
import serve_process
import ws_client

WAIT_S = 20
COM1_TOKEN = 23

RADIO_XML = """<Gauge Name="radio">
  <Image Name="face.bmp"/>
  <Mouse>
    <Area Left="0" Top="0" Width="20" Height="20">
      <Cursor Type="UpArrow"/>
      <Tooltip>COM whole MHz up</Tooltip>
      <Click Event="COM_RADIO_WHOLE_INC"/>
    </Area>
  </Mouse>
</Gauge>
"""

PANEL = """[Window Titles]
Window00=Main

[Window00]
size_mm=400,200
visible=1
gauge00=Tarvolen_Instr!Old_COM1, 0, 0, 200
gauge01=Radios!radio, 200, 0, 100
"""


def bmp(width, height, rgb):
    stride = (width * 3 + 3) // 4 * 4
    row = bytes([rgb & 0xFF, rgb >> 8 & 0xFF, rgb >> 16]) * width + b"\0" * (stride - width * 3)
    pixels = row * height
    head = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    return head + info + pixels


def make_cabinet(folder, gauges, radio_xml):
    """Radios.cab in gauges, made from radio_xml and a face in folder/cab."""
    files = os.path.join(folder, "cab")
    os.makedirs(files, exist_ok=True)
    with open(os.path.join(files, "radio.xml"), "w") as out:
        out.write(radio_xml)
    with open(os.path.join(files, "face.bmp"), "wb") as out:
        out.write(bmp(100, 100, 0x404040))
    # Made beside it and renamed over it, as an editor's save does.
    made = os.path.join(gauges, "Radios.cab.new")
    subprocess.run(["gcab", "-c", "-z", made, "radio.xml", "face.bmp"], cwd=files, check=True,
                   stdout=subprocess.DEVNULL)
    os.replace(made, os.path.join(gauges, "Radios.cab"))


def make_aircraft(folder):
    """The panel.cfg, and Radios.cab in folder/gauges; returns (panel, gauges folder)."""
    gauges = os.path.join(folder, "gauges")
    os.makedirs(gauges)
    make_cabinet(folder, gauges, RADIO_XML)
    panel = os.path.join(folder, "panel.cfg")
    with open(panel, "w") as out:
        out.write(PANEL)
    return panel, gauges


def read_until(tab, wanted, what):
    """Messages of the tab's batches until wanted(message) is true; returns that one."""
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        for message in tab.read_batch():
            if wanted(message):
                return message
    raise AssertionError("timed out waiting for " + what)


def com1(message):
    return next(v["value"] for v in message["vars"] if v["token"] == COM1_TOKEN)


def mhz(bcd):
    """COM1's frequency from its four BCD digits after the leading 1 (0x1830: 118.30)."""
    return 100 + int("%04X" % bcd) / 100


def over_the_api(server):
    tab = ws_client.Tab(server.port)
    layout = read_until(tab, lambda m: m["type"] == "layout" and m["gauges"], "the layout")
    radio = next((g for g in layout["gauges"] if g.get("xml")), None)
    assert radio, "the XML gauge is no gauge of the page: %r" % layout["gauges"]
    assert radio["module"] == "Radios" and radio["key"] == "gauge01", radio
    assert radio["helps"] == [[0, 0, 20, 20, 0, "COM whole MHz up"]], radio["helps"]
    assert radio["spots"][0][6] == "n-resize", radio["spots"]
    assert not layout["others"], "no placeholder is left: %r" % layout["others"]
    before = com1(read_until(tab, lambda m: m["type"] == "vars", "the variables"))
    post(server, "gauge=%d&x=5&y=5" % radio["id"])
    after = com1(read_until(tab, lambda m: m["type"] == "vars" and com1(m) != before, "COM1 to change"))
    assert abs(mhz(after) - mhz(before) - 1) < 1e-9, "COM1 0x%X -> 0x%X: one MHz up" % (before, after)
    print("XML knob over the API: COM1 0x%X -> 0x%X" % (before, after))
    tab.close()
    return radio["id"]


def cabinet_saved(server, folder, gauges):
    """A cabinet saved again is read again, though the panel.cfg is as it was."""
    tab = ws_client.Tab(server.port)
    read_until(tab, lambda m: m["type"] == "layout" and m["gauges"], "the layout")
    make_cabinet(folder, gauges, RADIO_XML.replace("COM whole MHz up", "COM whole MHz up, saved"))

    def new_tooltip(message):
        if message["type"] != "layout":
            return False
        radio = next((g for g in message["gauges"] if g.get("xml")), None)
        return radio is not None and radio["helps"][0][5] == "COM whole MHz up, saved"

    read_until(tab, new_tooltip, "the saved cabinet's tooltip")
    print("a saved cabinet is read again")
    tab.close()


def in_the_browser(server, radio_id):
    why = headless.missing()
    if why:
        print("browser half skipped: " + why)
        return
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By

    driver = headless.browser()

    def page(expression):
        return headless.page(driver, expression)

    def wait_for(expression, what):
        headless.wait_for(driver, expression, what)

    try:
        driver.get(server.url)
        wait_for("livePage.connected && livePage.layout !== null && livePage.gauges[%d]" % radio_id, "the page")
        wait_for("Number(livePage.gauges[%d].dataset.v) > 0" % radio_id, "the XML gauge's picture")
        canvas = driver.find_element(By.CSS_SELECTOR, 'canvas.gauge[data-id="%d"]' % radio_id)
        box = driver.execute_script("return arguments[0].getBoundingClientRect().toJSON()", canvas)
        # (5, 5) of its 100-pixel face, from the canvas's centre in CSS pixels.
        dx, dy = int(5.5 * box["width"] / 100 - box["width"] / 2), int(5.5 * box["height"] / 100 - box["height"] / 2)
        ActionChains(driver).move_to_element_with_offset(canvas, dx, dy).perform()
        wait_for("livePage.gauges[%d].title === 'COM whole MHz up'" % radio_id, "the tooltip")
        assert page("livePage.gauges[%d].style.cursor" % radio_id) == "n-resize"
        token = "livePage.vars.find(v => v.token === %d).value" % COM1_TOKEN
        wait_for("livePage.vars.length > 0", "the variables")
        before = page(token)
        ActionChains(driver).move_to_element_with_offset(canvas, dx, dy).click().perform()
        wait_for("%s !== %d" % (token, before), "COM1 to change after the click")
        assert abs(mhz(page(token)) - mhz(before) - 1) < 1e-9, "COM1 0x%X -> 0x%X" % (before, page(token))
        print("XML knob in Chromium: tooltip and cursor shown, COM1 0x%X -> 0x%X" % (before, page(token)))
    finally:
        driver.quit()


def post(server, query):
    request = urllib.request.Request(server.url + "api/click?" + query, method="POST")
    with urllib.request.urlopen(request, timeout=WAIT_S) as answer:
        assert answer.status == 200, answer.status


def throttle(message):
    return next(v["value"] for v in message["vars"] if v["name"] == "throttle")


def real_throttle(panelhost, aircraft):
    cfg = os.path.join(aircraft, "c172ii", "panel.cfg")
    if not os.path.isfile(cfg):
        print("real aircraft half skipped: no c172ii in", aircraft)
        return
    server = serve_process.start(panelhost, [cfg])
    try:
        tab = ws_client.Tab(server.port)
        layout = read_until(tab, lambda m: m["type"] == "layout" and m["gauges"], "the layout")
        modules = {g["module"] for g in layout["others"]}
        assert modules <= {"172Things2", "fs9gps"}, "placeholders of modules that are there: %r" % modules
        knob = next(g for g in layout["gauges"] if g.get("xml") and g["name"] == "knob_throttle")
        before = throttle(read_until(tab, lambda m: m["type"] == "vars", "the variables"))
        post(server, "gauge=%d&x=50&y=10" % knob["id"])
        post(server, "gauge=%d&x=50&y=80&kind=drag" % knob["id"])
        post(server, "gauge=%d&x=50&y=80&kind=release" % knob["id"])
        after = throttle(read_until(tab, lambda m: m["type"] == "vars" and throttle(m) != before, "the throttle"))
        print("c172ii: %d XML gauges on the page; throttle dragged %.1f -> %.1f %%" %
              (sum(1 for g in layout["gauges"] if g.get("xml")), before, after))
        tab.close()
    finally:
        code, err = server.stop()
    assert code == 0, "serve exited %d: %s" % (code, err)


def main():
    panelhost = sys.argv[1]
    if not shutil.which("gcab"):
        print("skipped: gcab is not installed")
        sys.exit(77)
    with tempfile.TemporaryDirectory() as folder:
        panel, gauges = make_aircraft(folder)
        server = serve_process.start(panelhost, [panel, "--gauges", gauges])
        try:
            radio_id = over_the_api(server)
            in_the_browser(server, radio_id)
            cabinet_saved(server, folder, gauges)
            deadline = time.monotonic() + WAIT_S
            while time.monotonic() < deadline and not any("finding" in line for line in server.output):
                time.sleep(0.1)
            printed = "".join(server.output)
            assert "finding" in printed, "the findings were not printed: %r" % printed
            assert "placeholder" not in printed and "not found" not in printed, printed
        finally:
            code, err = server.stop()
        assert code == 0, "serve exited %d: %s" % (code, err)
    if len(sys.argv) > 2:
        real_throttle(panelhost, sys.argv[2])
    print("ok")


if __name__ == "__main__":
    main()
