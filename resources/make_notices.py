#!/usr/bin/env python3
"""Assembles the third-party notices shipped inside the program (resource 201).

Usage: make_notices.py OUTPUT TITLE=PATH [TITLE=PATH ...]

Each PATH is the licence file of a component as its package installed it. A TITLE starting
with "?" marks a component that is only present on some build machines; it is skipped when its
file is missing. Every other missing file fails the build, so notices cannot go missing silently.

A machine-readable Debian copyright file larger than LARGE keeps its header and its stand-alone
licence paragraphs: the per-file copyright lines of a large collection such as Boost add
megabytes without adding a licence text.
"""
import sys

LARGE = 200_000

WEBVIEW2_NOTE = """The optional visual editor uses the Microsoft Edge WebView2 runtime when it is
installed on the computer. Tavrel does not ship the WebView2 SDK or its loader library: the
small loader that finds the installed runtime was written for Tavrel from the runtime's
published interface. Microsoft Edge and WebView2 are trademarks of Microsoft Corporation; the
runtime is licensed by Microsoft under its own terms.
"""


def condense(text):
    if len(text) <= LARGE or not text.startswith("Format:"):
        return text
    paragraphs = text.split("\n\n")
    kept = [paragraphs[0]] + [p for p in paragraphs[1:] if p.startswith("License:")]
    return "\n\n".join(kept) + "\n"


def section(title, text):
    rule = "=" * 78
    return f"{rule}\n{title}\n{rule}\n\n{text.rstrip()}\n\n"


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    parts = []
    for item in argv[2:]:
        title, _, path = item.partition("=")
        optional = title.startswith("?")
        title = title.lstrip("?")
        try:
            with open(path, encoding="utf-8", errors="replace") as licence:
                parts.append(section(title, condense(licence.read())))
        except FileNotFoundError:
            if not optional:
                sys.exit(f"make_notices: missing licence file {path}")
    parts.append(section("Microsoft Edge WebView2 (attribution)", WEBVIEW2_NOTE))
    with open(argv[1], "w", encoding="utf-8", newline="\n") as out:
        out.write("".join(parts))


if __name__ == "__main__":
    main(sys.argv)
