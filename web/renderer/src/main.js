// The page of the web preview and visual editor, and of standalone HTML files: it shows the
// document it is handed, and, inside the program's web view, talks with the program through the
// web view's message channel.
"use strict";

const markdown = require("./markdown");
const { VisualEditor } = require("./editor");

const channel = window.chrome && window.chrome.webview ? window.chrome.webview : null;
const documentPrefix = channel ? "https://document.tavrel.internal/" : "";

const labelTexts = {
  en: {
    error: "This document cannot be shown: ",
    editHint: "Esc or Ctrl+Enter ends editing",
    append: "Click here to add text",
  },
  vi: {
    error: "Không thể hiển thị tài liệu này: ",
    editHint: "Esc hoặc Ctrl+Enter để kết thúc chỉnh sửa",
    append: "Nhấp vào đây để thêm nội dung",
  },
};

// From this many blocks on, blocks away from the view are not laid out until they come near.
const kLongDocumentBlocks = 300;

const state = {
  text: "",
  session: "",
  mode: "preview",
  vi: false,
  starts: [0],
  blocks: [],
  shown: [],  // the HTML of each block element in #preview
  handedOver: [],  // texts of this session posted as changes that the program has not sent back
};

function post(message) {
  if (channel) channel.postMessage(message);
}

// The program sends each edit back once it has taken it; by then the page may have posted a
// newer one, which an older text coming back must not undo.
const kHandedOverKept = 8;
function postChange(text) {
  post({ type: "change", session: state.session, text });
  state.handedOver.push(text);
  if (state.handedOver.length > kHandedOverKept) state.handedOver.shift();
}

// Whether a text the program sends is the page's own (its latest, or an earlier edit coming back).
function knownText(session, text) {
  if (session !== state.session) return false;
  if (text === state.text) {
    state.handedOver = [];
    return true;
  }
  const older = state.handedOver.indexOf(text);
  if (older < 0) return false;
  state.handedOver.splice(0, older + 1);
  return true;
}

function preview() {
  return document.getElementById("preview");
}

function labels() {
  return Object.assign({ vi: state.vi }, state.vi ? labelTexts.vi : labelTexts.en);
}

function showError(detail) {
  let notice = document.getElementById("tavrel-error");
  if (!notice) {
    notice = document.createElement("div");
    notice.id = "tavrel-error";
    notice.setAttribute("role", "alert");
    document.body.insertBefore(notice, document.body.firstChild);
  }
  notice.textContent = labels().error + detail;
}

function clearError() {
  const notice = document.getElementById("tavrel-error");
  if (notice) notice.remove();
}

function blockElements(target) {
  return target.querySelectorAll(':scope > [data-block]:not([data-block="-1"])');
}

// The reader's place: the first block reaching into the view, and where its top is. Blocks away
// from the view of a long document have estimated heights, so a place in pixels would not
// survive a new rendering; a block and an offset do.
function readingPlace(target) {
  if (window.scrollY === 0) return null;
  const blocks = blockElements(target);
  let low = 0;
  let high = blocks.length - 1;
  while (low < high) {
    const middle = (low + high) >> 1;
    if (blocks[middle].getBoundingClientRect().bottom > 0) high = middle;
    else low = middle + 1;
  }
  if (blocks.length === 0) return { index: -1, top: 0, scroll: window.scrollY };
  return { index: low, top: blocks[low].getBoundingClientRect().top, scroll: window.scrollY };
}

// Brings the block back to where it was; again over the next frames, since blocks coming into
// view of a long document are laid out only then and may move it.
// A newer rendering, a "scroll" message or the reader's own scrolling ends a restoration.
let placeGeneration = 0;
function movedByReader() {
  placeGeneration++;
}

function restorePlace(target, place, frames = 3, generation = ++placeGeneration) {
  if (place === null || generation !== placeGeneration) return;
  const block = place.index >= 0 ? blockElements(target)[place.index] : null;
  if (!block) {
    window.scrollTo(0, place.scroll);
    return;
  }
  const off = block.getBoundingClientRect().top - place.top;
  if (off !== 0) window.scrollBy(0, off);
  if (frames > 0) {
    requestAnimationFrame(() => restorePlace(target, place, frames - 1, generation));
  }
}

function blockHtml(html, index) {
  return '<div class="block" data-block="' + index + '">' + html + "</div>";
}

// Shows the new blocks, replacing only those that changed: the others keep their layout, their
// pictures and, in a long document, the heights measured when they were last in view.
function showBlocks(target, htmls) {
  const elements = Array.from(blockElements(target));
  const old = state.shown;
  if (elements.length !== old.length || target.childElementCount !== elements.length) {
    target.innerHTML = htmls.map(blockHtml).join("");
    state.shown = htmls;
    return;
  }
  let same = 0;
  while (same < old.length && same < htmls.length && old[same] === htmls[same]) same++;
  let tail = 0;
  while (
    tail < old.length - same &&
    tail < htmls.length - same &&
    old[old.length - 1 - tail] === htmls[htmls.length - 1 - tail]
  ) {
    tail++;
  }
  for (let i = same; i < old.length - tail; i++) elements[i].remove();
  const fresh = document.createElement("template");
  fresh.innerHTML = htmls
    .slice(same, htmls.length - tail)
    .map((html, k) => blockHtml(html, same + k))
    .join("");
  target.insertBefore(fresh.content, elements[old.length - tail] || null);
  if (htmls.length !== old.length) {
    for (let k = 0; k < tail; k++) {
      elements[old.length - tail + k].dataset.block = String(htmls.length - tail + k);
    }
  }
  state.shown = htmls;
}

// Renders the current text into #preview, keeping the reader where they were.
function rerender() {
  const target = preview();
  if (!target) return;
  const place = readingPlace(target);
  const appended = target.querySelector(':scope > [data-block="-1"]');
  if (appended) appended.remove();
  const result = markdown.render(state.text, documentPrefix);
  state.blocks = result.blocks;
  state.starts = markdown.lineStarts(state.text);
  showBlocks(
    target,
    result.blocks.map((block) => block.html),
  );
  if (state.mode === "edit") {
    target.insertAdjacentHTML(
      "beforeend",
      '<div class="block append" data-block="-1">' + escapeText(labels().append) + "</div>",
    );
  }
  target.classList.toggle("editing", state.mode === "edit");
  // Only in the program's view: a standalone page is read, searched and printed as a whole.
  target.classList.toggle("long", channel !== null && state.blocks.length > kLongDocumentBlocks);
  restorePlace(target, place);
}

function escapeText(text) {
  const span = document.createElement("span");
  span.textContent = text;
  return span.innerHTML;
}

const editor = new VisualEditor({
  text: () => state.text,
  lineStarts: () => state.starts,
  blocks: () => state.blocks,
  labels,
  rerender,
  commit(next) {
    state.text = next;
    postChange(next);
  },
});

function member(message, name, kind, fallback) {
  if (!(name in message) || message[name] === undefined) return fallback;
  if (typeof message[name] !== kind) throw new TypeError('"' + name + '" is not a ' + kind);
  return message[name];
}

function setStyles(css) {
  let style = document.getElementById("tavrel-custom-css");
  if (!style) {
    style = document.createElement("style");
    style.id = "tavrel-custom-css";
    document.head.appendChild(style);
  }
  style.textContent = css;  // after the page's own styles, so the user's rules win
}

// Takes a "document" message: checks every member before anything changes.
function receive(message) {
  try {
    if (message === null || typeof message !== "object" || Array.isArray(message)) {
      throw new TypeError("the message is not an object");
    }
    if (message.type !== "document") throw new TypeError('"type" is not "document"');
    const text = member(message, "text", "string", null);
    if (text === null) throw new TypeError('"text" is missing');
    const next = {
      text,
      session: member(message, "session", "string", ""),
      mode: member(message, "mode", "string", "preview") === "edit" ? "edit" : "preview",
      dark: member(message, "dark", "boolean", false),
      vi: member(message, "vi", "boolean", false),
      css: member(message, "css", "string", null),
    };
    apply(next);
    clearError();
  } catch (error) {
    showError(error && error.message ? error.message : String(error));
  }
}

function apply(next) {
  document.documentElement.dataset.theme = next.dark ? "dark" : "light";
  document.documentElement.lang = next.vi ? "vi" : "en";
  if (next.css !== null) setStyles(next.css);
  if (knownText(next.session, next.text)) {
    if (editor.isOpen() && next.mode === "edit" && next.vi === state.vi) return;  // it stays open
    Object.assign(state, { mode: next.mode, vi: next.vi });
    if (editor.isOpen()) editor.close();  // hands over what was typed and shows the page
    else rerender();
    return;
  }
  // Another text or document replaces the page's. What was typed in a box goes to the program
  // first: onto the new text where the box's lines are still found there, else as an edit of
  // the text it was typed in, for the document it was typed in.
  let text = next.text;
  if (editor.isOpen()) {
    const carried = next.session === state.session ? editor.carryOnto(next.text) : null;
    if (carried === null) editor.handOver();
    else text = carried;
    editor.discard();
  }
  editor.forgetHistory();
  state.handedOver = [];
  Object.assign(state, { text, session: next.session, mode: next.mode, vi: next.vi });
  if (text !== next.text) postChange(text);
  rerender();
}

// Settles once every picture is decoded (or failed) and the layout has been drawn.
function prepareExport() {
  if (preview()) preview().classList.remove("long");
  const images = Array.from(document.querySelectorAll("#preview img"));
  const decoded = images.map((image) =>
    Promise.race([
      image.decode ? image.decode().catch(() => null) : Promise.resolve(),
      new Promise((resolve) => setTimeout(resolve, 10000)),
    ]),
  );
  return Promise.all(decoded)
    .then(
      () =>
        new Promise((resolve) => {
          requestAnimationFrame(() => setTimeout(resolve, 0));
          setTimeout(resolve, 250);  // a hidden page draws no frames
        }),
    )
    .then(() => true);
}

function scrollToFraction(fraction) {
  if (typeof fraction !== "number" || !Number.isFinite(fraction)) return;
  movedByReader();
  const range = document.documentElement.scrollHeight - window.innerHeight;
  window.scrollTo(0, Math.max(0, Math.min(1, fraction)) * Math.max(0, range));
}

function onHostMessage(event) {
  const message = event.data;
  if (!message || typeof message !== "object") return;
  if (message.type === "document") receive(message);
  else if (message.type === "command" && typeof message.name === "string") {
    editor.command(message.name);
  } else if (message.type === "scroll") scrollToFraction(message.fraction);
}

function onClick(event) {
  const target = event.target instanceof Element ? event.target : null;
  if (!target || !preview() || !preview().contains(target)) return;
  if (state.mode === "edit" && !target.closest("textarea")) {
    if (editor.isOpen()) {
      editor.close();  // a click elsewhere ends the edit; the next one opens another block
      return;
    }
    const block = target.closest("[data-block]");
    if (block) {
      event.preventDefault();
      editor.openBlock(Number(block.dataset.block), block);
      return;
    }
  }
  const link = target.closest("a[href]");
  if (!link) return;
  const href = link.getAttribute("href");
  if (href.startsWith("#")) {
    event.preventDefault();
    const anchor = document.getElementById(decodeAnchor(href.slice(1)));
    if (anchor) anchor.scrollIntoView();
  } else if (channel) {
    event.preventDefault();
    post({ type: "open", url: href });
  }
}

function decodeAnchor(text) {
  try {
    return decodeURIComponent(text);
  } catch (error) {
    return text;
  }
}

// The program's shortcuts pressed inside the page go to the program, after what was typed in a
// box (without a word still being composed). Esc and Ctrl+Enter end editing wherever the focus
// is.
function onKeyDown(event) {
  // While an input method composes a word, Esc and Enter are its own: they cancel or commit it.
  const ending = event.key === "Escape" || (event.key === "Enter" && event.ctrlKey);
  if (editor.isOpen() && ending && !event.isComposing) {
    event.preventDefault();
    editor.close();
    return;
  }
  if (!channel || !event.ctrlKey || event.altKey) return;
  const key = event.key.length === 1 ? event.key.toLowerCase() : "";
  if (key === "n" || key === "o" || key === "s") {
    event.preventDefault();
    editor.handOverSettled();
    post({ type: "shortcut", key, shift: event.shiftKey });
  }
}

// The web view may not reach the clipboard itself: the program puts the copied text there.
function onCopy(event) {
  if (!channel) return;
  const active = document.activeElement;
  const text =
    active && active.tagName === "TEXTAREA"
      ? active.value.slice(active.selectionStart, active.selectionEnd)
      : String(window.getSelection());
  if (text === "") return;
  event.preventDefault();
  post({ type: "copy", text });
}

for (const kind of ["wheel", "mousedown", "keydown", "touchstart"]) {
  window.addEventListener(kind, movedByReader, { passive: true, capture: true });
}
document.addEventListener("click", onClick);
document.addEventListener("keydown", onKeyDown);
document.addEventListener("copy", onCopy);
// The program's own commands (Save from its toolbar or menu, another tab, closing) take the focus
// from the page: what was typed goes to the program then, and the box stays open.
window.addEventListener("blur", () => editor.handOverSettled());
document.addEventListener("visibilitychange", () => {
  if (document.hidden) editor.handOverSettled();
});

window.Tavrel = { receive, prepareExport };
if (channel) {
  channel.addEventListener("message", onHostMessage);
  post({ type: "ready" });
}
