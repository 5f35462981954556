// Squares through the package: squares() builds its FeatureCollection from
// the core's Features, square() reads the core's struct by the offsets of
// layout.cpp; bad codes get their message, bad options throw before any work.
import test from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import path from "node:path";

import { ROOT, loadPackage } from "./helpers.mjs";

const m = await loadPackage();
const WASM = readFileSync(path.join(ROOT, "build-web/npm/morvane_wasm.wasm"));

// Twice the signed area of a ring of [longitude, latitude]: positive when
// it runs counter-clockwise.
function shoelace(ring) {
  let sum = 0;
  for (let i = 0; i + 1 < ring.length; i++) sum += ring[i][0] * ring[i + 1][1] - ring[i + 1][0] * ring[i][1];
  return sum;
}

test("the uncertainty is the half diagonal on the ellipsoid, rounded up", () => {
  const cases = [
    // code, kind, width, height, coordinateUncertaintyInMeters
    ["E42544", "ifbl", 1000, 1000, 708],
    ["E4.25", "ifbl", 4000, 4000, 2829],
    ["e4-25-44", "ifbl", 1000, 1000, 708],
    ["E4", "ifbl", 32000, 20000, null],
    ["31UES9534", "mgrs", 1000, 1000, 708],
  ];
  for (const [code, kind, width, height, uncertainty] of cases) {
    const [feature] = m.squares([code], { kind }).features;
    const p = feature.properties;
    assert.equal(p.Error, "", code);
    assert.equal(p.width, width, code);
    assert.equal(p.height, height, code);
    assert.equal(p.verbatimCoordinates, code);
    const s = m.square(code, { kind });
    assert.equal(s.uncertainty, p.coordinateUncertaintyInMeters, code);
    assert.equal(s.width, width, code);
    if (uncertainty !== null) assert.equal(p.coordinateUncertaintyInMeters, uncertainty, code);
  }
});

test("rings are closed, counter-clockwise and longitude first", () => {
  const cases = [
    [["E42544", "E4.25", "M9", "A0.11.11"], { kind: "ifbl" }],
    [["E42544"], { kind: "ifbl", densify: 7, datum: "bd72" }],
    [["31UES9534", "31UFS0000", "31UGR19", "32ULB5555", "31U ES 95 33"], { kind: "mgrs" }],
    [["31UGR19"], { kind: "mgrs", densify: 3, codeDatum: "ed50", datum: "etrs89" }],
  ];
  for (const [codes, options] of cases) {
    const { type, features } = m.squares(codes, options);
    assert.equal(type, "FeatureCollection");
    assert.equal(features.length, codes.length);
    features.forEach((feature, i) => {
      const what = `${codes[i]} ${JSON.stringify(options)}`;
      assert.equal(feature.type, "Feature");
      assert.equal(feature.geometry.type, "Polygon", what);
      const [ring] = feature.geometry.coordinates;
      assert.deepEqual(ring[0], ring.at(-1), what);
      assert.ok(shoelace(ring) > 0, `${what} runs clockwise`);
      // Belgium and its neighbours: longitudes 2..7 E, latitudes 49..52 N.
      for (const [lon, lat] of ring) {
        assert.ok(lon > 1 && lon < 10 && lat > 49 && lat < 52, `${what}: ${lon} ${lat}`);
      }
      const s = m.square(codes[i], options);
      assert.equal(ring.length, s.cornerX.length * ((options.densify ?? 0) + 1) + 1, what);
      assert.equal(s.outline.longitude.length, ring.length, what);
      // The Feature's coordinates are the core's, to seven decimals.
      ring.forEach(([lon, lat], k) => {
        assert.ok(Math.abs(lon - s.outline.longitude[k]) <= 5e-8, what);
        assert.ok(Math.abs(lat - s.outline.latitude[k]) <= 5e-8, what);
      });
    });
  }
});

test("an MGRS square cut by its zone's east edge at 6 E", () => {
  const [feature] = m.squares(["31UGR19"], { kind: "mgrs" }).features;
  const [ring] = feature.geometry.coordinates;
  assert.ok(ring.every(([lon]) => lon <= 6 + 1e-7));
  assert.equal(ring.slice(1).filter(([lon]) => Math.abs(lon - 6) < 1e-7).length, 2);
  assert.match(feature.properties.georeferenceProtocol, /inside its grid zone/);
  assert.equal(feature.properties.zone, 31);
  assert.equal(feature.properties.hemisphere, "N");
  const s = m.square("31UGR19", { kind: "mgrs" });
  assert.equal(s.cut, true);
  assert.equal(s.zone, 31);
  assert.equal(s.hemisphere, "N");
  assert.equal([...s.cornerLongitude].filter((lon) => Math.abs(lon - 6) < 1e-8).length, 2);
  assert.equal(m.square("31UES9534", { kind: "mgrs" }).cut, false);
});

test("square() reads the core's struct: the centre is the object's, the texts agree", () => {
  for (const [code, kind] of [["E42544", "ifbl"], ["E4.25", "ifbl"], ["31UES9534", "mgrs"], ["31UGR19", "mgrs"]]) {
    const s = m.square(code, { kind, datum: "wgs84" });
    assert.equal(s.error, "");
    assert.equal(s.cornerX.length, s.cornerLatitude.length);
    assert.ok(s.cornerX.length >= 4);
    const p = JSON.parse(s.darwinCore);
    assert.equal(p.coordinateUncertaintyInMeters, s.uncertainty);
    assert.ok(Math.abs(p.decimalLatitude - s.centreLatitude) <= 5e-8);
    assert.ok(Math.abs(p.decimalLongitude - s.centreLongitude) <= 5e-8);
    assert.equal(p.geodeticDatum, "EPSG:4326");
    assert.ok(s.radius <= s.uncertainty);
    // The Feature's properties are the same terms.
    const [feature] = m.squares([code], { kind, datum: "wgs84" }).features;
    for (const [term, value] of Object.entries(p)) assert.deepEqual(feature.properties[term], value, term);
    assert.match(s.route, /shift|none/);
  }
  // An IFBL square's centre is the point the object gives for its code.
  const s = m.square("E42544", { kind: "ifbl" });
  const r = m.convert("ifbl", ["E42544"]);
  assert.equal(s.centreX, r.X[0]);
  assert.equal(s.centreY, r.Y[0]);
  assert.deepEqual([s.zone, s.hemisphere], [0, ""]);
  // A reference on a datum not known: the datums' spread is added.
  const unknown = m.square("31UES9534", { kind: "mgrs", datumKnown: false });
  assert.ok(unknown.uncertainty > 708 + 50 && unknown.uncertainty < 708 + 400);
  assert.equal(JSON.parse(unknown.darwinCore).verbatimSRS, "unknown");
});

test("bad codes give a Feature without geometry and the system's message", () => {
  const cases = [
    // code, kind
    ["Z99", "ifbl"],
    ["E4254", "ifbl"],
    ["", "ifbl"],
    [null, "ifbl"],
    ["31UES953", "mgrs"],
    ["99UES9534", "mgrs"],
    ["32XNA1111", "mgrs"],
  ];
  for (const [code, kind] of cases) {
    const { features } = m.squares(["E42544", code, "31UES9534"], { kind });
    assert.equal(features.length, 3);
    const { geometry, properties } = features[1];
    const want = m.convert(kind, [code]).Error[0];
    assert.equal(geometry, null, String(code));
    assert.notEqual(properties.Error, "", String(code));
    assert.equal(properties.Error, want, String(code));
    assert.equal(properties.verbatimCoordinates, code ?? "");
    assert.equal(properties.footprintWKT, undefined);
    assert.equal(properties.coordinateUncertaintyInMeters, undefined);
    // The codes around it keep their squares (each of its kind).
    assert.equal(features[kind === "ifbl" ? 0 : 2].properties.Error, "");
    const s = m.square(code ?? "", { kind });
    assert.equal(s.error, want);
    assert.equal(s.cornerX.length, 0);
    assert.equal(s.outline.longitude.length, 0);
    assert.equal(JSON.parse(s.darwinCore).Error, want);
  }
  assert.deepEqual(m.squares([], { kind: "ifbl" }), { type: "FeatureCollection", features: [] });
});

test("options and codes that make no sense throw before any work", () => {
  const cases = [
    // codes, options, error
    [["E42544"], undefined, TypeError],
    [["E42544"], null, TypeError],
    [["E42544"], {}, TypeError],
    [["E42544"], { kind: "utm" }, TypeError],
    [["E42544"], { kind: 3 }, TypeError],
    [["E42544"], { kind: "deg" }, RangeError],
    [["E42544"], { kind: "lambert2008" }, RangeError],
    [["E42544"], { kind: "ifbl", datum: "wgs85" }, RangeError],
    [["E42544"], { kind: "ifbl", datum: 6 }, RangeError],
    [["E42544"], { kind: "ifbl", datum: {} }, TypeError],
    [["E42544"], { kind: "ifbl", codeDatum: "wgs84" }, RangeError],
    [["E42544"], { kind: "ifbl", datumKnown: false }, RangeError],
    [["E42544"], { kind: "mgrs", datumKnown: "no" }, TypeError],
    [["E42544"], { kind: "mgrs", codeDatum: 0 }, RangeError],
    [["E42544"], { kind: "ifbl", method: "helmert" }, RangeError],
    [["E42544"], { kind: "ifbl", densify: 1001 }, RangeError],
    [["E42544"], { kind: "ifbl", densify: -1 }, RangeError],
    [["E42544"], { kind: "ifbl", densify: 1.5 }, RangeError],
    [["E42544"], { kind: "ifbl", densify: "2" }, TypeError],
    [["E42544"], { kind: "ifbl", size: 2 }, TypeError],
    ["E42544", { kind: "ifbl" }, TypeError],
    [new Set(["E42544"]), { kind: "ifbl" }, TypeError],
    [["E42544", 5], { kind: "ifbl" }, TypeError],
    [["E42544", "E4\0"], { kind: "ifbl" }, TypeError],
  ];
  for (const [codes, options, error] of cases) {
    const what = `${String(codes)} ${JSON.stringify(options)}`;
    assert.throws(() => m.squares(codes, options), error, what);
    if (typeof codes?.[0] === "string" && codes.length === 1) assert.throws(() => m.square(codes[0], options), error, what);
  }
  assert.throws(() => m.square(null, { kind: "ifbl" }), TypeError);
  // A getter that calls into the module runs before the work: no nesting.
  const options = { kind: "ifbl", get densify() { return m.squares(["E42544"], { kind: "ifbl" }).features.length; } };
  assert.equal(m.squares(["E42544"], options).features[0].geometry.coordinates[0].length, 9);
});

test("the grid method needs the grids loaded, then gives the agency's route", async () => {
  const fresh = await load(WASM);
  const options = { kind: "ifbl", method: "grid", datum: "etrs89" };
  assert.throws(() => fresh.squares(["E42544"], options), /grid.*not loaded.*loadGrids\(\)/);
  assert.throws(() => fresh.square("E42544", options), /not loaded/);
  await fresh.loadGrids();
  const [feature] = fresh.squares(["E42544"], options).features;
  assert.equal(feature.properties.geodeticDatum, "EPSG:4258");
  assert.equal(feature.properties.coordinateUncertaintyInMeters, 708);
  assert.match(fresh.square("E42544", options).route, /^grid BD72→ETRS89/);
});

async function load(wasmBinary) {
  const { load: loadModule } = await import(path.join(ROOT, "build-web/npm/index.js"));
  return loadModule({ wasmBinary });
}

test("every call gives its memory back", () => {
  // A code of 1 MB (blanks around a letter), 300 times: kept, it would
  // take 300 MB of the module's memory.
  const long = `E${" ".repeat(2 ** 20)}`;
  const before = m.memoryBytes;
  for (let i = 0; i < 150; i++) {
    assert.notEqual(m.square(long, { kind: "ifbl" }).error, "");
    assert.equal(m.squares([long], { kind: "ifbl" }).features[0].geometry, null);
  }
  assert.ok(m.memoryBytes <= before + 16 * 2 ** 20, `${before} -> ${m.memoryBytes} bytes`);
});
