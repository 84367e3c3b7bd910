#!/usr/bin/env python3
"""Opens documents made of very long lines and paragraphs in the real program ("--benchmark") and
prints, for each: seconds from launch to the shown main window, the program's own milliseconds to
the first applied preview, the peak resident memory of the process and whether it finished.

Usage: long_lines.py <win-build-dir> [name ...], inside the Wine environment of
scripts/wine-env.sh (DISPLAY set). The figures are printed, never judged. A run still busy after
the time limit (--limit seconds, default 120) is stopped and reported as such.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

LINE = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt"
REAL = "/usr/share/doc/nodejs/api/fs.md"


def inputs():
    line = (LINE + " ut labore")[:89]
    return {
        "one-line-a-100k": lambda: "a" * 100000,
        "gt-100k": lambda: ">" * 100000,
        "quote-lines-25k": lambda: "> x\n" * 25000,
        "one-paragraph-16k-lines": lambda: (line + "\n") * 16000,
        "paragraphs-16k-same-bytes": lambda: (line[:88] + "\n\n") * 16000,
        "one-paragraph-8k-lines": lambda: (line + "\n") * 8000,
        "real-262k": lambda: open(REAL, encoding="utf-8").read(),
    }


def shown_window(pid_marker):
    """True once a top-level window titled "... - Tavrel" is mapped on the display."""
    try:
        tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                              timeout=10).stdout
    except (OSError, subprocess.TimeoutExpired):
        return False
    return any(pid_marker in line and " - Tavrel" in line for line in tree.splitlines())


def memory_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            fields = dict(line.split(":", 1) for line in status if ":" in line)
        return int(fields["VmHWM"].split()[0])
    except (OSError, KeyError, ValueError):
        return 0


def run_one(build, name, text, limit, work):
    doc = os.path.join(work, name + ".md")
    with open(doc, "w", encoding="utf-8") as out:
        out.write(text)
    profile = os.path.join(work, "profile-" + name)
    os.makedirs(profile, exist_ok=True)
    start = time.monotonic()
    process = subprocess.Popen(
        ["wine", os.path.join(build, "tavrel.exe"), "--benchmark", "--profile", "Z:" + profile,
         "Z:" + doc], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL)
    window_s = None
    peak_kb = 0
    while process.poll() is None and time.monotonic() - start < limit:
        peak_kb = max(peak_kb, memory_kb(process.pid))
        if window_s is None and shown_window(name + ".md"):
            window_s = time.monotonic() - start
        time.sleep(0.25)
    finished = process.poll() is not None
    if not finished:
        process.kill()
        process.wait()
    report = {}
    try:
        with open(os.path.join(profile, "benchmark.json"), encoding="utf-8") as f:
            report = json.load(f)
    except (OSError, ValueError):
        pass
    return {
        "name": name,
        "bytes": len(text.encode("utf-8")),
        "window_s": None if window_s is None else round(window_s, 1),
        "main_to_preview_ms": report.get("main_to_preview_ms"),
        "working_set_mb": report.get("working_set_bytes", 0) // 1000000 or None,
        "peak_rss_mb": peak_kb // 1000,
        "finished": finished,
        "wall_s": round(time.monotonic() - start, 1),
    }


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("names", nargs="*")
    parser.add_argument("--limit", type=float, default=120)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    made = inputs()
    names = args.names or list(made)
    with tempfile.TemporaryDirectory() as work:
        for name in names:
            print(json.dumps(run_one(build, name, made[name](), args.limit, work)), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
