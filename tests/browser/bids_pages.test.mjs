// The subject and group pages of the sample BIDS dataset (`keldra demo --bids`, both levels),
// in the real browser: moving between runs with the arrow keys; the group page's counts, links,
// sorting, filters, ratings and their export, and the strip plot's links.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  connect,
  documentationScreenshot,
  expectImagesDecoded,
  expectNoProblems,
  expectWholeScreenshot,
  fileUrl,
  openWatched,
  pagesFolder,
} from './browser.mjs';

let browser;
let context;
const downloads = mkdtempSync(path.join(os.tmpdir(), 'keldra-downloads-'));

before(async () => {
  browser = await connect();
  context = await browser.createBrowserContext({ downloadBehavior: { policy: 'allow', downloadPath: downloads } });
});

after(async () => {
  await context.close();
  await browser.disconnect();
  rmSync(downloads, { recursive: true, force: true });
});

// group_bold.tsv as keldra wrote it: one object per run, by column name.
function groupTable() {
  const [header, ...lines] = readFileSync(path.join(pagesFolder, 'bids/group_bold.tsv'), 'utf8').trimEnd().split('\n');
  const columns = header.split('\t');
  return lines.map((line) => Object.fromEntries(line.split('\t').map((value, i) => [columns[i], value])));
}

test('subject page: one section per run, and the arrow keys move between them', async () => {
  const { page, problems } = await openWatched(context, fileUrl('bids/sub-01.html'));
  await expectImagesDecoded(page, 'subject page');
  const sections = await page.$$eval('section.run', (all) => all.map((s) => ({ id: s.id, verdict: s.dataset.verdict })));
  const runs = groupTable().filter((run) => run.subject === '01');
  assert.equal(sections.length, runs.length);
  assert.deepEqual(
    sections.map((s) => s.verdict).sort(),
    runs.map((run) => run.verdict).sort(),
  );

  const where = () =>
    page.evaluate(() => {
      const current = document.querySelector('section.run.current');
      return { hash: decodeURIComponent(location.hash.slice(1)), current: current && current.id, top: current && Math.round(current.getBoundingClientRect().top) };
    });
  assert.equal((await where()).current, sections[0].id);
  await page.keyboard.press('ArrowRight');
  let at = await where();
  assert.deepEqual([at.hash, at.current], [sections[1].id, sections[1].id]);
  assert.ok(Math.abs(at.top) <= 10, 'the run is brought to the top of the window, not ' + at.top);
  for (let i = 0; i < sections.length; i += 1) {
    await page.keyboard.press('ArrowRight');
  }
  assert.equal((await where()).current, sections[sections.length - 1].id, 'the last run stays the last');
  await page.keyboard.press('ArrowLeft');
  assert.equal((await where()).current, sections[sections.length - 2].id);

  // Each run has its own working viewer.
  const second = '#' + sections[1].id + ' figure[data-viewer]';
  await page.click(second + ' [data-control="flick"]');
  assert.equal(await page.$eval(second, (f) => f.dataset.showing), 'after');
  assert.equal(await page.$eval('#' + sections[0].id + ' figure[data-viewer]', (f) => f.dataset.showing), 'edges');

  await expectWholeScreenshot(context, page, 'subject-page.png', 'subject page');
  expectNoProblems(problems, 'subject page');
  await page.close();
});

test('subject page of a run that could not be checked says why', async () => {
  const notChecked = groupTable().find((run) => run.verdict === 'not checked' && run.reason.includes('anatomical'));
  assert.ok(notChecked, 'the sample has a subject without an anatomical');
  const { page, problems } = await openWatched(context, fileUrl('bids/sub-' + notChecked.subject + '.html'));
  const banner = await page.$eval('.verdict', (v) => ({ verdict: v.dataset.verdict, text: v.textContent }));
  assert.equal(banner.verdict, 'not checked');
  assert.ok(banner.text.includes(notChecked.reason), banner.text);
  expectNoProblems(problems, 'page of a subject without an anatomical');
  await page.close();
});

test('group page: counts, links, sorting, filters, ratings exported as TSV, plot links', async () => {
  const table = groupTable();
  const { page, problems } = await openWatched(context, fileUrl('bids/group_bold.html'));
  const counts = await page.$$eval('[data-count]', (items) =>
    Object.fromEntries(items.map((item) => [item.dataset.count, Number(item.querySelector('strong').textContent)])),
  );
  for (const verdict of ['aligned', 'check', 'misaligned', 'not checked']) {
    assert.equal(counts[verdict], table.filter((run) => run.verdict === verdict).length, verdict);
  }

  // A row per run, in the table's order, each linking to an existing section of its subject page.
  const rows = await page.$$eval('table.runs tbody tr', (all) =>
    all.map((row) => ({ bold: row.dataset.bold, verdict: row.dataset.verdict, href: row.querySelector('a').getAttribute('href') })),
  );
  assert.deepEqual(rows.map((row) => row.bold), table.map((run) => run.bold));
  for (const row of rows) {
    const [file, id] = row.href.split('#');
    assert.ok(readFileSync(path.join(pagesFolder, 'bids', file), 'utf8').includes('<section class="run" id="' + id + '"'), row.href);
  }

  // Sorting: by the shift, ascending then descending, runs without one last either way.
  const shifts = () =>
    page.$$eval('table.runs tbody tr', (all) =>
      all.map((row) => row.cells[Array.from(row.closest('table').tHead.rows[0].cells).findIndex((h) => h.textContent === 'Shift (mm)')].dataset.value),
    );
  const sortButton = async (label) => {
    const buttons = await page.$$('table.runs th .sort');
    for (const button of buttons) {
      if ((await button.evaluate((b) => b.textContent)) === label) {
        return button;
      }
    }
    throw new Error('no heading ' + label);
  };
  await (await sortButton('Shift (mm)')).click();
  let values = await shifts();
  const measured = table.filter((run) => run.shift_length_mm !== 'n/a').map((run) => Number(run.shift_length_mm));
  assert.deepEqual(values.slice(0, measured.length).map((v) => Math.round(Number(v) * 100) / 100), [...measured].sort((a, b) => a - b));
  assert.deepEqual(values.slice(measured.length), Array(values.length - measured.length).fill(''));
  await (await sortButton('Shift (mm)')).click();
  values = await shifts();
  assert.deepEqual(values.slice(0, measured.length).map((v) => Math.round(Number(v) * 100) / 100), [...measured].sort((a, b) => b - a));
  assert.equal(await page.$eval('table.runs th[aria-sort]', (h) => h.getAttribute('aria-sort') + ' ' + h.textContent), 'descending Shift (mm)');
  await (await sortButton('Subject')).click();
  const subjects = await page.$$eval('table.runs tbody tr', (all) => all.map((row) => row.dataset.subject));
  assert.deepEqual(subjects, [...subjects].sort());

  // Filters: by verdict, then by task as well; the plot dims the runs left out.
  const visible = () =>
    page.$$eval('table.runs tbody tr', (all) => all.filter((row) => !row.hidden && row.offsetHeight > 0).map((row) => ({ ...row.dataset })));
  await page.select('select[data-filter="verdict"]', 'aligned');
  let shown = await visible();
  assert.equal(shown.length, counts.aligned);
  assert.ok(shown.every((row) => row.verdict === 'aligned'));
  await page.select('select[data-filter="task"]', 'rest');
  shown = await visible();
  assert.equal(shown.length, table.filter((run) => run.verdict === 'aligned' && run.task === 'rest').length);
  assert.match(await page.$eval('.shown-count', (o) => o.textContent), new RegExp('^Showing ' + shown.length + ' of ' + table.length + ' runs$'));
  const dimmed = await page.$$eval('.strip-plot .point.filtered-out', (all) => all.length);
  const plotted = await page.$$eval('.strip-plot .point', (all) => all.length);
  assert.equal(plotted - dimmed, shown.length);
  await page.select('select[data-filter="verdict"]', '');
  await page.select('select[data-filter="task"]', '');
  assert.equal((await visible()).length, table.length);

  // Ratings: two runs rated, one with a note holding a tab; the export lines up with group_bold.tsv.
  const rate = async (bold, rating, note) => {
    await page.click('tr[data-bold="' + bold + '"] button.rate');
    await page.select('tr[data-bold="' + bold + '"] td.rating select', rating);
    if (note) {
      // Set as a paste would, tab included (typing one would move the focus on).
      await page.$eval('tr[data-bold="' + bold + '"] td.rating input', (input, value) => {
        input.value = value;
        input.dispatchEvent(new Event('input'));
      }, note);
    }
    await page.click('tr[data-bold="' + bold + '"] td.rating button.done');
  };
  const misaligned = table.find((run) => run.verdict === 'misaligned');
  const aligned = table.find((run) => run.verdict === 'aligned');
  await rate(misaligned.bold, 'bad', 'header\tshifted');
  await rate(aligned.bold, 'good', '');
  await page.click('[data-export]');
  let exported = null;
  for (let i = 0; i < 100 && !exported; i += 1) {
    await new Promise((resolve) => setTimeout(resolve, 100));
    const files = readdirSync(downloads).filter((name) => name.endsWith('.tsv'));
    if (files.length === 1) {
      exported = readFileSync(path.join(downloads, files[0]), 'utf8');
    }
  }
  assert.ok(exported, 'no TSV was downloaded');
  const expected = ['bold\tsubject\tsession\ttask\tacq\trun\techo\tverdict\trating\tnote']
    .concat(
      table.map((run) => {
        const rating = run.bold === misaligned.bold ? ['bad', 'header shifted'] : run.bold === aligned.bold ? ['good', 'n/a'] : ['n/a', 'n/a'];
        return [run.bold, run.subject, run.session, run.task, run.acq, run.run, run.echo, run.verdict, ...rating].join('\t');
      }),
    )
    .join('\n') + '\n';
  assert.equal(exported, expected);

  // The ratings outlive the page. A page hands what it stores to the browser on its own time;
  // a second tab of the same folder sees it once the browser holds it, and only then is the
  // page reloaded (a reload that overtook the hand-over would read storage without them).
  const storageKey = 'keldra-ratings:' + new URL(page.url()).pathname;
  const probe = await context.newPage();
  await probe.goto(fileUrl('bids/group_bold.html'), { waitUntil: 'load' });
  await probe.waitForFunction((key) => Object.keys(JSON.parse(window.localStorage.getItem(key) || '{}')).length === 2, { timeout: 10000 }, storageKey);
  await probe.close();
  await page.reload({ waitUntil: 'load' });
  assert.equal(await page.$eval('tr[data-bold="' + misaligned.bold + '"] button.rate', (b) => b.textContent), 'bad \u00b7 header\tshifted');
  assert.match(await page.$eval('.rated-count', (s) => s.textContent), new RegExp('^2 of ' + table.length + ' runs rated$'));

  await expectWholeScreenshot(context, page, 'group-page.png', 'group page');
  await documentationScreenshot(page, 'group-page.png');

  // A point of the plot opens its run.
  const id = path.basename(misaligned.bold).replace(/_bold\.nii(\.gz)?$/, '');
  await Promise.all([page.waitForNavigation({ waitUntil: 'load' }), page.click('.strip-plot .point[data-id="' + id + '"]')]);
  assert.equal(decodeURIComponent(new URL(page.url()).hash.slice(1)), id);
  assert.ok(page.url().endsWith('/sub-' + misaligned.subject + '.html#' + id), page.url());
  expectNoProblems(problems, 'group page and the page it opened');
  await page.close();
});
