// The converter page in headless Chromium: a pasted file of 100 000 lines
// of WGS 1984 degrees, converted in the batch panel's worker to CSV.
// Times from the click on Convert to the result (median of three), and
// the worker's own time.
//
//   node bench/web/bench_page.mjs [LINES]
// Needs scripts/build-web and `npm ci` in web/.
import { createRequire } from "node:module";
import { mkdirSync, writeFileSync } from "node:fs";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
const LINES = Number(process.argv[2] ?? 100000);
const RUNS = 3;
const require = createRequire(path.join(ROOT, "web/package.json"));
const { chromium } = require("playwright-core");
const { serveFolder } = await import(pathToFileURL(path.join(ROOT, "web/test/server.mjs")).href);

const { generator } = await import(pathToFileURL(path.join(ROOT, "web/test/helpers.mjs")).href);
const random = generator(99).next;
const text = Array.from({ length: LINES },
  () => `${(49.5 + 2 * random()).toFixed(6)},${(2.55 + 3.85 * random()).toFixed(6)}`).join("\n");

const server = await serveFolder(path.join(ROOT, "build-web/site"));
const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", headless: true, args: ["--no-sandbox"] });
try {
  const page = await browser.newPage();
  await page.goto(server.url);
  await page.waitForSelector("body[data-ready=true]");
  await page.getByLabel("Points given as").selectOption("deg");
  // The text goes in as a paste would put it, without typing it.
  await page.evaluate((value) => {
    const box = document.getElementById("batch-input");
    box.value = value;
    box.dispatchEvent(new Event("input"));
  }, text);
  const runs = [];
  for (let run = 0; run < RUNS; run++) {
    const took = await page.evaluate(() => new Promise((resolve) => {
      delete document.body.dataset.batch;
      const start = performance.now();
      const watch = new MutationObserver(() => {
        if (document.body.dataset.batch === "done") {
          watch.disconnect();
          resolve({ page: performance.now() - start, status: document.getElementById("batch-status").textContent });
        }
      });
      watch.observe(document.body, { attributes: true });
      document.getElementById("batch-convert").click();
    }));
    runs.push(took);
  }
  runs.sort((a, b) => a.page - b.page);
  const median = runs[Math.floor(RUNS / 2)];
  const report = { lines: LINES, milliseconds: Number(median.page.toFixed(0)), status: median.status,
                   runs: runs.map((r) => Number(r.page.toFixed(0))) };
  mkdirSync(path.join(ROOT, "build-web/bench"), { recursive: true });
  writeFileSync(path.join(ROOT, "build-web/bench/page.json"), JSON.stringify(report, null, 2) + "\n");
  console.log(`${LINES} pasted lines, click to CSV ready: ${report.milliseconds} ms (median of ${RUNS}: ${report.runs.join(", ")} ms)`);
  console.log(`page status: ${median.status}`);
} finally {
  await browser.close();
  await server.close();
}
