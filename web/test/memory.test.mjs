// The package near the end of its memory: the module's 2 GiB and V8's
// heap.  Each case runs in a child process of its own, so that the memory
// it takes is given back when it ends.
import test from "node:test";
import assert from "node:assert/strict";
import { execFile } from "node:child_process";
import { promisify } from "node:util";

import { PACKAGE } from "./helpers.mjs";

const run = promisify(execFile);

// Runs `body` (an async function's text, with `m` the loaded package) in
// a child Node and gives what it printed as JSON.
async function inChild(body, nodeOptions = []) {
  const script = `
    const { load } = await import(${JSON.stringify(PACKAGE)});
    const m = await load();
    const out = await (async () => { ${body} })();
    console.log(JSON.stringify(out));`;
  const { stdout } = await run(process.execPath, [...nodeOptions, "--input-type=module", "-e", script],
                               { maxBuffer: 1 << 20 });
  return JSON.parse(stdout.trim().split("\n").at(-1));
}

test("a text put that fails for memory stores nothing and every later put and get is right", { timeout: 120000 }, async (t) => {
  const out = await inChild(`
    const z = new m.ZedizAdo();
    z.DatumFrom = 3; z.DatumDest = 2; z.OrigType = m.mvMgrs;
    z.MGRS = "31UES9521533649";
    const known = () => { const r = m.convert("mgrs", ["31UES9521533649"], { datumTo: "bd72" }); return [r.X[0], r.Y[0], r.IFBL[0]]; };
    const before = known();
    // Objects holding long texts until the module's memory is nearly full.
    const hogs = [];
    for (let i = 0; i < 40; i++) {
      const hog = new m.ZedizAdo();
      try { hog.MGRS = "x".repeat(1e8); } catch (error) { hog.dispose(); break; }
      hogs.push(hog);
    }
    const rows = [];
    for (const length of [2.5e8, 1.5e8, 9e7, 5e7, 3000, 15]) {
      let thrown = "";
      try { z.MGRS = "9".repeat(length); } catch (error) { thrown = error.constructor.name + ": " + error.message; }
      const now = z.MGRS;
      rows.push({ length, thrown, kept: now === "31UES9521533649", stored: now.length === length && /^9+$/.test(now) });
      z.MGRS = "31UES9521533649";
    }
    z.Conversion();
    const after = [[z.X, z.Y, z.IFBL], known()];
    const longPut = "8".repeat(3000);
    z.IFBL = longPut;
    const roundTrip = z.IFBL === longPut;
    for (const hog of hogs) hog.dispose();
    return { hogs: hogs.length, memory: m.memoryBytes, rows, before, after, roundTrip };
  `);
  t.diagnostic(`${out.hogs} texts of 100 MB; puts of ${out.rows.map((r) => `${r.length}: ${r.thrown ? "refused" : "stored"}`).join(", ")}`);
  assert.ok(out.hogs >= 5, `only ${out.hogs} texts of 100 MB fitted`);
  assert.ok(out.rows.some((r) => r.thrown !== ""), "no put ran out of memory");
  for (const row of out.rows) {
    if (row.thrown) {
      assert.match(row.thrown, /^RangeError: MGRS: out of memory|^RangeError: morvane: out of memory/, `${row.length}`);
      assert.ok(row.kept, `a failed put of ${row.length} characters changed the text`);
    } else {
      assert.ok(row.stored, `a put of ${row.length} characters did not read back`);
    }
  }
  assert.deepEqual(out.after, [out.before, out.before]);
  assert.ok(out.roundTrip);
});

test("a text too long for one point of convert() is a RangeError naming it; the module is unchanged", { timeout: 120000 }, async () => {
  const out = await inChild(`
    const z = new m.ZedizAdo();
    z.MGRS = "31UES9521533649-kept";
    const known = () => m.convert("mgrs", ["31UES9521533649"], { datumTo: "bd72" }).X[0];
    const before = known();
    const rows = [];
    for (const long of ["9".repeat(2 ** 28 + 1), "é".repeat(2 ** 27 + 1)]) {
      try {
        m.convert("mgrs", ["31UES9521533649", long]);
        rows.push("converted");
      } catch (error) {
        rows.push(error.constructor.name + ": " + error.message);
      }
    }
    return { rows, kept: z.MGRS, same: known() === before };
  `);
  for (const row of out.rows) assert.match(row, /^RangeError: MGRS\[1\] is 26843545\d bytes long in UTF-8/);
  assert.equal(out.kept, "31UES9521533649-kept");
  assert.ok(out.same);
});

test("a result that cannot fit V8's heap is a RangeError; the process goes on, the module sound", { timeout: 120000 }, async () => {
  // A heap of 256 MB; about 90 bytes of it a point, more for long texts.
  const cases = [
    ["deg", 4e6, "", "refused"],
    ["mgrs", 1e6, "x".repeat(200), "refused"],
    ["deg", 5e5, "", "converted"],
    ["mgrs", 2e5, "x".repeat(40), "converted"],
  ];
  for (const [kind, n, text, want] of cases) {
    const out = await inChild(`
      const n = ${n};
      const columns = ${JSON.stringify(kind)} === "deg"
        ? [new Float64Array(n).fill(50.8), new Float64Array(n).fill(4.3)]
        : [new Array(n).fill(${JSON.stringify(text)})];
      let got;
      try {
        const r = m.convert(${JSON.stringify(kind)}, ...columns);
        got = r.Error.length === n ? "converted" : "short";
      } catch (error) {
        got = error.constructor.name + ": " + error.message;
      }
      return { got, known: m.convert("deg", [50.8], [4.3], { datumTo: "bd72" }).IFBL[0] };
    `, ["--max-old-space-size=256"]);
    const what = `${kind}, ${n} points`;
    if (want === "refused") assert.match(out.got, /^RangeError: convert\(\): the results of \d+ points need about/, what);
    else assert.equal(out.got, "converted", what);
    assert.equal(out.known, "E44422", what);
  }
});
