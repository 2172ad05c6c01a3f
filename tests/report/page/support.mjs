// What the page's tests and its measurement share: reports and snapshots written from rows and objects, tarn_report
// run on them, and Debian's Chromium, headless, driven by playwright-core (which brings no browser of its own).
import { execFileSync } from 'node:child_process';
import { mkdtempSync, writeFileSync } from 'node:fs';
import { crc32 } from 'node:zlib';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

export const tool = process.env.TARN_REPORT || 'tarn_report';
export const workDirectory = mkdtempSync(join(tmpdir(), 'tarn-page-'));

// The text of a report from rows [name, bytes, instances, references, [[static type, instances], ...]]: a total that
// is their sum, continuation lines for the second static type on.
export function reportText(rows) {
  const sum = (column) => rows.reduce((total, row) => total + row[column], 0);
  let text = `Total\t${sum(1)}\t${sum(2)}\t${sum(3)}\r\n`;
  for (const [name, bytes, instances, references, through = []] of rows) {
    text += `${name}\t${bytes}\t${instances}\t${references}`;
    through.forEach(([type, count], i) => { text += `${i ? '\r\n\t\t\t\t' : '\t'}${type}\t${count}`; });
    text += '\r\n';
  }
  return text;
}

export function writeReport(name, rows) {
  const path = join(workDirectory, name);
  writeFileSync(path, reportText(rows));
  return path;
}

// A snapshot file (utilities/memory/MemorySnapshot.h, version 1) of the root and `objects` [type, address, bytes,
// [indices of the objects it points at]], numbered from 1; `roots` are the objects the root points at. Its report
// books each object once, as its own type.
export function writeSnapshot(name, roots, objects) {
  const names = [...new Set(objects.map(([type]) => type))];
  const rows = names.map((type) => {
    const mine = objects.filter((object) => object[0] === type);
    return [type, mine.reduce((sum, object) => sum + object[2], 0), mine.length, mine.length];
  }).sort((a, b) => b[1] - a[1]);
  const report = Buffer.from(reportText(rows));
  const nodes = [[null, 0, 0, roots], ...objects];
  const edges = nodes.flatMap((node) => node[3]);
  const named = names.map((type) => Buffer.from(type));
  const graph = Buffer.alloc(named.reduce((sum, n) => sum + 4 + n.length, 0) + 8 * names.length +
                             24 * nodes.length + 4 * edges.length);
  let at = 0;
  const u32 = (value) => { at = graph.writeUInt32LE(value, at); };
  for (const n of named) {
    u32(n.length);
    at += n.copy(graph, at);
  }
  names.forEach((_, kind) => { u32(kind); u32(kind); });
  for (const [, address] of nodes) at = graph.writeBigUInt64LE(BigInt(address), at);
  for (const [, , bytes] of nodes) at = graph.writeBigUInt64LE(BigInt(bytes), at);
  for (const [type] of nodes) u32(type === null ? 0xffffffff : names.indexOf(type));
  for (const node of nodes) u32(node[3].length);
  for (const target of edges) u32(target);
  const header = Buffer.alloc(64);
  header.write('TARNSNAP', 0, 'latin1');
  header.writeUInt32LE(1, 8);
  [report.length, names.length, names.length, nodes.length, edges.length]
    .forEach((count, i) => header.writeBigUInt64LE(BigInt(count), 16 + 8 * i));
  header.writeUInt32LE(crc32(report), 56);
  header.writeUInt32LE(crc32(graph), 60);
  const path = join(workDirectory, name);
  writeFileSync(path, Buffer.concat([header, report, graph]));
  return path;
}

// The page of a report or snapshot file, and of an earlier one beside it: its path.
export function makePage(name, report, before) {
  const output = join(workDirectory, name);
  execFileSync(tool, ['html', report, ...(before ? ['--before', before] : []), '-o', output]);
  return output;
}

export function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
}

// A page opened from disk, with everything that went wrong on it: console errors, uncaught exceptions and any request
// for something other than the file itself.
export async function open(browser, path) {
  const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
  const url = pathToFileURL(path).href;
  const problems = [];
  page.on('console', (message) => { if (message.type() === 'error') problems.push(`console: ${message.text()}`); });
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  page.on('request', (request) => { if (request.url() !== url) problems.push(`request: ${request.url()}`); });
  await page.goto(url);
  await page.waitForSelector('#types tbody tr');
  return { page, problems };
}
