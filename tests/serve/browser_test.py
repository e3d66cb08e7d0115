#!/usr/bin/python3
"""The live page in headless Chromium: open the radio stack with its toggle, turn the
COM1 knob and see its picture change in two tabs, switch to night, hear the click,
restart the server with a scenario and see the tab reconnect and the VOR needle move.

    browser_test.py PANELHOST TEST_PANEL EXAMPLE_PANEL EXAMPLE_SCENARIO SCREENSHOT.png [SERVE_ARG...]

SERVE_ARGs go to every serve (--module X.gau: the real module under Wine). Exits 77
(skipped) when Chromium, its driver or selenium are missing."""

import sys

import serve_process

import headless

if headless.missing():
    print("skipped: " + headless.missing())
    sys.exit(77)

from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import Select  # noqa: E402

from headless import page, wait_for  # noqa: E402


def browser():
    return headless.browser(1500, 1000)


def gauge_id(driver, name):
    found = page(driver, "livePage.layout.gauges.filter(g => g.name === %r).map(g => g.id)" % name)
    assert found, name + " is not on the page"
    return found[0]


def version(driver, gid):
    return page(driver, "Number(livePage.gauges[%d].dataset.v)" % gid)


def click_face(driver, name, x, y):
    """A real mouse click at pixel (x, y) of the gauge's face."""
    gid = gauge_id(driver, name)
    g = page(driver, "livePage.layout.gauges.find(g => g.id === %d)" % gid)
    img = driver.find_element(By.CSS_SELECTOR, 'canvas.gauge[data-id="%d"]' % gid)
    # Selenium's offsets are from the element's centre, in CSS pixels, at the page's zoom.
    box = driver.execute_script("return arguments[0].getBoundingClientRect().toJSON()", img)
    dx = (x + 0.5) * box["width"] / g["fw"] - box["width"] / 2
    dy = (y + 0.5) * box["height"] / g["fh"] - box["height"] / 2
    ActionChains(driver).move_to_element_with_offset(img, int(dx), int(dy)).click().perform()


def open_idents(driver):
    return page(driver, "livePage.layout.open.map(w => w.ident)")


def main():
    panelhost, test_panel, example_panel, example_scenario, screenshot = sys.argv[1:6]
    serve_args = sys.argv[6:]
    server = serve_process.start(panelhost, [test_panel, *serve_args])
    driver = browser()
    try:
        driver.get(server.url)
        wait_for(driver, "livePage.connected && livePage.layout !== null", "the first connection")
        assert len(open_idents(driver)) == 1, "the radio stack starts closed: %r" % open_idents(driver)

        # The toggle opens the radio stack.
        click_face(driver, "Radios_Toggle", 9, 9)
        wait_for(driver, "livePage.layout.open.length === 2", "the radio stack to open")
        wait_for(driver, "livePage.layout.gauges.some(g => g.name === 'Old_COM1')", "COM1 on the page")
        print("Radios_Toggle opened the radio stack: windows", open_idents(driver))
        # The new layout keeps the pictures of the gauges that did not change.
        wait_for(driver, "Object.values(livePage.gauges).every(c => Number(c.dataset.v) > 0)",
                 "every gauge to have its picture after the new layout")

        # COM1 on (its ON label), then its MHz knob: the picture's version goes up.
        com1 = gauge_id(driver, "Old_COM1")
        wait_for(driver, "Number(livePage.gauges[%d].dataset.v) > 0" % com1, "COM1's first picture")
        click_face(driver, "Old_COM1", 20, 105)
        wait_for(driver, "livePage.clicksHeard > 0", "the click of the ON switch")
        before = version(driver, com1)
        before_src = page(driver, "livePage.gauges[%d].toDataURL()" % com1)
        click_face(driver, "Old_COM1", 105, 75)
        wait_for(driver, "Number(livePage.gauges[%d].dataset.v) > %d" % (com1, before), "COM1's new picture")
        assert page(driver, "livePage.gauges[%d].toDataURL()" % com1) != before_src, "the picture itself changed"
        print("COM1 knob: picture version", before, "->", version(driver, com1))
        print("clicks heard", page(driver, "livePage.clicksHeard"), "played", page(driver, "livePage.clicksPlayed"))

        # A second tab shows the same panel and the changes made in the first.
        first = driver.current_window_handle
        driver.switch_to.new_window("tab")
        driver.get(server.url)
        wait_for(driver, "livePage.connected && livePage.layout !== null && livePage.layout.open.length === 2",
                 "the second tab")
        wait_for(driver, "Number(livePage.gauges[%d].dataset.v) === %d" % (com1, version_in(driver, first, com1)),
                 "the second tab to show COM1's picture")
        driver.switch_to.window(driver.window_handles[-1])
        shared = version(driver, com1)
        click_face(driver, "Old_COM1", 105, 75)
        wait_for(driver, "Number(livePage.gauges[%d].dataset.v) > %d" % (com1, shared), "the change in tab 2")
        driver.switch_to.window(first)
        wait_for(driver, "Number(livePage.gauges[%d].dataset.v) > %d" % (com1, shared), "the change in tab 1")
        print("two tabs: COM1 version", shared, "->", version(driver, com1), "in both")

        # Night: every picture is drawn again, dimmed.
        airspeed = gauge_id(driver, "Airspeed_Kts")
        day = version(driver, airspeed)
        driver.find_element(By.ID, "night").click()
        wait_for(driver, "livePage.state.night === true", "night")
        wait_for(driver, "Number(livePage.gauges[%d].dataset.v) > %d" % (airspeed, day), "the night picture")
        driver.find_element(By.ID, "night").click()
        wait_for(driver, "livePage.state.night === false", "day")
        print("night and back to day: airspeed version", day, "->", version(driver, airspeed))

        # The server restarts (with the example panel and its flight) on the same port.
        exit_code, stderr = server.stop()
        assert exit_code == 0, "serve exits 0 on SIGTERM, got %d: %s" % (exit_code, stderr)
        assert "gauges killed" in stderr, stderr
        wait_for(driver, "livePage.connected === false", "the tab to see the server gone")
        connects = page(driver, "livePage.connects")
        server = serve_process.start(panelhost, [example_panel, "--scenario", example_scenario, *serve_args],
                                     server.port)
        wait_for(driver, "livePage.connects > %d && livePage.connected" % connects, "the tab to reconnect")
        wait_for(driver, "livePage.layout.gauges.some(g => g.name === 'Old_XPDR')", "the example panel")
        print("restarted server: the tab reconnected and shows", len(page(driver, "livePage.layout.gauges")),
              "gauges")

        # The flight: play the scenario fast and watch the VOR needle's picture change.
        vor = gauge_id(driver, "VOR1_Indicator")
        Select(driver.find_element(By.ID, "speed")).select_by_visible_text("16")
        wait_for(driver, "livePage.state.speed === 16", "speed 16")
        driver.find_element(By.ID, "play").click()
        wait_for(driver, "livePage.state.playing === true", "the flight to play")
        start = version(driver, vor)
        wait_for(driver, "livePage.state.time > 20", "20 s of flight")
        wait_for(driver, "Number(livePage.gauges[%d].dataset.v) > %d" % (vor, start + 2), "the VOR needle to move")
        print("flight: %.1f s flown, VOR picture version %d -> %d" % (page(driver, "livePage.state.time"), start,
                                                                      version(driver, vor)))
        wait_for(driver, "livePage.state.scenario.done", "the scenario's end")
        driver.find_element(By.ID, "pause").click()
        wait_for(driver, "livePage.state.playing === false", "pause")
        driver.set_window_size(1500, 1250)
        driver.save_screenshot(screenshot)
        print("screenshot:", screenshot)
    finally:
        driver.quit()
        code, stderr = server.stop()
    assert code == 0, stderr
    print("browser test passed")


def version_in(driver, handle, gid):
    here = driver.current_window_handle
    driver.switch_to.window(handle)
    v = version(driver, gid)
    driver.switch_to.window(here)
    return v


if __name__ == "__main__":
    main()
