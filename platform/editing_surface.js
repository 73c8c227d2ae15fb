// The editing side of the page editor's surface. It runs in an isolated world, so the
// page's own scripts stay off while this code edits the page's document; it reaches the
// C++ side over QWebChannel (object "surface") and answers pagewright.call(...).
'use strict';
(() => {
  const GRID = 8;
  const MAX_UNDO = 500;
  const MAX_SCANNED_NODES = 300;

  const BLOCK_FORMATS = new Map([
    ['Normal', 'div'], ['Formatted', 'pre'], ['Address', 'address'],
    ['Heading 1', 'h1'], ['Heading 2', 'h2'], ['Heading 3', 'h3'],
    ['Heading 4', 'h4'], ['Heading 5', 'h5'], ['Heading 6', 'h6'],
    ['Numbered List', 'ol'], ['Bulleted List', 'ul'], ['Directory List', 'dir'], ['Menu List', 'menu'],
    ['Definition Term', 'dt'], ['Definition', 'dd'], ['Paragraph', 'p'],
  ]);
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

  // ---- One undo history for the engine's edits and ours ---------------------------------
  // The engine's own history cannot take our DOM edits (its insertHTML merges and rewrites
  // neighbouring blocks), so every change to the document is recorded here from mutation
  // records and undone by reverting exactly those records, keeping node identity. Undo and
  // Redo keys are taken from the engine.

  function copyRecord(record) {
    return {
      type: record.type, target: record.target, name: record.attributeName, ns: record.attributeNamespace,
      oldValue: record.oldValue, newValue: null,
      added: [...record.addedNodes], removed: [...record.removedNodes], next: record.nextSibling,
    };
  }

  function setAttribute(element, ns, name, value) {
    if (value === null) element.removeAttributeNS(ns, name);
    else element.setAttributeNS(ns, name, value);
  }

  function captureSelection() {
    const selection = getSelection();
    if (!selection.rangeCount) return null;
    return { anchor: selection.anchorNode, anchorOffset: selection.anchorOffset,
             focus: selection.focusNode, focusOffset: selection.focusOffset };
  }

  function restoreSelection(saved) {
    if (!saved || !inBody(saved.anchor) || !inBody(saved.focus)) return;
    const length = (node) => (node.nodeType === Node.ELEMENT_NODE ? node.childNodes.length : node.length);
    try {
      getSelection().setBaseAndExtent(saved.anchor, Math.min(saved.anchorOffset, length(saved.anchor)),
                                      saved.focus, Math.min(saved.focusOffset, length(saved.focus)));
    } catch (e) { /* the saved place no longer exists; leave the selection where it is */ }
  }

  const samePlace = (a, b) => !!a && !!b && a.anchor === b.anchor && a.anchorOffset === b.anchorOffset &&
                               a.focus === b.focus && a.focusOffset === b.focusOffset;
  const TYPING = new Set(['insertText', 'deleteContentBackward', 'deleteContentForward']);

  const history = {
    undoSteps: [], redoSteps: [], pending: [], observer: null, ownDepth: 0, selectionBeforeInput: null,

    start() {
      this.observer = new MutationObserver((records) => { this.pending.push(...records.map(copyRecord)); });
      this.observer.observe(document, { subtree: true, childList: true, attributes: true, attributeOldValue: true,
                                        characterData: true, characterDataOldValue: true });
    },

    take() {
      const records = this.pending.concat(this.observer.takeRecords().map(copyRecord));
      this.pending = [];
      return records;
    },

    push(step) {
      this.undoSteps.push(step);
      if (this.undoSteps.length > MAX_UNDO) this.undoSteps.shift();
      this.redoSteps = [];
    },

    // One step of our own: everything `change` does to the document.
    edit(change) {
      const stray = this.take();
      const before = captureSelection();
      this.ownDepth++;
      try {
        return change();
      } finally {
        this.ownDepth--;
        const records = stray.concat(this.take());
        if (records.length) this.push({ records, before, after: captureSelection(), kind: 'own' });
      }
    },

    // Changes to the document that are not edits (view marks); they never reach the history.
    untracked(change) {
      const kept = this.take();
      try {
        change();
      } finally {
        this.observer.takeRecords();
        this.pending = kept;
      }
    },

    beforeInput() {
      if (!this.ownDepth) this.selectionBeforeInput = captureSelection();
    },

    // The engine finished an edit of the user's (typing, deleting, cutting, dropping...).
    input(kind) {
      if (this.ownDepth) return;
      const records = this.take();
      const before = this.selectionBeforeInput;
      this.selectionBeforeInput = null;
      if (!records.length) return;
      const after = captureSelection();
      const last = this.undoSteps[this.undoSteps.length - 1];
      if (last && TYPING.has(kind) && last.kind === kind && !this.redoSteps.length && samePlace(last.after, before)) {
        last.records.push(...records);
        last.after = after;
        return;
      }
      this.push({ records, before, after, kind });
    },

    canUndo() { return this.undoSteps.length > 0 || this.pending.length > 0; },
    canRedo() { return this.redoSteps.length > 0; },

    undo() {
      const stray = this.take();
      if (stray.length) this.push({ records: stray, before: null, after: captureSelection(), kind: 'stray' });
      const step = this.undoSteps.pop();
      if (!step) return false;
      for (let i = step.records.length - 1; i >= 0; i--) revert(step.records[i]);
      this.observer.takeRecords();
      restoreSelection(step.before);
      this.redoSteps.push(step);
      return true;
    },

    redo() {
      const step = this.redoSteps.pop();
      if (!step) return false;
      this.take();
      for (const record of step.records) replay(record);
      this.observer.takeRecords();
      restoreSelection(step.after);
      this.undoSteps.push(step);
      return true;
    },
  };

  // Reverting records from the last to the first restores the document exactly; each
  // record keeps what it replaced so Redo can put it back.
  function revert(record) {
    const target = record.target;
    if (record.type === 'characterData') {
      record.newValue = target.data;
      target.data = record.oldValue;
    } else if (record.type === 'attributes') {
      record.newValue = target.getAttributeNS(record.ns, record.name);
      setAttribute(target, record.ns, record.name, record.oldValue);
    } else {
      for (const node of record.added) if (node.parentNode === target) target.removeChild(node);
      const next = record.next && record.next.parentNode === target ? record.next : null;
      for (const node of record.removed) target.insertBefore(node, next);
    }
  }

  function replay(record) {
    const target = record.target;
    if (record.type === 'characterData') {
      target.data = record.newValue;
    } else if (record.type === 'attributes') {
      setAttribute(target, record.ns, record.name, record.newValue);
    } else {
      for (const node of record.removed) if (node.parentNode === target) target.removeChild(node);
      const next = record.next && record.next.parentNode === target ? record.next : null;
      for (const node of record.added) target.insertBefore(node, next);
    }
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

  // ---- Tables ------------------------------------------------------------------------

  function cellAt(range) {
    const cell = range && elementOf(range.startContainer).closest('td, th');
    return cell && inBody(cell) && cell.parentElement.closest('table') ? cell : null;
  }

  const tableOf = (cell) => cell.parentElement.closest('table');
  const span = (value) => Math.max(1, value || 1);

  // The table as a grid of slots: grid[row][column] is the cell covering that slot.
  function tableGrid(table) {
    const rows = [...table.rows];
    const grid = rows.map(() => []);
    rows.forEach((row, r) => {
      let c = 0;
      for (const cell of row.cells) {
        while (grid[r][c]) c++;
        for (let i = 0; i < span(cell.rowSpan) && r + i < rows.length; i++) {
          for (let j = 0; j < span(cell.colSpan); j++) grid[r + i][c + j] = cell;
        }
        c += span(cell.colSpan);
      }
    });
    const width = grid.reduce((widest, row) => Math.max(widest, row.length), 0);  // no spread: tables can be long
    return { rows, grid, width };
  }

  function slotOf(grid, cell) {
    for (let r = 0; r < grid.length; r++) {
      const c = grid[r].indexOf(cell);
      if (c >= 0) return { r, c };
    }
    return null;
  }

  function newCellLike(model) {
    const cell = document.createElement(model ? model.localName : 'td');
    if (model) {
      for (const attribute of model.attributes) {
        if (!['id', 'rowspan', 'colspan'].includes(attribute.name)) cell.setAttribute(attribute.name, attribute.value);
      }
    }
    cell.appendChild(document.createElement('br'));
    return cell;
  }

  // Puts `cell` into `row` at grid column `column`, after the cells that start left of it.
  function placeCell(grid, row, column, cell) {
    const after = [...row.cells].find((other) => slotOf(grid, other).c > column);
    row.insertBefore(cell, after || null);
  }

  // The cell of `table` that holds `node`, looking past the cells of tables inside it.
  function cellOfTable(node, table) {
    for (let element = elementOf(node); element && element !== table; element = element.parentElement) {
      if ((element.localName === 'td' || element.localName === 'th') && tableOf(element) === table) return element;
    }
    return null;
  }

  // The cells a selection takes in: those in the rectangle from the cell where it starts to
  // the cell where it ends (a selection cannot run down a column otherwise).
  function selectedCells(range, table) {
    const first = cellOfTable(range.startContainer, table);
    const last = cellOfTable(range.endContainer, table) || first;
    if (range.collapsed || first === last) return [first];
    const { grid } = tableGrid(table);
    const a = slotOf(grid, first);
    const b = slotOf(grid, last);
    const cells = new Set();
    for (let r = Math.min(a.r, b.r); r <= Math.max(a.r, b.r); r++) {
      for (let c = Math.min(a.c, b.c); c <= Math.max(a.c + span(first.colSpan), b.c + span(last.colSpan)) - 1; c++) {
        if (grid[r][c]) cells.add(grid[r][c]);
      }
    }
    return [...cells];
  }

  const tableCommands = {
    insertRow(cell) {
      const { rows, grid, width } = tableGrid(tableOf(cell));
      const last = slotOf(grid, cell).r + span(cell.rowSpan) - 1;
      const row = document.createElement('tr');
      const seen = new Set();
      for (let c = 0; c < width; c++) {
        const above = grid[last][c];
        if (!above || seen.has(above)) continue;
        seen.add(above);
        if (slotOf(grid, above).r + span(above.rowSpan) - 1 > last) {
          above.rowSpan = span(above.rowSpan) + 1;  // reaches past the new row's place: covers it too
        } else {
          const made = newCellLike(above);
          if (span(above.colSpan) > 1) made.colSpan = above.colSpan;
          row.appendChild(made);
        }
      }
      if (!row.cells.length) row.appendChild(newCellLike(cell));
      rows[last].after(row);
      return row.cells[0];
    },

    insertColumn(cell) {
      const { rows, grid } = tableGrid(tableOf(cell));
      const column = slotOf(grid, cell).c + span(cell.colSpan) - 1;
      const widened = new Set();
      let made = cell;
      rows.forEach((row, r) => {
        const here = grid[r][column];
        if (here && slotOf(grid, here).c + span(here.colSpan) - 1 > column) {
          if (!widened.has(here)) { here.colSpan = span(here.colSpan) + 1; widened.add(here); }
          return;
        }
        const fresh = newCellLike(here || cell);
        placeCell(grid, row, column, fresh);
        if (row === cell.parentElement) made = fresh;
      });
      return made;
    },

    insertCell(cell) {
      const fresh = newCellLike(cell);
      cell.after(fresh);
      return fresh;
    },

    deleteRows(cell, cells) {
      const table = tableOf(cell);
      const doomed = new Set(cells.map((c) => c.parentElement));
      const firstIndex = [...doomed].reduce((first, row) => Math.min(first, row.rowIndex), Infinity);
      for (const row of doomed) {
        const { rows, grid } = tableGrid(table);
        const r = rows.indexOf(row);
        const handled = new Set();
        grid[r].forEach((here, c) => {
          if (!here || handled.has(here)) return;
          handled.add(here);
          if (span(here.rowSpan) === 1) return;
          here.rowSpan = span(here.rowSpan) - 1;
          if (here.parentElement === row && rows[r + 1]) placeCell(grid, rows[r + 1], c, here);  // moves down
        });
        row.remove();
      }
      const rows = table.rows;
      return rows.length ? rows[Math.min(firstIndex, rows.length - 1)].cells[0] : null;
    },

    deleteColumns(cell, cells) {
      const { grid } = tableGrid(tableOf(cell));
      const columns = new Set();
      for (const c of cells) {
        const slot = slotOf(grid, c);
        for (let j = 0; j < span(c.colSpan); j++) columns.add(slot.c + j);
      }
      const touched = new Set();
      for (const column of columns) for (const row of grid) if (row[column]) touched.add(row[column]);
      let landing = null;
      for (const here of touched) {
        const slot = slotOf(grid, here);
        let kept = 0;
        for (let j = 0; j < span(here.colSpan); j++) if (!columns.has(slot.c + j)) kept++;
        if (kept) here.colSpan = kept;
        else {
          if (here.parentElement === cell.parentElement) landing = here.nextElementSibling || here.previousElementSibling;
          here.remove();
        }
      }
      return landing;
    },

    deleteCells(cell, cells) {
      const landing = cells[cells.length - 1].nextElementSibling || cell.previousElementSibling;
      for (const c of cells) c.remove();
      return landing;
    },

    mergeCells(cell, cells) {
      const group = mergeGroup(cell, cells);
      if (!group) return cell;
      const [first, ...others] = group.cells;
      for (const other of others) {
        if (!isEmptyBlock(other)) {
          if (isEmptyBlock(first)) first.replaceChildren();
          else first.append(document.createTextNode(' '));
          first.append(...other.childNodes);
        }
        other.remove();
      }
      if (group.across) first.colSpan = group.total;
      else first.rowSpan = group.total;
      return first;
    },

    // A cell spanning columns (or else rows) splits into single cells; a single cell into two.
    splitCell(cell) {
      const { rows, grid } = tableGrid(tableOf(cell));
      const slot = slotOf(grid, cell);
      if (span(cell.colSpan) > 1) {
        for (let i = span(cell.colSpan) - 1; i > 0; i--) {
          const fresh = newCellLike(cell);
          if (span(cell.rowSpan) > 1) fresh.rowSpan = cell.rowSpan;
          cell.after(fresh);
        }
        cell.colSpan = 1;
      } else if (span(cell.rowSpan) > 1) {
        const below = Math.min(span(cell.rowSpan), rows.length - slot.r) - 1;
        for (let i = 1; i <= below; i++) placeCell(grid, rows[slot.r + i], slot.c, newCellLike(cell));
        cell.rowSpan = 1;
      } else {
        cell.after(newCellLike(cell));
      }
      return cell;
    },
  };

  // The cells Merge Cells joins: the selected cells when they lie side by side in one row
  // (or one above the other in one column), or with only a caret the cell and its right
  // neighbour.
  function mergeGroup(cell, cells) {
    const table = tableOf(cell);
    let group = cells.filter((c) => tableOf(c) === table);
    if (group.length < 2) {
      const next = cell.nextElementSibling;
      if (!next) return null;
      group = [cell, next];
    }
    const { grid } = tableGrid(table);
    const slots = group.map((c) => ({ cell: c, ...slotOf(grid, c) }));
    const across = slots.every((s) => s.r === slots[0].r && span(s.cell.rowSpan) === span(slots[0].cell.rowSpan));
    const down = slots.every((s) => s.c === slots[0].c && span(s.cell.colSpan) === span(slots[0].cell.colSpan));
    if (!across && !down) return null;
    const start = (s) => (across ? s.c : s.r);
    const size = (s) => span(across ? s.cell.colSpan : s.cell.rowSpan);
    slots.sort((a, b) => start(a) - start(b));
    let expected = start(slots[0]);
    for (const s of slots) {
      if (start(s) !== expected) return null;
      expected += size(s);
    }
    return { cells: slots.map((s) => s.cell), across, total: expected - start(slots[0]) };
  }

  // Runs a table command on the cell at the caret as one step. Rows left without cells go,
  // a table left without rows goes, and the caret lands in the cell the command names.
  function runTableCommand(name) {
    const range = currentRange();
    const cell = cellAt(range);
    if (!cell) return false;
    history.edit(() => {
      const table = tableOf(cell);
      const landing = tableCommands[name](cell, selectedCells(range, table));
      for (const row of [...table.rows]) if (!row.cells.length) row.remove();
      if (!table.rows.length) {
        const parent = table.parentNode;
        const index = [...parent.childNodes].indexOf(table);
        table.remove();
        caretAt(parent, index);
      } else {
        caretInside(landing && landing.isConnected ? landing : table.rows[0].cells[0]);
      }
    });
    return true;
  }

  function insertTable(table) {
    const rows = Math.max(0, table.rows | 0);
    const columns = Math.max(0, table.columns | 0);
    if (!rows || !columns || !currentRange()) return false;
    const cell = `<td ${table.cellAttrs}><br></td>`;
    const caption = table.caption ? `<caption>${escapeText(table.caption)}</caption>` : '';
    const html = `<table ${table.tableAttrs}>${caption}<tbody>${`<tr>${cell.repeat(columns)}</tr>`.repeat(rows)}</tbody></table>`;
    history.edit(() => {
      const made = insertNodes(parseHtml(html));
      if (made && made.isConnected) caretInside(made.querySelector('td'));
    });
    return true;
  }

  // ---- Positioning ---------------------------------------------------------------------

  const isAbsolute = (element) => element.style.position === 'absolute';

  function positionTarget(range) {
    if (!range) return null;
    if (range.startContainer === range.endContainer && range.endOffset - range.startOffset === 1 &&
        range.startContainer.nodeType === Node.ELEMENT_NODE) {
      const chosen = range.startContainer.childNodes[range.startOffset];
      if (chosen.nodeType === Node.ELEMENT_NODE && chosen !== body()) return chosen;
    }
    const start = elementOf(range.startContainer);
    for (let element = start; element && element !== body(); element = element.parentElement) {
      if (isAbsolute(element)) return element;
    }
    for (let element = start; element && element !== body(); element = element.parentElement) {
      if (POSITIONABLE.has(element.localName)) return element;
    }
    return null;
  }

  const snap = (value) => (view.snap ? Math.round(value / GRID) * GRID : Math.round(value));

  function containingOrigin(element) {
    for (let parent = element.parentElement; parent && parent !== document.documentElement; parent = parent.parentElement) {
      if (getComputedStyle(parent).position !== 'static') {
        const box = parent.getBoundingClientRect();
        return { x: box.left + parent.clientLeft - parent.scrollLeft, y: box.top + parent.clientTop - parent.scrollTop };
      }
    }
    return { x: -scrollX, y: -scrollY };
  }

  function dropStyles(element, properties) {
    for (const property of properties) element.style.removeProperty(property);
    if (!element.getAttribute('style')) element.removeAttribute('style');
  }

  function makeAbsolute() {
    const target = positionTarget(currentRange());
    if (!target) return false;
    history.edit(() => {
      if (isAbsolute(target)) {
        dropStyles(target, ['position', 'left', 'top', 'z-index']);
        return;
      }
      const box = target.getBoundingClientRect();
      const origin = containingOrigin(target);
      target.style.position = 'absolute';
      target.style.left = `${snap(box.left - origin.x)}px`;
      target.style.top = `${snap(box.top - origin.y)}px`;
    });
    return true;
  }

  function sendToBack() {
    const target = positionTarget(currentRange());
    if (!target || !isAbsolute(target)) return false;
    let lowest = 0;
    for (const other of body().querySelectorAll('[style]')) {
      if (other !== target && isAbsolute(other)) lowest = Math.min(lowest, parseInt(other.style.zIndex, 10) || 0);
    }
    history.edit(() => { target.style.zIndex = String(lowest - 1); });
    return true;
  }

  // Positioned elements move with the mouse when taken by their edge (pictures anywhere).
  const EDGE = 6;
  let drag = null;

  function onMouseDown(event) {
    if (event.button !== 0) return;
    let element = elementOf(event.target);
    while (element && element !== body() && !isAbsolute(element)) element = element.parentElement;
    if (!element || element === body() || !inBody(element)) return;
    const box = element.getBoundingClientRect();
    const nearEdge = event.clientX - box.left < EDGE || box.right - event.clientX < EDGE ||
                     event.clientY - box.top < EDGE || box.bottom - event.clientY < EDGE;
    if (element.localName !== 'img' && !nearEdge) return;
    event.preventDefault();
    drag = { element, x: event.clientX, y: event.clientY, left: parseFloat(element.style.left) || 0,
             top: parseFloat(element.style.top) || 0, stray: history.take(), before: captureSelection() };
  }

  function onMouseMove(event) {
    if (!drag) return;
    drag.element.style.left = `${snap(drag.left + event.clientX - drag.x)}px`;
    drag.element.style.top = `${snap(drag.top + event.clientY - drag.y)}px`;
  }

  function onMouseUp() {
    if (!drag) return;
    const records = drag.stray.concat(history.take());
    if (records.length) history.push({ records, before: drag.before, after: captureSelection(), kind: 'own' });
    drag = null;
    schedulePush();
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
    const range = currentRange();
    const editable = range ? 3 : 1;
    const onOff = (command) => (!range ? 1 : document.queryCommandState(command) ? 7 : 3);
    const cell = cellAt(range);
    const cellCommand = cell ? 3 : 1;
    const target = positionTarget(range);
    const link = linkAt(range);
    const fonts = range && !range.collapsed ? fontsIn(range) : { families: 1, sizes: 1 };
    const fontMixed = fonts.families > 1;
    const sizeMixed = fonts.sizes > 1;
    const status = {
      5000: onOff('bold'), 5023: onOff('italic'), 5048: onOff('underline'),
      5030: onOff('insertOrderedList'), 5051: onOff('insertUnorderedList'),
      5024: onOff('justifyCenter'), 5025: onOff('justifyLeft'), 5026: onOff('justifyRight'),
      5018: editable, 5031: editable, 5046: editable, 5043: editable, 5044: editable, 5045: editable,
      5009: editable, 5016: editable, 5022: editable, 5011: editable, 5032: editable,
      5012: 3, 5035: 3, 5008: 3,
      5002: range && !range.collapsed ? 3 : 1, 5003: range && !range.collapsed ? 3 : 1,
      5049: history.canUndo() ? 3 : 1, 5033: history.canRedo() ? 3 : 1,
      5013: range && !fontMixed ? 3 : 1, 5014: range && !sizeMixed ? 3 : 1,
      5021: cellCommand, 5020: cellCommand, 5019: cellCommand, 5007: cellCommand, 5006: cellCommand,
      5005: cellCommand, 5047: cellCommand,
      5029: cell && mergeGroup(cell, selectedCells(range, tableOf(cell))) ? 3 : 1,
      5028: !target ? 1 : isAbsolute(target) ? 7 : 3,
      5040: target && isAbsolute(target) ? 3 : 1,
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
    5000: engine('bold'), 5023: engine('italic'), 5048: engine('underline'),
    5030: () => history.edit(() => toggleList('ol')), 5051: () => history.edit(() => toggleList('ul')),
    5018: engine('indent'), 5031: engine('outdent'),
    5024: engine('justifyCenter'), 5025: engine('justifyLeft'), 5026: engine('justifyRight'),
    5035: () => document.execCommand('selectAll'),
    5049: () => history.undo(), 5033: () => history.redo(),
    5043: (name) => setBlockFormat(String(name)),
    5044: (name) => engine('fontName', String(name))(),
    5045: (size) => (size >= 1 && size <= 7 ? engine('fontSize', String(size))() : false),
    5046: (colour) => engine('foreColor', String(colour))(),
    5021: () => runTableCommand('insertRow'), 5020: () => runTableCommand('insertColumn'),
    5019: () => runTableCommand('insertCell'), 5007: () => runTableCommand('deleteRows'),
    5006: () => runTableCommand('deleteColumns'), 5005: () => runTableCommand('deleteCells'),
    5029: () => runTableCommand('mergeCells'), 5047: () => runTableCommand('splitCell'),
    5028: makeAbsolute, 5040: sendToBack,
  };

  const api = {
    command: (id, argument) => (commands[id] ? commands[id](argument) : false),
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

  // ---- Start -------------------------------------------------------------------------

  function onKeyDown(event) {
    if (!(event.ctrlKey || event.metaKey) || event.altKey) return;
    const key = event.key.toLowerCase();
    const undo = key === 'z' && !event.shiftKey;
    const redo = key === 'y' || (key === 'z' && event.shiftKey);
    if (!undo && !redo) return;
    event.preventDefault();
    if (undo) history.undo();
    else history.redo();
    schedulePush();
  }

  function onBeforeInput(event) {
    if (event.inputType === 'historyUndo' || event.inputType === 'historyRedo') {
      event.preventDefault();
      if (event.inputType === 'historyUndo') history.undo();
      else history.redo();
      schedulePush();
      return;
    }
    history.beforeInput();
  }

  // The body's content comes from the C++ side in pieces (the engine takes a document at
  // once only up to a few megabytes); it goes in before editing starts, so it is no edit.
  function receiveBody(done) {
    const pieces = [];
    const next = () => bridge.bodyPiece(pieces.length, (piece) => {
      if (piece) {
        pieces.push(piece);
        next();
        return;
      }
      if (pieces.length) body().insertAdjacentHTML('afterbegin', pieces.join(''));
      done();
    });
    next();
  }

  function startEditing() {
    document.designMode = 'on';
    document.execCommand('defaultParagraphSeparator', false, 'p');
    document.execCommand('styleWithCSS', false, false);
    history.start();
    setView(view);
    caretInside(body());
    document.addEventListener('beforeinput', onBeforeInput, true);
    document.addEventListener('input', (event) => { history.input(event.inputType); schedulePush(); }, true);
    document.addEventListener('selectionchange', schedulePush);
    document.addEventListener('keydown', onKeyDown, true);
    document.addEventListener('paste', onPaste, true);
    document.addEventListener('drop', onDrop, true);
    document.addEventListener('mousedown', onMouseDown, true);
    document.addEventListener('mousemove', onMouseMove, true);
    document.addEventListener('mouseup', onMouseUp, true);
  }

  function start() {
    if (!body()) return;
    new QWebChannel(qt.webChannelTransport, (channel) => {
      bridge = channel.objects.surface;
      receiveBody(() => {
        startEditing();
        bridge.ready(computeState());
      });
    });
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
})();
