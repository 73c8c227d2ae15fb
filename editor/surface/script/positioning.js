// The editing surface's positioning: elements made absolute (2D) and back, sent to the
// back, and moved with the mouse in steps of the grid when Snap to Grid is on.

const GRID = 8;

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
