// What every browser test of keldra's pages shares: the connection to the Chromium that
// scripts/browser-test.sh started (KELDRA_BROWSER, a DevTools WebSocket on 127.0.0.1), pages
// opened from file:// under watch, and the checks each page must pass.
//
// A page under watch fails its test on: any console error or uncaught exception; any dialog
// (an alert from an injected handler would open one; it is dismissed and recorded); any request
// for something that is not a file:// URL (intercepted, aborted and recorded), so nothing ever
// leaves the machine.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const pagesFolder = process.env.KELDRA_PAGES;
export const screenshotFolder = process.env.KELDRA_SCREENSHOTS;

export async function connect() {
  assert.ok(process.env.KELDRA_BROWSER, 'KELDRA_BROWSER is not set: run the tests through scripts/browser-test.sh');
  assert.ok(pagesFolder, 'KELDRA_PAGES is not set: run the tests through scripts/browser-test.sh');
  return puppeteer.connect({ browserWSEndpoint: process.env.KELDRA_BROWSER, defaultViewport: null });
}

export function fileUrl(relative) {
  return 'file://' + path.resolve(pagesFolder, relative).split('/').map(encodeURIComponent).join('/');
}

// A new tab in a context of its own (its own local storage), with the watch described above.
// `problems` collects what went wrong; `expectNoProblems` asserts there was nothing.
export async function openWatched(context, url, viewport = { width: 1280, height: 900 }) {
  const page = await context.newPage();
  await page.setViewport(viewport);
  const problems = { console: [], exceptions: [], dialogs: [], requests: [] };
  page.on('console', (message) => {
    if (message.type() === 'error') {
      problems.console.push(message.text());
    }
  });
  page.on('pageerror', (error) => problems.exceptions.push(String(error)));
  page.on('dialog', async (dialog) => {
    problems.dialogs.push(dialog.type() + ': ' + dialog.message());
    await dialog.dismiss();
  });
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    const requested = request.url();
    if (requested.startsWith('file://')) {
      request.continue();
    } else {
      problems.requests.push(requested);
      request.abort('blockedbyclient');
    }
  });
  await page.goto(url, { waitUntil: 'load' });
  return { page, problems };
}

export function expectNoProblems(problems, what) {
  assert.deepEqual(problems.console, [], what + ': console errors');
  assert.deepEqual(problems.exceptions, [], what + ': uncaught exceptions');
  assert.deepEqual(problems.dialogs, [], what + ': a dialog opened');
  assert.deepEqual(problems.requests, [], what + ': requests that were not file:// URLs');
}

// Every image of the page is loaded and decoded, with a width above 0.
export async function expectImagesDecoded(page, what) {
  const images = await page.$$eval('img', (all) =>
    Promise.all(
      all.map((image) =>
        image
          .decode()
          .then(() => ({ src: image.getAttribute('src'), width: image.naturalWidth, alt: image.alt }))
          .catch(() => ({ src: image.getAttribute('src'), width: 0, alt: image.alt })),
      ),
    ),
  );
  assert.ok(images.length > 0, what + ': no images');
  for (const image of images) {
    assert.ok(image.width > 0, what + ': ' + image.src + ' was not decoded');
    assert.ok(image.alt.length > 20, what + ': ' + image.src + ' has no alt text worth the name');
  }
  return images;
}

function pngSize(buffer) {
  assert.equal(buffer.toString('latin1', 1, 4), 'PNG');
  return { width: buffer.readUInt32BE(16), height: buffer.readUInt32BE(20) };
}

// A screenshot of the whole page, checked to be neither blank nor cut: as wide as the window
// with nothing sticking out sideways, as tall as the document with its footer inside, and
// with enough content (pixels unlike the background, several colours), judged on a canvas in
// a blank tab of its own.
export async function expectWholeScreenshot(context, page, fileName, what) {
  // The window is made as tall as the document (until that no longer changes its height), so
  // that the screenshot and the measures below see one and the same layout.
  const viewport = page.viewport();
  let height = 0;
  for (let tries = 0; tries < 4; tries += 1) {
    const wanted = await page.evaluate(() => document.documentElement.scrollHeight);
    if (wanted === height) {
      break;
    }
    height = wanted;
    await page.setViewport({ width: viewport.width, height });
  }
  const screenshot = Buffer.from(await page.screenshot({ type: 'png' }));
  const size = pngSize(screenshot);
  const layout = await page.evaluate(() => ({
    width: window.innerWidth,
    scrollWidth: document.documentElement.scrollWidth,
    height: document.documentElement.scrollHeight,
    footerBottom: document.querySelector('footer').getBoundingClientRect().bottom + window.scrollY,
  }));
  await page.setViewport(viewport);
  assert.ok(layout.scrollWidth <= layout.width, what + ': the page is wider than the window (' + layout.scrollWidth + ' px)');
  assert.equal(size.width, layout.width, what + ': the screenshot is not as wide as the window');
  assert.equal(size.height, layout.height, what + ': the screenshot is not as tall as the page');
  assert.ok(layout.footerBottom <= size.height, what + ': the footer lies below the screenshot');

  const judge = await context.newPage();
  const stats = await judge.evaluate(async (dataUrl) => {
    const image = new Image();
    image.src = dataUrl;
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.naturalWidth;
    canvas.height = image.naturalHeight;
    const context2d = canvas.getContext('2d');
    context2d.drawImage(image, 0, 0);
    const data = context2d.getImageData(0, 0, canvas.width, canvas.height).data;
    const background = [data[0], data[1], data[2]];
    let differing = 0;
    const colours = new Set();
    for (let i = 0; i < data.length; i += 4 * 7) {
      if (Math.abs(data[i] - background[0]) + Math.abs(data[i + 1] - background[1]) + Math.abs(data[i + 2] - background[2]) > 30) {
        differing += 1;
      }
      colours.add((data[i] >> 4) * 256 + (data[i + 1] >> 4) * 16 + (data[i + 2] >> 4));
    }
    return { share: differing / (data.length / (4 * 7)), colours: colours.size };
  }, 'data:image/png;base64,' + screenshot.toString('base64'));
  await judge.close();
  assert.ok(stats.share > 0.05, what + ': the screenshot is nearly blank (' + stats.share + ')');
  assert.ok(stats.colours > 20, what + ': the screenshot has only ' + stats.colours + ' colours');
  if (screenshotFolder) {
    writeFileSync(path.join(screenshotFolder, fileName), screenshot);
  }
  return size;
}

// A small picture of the top of the page for the README (docs/), when asked for.
export async function documentationScreenshot(page, fileName) {
  if (!screenshotFolder) {
    return;
  }
  await page.evaluate(() => window.scrollTo(0, 0));
  const screenshot = await page.screenshot({ type: 'png', clip: { x: 0, y: 0, width: 1280, height: 900 } });
  writeFileSync(path.join(screenshotFolder, 'docs-' + fileName), screenshot);
}

export function readText(relative) {
  return readFileSync(path.resolve(pagesFolder, relative), 'utf8');
}
