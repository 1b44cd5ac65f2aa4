// The machine table: rows come from the JSON block, are filtered and sorted here, and are
// rendered a chunk at a time so that 10,000 machines stay quick to filter as one types.
(function () {
  'use strict';
  var CHUNK = 250;
  var data = JSON.parse(document.getElementById('machine-data').textContent);
  var columns = data.columns;
  var rows = data.rows;
  var table = document.getElementById('machines');
  var body = table.tBodies[0];
  var filterBox = document.getElementById('machine-filter');
  var status = document.getElementById('machine-status');
  var more = document.getElementById('machine-more');
  var collator = new Intl.Collator(undefined, {numeric: true, sensitivity: 'base'});

  // Every column's text in lower case, once, so that a keystroke only scans strings.
  var haystacks = rows.map(function (row) {
    return row.map(function (cell) { return cell === null ? '' : String(cell); })
        .join('\u0001').toLowerCase();
  });
  var view = rows.map(function (_, index) { return index; });
  var shown = 0;
  var sortColumn = -1;
  var sortDescending = false;

  function appendChunk() {
    var fragment = document.createDocumentFragment();
    var end = Math.min(view.length, shown + CHUNK);
    for (var i = shown; i < end; i++) {
      var row = rows[view[i]];
      var tr = document.createElement('tr');
      for (var c = 0; c < columns.length; c++) {
        var td = document.createElement('td');
        if (row[c] !== null) td.textContent = row[c];
        if (columns[c].numeric) td.className = 'num';
        else if (columns[c].nowrap) td.className = 'nowrap';
        tr.appendChild(td);
      }
      fragment.appendChild(tr);
    }
    body.appendChild(fragment);
    shown = end;
    more.hidden = shown >= view.length;
  }

  function render() {
    body.textContent = '';
    shown = 0;
    appendChunk();
    status.textContent = view.length === rows.length
        ? rows.length + ' machines'
        : view.length + ' of ' + rows.length + ' machines match';
  }

  function compareRows(a, b) {
    var x = rows[a][sortColumn], y = rows[b][sortColumn];
    if (x === y) return a - b;
    if (x === null) return 1;  // empty cells last, whichever the direction
    if (y === null) return -1;
    var order = columns[sortColumn].numeric ? x - y : collator.compare(x, y);
    if (order === 0) return a - b;
    return sortDescending ? -order : order;
  }

  function applyFilter() {
    var terms = filterBox.value.toLowerCase().split(/\s+/).filter(Boolean);
    view = [];
    for (var i = 0; i < rows.length; i++) {
      var text = haystacks[i], all = true;
      for (var t = 0; t < terms.length && all; t++) all = text.indexOf(terms[t]) >= 0;
      if (all) view.push(i);
    }
    if (sortColumn >= 0) view.sort(compareRows);
    render();
  }

  function sortBy(column) {
    sortDescending = column === sortColumn ? !sortDescending : false;
    sortColumn = column;
    var headers = table.tHead.rows[0].cells;
    for (var c = 0; c < headers.length; c++) {
      headers[c].setAttribute('aria-sort', c !== column ? 'none'
          : (sortDescending ? 'descending' : 'ascending'));
    }
    view.sort(compareRows);
    render();
  }

  var headerRow = table.tHead.rows[0];
  columns.forEach(function (column, index) {
    var th = document.createElement('th');
    var button = document.createElement('button');
    button.type = 'button';
    button.textContent = column.name;
    button.addEventListener('click', function () { sortBy(index); });
    th.setAttribute('aria-sort', 'none');
    if (column.numeric) th.className = 'num';
    th.appendChild(button);
    headerRow.appendChild(th);
  });

  var pending = 0;
  filterBox.addEventListener('input', function () {
    clearTimeout(pending);
    pending = setTimeout(applyFilter, rows.length > 2000 ? 120 : 0);
  });
  more.addEventListener('click', appendChunk);
  if ('IntersectionObserver' in window) {
    new IntersectionObserver(function (entries) {
      if (entries[0].isIntersecting && shown < view.length) appendChunk();
    }, {rootMargin: '600px'}).observe(more);
  }
  filterBox.disabled = false;
  render();
})();
