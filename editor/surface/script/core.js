// The core of the page editor's editing surface, and its protocol with the C++ side.
//
// The parts (core.js, history.js, tables.js, positioning.js, paste.js, start.js) are read in
// that order into one function, in an isolated world: the page's own scripts stay off while
// this code edits the page's document. Before them the C++ side puts TABLES, made from its
// one table of commands: `commands`, the names of the editing commands; `status`, the
// statuses by name (kNotSupported, kDisabled, kEnabled, kLatched); `blockFormats`, the
// [name, tag] pairs of the block formats.
//
// Over QWebChannel the script reaches the object "surface":
//   bodyPiece(index)     the body's content, piece by piece, before editing starts
//   ready(state)         the document accepts commands
//   stateChanged(state)  the selection or the formatting changed (one push per burst)
//   takePicture(base64)  a pasted or dropped picture file; answers its file name, or ''
// The C++ side runs pagewright.call(name, args, notAfter), one of `api` below, and gets
// { value, error, state, late }. A state is { seq, status: { name: status }, blockFormat,
// fontName, fontSize, linkHref, linkText, selectedText }; the C++ side keeps the one with
// the highest seq. A call reaching the script after notAfter is refused (late: true), so a
// command the C++ side gave up on never changes the document behind it.

const MAX_SCANNED_NODES = 300;

const BLOCK_FORMATS = new Map(TABLES.blockFormats);
const LIST_TAGS = new Set(['ol', 'ul', 'dir', 'menu']);
const TEXT_BLOCKS = new Set(['p', 'h1', 'h2', 'h3', 'h4', 'h5', 'h6', 'pre', 'address', 'dt', 'dd', 'div']);
// Elements that may hold tables and other blocks; anything else is split around them.
const FLOW_CONTAINERS = new Set(['body', 'div', 'td', 'th', 'li', 'dd', 'blockquote', 'center', 'form',
  'fieldset', 'section', 'article', 'aside', 'header', 'footer', 'nav', 'main', 'figure', 'caption']);
// Structures that are never split to make room for a block.
const UNSPLITTABLE = new Set(['table', 'ul', 'ol', 'dl', 'dir', 'menu']);
const BLOCK_ELEMENTS = new Set(['address', 'blockquote', 'center', 'dir', 'div', 'dl', 'dt', 'dd', 'fieldset',
  'form', 'h1', 'h2', 'h3', 'h4', 'h5', 'h6', 'hr', 'li', 'menu', 'ol', 'p', 'pre', 'table', 'ul']);
const POSITIONABLE = new Set(['img', 'div', 'p', 'h1', 'h2', 'h3', 'h4', 'h5', 'h6', 'pre', 'address', 'table',
  'ul', 'ol', 'dl', 'blockquote', 'center']);
const EMBEDDED = 'img,table,iframe,object,embed,input,hr,select,textarea,video,audio,canvas,svg';
const COMMENT_MARK = 'pw-comment';

let bridge = null;
let seq = 0;
let pushPending = false;
const view = { borders: false, details: false, snap: false };

// ---- Small helpers -------------------------------------------------------------------

const body = () => document.body;
const elementOf = (node) => (node && node.nodeType === Node.ELEMENT_NODE ? node : node && node.parentElement);
const inBody = (node) => !!node && !!body() && body().contains(node);

function currentRange() {
  const selection = getSelection();
  if (!selection.rangeCount) return null;
  const range = selection.getRangeAt(0);
  return inBody(range.commonAncestorContainer) ? range : null;
}

function select(range) {
  const selection = getSelection();
  selection.removeAllRanges();
  selection.addRange(range);
}

function caretAt(node, offset) {
  const range = document.createRange();
  range.setStart(node, offset);
  range.collapse(true);
  select(range);
}

function caretInside(element) {
  const walker = document.createTreeWalker(element, NodeFilter.SHOW_TEXT);
  const text = walker.nextNode();
  if (text) caretAt(text, 0);
  else caretAt(element, 0);
}

function caretAfter(node) {
  const range = document.createRange();
  range.setStartAfter(node);
  range.collapse(true);
  select(range);
}

// Blank when it holds no text but white space (a non-breaking space is text) and nothing embedded.
const isEmptyBlock = (element) => !element.textContent.replace(/[ \t\n\r\f]/g, '') && !element.querySelector(EMBEDDED);

function escapeText(text) {
  return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/\u00a0/g, '&nbsp;');
}

function escapeAttribute(text) {
  return text.replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/\u00a0/g, '&nbsp;');
}

function stripQuotes(fontName) {
  return (fontName || '').split(',').map((name) => name.trim().replace(/^["']|["']$/g, '')).join(', ');
}


// ---- Inserting HTML at the caret ----------------------------------------------------

// The child of the nearest element that may hold blocks on the way up from `node`
// (null when `node` is such an element itself).
function flowChildHolding(node) {
  let child = null;
  for (let current = node; current; child = current, current = current.parentNode) {
    if (current.nodeType === Node.ELEMENT_NODE && FLOW_CONTAINERS.has(current.localName)) return child;
  }
  return null;
}

// Inserts the nodes at the caret, replacing the selection. Blocks are not put inside a
// paragraph or other text element: that element is split at the caret around them.
function insertNodes(nodes) {
  const range = currentRange();
  if (!range || !nodes.length) return null;
  range.deleteContents();
  const hasBlock = nodes.some((node) => node.nodeType === Node.ELEMENT_NODE && BLOCK_ELEMENTS.has(node.localName));
  const holder = hasBlock ? flowChildHolding(range.startContainer) : null;
  if (holder && holder.nodeType === Node.ELEMENT_NODE && !UNSPLITTABLE.has(holder.localName)) {
    const tail = document.createRange();
    tail.setStart(range.startContainer, range.startOffset);
    tail.setEnd(holder, holder.childNodes.length);
    const second = holder.cloneNode(false);
    second.appendChild(tail.extractContents());
    holder.after(second);
    for (const node of nodes) second.before(node);
    if (isEmptyBlock(second)) second.remove();
    if (isEmptyBlock(holder)) holder.remove();
  } else {
    const fragment = document.createDocumentFragment();
    fragment.append(...nodes);
    range.insertNode(fragment);
  }
  return nodes[nodes.length - 1];
}

function parseHtml(html) {
  const template = document.createElement('template');
  template.innerHTML = html;
  return [...template.content.childNodes];
}

function pasteHtml(html) {
  history.edit(() => {
    const last = insertNodes(parseHtml(html));
    if (last && last.isConnected) caretAfter(last);
  });
}

// ---- Block formats -------------------------------------------------------------------

const NAME_OF_TAG = new Map([...BLOCK_FORMATS].map(([name, tag]) => [tag, name]));

// The list whose item holds the selection, looking no further than the nearest cell.
function listAt(range) {
  for (let element = range && elementOf(range.startContainer); element && element !== body(); element = element.parentElement) {
    if (element.localName === 'td' || element.localName === 'th') return null;
    if (element.localName === 'li' && element.parentElement && LIST_TAGS.has(element.parentElement.localName)) {
      return element.parentElement;
    }
  }
  return null;
}

// The nearest text block holding the selection inside its cell, if any.
function blockAt(range) {
  for (let element = elementOf(range.startContainer); element && element !== body(); element = element.parentElement) {
    const tag = element.localName;
    if (tag === 'td' || tag === 'th') return null;
    if (TEXT_BLOCKS.has(tag)) return element;
  }
  return null;
}

// A list item counts as its list, whatever paragraph it holds; text in no block is Normal.
function blockFormatName(range) {
  if (!range) return '';
  const list = listAt(range);
  const block = blockAt(range);
  return NAME_OF_TAG.get(list ? list.localName : block ? block.localName : 'div');
}

// Elements that hold text only; a block inside one is moved out, splitting it.
const PHRASING_BLOCKS = new Set(['p', 'h1', 'h2', 'h3', 'h4', 'h5', 'h6', 'pre', 'address', 'dt']);

// The engine makes a list inside the paragraph it came from (<p><ol>...</ol></p>), which
// no HTML parser would read back the same; the list moves out, splitting the paragraph.
function liftOutOfTextBlocks(element) {
  const selection = captureSelection();
  for (let parent = element.parentElement; parent && PHRASING_BLOCKS.has(parent.localName); parent = element.parentElement) {
    const rest = parent.cloneNode(false);
    while (element.nextSibling) rest.appendChild(element.nextSibling);
    parent.after(element, rest);
    if (isEmptyBlock(rest)) rest.remove();
    if (isEmptyBlock(parent)) parent.remove();
  }
  restoreSelection(selection);
}

// The engine's list command, with the list it made lifted out of its paragraph, and the
// text of a list it took away put back into a paragraph rather than left loose.
function toggleList(tag) {
  document.execCommand(tag === 'ol' ? 'insertOrderedList' : 'insertUnorderedList');
  const range = currentRange();
  const list = listAt(range);
  if (list) liftOutOfTextBlocks(list);
  else if (range && !blockAt(range) && !cellAt(range)) document.execCommand('formatBlock', false, 'p');
  return list;
}

// `element` as another element with the same attributes and children; the selection stays.
function renameElement(element, tag) {
  const selection = captureSelection();
  const renamed = document.createElement(tag);
  for (const attribute of element.attributes) renamed.setAttribute(attribute.name, attribute.value);
  element.replaceWith(renamed);
  renamed.append(...element.childNodes);
  restoreSelection(selection);
  return renamed;
}

function setBlockFormat(name) {
  const tag = BLOCK_FORMATS.get(name);
  const range = currentRange();
  if (!tag || !range) return false;
  history.edit(() => {
    const list = listAt(range);
    if (LIST_TAGS.has(tag)) {
      if (list) {
        if (list.localName !== tag) renameElement(list, tag);
        return;
      }
      const block = blockAt(range);
      if (block && block.localName !== 'p' && block.localName !== 'div') document.execCommand('formatBlock', false, 'p');
      const made = toggleList(tag);
      if (made && made.localName !== tag) renameElement(made, tag);
      return;
    }
    if (list) {
      // The engine only knows numbered and bulleted lists; it takes either off again.
      const known = list.localName === 'ol' || list.localName === 'ul' ? list : renameElement(list, 'ul');
      toggleList(known.localName);
    }
    document.execCommand('formatBlock', false, tag);
  });
  return true;
}

// ---- Fonts -------------------------------------------------------------------------

// How many fonts and sizes the selected text shows in, judged by its first stretches
// (a selection of a whole long document would otherwise cost a moment on every change).
function fontsIn(range) {
  const families = new Set();
  const sizes = new Set();
  const note = (element) => {
    const style = getComputedStyle(element);
    families.add(style.fontFamily);
    sizes.add(style.fontSize);
  };
  const root = range.commonAncestorContainer;
  if (root.nodeType === Node.TEXT_NODE) {
    note(root.parentElement);
  } else {
    const walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(), n = 0; node && n < MAX_SCANNED_NODES; node = walker.nextNode()) {
      if (node.data.trim() && range.intersectsNode(node)) {
        note(node.parentElement);
        n++;
      }
    }
  }
  return { families: families.size, sizes: sizes.size };
}

function applyFont(font) {
  history.edit(() => {
    document.execCommand('fontName', false, font.family);
    if (font.size >= 1 && font.size <= 7) document.execCommand('fontSize', false, String(font.size));
    for (const [command, wanted] of [['bold', font.bold], ['italic', font.italic], ['underline', font.underline],
                                     ['strikeThrough', font.strikeOut]]) {
      if (document.queryCommandState(command) !== wanted) document.execCommand(command);
    }
  });
}

// ---- Links -------------------------------------------------------------------------

function linkAt(range) {
  const link = range && elementOf(range.startContainer).closest('a[href]');
  return link && inBody(link) ? link : null;
}

function setLink(href, text) {
  const range = currentRange();
  if (!range || !href) return false;
  history.edit(() => {
    const link = linkAt(range);
    if (link) {
      link.setAttribute('href', href);
      if (text && text !== link.textContent) link.textContent = text;
    } else if (!range.collapsed && (!text || text === range.toString())) {
      document.execCommand('createLink', false, href);
    } else {
      const made = document.createElement('a');
      made.setAttribute('href', href);
      made.textContent = text || href;
      insertNodes([made]);
      caretAfter(made);
    }
  });
  return true;
}

// ---- Saving ------------------------------------------------------------------------

function serializeAttributes(element) {
  return [...element.attributes].map((a) => ` ${a.name}="${escapeAttribute(a.value)}"`).join('');
}

function serializeNode(node) {
  switch (node.nodeType) {
    case Node.ELEMENT_NODE: return node.outerHTML;
    case Node.TEXT_NODE: return escapeText(node.data);
    case Node.COMMENT_NODE: return `<!--${node.data}-->`;
    case Node.DOCUMENT_TYPE_NODE:
      return `<!DOCTYPE ${node.name}${node.publicId ? ` PUBLIC "${node.publicId}"` : ''}` +
             `${node.systemId ? `${node.publicId ? '' : ' SYSTEM'} "${node.systemId}"` : ''}>`;
    default: return '';
  }
}

function bodyContent() {
  if (!body().querySelector(COMMENT_MARK)) return body().innerHTML;
  const copy = body().cloneNode(true);
  for (const mark of copy.querySelectorAll(COMMENT_MARK)) mark.remove();
  return copy.innerHTML;
}

// The whole document with exactly one upper-case <BODY> ... </BODY> pair, which is how the
// editor finds the body again; the same words elsewhere (in comments, say) go lower case.
function serializeDocument() {
  const guard = (text) => text.replace(/<(\/?)BODY>/g, '<$1body>');
  const parts = [];
  for (const node of document.childNodes) {
    if (node !== document.documentElement) {
      parts.push(guard(serializeNode(node)));
      continue;
    }
    let html = `<HTML${serializeAttributes(node)}>`;
    for (const child of node.childNodes) {
      html += child === body() ? `<BODY>${guard(bodyContent())}</BODY>` : guard(serializeNode(child));
    }
    parts.push(`${html}</HTML>`);
  }
  return parts.join('\n').replace(/\r?\n/g, '\r\n');
}

// ---- View options ------------------------------------------------------------------

const sheet = (css) => { const made = new CSSStyleSheet(); made.replaceSync(css); return made; };
const baseSheet = sheet(`${COMMENT_MARK} { display: none; }`);
const bordersSheet = sheet('table, td, th { outline: 1px dotted #7f7f7f; outline-offset: -1px; }');
const TEXT_BLOCK_LIST = 'p, h1, h2, h3, h4, h5, h6, pre, address, li, dt, dd';
const detailsSheet = sheet(`
  ${TEXT_BLOCK_LIST}, div, blockquote { outline: 1px dashed #a3b4d9; outline-offset: -1px; }
  ${TEXT_BLOCK_LIST.split(', ').map((tag) => `${tag}::after`).join(', ')} { content: "\\00b6"; color: #a3b4d9; }
  ${COMMENT_MARK} { display: inline-block; font: 10px sans-serif; color: #4d5e80; background: #eef2fa;
                    border: 1px solid #a3b4d9; padding: 0 2px; margin: 0 1px; user-select: none; }
  ${COMMENT_MARK}::before { content: "<!-- " attr(data-text) " -->"; }`);

function showComments(on) {
  history.untracked(() => {
    for (const mark of document.querySelectorAll(COMMENT_MARK)) mark.remove();
    if (!on) return;
    const walker = document.createTreeWalker(body(), NodeFilter.SHOW_COMMENT);
    const comments = [];
    for (let node = walker.nextNode(); node; node = walker.nextNode()) comments.push(node);
    for (const comment of comments) {
      const mark = document.createElement(COMMENT_MARK);
      mark.setAttribute('contenteditable', 'false');
      const text = comment.data.trim();
      mark.setAttribute('data-text', text.length > 40 ? `${text.slice(0, 40)}\u2026` : text);
      comment.before(mark);
    }
  });
}

function setView(options) {
  const detailsChanged = options.details !== view.details;
  Object.assign(view, options);
  const ours = new Set([baseSheet, bordersSheet, detailsSheet]);
  document.adoptedStyleSheets = [...document.adoptedStyleSheets.filter((s) => !ours.has(s)), baseSheet,
    ...(view.borders ? [bordersSheet] : []), ...(view.details ? [detailsSheet] : [])];
  if (detailsChanged) showComments(view.details);
}

// ---- State for the C++ side ------------------------------------------------------------

function computeState() {
  const { kDisabled, kEnabled, kLatched } = TABLES.status;
  const range = currentRange();
  const enabledIf = (condition) => (condition ? kEnabled : kDisabled);
  const editable = enabledIf(range);
  const onOff = (command) => (!range ? kDisabled : document.queryCommandState(command) ? kLatched : kEnabled);
  const cell = cellAt(range);
  const cellCommand = enabledIf(cell);
  const target = positionTarget(range);
  const link = linkAt(range);
  const fonts = range && !range.collapsed ? fontsIn(range) : { families: 1, sizes: 1 };
  const fontMixed = fonts.families > 1;
  const sizeMixed = fonts.sizes > 1;
  const selected = enabledIf(range && !range.collapsed);
  const status = {
    bold: onOff('bold'), italic: onOff('italic'), underline: onOff('underline'),
    numberedList: onOff('insertOrderedList'), bulletedList: onOff('insertUnorderedList'),
    centre: onOff('justifyCenter'), leftJustify: onOff('justifyLeft'), rightJustify: onOff('justifyRight'),
    indent: editable, outdent: editable, setTextColour: editable, setBlockFormat: editable, setFontName: editable,
    setFontSize: editable, fontDialog: editable, hyperlinkDialog: editable, insertTable: editable,
    getBlockFormat: editable, paste: editable,
    getBlockFormatNames: kEnabled, selectAll: kEnabled, findText: kEnabled,
    copy: selected, cut: selected,
    undo: enabledIf(history.canUndo()), redo: enabledIf(history.canRedo()),
    getFontName: enabledIf(range && !fontMixed), getFontSize: enabledIf(range && !sizeMixed),
    insertRow: cellCommand, insertColumn: cellCommand, insertCell: cellCommand, deleteRows: cellCommand,
    deleteColumns: cellCommand, deleteCells: cellCommand, splitCell: cellCommand,
    mergeCells: enabledIf(cell && mergeGroup(cell, selectedCells(range, tableOf(cell)))),
    makeAbsolute: !target ? kDisabled : isAbsolute(target) ? kLatched : kEnabled,
    sendToBack: enabledIf(target && isAbsolute(target)),
  };
  return {
    seq: ++seq,
    status,
    blockFormat: blockFormatName(range),
    fontName: range && !fontMixed ? stripQuotes(document.queryCommandValue('fontName')) : '',
    fontSize: range && !sizeMixed ? parseInt(document.queryCommandValue('fontSize'), 10) || 0 : 0,
    linkHref: link ? link.getAttribute('href') : '',
    linkText: link ? link.textContent : '',
    selectedText: range ? range.toString() : '',
  };
}

// One push per burst of events. (A microtask: timers do not run in this world while the
// page's own scripts are off.)
function schedulePush() {
  if (pushPending || !bridge) return;
  pushPending = true;
  queueMicrotask(() => {
    pushPending = false;
    bridge.stateChanged(computeState());
  });
}

// ---- Commands ----------------------------------------------------------------------

const engine = (command, value) => () => history.edit(() => document.execCommand(command, false, value));

const commands = {
  bold: engine('bold'), italic: engine('italic'), underline: engine('underline'),
  numberedList: () => history.edit(() => toggleList('ol')), bulletedList: () => history.edit(() => toggleList('ul')),
  indent: engine('indent'), outdent: engine('outdent'),
  centre: engine('justifyCenter'), leftJustify: engine('justifyLeft'), rightJustify: engine('justifyRight'),
  selectAll: () => document.execCommand('selectAll'),
  undo: () => history.undo(), redo: () => history.redo(),
  setBlockFormat: (name) => setBlockFormat(String(name)),
  setFontName: (name) => engine('fontName', String(name))(),
  setFontSize: (size) => (size >= 1 && size <= 7 ? engine('fontSize', String(size))() : false),
  setTextColour: (colour) => engine('foreColor', String(colour))(),
  insertRow: () => runTableCommand('insertRow'), insertColumn: () => runTableCommand('insertColumn'),
  insertCell: () => runTableCommand('insertCell'), deleteRows: () => runTableCommand('deleteRows'),
  deleteColumns: () => runTableCommand('deleteColumns'), deleteCells: () => runTableCommand('deleteCells'),
  mergeCells: () => runTableCommand('mergeCells'), splitCell: () => runTableCommand('splitCell'),
  makeAbsolute, sendToBack,
};

// Every command of the C++ table has a status here, and every status and command here a
// name there: a name spelt differently on one side would leave that command greyed for good.
function checkTables(status) {
  const known = new Set(TABLES.commands);
  for (const name of known) if (!(name in status)) console.error(`no status for the command "${name}"`);
  for (const name of [...Object.keys(status), ...Object.keys(commands)]) {
    if (!known.has(name)) console.error(`the C++ side knows no command "${name}"`);
  }
}

const api = {
  command: (name, argument) => (Object.hasOwn(commands, name) ? commands[name](argument) : false),
  state: () => null,
  serialize: serializeDocument,
  setView,
  // What the font dialog starts from besides the states QueryStatus has.
  strikeOut: () => !!currentRange() && document.queryCommandState('strikeThrough'),
  insertTable,
  pasteHtml,
  setLink,
  applyFont,
};

// Calls that change nothing; their answers leave the state out.
const QUESTIONS = new Set(['serialize', 'strikeOut']);

// Called by the C++ side: runs one call and answers with its value and the new state. A
// call that arrives after `notAfter` (milliseconds since 1970), when the C++ side has
// given up on it, changes nothing.
window.pagewright = {
  call(name, args, notAfter) {
    if (notAfter && Date.now() > notAfter) return { value: null, error: '', state: null, late: true };
    let value = null;
    let error = '';
    try {
      value = api[name](...args);
    } catch (e) {
      error = String(e && e.stack || e);
    }
    return { value: value === undefined ? null : value, error, state: QUESTIONS.has(name) ? null : computeState() };
  },
};
