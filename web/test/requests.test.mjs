// The fixed request set every front end converts (tests/data/requests.jsonl,
// made by tests/data/make_requests.py) against the answers of the native
// tool for it (tests/data/answers.jsonl, one JSON line per request).
// Requests of the kinds and datums of the tables go through convert(), a
// group of the same settings at a time; the others (unknown kinds and
// datums) through the object.  Every text and every number must be the
// tool's, to the last bit: the core computes its elementary functions
// itself, the same in WebAssembly as natively.
import test from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import path from "node:path";

import { ROOT, loadPackage } from "./helpers.mjs";
import { convertRequestSet, differences } from "./request_set.mjs";

const m = await loadPackage();

// MORVANE_REQUESTS and MORVANE_ANSWERS name another pair of files (the
// identity test across front ends runs a larger set through here).
const read = (file) => readFileSync(file, "utf8")
  .split("\n").filter((line) => line !== "").map((line) => JSON.parse(line));
const requests = read(process.env.MORVANE_REQUESTS || path.join(ROOT, "tests/data/requests.jsonl"));
const answers = read(process.env.MORVANE_ANSWERS || path.join(ROOT, "tests/data/answers.jsonl"));

test("the answers file has one answer per request", () => {
  assert.equal(answers.length, requests.length);
  assert.ok(requests.length > 2000);
});

for (const path of ["simd128", "scalar"]) test(`the fixed request set gives the native tool's answers (batch path ${path})`, (t) => {
  m.setBatchPath(path);
  t.after(() => m.setBatchPath(""));
  // Requests the tool could not read (a 16-bit field beyond 16 bits) are
  // refused by convert() as by the object.
  const refusedAt = answers.map((answer) => answer.OrigType === undefined);
  const refused = refusedAt.flatMap((isRefused, i) => (isRefused ? [i] : []));
  const { results, converted, groups, byObject } = convertRequestSet(m, requests, refusedAt);
  const kindOf = new Map(m.names.kinds.map((k) => [k.number, k]));

  for (const i of refused) {
    const request = requests[i];
    const kind = kindOf.get(request.OrigType);
    const columns = kind.inputs.map((name) => [request[name]]);
    assert.throws(() => m.convert(kind.key, ...columns), RangeError, `line ${i + 1}`);
    assert.match(answers[i].Error, /cannot read/, `line ${i + 1}`);
  }

  const counts = { numbers: 0 };
  const mismatches = [];
  results.forEach((got, i) => {
    if (got === undefined) return;
    for (const problem of differences(got, answers[i], counts)) {
      if (mismatches.length < 20) mismatches.push(`line ${i + 1}: ${problem}`);
    }
  });
  t.diagnostic(`${converted} requests through convert() in ${groups} groups, ${byObject} through the object, ` +
               `${refused.length} refused`);
  t.diagnostic(`${counts.numbers} doubles compared bit for bit`);
  assert.deepEqual(mismatches, []);
  assert.ok(byObject >= 8, "the unknown kinds and datums went through the object");
});
