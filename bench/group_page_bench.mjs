// Times the group page's controls on a page of many runs (bench/group_page_sample.cpp writes
// it), in the Chromium of scripts/with-chromium.sh: loading the page, sorting by a number, a
// text and the verdict, and filtering by verdict and task. Each time covers the script and the
// layout that follows (forced before the clock stops), repeated, and the median is printed.
// Run through bench/group-page.sh.
import { connect, fileUrl } from '../tests/browser/browser.mjs';

const repeats = 7;

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

const browser = await connect();
const context = await browser.createBrowserContext();
const page = await context.newPage();
await page.setViewport({ width: 1280, height: 900 });

const loads = [];
for (let i = 0; i < repeats; i += 1) {
  await page.goto(fileUrl('group_bold.html'), { waitUntil: 'load' });
  loads.push(await page.evaluate(() => performance.getEntriesByType('navigation')[0].loadEventEnd));
}
const rows = await page.$$eval('table.runs tbody tr', (all) => all.length);

async function timed(action) {
  const times = [];
  for (let i = 0; i < repeats; i += 1) {
    times.push(await page.evaluate(action));
  }
  return median(times);
}

function sortBy(heading) {
  return new Function(`
    const button = Array.from(document.querySelectorAll('table.runs th .sort')).find((b) => b.textContent === ${JSON.stringify(heading)});
    const start = performance.now();
    button.click();
    document.body.offsetHeight;
    return performance.now() - start;`);
}

function filterBy(key, value) {
  return new Function(`
    const select = document.querySelector('select[data-filter="${key}"]');
    const start = performance.now();
    select.value = select.value === ${JSON.stringify(value)} ? '' : ${JSON.stringify(value)};
    select.dispatchEvent(new Event('change'));
    document.body.offsetHeight;
    return performance.now() - start;`);
}

const results = [
  ['load (to the load event)', median(loads)],
  ['sort by shift (number)', await timed(sortBy('Shift (mm)'))],
  ['sort by subject (text)', await timed(sortBy('Subject'))],
  ['sort by verdict', await timed(sortBy('Verdict'))],
  ['filter by verdict (on / off)', await timed(filterBy('verdict', 'misaligned'))],
  ['filter by task (on / off)', await timed(filterBy('task', 'rest'))],
];
console.log(`group page of ${rows} runs, median of ${repeats} (ms):`);
for (const [what, ms] of results) {
  console.log(`  ${what.padEnd(30)} ${ms.toFixed(1)}`);
}
await context.close();
await browser.disconnect();
