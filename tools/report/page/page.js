// The viewer of tarn_report's page. It reads the JSON that tarn_report put in the data element and shows it:
//   - a treemap of memory by type, grouped by namespace, that zooms into a namespace on click and back out by its
//     breadcrumb; a click on a type opens its row in the table;
//   - the table of types, sortable by every column, filtered by a search field, the static types through which a
//     type was reached shown on opening its row; with an earlier report, the change of every type beside it.
// A snapshot of the object graph brings three views of its own:
//   - a treemap by owner, nested as the dominator tree nests, that zooms into an object on click and back out by
//     its breadcrumb;
//   - the dominator tree as a list, each object's children shown on expanding it;
//   - the shortest path from the root to the object last clicked in either.
// tarn_report embeds only the part of the graph that retains most (Page.h): the rest is folded into "(N more, X bytes)"
// lines, as `tarn_report tree` folds it.
// The views are a list (kViews): each says whether the data has what it shows and builds its own section.
// Every text of the data reaches the page as a text node, a property or a data attribute: none is parsed as HTML.
'use strict';

(() => {
  const data = JSON.parse(document.getElementById('report-data').textContent);
  const report = data.report;
  const before = data.before || null;
  const graph = data.graph || null;

  // ---- Numbers for a reader -------------------------------------------------------------------------------------

  const kUnits = ['KiB', 'MiB', 'GiB', 'TiB', 'PiB', 'EiB'];

  // "512 B", "1.5 KiB", "31.6 MiB": one decimal from KiB on, as tarn_report's terminal views print bytes.
  function humanBytes(bytes) {
    if (bytes < 1024) return `${bytes} B`;
    let value = bytes / 1024;
    let unit = 0;
    while (value >= 1024 - 0.05 && unit + 1 < kUnits.length) {
      value /= 1024;
      ++unit;
    }
    return `${value.toFixed(1)} ${kUnits[unit]}`;
  }

  const signedBytes = (n) => (n > 0 ? '+' : n < 0 ? '-' : '') + humanBytes(Math.abs(n));
  const signed = (n) => (n > 0 ? `+${n}` : String(n));
  const percent = (part, whole) => (whole ? `${((100 * part) / whole).toFixed(1)}%` : '-');
  // A type's name without its namespace, which the treemaps show around it.
  const shortName = (name, namespace) => (namespace ? name.slice(namespace.length + 2) : name);

  // An element with properties (`dataset` and `style` merged in) and children; strings become text nodes.
  function el(tag, properties = {}, ...children) {
    const element = document.createElement(tag);
    for (const [key, value] of Object.entries(properties)) {
      if (key === 'dataset' || key === 'style') Object.assign(element[key], value);
      else element[key] = value;
    }
    element.append(...children);
    return element;
  }

  // ---- The types: the report's rows, joined by name with the earlier report's -------------------------------------

  const kAbsent = { bytes: 0, instances: 0, references: 0, reached_through: [] };

  function joinTypes() {
    const byName = new Map();
    for (const row of report.types) byName.set(row.type, { now: row, was: null });
    for (const row of before ? before.types : []) {
      const entry = byName.get(row.type);
      if (entry) entry.was = row;
      else byName.set(row.type, { now: null, was: row });
    }
    return [...byName].map(([name, { now, was }], index) => {
      const is = now || kAbsent;
      const old = was || kAbsent;
      return {
        name,
        lowerName: name.toLowerCase(),
        namespace: (now || was).namespace,
        index,  // the report's order, by falling bytes: the order of ties
        bytes: is.bytes,
        instances: is.instances,
        references: is.references,
        reachedThrough: (now || was).reached_through,
        status: !before ? '' : !was ? 'new' : !now ? 'gone' : '',
        before: old,
        change: is.bytes - old.bytes,
        instancesChange: is.instances - old.instances,
        row: null,      // its table row, made when first shown
        details: null,  // the row under it while it is open
      };
    });
  }

  const types = joinTypes();
  const totalBytes = report.total.bytes;

  // ---- The table of types ---------------------------------------------------------------------------------------

  function shareCell(type) {
    const share = totalBytes ? (100 * type.bytes) / totalBytes : 0;
    return [el('span', { className: 'bar', style: { width: `${Math.min(100, share)}%` } }),
            el('span', { className: 'number' }, percent(type.bytes, totalBytes))];
  }

  function changeCell(type) {
    const cells = [signedBytes(type.change)];
    if (type.status) cells.push(' ', el('span', { className: `badge ${type.status}` }, type.status));
    return cells;
  }

  const average = (type) => (type.instances ? type.bytes / type.instances : -1);

  // Each column: its label, what it sorts by, what its cell shows. Numbers sort largest first on the first click,
  // names from A; a second click turns the order round. Columns of changes exist only beside an earlier report.
  const kColumns = [
    { id: 'type', label: 'Type', key: (t) => t.name },
    { id: 'bytes', label: 'Bytes', key: (t) => t.bytes, cell: (t) => humanBytes(t.bytes) },
    { id: 'share', label: 'Share', key: (t) => t.bytes, cell: shareCell },
    { id: 'instances', label: 'Instances', key: (t) => t.instances, cell: (t) => String(t.instances) },
    { id: 'references', label: 'References', key: (t) => t.references, cell: (t) => String(t.references) },
    { id: 'average', label: 'Average', key: average,
      cell: (t) => (t.instances ? humanBytes(Math.round(average(t))) : '-') },
    { id: 'before', label: 'Bytes before', key: (t) => t.before.bytes, changes: true,
      cell: (t) => (t.status === 'new' ? '' : humanBytes(t.before.bytes)) },
    { id: 'change', label: 'Change', key: (t) => t.change, cell: changeCell, changes: true },
    { id: 'instancesChange', label: 'Instances +/-', key: (t) => t.instancesChange, changes: true,
      cell: (t) => signed(t.instancesChange) },
  ].filter((column) => before || !column.changes);
  const kChunk = 500;  // rows added to the table at a time

  function tableView(section) {
    let sortColumn = kColumns.find((column) => column.id === 'bytes');
    let descending = true;
    const order = types.slice();

    const filter = el('input', {
      type: 'search', id: 'filter', placeholder: 'Filter: part of a name, or a namespace ending in ::',
      spellcheck: false, autocomplete: 'off',
    });
    const count = el('span', { id: 'count' });
    const headers = kColumns.map((column) => {
      const button = el('button', { type: 'button' }, column.label);
      button.addEventListener('click', () => sortBy(column));
      return el('th', { scope: 'col', className: column.id, dataset: { column: column.id } }, button);
    });
    const body = el('tbody');
    const table = el('table', { id: 'types' }, el('thead', {}, el('tr', {}, ...headers)), body);
    filter.setAttribute('aria-label', 'Filter the types');
    section.append(el('h2', {}, 'Types'), el('div', { className: 'tools' }, filter, count), table);

    // A query ending in "::" keeps the types of that namespace and of those nested in it ("::" alone: the global
    // scope); any other text keeps the types whose name holds it, ignoring case.
    function matcher(query) {
      const text = query.trim();
      if (!text) return () => true;
      if (text.endsWith('::')) return (t) => `${t.namespace}::`.startsWith(text);
      const lower = text.toLowerCase();
      return (t) => t.lowerName.includes(lower);
    }

    function rowOf(type) {
      if (type.row) return type.row;
      const cells = kColumns.map((column) => {
        if (column.id !== 'type') {
          const cell = el('td', { className: column.id });
          cell.append(...[].concat(column.cell(type)));
          const change = column.changes && column.id !== 'before' ? column.key(type) : 0;
          if (change) cell.classList.add(change > 0 ? 'grown' : 'shrunk');
          return cell;
        }
        const open = el('button', { type: 'button', className: 'open', title: 'Show the static types' }, type.name);
        open.setAttribute('aria-expanded', 'false');
        return el('td', { className: 'type' }, open);
      });
      const className = type.status ? `row ${type.status}` : 'row';
      type.row = el('tr', { className, dataset: { type: type.name } }, ...cells);
      type.row.addEventListener('click', () => toggle(type));
      return type.row;
    }

    function detailsOf(type) {
      const parts = [];
      if (type.status === 'new') parts.push(el('p', {}, 'New: not in the earlier report.'));
      if (type.status === 'gone') parts.push(el('p', {}, 'Gone: in the earlier report only.'));
      if (before && type.status !== 'new') {
        const was = type.before;
        parts.push(el('p', {}, `Before: ${humanBytes(was.bytes)} in ${was.instances} instances, ` +
                                 `${was.references} references.`));
      }
      if (type.reachedThrough.length === 0) {
        parts.push(el('p', { className: 'through' },
                      'Reached only as itself: its own walker measured every instance.'));
      } else {
        const items = type.reachedThrough.map((other) =>
          el('li', {}, el('span', { className: 'static' }, other.type),
             `: ${other.instances} instance${other.instances === 1 ? '' : 's'}`));
        parts.push(el('p', { className: 'through' }, 'Reached through these static types, whose walkers measured it:'),
                   el('ul', { className: 'through' }, ...items));
      }
      return el('tr', { className: 'details' }, el('td', { colSpan: kColumns.length }, ...parts));
    }

    function toggle(type) {
      if (type.details) {
        type.details.remove();
        type.details = null;
      } else {
        type.details = detailsOf(type);
        type.row.after(type.details);
      }
      type.row.classList.toggle('open', Boolean(type.details));
      type.row.querySelector('button.open').setAttribute('aria-expanded', String(Boolean(type.details)));
    }

    // The matching types in order; the rows of the first `limit` of them are on the page, the rest follow in
    // chunks as the reader scrolls to the end, so that a report of any size opens and sorts at once.
    let matching = [];
    let limit = 0;
    const more = el('tr', { className: 'more' }, el('td', { colSpan: kColumns.length }));
    new IntersectionObserver((seen) => {
      if (seen.some((entry) => entry.isIntersecting)) extend(limit + kChunk);
    }, { rootMargin: '400px' }).observe(more);

    function extend(newLimit) {
      if (newLimit <= limit) return;
      const rows = document.createDocumentFragment();
      for (const type of matching.slice(limit, newLimit)) {
        rows.appendChild(rowOf(type));
        if (type.details) rows.appendChild(type.details);
      }
      limit = Math.min(newLimit, matching.length);
      more.before(rows);
      more.hidden = limit === matching.length;
      more.firstChild.textContent = more.hidden ? '' : `${matching.length - limit} more types below`;
    }

    function render() {
      const matches = matcher(filter.value);
      matching = order.filter(matches);
      limit = 0;
      body.replaceChildren(more);
      extend(kChunk);
      count.textContent = matching.length === types.length ? `${types.length} types`
                                                           : `${matching.length} of ${types.length} types`;
    }

    // A click on the column sorted by turns its order round; on another, sorts by it in its first order.
    function sortBy(column, firstDescending = column === sortColumn ? !descending : column.id !== 'type') {
      descending = firstDescending;
      sortColumn = column;
      const { key } = column;
      const sign = descending ? -1 : 1;
      order.sort((a, b) => {
        const x = key(a);
        const y = key(b);
        return x < y ? -sign : x > y ? sign : a.index - b.index;
      });
      for (const header of headers) header.removeAttribute('aria-sort');
      headers[kColumns.indexOf(column)].setAttribute('aria-sort', descending ? 'descending' : 'ascending');
      render();
    }

    filter.addEventListener('input', render);
    sortBy(sortColumn, true);

    // The treemap's way into the table: the type's row, open, in view.
    return {
      show(type) {
        if (!matcher(filter.value)(type)) {
          filter.value = '';
          render();
        }
        extend(matching.indexOf(type) + 1);
        if (!type.details) toggle(type);
        type.row.scrollIntoView({ block: 'center' });
        type.row.classList.remove('flash');
        void type.row.offsetWidth;  // restarts the highlight's animation
        type.row.classList.add('flash');
      },
    };
  }

  // ---- The treemap by type --------------------------------------------------------------------------------------

  // Namespaces as a tree: "Tarn::Devices" is the child "Devices" of "Tarn". A type sits in the namespace that
  // tarn_report read from its name; types of the global scope sit at the root. Types of no bytes have no area.
  function namespaceTree() {
    const node = (label, path, parent) => ({ label, path, parent, children: new Map(), types: [], bytes: 0 });
    const root = node('All types', '', null);
    for (const type of types) {
      if (type.bytes <= 0) continue;
      let at = root;
      at.bytes += type.bytes;
      for (const part of type.namespace ? type.namespace.split('::') : []) {
        if (!at.children.has(part)) at.children.set(part, node(part, at.path ? `${at.path}::${part}` : part, at));
        at = at.children.get(part);
        at.bytes += type.bytes;
      }
      at.types.push(type);
    }
    return root;
  }

  // A namespace's contents, largest first: its nested namespaces and its own types.
  const itemsOf = (space) =>
    [...space.children.values()].map((child) => ({ space: child, bytes: child.bytes }))
      .concat(space.types.map((type) => ({ type, bytes: type.bytes })))
      .sort((a, b) => b.bytes - a.bytes);

  const worstRatio = (largest, smallest, sum, side) =>
    Math.max((side * side * largest) / (sum * sum), (sum * sum) / (side * side * smallest));

  // Squarified layout (Bruls, Huizing and van Wijk) of positive areas, largest first, that fill `box`: a row runs
  // along the shorter side and grows while that makes its worst rectangle squarer. tarn_report's SVG treemap lays
  // out the same way.
  function squarify(areas, box) {
    const boxes = [];
    let { x, y, width, height } = box;
    for (let first = 0; first < areas.length;) {
      const column = width >= height;
      const side = column ? height : width;
      let end = first + 1;
      let sum = areas[first];
      for (let worst = worstRatio(sum, sum, sum, side); end < areas.length; ++end) {
        const next = worstRatio(areas[first], areas[end], sum + areas[end], side);
        if (next > worst) break;
        worst = next;
        sum += areas[end];
      }
      // The last row, and the last box of each row, take what is left, so that rounding leaves no gap.
      const rest = column ? width : height;
      const thickness = end === areas.length ? rest : Math.min(rest, sum / side);
      let along = 0;
      for (let i = first; i < end; ++i) {
        const length = i + 1 === end ? Math.max(0, side - along) : areas[i] / thickness;
        boxes.push(column ? { x, y: y + along, width: thickness, height: length }
                          : { x: x + along, y, width: length, height: thickness });
        along += length;
      }
      if (column) {
        x += thickness;
        width = Math.max(0, width - thickness);
      } else {
        y += thickness;
        height = Math.max(0, height - thickness);
      }
      first = end;
    }
    return boxes;
  }

  // A box that a click, or Enter or Space when it has the focus, acts on; not the boxes around it.
  function clickable(element, act) {
    element.tabIndex = 0;
    element.setAttribute('role', 'button');
    element.addEventListener('click', (event) => {
      event.stopPropagation();
      act();
    });
    element.addEventListener('keydown', (event) => {
      if (event.key !== 'Enter' && event.key !== ' ') return;
      event.preventDefault();
      event.stopPropagation();
      act();
    });
  }

  // The breadcrumb of a zoomable treemap: the way from the top to `current`, each step a button back but the last.
  function showCrumbs(breadcrumb, current, label, parentOf, zoom, size) {
    const crumbs = [];
    for (let at = current; at; at = parentOf(at)) {
      const target = at;
      const crumb = at === current ? el('span', { className: 'current' }, label(at))
                                   : el('button', { type: 'button' }, label(at));
      if (at === current) crumb.setAttribute('aria-current', 'location');
      else crumb.addEventListener('click', () => zoom(target));
      crumbs.unshift(crumb);
      if (parentOf(at)) crumbs.unshift(el('span', { className: 'separator' }, ' › '));
    }
    breadcrumb.replaceChildren(...crumbs, el('span', { className: 'size' }, size));
  }

  // A treemap that redraws itself when its width changes.
  function redrawOnResize(map, render) {
    let drawnWidth = -1;
    new ResizeObserver(() => {
      if (map.clientWidth !== drawnWidth) render();
      drawnWidth = map.clientWidth;
    }).observe(map);
    render();
    drawnWidth = map.clientWidth;
  }

  // Tableau 10: hues that stay apart for readers with weak colour vision.
  const kPalette = ['#4e79a7', '#f28e2b', '#e15759', '#76b7b2', '#59a14f',
                    '#edc948', '#b07aa1', '#ff9da7', '#9c755f', '#bab0ac'];
  const kLabelHeight = 18;
  const kNestedSide = 24;  // a namespace's items are drawn inside it while it is at least this wide and high

  function treemapView(section, table) {
    const root = namespaceTree();
    let current = root;
    const breadcrumb = el('nav', { className: 'breadcrumb' });
    breadcrumb.setAttribute('aria-label', 'Namespace shown');
    const map = el('div', { className: 'treemap' });
    section.append(el('h2', {}, 'Treemap by type'), breadcrumb, map);

    // One item of a namespace in `box`: a type, or a namespace with its own items inside it, as deep as they have
    // room. A click on a namespace zooms into it; on a type of the namespace shown, opens its row.
    function draw(item, box, colour, parent, depth) {
      if (box.width < 1 || box.height < 1) return;
      const element = el('div', {
        className: item.space ? 'namespace' : 'type',
        style: { left: `${box.x}px`, top: `${box.y}px`, width: `${box.width}px`, height: `${box.height}px` },
      });
      element.style.setProperty('--colour', colour);
      if (box.width < 40 || box.height < 16) element.classList.add('small');
      parent.append(element);
      if (item.type) {
        const type = item.type;
        element.dataset.type = type.name;
        element.title = `${type.name}\n${humanBytes(type.bytes)} (${percent(type.bytes, totalBytes)}), ` +
                        `${type.instances} instances, ${type.references} references`;
        element.append(el('span', { className: 'label' }, shortName(type.name, type.namespace)),
                       el('span', { className: 'size' }, humanBytes(type.bytes)));
        if (depth === 0) clickable(element, () => table.show(type));
        return;
      }
      const space = item.space;
      element.dataset.namespace = space.path;
      element.title = `${space.path}: ${humanBytes(space.bytes)} (${percent(space.bytes, totalBytes)})`;
      element.append(el('span', { className: 'label' }, space.label, ' ',
                        el('span', { className: 'size' }, humanBytes(space.bytes))));
      clickable(element, () => zoom(space));
      const inner = { x: 1, y: kLabelHeight, width: box.width - 4, height: box.height - kLabelHeight - 3 };
      if (inner.width < kNestedSide || inner.height < kNestedSide) return;
      const items = itemsOf(space);
      const scale = (inner.width * inner.height) / space.bytes;
      squarify(items.map((i) => i.bytes * scale), inner)
        .forEach((b, i) => draw(items[i], b, colour, element, depth + 1));
    }

    function render() {
      showCrumbs(breadcrumb, current, (space) => space.path || space.label, (space) => space.parent, zoom,
                 ` ${humanBytes(current.bytes)}, ${percent(current.bytes, totalBytes)}`);

      map.replaceChildren();
      const width = map.clientWidth;
      const height = map.clientHeight;
      if (!current.bytes) {
        map.append(el('p', { className: 'empty' }, 'No bytes booked.'));
        return;
      }
      const items = itemsOf(current);
      const scale = (width * height) / current.bytes;
      squarify(items.map((i) => i.bytes * scale), { x: 0, y: 0, width, height })
        .forEach((box, i) => draw(items[i], box, kPalette[i % kPalette.length], map, 0));
    }

    function zoom(space) {
      current = space;
      render();
    }

    redrawOnResize(map, render);
  }

  // ---- The graph of a snapshot: the embedded part of its dominator tree, and links along the shortest paths -------

  // Each embedded object with its children in the tree (in the order tarn_report embeds them: by falling retained
  // bytes) and the step before it on its path from the root.
  function graphObjects() {
    const columns = graph.nodes;
    const objects = columns.type.map((type, index) => ({
      index,
      name: graph.types[type],
      namespace: graph.namespaces[type],
      address: columns.address[index],
      own: columns.own[index],
      retained: columns.retained[index],
      dominator: null,
      via: null,
      more: columns.more[index],
      moreBytes: columns.more_bytes[index],
      children: [],
    }));
    for (const object of objects) {
      const dominator = columns.dominator[object.index];
      const via = columns.via[object.index];
      if (dominator >= 0) {
        object.dominator = objects[dominator];
        object.dominator.children.push(object);
      }
      if (via >= 0) object.via = objects[via];
    }
    return objects;
  }

  const objects = graph ? graphObjects() : [];
  const graphRoot = objects[0];
  const graphTotal = graph ? graph.total : 0;
  const isRoot = (object) => object === graphRoot;
  const objectText = (object) => (isRoot(object) ? '(root)' : `${object.name} ${object.address}`);
  // The line that stands for the children not embedded, as `tarn_report tree` writes it.
  const foldText = (object) => `(${object.more} more, ${object.moreBytes} bytes)`;

  // The steps from the root's first object to `object`; null when its path is not embedded.
  function pathTo(object) {
    const steps = [];
    for (let at = object; !isRoot(at); at = at.via) {
      if (!at) return null;
      steps.unshift(at);
    }
    return steps;
  }

  // The path from the root to the object last clicked, as `tarn_report paths` prints it.
  function pathView(section) {
    const heading = el('p', { id: 'path-heading' },
                       'Click an object in the treemap by owner or in the dominator tree to see the shortest path ' +
                       'to it from the root.');
    const body = el('tbody');
    const table = el('table', { id: 'path' }, body);
    table.hidden = true;
    section.append(el('h2', {}, 'Path from the root'), heading, table);
    return {
      show(object) {
        body.replaceChildren();
        table.hidden = true;
        if (isRoot(object)) {
          heading.textContent = `The root: it retains ${humanBytes(object.retained)}.`;
          return;
        }
        const what = `${object.name} at ${object.address}, retaining ${humanBytes(object.retained)}`;
        const steps = pathTo(object);
        if (!steps) {
          heading.textContent = `${what}: its path is not in this page (tarn_report paths --address ` +
                                `${object.address} prints it).`;
          return;
        }
        heading.textContent = `${what}: ${steps.length} step${steps.length === 1 ? '' : 's'} from the root`;
        for (const step of steps) {
          body.append(el('tr', { dataset: { node: step.index } }, el('td', { className: 'type' }, step.name),
                         el('td', { className: 'address' }, step.address),
                         el('td', { className: 'own' }, humanBytes(step.own))));
        }
        table.hidden = false;
      },
    };
  }

  const kIndent = 16;  // pixels a level of the dominator tree

  // The dominator tree as a list: a row per object, its children made on first expanding it.
  function dominatorView(section, path) {
    const list = el('ul', { className: 'dominators' });
    list.setAttribute('role', 'tree');
    const notes = [];
    if (graph.least > 0) {
      notes.push(`The page holds the ${graph.owners} objects that retain the most (${humanBytes(graph.least)} or ` +
                 `more each) with the ${graph.top} largest children of each; their other children are folded into ` +
                 'one line.');
    }
    section.append(el('h2', {}, 'Dominator tree'),
                   el('p', { className: 'note' }, 'Each object holds the objects it dominates, by falling retained ' +
                      `bytes: what freeing it would free. ${notes.join(' ')}`),
                   el('div', { className: 'tree-head' }, el('span', { className: 'retained' }, 'Retained'),
                      el('span', { className: 'own' }, 'Own'), el('span', { className: 'share' }, 'Share'),
                      el('span', { className: 'toggle' }), el('span', { className: 'object' }, 'Object')),
                   list);

    // The numbers in columns, the objects indented by their depth, as `tarn_report tree` prints them.
    function itemOf(object, depth) {
      const item = el('li', { className: 'object', dataset: { node: object.index, address: object.address } });
      item.setAttribute('role', 'treeitem');
      const open = object.children.length > 0 || object.more > 0;
      const toggle = open ? el('button', { type: 'button', className: 'toggle', title: 'Show what it dominates' })
                          : el('span', { className: 'toggle' });
      toggle.style.marginLeft = `${kIndent * depth}px`;
      const name = el('button', { type: 'button', className: 'object', title: 'Show the path from the root' },
                      objectText(object));
      name.addEventListener('click', () => path.show(object));
      item.append(el('div', { className: 'line' },
                     el('span', { className: 'retained' }, humanBytes(object.retained)),
                     el('span', { className: 'own' }, humanBytes(object.own)),
                     el('span', { className: 'share' }, percent(object.retained, graphTotal)), toggle, name));
      if (!open) return item;
      let children = null;  // made on the first expansion
      const expand = (expanded) => {
        if (expanded && !children) {
          children = el('ul', {}, ...object.children.map((child) => itemOf(child, depth + 1)));
          children.setAttribute('role', 'group');
          if (object.more) {
            const fold = el('li', { className: 'fold' }, foldText(object));
            fold.style.paddingLeft = `calc(var(--numbers) + ${kIndent * (depth + 1)}px)`;
            children.append(fold);
          }
          item.append(children);
        }
        if (children) children.hidden = !expanded;
        item.setAttribute('aria-expanded', String(expanded));
      };
      toggle.addEventListener('click', () => expand(item.getAttribute('aria-expanded') !== 'true'));
      expand(false);
      if (isRoot(object)) expand(true);
      return item;
    }
    list.append(itemOf(graphRoot, 0));
  }

  // The treemap by owner: each object a box of its retained bytes holding the boxes of the objects it dominates, as
  // deep as they have room; the rest of its box is its own bytes and its children not embedded. One colour per
  // namespace. A click on an object shows its path and zooms into it when it holds others.
  function ownerView(section, path) {
    let current = graphRoot;
    const breadcrumb = el('nav', { className: 'breadcrumb' });
    breadcrumb.setAttribute('aria-label', 'Object shown');
    const map = el('div', { className: 'treemap' });
    section.append(el('h2', {}, 'Treemap by owner'), breadcrumb, map);
    const colours = new Map();  // namespace -> palette entry, in the order met
    const colourOf = (object) => {
      if (!colours.has(object.namespace)) colours.set(object.namespace, kPalette[colours.size % kPalette.length]);
      return colours.get(object.namespace);
    };

    // The children of `object` with bytes and the blank rest, laid out in `box`: [child or null, box].
    function layout(object, box) {
      const items = object.children.filter((child) => child.retained > 0);
      const rest = object.retained - items.reduce((sum, child) => sum + child.retained, 0);
      const sized = items.map((child) => [child, child.retained]);
      if (rest > 0) sized.push([null, rest]);
      sized.sort((a, b) => b[1] - a[1]);
      const scale = (box.width * box.height) / object.retained;
      return squarify(sized.map(([, bytes]) => bytes * scale), box).map((b, i) => [sized[i][0], b]);
    }

    function draw(object, box, parent, depth) {
      if (box.width < 1 || box.height < 1) return;
      const element = el('div', {
        className: 'owner',
        dataset: { node: object.index, address: object.address },
        style: { left: `${box.x}px`, top: `${box.y}px`, width: `${box.width}px`, height: `${box.height}px` },
        title: `${object.name} at ${object.address}\nretains ${humanBytes(object.retained)} ` +
               `(${percent(object.retained, graphTotal)}), own ${humanBytes(object.own)}` +
               (object.more ? `\n${foldText(object)} not shown` : ''),
      });
      element.style.setProperty('--colour', colourOf(object));
      element.style.setProperty('--strength', `${Math.max(20, 60 - 8 * depth)}%`);
      if (box.width < 40 || box.height < 16) element.classList.add('small');
      element.append(el('span', { className: 'label' }, shortName(object.name, object.namespace), ' ',
                        el('span', { className: 'size' }, humanBytes(object.retained))));
      parent.append(element);
      clickable(element, () => {
        path.show(object);
        if (object.children.length) zoom(object);
      });
      const inner = { x: 1, y: kLabelHeight, width: box.width - 4, height: box.height - kLabelHeight - 3 };
      if (inner.width < kNestedSide || inner.height < kNestedSide || !object.children.length) return;
      for (const [child, b] of layout(object, inner)) if (child) draw(child, b, element, depth + 1);
    }

    function render() {
      showCrumbs(breadcrumb, current, objectText, (object) => object.dominator, zoom,
                 ` ${humanBytes(current.retained)}, ${percent(current.retained, graphTotal)}`);
      map.replaceChildren();
      if (!current.retained) {
        map.append(el('p', { className: 'empty' }, 'No bytes retained.'));
        return;
      }
      const box = { x: 0, y: 0, width: map.clientWidth, height: map.clientHeight };
      for (const [child, b] of layout(current, box)) if (child) draw(child, b, map, 0);
    }

    function zoom(object) {
      current = object;
      render();
    }

    redrawOnResize(map, render);
  }

  // ---- The page: a heading with the totals, then the views the data has ------------------------------------------

  function totals(source, label) {
    const t = source.total;
    return `${label}${source.name}: ${humanBytes(t.bytes)} in ${t.instances} instances of ${source.types.length} ` +
           `types, ${t.references} references.`;
  }

  document.title = `Memory: ${report.name}`;
  const heading = document.getElementById('totals');
  heading.textContent = totals(report, '');
  if (before) {
    const change = report.total.bytes - before.total.bytes;
    heading.append(el('br'), `${totals(before, 'Before, ')} Change: ${signedBytes(change)}, ` +
                              `${signed(report.total.instances - before.total.instances)} instances.`);
  }

  if (graph) {
    document.getElementById('heading').textContent = 'Memory by owner and type';
    const { objects: count, bytes } = graph.unreachable;
    heading.append(el('br'), `The root retains ${humanBytes(graphTotal)} in ${graph.objects} objects` +
                   (count ? `; ${count} object${count === 1 ? '' : 's'} of ${humanBytes(bytes)} not reachable ` +
                            'from it.' : '.'));
  }

  // A snapshot of the object graph brings views of its own (by owner, dominators, paths); a report has the last two.
  const kViews = [
    { id: 'owners', applies: () => Boolean(graph), build: (section, built) => ownerView(section, built.path) },
    { id: 'dominators', applies: () => Boolean(graph), build: (section, built) => dominatorView(section, built.path) },
    { id: 'path', applies: () => Boolean(graph), build: (section) => pathView(section) },
    { id: 'treemap', applies: () => Boolean(report), build: (section, built) => treemapView(section, built.table) },
    { id: 'table', applies: () => Boolean(report), build: (section) => tableView(section) },
  ];
  const main = document.getElementById('views');
  const built = {};
  const sections = kViews.filter((view) => view.applies()).map((view) => {
    const section = el('section', { id: `${view.id}-view` });
    main.append(section);
    return { view, section };
  });
  // Built from the last, so that a view can use those after it (the treemap opens the table's rows, the graph's views
  // show paths); they are on the page in the list's order.
  for (const { view, section } of sections.slice().reverse()) built[view.id] = view.build(section, built);
})();
