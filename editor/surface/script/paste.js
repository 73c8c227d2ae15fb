// The editing surface's pasting: HTML from word processors cleaned of their styles, and
// picture files pasted or dropped made pictures of the site.

// ---- Pasting from word processors -----------------------------------------------------

const PASTE_KEEP = new Map([
  ['p', []], ['div', []], ['h1', []], ['h2', []], ['h3', []], ['h4', []], ['h5', []], ['h6', []],
  ['ul', []], ['ol', []], ['li', []], ['dl', []], ['dt', []], ['dd', []], ['blockquote', []], ['pre', []],
  ['a', ['href']], ['b', []], ['strong', []], ['i', []], ['em', []], ['u', []], ['sub', []], ['sup', []],
  ['br', []], ['img', ['src', 'alt', 'width', 'height']],
  ['table', []], ['caption', []], ['thead', []], ['tbody', []], ['tfoot', []], ['tr', []],
  ['td', ['colspan', 'rowspan']], ['th', ['colspan', 'rowspan']],
]);
// Dropped with their content; any other element not kept (span, font, Office's o:p...)
// gives way to its content.
const PASTE_DROP = new Set(['script', 'style', 'meta', 'link', 'title', 'head', 'template', 'noscript', 'xml',
  'iframe', 'object', 'embed', COMMENT_MARK]);

const isBoldStyle = (style) => /^(bold|bolder|[6-9]00)$/.test(style.fontWeight);
const isItalicStyle = (style) => style.fontStyle === 'italic' || style.fontStyle === 'oblique';
const isNormalWeight = (style) => /^(normal|lighter|[1-4]00)$/.test(style.fontWeight);

// Word writes list items as paragraphs with an "mso-list" style and their bullet or number
// between [if !supportLists] and [endif] comments: the level, the kind of list, and the
// paragraph without its marker.
function wordListItem(p) {
  const match = /mso-list:\s*(\S+)\s+level(\d+)/.exec(p.getAttribute('style') || '');
  if (!match) return null;
  let marker = '';
  let inMarker = false;
  for (const node of [...p.childNodes]) {
    const isComment = node.nodeType === Node.COMMENT_NODE;
    if (isComment && /\[if !supportLists\]/.test(node.data)) inMarker = true;
    if (inMarker && !isComment) marker += node.textContent;
    if (inMarker || isComment) node.remove();
    if (isComment && /\[endif\]/.test(node.data)) inMarker = false;
  }
  const ordered = /^\s*([0-9]+|[a-z]|[ivxlc]+)[.)]/i.test(marker.replace(/\u00a0/g, ' '));
  return { list: match[1], level: Number(match[2]), tag: ordered ? 'ol' : 'ul' };
}

// Runs of Word's list paragraphs become real lists, nested by level.
function convertWordLists(root) {
  let open = [];  // the lists of the current run, outermost first
  let run = '';   // Word's name of the list the run belongs to
  for (const p of [...root.querySelectorAll('p')]) {
    const item = wordListItem(p);
    if (!item) continue;
    if (!open.length || p.previousElementSibling !== open[0] || item.list !== run) open = [];
    run = item.list;
    open.length = Math.min(open.length, item.level);
    while (open.length < item.level) {
      const list = document.createElement(item.tag);
      if (!open.length) p.before(list);
      else {
        const parent = open[open.length - 1];
        (parent.lastElementChild || parent.appendChild(document.createElement('li'))).appendChild(list);
      }
      open.push(list);
    }
    const entry = document.createElement('li');
    entry.append(...p.childNodes);
    open[item.level - 1].appendChild(entry);
    p.remove();
  }
}

function cleanPastedNode(node, out) {
  if (node.nodeType === Node.TEXT_NODE) {
    out.appendChild(document.createTextNode(node.data));
    return;
  }
  if (node.nodeType !== Node.ELEMENT_NODE) return;
  const tag = node.localName;
  if (PASTE_DROP.has(tag)) return;
  const style = node.style || {};
  let holder = out;
  const wrap = (name) => { const made = document.createElement(name); holder.appendChild(made); holder = made; };
  const keep = PASTE_KEEP.get(tag);
  const plainAgain = ((tag === 'b' || tag === 'strong') && isNormalWeight(style)) ||
                     ((tag === 'i' || tag === 'em') && style.fontStyle === 'normal');
  if (keep && !plainAgain) {
    const copy = document.createElement(tag);
    for (const name of keep) if (node.hasAttribute(name)) copy.setAttribute(name, node.getAttribute(name));
    holder.appendChild(copy);
    holder = copy;
  }
  if (!['b', 'strong'].includes(tag) && isBoldStyle(style)) wrap('b');
  if (!['i', 'em'].includes(tag) && isItalicStyle(style)) wrap('i');
  for (const child of node.childNodes) cleanPastedNode(child, holder);
}

// HTML from the clipboard with its text, paragraphs, headings, lists, links, bold and
// italic and tables kept, and every style, class and foreign element dropped.
function cleanPastedHtml(html) {
  const parsed = new DOMParser().parseFromString(html, 'text/html');
  convertWordLists(parsed.body);
  const out = document.createElement('div');
  for (const child of parsed.body.childNodes) cleanPastedNode(child, out);
  return [...out.childNodes];
}

// ---- Pictures pasted or dropped ---------------------------------------------------------
// A picture file never goes into the document as a data: address (a screenshot makes one
// of many megabytes): the C++ side makes it a picture file of the site, and the document
// refers to that file by name.

function base64Of(buffer) {
  const bytes = new Uint8Array(buffer);
  let binary = '';
  for (let at = 0; at < bytes.length; at += 0x8000) {
    binary += String.fromCharCode.apply(null, bytes.subarray(at, at + 0x8000));
  }
  return btoa(binary);
}

// Makes each file a site picture, in order, and inserts them at `range` as one step.
function insertPictures(files, range) {
  const names = [];
  const next = (index) => {
    if (index === files.length) {
      if (!names.length) return;
      if (range && inBody(range.startContainer)) select(range);
      history.edit(() => {
        const last = insertNodes(names.map((name) => {
          const picture = document.createElement('img');
          picture.setAttribute('src', name);
          return picture;
        }));
        if (last && last.isConnected) caretAfter(last);
      });
      schedulePush();
      return;
    }
    files[index].arrayBuffer().then((buffer) => {
      bridge.takePicture(base64Of(buffer), (name) => {
        if (name) names.push(name);
        next(index + 1);
      });
    }, () => next(index + 1));
  };
  next(0);
}

const filesOf = (transfer) => (transfer && transfer.files ? [...transfer.files] : []);

function onDrop(event) {
  const files = filesOf(event.dataTransfer);
  if (!files.length) return;  // text or markup: the engine moves or inserts it
  event.preventDefault();
  const range = document.caretRangeFromPoint(event.clientX, event.clientY) || currentRange();
  insertPictures(files, range && inBody(range.startContainer) ? range : currentRange());
}

function onPaste(event) {
  const html = event.clipboardData && event.clipboardData.getData('text/html');
  if (!html) {
    const files = filesOf(event.clipboardData);
    if (!files.length) return;  // plain text: the engine inserts it, and the history records it
    event.preventDefault();
    const range = currentRange();
    insertPictures(files, range && range.cloneRange());
    return;
  }
  event.preventDefault();
  history.edit(() => {
    const last = insertNodes(cleanPastedHtml(html));
    if (last && last.isConnected) caretAfter(last);
  });
  schedulePush();
}
