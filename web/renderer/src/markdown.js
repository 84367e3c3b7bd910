// Markdown to HTML for the page, in the dialect of the program's native preview: tables,
// strikethrough, task lists, permissive autolinks, LaTeX math spans, no raw HTML. Every top-level
// block carries the source lines it came from, so that the visual editor can give back exactly
// those lines.
"use strict";

const markdownit = require("markdown-it");
const { mathSpans } = require("./math");

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

// LaTeX math spans, "$...$" and "$$...$$", where the program's parser finds them.
md.use(mathSpans);

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
