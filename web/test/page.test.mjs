// The converter page end to end in a real browser: Debian's Chromium,
// headless, driven by playwright-core.  A screenshot of the page is kept
// in build-web/artifacts/.
import test from "node:test";
import assert from "node:assert/strict";
import { existsSync, mkdirSync, readFileSync } from "node:fs";
import path from "node:path";

import { ROOT, loadPackage } from "./helpers.mjs";
import { convertRequestSet, differences } from "./request_set.mjs";
import { serveFolder } from "./server.mjs";

const CHROMIUM = process.env.MORVANE_CHROMIUM ?? "/usr/bin/chromium";
const SITE = path.join(ROOT, "build-web/site");
const ARTIFACTS = path.join(ROOT, "build-web/artifacts");

const available = existsSync(CHROMIUM) && existsSync(path.join(SITE, "index.html"));
const skip = available ? false : `needs ${CHROMIUM} and the built page (scripts/build-web)`;
if (!available && process.env.MORVANE_REQUIRE_BROWSER) throw new Error(skip);

test("the converter page in headless Chromium", { skip, timeout: 600000 }, async (t) => {
  const { chromium } = await import("playwright-core");
  const m = await loadPackage();
  const server = await serveFolder(SITE);
  const browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: ["--no-sandbox"] });
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1200, height: 900 } });
  const page = await context.newPage();
  const elsewhere = [];
  context.on("request", (request) => {
    if (!request.url().startsWith(server.url) && !request.url().startsWith("blob:")) elsewhere.push(request.url());
  });
  const problems = [];
  page.on("pageerror", (error) => problems.push(error.message));

  await page.goto(server.url);
  await page.waitForSelector("body[data-ready=true]");
  const field = (label) => page.getByLabel(label, { exact: true });

  await t.test("a WGS 1984 point gives its Lambert 72 coordinates and IFBL square", async () => {
    await page.getByLabel("From datum").selectOption("wgs84");
    await page.getByLabel("To datum").selectOption("bd72");
    await field("Latitude").fill("51,0543");  // a decimal comma is read as a point
    await field("Longitude").fill("3.7174");
    await field("Longitude").press("Enter");
    const want = m.convert("deg", [51.0543], [3.7174], { datumFrom: "wgs84", datumTo: "bd72" });
    await assertValue(field("Lambert 72 X"), String(want.X[0]));
    await assertValue(field("Lambert 72 Y"), String(want.Y[0]));
    await assertValue(field("IFBL"), want.IFBL[0]);
    await assertValue(field("MGRS"), want.MGRS[0]);
    assert.match(await page.locator('[data-datum-of="lambert"]').textContent(), /Belgian datum 1972/);
    assert.match(await page.locator('[data-datum-of="deg"]').textContent(), /input, on WGS 1984/);
    await assertValue(field("UTM zone"), `${want.UtmZone[0]} ${want.Hemisphere[0]}`);
    assert.equal(await field("UTM zone").inputValue(), "31 N");
  });

  await t.test("the datums and kinds offered are the package's, with their titles", async () => {
    const options = (label) => page.getByLabel(label).locator("option").evaluateAll(
      (list) => list.map((o) => [o.value, o.textContent]));
    const datums = m.names.datums.map((d) => [d.key, d.title]);
    assert.deepEqual(await options("From datum"), datums);
    assert.deepEqual(await options("To datum"), datums);
    assert.ok(datums.some(([, title]) => title === "Nouvelle Triangulation Française"));
    assert.deepEqual((await options("Points given as")).map(([value]) => value), m.names.kinds.map((k) => k.key));
    assert.equal(await page.getByLabel("Points given as").inputValue(), "deg");
  });

  await t.test("another datum converts again, and DMS input fills the degrees", async () => {
    await page.getByLabel("To datum").selectOption("ed50");
    const want = m.convert("deg", [51.0543], [3.7174], { datumFrom: "wgs84", datumTo: "ed50" });
    await assertValue(field("MGRS"), want.MGRS[0]);
    assert.match(await page.locator('[data-datum-of="mgrs"]').textContent(), /on European 1950/);
    await page.getByLabel("To datum").selectOption("bd72");
    await field("Latitude degrees").fill("50");
    await field("Latitude minutes").fill("30");
    await field("Latitude seconds").fill("12,5");
    await field("Longitude degrees").fill("4");
    await field("Longitude minutes").fill("21");
    await field("Longitude seconds").fill("0");
    await field("Longitude seconds").press("Enter");
    const dms = m.convert("dms", [50], [30], [12.5], [4], [21], [0], { datumFrom: "wgs84", datumTo: "bd72" });
    await assertValue(field("Latitude"), String(dms.Latitude[0]));
    await assertValue(field("IFBL"), dms.IFBL[0]);
    await field("Latitude minutes").fill("30.5");
    await field("Latitude minutes").press("Enter");
    assert.match(await page.locator("fieldset[data-group=dms] .message").textContent(), /LatDmsMin must be a whole number/);
  });

  await t.test("an IFBL code gives latitude and longitude after a pause in typing", async () => {
    await field("IFBL").fill("E4.25.43");
    const want = m.convert("ifbl", ["E4.25.43"], { datumFrom: "wgs84", datumTo: "bd72" });
    await assertValue(field("Latitude"), String(want.Latitude[0]));
    await assertValue(field("Longitude"), String(want.Longitude[0]));
    assert.match(await page.locator('[data-datum-of="deg"]').textContent(), /on Belgian datum 1972/);
  });

  await t.test("a bad MGRS reference shows the system's message beside the field", async () => {
    await field("MGRS").fill("31UZZ123");
    await field("MGRS").press("Enter");
    const message = page.locator("fieldset[data-group=mgrs] .message");
    await message.waitFor({ state: "visible" });
    assert.equal(await message.textContent(), "Coordonnées MGRS erronées (31UZZ123)");
    await assertValue(field("Latitude"), "");
  });

  await t.test("an MGRS reference gives its UTM zone and hemisphere", async () => {
    await field("MGRS").fill("35JPM2056");
    await field("MGRS").press("Enter");
    await assertValue(field("UTM zone"), "35 S");
    await field("MGRS").fill("5QKA1234567890");
    await field("MGRS").press("Enter");
    await assertValue(field("UTM zone"), "5 N");
  });

  const gridFetches = () => server.requests.filter((url) => url.endsWith("/morvane_grids.bin")).length;
  const title = (key) => m.names.datums.find((d) => d.key === key).title;

  await t.test("the agency's grid gives Lambert 2008 with its route and accuracy; its file is fetched once, when first needed", async () => {
    await m.loadGrids();
    assert.equal(gridFetches(), 0, "the page fetched the grids before they were needed");
    await page.getByLabel("From datum").selectOption("wgs84");
    await page.getByLabel("To datum").selectOption("bd72");
    await page.getByLabel("Datum change").selectOption("grid");
    await field("Lambert 72 X").fill("149186.41");
    await field("Lambert 72 Y").fill("170810.74");
    await field("Lambert 72 Y").press("Enter");
    const settings = { datumFrom: "wgs84", datumTo: "bd72", method: "grid", extra: true };
    const want = m.convert("lambert", [149186.41], [170810.74], settings);
    // The first conversion by the grid waits for the grids' file.
    const route = page.locator("#route");
    const deadline = Date.now() + 30000;
    while (!(await route.textContent()).startsWith("Route:") && Date.now() < deadline) {
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
    assert.match(await route.textContent(), /^Route: grid/);
    await assertValue(field("Lambert 2008 X"), String(want.X2008[0]));
    await assertValue(field("Lambert 2008 Y"), String(want.Y2008[0]));
    assert.ok(Math.abs(want.X2008[0] - 649186.03701863) < 1e-4);
    await assertValue(field("Latitude"), String(want.Latitude[0]));
    assert.equal(await page.locator("#route").textContent(),
                 `Route: ${want.Route[0]}; stated accuracy ${want.Accuracy[0]} m.`);
    assert.match(want.Route[0], /^grid BD72→ETRS89/);

    // Lambert 2008 as input gives Lambert 72 back, on ETRS89.
    await field("Lambert 2008 X").fill("649186.03701863");
    await field("Lambert 2008 Y").fill("670811.16949360");
    await field("Lambert 2008 Y").press("Enter");
    const back = m.convert("lambert2008", [649186.03701863], [670811.16949360], settings);
    await assertValue(field("Lambert 72 X"), String(back.X[0]));
    await assertValue(field("Lambert 72 Y"), String(back.Y[0]));
    assert.equal(await page.locator('[data-datum-of="lambert2008"]').textContent(), `(input, on ${title("etrs89")})`);
    assert.equal(gridFetches(), 1);

    // A Lambert 2008 point outside its range gets its message.
    await field("Lambert 2008 X").fill("5");
    await field("Lambert 2008 X").press("Enter");
    assert.equal(await page.locator("#message-lambert2008").textContent(), "Coordonnées Lambert 2008 incorrectes");
    await assertValue(field("Lambert 72 X"), "");
  });

  await t.test("a height with its kind gives the ellipsoidal and Ostend heights", async () => {
    await page.getByLabel("From datum").selectOption("etrs89");
    await page.getByLabel("To datum").selectOption("etrs89");
    await page.getByLabel("Datum change").selectOption("shift");
    await field("Latitude").fill("50.22054332");
    await field("Longitude").fill("4.663484651");
    await field("Longitude").press("Enter");
    await page.getByLabel("Height is").selectOption("ellipsoidal");
    await field("Height").fill("354.6988105");
    await field("Height").press("Enter");
    const want = m.convert("deg", [50.22054332], [4.663484651], { datumFrom: "etrs89", datumTo: "etrs89",
      heightKind: "ellipsoidal", height: [354.6988105] });
    await assertValue(field("Ostend height"), String(want.OstendHeight[0]));
    await assertValue(field("Ellipsoidal height"), "354.6988105");
    assert.ok(Math.abs(want.OstendHeight[0] - 310.925) < 1e-4);
    assert.equal(await page.locator("#route").textContent(),
                 `Route: ${want.Route[0]}; stated accuracy ${want.Accuracy[0]} m.`);
    // A height that is no number is the point's message.
    await field("Height").fill("high");
    await field("Height").press("Enter");
    assert.equal(await page.locator("#message-deg").textContent(), "Hauteur incorrecte");
    await assertValue(field("Ostend height"), "");
    // Back to the page's first settings, for the tests after.
    await field("Height").fill("");
    await page.getByLabel("From datum").selectOption("wgs84");
    await page.getByLabel("To datum").selectOption("bd72");
    await field("Longitude").press("Enter");
    await assertValue(field("Ostend height"), "");
  });

  await t.test("ten pasted lines convert in the batch panel and download as CSV", async () => {
    const lines = Array.from({ length: 10 }, (_, i) => `${(50.5 + i * 0.1).toFixed(4)}, ${(3.5 + i * 0.2).toFixed(4)}`);
    lines[4] = "51.2 nonsense";
    await page.getByLabel("Points given as").selectOption("deg");
    await page.getByLabel("Points, one per line").fill(lines.join("\n"));
    await page.getByRole("button", { name: "Convert", exact: true }).click();
    await page.waitForSelector("body[data-batch=done]");
    assert.match(await page.locator("#batch-status").textContent(), /10 lines: 9 converted, 1 with a message/);
    assert.equal(await page.locator("#batch-preview tbody tr").count(), 10);
    const [download] = await Promise.all([
      page.waitForEvent("download"),
      page.getByRole("button", { name: "Download CSV" }).click(),
    ]);
    const csv = readFileSync(await download.path(), "utf8").trimEnd().split("\r\n");
    assert.equal(csv.length, 11);
    assert.match(csv[0], /^Line,Input,Latitude \(Belgian datum 1972\),/);
    const header = csv[0].split(",");
    const good = lines.filter((_, i) => i !== 4);
    const want = m.convert("deg", good.map((l) => Number(l.split(",")[0])), good.map((l) => Number(l.split(",")[1])),
                           { datumFrom: "wgs84", datumTo: "bd72" });
    const first = parseCsvLine(csv[1]);
    assert.equal(first[header.indexOf("Lambert 72 X (Belgian datum 1972)")], String(want.X[0]));
    assert.equal(first[header.indexOf("IFBL (Belgian datum 1972)")], want.IFBL[0]);
    assert.equal(parseCsvLine(csv[5]).at(-1), "cannot read LON 'nonsense': not a number");
    assert.equal(parseCsvLine(csv[10])[header.indexOf("MGRS (Belgian datum 1972)")], want.MGRS[8]);
  });

  await t.test("the batch panel converts heights by the grid, with each row's route and accuracy", async () => {
    await page.getByLabel("From datum").selectOption("etrs89");
    await page.getByLabel("Datum change").selectOption("grid");
    await page.getByLabel("Points given as").selectOption("deg");
    await page.getByLabel("Heights in the lines").selectOption("ostend");
    await page.getByLabel("Points, one per line").fill("50.22054332 4.663484651 310.925\n50.8 4.35 x\n50.8 4.35\n");
    await page.evaluate(() => { delete document.body.dataset.batch; });
    await page.getByRole("button", { name: "Convert", exact: true }).click();
    await page.waitForSelector("body[data-batch=done]");
    assert.match(await page.locator("#batch-status").textContent(), /3 lines: 1 converted, 2 with a message/);
    const [download] = await Promise.all([
      page.waitForEvent("download"),
      page.getByRole("button", { name: "Download CSV" }).click(),
    ]);
    const csv = readFileSync(await download.path(), "utf8").trimEnd().split("\r\n").map(parseCsvLine);
    const header = csv[0];
    const want = m.convert("deg", [50.22054332], [4.663484651], { datumFrom: "etrs89", datumTo: "bd72",
      method: "grid", heightKind: "ostend", height: [310.925] });
    const cell = (row, name) => csv[row][header.indexOf(name)];
    assert.equal(cell(1, `Ellipsoidal height (${title("etrs89")})`), String(want.EllipsoidalHeight[0]));
    assert.ok(Math.abs(want.EllipsoidalHeight[0] - 354.6988105) < 1e-4);
    assert.equal(cell(1, `Lambert 2008 X (${title("etrs89")})`), String(want.X2008[0]));
    assert.equal(cell(1, "Route"), want.Route[0]);
    assert.equal(cell(1, "Accuracy (m)"), String(want.Accuracy[0]));
    assert.equal(csv[2].at(-1), "cannot read H 'x': not a number");
    assert.equal(csv[3].at(-1), "cannot read H: missing");
    assert.ok(csv.every((row) => row.length === header.length));
    // Back to the page's first settings.
    await page.getByLabel("Heights in the lines").selectOption("none");
    await page.getByLabel("Datum change").selectOption("shift");
    await page.getByLabel("From datum").selectOption("wgs84");
  });

  await t.test("the point's IFBL and MGRS squares are drawn with their neighbours' codes and Darwin Core terms", async () => {
    await page.getByLabel("From datum").selectOption("wgs84");
    await page.getByLabel("To datum").selectOption("bd72");
    const cases = [
      // latitude, longitude, the zones of the MGRS squares drawn
      ["50.8467", "4.3525", [31]],
      ["50.5", "5.9995", [31, 32]],  // the MGRS square cut at 6 E, its neighbours east in zone 32
    ];
    for (const [lat, lon, zones] of cases) {
      await field("Latitude").fill(lat);
      await field("Longitude").fill(lon);
      await field("Longitude").press("Enter");
      const r = m.convert("deg", [Number(lat)], [Number(lon)], { datumFrom: "wgs84", datumTo: "bd72" });
      const ifbl = m.convert("lambert", [r.X[0]], [r.Y[0]], { ifblPrecision: 6 }).IFBL[0];
      const large = m.convert("lambert", [r.X[0]], [r.Y[0]], { ifblPrecision: 4 }).IFBL[0];
      const mgrs = m.convert("deg", [r.Latitude[0]], [r.Longitude[0]],
                             { datumFrom: "bd72", datumTo: "bd72", mgrsPrecision: 1000 }).MGRS[0];
      const codes = (id) => page.locator(`#${id} text.code`).evaluateAll((list) => list.map((e) => e.textContent));
      const deadline = Date.now() + 5000;
      while (!(await codes("svg-ifbl")).includes(ifbl) && Date.now() < deadline) {
        await new Promise((resolve) => setTimeout(resolve, 50));
      }
      // The square, its eight neighbours and its 4 km square; the point.
      const drawn = await codes("svg-ifbl");
      assert.ok(drawn.includes(ifbl) && drawn.includes(large), drawn.join(" "));
      assert.equal(new Set(drawn).size, 10, drawn.join(" "));
      assert.equal(await page.locator("#svg-ifbl polygon.current").getAttribute("data-code"), ifbl);
      assert.equal(await page.locator("#svg-ifbl circle.point").count(), 1);
      const references = await codes("svg-mgrs");
      assert.ok(references.includes(mgrs), references.join(" "));
      assert.ok(references.length >= 9, references.join(" "));
      assert.deepEqual([...new Set(references.map((c) => Number(c.slice(0, 2))))].sort(), zones);
      // The Darwin Core terms as the core writes them, one a line.
      const options = { kind: "ifbl", datum: "bd72", method: "shift" };
      const core = m.square(ifbl, options).darwinCore;
      const shown = await page.locator("#dwc-ifbl").textContent();
      assert.deepEqual(JSON.parse(shown), JSON.parse(core));
      assert.equal(shown.replace(/\n */g, "").replace(/": /g, '":'), core);
      assert.match(shown, /"coordinateUncertaintyInMeters": 708,/);
      const mgrsTerms = JSON.parse(await page.locator("#dwc-mgrs").textContent());
      assert.equal(mgrsTerms.verbatimCoordinates, mgrs);
      assert.equal(mgrsTerms.geodeticDatum, "EPSG:4313");
    }
    mkdirSync(ARTIFACTS, { recursive: true });
    await page.locator("#svg-mgrs").screenshot({ path: path.join(ARTIFACTS, "squares-mgrs.png") });
    // The copy button copies the block as shown.
    await context.grantPermissions(["clipboard-read", "clipboard-write"], { origin: server.url });
    await page.getByRole("button", { name: "Copy Darwin Core of the IFBL square" }).click();
    await page.waitForFunction(() => document.getElementById("copied-squares").textContent !== "");
    assert.equal(await page.locator("#copied-squares").textContent(), "Darwin Core of the IFBL square copied.");
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()),
                 await page.locator("#dwc-ifbl").textContent());
    // A point with a message has no squares.
    await field("Latitude").fill("91");
    await field("Longitude").press("Enter");
    assert.equal(await page.locator("#svg-ifbl text").count(), 0);
    assert.equal(await page.locator("#dwc-ifbl").textContent(), "");
  });

  await t.test("the page is read on a phone's width without sideways scrolling", async () => {
    mkdirSync(ARTIFACTS, { recursive: true });
    await field("Latitude").fill("50.8467");
    await field("Longitude").fill("4.3525");
    await field("Longitude").press("Enter");
    await page.screenshot({ path: path.join(ARTIFACTS, "page.png"), fullPage: true });
    await page.setViewportSize({ width: 375, height: 800 });
    await page.evaluate(() => window.scrollTo(0, 0));
    const width = await page.evaluate(() => document.documentElement.scrollWidth);
    assert.ok(width <= 375, `the page is ${width} px wide`);
    await page.screenshot({ path: path.join(ARTIFACTS, "page-phone.png"), fullPage: false });
  });

  await t.test("every field is reached with the keyboard", async () => {
    await page.setViewportSize({ width: 1200, height: 900 });
    await page.getByLabel("From datum").focus();
    const reached = new Set();
    for (let i = 0; i < 60; i++) {
      await page.keyboard.press("Tab");
      reached.add(await page.evaluate(() => document.activeElement?.id || document.activeElement?.getAttribute("aria-label")));
    }
    for (const id of ["lat", "lon", "lat-d", "lon-s", "x", "y", "x08", "y08", "height", "height-kind", "mgrs", "ifbl",
                      "Copy IFBL", "method", "batch-height-kind", "batch-input"]) {
      assert.ok(reached.has(id), `${id} is not reached with Tab`);
    }
  });

  await t.test("the fixed request set gives the native tool's answers in the page, bit for bit", async () => {
    // MORVANE_REQUESTS and MORVANE_ANSWERS name a larger set (the identity
    // test across front ends).
    const read = (file) => readFileSync(file, "utf8").split("\n").filter((line) => line !== "")
      .map((line) => JSON.parse(line));
    const requests = read(process.env.MORVANE_REQUESTS || path.join(ROOT, "tests/data/requests.jsonl"));
    const answers = read(process.env.MORVANE_ANSWERS || path.join(ROOT, "tests/data/answers.jsonl"));
    const refused = answers.map((answer) => answer.OrigType === undefined);
    // The package the page itself loads, and the very function the Node
    // test runs, evaluated in the page.
    const { results } = await page.evaluate(`(async () => {
      const { load } = await import(new URL("./morvane/index.js", location.href));
      const m = await load();
      const convertRequestSet = ${convertRequestSet.toString()};
      return convertRequestSet(m, ${JSON.stringify(requests)}, ${JSON.stringify(refused)});
    })()`);
    const counts = { numbers: 0 };
    const mismatches = [];
    results.forEach((got, i) => {
      if (got === undefined || got === null) return;
      for (const problem of differences(got, answers[i], counts)) {
        if (mismatches.length < 20) mismatches.push(`line ${i + 1}: ${problem}`);
      }
    });
    t.diagnostic(`page: ${counts.numbers} doubles compared bit for bit`);
    assert.deepEqual(mismatches, []);
    assert.ok(counts.numbers > requests.length * 5);
  });

  assert.deepEqual(elsewhere, [], "the page made requests to other addresses");
  assert.deepEqual(problems, [], "errors in the page");
});

async function assertValue(locator, want) {
  // Conversions run after a short pause: wait for the value.
  const deadline = Date.now() + 5000;
  let got;
  while (Date.now() < deadline) {
    got = await locator.inputValue();
    if (got === want) return;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  assert.equal(got, want);
}

function parseCsvLine(line) {
  const cells = [];
  let cell = "";
  let quoted = false;
  for (let i = 0; i < line.length; i++) {
    const c = line[i];
    if (quoted) {
      if (c === '"' && line[i + 1] === '"') { cell += '"'; i++; }
      else if (c === '"') quoted = false;
      else cell += c;
    } else if (c === '"') quoted = true;
    else if (c === ",") { cells.push(cell); cell = ""; }
    else cell += c;
  }
  cells.push(cell);
  return cells;
}
