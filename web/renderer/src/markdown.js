// Markdown to HTML for the page, in the dialect of the program's native preview: tables,
// strikethrough, task lists, permissive autolinks, LaTeX math spans, no raw HTML. Every top-level
// block carries the source lines it came from, so that the visual editor can give back exactly
// those lines.
"use strict";

const markdownit = require("markdown-it");

// Raw HTML is parsed (so that inline tags never count as heading text, as in the program) but
// always written out as text: a document can never run markup in the page.
const md = markdownit({ html: true, linkify: true, typographer: false });
md.disable("html_block");
md.linkify.set({ fuzzyLink: false, fuzzyIP: false });
md.linkify.add("//", null);
md.linkify.add("ftp:", "http:");

const escapeHtml = md.utils.escapeHtml;

// Nesting. markdown-it drops whatever lies deeper than its nesting limit (100 levels, a list level
// taking two), and its block parser recurses a few frames per level. Blocks nest here up to
// `blockLevels`; lines deeper than that are shown as one paragraph of their text, so that every
// word the program shows is shown, and the recursion stays far from the stack's end. Inline
// nesting keeps markdown-it's limit: it keeps the text beyond it anyway.
const kBlockLevels = 1000;
let blockLevels = kBlockLevels;

function literalLines(state, startLine, endLine) {
  let line = startLine;
  // As the parser's own loop: a line indented less than the container's content ends it.
  while (line < endLine && (state.isEmpty(line) || state.sCount[line] >= state.blkIndent)) line++;
  const content = state.getLines(startLine, line, state.blkIndent, false).trim();
  state.line = line;
  if (content === "") return;
  state.push("paragraph_open", "p", 1).map = [startLine, line];
  const inline = state.push("inline", "", 0);
  inline.content = content;
  inline.map = [startLine, line];
  inline.children = [];
  state.push("paragraph_close", "p", -1);
}

const tokenizeBlocks = md.block.tokenize.bind(md.block);
md.block.tokenize = (state, startLine, endLine) => {
  if (state.level >= blockLevels) literalLines(state, startLine, endLine);
  else tokenizeBlocks(state, startLine, endLine);
};
const parseBlocks = md.block.parse.bind(md.block);
md.block.parse = (src, instance, env, tokens) => {
  const inlineLevels = instance.options.maxNesting;
  instance.options.maxNesting = Infinity;  // the block depth is bounded above
  try {
    parseBlocks(src, instance, env, tokens);
  } finally {
    instance.options.maxNesting = inlineLevels;
  }
};

// A stack that is smaller than expected still shows the text: parsed again with a low block depth.
function parseBounded(body, env) {
  try {
    return md.parse(body, env);
  } catch (error) {
    if (!(error instanceof RangeError)) throw error;
  }
  blockLevels = 100;
  try {
    for (const key of Object.keys(env)) if (key !== "documentPrefix") delete env[key];
    return md.parse(body, env);
  } finally {
    blockLevels = kBlockLevels;
  }
}
md.renderer.rules.html_inline = (tokens, idx) => escapeHtml(tokens[idx].content);
md.renderer.rules.html_block = (tokens, idx) => "<p>" + escapeHtml(tokens[idx].content) + "</p>";

// An HTML comment runs to the first "-->", whatever it holds (as in the program's parser; the
// older rule here refuses comments with "--" inside, whose text would then count for heading ids).
md.inline.ruler.before("html_inline", "html_comment", (state, silent) => {
  if (!state.src.startsWith("<!--", state.pos)) return false;
  const rest = state.src.slice(state.pos + 4, state.posMax);
  const short = /^-?>/.exec(rest);
  const close = short ? short[0].length : rest.indexOf("-->") + 3;
  if (close < 3 && !short) return false;
  if (!silent) state.push("html_inline", "", 0).content = state.src.slice(state.pos, state.pos + 4 + close);
  state.pos += 4 + close;
  return true;
});

// "www." addresses are links as in the native preview, though linkify only finds them with its
// fuzzy matching, which would also take any bare domain name.
md.linkify.add("www.", {
  validate(text, pos, self) {
    const tail = text.slice(pos);
    if (!self.re.www) self.re.www = /^[a-z0-9][a-z0-9-]*(\.[a-z0-9-]+)+(?:[/?#][^\s<]*)?/i;
    const match = self.re.www.exec(tail);
    if (!match) return 0;
    let length = match[0].length;
    while (length > 0 && /[.,:;!?)'"]/.test(tail[length - 1])) length--;
    return length;
  },
  normalize(match) {
    match.url = "http://" + match.url;
  },
});

// LaTeX math spans, "$...$" and "$$...$$", exactly where the program's parser (md4c) finds them.
// md4c settles escapes, code spans, raw HTML and autolinks while it collects its marks, then links
// and images, and only then emphasis, strikethrough and "$" together, from left to right, the text
// of each link on its own. A run of one or two "$" can open unless a letter or digit (anything
// but a blank or punctuation) stands before it, and close unless one follows it; a closer takes
// the latest opener of its width, and a span discards every other pending opener. markdown-it
// resolves one rule after another from the left, so the spans of a whole inline text are worked
// out first, on the page's own reading of code, links and tags, and the rules below follow them.
const kOpens = 1;
const kCloses = 2;
const kBoth = 4;
const kOpener = 8;
const kResolved = 16;

const inlineRules = new Map();
function inlineRule(name) {
  if (!inlineRules.has(name)) inlineRules.set(name, md.inline.ruler.__rules__.find((r) => r.name === name).fn);
  return inlineRules.get(name);
}

// What stands beside a mark, as md4c tells it: 0 a blank or the line's end, 1 punctuation or a
// symbol, 2 anything else.
function charKind(code) {
  if (code === undefined || code === 0x20 || code === 0x0a || code === 0x09 || code === 0x0b || code === 0x0c) return 0;
  if (code < 0x80) return (code >= 0x21 && code <= 0x2f) || (code >= 0x3a && code <= 0x40) ||
    (code >= 0x5b && code <= 0x60) || (code >= 0x7b && code <= 0x7e) ? 1 : 2;
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

// Where `rule`, tried at `pos` without output, stops; -1 when it does not apply.
function ruleEnd(state, rule, pos, max) {
  const [oldPos, oldMax] = [state.pos, state.posMax];
  state.pos = pos;
  state.posMax = max;
  const end = rule(state, true) ? state.pos : -1;
  state.pos = oldPos;
  state.posMax = oldMax;
  return end;
}

function runEnd(src, pos) {
  let end = pos + 1;
  while (src[end] === src[pos]) end++;
  return end;
}

// md4c's marks for "*", "_", "~" and "$" in src[from, to), links as a resolved "[" and "]" with the
// marks of their text between; the marks of a link's address and reference follow its "]" and
// carry `address`, the link's end.
function collectMarks(state, found, from, to, address) {
  const src = state.src;
  let pos = from;
  while (pos < to) {
    const ch = src[pos];
    if (ch === "\\" && /^[!-\/:-@[-`{-~\n]$/.test(src[pos + 1] || "")) pos += 2;
    else if (ch === "`") pos = Math.max(ruleEnd(state, inlineRule("backticks"), pos, to), pos + 1);
    else if (ch === "<") pos = Math.max(tagEnd(state, pos, to), pos + 1);
    else if (ch === "[" || ch === "!") pos = address === undefined ? collectLink(state, found, pos, to) : pos + 1;
    else if (ch === "$" || ch === "*" || ch === "_" || ch === "~") pos = addMark(src, found.marks, pos, address);
    else pos++;
  }
}

function tagEnd(state, pos, to) {
  for (const name of ["autolink", "html_comment", "html_inline"]) {
    const end = ruleEnd(state, inlineRule(name), pos, to);
    if (end >= 0) return end;
  }
  return -1;
}

function collectLink(state, found, pos, to) {
  const image = state.src[pos] === "!";
  if (image && state.src[pos + 1] !== "[") return pos + 1;
  const end = ruleEnd(state, inlineRule(image ? "image" : "link"), pos, to);
  if (end < 0) return pos + 1;
  const oldMax = state.posMax;
  state.posMax = to;
  const labelEnd = md.helpers.parseLinkLabel(state, image ? pos + 1 : pos, !image);
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

// md4c's resolution of "*", "_", "~" and "$" over marks[from, to), skipping resolved ranges, with
// its stacks of pending openers: "*" and "_" each by whether they may also close and by their run
// length modulo 3, "~" by run length, "$" alone.
const kDollarStack = 15;
const kDummy = { ch: "D", flags: 0 };
const stackOf = (mark) => {
  if (mark.ch === "$") return kDollarStack;
  if (mark.ch === "~") return 11 + mark.end - mark.beg;
  return emphasisStack(mark.ch, mark.flags & kBoth, mark.mod3);
};
const emphasisStack = (ch, both, mod3) => (ch === "_" ? 6 : 0) + (both ? 3 : 0) + mod3;
// The openers a closer may take, by the rule of three: [may also close, run length modulo 3].
const kEmphasisOpeners = [0, kBoth].map((closerBoth) => [0, 1, 2].map((closerMod3) =>
  [[kBoth, 0], [kBoth, 1], [kBoth, 2], [0, 0], [0, 1], [0, 2]].filter(
    ([both, mod3]) => mod3 + closerMod3 !== 3 || (!both && !closerBoth))));

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
    for (const openers of this.stacks) while (openers.length && openers.at(-1) >= opener) openers.pop();
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
      if (top !== undefined && (opener === undefined || marks[top].end > marks[opener].end)) opener = top;
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

// The math spans of one inline text: `spans` by the opener's offset; `behindLinks` by the end of
// a link whose address holds the opener: md4c shows the text from there to the closer as it is
// written, and the closer not at all.
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

// Links are read before math: a span never hides a "]" from a link's text, so the rules below
// take no part when markdown-it only looks for where a token ends.
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
  // As in md4c: a line's trailing blanks stay, else its break is one space; indentation goes.
  token.content = src.slice(open, closer.beg).replace(/([ \t]*)\n[ \t]*/g, (all, blanks) => blanks || " ");
  token.markup = src.slice(start, open);
  state.pos = closer.end;
  return true;
}
md.inline.ruler.after("escape", "math", mathSpan);

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
md.inline.ruler.before("text", "math_behind_link", textBehindLink);
md.renderer.rules.math_inline = (tokens, idx) => {
  const token = tokens[idx];
  const kind = token.markup.length === 2 ? "math display" : "math";
  return '<span class="' + kind + '">' + escapeHtml(token.content) + "</span>";
};

// Task list items: "[ ]", "[x]" or "[X]" and a blank at the start of an item's first paragraph.
function taskLists(state) {
  const tokens = state.tokens;
  for (let i = 2; i < tokens.length; i++) {
    const inline = tokens[i];
    if (inline.type !== "inline" || tokens[i - 1].type !== "paragraph_open") continue;
    if (tokens[i - 2].type !== "list_item_open") continue;
    const first = inline.children[0];
    const match = first && first.type === "text" && /^\[([ xX])\](?:[ \t]|$)/.exec(first.content);
    if (!match) continue;
    first.content = first.content.slice(match[0].length);
    const box = new state.Token("task_box", "input", 0);
    box.checked = match[1] !== " ";
    inline.children.unshift(box);
    tokens[i - 2].attrJoin("class", "task");
  }
}
md.core.ruler.after("inline", "task_lists", taskLists);
md.renderer.rules.task_box = (tokens, idx) =>
  '<input type="checkbox" disabled' + (tokens[idx].checked ? " checked" : "") + "> ";

// The text a heading shows, as the program takes it for its ids: texts, code and math as written,
// a soft break as a blank, an image as the frame sign and its description; tags give nothing.
function headingText(children) {
  let text = "";
  for (const token of children) {
    switch (token.type) {
      case "text":
      case "code_inline":
      case "math_inline":
        text += token.content;
        break;
      case "softbreak":
        text += " ";
        break;
      case "hardbreak":
        text += "\n";
        break;
      case "image":
        text += "\u25A7 " + headingText(token.children || []);
        break;
      default:
        break;
    }
  }
  return text;
}

// The program's anchor id: blanks become "-", ASCII letters and digits lower case, "-" and "_"
// stay, other ASCII goes, everything beyond ASCII stays; nothing left gives "section".
function baseHeadingId(text) {
  let id = "";
  for (const ch of text) {
    const code = ch.codePointAt(0);
    if (ch === " " || ch === "\t") id += "-";
    else if (/[A-Za-z0-9]/.test(ch)) id += ch.toLowerCase();
    else if (ch === "-" || ch === "_" || code >= 0x80) id += ch;
  }
  return id === "" ? "section" : id;
}

function headingIds(state) {
  const seen = new Map();
  const headings = [];
  const tokens = state.tokens;
  for (let i = 0; i + 1 < tokens.length; i++) {
    if (tokens[i].type !== "heading_open") continue;
    const text = headingText(tokens[i + 1].children || []);
    const base = baseHeadingId(text);
    const count = seen.get(base) || 0;
    seen.set(base, count + 1);
    const id = count === 0 ? base : base + "-" + count;
    tokens[i].attrSet("id", id);
    headings.push({ level: Number(tokens[i].tag.slice(1)), text, id });
  }
  state.env.headings = headings;
}
md.core.ruler.push("heading_ids", headingIds);

// A paragraph that is exactly "[TOC]" becomes the table of contents.
function tableOfContents(headings) {
  let html = '<nav class="toc">';
  for (const h of headings) {
    html += '<a style="margin-left:' + (h.level - 1) * 16 + 'px" href="#' + escapeHtml(h.id) + '">';
    html += escapeHtml(h.text) + "</a>";
  }
  return html + "</nav>";
}

// Images: "data:" addresses as they are, relative paths through the document host when there is
// one, nothing else; a picture that cannot load shows its description.
const schemePattern = /^[a-z][a-z0-9+.-]*:/i;
function imageAddress(src, documentPrefix) {
  if (/^data:image\//i.test(src)) return src;
  if (!documentPrefix || schemePattern.test(src) || src.startsWith("//") || src.startsWith("\\")) {
    return null;
  }
  return documentPrefix + documentPath(src);
}

// A relative address as the document host serves it: each path segment decoded once (the
// Markdown may hold it percent-encoded or not) and encoded again, so "#", "?" and "%" in file
// names stay part of the name.
function documentPath(src) {
  return src
    .replace(/\\/g, "/")
    .split("/")
    .map((segment) => {
      let name = segment;
      try {
        name = decodeURIComponent(segment);
      } catch (e) {
        name = segment;
      }
      return encodeURIComponent(name);
    })
    .join("/");
}

// An image's description: its text, as markdown-it takes it, and its math as the program does.
function imageDescription(tokens) {
  let text = "";
  for (const token of tokens) {
    if (token.type === "text" || token.type === "math_inline") text += token.content;
    else if (token.type === "image") text += imageDescription(token.children || []);
  }
  return text;
}

md.renderer.rules.image = (tokens, idx, options, env) => {
  const token = tokens[idx];
  const alt = imageDescription(token.children || []);
  const address = imageAddress(token.attrGet("src") || "", env.documentPrefix);
  if (address === null) return '<span class="image-missing">' + escapeHtml(alt) + "</span>";
  const title = token.attrGet("title");
  return (
    '<img src="' + escapeHtml(address) + '" alt="' + escapeHtml(alt) + '"' +
    (title ? ' title="' + escapeHtml(title) + '"' : "") + ">"
  );
};

// The program strips a front matter block before it renders; so does the page, counting its lines
// so that the line map still points into the whole text.
function splitFrontMatter(text) {
  if (!text.startsWith("---\n")) return { body: text, skipped: 0 };
  const close = text.indexOf("\n---\n", 4);
  if (close < 0) return { body: text, skipped: 0 };
  const head = text.slice(0, close + 5);
  return { body: text.slice(close + 5), skipped: lineStarts(head).length - 1 };
}

// Where each line starts; the line breaks are those the parser counts (LF, CR LF, lone CR).
function lineStarts(text) {
  const starts = [0];
  const breaks = /\r\n?|\n/g;
  let match;
  while ((match = breaks.exec(text)) !== null) starts.push(match.index + match[0].length);
  return starts;
}

// Renders the whole text into its top-level blocks: each block's HTML and its line range in the
// whole text (first line, line after the last).
function render(text, documentPrefix) {
  const { body, skipped } = splitFrontMatter(text);
  const env = { documentPrefix };
  const tokens = parseBounded(body, env);
  const blocks = [];
  let line = skipped;
  let start = 0;
  while (start < tokens.length) {
    let end = start;
    if (tokens[start].nesting === 1) {
      let depth = 0;
      for (; end < tokens.length; end++) {
        depth += tokens[end].nesting;
        if (depth === 0) break;
      }
    }
    const slice = tokens.slice(start, end + 1);
    const map = tokens[start].map;
    const html = isTocParagraph(slice)
      ? tableOfContents(env.headings)
      : md.renderer.render(slice, md.options, env);
    if (map) line = map[0] + skipped;
    const last = map ? map[1] + skipped : line;  // a block without lines opens as an empty box
    blocks.push({ html, first: line, end: last });
    line = last;
    start = end + 1;
  }
  return { blocks, headings: env.headings || [] };
}

function isTocParagraph(slice) {
  if (slice.length !== 3 || slice[0].type !== "paragraph_open") return false;
  const children = slice[1].children || [];
  return children.length === 1 && children[0].type === "text" && children[0].content === "[TOC]";
}

module.exports = { render, lineStarts, baseHeadingId, documentPath };
