// The fixed request set every front end converts (tests/data/requests.jsonl,
// made by tests/data/make_requests.py) against the answers of the native
// tool for it (tests/data/answers.jsonl, one JSON line per request).
// Requests of the kinds and datums of the tables go through convert(), a
// group of the same settings at a time; the others (unknown kinds and
// datums) through the object.  Texts must be equal; WebAssembly takes its
// maths functions from Emscripten's C library, so numbers may differ from
// glibc's in their last bits: within a relative 1e-12 for degrees and 1e-9
// for metres (below one degree or metre, that much absolutely), within one
// unit in the last place for the 32-bit seconds.
import test from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import path from "node:path";

import { ROOT, conversionOf, loadPackage } from "./helpers.mjs";

const m = await loadPackage();

const read = (name) => readFileSync(path.join(ROOT, "tests/data", name), "utf8")
  .split("\n").filter((line) => line !== "").map((line) => JSON.parse(line));
const requests = read("requests.jsonl");
const answers = read("answers.jsonl");

const SETTINGS = ["OrigType", "mgrsPrecision", "IfblPrecision"];
const TOLERANCE = { Latitude: 1e-12, Longitude: 1e-12, X: 1e-9, Y: 1e-9, Northing: 1e-9, Easting: 1e-9 };
const WHOLE = ["LatDmsDeg", "LatDmsMin", "LonDmsDeg", "LonDmsMin"];
const SECONDS = ["LatDmsSec", "LonDmsSec"];
const TEXTS = ["MGRS", "IFBL", "Error", "Failure"];

const kindOf = new Map(m.names.kinds.map((k) => [k.number, k]));
const datumNumbers = new Set(m.names.datums.map((d) => d.number));

// Whether two 32-bit floats are at most one unit in the last place apart.
function floatsNear(a, b) {
  if (Object.is(a, b)) return true;
  const bits = new Int32Array(new Float32Array([a, b]).buffer);
  return Math.sign(a) === Math.sign(b) && Math.abs(bits[0] - bits[1]) <= 1;
}

// The differences of one point's outputs from its answer: a list of
// texts, empty when they agree.  `counts` tallies the numbers compared
// and those with the same bits.
function compare(got, want, counts) {
  const problems = [];
  for (const name of TEXTS) {
    const expected = want[name] ?? "";
    if (got[name] !== expected) problems.push(`${name} ${JSON.stringify(got[name])} instead of ${JSON.stringify(expected)}`);
  }
  for (const name of SETTINGS) {
    if (got[name] !== want[name]) problems.push(`${name} ${got[name]} instead of ${want[name]}`);
  }
  for (const name of WHOLE) {
    counts.numbers++;
    if (got[name] === want[name]) counts.identical++;
    else problems.push(`${name} ${got[name]} instead of ${want[name]}`);
  }
  for (const name of SECONDS) {
    const expected = Math.fround(want[name]);
    counts.numbers++;
    if (Object.is(got[name], expected)) counts.identical++;
    else if (!floatsNear(got[name], expected)) problems.push(`${name} ${got[name]} instead of ${expected}`);
  }
  for (const [name, tolerance] of Object.entries(TOLERANCE)) {
    counts.numbers++;
    if (Object.is(got[name], want[name])) {
      counts.identical++;
      continue;
    }
    const difference = Math.abs(got[name] - want[name]);
    if (!(difference <= tolerance * Math.max(1, Math.abs(want[name])))) {
      problems.push(`${name} ${got[name]} instead of ${want[name]}`);
    }
  }
  return problems;
}

// One request on a fresh object, read back as convert() gives a point.
function viaObject(request) {
  const z = new m.ZedizAdo();
  try {
    for (const [name, value] of Object.entries(request)) z[name] = value;
    const out = conversionOf(m, z, m.names.properties.filter(({ get }) => get).map(({ name }) => name));
    return out;
  } finally {
    z.dispose();
  }
}

test("the answers file has one answer per request", () => {
  assert.equal(answers.length, requests.length);
  assert.ok(requests.length > 2000);
});

test("the fixed request set gives the native tool's answers", (t) => {
  // Requests the tool could not read (a 16-bit field beyond 16 bits) are
  // refused by convert() as by the object.
  const refused = [];
  const groups = new Map();
  const results = new Array(requests.length);
  requests.forEach((request, i) => {
    if (answers[i].OrigType === undefined) {
      refused.push(i);
      return;
    }
    const kind = kindOf.get(request.OrigType);
    if (!kind || !datumNumbers.has(request.DatumFrom) || !datumNumbers.has(request.DatumDest)) {
      results[i] = viaObject(request);
      return;
    }
    const settings = { datumFrom: request.DatumFrom, datumTo: request.DatumDest,
                       mgrsPrecision: request.mgrsPrecision, ifblPrecision: request.IfblPrecision };
    const key = JSON.stringify([kind.key, settings]);
    if (!groups.has(key)) groups.set(key, { kind, settings, members: [] });
    groups.get(key).members.push(i);
  });

  let converted = 0;
  for (const { kind, settings, members } of groups.values()) {
    const columns = kind.inputs.map((name) => members.map((i) => requests[i][name]));
    const r = m.convert(kind.key, ...columns, settings);
    members.forEach((i, k) => {
      const out = { OrigType: kind.number, mgrsPrecision: settings.mgrsPrecision,
                    IfblPrecision: settings.ifblPrecision };
      for (const name of Object.keys(r)) out[name] = r[name][k];
      results[i] = out;
    });
    converted += members.length;
  }
  const byObject = requests.length - refused.length - converted;

  for (const i of refused) {
    const request = requests[i];
    const kind = kindOf.get(request.OrigType);
    const columns = kind.inputs.map((name) => [request[name]]);
    assert.throws(() => m.convert(kind.key, ...columns), RangeError, `line ${i + 1}`);
    assert.match(answers[i].Error, /cannot read/, `line ${i + 1}`);
  }

  const counts = { numbers: 0, identical: 0 };
  const mismatches = [];
  results.forEach((got, i) => {
    if (got === undefined) return;
    for (const problem of compare(got, answers[i], counts)) {
      if (mismatches.length < 20) mismatches.push(`line ${i + 1}: ${problem}`);
    }
  });
  t.diagnostic(`${converted} requests through convert() in ${groups.size} groups, ${byObject} through the object, ` +
               `${refused.length} refused`);
  t.diagnostic(`${counts.identical} of ${counts.numbers} numbers have the native tool's bits`);
  assert.deepEqual(mismatches, []);
  assert.ok(byObject >= 8, "the unknown kinds and datums went through the object");
  assert.ok(counts.identical > counts.numbers * 0.9, "most numbers are the native tool's bits");
});
