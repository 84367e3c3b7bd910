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

// How long typing in a box may pause before what was typed goes to the program, so that its
// saves, tab switches, window closing and crash recovery see it while the box stays open.
const kTypingPauseMs = 400;

// The line end of a block: its first one, else the text's first one. A box holds LF only.
function blockLineEnd(block, text) {
  return (/\r\n?|\n/.exec(block) || /\r\n?|\n/.exec(text) || ["\n"])[0];
}

// What separates a new block typed behind the last one from the text before it.
function appendGap(text, lineEnd) {
  const breaks = (/[\r\n]*$/.exec(text)[0].match(/\r\n|\r|\n/g) || []).length;
  return text === "" || breaks >= 2 ? "" : lineEnd.repeat(2 - breaks);
}

// Types a tab into the box as the native editor does; the browser's own undo keeps it.
function typeTab(box) {
  if (!document.execCommand("insertText", false, "\t")) {
    box.setRangeText("\t", box.selectionStart, box.selectionEnd, "end");
    box.dispatchEvent(new Event("input"));
  }
}

class VisualEditor {
  // `page` gives: text(), lineStarts(), blocks(), labels(), commit(newText), rerender().
  constructor(page) {
    this.page = page;
    // {box, element, from, to, append, gap, lineEnd, initial, before, timer, settled}: the box's
    // lines are [from, to) of the text; `initial` is the box's text as last handed over, `before`
    // the document's text when the box opened, `settled` the box's text before the word an input
    // method is composing (null while none is).
    this.open = null;
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
    const lineEnd = blockLineEnd(text.slice(from, to), text);
    this.open = {
      box,
      element,
      from,
      to,
      append: index < 0,
      gap: index < 0 ? appendGap(text, lineEnd) : "",
      lineEnd,
      initial: box.value,
      before: text,
      timer: 0,
      settled: null,
    };
    const open = this.open;
    const fit = () => {
      box.style.height = "auto";
      box.style.height = box.scrollHeight + 2 + "px";
    };
    box.addEventListener("input", (event) => {
      // A command's change of the text ends a composition without a compositionend.
      if (!event.isComposing) open.settled = null;
      fit();
      this.handOverLater();
    });
    // compositionstart comes before the word enters the box: the text is the one without it.
    box.addEventListener("compositionstart", () => {
      open.settled = box.value;
    });
    box.addEventListener("compositionend", () => {
      open.settled = null;
      this.handOverLater();
    });
    // Esc and Ctrl+Enter end editing in the page's own key handler, wherever the focus is.
    box.addEventListener("keydown", (event) => {
      if (event.key === "Tab" && !event.ctrlKey && !event.altKey && !event.metaKey &&
          !event.isComposing) {
        event.preventDefault();
        typeTab(box);
      }
    });
    // A click elsewhere in the page ends the edit; the program's own toolbar taking the focus
    // (to send a command to this box) does not: the page's losing the focus hands the text over.
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

  handOverLater() {
    const open = this.open;
    if (!open) return;
    clearTimeout(open.timer);
    open.timer = setTimeout(() => {
      if (this.open === open) this.handOverSettled();
    }, kTypingPauseMs);
  }

  // The document's text with `value` (a text of the box) in place of its lines, on `text` where
  // they are at [at, at + length).
  placed(value, text, at, length) {
    const open = this.open;
    const lines = value.replace(/\n/g, open.lineEnd);
    const inserted = open.append && lines !== "" ? open.gap + lines : lines;
    return { text: text.slice(0, at) + inserted + text.slice(at + length), length: inserted.length };
  }

  // Hands what was typed since the last time to the program, a word still being composed
  // included, as the box is about to go; the box stays open. True when there was something.
  handOver() {
    return this.open ? this.handOverText(this.open.box.value) : false;
  }

  // The same for a pause, a shortcut or the page losing the focus, while the box stays: a half
  // composed syllable ("việ" of "việt") would reach the program's saves and recovery as a word.
  // What was typed before the composition goes at once rather than when it ends, since a
  // composition may last a whole sentence and Ctrl+S or closing the window must not wait; the
  // word follows one pause after it is committed.
  handOverSettled() {
    const open = this.open;
    return open ? this.handOverText(open.settled === null ? open.box.value : open.settled) : false;
  }

  handOverText(value) {
    const open = this.open;
    clearTimeout(open.timer);
    open.timer = 0;
    if (value === open.initial) return false;
    const next = this.placed(value, this.page.text(), open.from, open.to - open.from);
    open.to = open.from + next.length;
    open.initial = value;
    this.page.commit(next.text);
    return true;
  }

  // The box's text on another version of the document, where the box's lines stand unchanged
  // at their place or once only; null when they cannot be found there.
  carryOnto(other) {
    const open = this.open;
    if (open.box.value === open.initial) return other;
    const text = this.page.text();
    const lines = text.slice(open.from, open.to);
    let at = other.length;
    if (open.append && lines === "") open.gap = appendGap(other, open.lineEnd);
    else if (other.startsWith(lines, open.from)) at = open.from;
    else {
      at = lines === "" ? -1 : other.indexOf(lines);
      if (at < 0 || other.indexOf(lines, at + 1) >= 0) return null;
    }
    return this.placed(open.box.value, other, at, lines.length).text;
  }

  // Puts the box's text back in place of its lines (when it changed) and shows the page again.
  close() {
    const open = this.open;
    if (!open) return;
    this.handOver();
    this.discard();
    const text = this.page.text();
    if (text !== open.before) {
      this.history.push({ before: open.before, after: text });
      this.future = [];
    }
    this.page.rerender();
  }

  // Leaves the box without putting its text back.
  discard() {
    if (!this.open) return;
    clearTimeout(this.open.timer);
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
    this.page.rerender();
  }
}

module.exports = { VisualEditor, wrapSelection, prefixSelectedLines };
