// tarn_report's page in Debian's headless Chromium: pages made by the tool from small reports, opened from disk and
// driven as a reader drives them.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync, rmSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { launch, makePage, open, workDirectory, writeReport } from './support.mjs';

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
});
