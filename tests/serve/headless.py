"""Headless Chromium for the browser tests of the live page: the driver started the same
way by every test, and waits on the page's own state (livePage, set by page.js)."""

import shutil

WAIT_S = 20


def missing():
    """Why a browser cannot be driven on this machine, or None when it can."""
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "python3-selenium is not installed"
    if not shutil.which("chromium") or not shutil.which("chromedriver"):
        return "chromium or chromium-driver is not installed"
    return None


def browser(width=1280, height=900):
    """Chromium without a screen, at this window size, that plays sound and keeps its
    timers running while it has no focus."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-proxy-server",
                 "--window-size=%d,%d" % (width, height), "--autoplay-policy=no-user-gesture-required",
                 "--disable-background-timer-throttling", "--disable-renderer-backgrounding"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def page(driver, expression):
    return driver.execute_script("return " + expression)


def wait_for(driver, expression, what, timeout=WAIT_S):
    """Until the page's expression is true; an AssertionError naming what never came."""
    from selenium.webdriver.support.ui import WebDriverWait

    try:
        WebDriverWait(driver, timeout, poll_frequency=0.05).until(lambda d: page(d, expression))
    except Exception:
        raise AssertionError("timed out waiting for " + what + " (" + expression + ")")
