// The visual editor. It never rewrites the document from the rendered page: a clicked block opens
// as a box holding exactly that block's source lines, and leaving the box puts the box's text in
// place of those lines only. Every other byte of the document stays as it was.
"use strict";

// The markers of the program's own editing commands; the box takes them as the editor does.
const wrapCommands = {
  bold: { prefix: "**", suffix: "**", en: "bold text", vi: "chữ đậm" },
  italic: { prefix: "*", suffix: "*", en: "italic text", vi: "chữ nghiêng" },
  strike: { prefix: "~~", suffix: "~~", en: "text", vi: "nội dung" },
  code: { prefix: "\n```\n", suffix: "\n```\n", en: "code", vi: "code" },
  table: {
    prefix: "\n| ",
    suffix: " | Value |\n| --- | --- |\n| Item | Description |\n",
    en: "Name",
    vi: "Name",
  },
};
const prefixCommands = { heading: "## ", quote: "> ", task: "- [ ] " };

// Surrounds the box's selection (or the placeholder) and selects what lies between the markers.
function wrapSelection(box, prefix, suffix, placeholder) {
  const start = box.selectionStart;
  const selected = box.value.slice(start, box.selectionEnd) || placeholder;
  box.setRangeText(prefix + selected + suffix, start, box.selectionEnd, "end");
  box.setSelectionRange(start + prefix.length, start + prefix.length + selected.length);
}

// Puts the prefix before every line the selection touches; the caret ends behind the insertion.
function prefixSelectedLines(box, prefix) {
  const value = box.value;
  const first = value.lastIndexOf("\n", box.selectionStart - 1) + 1;
  let last = value.indexOf("\n", box.selectionEnd);
  if (last < 0) last = value.length;
  const lines = prefix + value.slice(first, last).replace(/\n/g, "\n" + prefix);
  box.setRangeText(lines, first, last, "end");
}

// Where a line's text ends (before its line break), in the whole text.
function lineContentEnd(text, starts, line) {
  if (line + 1 >= starts.length) return text.length;
  const next = starts[line + 1];
  return text[next - 1] === "\n" && text[next - 2] === "\r" ? next - 2 : next - 1;
}

class VisualEditor {
  // `page` gives: text(), lineStarts(), blocks(), labels(), commit(newText), rerender().
  constructor(page) {
    this.page = page;
    this.open = null;  // {box, from, to, append, initial}
    this.history = [];
    this.future = [];
  }

  isOpen() {
    return this.open !== null;
  }

  forgetHistory() {
    this.history = [];
    this.future = [];
  }

  // Opens the block with this index (-1: the place after the last block) in its element's place.
  openBlock(index, element) {
    const text = this.page.text();
    const starts = this.page.lineStarts();
    let from = text.length;
    let to = text.length;
    if (index >= 0) {
      const block = this.page.blocks()[index];
      if (!block) return;
      let last = Math.min(block.end, starts.length) - 1;
      // A list's lines run on to the blank line behind it; that line is not the block's text.
      while (last > block.first && lineContentEnd(text, starts, last) === starts[last]) last--;
      from = starts[Math.min(block.first, starts.length - 1)];
      to = Math.max(from, lineContentEnd(text, starts, last));
    }
    const box = document.createElement("textarea");
    box.className = "block-editor";
    box.spellcheck = false;
    box.value = text.slice(from, to);
    box.title = this.page.labels().editHint;
    element.hidden = true;
    element.after(box);
    this.open = { box, element, from, to, append: index < 0, initial: box.value };
    const fit = () => {
      box.style.height = "auto";
      box.style.height = box.scrollHeight + 2 + "px";
    };
    box.addEventListener("input", fit);
    box.addEventListener("keydown", (event) => {
      if (event.key === "Escape" || (event.key === "Enter" && event.ctrlKey)) {
        event.preventDefault();
        this.close();
      }
    });
    // A click elsewhere in the page ends the edit; the program's own toolbar taking the focus
    // (to send a command to this box) does not.
    box.addEventListener("blur", () => {
      setTimeout(() => {
        const still = this.open && this.open.box === box;
        if (still && document.hasFocus() && document.activeElement !== box) this.close();
      }, 0);
    });
    fit();
    box.focus();
    box.setSelectionRange(0, 0);
  }

  // Puts the box's text back in place of its lines (when it changed) and shows the page again.
  close() {
    const open = this.open;
    if (!open) return;
    this.discard();
    const value = open.box.value;
    if (value === open.initial) {
      this.page.rerender();
      return;
    }
    const text = this.page.text();
    let next;
    if (open.append) {
      const gap = text === "" || text.endsWith("\n\n") ? "" : text.endsWith("\n") ? "\n" : "\n\n";
      next = text + gap + value;
    } else {
      next = text.slice(0, open.from) + value + text.slice(open.to);
    }
    this.history.push({ before: text, after: next });
    this.future = [];
    this.page.commit(next);
  }

  // Leaves the box without putting its text back.
  discard() {
    if (!this.open) return;
    this.open.box.remove();
    this.open.element.hidden = false;
    this.open = null;
  }

  command(name) {
    if (name === "undo" || name === "redo") {
      this.close();
      this.step(name === "undo" ? this.history : this.future, name === "undo");
      return;
    }
    if (!this.open) return;
    const box = this.open.box;
    const wrap = wrapCommands[name];
    if (wrap) {
      wrapSelection(box, wrap.prefix, wrap.suffix, this.page.labels().vi ? wrap.vi : wrap.en);
    } else if (prefixCommands[name]) {
      prefixSelectedLines(box, prefixCommands[name]);
    } else {
      return;
    }
    box.dispatchEvent(new Event("input"));
    box.focus();
  }

  step(from, undo) {
    const entry = from.pop();
    if (!entry) return;
    const text = this.page.text();
    if (text !== (undo ? entry.after : entry.before)) {
      this.forgetHistory();  // the document changed elsewhere since: the entry no longer fits
      return;
    }
    (undo ? this.future : this.history).push(entry);
    this.page.commit(undo ? entry.before : entry.after);
  }
}

module.exports = { VisualEditor, wrapSelection, prefixSelectedLines };
