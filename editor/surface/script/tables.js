// The editing surface's tables: a table as a grid of slots, the table commands on the
// cell at the caret as one step each, and new tables.

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
