// The run page (report.html) of `keldra demo` and of `keldra check` on a file with a hostile
// name, in the real browser.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import {
  connect,
  documentationScreenshot,
  expectImagesDecoded,
  expectNoProblems,
  expectWholeScreenshot,
  fileUrl,
  openWatched,
} from './browser.mjs';

let browser;
let context;

before(async () => {
  browser = await connect();
  context = await browser.createBrowserContext();
});

after(async () => {
  await context.close();
  await browser.disconnect();
});

// The picture the first viewer shows: the one frame that is visible, and the figure's own word.
async function shown(page) {
  return page.$eval('figure[data-viewer]', (figure) => {
    const visible = Array.from(figure.querySelectorAll('.frame'))
      .filter((frame) => getComputedStyle(frame).visibility === 'visible')
      .map((frame) => frame.querySelector('img').getAttribute('src'));
    return { role: figure.dataset.showing, visible };
  });
}

async function press(page, control) {
  await page.click('figure[data-viewer] [data-control="' + control + '"]');
}

test('run page of the demo: verdict, numbers, every picture, and the figure controls', async () => {
  const { page, problems } = await openWatched(context, fileUrl('demo/report.html'));
  await expectImagesDecoded(page, 'run page');

  const banner = await page.$eval('.verdict', (element) => ({ verdict: element.dataset.verdict, text: element.textContent }));
  assert.equal(banner.verdict, 'aligned');
  assert.match(banner.text, /Aligned — demo_bold\.nii\.gz: best fit \d+\.\d mm away \(R −?\d+\.\d, A −?\d+\.\d, S −?\d+\.\d\)/);
  const rows = await page.$$eval('table.numbers th', (headings) => headings.map((h) => h.textContent));
  for (const row of ['Residual shift', 'Rigid fit', 'Similarity (NMI)', 'Left-right test', 'Coverage', 'Thresholds used']) {
    assert.ok(rows.includes(row), 'the numbers lack ' + row);
  }
  const files = await page.$$eval('table.files td.file', (cells) => cells.map((c) => c.textContent));
  assert.equal(files.length, 2);
  assert.match(files[0], /demo_anat\.nii\.gz$/);

  // The anatomy's viewer starts on the edges; each control changes the picture shown.
  assert.deepEqual(await shown(page), { role: 'edges', visible: ['alignment.png'] });
  await press(page, 'edges');
  assert.deepEqual(await shown(page), { role: 'plain', visible: ['before.png'] });
  await press(page, 'edges');
  assert.deepEqual(await shown(page), { role: 'edges', visible: ['alignment.png'] });
  await press(page, 'flick');
  assert.deepEqual(await shown(page), { role: 'after', visible: ['after.png'] });
  assert.equal(await page.$eval('[data-control="flick"]', (b) => b.getAttribute('aria-pressed')), 'true');
  await press(page, 'flick');
  assert.deepEqual(await shown(page), { role: 'edges', visible: ['alignment.png'] });
  await page.hover('figure[data-viewer] .frames');
  assert.deepEqual(await shown(page), { role: 'after', visible: ['after.png'] });
  await page.mouse.move(5, 5);
  assert.deepEqual(await shown(page), { role: 'edges', visible: ['alignment.png'] });
  await press(page, 'checkerboard');
  assert.deepEqual(await shown(page), { role: 'checkerboard', visible: ['checkerboard.png'] });
  assert.match(await page.$eval('figure[data-viewer] .showing', (s) => s.textContent), /Checkerboard/);
  await press(page, 'checkerboard');
  assert.deepEqual(await shown(page), { role: 'edges', visible: ['alignment.png'] });

  // The colour-blind-safe palette, switched on the page: aligned turns from green to blue.
  const border = () => page.$eval('.verdict', (v) => getComputedStyle(v).borderLeftColor);
  assert.equal(await border(), 'rgb(26, 127, 55)');
  await page.click('[data-palette]');
  assert.equal(await border(), 'rgb(0, 114, 178)');
  await page.click('[data-palette]');

  // The module's log and the matrices are there, collapsed.
  assert.equal(await page.$eval('details.log', (d) => d.open), false);
  assert.match(await page.$eval('details.log pre', (p) => p.textContent), /Final FMR to VMR mapping/);
  assert.ok((await page.$$('details.matrices table.matrix')).length >= 3);

  await expectWholeScreenshot(context, page, 'run-page.png', 'run page');
  await documentationScreenshot(page, 'run-page.png');
  expectNoProblems(problems, 'run page');
  await page.close();
});

test('run page without scripts: every picture shows under its label, the numbers too', async () => {
  const page = await context.newPage();
  await page.setJavaScriptEnabled(false);
  await page.setViewport({ width: 1280, height: 900 });
  await page.goto(fileUrl('demo/report.html'), { waitUntil: 'load' });
  const frames = await page.$$eval('.frame', (all) =>
    all.map((frame) => ({
      visible: getComputedStyle(frame).visibility === 'visible' && frame.getBoundingClientRect().height > 50,
      label: getComputedStyle(frame.querySelector('.frame-label')).display !== 'none',
    })),
  );
  assert.ok(frames.length >= 6);
  assert.ok(frames.every((frame) => frame.visible && frame.label), 'a picture is hidden without the script');
  assert.equal(await page.$eval('.controls', (c) => c.hidden), true);
  assert.match(await page.$eval('table.numbers', (t) => t.textContent), /Residual shift/);
  await page.close();
});

test('a file named <img src=x onerror=alert(1)>.nii.gz shows as text and runs nothing', async () => {
  const { page, problems } = await openWatched(context, fileUrl('hostile/report.html'));
  const hostile = '<img src=x onerror=alert(1)>.nii.gz';
  await expectImagesDecoded(page, 'hostile page');
  assert.ok((await page.title()).includes(hostile));
  assert.ok((await page.$eval('.verdict', (v) => v.textContent)).includes(hostile));
  assert.ok((await page.$eval('table.files', (t) => t.textContent)).includes(hostile));
  assert.equal((await page.$$('img[src="x"], [onerror]')).length, 0, 'the name became markup');
  await new Promise((resolve) => setTimeout(resolve, 300));
  expectNoProblems(problems, 'hostile page');
  await expectWholeScreenshot(context, page, 'hostile-page.png', 'hostile page');
  await page.close();
});
