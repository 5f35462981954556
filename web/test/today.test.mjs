// Belgium's systems of today through convert(): Lambert 2008, ETRS89, the
// agency's grid and hBG18 heights, each point's route and accuracy; the
// grids loaded once and only when asked for; the calls of before unchanged;
// misuse refused and bad points given their message.
import test from "node:test";
import assert from "node:assert/strict";
import { createRequire, syncBuiltinESMExports } from "node:module";
import { readFileSync } from "node:fs";
import path from "node:path";

import { COLUMNS, DATUMS, KINDS, ROOT, generator, randomPoint, sameBits } from "./helpers.mjs";

// Every file the package reads, seen before it loads: the grids must be
// read only by loadGrids() (or load({ grids })), and once.
const reads = [];
const fsPromises = createRequire(import.meta.url)("node:fs/promises");
const readFile = fsPromises.readFile;
fsPromises.readFile = function (file, ...rest) {
  reads.push(String(file));
  return readFile.call(this, file, ...rest);
};
syncBuiltinESMExports();
const gridReads = () => reads.filter((file) => file.endsWith("morvane_grids.bin")).length;

const PACKAGE = path.join(ROOT, "build-web/npm");
const { load } = await import(path.join(PACKAGE, "index.js"));
const m = await load();
const GRID_FILE = path.join(PACKAGE, "morvane_grids.bin");
const WASM = readFileSync(path.join(PACKAGE, "morvane_wasm.wasm"));

const GRID_ROUTE = "grid BD72→ETRS89 (EPSG:8369)";
const OLD_COLUMNS = ["Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg", "LonDmsMin",
  "LonDmsSec", "X", "Y", "Northing", "Easting", "MGRS", "IFBL", "Error", "Failure", "UtmZone", "Hemisphere"];
const TODAY_COLUMNS = ["X2008", "Y2008", "EllipsoidalHeight", "OstendHeight", "Accuracy", "Route", "RouteSteps"];

test("the grids are read only when asked for, once, and convert() says when they are missing", async () => {
  assert.equal(gridReads(), 0, "load() read the grids");
  assert.equal(m.gridsLoaded, false);
  // Calls of before, and today's systems by the shift, need no grid.
  m.convert("deg", [50.8], [4.35], { datumTo: "bd72" });
  const shifted = m.convert("lambert2008", [649186.04], [670811.17], { datumFrom: "etrs89", datumTo: "bd72" });
  assert.equal(shifted.Error[0], "");
  // Those that need them are refused before any work, saying what to do.
  for (const options of [{ method: "grid" }, { heightKind: "ostend", height: [10] },
                         { method: 1, heightKind: "ellipsoidal", height: [10], datumFrom: "etrs89" }]) {
    assert.throws(() => m.convert("deg", [50.8], [4.35], options), /grids.*not loaded.*loadGrids\(\)/,
                  JSON.stringify(options));
  }
  assert.equal(gridReads(), 0);

  // Calls at once share one read; later calls and load({ grids }) read nothing.
  await Promise.all([m.loadGrids(), m.loadGrids(), load({ grids: true })]);
  assert.equal(m.gridsLoaded, true);
  await m.loadGrids();
  assert.equal(await load({ grids: true }), m);
  assert.equal(gridReads(), 1);

  // Another instance of the module has grids of its own: given as bytes,
  // they are not read from the disk.
  const bytes = readFileSync(GRID_FILE);
  const other = await load({ wasmBinary: WASM, grids: bytes });
  assert.notEqual(other, m);
  assert.equal(other.gridsLoaded, true);
  assert.equal(gridReads(), 1);
  // ... or as a file path.
  const byPath = await load({ wasmBinary: WASM, grids: GRID_FILE });
  assert.equal(byPath.gridsLoaded, true);
  assert.equal(gridReads(), 2);
});

test("grids that are not the package's are refused, and the module can be given the right ones after", async () => {
  const fresh = await load({ wasmBinary: WASM });
  // [source, what loadGrids does]
  const rows = [
    [new Uint8Array(0), /not the grids/],
    [new Uint8Array(1000).fill(7), /not the grids/],
    [readFileSync(GRID_FILE).subarray(0, 500000), /not the grids/],
    [path.join(ROOT, "no-such-dir/morvane_grids.bin"), /ENOENT/],
  ];
  for (const [source, error] of rows) {
    await assert.rejects(fresh.loadGrids(source), error, String(source).slice(0, 40));
    assert.equal(fresh.gridsLoaded, false);
  }
  for (const source of [42, null, {}, "", "a\0b", [1, 2]]) {
    assert.throws(() => fresh.loadGrids(source), TypeError, String(source));
    assert.throws(() => load({ grids: source }), TypeError, String(source));
  }
  await fresh.loadGrids(new URL(`file://${GRID_FILE}`));
  assert.equal(fresh.gridsLoaded, true);
  const r = fresh.convert("lambert", [149186.41], [170810.74], { datumTo: "etrs89", method: "grid" });
  assert.equal(r.Route[0], GRID_ROUTE);
});

test("the agency's check points, within 0.1 mm, with each point's route and accuracy", async () => {
  await m.loadGrids();
  // [kind, columns, options, expected outputs (number: within 0.1 mm; text: equal)]
  const rows = [
    ["lambert", [[149186.41], [170810.74]], { datumTo: "etrs89", method: "grid" },
     { X2008: 649186.03701863, Y2008: 670811.16949360, X: 149186.41, Y: 170810.74, IFBL: "E42544",
       Route: GRID_ROUTE, Accuracy: 0.01 }],
    ["lambert2008", [[649186.03701863], [670811.16949360]], { datumFrom: "etrs89", datumTo: "bd72", method: "grid" },
     { X: 149186.41, Y: 170810.74, X2008: 649186.03701863, IFBL: "E42544", Route: GRID_ROUTE, Accuracy: 0.01 }],
    ["deg", [[50.22054332], [4.663484651]],
     { datumFrom: "etrs89", datumTo: "etrs89", heightKind: "ellipsoidal", height: [354.6988105] },
     { OstendHeight: 310.9250, EllipsoidalHeight: 354.6988105, Latitude: 50.22054332 }],
    ["deg", [[50.22054332], [4.663484651]],
     { datumFrom: "ETRS89", datumTo: 5, heightKind: "Ostend", height: new Float64Array([310.9250]) },
     { EllipsoidalHeight: 354.6988105, OstendHeight: 310.9250 }],
  ];
  for (const [kind, columns, options, want] of rows) {
    const r = m.convert(kind, ...columns, options);
    const label = `${kind} ${JSON.stringify(options)}`;
    assert.equal(r.Error[0], "", label);
    for (const [name, value] of Object.entries(want)) {
      if (typeof value === "string") assert.equal(r[name][0], value, `${label} ${name}`);
      else assert.ok(Math.abs(r[name][0] - value) <= 1e-4, `${label} ${name}: ${r[name][0]} instead of ${value}`);
    }
  }
  // The shift gives Lambert 2008 too, within its stated accuracy, and says so.
  const shift = m.convert("lambert", [149186.41], [170810.74], { datumTo: "etrs89" });
  assert.ok(Math.abs(shift.X2008[0] - 649186.037) < 1.5 && Math.abs(shift.Y2008[0] - 670811.169) < 1.5);
  assert.match(shift.Route[0], /three-parameter shift BD72→WGS 84/);
  assert.ok(shift.Accuracy[0] > 1);
  assert.equal(shift.RouteSteps[0] & m.names.steps.find((s) => s.key === "grid").bit, 0);
});

test("calls of before keep exactly their columns and bits; today's columns come when asked for", async () => {
  await m.loadGrids();
  const rng = generator(3812);
  for (const kind of KINDS) {
    const points = Array.from({ length: 60 }, () => randomPoint(rng, kind, m));
    const columns = COLUMNS[kind].map((_, j) => points.map((p) => p[j]));
    const settings = { datumFrom: rng.pick(DATUMS), datumTo: rng.pick(DATUMS), mgrsPrecision: 10 };
    const plain = m.convert(kind, ...columns, settings);
    assert.deepEqual(Object.keys(plain), OLD_COLUMNS, kind);
    const asked = m.convert(kind, ...columns, { ...settings, method: "shift", heightKind: "none", extra: true });
    assert.deepEqual(Object.keys(asked), [...OLD_COLUMNS, ...TODAY_COLUMNS], kind);
    for (const name of OLD_COLUMNS) {
      for (let i = 0; i < points.length; i++) {
        assert.ok(sameBits(asked[name][i], plain[name][i]), `${kind} ${JSON.stringify(settings)} ${name}[${i}]`);
      }
    }
    // A point converted has a route; one with a message none.
    for (let i = 0; i < points.length; i++) {
      const converted = plain.Error[i] === "" && plain.Failure[i] === "";
      assert.equal(asked.Route[i] !== "", converted, `${kind} point ${i}`);
      assert.equal(Number.isNaN(asked.Accuracy[i]), !converted, `${kind} point ${i}`);
    }
  }
  // Today's systems bring their columns; extra: false leaves them out.
  assert.deepEqual(Object.keys(m.convert("deg", [50.8], [4.35], { datumTo: "etrs89" })),
                   [...OLD_COLUMNS, ...TODAY_COLUMNS]);
  assert.deepEqual(Object.keys(m.convert("deg", [50.8], [4.35], { datumTo: "etrs89", extra: false })), OLD_COLUMNS);
});

test("bad options for today's systems throw an error naming the problem, before any work", async () => {
  await m.loadGrids();
  const deg = (options) => () => m.convert("deg", [50.8, 50.9], [4.35, 4.4], { datumFrom: "etrs89", ...options });
  // [call, error class, message]
  const rows = [
    [deg({ method: "helmert" }), RangeError, /^method: unknown method "helmert" \("shift" or "grid"\)/],
    [deg({ method: 2 }), RangeError, /^method: no method 2/],
    [deg({ method: "grid\0" }), RangeError, /^method/],
    [deg({ method: {} }), TypeError, /^method must be/],
    [deg({ heightKind: "geoid", height: [1, 2] }), RangeError, /^heightKind: unknown heightKind "geoid"/],
    [deg({ heightKind: 3, height: [1, 2] }), RangeError, /^heightKind: no heightKind 3/],
    [deg({ heightKind: "ostend" }), TypeError, /heightKind "ostend" needs the heights/],
    [deg({ height: [1, 2] }), TypeError, /heights need their kind.*"ellipsoidal" or "ostend"/],
    [deg({ heightKind: "none", height: [1, 2] }), TypeError, /heights need their kind/],
    [deg({ heightKind: "ostend", height: [1] }), RangeError, /^height has 1 points, Latitude 2/],
    [deg({ heightKind: "ostend", height: new Float64Array(3) }), RangeError, /^height has 3 points/],
    [deg({ heightKind: "ostend", height: "12" }), TypeError, /^height must be an array/],
    [deg({ heightKind: "ostend", height: [1, "2"] }), TypeError, /^height\[1\] must be a number/],
    [deg({ heightKind: "ostend", height: new BigInt64Array(2) }), TypeError, /^height must hold numbers/],
    [deg({ extra: "yes" }), TypeError, /^extra must be true or false/],
    [deg({ Method: "grid" }), TypeError, /unknown option "Method"/],
    [() => m.convert("lambert2008", [649186.04], { datumFrom: "etrs89" }), TypeError, /^Y must be an array/],
    [() => m.convert("deg", [1], [2], { datumTo: "etrs90" }), RangeError, /datumTo: unknown datum.*etrs89/],
  ];
  for (const [call, kind, message] of rows) {
    assert.throws(call, (error) => error instanceof kind && message.test(error.message), String(message));
  }
});

test("points that today's systems cannot convert get their message, the others convert", async () => {
  await m.loadGrids();
  const ETRS = { datumFrom: "etrs89", datumTo: "etrs89" };
  // [kind, columns, options, the message of each point ("" converts)]
  const rows = [
    ["deg", [[50.2, 50.2, 50.2, 50.2, 50.2], [4.6, 4.6, 4.6, 4.6, 4.6]],
     { ...ETRS, heightKind: "ellipsoidal", height: [NaN, Infinity, null, undefined, 354.7] },
     ["Hauteur incorrecte", "Hauteur incorrecte", "Hauteur incorrecte", "Hauteur incorrecte", ""]],
    ["deg", [[50.2], [4.6]], { datumFrom: "bd72", heightKind: "ellipsoidal", height: [100] },
     ["Hauteur ellipsoïdale hors ETRS89"]],
    ["deg", [[50.2], [4.6]], { datumFrom: "bd72", heightKind: "ostend", height: [100] }, [""]],
    ["deg", [[40, 50.8], [2, 4.35]], { ...ETRS, heightKind: "ostend", height: [0, 0] },
     ["Point hors de la grille hBG18", ""]],
    ["deg", [[45, 50.8], [2, 4.35]], { datumFrom: "wgs84", datumTo: "bd72", method: "grid" },
     ["Point hors de la grille BD72-ETRS89", ""]],
    ["lambert2008", [[NaN, 1e9, 649186.04], [670811.17, 670811.17, 670811.17]], ETRS,
     ["Coordonnées Lambert 2008 incorrectes", "Coordonnées Lambert 2008 incorrectes", ""]],
    ["lambert2008", [[null], [670811.17]], ETRS, ["Coordonnées Lambert 2008 incorrectes"]],
  ];
  for (const [kind, columns, options, messages] of rows) {
    const r = m.convert(kind, ...columns, options);
    const label = `${kind} ${JSON.stringify(options)}`;
    assert.deepEqual(r.Error, messages, label);
    messages.forEach((message, i) => {
      const refused = message !== "";
      for (const name of ["X2008", "Y2008", "Accuracy"]) {
        assert.equal(Number.isNaN(r[name][i]), refused, `${label} ${name}[${i}]`);
      }
      assert.equal(r.Route[i] === "", refused, `${label} Route[${i}]`);
      if (options.heightKind) assert.equal(Number.isNaN(r.OstendHeight[i]), refused, `${label} OstendHeight[${i}]`);
      assert.ok(m.names.messages.includes(message) || !refused, message);
    });
  }
});

test("heights over more than one chunk of the batch call stay with their points", async () => {
  await m.loadGrids();
  const n = 70000;
  const lat = new Float64Array(n);
  const lon = new Float64Array(n);
  const height = new Float32Array(n);
  for (let i = 0; i < n; i++) {
    lat[i] = 49.6 + (i % 700) * 0.0025;
    lon[i] = 2.7 + Math.floor(i / 700) * 0.036;
    height[i] = (i % 977) - 100;
  }
  const options = { datumFrom: "etrs89", datumTo: "bd72", method: "grid", heightKind: "ellipsoidal" };
  const r = m.convert("deg", lat, lon, { ...options, height });
  for (const i of [0, 1, 65535, 65536, 65537, n - 1]) {
    const one = m.convert("deg", [lat[i]], [lon[i]], { ...options, height: [height[i]] });
    for (const name of ["OstendHeight", "EllipsoidalHeight", "X2008", "X", "Accuracy"]) {
      assert.ok(sameBits(r[name][i], one[name][0]), `point ${i} ${name}`);
    }
    assert.equal(r.Route[i], one.Route[0], `point ${i}`);
  }
});

test("the object keeps its kinds and datums: Lambert 2008 and ETRS89 are unknown to it, as to the C++ object", () => {
  const lambert2008 = m.names.kinds.find((k) => !k.object).number;
  const etrs89 = m.names.datums.find((d) => !d.object).number;
  assert.equal(m.OriginalCoordinates.mvLambert2008, undefined);
  assert.equal(m.InternalDatums.mvETRS89, undefined);
  assert.equal(m.mvETRS89, undefined);
  // What the object does with a kind or datum it does not know: its
  // message, or its failure.
  const errorOf = (orig, from, to) => {
    const z = new m.ZedizAdo();
    try {
      z.DatumFrom = from;
      z.DatumDest = to;
      z.OrigType = orig;
      z.X = 649186.04;
      z.Y = 670811.17;
      z.Latitude = 50.8;
      z.Longitude = 4.35;
      try {
        z.Conversion();
      } catch (error) {
        if (error instanceof m.MorvaneFailure) return `Failure: ${error.kind}`;
        throw error;
      }
      return z.Error;
    } finally {
      z.dispose();
    }
  };
  // [kind, datumFrom, datumTo, the same as]
  const rows = [
    [lambert2008, 3, 3, [99, 3, 3]],
    [m.mvDeg, etrs89, 3, [m.mvDeg, 99, 3]],
    [m.mvDeg, 3, etrs89, [m.mvDeg, 3, 99]],
  ];
  for (const [orig, from, to, like] of rows) {
    const error = errorOf(orig, from, to);
    assert.notEqual(error, "", `${orig} ${from} ${to}`);
    assert.equal(error, errorOf(...like), `${orig} ${from} ${to}`);
  }
});
