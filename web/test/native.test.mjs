// Numbers across platforms: the WebAssembly build against the native
// command-line tool (`morvane batch --jsonl`) on 20 000 random requests of
// every input kind, pair of datums and precision.  Every text, message,
// failure and number must be the same, to the last bit: the core computes
// its elementary functions itself, the same in WebAssembly as natively.
import test from "node:test";
import assert from "node:assert/strict";
import { existsSync } from "node:fs";
import { spawnSync } from "node:child_process";
import path from "node:path";

import {
  COLUMNS, DATUMS, DATUM_NUMBER, IFBL_PRECISIONS, KINDS, MGRS_PRECISIONS, ORIG_TYPE, ROOT,
  generator, loadPackage, randomPoint,
} from "./helpers.mjs";

const REQUESTS = Number(process.env.MORVANE_COMPARE_REQUESTS ?? 20000);
const TOOL = process.env.MORVANE_TOOL ?? path.join(ROOT, "build/tools/morvane");

const DEGREES = ["Latitude", "Longitude"];
const METRES = ["X", "Y", "Northing", "Easting"];
const SECONDS = ["LatDmsSec", "LonDmsSec"];
const WHOLE = ["LatDmsDeg", "LatDmsMin", "LonDmsDeg", "LonDmsMin"];
const TEXTS = ["MGRS", "IFBL", "Error", "Failure"];

test(`the WebAssembly build agrees with the native tool on ${REQUESTS} random requests`, { timeout: 120000 }, async (t) => {
  if (!existsSync(TOOL)) {
    if (process.env.MORVANE_REQUIRE_TOOL) assert.fail(`no native tool at ${TOOL}`);
    t.skip(`no native tool at ${TOOL} (build it with CMake, or set MORVANE_TOOL)`);
    return;
  }
  const m = await loadPackage();
  const rng = generator(7262);

  // The requests, grouped by settings for convert().
  const requests = [];
  const groups = new Map();
  for (let i = 0; i < REQUESTS; i++) {
    const kind = KINDS[i % KINDS.length];
    const settings = {
      datumFrom: rng.pick(DATUMS), datumTo: rng.pick(DATUMS),
      mgrsPrecision: rng.pick(MGRS_PRECISIONS), ifblPrecision: rng.pick(IFBL_PRECISIONS),
    };
    const point = randomPoint(rng, kind, m);
    const key = `${kind} ${settings.datumFrom} ${settings.datumTo} ${settings.mgrsPrecision} ${settings.ifblPrecision}`;
    if (!groups.has(key)) groups.set(key, { kind, settings, members: [] });
    groups.get(key).members.push(i);
    requests.push({ kind, settings, point });
  }

  const lines = requests.map(({ kind, settings, point }) => {
    const request = {
      DatumFrom: DATUM_NUMBER[settings.datumFrom], DatumDest: DATUM_NUMBER[settings.datumTo],
      mgrsPrecision: settings.mgrsPrecision, IfblPrecision: settings.ifblPrecision,
      OrigType: ORIG_TYPE[kind],
    };
    COLUMNS[kind].forEach((name, j) => { request[name] = point[j]; });
    return JSON.stringify(request);
  });
  const run = spawnSync(TOOL, ["batch", "--jsonl", "-q"], {
    input: lines.join("\n") + "\n", maxBuffer: 1 << 28, encoding: "utf8",
  });
  assert.ok(run.status === 0 || run.status === 1, `the tool exited with ${run.status}: ${run.stderr}`);
  const native = run.stdout.trimEnd().split("\n").map((line) => JSON.parse(line));
  assert.equal(native.length, REQUESTS);

  const wasm = new Array(REQUESTS);
  for (const { kind, settings, members } of groups.values()) {
    const columns = COLUMNS[kind].map((_, j) => members.map((i) => requests[i].point[j]));
    const r = m.convert(kind, ...columns, settings);
    members.forEach((i, k) => {
      const out = {};
      for (const name of Object.keys(r)) out[name] = r[name][k];
      wasm[i] = out;
    });
  }

  const differing = {};
  const largest = {};
  let identical = 0;
  let failures = 0;
  const mismatches = [];
  for (let i = 0; i < REQUESTS; i++) {
    const n = native[i];
    const w = wasm[i];
    if (n.Failure !== undefined) failures++;
    let same = true;
    const note = (name, detail) => {
      same = false;
      differing[name] = (differing[name] ?? 0) + 1;
      if (detail !== undefined) largest[name] = Math.max(largest[name] ?? 0, detail);
    };
    for (const name of TEXTS) {
      const want = name === "Failure" ? (n.Failure ?? "") : n[name];
      if (n.Failure !== undefined && name !== "Failure" && name !== "Error") continue;
      if (w[name] !== want) {
        note(name);
        if (mismatches.length < 10) mismatches.push(`${lines[i]}: ${name} ${JSON.stringify(w[name])} instead of ${JSON.stringify(want)}`);
      }
    }
    if (n.Failure !== undefined) {  // a failed conversion reports no point
      if (same) identical++;
      continue;
    }
    for (const name of [...DEGREES, ...METRES]) {
      if (!Object.is(w[name], n[name])) note(name, Math.abs(w[name] - n[name]));
    }
    for (const name of SECONDS) {
      const want = Math.fround(n[name]);
      if (!Object.is(w[name], want)) note(name, Math.abs(w[name] - want));
    }
    for (const name of WHOLE) {
      if (w[name] !== n[name]) {
        note(name);
        if (mismatches.length < 10) mismatches.push(`${lines[i]}: ${name} ${w[name]} instead of ${n[name]}`);
      }
    }
    if (same) identical++;
  }

  const summary = [
    `${identical} of ${REQUESTS} requests give the same bits in every output (${failures} failures among them)`,
    ...Object.keys(differing).sort().map((name) =>
      `${name}: ${differing[name]} differ${largest[name] !== undefined ? `, largest difference ${largest[name].toExponential(3)}` : ""}`),
  ];
  for (const line of summary) t.diagnostic(line);
  if (process.env.MORVANE_COMPARE_REPORT) {
    const { writeFileSync } = await import("node:fs");
    writeFileSync(process.env.MORVANE_COMPARE_REPORT, summary.join("\n") + "\n");
  }

  assert.deepEqual(mismatches, [], "texts, messages, failures and whole DMS fields are the same");
  assert.deepEqual(differing, {}, "every number has the native tool's bits");
  assert.equal(identical, REQUESTS);
});

test("failures and messages of the object are those of the native tool", async (t) => {
  if (!existsSync(TOOL)) {
    if (process.env.MORVANE_REQUIRE_TOOL) assert.fail(`no native tool at ${TOOL}`);
    t.skip(`no native tool at ${TOOL}`);
    return;
  }
  const m = await loadPackage();
  const requests = [
    { DatumFrom: 3, DatumDest: 2, OrigType: 6, Latitude: 50.8, Longitude: 4.35 },
    { DatumFrom: 3, DatumDest: 2, OrigType: -2 },
    { DatumFrom: 5, DatumDest: 2, OrigType: 2, Latitude: 50.8, Longitude: 4.35 },
    { DatumFrom: 3, DatumDest: 9, OrigType: 4, X: 150000, Y: 150000 },
    { DatumFrom: 3, DatumDest: -1, OrigType: 5, LatDmsDeg: 50, LonDmsDeg: 4 },
    { DatumFrom: 3, DatumDest: 7, OrigType: 3, IFBL: "E535" },
    { DatumFrom: 0, DatumDest: 2, OrigType: 2, Latitude: 50.8, Longitude: 4.35 },
    { DatumFrom: 2, DatumDest: 2 },
    { DatumFrom: 3, DatumDest: 3, OrigType: 1, MGRS: "31UES9521533649", mgrsPrecision: 10 },
    { DatumFrom: 1, DatumDest: 4, OrigType: 5, LatDmsDeg: 0, LatDmsMin: -30, LatDmsSec: 15, LonDmsDeg: 0, LonDmsMin: 0, LonDmsSec: -14.5 },
  ];
  const run = spawnSync(TOOL, ["batch", "--jsonl", "-q"], {
    input: requests.map((r) => JSON.stringify(r)).join("\n") + "\n", encoding: "utf8",
  });
  const native = run.stdout.trimEnd().split("\n").map((line) => JSON.parse(line));
  requests.forEach((request, i) => {
    const z = new m.ZedizAdo();
    for (const [name, value] of Object.entries(request)) z[name] = value;
    let failure;
    try {
      z.Conversion();
    } catch (error) {
      failure = error.kind;
    }
    assert.equal(failure, native[i].Failure, JSON.stringify(request));
    assert.equal(z.Error, native[i].Error ?? z.Error, JSON.stringify(request));
    if (!failure) {
      for (const name of ["Latitude", "Longitude", "X", "Y", "MGRS", "IFBL", "LatDmsMin", "LonDmsSec"]) {
        const want = name.endsWith("Sec") ? Math.fround(native[i][name]) : native[i][name];
        assert.equal(z[name], want, `${JSON.stringify(request)} ${name}`);
      }
    }
    z.dispose();
  });
});
