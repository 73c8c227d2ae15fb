// The editing surface's undo history: one for the engine's edits and ours.
// The engine's own history cannot take our DOM edits (its insertHTML merges and rewrites
// neighbouring blocks), so every change to the document is recorded here from mutation
// records and undone by reverting exactly those records, keeping node identity. Undo and
// Redo keys are taken from the engine.

const MAX_UNDO = 500;

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
