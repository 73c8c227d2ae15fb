// The editing surface's start, read after every other part: the body's content from the
// C++ side, design mode, and the document's events.

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
      const state = computeState();
      checkTables(state.status);
      bridge.ready(state);
    });
  });
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
else start();
