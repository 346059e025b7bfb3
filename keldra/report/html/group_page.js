// The controls of the group page: the table of runs sorts by any column (click a heading; again
// to reverse) and filters by verdict, task, session and subject; the strip plot dims the runs
// the filters hide. Each run gets a rating (good, bad, unsure) and a note, kept in the
// browser's local storage under this page's path, and "Export ratings" downloads them as a TSV
// file with one line per run in the group table's order.
//
// Written for a thousand runs and more: the rows are laid out one by one (each a grid of the
// columns' widths, which the headings carry in data-width) so that the browser skips the rows
// out of view and never measures the whole table again; sort keys are read once per column;
// rows move in one batch; a run's rating controls are made only when the reader opens them.
(function () {
  'use strict';
  const table = document.querySelector('table.runs');
  if (!table) {
    return;
  }
  const body = table.tBodies[0];
  const rows = Array.from(body.rows); // the group table's order
  const headings = Array.from(table.tHead.rows[0].cells);
  const collator = new Intl.Collator(undefined, { numeric: true, sensitivity: 'base' });

  // Rows laid out one by one; the roles keep the table a table for assistive technology.
  table.style.setProperty('--run-columns', headings.map(function (heading) {
    return heading.dataset.width || 'auto';
  }).join(' '));
  table.classList.add('row-grid');
  table.setAttribute('role', 'table');
  Array.from(table.querySelectorAll('thead, tbody')).forEach(function (group) {
    group.setAttribute('role', 'rowgroup');
  });
  table.tHead.rows[0].setAttribute('role', 'row');
  headings.forEach(function (heading) {
    heading.setAttribute('role', 'columnheader');
  });
  rows.forEach(function (row) {
    row.setAttribute('role', 'row');
    Array.from(row.cells).forEach(function (cell) {
      cell.setAttribute('role', 'cell');
    });
  });

  // Sorting

  const keys = new Map(); // column index -> a key per row, in `rows` order

  function keysOf(column, type) {
    if (!keys.has(column)) {
      keys.set(column, rows.map(function (row) {
        const cell = row.cells[column];
        const raw = cell.dataset.value !== undefined ? cell.dataset.value : cell.textContent.trim();
        if (type === 'number') {
          return raw === '' ? null : Number(raw);
        }
        return raw === 'n/a' ? null : raw;
      }));
    }
    return keys.get(column);
  }

  function sortBy(column, type, descending) {
    const columnKeys = keysOf(column, type);
    const order = rows.map(function (row, i) {
      return i;
    });
    const direction = descending ? -1 : 1;
    order.sort(function (a, b) {
      const x = columnKeys[a];
      const y = columnKeys[b];
      if (x === null || y === null) {
        // Runs without a value go last, whichever the direction.
        return x === y ? a - b : x === null ? 1 : -1;
      }
      const c = type === 'number' ? x - y : collator.compare(x, y);
      return c === 0 ? a - b : direction * c;
    });
    const batch = document.createDocumentFragment();
    order.forEach(function (i) {
      batch.appendChild(rows[i]);
    });
    body.appendChild(batch);
    headings.forEach(function (heading, i) {
      if (i === column) {
        heading.setAttribute('aria-sort', descending ? 'descending' : 'ascending');
      } else if (heading.hasAttribute('aria-sort')) {
        heading.removeAttribute('aria-sort');
      }
    });
  }

  headings.forEach(function (heading, column) {
    const type = heading.dataset.sort;
    if (!type) {
      return;
    }
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'sort';
    button.textContent = heading.textContent;
    button.title = 'Sort by ' + heading.textContent;
    heading.textContent = '';
    heading.appendChild(button);
    button.addEventListener('click', function () {
      sortBy(column, type, heading.getAttribute('aria-sort') === 'ascending');
    });
  });

  // Filters

  const form = document.querySelector('form.filters');
  const filters = form ? Array.from(form.querySelectorAll('select[data-filter]')) : [];
  const shownCount = form ? form.querySelector('.shown-count') : null;
  const points = new Map();
  document.querySelectorAll('.strip-plot .point').forEach(function (point) {
    points.set(point.dataset.id, point);
  });

  function applyFilters() {
    const wanted = filters
      .filter(function (select) {
        return select.value !== '';
      })
      .map(function (select) {
        return [select.dataset.filter, select.value];
      });
    let shown = 0;
    rows.forEach(function (row) {
      const keep = wanted.every(function (pair) {
        return row.dataset[pair[0]] === pair[1];
      });
      row.hidden = !keep;
      shown += keep ? 1 : 0;
      const point = points.get(row.dataset.id);
      if (point) {
        point.classList.toggle('filtered-out', !keep);
      }
    });
    if (shownCount) {
      shownCount.textContent = 'Showing ' + shown + ' of ' + rows.length + ' runs';
    }
  }

  filters.forEach(function (select) {
    select.addEventListener('change', applyFilters);
  });

  // Ratings

  const storageKey = 'keldra-ratings:' + window.location.pathname;
  const ratingNames = ['', 'good', 'bad', 'unsure'];
  let ratings = {};
  try {
    const stored = JSON.parse(window.localStorage.getItem(storageKey) || '{}');
    if (stored && typeof stored === 'object') {
      ratings = stored;
    }
  } catch (e) {
    ratings = {}; // unreadable or refused storage: start without ratings
  }
  const ratedCount = form ? form.querySelector('.rated-count') : null;

  function countRated() {
    if (ratedCount) {
      const rated = rows.filter(function (row) {
        const entry = ratings[row.dataset.id];
        return entry && (entry.rating || entry.note);
      }).length;
      ratedCount.textContent = rated + ' of ' + rows.length + ' runs rated';
    }
  }

  function save() {
    try {
      window.localStorage.setItem(storageKey, JSON.stringify(ratings));
    } catch (e) {
      // Not kept; the export still has them while the page is open.
    }
    countRated();
  }

  function update(id, field, value) {
    const entry = ratings[id] || { rating: '', note: '' };
    entry[field] = value;
    if (!entry.rating && !entry.note) {
      delete ratings[id];
    } else {
      ratings[id] = entry;
    }
    save();
  }

  // A run's rating as its button says it: "rate" until there is one.
  function ratingText(id) {
    const entry = ratings[id];
    if (!entry) {
      return 'rate';
    }
    return (entry.rating || 'no rating') + (entry.note ? ' \u00b7 ' + entry.note : '');
  }

  let editing = null; // the cell whose controls are open

  function closeEditor() {
    if (!editing) {
      return;
    }
    const cell = editing;
    editing = null;
    showRatingButton(cell);
  }

  function showRatingButton(cell) {
    const id = cell.parentElement.dataset.id;
    cell.textContent = '';
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'rate';
    button.textContent = ratingText(id);
    button.setAttribute('aria-label', 'Rate ' + id + ': ' + ratingText(id));
    cell.appendChild(button);
    return button;
  }

  function openEditor(cell) {
    closeEditor();
    editing = cell;
    const id = cell.parentElement.dataset.id;
    const entry = ratings[id] || {};
    cell.textContent = '';
    const select = document.createElement('select');
    select.setAttribute('aria-label', 'Rating of ' + id);
    ratingNames.forEach(function (name) {
      const option = document.createElement('option');
      option.value = name;
      option.textContent = name === '' ? '\u2014' : name;
      select.appendChild(option);
    });
    select.value = ratingNames.indexOf(entry.rating) > 0 ? entry.rating : '';
    select.addEventListener('change', function () {
      update(id, 'rating', select.value);
    });
    const note = document.createElement('input');
    note.type = 'text';
    note.placeholder = 'note';
    note.setAttribute('aria-label', 'Note on ' + id);
    note.value = typeof entry.note === 'string' ? entry.note : '';
    note.addEventListener('input', function () {
      update(id, 'note', note.value);
    });
    const done = document.createElement('button');
    done.type = 'button';
    done.className = 'done';
    done.textContent = 'done';
    done.addEventListener('click', function () {
      closeEditor();
      cell.querySelector('button.rate').focus();
    });
    cell.addEventListener('keydown', function escape(event) {
      if (event.key === 'Escape' && editing === cell) {
        cell.removeEventListener('keydown', escape);
        closeEditor();
        cell.querySelector('button.rate').focus();
      }
    });
    cell.appendChild(select);
    cell.appendChild(note);
    cell.appendChild(done);
    select.focus();
  }

  rows.forEach(function (row) {
    const cell = row.querySelector('td.rating');
    if (cell) {
      showRatingButton(cell);
    }
  });
  body.addEventListener('click', function (event) {
    const button = event.target.closest ? event.target.closest('button.rate') : null;
    if (button) {
      openEditor(button.parentElement);
    }
  });

  // TSV cells hold no tabs or line breaks, and "n/a" stands for nothing.
  function tsvCell(value) {
    const text = String(value === undefined || value === null ? '' : value).replace(/[\t\r\n]+/g, ' ').trim();
    return text === '' ? 'n/a' : text;
  }

  function ratingsTsv() {
    const columns = ['bold', 'subject', 'session', 'task', 'acq', 'run', 'echo', 'verdict', 'rating', 'note'];
    const lines = [columns.join('\t')];
    rows.forEach(function (row) {
      const entry = ratings[row.dataset.id] || {};
      const d = row.dataset;
      lines.push([d.bold, d.subject, d.session, d.task, d.acq, d.run, d.echo, d.verdict, entry.rating, entry.note]
        .map(tsvCell)
        .join('\t'));
    });
    return lines.join('\n') + '\n';
  }

  const exportButton = form ? form.querySelector('[data-export]') : null;
  if (exportButton) {
    exportButton.addEventListener('click', function () {
      const url = URL.createObjectURL(new Blob([ratingsTsv()], { type: 'text/tab-separated-values' }));
      const link = document.createElement('a');
      link.href = url;
      link.download = 'group_bold_ratings.tsv';
      document.body.appendChild(link);
      link.click();
      link.remove();
      window.setTimeout(function () {
        URL.revokeObjectURL(url);
      }, 10000);
    });
  }

  if (form) {
    form.hidden = false;
  }
  applyFilters();
  countRated();
})();
