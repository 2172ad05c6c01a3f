// What the page's tests and its measurement share: reports written from rows, tarn_report run on them, and Debian's
// Chromium, headless, driven by playwright-core (which brings no browser of its own).
import { execFileSync } from 'node:child_process';
import { mkdtempSync, writeFileSync } from 'node:fs';
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

// The page of a report file, and of an earlier one beside it: its path.
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
