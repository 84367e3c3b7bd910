#!/usr/bin/python3
"""The web renderer the build puts beside the program, driven in headless Chromium, offline.

The page is loaded from the build's "renderer" folder with a stand-in for the web view's message
channel that records what the page posts. Real documents come from /usr/share/doc; the program's
own heading ids, plain text and standalone pages come from tavrel_render_tool, which runs the
program's code.

Usage: renderer_page.py BUILD_DIR [unittest arguments]
"""
import collections
import gzip
import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else ""
RENDERER = os.path.join(BUILD, "renderer")
TOOL = os.path.join(BUILD, "tavrel_render_tool")
DOCUMENT_HOST = "https://document.tavrel.internal/"

# Documentation of packages the setup script installs.
REAL_DOCUMENTS = [
    "/usr/share/doc/nlohmann-json3-dev/README.md.gz",
    "/usr/share/doc/openssl/NEWS.md.gz",
    "/usr/share/doc/esbuild/CHANGELOG-2022.md.gz",
    "/usr/share/doc/fonts-noto-mono/FAQ.md.gz",
    "/usr/share/doc/apt/README.md.gz",
]

# The web view's message channel as the page sees it; what the page posts is kept in order.
CHANNEL = """
window.__posted = []; window.__violations = []; window.__listeners = [];
window.chrome = window.chrome || {};
window.chrome.webview = {
  postMessage(message) { window.__posted.push(JSON.parse(JSON.stringify(message))); },
  addEventListener(type, listener) { if (type === "message") window.__listeners.push(listener); },
  removeEventListener() {},
};
window.__send = (message) => window.__listeners.forEach((listener) => listener({ data: message }));
document.addEventListener("securitypolicyviolation", (e) => window.__violations.push(e.blockedURI));
"""

HOSTILE = (
    '</script><script>window.__ran = 1</script>\n\n<img src=x onerror="window.__ran = 2">\n\n'
    '<svg onload="window.__ran = 3"></svg> [x](javascript:window.__ran=4) '
    "<https://example.org/>\n\n"
)


def read_document(path):
    opener = gzip.open if path.endswith(".gz") else open
    with opener(path, "rb") as file:
        return file.read().decode("utf-8").replace("\r\n", "\n")


def tool(*args):
    return subprocess.run([TOOL, *args], check=True, capture_output=True).stdout


def words(text):
    return collections.Counter(re.findall(r"\w+", text.lower()))


def png(width, height, pixel):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    rows = b"".join(b"\0" + pixel * width for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


def png_colours(data):
    """The number of distinct byte values in a PNG's pixel rows (one for a blank picture)."""
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        if kind == b"IDAT":
            idat += data[at + 8:at + 8 + length]
        at += 12 + length
    width = struct.unpack(">I", data[16:20])[0]
    pixels = zlib.decompress(idat)
    stride = 1 + width * 4
    return len({b for row in range(0, len(pixels), stride) for b in pixels[row + 1:row + stride]})


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless", "--no-sandbox", "--disable-gpu",
                     "--disable-background-networking", "--disable-component-update",
                     "--no-first-run", "--user-data-dir=" + profile,
                     "--host-resolver-rules=MAP * ~NOTFOUND", "--window-size=1000,800"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


class BrowserCase(unittest.TestCase):
    """A browser and a folder for each class; pages get the stand-in of the message channel."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        cls.driver = start_browser(os.path.join(cls.work.name, "profile"))
        cls.driver.set_script_timeout(120)
        cls.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": CHANNEL})

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.work.cleanup()


class PageCase(BrowserCase):
    """The page loaded afresh for each test, and ways to drive it."""

    def setUp(self):
        self.driver.get("file://" + RENDERER + "/index.html")
        self.index_url = self.driver.current_url

    def tearDown(self):
        # Nothing the page loaded came from anywhere but its own folder and the document host.
        loaded = self.js("return performance.getEntriesByType('resource').map(e => e.name)")
        for name in loaded:
            self.assertTrue(name.startswith("file://" + RENDERER + "/")
                            or name.startswith(DOCUMENT_HOST), name)
        self.assertEqual(self.js("return window.__violations"), [])
        self.assertIsNone(self.js("return window.__ran"))
        for message in self.posted():
            self.assertIn(message["type"], ("ready", "change", "copy", "open", "shortcut"))
            if message["type"] == "change":
                self.assertEqual(set(message), {"type", "session", "text"})
                self.assertIsInstance(message["text"], str)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def posted(self):
        return self.js("return window.__posted")

    def send(self, message):
        self.js("window.__send(arguments[0])", message)

    def show(self, text, mode="preview", **members):
        message = {"type": "document", "text": text, "mode": mode, "session": "s1", "dark": False,
                   "vi": False, "css": ""}
        message.update(members)
        self.send(message)

    def changes(self):
        return [m for m in self.posted() if m["type"] == "change"]

    def wait_for_change(self, count):
        for _ in range(100):
            if len(self.changes()) >= count:
                return self.changes()[count - 1]
            time.sleep(0.05)
        self.fail("no change posted")

    def open_block(self, index):
        self.driver.find_element(By.CSS_SELECTOR, f'#preview [data-block="{index}"]').click()
        box = self.driver.switch_to.active_element
        self.assertEqual(box.tag_name, "textarea")
        return box

    def type_in_block(self, text, index=0, typed="TYPED", **members):
        self.show(text, mode="edit", **members)
        box = self.open_block(index)
        box.send_keys(Keys.END, typed)
        return box

    def box_is_open(self):
        return self.js("return document.querySelector('#preview textarea') !== null")

    def take_focus_away(self):
        """As the program's own toolbar or menu takes it: the page sees a blur, then the focus."""
        page = self.driver.current_window_handle
        self.driver.switch_to.new_window("tab")
        self.driver.close()
        self.driver.switch_to.window(page)


class Page(PageCase):
    def test_ready_once_then_a_document_renders(self):
        self.assertEqual(self.posted(), [{"type": "ready"}])
        self.show("# Title\n\n| a | b |\n|---|---|\n| 1 | ~~2~~ |\n\n- [x] done\n\n$x^2$ www.example.org\n")
        self.assertEqual(self.js("return document.querySelector('#preview h1').id"), "title")
        self.assertEqual(self.js("return document.querySelectorAll('#preview td s').length"), 1)
        self.assertTrue(self.js("return document.querySelector('#preview li input').checked"))
        self.assertEqual(self.js("return document.querySelector('#preview .math').textContent"), "x^2")
        self.assertEqual(self.js("return document.querySelector('#preview a').getAttribute('href')"),
                         "http://www.example.org")
        self.assertEqual(self.posted(), [{"type": "ready"}])

    def test_themes_then_the_users_styles(self):
        background = "return getComputedStyle(document.documentElement).backgroundColor"
        colour = "return getComputedStyle(document.querySelector('#preview p')).color"
        self.show("text\n")
        self.assertEqual((self.js(background), self.js(colour)), ("rgb(255, 255, 255)", "rgb(35, 47, 62)"))
        self.show("text\n", dark=True)
        self.assertEqual((self.js(background), self.js(colour)), ("rgb(23, 30, 40)", "rgb(224, 231, 240)"))
        self.show("text\n", dark=True, css="p { color: rgb(1, 2, 3) }")
        self.assertEqual(self.js(colour), "rgb(1, 2, 3)")
        self.show("text\n", mode="edit", vi=True)
        self.assertEqual(self.js("return document.querySelector('[data-block=\"-1\"]').textContent"),
                         "Nhấp vào đây để thêm nội dung")

    def test_heading_ids_equal_the_programs(self):
        for path in REAL_DOCUMENTS:
            with self.subTest(path):
                text = read_document(path)
                self.show(text)
                ids = self.js("return [...document.querySelectorAll('#preview :is(h1,h2,h3,h4,h5,h6)')]"
                              ".map(h => h.id)")
                with tempfile.NamedTemporaryFile("w", suffix=".md", encoding="utf-8") as file:
                    file.write(text)
                    file.flush()
                    expected = tool("ids", file.name).decode("utf-8").splitlines()
                self.assertGreater(len(expected), 3)
                self.assertEqual(ids, expected)

    def test_a_block_edit_changes_only_that_block(self):
        # (document, block, keys typed at the end of the box, how the box is left)
        edits = [
            (REAL_DOCUMENTS[0], 0, " edited", Keys.ESCAPE),
            (REAL_DOCUMENTS[0], 7, "\n\nA new paragraph.", Keys.CONTROL + Keys.ENTER),
            (REAL_DOCUMENTS[1], 3, " more", "click"),
            (REAL_DOCUMENTS[2], 12, Keys.BACKSPACE * 3, Keys.ESCAPE),
            (REAL_DOCUMENTS[3], 5, " é ✓", Keys.ESCAPE),
            (REAL_DOCUMENTS[4], -1, "The end.", Keys.ESCAPE),
        ]
        for count, (path, block, keys, leave) in enumerate(edits, 1):
            with self.subTest(path=path, block=block):
                text = read_document(path)
                self.show(text, mode="edit")
                box = self.open_block(block)
                before = box.get_attribute("value")
                box.send_keys(Keys.CONTROL, Keys.END)
                box.send_keys(keys)
                after = box.get_attribute("value")
                if leave == "click":
                    self.driver.find_element(By.CSS_SELECTOR, '#preview [data-block="0"]').click()
                else:
                    box.send_keys(leave)
                change = self.wait_for_change(count)
                self.assertEqual(change["session"], "s1")
                self.assertTrue(self.only_block_changed(text, before, after, change["text"]),
                                (before, after))
                self.assertIsNone(self.js("return document.querySelector('#preview textarea')"))

    @staticmethod
    def only_block_changed(text, before, after, changed):
        if before == "":  # the place behind the last block: the text only grows
            return changed.startswith(text) and changed.endswith(after)
        at = text.find(before)
        while at >= 0:
            whole_lines = (at == 0 or text[at - 1] == "\n") and text[at + len(before):][:1] in ("", "\n")
            if whole_lines and changed == text[:at] + after + text[at + len(before):]:
                return True
            at = text.find(before, at + 1)
        return False

    def test_commands_act_on_the_box_as_the_editor_does(self):
        # (command, selection in "alpha beta\ngamma", box afterwards, selection afterwards)
        cases = [
            ("bold", (6, 10), "alpha **beta**\ngamma", "beta"),
            ("bold", (0, 0), "**bold text**alpha beta\ngamma", "bold text"),
            ("italic", (6, 10), "alpha *beta*\ngamma", "beta"),
            ("strike", (0, 5), "~~alpha~~ beta\ngamma", "alpha"),
            ("code", (16, 16), "alpha beta\ngamma\n```\ncode\n```\n", "code"),
            ("table", (16, 16), "alpha beta\ngamma\n| Name | Value |\n| --- | --- |\n"
             "| Item | Description |\n", "Name"),
            ("heading", (3, 13), "## alpha beta\n## gamma", ""),
            ("quote", (11, 11), "alpha beta\n> gamma", ""),
            ("task", (2, 2), "- [ ] alpha beta\ngamma", ""),
            ("underline", (0, 5), "alpha beta\ngamma", "alpha"),  # not the visual editor's
        ]
        for name, (start, end), value, selected in cases:
            with self.subTest(name):
                self.show("alpha beta\ngamma\n\nnext\n", mode="edit")
                box = self.open_block(0)
                self.js("arguments[0].setSelectionRange(arguments[1], arguments[2])", box, start, end)
                self.send({"type": "command", "name": name})
                self.assertEqual(box.get_attribute("value"), value)
                self.assertEqual(self.js("const b = arguments[0]; "
                                         "return b.value.slice(b.selectionStart, b.selectionEnd)", box),
                                 selected)
                box.send_keys(Keys.ESCAPE)
        self.show("alpha beta\ngamma\n\nnext\n", mode="edit", vi=True)
        box = self.open_block(0)
        self.send({"type": "command", "name": "bold"})
        self.assertEqual(box.get_attribute("value"), "**chữ đậm**alpha beta\ngamma")

    def test_undo_and_redo_walk_the_pages_own_edits(self):
        original = "one\n\ntwo\n"
        self.show(original, mode="edit")
        box = self.open_block(1)
        box.send_keys(Keys.END, "!")
        box.send_keys(Keys.ESCAPE)
        self.assertEqual(self.wait_for_change(1)["text"], "one\n\ntwo!\n")
        self.show("one\n\ntwo!\n", mode="edit")  # the program sends the text back
        self.send({"type": "command", "name": "undo"})
        self.assertEqual(self.wait_for_change(2)["text"], original)
        self.send({"type": "command", "name": "redo"})
        self.assertEqual(self.wait_for_change(3)["text"], "one\n\ntwo!\n")
        self.show("changed elsewhere\n", mode="edit")
        self.send({"type": "command", "name": "undo"})  # history of another text: nothing
        time.sleep(0.2)
        self.assertEqual(len(self.changes()), 3)

    def test_an_open_box_and_a_new_document(self):
        self.show("one\n\ntwo\n", mode="edit")
        self.open_block(0).send_keys(Keys.END, "!")
        self.show("one\n\ntwo\n", mode="edit")  # the same again: the box stays open
        self.assertTrue(self.js("return document.querySelector('#preview textarea') !== null"))
        self.show("one\n\ntwo\n", mode="preview")  # leaving the visual editor keeps the edit
        self.assertEqual(self.wait_for_change(1)["text"], "one!\n\ntwo\n")
        self.assertEqual(self.js("return document.querySelector('#preview p').textContent"), "one!")
        self.show("one\n\ntwo\n", mode="edit")
        self.open_block(1).send_keys(Keys.END, "?")
        self.show("changed elsewhere\n", mode="edit")  # its lines are gone: the box goes
        self.assertEqual(self.js("return document.getElementById('preview').innerText.trim()"),
                         "changed elsewhere\n\n" + "Click here to add text")
        self.assertEqual(self.changes()[1]["text"], "one\n\ntwo?\n")  # but not what was typed

    def test_typing_goes_to_the_program_before_each_shortcut(self):
        for count, (keys, key, shift) in enumerate([(("s",), "s", False), ((Keys.SHIFT, "s"), "s", True),
                                                    (("n",), "n", False), (("o",), "o", False)], 1):
            with self.subTest(key=key, shift=shift):
                box = self.type_in_block("one\n\ntwo\n", typed=f"TYPED{count}")
                box.send_keys(Keys.CONTROL, *keys)
                posted = self.posted()[-2:]  # at once, not after the typing pause
                self.assertEqual(posted, [
                    {"type": "change", "session": "s1", "text": f"oneTYPED{count}\n\ntwo\n"},
                    {"type": "shortcut", "key": key, "shift": shift}])
                self.assertTrue(self.box_is_open())
                box.send_keys(Keys.ESCAPE)
                self.assertEqual(len(self.changes()), count)  # nothing more was typed

    def test_typing_goes_to_the_program_before_another_document_replaces_the_box(self):
        # (what the program sends next, the change it is handed first, what the page shows)
        cases = [
            ({"session": "s2", "text": "other\n"},  # a tab switch: the edit of the tab left
             {"session": "s1", "text": "one\n\ntwoTYPED\n"}, "other"),
            ({"text": "zero\n\none\n\ntwo\n"},  # edited elsewhere: the typing goes onto it
             {"session": "s1", "text": "zero\n\none\n\ntwoTYPED\n"}, "zero one twoTYPED"),
            ({"text": "one\n\nthree\n"},  # the box's own lines changed elsewhere
             {"session": "s1", "text": "one\n\ntwoTYPED\n"}, "one three"),
        ]
        for count, (members, change, shown) in enumerate(cases, 1):
            with self.subTest(members):
                self.show("", session="reset")
                self.type_in_block("one\n\ntwo\n", index=1)
                self.show(members.pop("text"), mode="edit", **members)
                self.assertEqual(self.changes()[-1], dict(type="change", **change))
                self.assertEqual(len(self.changes()), count)
                self.assertFalse(self.box_is_open())
                self.assertEqual(" ".join(self.js(
                    "return [...document.querySelectorAll('#preview p')].map(p => p.textContent)")),
                    shown)

    def test_typing_goes_to_the_program_when_the_page_loses_the_focus(self):
        box = self.type_in_block("one\n\ntwo\n")
        self.take_focus_away()
        self.assertEqual(self.changes(), [{"type": "change", "session": "s1", "text": "oneTYPED\n\ntwo\n"}])
        self.show("oneTYPED\n\ntwo\n", mode="edit")  # the program's save sends it back
        self.assertTrue(self.box_is_open())
        box.send_keys(Keys.ESCAPE)
        self.assertEqual(len(self.changes()), 1)

    def test_typing_goes_to_the_program_after_a_pause_and_the_box_stays_open(self):
        box = self.type_in_block("one\n\ntwo\n")
        self.assertEqual(self.wait_for_change(1)["text"], "oneTYPED\n\ntwo\n")
        self.assertTrue(self.box_is_open())
        box.send_keys("2")
        self.assertEqual(self.wait_for_change(2)["text"], "oneTYPED2\n\ntwo\n")
        self.show("oneTYPED\n\ntwo\n", mode="edit")  # the program took the first edit late
        self.show("oneTYPED2\n\ntwo\n", mode="edit")
        self.assertTrue(self.box_is_open())
        box.send_keys(Keys.CONTROL, Keys.ENTER)
        self.assertEqual(len(self.changes()), 2)
        self.assertEqual(self.js("return document.querySelector('#preview p').textContent"), "oneTYPED2")
        self.send({"type": "command", "name": "undo"})  # the box's edits are one step
        self.assertEqual(self.wait_for_change(3)["text"], "one\n\ntwo\n")

    def test_an_unchanged_box_posts_nothing(self):
        box = self.type_in_block("one\n\ntwo\n", typed="")
        box.send_keys(Keys.CONTROL, "s")
        self.take_focus_away()
        time.sleep(1)  # longer than the typing pause
        box.send_keys(Keys.ESCAPE)
        self.show("other\n", session="s2", mode="edit")
        self.assertEqual(self.changes(), [])

    def test_tab_types_a_tab_and_esc_still_ends_editing(self):
        box = self.type_in_block("one\n\ntwo\n", typed=Keys.TAB + "x" + Keys.SHIFT + Keys.TAB)
        self.assertEqual(box.get_attribute("value"), "one\tx\t")
        self.assertTrue(self.js("return document.activeElement === arguments[0]", box))
        box.send_keys(Keys.ESCAPE)
        self.assertFalse(self.box_is_open())
        self.assertEqual(self.changes()[-1]["text"], "one\tx\t\n\ntwo\n")

    def test_a_block_keeps_its_line_ends(self):
        # (text, block, keys typed at its end, the change)
        cases = [
            ("one\r\ntwo\r\n\r\nthree\r\n", 0, Keys.ENTER + "new", "one\r\ntwo\r\nnew\r\n\r\nthree\r\n"),
            ("one\r\n\r\nthree\r\n", 0, Keys.ENTER + "new", "one\r\nnew\r\n\r\nthree\r\n"),
            ("one\n\nthree\r\nfour\r\n", 1, "!", "one\n\nthree\r\nfour!\r\n"),
            ("one\r\n", -1, "x" + Keys.ENTER + "y", "one\r\n\r\nx\r\ny"),
        ]
        for count, (text, block, keys, change) in enumerate(cases, 1):
            with self.subTest(text):
                self.show(text, mode="edit", session=f"crlf{count}")
                box = self.open_block(block)
                box.send_keys(Keys.CONTROL, Keys.END)
                box.send_keys(keys, Keys.ESCAPE)
                self.assertEqual(self.changes()[-1]["text"], change)

    def test_deep_nesting_shows_every_word_of_the_programs(self):
        # (levels, the document): lists and quotes nested line by line and all on one line
        def stairs(marker, levels):
            return "".join(f"{marker(k)}word{k} " + "\n" for k in range(min(levels, 1000)))
        cases = []
        for levels in (50, 100, 1000, 5000):
            cases += [(levels, stairs(lambda k: "  " * k + "- ", levels)),
                      (levels, stairs(lambda k: "> " * (k + 1), levels)),
                      (levels, "- " * levels + "deepest\n"),
                      (levels, "> " * levels + "deepest\n"),
                      (levels, "> - " * (levels // 2) + "deepest\n")]
        for levels, nested in cases:
            with self.subTest(levels=levels, start=nested[:12]):
                text = "# Before\n\n" + nested + "\nAfter the list.\n\n## Last\n"
                with tempfile.NamedTemporaryFile("w", suffix=".md", encoding="utf-8") as file:
                    file.write(text)
                    file.flush()
                    expected = words(tool("plain", file.name).decode("utf-8"))
                self.show(text, mode="edit")
                shown = words(self.js("return document.getElementById('preview').textContent"))
                self.assertEqual(expected - shown, collections.Counter())
                self.assertIsNone(self.js("return document.querySelector('[role=alert]')"))
                box = self.open_block(2)  # the block behind the nested one, as the user clicks it
                self.assertEqual(box.get_attribute("value"), "After the list.")
                box.send_keys(Keys.ESCAPE)

    def test_a_link_click_posts_open_and_stays(self):
        self.show("[site](https://example.com/a?b=1) and [inner](#part)\n\n# Part\n")
        self.driver.find_element(By.LINK_TEXT, "site").click()
        self.driver.find_element(By.LINK_TEXT, "inner").click()
        self.assertEqual([m for m in self.posted() if m["type"] == "open"],
                         [{"type": "open", "url": "https://example.com/a?b=1"}])
        self.assertEqual(self.driver.current_url, self.index_url)

    def test_shortcuts_go_to_the_program(self):
        self.show("text\n")
        body = self.driver.find_element(By.TAG_NAME, "body")
        body.send_keys(Keys.CONTROL, "s")
        body.send_keys(Keys.CONTROL, Keys.SHIFT, "s")
        self.assertEqual([m for m in self.posted() if m["type"] == "shortcut"],
                         [{"type": "shortcut", "key": "s", "shift": False},
                          {"type": "shortcut", "key": "s", "shift": True}])

    def test_copying_hands_the_text_to_the_program(self):
        self.show("hello world\n")
        self.js("getSelection().selectAllChildren(document.querySelector('#preview p'))")
        self.driver.find_element(By.TAG_NAME, "body").send_keys(Keys.CONTROL, "c")
        self.assertEqual([m for m in self.posted() if m["type"] == "copy"],
                         [{"type": "copy", "text": "hello world"}])

    def test_scroll_follows_the_fraction_and_survives_a_new_document(self):
        at_top = "return document.elementFromPoint(innerWidth / 2, 5).closest('[data-block]').textContent"
        fraction = "return scrollY / (document.documentElement.scrollHeight - innerHeight)"
        for count in (60, 2000):  # a short document, and a long one laid out only near the view
            with self.subTest(count):
                text = "".join(f"Paragraph {i}\n\n" for i in range(count))
                self.show(text)
                self.send({"type": "scroll", "fraction": 0.5})
                self.assertAlmostEqual(self.js(fraction), 0.5, delta=0.02)
                time.sleep(0.3)  # blocks coming into view are laid out with the next frames
                seen = self.js(at_top)
                self.assertRegex(seen, r"Paragraph [1-9]")
                self.show(text.replace("Paragraph 0", "Paragraph zero") + "More\n")
                self.assertEqual(self.js(at_top), seen)
                time.sleep(0.3)
                self.assertEqual(self.js(at_top), seen)
                self.send({"type": "scroll", "fraction": 1})
                self.assertAlmostEqual(self.js(fraction), 1, delta=0.02)

    def test_images_load_only_through_the_document_host(self):
        self.show("![a](pics/my%20photo%20%281%29.png) ![b](<pics/x #1.png>) "
                  "![c](https://example.com/c.png) ![d](data:image/png;base64,iVBORw0KGgo=)\n")
        sources = self.js("return [...document.querySelectorAll('#preview img')].map(i => i.src)")
        self.assertEqual(sources[:2], [DOCUMENT_HOST + "pics/my%20photo%20(1).png",
                                       DOCUMENT_HOST + "pics/x%20%231.png"])
        self.assertEqual(len(sources), 3)
        self.assertTrue(sources[2].startswith("data:image/png"))
        self.assertTrue(self.js("return document.head.querySelector('meta[http-equiv]').content")
                        .startswith("default-src 'none'"))

    def test_prepare_export_settles(self):
        self.show("# Title\n\n![d](data:image/png;base64,iVBORw0KGgo=) ![m](missing.png)\n")
        result = self.driver.execute_async_script(
            "Tavrel.prepareExport().then(v => arguments[0](v), e => arguments[0]('rejected'))")
        self.assertTrue(result)

    def test_bad_input_runs_nothing_and_says_so(self):
        big = (HOSTILE + "word " * 200 + "\n\n") * (5_000_000 // 1200)
        self.show(big)
        self.assertGreater(self.js("return document.querySelectorAll('#preview p').length"), 1000)
        self.assertIn("</script>", self.js("return document.getElementById('preview').textContent"))
        self.assertEqual(self.js("return document.querySelectorAll('#preview script, #preview svg,"
                                 " #preview img').length"), 0)
        self.driver.find_element(By.PARTIAL_LINK_TEXT, "example.org").click()
        self.assertEqual(self.js("return 1 + 1"), 2)  # still answering
        for message in ({"type": "document", "text": 5}, {"type": "document"},
                        {"type": "document", "text": "x", "dark": "yes"},
                        {"type": "document", "text": "x", "session": ["s"]}):
            with self.subTest(message):
                self.send(message)
                self.assertTrue(self.js("return document.querySelector('[role=alert]').textContent"))
        for message in ({"type": "scroll", "fraction": "x"}, {"type": "command", "name": 7},
                        {"type": "command", "name": "bold"}, None, "text", {"type": "other"}):
            self.send(message)
        self.js("Tavrel.receive(null)")
        self.show("fine", vi=True)
        self.assertIsNone(self.js("return document.querySelector('[role=alert]')"))
        self.send({"type": "document", "text": 1, "vi": True})
        self.assertIn("Không thể", self.js("return document.querySelector('[role=alert]').textContent"))
        self.assertEqual([m["type"] for m in self.posted()], ["ready", "open"])


class StandalonePage(unittest.TestCase):
    """Pages from the program's own page builder with the real renderer, opened as a user would."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        cls.driver = start_browser(os.path.join(cls.work.name, "profile"))
        cls.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {
            "source": "window.__violations = []; document.addEventListener("
                      "'securitypolicyviolation', e => window.__violations.push(e.blockedURI));"})

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.work.cleanup()

    def export(self, text, name="doc"):
        folder = os.path.join(self.work.name, name)
        os.makedirs(folder, exist_ok=True)
        source = os.path.join(folder, "doc.md")
        with open(source, "w", encoding="utf-8") as file:
            file.write(text)
        page = os.path.join(folder, "doc.html")
        with open(page, "wb") as file:
            file.write(tool("page", source, RENDERER))
        self.driver.get("file://" + page)
        self.assertEqual(self.driver.execute_script("return window.__violations"), [])
        return source

    def test_real_documentation_shows_its_words_headings_and_pixels(self):
        for path in REAL_DOCUMENTS[:3]:
            with self.subTest(path):
                source = self.export(read_document(path), os.path.basename(path))
                shown = words(self.driver.execute_script(
                    "return document.getElementById('preview').innerText"))
                expected = words(tool("plain", source).decode("utf-8"))
                found = sum(min(n, shown[w]) for w, n in expected.items())
                self.assertGreaterEqual(found / sum(expected.values()), 0.95)
                ids = self.driver.execute_script(
                    "return [...document.querySelectorAll(':is(h1,h2,h3,h4,h5,h6)')].map(h => h.id)")
                self.assertEqual(ids, tool("ids", source).decode("utf-8").splitlines())
                self.assertGreater(png_colours(self.driver.get_screenshot_as_png()), 8)

    def test_pictures_with_spaces_and_parentheses_are_embedded(self):
        folder = os.path.join(self.work.name, "pictures")
        os.makedirs(os.path.join(folder, "pics"), exist_ok=True)
        with open(os.path.join(folder, "pics", "my photo (1).png"), "wb") as file:
            file.write(png(40, 30, b"\x10\x80\xf0"))
        self.export("# Pictures\n\n![one](pics/my%20photo%20%281%29.png)\n\n" + HOSTILE, "pictures")
        width = self.driver.execute_script(
            "const i = document.querySelector('#preview img'); return i.decode().then(() => i.naturalWidth)")
        self.assertEqual(width, 40)
        self.assertIsNone(self.driver.execute_script("return window.__ran"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[2:], verbosity=2)
