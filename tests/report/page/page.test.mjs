// tarn_report's page in Debian's headless Chromium: pages made by the tool from small reports and snapshots, opened
// from disk and driven as a reader drives them.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync, rmSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { launch, makePage, open, workDirectory, writeReport, writeSnapshot } from './support.mjs';

// A name that would run script, end the data's element or open a comment if any of it were read as HTML.
const kHostile = 'Evil<"q" & \'a\'> Grüße 漢字 </script><script>window.pwned=1</script>' +
                 '<img src=x onerror="window.pwned=2"><!--';

// Every column's values differ between rows, so that each sort has one right order. Two Devices types of other
// namespaces hold "Devices" in their names: a namespace filter keeps neither.
const kRows = [
  ['Tarn::Devices::Texture', 600000, 2, 2],
  ['Tarn::Objects::Image<float>', 300000, 4, 10, [['Tarn::Objects::ARefCounted', 1], ['Tarn::Objects::IClone', 3]]],
  ['unsigned char*', 100000, 20, 28],
  ['Tarn::Devices::Buffer', 50000, 5, 6],
  ['Tarn::Graphics::GeometryNode', 7000, 7, 40, [['Tarn::Graphics::ARenderNode', 7]]],
  ['Host::Devices::Texture', 3300, 3, 12],
  ['std::vector<Tarn::Devices::Texture*>*', 900, 1, 1],
  [kHostile, 512, 8, 30],
];

// The earlier report: Texture grew, Image<float> shrank, Buffer is new, OldNode is gone, the rest held.
const kBeforeRows = [
  ['Tarn::Devices::Texture', 500000, 1, 1],
  ['Tarn::Objects::Image<float>', 310240, 4, 10],
  ['unsigned char*', 100000, 20, 28],
  ['Tarn::Graphics::GeometryNode', 7000, 7, 40],
  ['Host::Devices::Texture', 3300, 3, 12],
  ['Tarn::Graphics::OldNode', 2048, 2, 2],
  ['std::vector<Tarn::Devices::Texture*>*', 900, 1, 1],
  [kHostile, 512, 8, 30],
];

const names = (rows) => rows.map((row) => row[0]);
const byName = (a, b) => (a < b ? -1 : a > b ? 1 : 0);
const shownTypes = (page) => page.$$eval('#types tbody tr.row', (rows) => rows.map((row) => row.dataset.type));
const sortBy = (page, column) => page.click(`#types th[data-column="${column}"] button`);
const sortOrder = (page, column) => page.getAttribute(`#types th[data-column="${column}"]`, 'aria-sort');

let browser;
before(async () => { browser = await launch(); });
after(async () => {
  await browser.close();
  rmSync(workDirectory, { recursive: true, force: true });
});

describe('the page of a report', () => {
  let page;
  let problems;
  before(async () => {
    ({ page, problems } = await open(browser, makePage('report.html', writeReport('report.tsv', kRows))));
  });

  test('opens with no error and asks for nothing over the network', () => {
    assert.deepEqual(problems, []);
  });

  test('has a row per type with its numbers', async () => {
    const cells = await page.$$eval('#types tbody tr.row', (rows) => rows.map((row) =>
      ['type', 'bytes', 'share', 'instances', 'references', 'average']
        .map((column) => row.querySelector(`td.${column}`).textContent)));
    assert.deepEqual(cells, [
      ['Tarn::Devices::Texture', '585.9 KiB', '56.5%', '2', '2', '293.0 KiB'],
      ['Tarn::Objects::Image<float>', '293.0 KiB', '28.3%', '4', '10', '73.2 KiB'],
      ['unsigned char*', '97.7 KiB', '9.4%', '20', '28', '4.9 KiB'],
      ['Tarn::Devices::Buffer', '48.8 KiB', '4.7%', '5', '6', '9.8 KiB'],
      ['Tarn::Graphics::GeometryNode', '6.8 KiB', '0.7%', '7', '40', '1000 B'],
      ['Host::Devices::Texture', '3.2 KiB', '0.3%', '3', '12', '1.1 KiB'],
      ['std::vector<Tarn::Devices::Texture*>*', '900 B', '0.1%', '1', '1', '900 B'],
      [kHostile, '512 B', '0.0%', '8', '30', '64 B'],
    ]);
    assert.equal(await page.textContent('#count'), '8 types');
  });

  test('sorts by every column, both ways', async () => {
    const keys = {
      type: (row) => row[0], bytes: (row) => row[1], share: (row) => row[1], instances: (row) => row[2],
      references: (row) => row[3], average: (row) => row[1] / row[2],
    };
    for (const [column, key] of Object.entries(keys)) {
      for (let click = 0; click < 2; ++click) {
        await sortBy(page, column);
        const sign = (await sortOrder(page, column)) === 'descending' ? -1 : 1;
        const expected = names(kRows.slice().sort((a, b) => sign * byName(key(a), key(b))));
        assert.deepEqual(await shownTypes(page), expected, `${column}, ${sign < 0 ? 'descending' : 'ascending'}`);
      }
    }
  });

  test('keeps exactly the types that match the filter', async () => {
    const cases = [
      ['devices', ['Tarn::Devices::Texture', 'Tarn::Devices::Buffer', 'Host::Devices::Texture',
                   'std::vector<Tarn::Devices::Texture*>*']],
      ['Tarn::Devices::', ['Tarn::Devices::Texture', 'Tarn::Devices::Buffer']],
      ['Tarn::', ['Tarn::Devices::Texture', 'Tarn::Objects::Image<float>', 'Tarn::Devices::Buffer',
                  'Tarn::Graphics::GeometryNode']],
      ['::', ['unsigned char*', kHostile]],
      ['  IMAGE<FLOAT> ', ['Tarn::Objects::Image<float>']],
      ['</script>', [kHostile]],
      ['no such type', []],
      ['', names(kRows)],
    ];
    await sortBy(page, 'bytes');
    if ((await sortOrder(page, 'bytes')) !== 'descending') await sortBy(page, 'bytes');
    for (const [query, expected] of cases) {
      await page.fill('#filter', query);
      assert.deepEqual(await shownTypes(page), expected, query);
      const count = expected.length === kRows.length ? '8 types' : `${expected.length} of 8 types`;
      assert.equal(await page.textContent('#count'), count, query);
    }
  });

  test('shows the static types through which a type was reached on opening its row', async () => {
    const cases = [
      ['Tarn::Objects::Image<float>', ['Tarn::Objects::ARefCounted: 1 instance', 'Tarn::Objects::IClone: 3 instances']],
      ['Tarn::Graphics::GeometryNode', ['Tarn::Graphics::ARenderNode: 7 instances']],
      ['unsigned char*', []],
    ];
    for (const [type, expected] of cases) {
      const row = page.locator(`#types tr.row[data-type="${type}"]`);
      await row.click();
      const details = row.locator('xpath=following-sibling::tr[1]');
      assert.deepEqual(await details.locator('li').allTextContents(), expected, type);
      if (!expected.length) assert.match(await details.textContent(), /Reached only as itself/);
      assert.equal(await row.locator('button.open').getAttribute('aria-expanded'), 'true');
      await row.click();
      assert.equal(await row.locator('button.open').getAttribute('aria-expanded'), 'false');
    }
  });

  test('zooms the treemap into a namespace on click and back out by the breadcrumb', async () => {
    const shown = () => page.$$eval('.treemap > *', (boxes) =>
      boxes.map((box) => box.dataset.namespace ?? box.dataset.type).sort());
    const crumbs = () => page.$$eval('.breadcrumb > button, .breadcrumb > .current', (parts) =>
      parts.map((part) => part.textContent));
    const top = ['Host', 'Tarn', 'std', 'unsigned char*', kHostile].sort();
    assert.deepEqual(await shown(), top);

    await page.click('.treemap [data-namespace="Tarn"] > .label');
    assert.deepEqual(await crumbs(), ['All types', 'Tarn']);
    assert.deepEqual(await shown(), ['Tarn::Devices', 'Tarn::Graphics', 'Tarn::Objects']);
    await page.click('.treemap [data-namespace="Tarn::Devices"] > .label');
    assert.deepEqual(await crumbs(), ['All types', 'Tarn', 'Tarn::Devices']);
    assert.deepEqual(await shown(), ['Tarn::Devices::Buffer', 'Tarn::Devices::Texture']);

    await page.click('.breadcrumb button:text-is("All types")');
    assert.deepEqual(await crumbs(), ['All types']);
    assert.deepEqual(await shown(), top);

    // A type of the level shown opens its row in the table, even one the filter hid.
    await page.fill('#filter', 'Tarn::');
    await page.click('.treemap > [data-type="unsigned char*"]');
    const row = page.locator('#types tr.row[data-type="unsigned char*"]');
    assert.equal(await row.locator('button.open').getAttribute('aria-expanded'), 'true');
    assert.equal(await page.inputValue('#filter'), '');
    await row.click();
  });

  test('shows a hostile name as text everywhere and runs none of it', async () => {
    const html = readFileSync(join(workDirectory, 'report.html'), 'utf8');
    assert.ok(!html.includes('</script><script>window.pwned'), 'the name is not in the file as markup');
    const seen = await page.evaluate((name) => ({
      pwned: window.pwned,
      images: document.images.length,
      scripts: document.scripts.length,
      row: [...document.querySelectorAll('#types tr.row')].filter((row) => row.dataset.type === name)
        .map((row) => row.querySelector('td.type').textContent).join() === name,
      box: [...document.querySelectorAll('.treemap .type')].some((box) => box.title.startsWith(`${name}\n`)),
    }), kHostile);
    assert.deepEqual(seen, { pwned: undefined, images: 0, scripts: 2, row: true, box: true });
    assert.deepEqual(problems, []);
  });
});

describe('the page of a report beside an earlier one', () => {
  let page;
  let problems;
  before(async () => {
    const report = writeReport('after.tsv', kRows);
    const earlier = writeReport('before.tsv', kBeforeRows);
    ({ page, problems } = await open(browser, makePage('change.html', report, earlier)));
  });

  test('shows the change of a grown, a shrunk, a new, a gone and a held type', async () => {
    const cases = [
      ['Tarn::Devices::Texture', '488.3 KiB', '+97.7 KiB', '+1', 'row', 'grown'],
      ['Tarn::Objects::Image<float>', '303.0 KiB', '-10.0 KiB', '0', 'row', 'shrunk'],
      ['Tarn::Devices::Buffer', '', '+48.8 KiB new', '+5', 'row new', 'grown'],
      ['Tarn::Graphics::OldNode', '2.0 KiB', '-2.0 KiB gone', '-2', 'row gone', 'shrunk'],
      ['unsigned char*', '97.7 KiB', '0 B', '0', 'row', ''],
    ];
    for (const [type, was, change, instances, rowClass, tone] of cases) {
      const seen = await page.$eval(`#types tr.row[data-type="${type}"]`, (row) => ({
        was: row.querySelector('td.before').textContent, change: row.querySelector('td.change').textContent,
        instances: row.querySelector('td.instancesChange').textContent, rowClass: row.className,
        tone: ['grown', 'shrunk'].find((name) => row.querySelector('td.change').classList.contains(name)) ?? '',
      }));
      assert.deepEqual(seen, { was, change, instances, rowClass, tone }, type);
    }
    assert.deepEqual(problems, []);
  });

  test('sorts by change, both ways', async () => {
    const was = new Map(kBeforeRows.map((row) => [row[0], row[1]]));
    const now = new Map(kRows.map((row) => [row[0], row[1]]));
    const all = [...new Set([...now.keys(), ...was.keys()])];
    const change = (name) => (now.get(name) ?? 0) - (was.get(name) ?? 0);
    for (let click = 0; click < 2; ++click) {
      await sortBy(page, 'change');
      const sign = (await sortOrder(page, 'change')) === 'descending' ? -1 : 1;
      // Ties keep the order in which the page lists the types: the report's, then the gone ones.
      const expected = all.map((name, index) => ({ name, index }))
        .sort((a, b) => sign * (change(a.name) - change(b.name)) || a.index - b.index).map((entry) => entry.name);
      assert.deepEqual(await shownTypes(page), expected);
    }
  });
});

describe('the page of a report of many types', () => {
  test('shows the rows in chunks as the reader scrolls, sorted and filtered over all of them', async () => {
    const rows = Array.from({ length: 1234 }, (_, i) => [`Tarn::Part${i % 3}::Type${i}`, 5000 - i, 1, 1]);
    const { page, problems } = await open(browser, makePage('many.html', writeReport('many.tsv', rows)));
    const shown = async () => (await shownTypes(page)).length;
    const cases = [[500, '734 more types below'], [1000, '234 more types below'], [1234, '']];
    for (const [count, more] of cases) {
      await page.waitForFunction((n) => document.querySelectorAll('#types tr.row').length === n, count);
      assert.equal(await page.textContent('#types tr.more'), more);
      await page.locator('#types tr.row').last().scrollIntoViewIfNeeded();
    }
    await sortBy(page, 'bytes');
    assert.equal((await shownTypes(page))[0], 'Tarn::Part0::Type1233');
    await page.fill('#filter', 'Tarn::Part1::');
    assert.equal(await page.textContent('#count'), '411 of 1234 types');
    assert.equal(await shown(), 411);
    assert.deepEqual(problems, []);
    await page.close();
  });
});

// root -> World -> Cell 0x2000 -> Node 0x4000, Effect
//               -> Cell 0x3000 -> Effect, Node 0x6000 -> Mesh; the hostile name
// The Effect, which both cells hold, is the World's; its shortest path passes the first cell.
const kObjects = [
  ['Tarn::World', 0x1000, 16, [2, 3]],
  ['Tarn::Cell', 0x2000, 8, [4, 5]],
  ['Tarn::Cell', 0x3000, 8, [6, 5, 7]],
  ['Tarn::Graphics::Node', 0x4000, 4000, []],
  ['Tarn::Effect', 0x5000, 100, []],
  ['Tarn::Graphics::Node', 0x6000, 2000, [8]],
  [kHostile, 0x7000, 300, []],
  ['Tarn::Graphics::Mesh', 0x8000, 1500, []],
];

const treeItem = (address) => `#dominators-view li[data-address="${address}"]`;
// The rows under an expanded object: retained, own, share and the object, or the line of those folded.
const treeChildren = (page, address) => page.$$eval(`${treeItem(address)} > ul > li`, (items) => items.map((item) =>
  (item.classList.contains('fold') ? [item.textContent]
    : [...item.querySelectorAll(':scope > .line > :not(.toggle)')].map((cell) => cell.textContent))));
const expand = async (page, address) => {
  if ((await page.getAttribute(treeItem(address), 'aria-expanded')) !== 'true') {
    await page.click(`${treeItem(address)} > .line button.toggle`);
  }
};
const pathShown = (page) => page.evaluate(() => ({
  heading: document.getElementById('path-heading').textContent,
  steps: [...document.querySelectorAll('#path tr')].map((row) => [...row.cells].map((cell) => cell.textContent)),
}));

describe('the page of a snapshot', () => {
  let page;
  let problems;
  before(async () => {
    ({ page, problems } = await open(browser, makePage('snapshot.html', writeSnapshot('world.snap', [1], kObjects))));
  });

  test('opens with no error and shows the report of the snapshot beside its graph', async () => {
    assert.deepEqual(problems, []);
    assert.equal(await page.textContent('#heading'), 'Memory by owner and type');
    assert.match(await page.textContent('#totals'), /The root retains 7\.7 KiB in 8 objects\.$/);
    assert.equal((await shownTypes(page))[0], 'Tarn::Graphics::Node');
  });

  test('expands a row of the dominator tree into its children, largest first, made on the first click', async () => {
    const cases = [
      ['0x0', [['7.7 KiB', '16 B', '100.0%', 'Tarn::World 0x1000']]],
      ['0x1000', [['3.9 KiB', '8 B', '50.5%', 'Tarn::Cell 0x2000'], ['3.7 KiB', '8 B', '48.0%', 'Tarn::Cell 0x3000'],
                  ['100 B', '100 B', '1.3%', 'Tarn::Effect 0x5000']]],
      ['0x3000', [['3.4 KiB', '2.0 KiB', '44.1%', 'Tarn::Graphics::Node 0x6000'],
                  ['300 B', '300 B', '3.8%', `${kHostile} 0x7000`]]],
      ['0x6000', [['1.5 KiB', '1.5 KiB', '18.9%', 'Tarn::Graphics::Mesh 0x8000']]],
    ];
    for (const [address, children] of cases) {
      if (address !== '0x0') assert.equal(await page.$(`${treeItem(address)} > ul`), null, `${address}: made early`);
      await expand(page, address);
      assert.deepEqual(await treeChildren(page, address), children, address);
    }
    assert.equal(await page.$(`${treeItem('0x4000')} > .line button.toggle`), null, 'a leaf has nothing to expand');
    await page.click(`${treeItem('0x1000')} > .line button.toggle`);
    assert.equal(await page.getAttribute(treeItem('0x1000'), 'aria-expanded'), 'false');
    assert.equal(await page.isVisible(treeItem('0x2000')), false);
    await page.click(`${treeItem('0x1000')} > .line button.toggle`);
    assert.equal(await page.isVisible(treeItem('0x8000')), true, 'what was expanded inside stays so');
  });

  test('shows the shortest path from the root to an object clicked in the tree', async () => {
    const cases = [
      ['0x8000', 'Tarn::Graphics::Mesh at 0x8000, retaining 1.5 KiB: 4 steps from the root',
       [['Tarn::World', '0x1000', '16 B'], ['Tarn::Cell', '0x3000', '8 B'], ['Tarn::Graphics::Node', '0x6000', '2.0 KiB'],
        ['Tarn::Graphics::Mesh', '0x8000', '1.5 KiB']]],
      // The World dominates the Effect; the path goes through the cell that reached it first.
      ['0x5000', 'Tarn::Effect at 0x5000, retaining 100 B: 3 steps from the root',
       [['Tarn::World', '0x1000', '16 B'], ['Tarn::Cell', '0x2000', '8 B'], ['Tarn::Effect', '0x5000', '100 B']]],
      ['0x1000', 'Tarn::World at 0x1000, retaining 7.7 KiB: 1 step from the root', [['Tarn::World', '0x1000', '16 B']]],
      ['0x7000', `${kHostile} at 0x7000, retaining 300 B: 3 steps from the root`,
       [['Tarn::World', '0x1000', '16 B'], ['Tarn::Cell', '0x3000', '8 B'], [kHostile, '0x7000', '300 B']]],
      ['0x0', 'The root: it retains 7.7 KiB.', []],
    ];
    for (const address of ['0x1000', '0x3000', '0x6000']) await expand(page, address);
    for (const [address, heading, steps] of cases) {
      await page.click(`${treeItem(address)} > .line button.object`);
      assert.deepEqual(await pathShown(page), { heading, steps }, address);
    }
  });

  test('nests the owners in the treemap, zooms into one on click and back out by the breadcrumb', async () => {
    const map = '#owners-view .treemap';
    const shown = () => page.$$eval(`${map} > .owner`, (boxes) => boxes.map((box) => box.dataset.address).sort());
    const crumbs = () => page.$$eval('#owners-view .breadcrumb > button, #owners-view .breadcrumb > .current',
                                     (parts) => parts.map((part) => part.textContent));
    const inside = (inner, outer) => page.evaluate(([a, b]) => {
      const box = document.querySelector(a).getBoundingClientRect();
      const around = document.querySelector(b).getBoundingClientRect();
      return document.querySelector(b).contains(document.querySelector(a)) && box.left >= around.left &&
             box.top >= around.top && box.right <= around.right && box.bottom <= around.bottom;
    }, [inner, outer]);
    const box = (...addresses) => `${map} ${addresses.map((address) => `[data-address="${address}"]`).join(' > ')}`;

    assert.deepEqual(await shown(), ['0x1000']);
    assert.ok(await inside(box('0x1000', '0x3000'), box('0x1000')), 'the world holds its cells');
    assert.ok(await inside(box('0x1000', '0x3000', '0x6000'), box('0x1000', '0x3000')), 'a cell holds its nodes');
    assert.ok(await inside(box('0x1000', '0x5000'), box('0x1000')), 'the effect is the world\'s');

    const steps = [
      ['0x1000', ['0x2000', '0x3000', '0x5000'], ['(root)', 'Tarn::World 0x1000'], '1 step'],
      ['0x3000', ['0x6000', '0x7000'], ['(root)', 'Tarn::World 0x1000', 'Tarn::Cell 0x3000'], '2 steps'],
      ['0x6000', ['0x8000'], ['(root)', 'Tarn::World 0x1000', 'Tarn::Cell 0x3000', 'Tarn::Graphics::Node 0x6000'],
       '3 steps'],
    ];
    for (const [address, children, way, path] of steps) {
      await page.click(`${map} > [data-address="${address}"] > .label`);
      assert.deepEqual(await shown(), children, address);
      assert.deepEqual(await crumbs(), way, address);
      assert.match((await pathShown(page)).heading, new RegExp(` at ${address}, .*: ${path} from the root$`));
    }
    // An object that holds nothing shows its path and stays where it is.
    await page.click(`${map} > [data-address="0x8000"]`);
    assert.deepEqual(await shown(), ['0x8000']);
    assert.match((await pathShown(page)).heading, /^Tarn::Graphics::Mesh at 0x8000/);

    await page.click('#owners-view .breadcrumb button:text-is("Tarn::World 0x1000")');
    assert.deepEqual(await shown(), ['0x2000', '0x3000', '0x5000']);
    await page.click('#owners-view .breadcrumb button:text-is("(root)")');
    assert.deepEqual(await crumbs(), ['(root)']);
    assert.deepEqual(await shown(), ['0x1000']);
  });

  test('shows a hostile name as text in the tree, the treemap and the path, and runs none of it', async () => {
    await expand(page, '0x1000');
    await expand(page, '0x3000');
    await page.click(`${treeItem('0x7000')} > .line button.object`);
    const seen = await page.evaluate((name) => ({
      pwned: window.pwned,
      images: document.images.length,
      scripts: document.scripts.length,
      tree: document.querySelector('#dominators-view li[data-address="0x7000"] button.object').textContent,
      path: [...document.querySelectorAll('#path td.type')].map((cell) => cell.textContent).pop(),
      box: [...document.querySelectorAll('#owners-view .owner')].some((box) => box.title.startsWith(`${name} at `)),
    }), kHostile);
    assert.deepEqual(seen, { pwned: undefined, images: 0, scripts: 2, tree: `${kHostile} 0x7000`, path: kHostile,
                             box: true });
    assert.deepEqual(problems, []);
  });
});

describe('the page of a snapshot larger than the page keeps', () => {
  test('folds the children it leaves out into one line, as tarn_report tree does, the first reached kept', async () => {
    // Two cells of 1200 blocks of 8 bytes: the page opens 2000 objects, the world, the cells and the first 1997
    // blocks, all of the first cell's and 797 of the second's, with the third largest of the others' children.
    const blocks = Array.from({ length: 2400 }, (_, i) => ['unsigned char*', 0x10000 + 16 * i, 8, []]);
    const cell = (first) => blocks.slice(first, first + 1200).map((_, i) => first + i + 4);
    const objects = [['Tarn::World', 0x1000, 16, [2, 3]], ['Tarn::Cell', 0x2000, 8, cell(0)],
                     ['Tarn::Cell', 0x3000, 8, cell(1200)], ...blocks];
    const { page, problems } = await open(browser, makePage('folded.html', writeSnapshot('folded.snap', [1], objects)));
    await expand(page, '0x1000');
    const cases = [['0x2000', 0, 1200, []], ['0x3000', 1200, 797, [['(403 more, 3224 bytes)']]]];
    for (const [address, first, shown, fold] of cases) {
      await expand(page, address);
      const children = await treeChildren(page, address);
      const block = (i) => ['8 B', '8 B', '0.0%', `unsigned char* 0x${(0x10000 + 16 * (first + i)).toString(16)}`];
      assert.deepEqual(children.slice(0, 2), [block(0), block(1)], address);
      assert.deepEqual(children.slice(shown - 1), [block(shown - 1), ...fold], address);
    }
    assert.match(await page.textContent('#dominators-view .note'),
                 /The page holds the 2000 objects that retain the most \(8 B or more each\) with the 3 largest /);
    assert.deepEqual(problems, []);
    await page.close();
  });
});

describe('the page of the demo world', () => {
  test('stays under 1 MB and opens with a row per type', { skip: !process.env.TARN_MEMORY_REPORT }, async () => {
    const report = join(workDirectory, 'demo.tsv');
    execFileSync(process.env.TARN_MEMORY_REPORT, ['--output', report]);
    const path = makePage('demo.html', report);
    assert.ok(statSync(path).size < 1000000, `${statSync(path).size} bytes`);
    const types = readFileSync(report, 'utf8').split('\r\n').filter((line) => line && !/^(Total|\t)/.test(line));
    const { page, problems } = await open(browser, path);
    assert.deepEqual(await shownTypes(page), types.map((line) => line.split('\t')[0]));
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('of its snapshot stays under 1 MB and shows who holds the memory', { skip: !process.env.TARN_MEMORY_REPORT },
    async () => {
      const snapshot = join(workDirectory, 'demo.snap');
      execFileSync(process.env.TARN_MEMORY_REPORT, ['--output', join(workDirectory, 'demo-snap.tsv'), '--snapshot', snapshot]);
      const path = makePage('demo-snapshot.html', snapshot);
      assert.ok(statSync(path).size < 1000000, `${statSync(path).size} bytes`);
      const { page, problems } = await open(browser, path);
      const first = await page.textContent(`${treeItem('0x0')} > ul > li .line button.object`);
      assert.match(first, /^Tarn::Graphics::PersistentObjectManager 0x[0-9a-f]+$/);
      assert.equal(await page.$$eval('#owners-view .treemap > .owner', (boxes) => boxes.length), 1);
      assert.deepEqual(problems, []);
      await page.close();
    });
});
