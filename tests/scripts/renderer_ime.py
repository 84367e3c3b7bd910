#!/usr/bin/python3
"""Words an input method composes in a box of the visual editor, in headless Chromium, offline.

Chromium's own composition, which the DevTools protocol starts and updates with
Input.imeSetComposition and commits with Input.insertText, fires the events a Vietnamese Telex or
Japanese input method fires in the program's web view: compositionstart, compositionupdate and
input while the word grows, compositionend once it is committed.

Usage: renderer_ime.py BUILD_DIR [unittest arguments]
"""
import sys
import time
import unittest

from selenium.webdriver.common.keys import Keys

from renderer_page import PageCase


def first_block(words, session="s1"):
    """A change of the test's document as the page posts it: its first block now holds `words`."""
    return f"{session}: {words}\n\ntwo\n"


class Composition(PageCase):
    def compose(self, word):
        self.driver.execute_cdp_cmd("Input.imeSetComposition",
                                    {"text": word, "selectionStart": len(word), "selectionEnd": len(word)})

    def posted_story(self):
        return [f'{m["session"]}: {m["text"]}' if m["type"] == "change" else f'{m["type"]} {m["key"]}'
                for m in self.posted() if m["type"] != "ready"]

    def test_a_word_reaches_the_program_once_it_is_committed(self):
        actions = {
            "pause": lambda: time.sleep(1),  # longer than the typing pause
            "focus lost": self.take_focus_away,  # Chromium commits the word then
            "Ctrl+S": lambda: self.driver.switch_to.active_element.send_keys(Keys.CONTROL, "s"),
            "Esc": lambda: self.driver.switch_to.active_element.send_keys(Keys.ESCAPE),
            "commit": lambda: self.driver.execute_cdp_cmd("Input.insertText", {"text": "việt"}),
            "tab switch": lambda: self.show("other\n", mode="edit", session="s2"),
            "edited elsewhere": lambda: self.show("zero\n\nBeta Nam\n\ntwo\n", mode="edit"),
        }
        # (what happens while "việ" is composed behind the typed " Nam", what the page posts)
        cases = [
            (["pause"], [first_block("Beta Nam")]),
            (["focus lost", "pause"], [first_block("Beta Nam"), first_block("Beta Namviệ")]),
            (["Ctrl+S"], [first_block("Beta Nam"), "shortcut s"]),
            (["pause", "Esc", "commit", "Esc"], [first_block("Beta Nam"), first_block("Beta Namviệt")]),
            (["pause", "tab switch"], [first_block("Beta Nam"), first_block("Beta Namviệ")]),
            (["pause", "edited elsewhere"], [first_block("Beta Nam"), first_block("zero\n\nBeta Namviệ")]),
            (["pause", "commit", "pause"], [first_block("Beta Nam"), first_block("Beta Namviệt")]),
        ]
        for steps, story in cases:
            with self.subTest(steps=steps):
                self.driver.get(self.index_url)
                self.type_in_block("Beta\n\ntwo\n", typed=" Nam")
                for word in ("v", "vi", "việ"):
                    self.compose(word)
                for step in steps:
                    actions[step]()
                self.assertEqual(self.posted_story(), story)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[2:], verbosity=2)
