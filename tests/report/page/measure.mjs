// How long a page of many types takes to open, sort and filter in Debian's headless Chromium, or the page of a snapshot
// to open, expand its dominator tree, zoom by owner and show a path: figures to read, not a test. Each figure runs
// from the start of the work to the next frame, so that it holds layout and painting too.
//
//   TARN_REPORT=build/release/tools/tarn_report node tests/report/page/measure.mjs [TYPES | SNAPSHOT]
import { rmSync, statSync } from 'node:fs';
import { basename, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch, makePage, workDirectory, writeReport } from './support.mjs';

const snapshot = /\.snap$/.test(process.argv[2] || '') ? resolve(process.argv[2]) : null;
const count = Number(snapshot ? 0 : process.argv[2] || 10000);
// Types in 12 namespaces of 5 each, bytes falling as in a real report, a static type on every third.
const rows = Array.from({ length: count }, (_, i) => [
  `Tarn::Area${i % 12}::Part${i % 5}::Type${i}<float>`, Math.round(1e9 / (i + 1)), (i % 97) + 1, (i % 97) + 1 + (i % 7),
  i % 3 ? [] : [[`Tarn::Area${i % 12}::ABase`, 1]],
]);
const path = snapshot ? makePage('snapshot.html', snapshot) : makePage('many.html', writeReport('many.tsv', rows));

const browser = await launch();
const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
await page.goto(pathToFileURL(path).href);
const nextFrame = () => new Promise((resolve) => requestAnimationFrame(() => resolve(performance.now())));
const opened = await page.evaluate(nextFrame);

const timed = (action) => page.evaluate(async (act) => {
  const start = performance.now();
  const [kind, target, value] = act;
  if (kind === 'click') document.querySelector(target).click();
  if (kind === 'filter') {
    const filter = document.querySelector('#filter');
    filter.value = value;
    filter.dispatchEvent(new Event('input'));
  }
  document.body.getBoundingClientRect();
  return new Promise((resolve) => requestAnimationFrame(() => resolve(performance.now() - start)));
}, action);

const size = `${(statSync(path).size / 1e6).toFixed(2)} MB`;
const figures = [[snapshot ? `open (${basename(snapshot)}, ${size})` : `open (${count} types, ${size})`, opened]];
if (snapshot) {
  // Down the tree by the largest child, then the treemap by owner into the largest object, then a path.
  for (let level = 1; level <= 4; ++level) {
    const toggle = `#dominators-view > ul > li${' > ul > li:first-child'.repeat(level)} > .line button.toggle`;
    if (!(await page.$(toggle))) break;
    figures.push([`expand level ${level} of the tree`, await timed(['click', toggle])]);
  }
  figures.push(['zoom by owner', await timed(['click', '#owners-view .treemap > .owner'])]);
  figures.push(['zoom by owner again', await timed(['click', '#owners-view .treemap > .owner'])]);
  figures.push(['back to the root', await timed(['click', '#owners-view .breadcrumb button'])]);
  figures.push(['show a path', await timed(['click', '#dominators-view li li li button.object'])]);
} else {
  for (const column of ['type', 'bytes', 'instances', 'references', 'average']) {
    figures.push([`sort by ${column}`, await timed(['click', `#types th[data-column="${column}"] button`])]);
  }
  figures.push(['filter "Part3"', await timed(['filter', '', 'Part3'])]);
  figures.push(['filter "Tarn::Area7::"', await timed(['filter', '', 'Tarn::Area7::'])]);
  figures.push(['clear the filter', await timed(['filter', '', ''])]);
  figures.push(['zoom into Tarn', await timed(['click', '.treemap [data-namespace="Tarn"]'])]);
}
for (const [what, ms] of figures) console.log(`${what.padEnd(40)} ${ms.toFixed(0).padStart(6)} ms`);

await browser.close();
rmSync(workDirectory, { recursive: true, force: true });
