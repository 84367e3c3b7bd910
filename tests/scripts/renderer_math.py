#!/usr/bin/python3
"""LaTeX math spans of the web renderer against the program's own Markdown parser, in headless
Chromium, offline.

Each text is shown by the page and made into HTML by tavrel_render_tool, which runs the program's
code; both must hold the same math spans (inline or display, with the same text) and show the
same text.

Usage: renderer_math.py BUILD_DIR [unittest arguments]
"""
import os
import sys
import unittest

from renderer_page import RENDERER, BrowserCase, png, read_document, tool

# Real documentation holding "$", from packages the setup script installs.
REAL_DOCUMENTS = [
    "/usr/share/doc/libcrypt-dev/README.md.gz",
    "/usr/share/doc/esbuild/CHANGELOG-2020.md.gz",
    "/usr/share/doc/esbuild/CHANGELOG-2021.md.gz",
    "/usr/share/doc/esbuild/CHANGELOG-2022.md.gz",
    "/usr/share/doc/nlohmann-json3-dev/README.md.gz",
    "/usr/share/doc/pkgconf-bin/README.md.gz",
    "/usr/share/doc/man-db/NEWS.md.gz",
    "/usr/share/doc/apt/README.md.gz",
]

# The math spans and the text of a rendered tree, images counted by their description.
READ = """
const read = (root) => {
  const copy = root.cloneNode(true);
  for (const image of copy.querySelectorAll("img")) image.replaceWith(image.alt);
  const math = [...copy.querySelectorAll("x-equation, .math")].map(
    (span) => [span.matches("[type=display], .display") ? "display" : "inline", span.textContent]);
  return [math, copy.textContent.replace(/\\s+/g, " ").trim()];
};
const program = new DOMParser().parseFromString(arguments[0], "text/html").body;
return [read(document.getElementById("preview")), read(program)];
"""

# (what it shows, the Markdown)
CASES = [
    ("two prices", "It costs $5 or $10 today."),
    ("a price and a price closing", "Pay $5 now, $5$ is math and so is $x^2$."),
    ("prices around punctuation", "Price: $5. Tax: ($1), or $ 2 $ in all."),
    ("shell variables", "Use ${HOME}/bin or $PWD, not $HOME$PATH."),
    ("a variable before a code span", "If you omit $2, then `i=$(( (i + 1) % 5 ))` works."),
    ("dollars inside code spans", "`$x` and $y$ and `a$` b$ and `$`"),
    ("a code span inside math", "$a `b$` c$ and $d `e` f"),
    ("a link whose text and address hold dollars",
     "See [the $5 plan](https://e.com/?p=5) or $10 more, [a $b$ c](u) and $d"),
    ("math over a link", "$a [b](c) d$ and $e [f](g$) h"),
    ("an opener in a link address", "[a](/x?a=$b) costs 5 $ today, [c]($d) `e` *f* g$ h"),
    ("an image among prices", "Cost $5 ![pic $](a.png) and $6 more"),
    ("math in an image description", "![alt $x$](a.png) $y$ and $5 ![pic](a.png) and 6$ more"),
    ("display math", "$$x^2$$ and $$ y $$ but $$a$ and $b$$"),
    ("a run of three", "$$$ not math $$$ and $x$, $a$$b$ and $a$$"),
    ("escaped dollars", "\\$a$ and $b\\$ c$ and \\\\$d$"),
    ("dollars at line ends", "It costs $\n5 and $a\nb$ and $c  \nd$ and $e\n\tf$ and $g\\\nh$"),
    ("math in a heading", "# Cost $x$ and $5\n\ntext"),
    ("table cells", "| a | b |\n|---|---|\n| $5 | $x$ |\n| \\$a$ | `$` $b$ |\n| $a | b$ |"),
    ("math with backslashes and asterisks", "$\\alpha*\\beta$ and $a*b*c$ and $\\{x\\}$"),
    ("emphasis and math", "*a $b* c$ and $d *e$ f* and **$g** h$ and *i **j $k** l$ m*"),
    ("autolinks", "<https://e.com/$x$> $y$ and www.e.com/$z$ and a@b.c$d$"),
    ("entities", "$&amp;$ and &#36;x$ and $5&nbsp;$"),
]


class MathSpans(BrowserCase):
    def setUp(self):
        self.driver.get("file://" + RENDERER + "/index.html")

    def write(self, text, name="doc.md"):
        path = os.path.join(self.work.name, name)
        with open(path, "w", encoding="utf-8") as file:
            file.write(text)
        return path

    def page_and_program(self, text):
        """((math, text) of the page, (math, text) of the program's HTML) for one document."""
        self.driver.execute_script("window.__send(arguments[0])", {
            "type": "document", "text": text, "mode": "preview", "session": "s1", "dark": False,
            "vi": False, "css": ""})
        html = tool("html", self.write(text)).decode("utf-8")
        return self.driver.execute_script(READ, html)

    def test_math_spans_and_text_equal_the_programs(self):
        for name, text in CASES:
            with self.subTest(name):
                page, program = self.page_and_program(text)
                self.assertEqual(page, program)

    def test_real_documents_have_the_programs_math_spans(self):
        for path in REAL_DOCUMENTS:
            with self.subTest(path):
                page, program = self.page_and_program(read_document(path))
                self.assertEqual(page[0], program[0])

    def test_an_exported_image_among_prices_shows(self):
        with open(os.path.join(self.work.name, "a.png"), "wb") as file:
            file.write(png(30, 20, b"\x20\x60\xa0"))
        source = self.write("Cost $5 ![pic $](a.png) and $6 more\n")
        page = os.path.join(self.work.name, "doc.html")
        with open(page, "wb") as file:
            file.write(tool("page", source, RENDERER))
        self.driver.get("file://" + page)
        width = self.driver.execute_script(
            "const i = document.querySelector('#preview img'); return i.decode().then(() => i.naturalWidth)")
        self.assertEqual(width, 30)
        shown = self.driver.execute_script("return document.getElementById('preview').innerText")
        self.assertEqual(" ".join(shown.split()), "Cost $5 and $6 more")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[2:], verbosity=2)
