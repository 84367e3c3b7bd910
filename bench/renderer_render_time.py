#!/usr/bin/python3
"""Render time of the web renderer for a real document of about 1 MB in headless Chromium.

Measured inside the page: from the "document" message to the end of the layout it causes, median
of several runs, for the first render and for a re-render with one changed line (as after an edit).
A developer benchmark, not a test.

Usage: renderer_render_time.py BUILD_DIR [DOCUMENT]
"""
import os
import statistics
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

build = os.path.abspath(sys.argv[1])
document = sys.argv[2] if len(sys.argv) > 2 else "/usr/share/doc/nodejs/changelogs/CHANGELOG_V12.md"
with open(document, encoding="utf-8") as file:
    text = file.read()

profile = tempfile.TemporaryDirectory()
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--no-first-run",
                 "--user-data-dir=" + profile.name, "--host-resolver-rules=MAP * ~NOTFOUND"):
    options.add_argument(argument)
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def measure_page(hosted):
    """Times in ms per kind of run; hosted: with a stand-in for the web view's message channel,
    as in the program (a long document is laid out near the view only), else as a standalone
    page (laid out whole)."""
    driver.get("about:blank")
    if hosted:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": channel})
    driver.get("file://" + os.path.join(build, "renderer", "index.html"))
    measure = """
      const started = performance.now();
      Tavrel.receive({type: "document", text: arguments[0], mode: arguments[1], session: "b"});
      document.body.offsetHeight;
      return performance.now() - started;"""
    runs = {"first render": [], "re-render after a one-line edit": []}
    for i in range(5):
        driver.execute_script("Tavrel.receive({type: 'document', text: '', session: 'b'})")
        runs["first render"].append(driver.execute_script(measure, text, "preview"))
        edited = text.replace("\n", f"\nedit {i}\n", 1)
        runs["re-render after a one-line edit"].append(driver.execute_script(measure, edited, "preview"))
    return runs


channel = "window.chrome.webview = {postMessage() {}, addEventListener() {}};"
try:
    size = len(text.encode("utf-8"))
    print(f"app.js: {os.path.getsize(os.path.join(build, 'renderer', 'app.js'))} bytes")
    print(f"document: {document}, {size} bytes")
    # The stand-in channel stays for every later load: the standalone page is measured first.
    for hosted, where in ((False, "standalone page"), (True, "program's view")):
        for name, times in measure_page(hosted).items():
            print(f"{where}, {name}: median {statistics.median(times):.0f} ms "
                  f"(min {min(times):.0f}, max {max(times):.0f})")
finally:
    driver.quit()
