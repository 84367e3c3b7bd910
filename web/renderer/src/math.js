// LaTeX math spans, "$...$" and "$$...$$", exactly where the program's parser (md4c) finds them.
//
// md4c settles escapes, code spans, raw HTML and autolinks while it collects its marks, then links
// and images, and only then emphasis, strikethrough and "$" together, from left to right, the text
// of each link on its own. A run of one or two "$" can open unless a letter or digit (anything
// but a blank or punctuation) stands before it, and close unless one follows it; a closer takes
// the latest opener of its width, and a span discards every other pending opener and undoes
// whatever it covers. markdown-it resolves one rule after another from the left instead, so the
// spans of a whole inline text are worked out first, on the page's own reading of code spans,
// links and tags, and the rules only follow that plan.
"use strict";

const kOpens = 1;
const kCloses = 2;
const kBoth = 4;  // a run of "*" or "_" that may open and close
const kOpener = 8;
const kResolved = 16;

const ruleTables = new WeakMap();
function inlineRule(md, name) {
  let rules = ruleTables.get(md);
  if (!rules) {
    rules = new Map(md.inline.ruler.__rules__.map((rule) => [rule.name, rule.fn]));
    ruleTables.set(md, rules);
  }
  return rules.get(name);
}

// What stands beside a mark, as md4c tells it: 0 a blank or the line's edge, 1 punctuation or a
// symbol, 2 anything else.
function charKind(code) {
  if (code === undefined || code === 0x20 || (code >= 0x09 && code <= 0x0c)) return 0;
  if (code < 0x80) {
    const punctuation = (code >= 0x21 && code <= 0x2f) || (code >= 0x3a && code <= 0x40) ||
      (code >= 0x5b && code <= 0x60) || (code >= 0x7b && code <= 0x7e);
    return punctuation ? 1 : 2;
  }
  const ch = String.fromCodePoint(code);
  if (/\p{Zs}/u.test(ch)) return 0;
  return /[\p{P}\p{S}]/u.test(ch) ? 1 : 2;
}

function kindBefore(src, at) {
  if (at === 0) return 0;
  const last = src.codePointAt(at - 1);
  const pair = at >= 2 && last >= 0xdc00 && last <= 0xdfff && src.codePointAt(at - 2) > 0xffff;
  return charKind(pair ? src.codePointAt(at - 2) : last);
}

const kindAt = (src, at) => charKind(src.codePointAt(at));

function runEnd(src, pos) {
  let end = pos + 1;
  while (src[end] === src[pos]) end++;
  return end;
}

// Where markdown-it's rule `name`, tried at `pos` without output, stops; -1 when it does not apply.
function ruleEnd(state, name, pos, max) {
  const [oldPos, oldMax] = [state.pos, state.posMax];
  state.pos = pos;
  state.posMax = max;
  const end = inlineRule(state.md, name)(state, true) ? state.pos : -1;
  state.pos = oldPos;
  state.posMax = oldMax;
  return end;
}

function tagEnd(state, pos, max) {
  for (const name of ["autolink", "html_comment", "html_inline"]) {
    const end = ruleEnd(state, name, pos, max);
    if (end >= 0) return end;
  }
  return -1;
}

// md4c's marks for "*", "_", "~" and "$" in src[from, to). A link is a resolved "[" and "]" with
// the marks of its text between; the marks of its address or reference follow its "]" and carry
// `address`, the link's end, as md4c goes on reading them with the text around the link.
function collectMarks(state, found, from, to, address) {
  const src = state.src;
  let pos = from;
  while (pos < to) {
    const ch = src[pos];
    if (ch === "\\" && /^[!-\/:-@[-`{-~\n]$/.test(src[pos + 1] || "")) pos += 2;
    else if (ch === "`") pos = Math.max(ruleEnd(state, "backticks", pos, to), pos + 1);
    else if (ch === "<") pos = Math.max(tagEnd(state, pos, to), pos + 1);
    else if (ch === "[" || ch === "!") {
      pos = address === undefined ? collectLink(state, found, pos, to) : pos + 1;
    } else if (ch === "$" || ch === "*" || ch === "_" || ch === "~") {
      pos = addMark(src, found.marks, pos, address);
    } else pos++;
  }
}

function collectLink(state, found, pos, to) {
  const image = state.src[pos] === "!";
  if (image && state.src[pos + 1] !== "[") return pos + 1;
  const end = ruleEnd(state, image ? "image" : "link", pos, to);
  if (end < 0) return pos + 1;
  const oldMax = state.posMax;
  state.posMax = to;
  const labelEnd = state.md.helpers.parseLinkLabel(state, image ? pos + 1 : pos, !image);
  state.posMax = oldMax;
  const { marks } = found;
  const opener = marks.push({ ch: "[", beg: pos, end: labelEnd, flags: kOpener | kResolved }) - 1;
  collectMarks(state, found, pos + (image ? 2 : 1), labelEnd);
  marks[opener].next = marks.length;
  marks.push({ ch: "]", beg: labelEnd, end, flags: kResolved });
  collectMarks(state, found, labelEnd + 1, end, end);
  found.links.push(opener);  // inner links before outer ones, as md4c resolves them
  return end;
}

const kDummy = { ch: "D", flags: 0 };

function addMark(src, marks, pos, address) {
  const ch = src[pos];
  const end = runEnd(src, pos);
  const size = end - pos;
  let before = kindBefore(src, pos);
  let after = kindAt(src, end);
  let flags = 0;
  if (ch === "$" && size <= 2) {
    flags = (before !== 2 ? kOpens : 0) | (after !== 2 ? kCloses : 0);
  } else if (ch === "~" && size <= 2) {
    flags = (after !== 0 ? kOpens : 0) | (before !== 0 ? kCloses : 0);
  } else if (ch === "*" || ch === "_") {
    if (ch === "_" && before === 2 && after === 2) before = after = 0;  // inside a word
    if (before > 0 && before >= after) flags |= kCloses;
    if (after > 0 && after >= before) flags |= kOpens;
    if (flags === (kOpens | kCloses)) flags |= kBoth;
  }
  if (flags === 0) return end;
  marks.push({ ch, beg: pos, end, flags, mod3: size % 3, address });
  // Room for the pieces a run of "*" or "_" may be split into.
  for (let at = pos + 1; at < end && (ch === "*" || ch === "_"); at++) marks.push(kDummy);
  return end;
}

// md4c's stacks of pending openers: "*" and "_" each by whether they may also close and by their
// run length modulo 3, "~" by run length, "$" alone.
const kDollarStack = 15;
const emphasisStack = (ch, both, mod3) => (ch === "_" ? 6 : 0) + (both ? 3 : 0) + mod3;
function stackOf(mark) {
  if (mark.ch === "$") return kDollarStack;
  if (mark.ch === "~") return 11 + mark.end - mark.beg;
  return emphasisStack(mark.ch, mark.flags & kBoth, mark.mod3);
}

// The openers an emphasis closer may take, by the rule of three: [may also close, modulo 3].
const kEmphasisOpeners = [0, kBoth].map((closerBoth) => [0, 1, 2].map((closerMod3) =>
  [[kBoth, 0], [kBoth, 1], [kBoth, 2], [0, 0], [0, 1], [0, 2]].filter(
    ([both, mod3]) => mod3 + closerMod3 !== 3 || (!both && !closerBoth))));

// md4c's resolution of "*", "_", "~" and "$", one range of marks at a time, skipping the ranges
// resolved before.
class MarkResolver {
  constructor(marks) {
    this.marks = marks;
    this.stacks = Array.from({ length: 16 }, () => []);
  }

  run(from, to) {
    const marks = this.marks;
    for (const openers of this.stacks) openers.length = 0;
    for (let at = from; at < to; at++) {
      const mark = marks[at];
      if (mark.flags & kResolved) {
        if (mark.flags & kOpener) at = mark.next;
        continue;
      }
      if (mark.ch === "D") continue;
      if (mark.flags & kCloses && this.close(at, mark)) continue;
      if (mark.flags & kOpens) this.stacks[stackOf(mark)].push(at);
    }
  }

  close(at, mark) {
    if (mark.ch === "$") return this.closeDollar(at, mark);
    if (mark.ch === "~") return this.closeTilde(at, mark);
    return this.closeEmphasis(at, mark);
  }

  // A span drops the openers pending inside it; a math span also undoes what it covers.
  resolve(opener, closer, undoInside) {
    const marks = this.marks;
    for (const openers of this.stacks) {
      while (openers.length && openers.at(-1) >= opener) openers.pop();
    }
    for (let at = opener + 1; undoInside && at < closer; at++) marks[at] = kDummy;
    marks[opener].flags |= kOpener | kResolved;
    marks[opener].next = closer;
    marks[closer].flags |= kResolved;
  }

  closeDollar(at, mark) {
    const openers = this.stacks[kDollarStack];
    const opener = this.marks[openers.at(-1)];
    if (!opener || opener.end - opener.beg !== mark.end - mark.beg) return false;
    this.resolve(openers.at(-1), at, true);
    openers.length = 0;
    return true;
  }

  closeTilde(at, mark) {
    const openers = this.stacks[stackOf(mark)];
    if (openers.length === 0) return false;
    this.resolve(openers.pop(), at, false);
    return true;
  }

  closeEmphasis(at, mark) {
    const marks = this.marks;
    let opener;
    for (const [both, mod3] of kEmphasisOpeners[mark.flags & kBoth ? 1 : 0][mark.mod3]) {
      const top = this.stacks[emphasisStack(mark.ch, both, mod3)].at(-1);
      if (top !== undefined && (opener === undefined || marks[top].end > marks[opener].end)) {
        opener = top;
      }
    }
    if (opener === undefined) return false;
    const openerSize = marks[opener].end - marks[opener].beg;
    const closerSize = mark.end - mark.beg;
    const openers = this.stacks[stackOf(marks[opener])];
    if (openerSize > closerSize) {
      opener = this.split(opener, closerSize);  // the rest stays pending
    } else {
      if (openerSize < closerSize) this.split(at, closerSize - openerSize);
      openers.pop();
    }
    this.resolve(opener, at, false);
    return true;
  }

  // The last `size` characters of a run become a mark of their own in the room behind it.
  split(at, size) {
    const mark = this.marks[at];
    const piece = at + (mark.end - mark.beg - size);
    this.marks[piece] = { ...mark, beg: mark.end - size };
    mark.end -= size;
    return piece;
  }
}

// The math spans of one inline text: `spans` by the opener's offset, and `behindLinks` by the end
// of a link whose address holds the opener of a span that closes behind the link: md4c shows the
// text from there to the closer as it is written, and the closer not at all.
function planMath(state) {
  if (!state.src.includes("$")) return null;
  const found = { marks: [], links: [] };
  collectMarks(state, found, 0, state.src.length);
  const { marks } = found;
  const resolver = new MarkResolver(marks);
  for (const link of found.links) resolver.run(link + 1, marks[link].next);
  resolver.run(0, marks.length);
  const plan = { spans: new Map(), behindLinks: new Map() };
  for (const mark of marks) {
    if (mark.ch !== "$" || !(mark.flags & kOpener)) continue;
    const closer = marks[mark.next];
    if (mark.address === undefined) plan.spans.set(mark.beg, closer);
    else if (closer.address !== mark.address) plan.behindLinks.set(mark.address, closer);
  }
  return plan;
}

function mathPlan(state) {
  if (state.mathPlan === undefined) state.mathPlan = planMath(state);
  return state.mathPlan;
}

// Links are read before math, so a span never hides a "]" from a link's text: the rules take no
// part when markdown-it only looks for where a token ends (`silent`).
function mathSpan(state, silent) {
  const src = state.src;
  const start = state.pos;
  if (src.charCodeAt(start) !== 0x24 || silent) return false;
  const open = Math.min(runEnd(src, start), state.posMax);
  const closer = mathPlan(state)?.spans.get(start);
  if (!closer || closer.end > state.posMax) {
    state.pending += src.slice(start, open);
    state.pos = open;
    return true;
  }
  const token = state.push("math_inline", "span", 0);
  // As md4c writes a span over lines: a line's trailing blanks stay, else its break is one space;
  // the next line's indentation goes.
  token.content = src.slice(open, closer.beg)
    .replace(/([ \t]*)\n[ \t]*/g, (all, blanks) => blanks || " ");
  token.markup = src.slice(start, open);
  state.pos = closer.end;
  return true;
}

function textBehindLink(state, silent) {
  const closer = silent ? undefined : mathPlan(state)?.behindLinks.get(state.pos);
  if (!closer || closer.end > state.posMax) return false;
  const lines = state.src.slice(state.pos, closer.beg).split("\n");
  lines.forEach((line, index) => {
    const text = index > 0 ? line.replace(/^[ \t]+/, "") : line;
    if (index === lines.length - 1) {
      state.pending += text;
      return;
    }
    const content = text.replace(/[ \t]+$/, "");
    state.pending += content;
    state.push(text.slice(content.length).startsWith("  ") ? "hardbreak" : "softbreak", "br", 0);
  });
  state.pos = closer.end;
  return true;
}

function mathSpans(md) {
  md.inline.ruler.after("escape", "math", mathSpan);
  md.inline.ruler.before("text", "math_behind_link", textBehindLink);
  md.renderer.rules.math_inline = (tokens, idx) => {
    const token = tokens[idx];
    const kind = token.markup.length === 2 ? "math display" : "math";
    return '<span class="' + kind + '">' + md.utils.escapeHtml(token.content) + "</span>";
  };
}

module.exports = { mathSpans };
