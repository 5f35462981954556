// Names and what the core gives beside a point: the kinds and datums
// convert() takes by name (any case, blanks ignored, member names; datums
// by number too), the names that are none (among them the names of every
// object's prototype), the tables the API is made from, and each point's
// UTM zone and hemisphere.
import test from "node:test";
import assert from "node:assert/strict";

import { KINDS, generator, loadPackage, randomPoint } from "./helpers.mjs";

const m = await loadPackage();

// One point of each kind, near Brussels.
const SAMPLE = {
  deg: [[50.8], [4.35]],
  dms: [[50], [48], [1.5], [4], [20], [54.25]],
  lambert: [[148678.04], [165504.64]],
  mgrs: [["31UES9504828627"]],
  ifbl: [["E44521"]],
};

test("kinds are taken by name in any case, without blanks, or by member name", () => {
  const rows = [
    ["deg", "deg"], ["DEG", "deg"], [" d e g ", "deg"], ["\tDeg", "deg"], ["mvDeg", "deg"], ["MVDEG", "deg"],
    ["dms", "dms"], ["mvDegMinSec", "dms"], ["Lambert", "lambert"], ["mvLambert72", "lambert"],
    ["MGRS", "mgrs"], ["mv mgrs", "mgrs"], ["ifbl", "ifbl"], ["mvIFBL", "ifbl"],
  ];
  for (const [name, key] of rows) {
    assert.deepEqual(m.convert(name, ...SAMPLE[key], { datumTo: "bd72" }),
                     m.convert(key, ...SAMPLE[key], { datumTo: "bd72" }), name);
  }
});

test("a name that is no kind is refused with a TypeError", () => {
  const names = ["utm", "", " ", "de", "degs", "2", "mvUtm", "__proto__", "constructor", "toString",
                 "hasOwnProperty", "valueOf", "deg\0", "dég"];
  for (const name of names) {
    assert.throws(() => m.convert(name, [50.8], [4.35]), (error) => error instanceof TypeError && /kind/.test(error.message),
                  JSON.stringify(name));
  }
});

test("datums are taken by name in any case, without blanks, by member name or by number", () => {
  const latitude = (datumFrom) => m.convert("deg", [50.8], [4.35], { datumFrom, datumTo: "wgs84" }).Latitude[0];
  const byNumber = [1, 2, 3, 4].map(latitude);
  assert.equal(new Set(byNumber).size, 4, "the four datums give four latitudes");
  const rows = [
    ["ed50", 1], ["ED50", 1], ["mvEuropeanData1950", 1], ["1", 1],
    ["bd72", 2], [" Bd 72 ", 2], ["mvBelgium1972", 2], [" 2 ", 2],
    ["wgs84", 3], ["WGS84", 3], ["wgs 84", 3], ["\twgs84", 3], ["MVWGS1984", 3], ["3", 3],
    ["ntf", 4], ["NTF", 4], ["mvNTF", 4], ["4", 4],
    [1, 1], [2, 2], [3, 3], [4, 4], [m.mvNTF, 4],
  ];
  for (const [name, number] of rows) assert.equal(latitude(name), byNumber[number - 1], JSON.stringify(name));
});

test("a name or number that is no datum is refused with a RangeError", () => {
  const values = ["wgs85", "", " ", "wgs", "wgs84x", "0", "6", "-1", "European 1950", "WGS 1984",
                  "__proto__", "constructor", "toString", "hasOwnProperty", "valueOf", "__defineGetter__",
                  "wgs84\0", 0, 6, -1, 2.5, NaN, Infinity];
  for (const value of values) {
    for (const option of ["datumFrom", "datumTo"]) {
      assert.throws(() => m.convert("deg", [50.8], [4.35], { [option]: value }),
                    (error) => error instanceof RangeError && error.message.startsWith(option),
                    `${option} ${JSON.stringify(value)}`);
    }
  }
  for (const value of [{}, true, [3]]) {
    assert.throws(() => m.convert("deg", [50.8], [4.35], { datumFrom: value }), TypeError, String(value));
  }
});

test("the enumerations and tables come from the module", () => {
  assert.ok(Object.isFrozen(m.names) && Object.isFrozen(m.names.datums[0]));
  // The enumerations are the object's: the kinds and datums it takes.
  for (const datum of m.names.datums) {
    assert.equal(m.InternalDatums[datum.member], datum.object ? datum.number : undefined, datum.member);
  }
  for (const kind of m.names.kinds) {
    assert.equal(m.OriginalCoordinates[kind.member], kind.object ? kind.number : undefined, kind.member);
  }
  assert.deepEqual(m.names.datums.map((d) => [d.key, d.title, d.object]), [
    ["ed50", "European 1950", true], ["bd72", "Belgian datum 1972", true], ["wgs84", "WGS 1984", true],
    ["ntf", "Nouvelle Triangulation Française", true],
    ["etrs89", "European Terrestrial Reference System 1989", false],
  ]);
  assert.deepEqual(m.names.failures.map((f) => f.name), [
    "IndexOutOfRange", "IntegerOverflow", "InvalidOperation", "DivisionByZero", "FloatOverflow",
  ]);
  // The object has every property of the table that it gets or puts,
  // with its access; the batch call's columns of today are none of its.
  const z = new m.ZedizAdo();
  for (const { name, get, put, extra, input } of m.names.properties) {
    assert.equal(name in z, get || put, name);
    assert.ok(!(get || put) || !(extra || input), name);
    if (!get && !put) continue;
    if (!get) assert.throws(() => z[name], TypeError, name);
    if (!put) assert.throws(() => { z[name] = 1; }, TypeError, name);
  }
  z.dispose();
});

test("each point gets the UTM zone and hemisphere of its MGRS reference", () => {
  // [kind, columns, datumTo, zone, hemisphere]
  const rows = [
    ["deg", [[50.85], [4.35]], "wgs84", 31, "N"],
    ["deg", [[50.85], [4.35]], "bd72", 31, "N"],
    ["deg", [[50.85], [6.2]], "wgs84", 32, "N"],
    ["deg", [[-33.92], [18.42]], "wgs84", 34, "S"],
    ["deg", [[60.4], [5.3]], "wgs84", 32, "N"],  // Norway's wide zone 32
    ["deg", [[78.2], [15.6]], "wgs84", 33, "N"],  // Svalbard's zones
    ["deg", [[10], [179.9]], "wgs84", 60, "N"],
    ["deg", [[-10], [-179.9]], "wgs84", 1, "S"],
    ["deg", [[0.5], [-0.5]], "wgs84", 30, "N"],
    ["deg", [[-0.5], [0.5]], "wgs84", 31, "S"],
    ["deg", [[-85], [4]], "wgs84", 0, ""],  // beyond MGRS's latitudes
    ["deg", [[91], [4]], "wgs84", 0, ""],  // no point
    ["deg", [[NaN], [4]], "wgs84", 0, ""],
    ["lambert", [[150000], [170000]], "wgs84", 31, "N"],
    ["ifbl", [["E4.25.43"]], "wgs84", 31, "N"],
    ["mgrs", [[" 5QKA1234567890"]], "wgs84", 5, "N"],
    ["mgrs", [["35JPM2056"]], "wgs84", 35, "S"],
    ["mgrs", [["5QKA1234567890"]], "wgs84", 5, "N"],  // the reference as given: no blank before 5
    ["mgrs", [["31UZZ123"]], "wgs84", 0, ""],  // no reference
  ];
  for (const [kind, columns, datumTo, zone, hemisphere] of rows) {
    const r = m.convert(kind, ...columns, { datumFrom: "wgs84", datumTo });
    assert.deepEqual([r.UtmZone[0], r.Hemisphere[0]], [zone, hemisphere], `${kind} ${JSON.stringify(columns)} ${datumTo}`);
  }
});

test("zones and hemispheres agree with the references, point by point, over many points", () => {
  const rng = generator(4172);
  for (const kind of KINDS) {
    const points = Array.from({ length: 400 }, () => randomPoint(rng, kind, m));
    const columns = points[0].map((_, j) => points.map((p) => p[j]));
    const r = m.convert(kind, ...columns, { datumFrom: "wgs84", datumTo: "ed50", mgrsPrecision: 100 });
    assert.ok(r.UtmZone instanceof Int16Array && r.UtmZone.length === points.length);
    for (let i = 0; i < points.length; i++) {
      // An MGRS input is given back as it was read (a zone below 10 with
      // or without its blank).
      const match = /^ ?(\d{1,2})([C-HJ-NP-X])/.exec(r.MGRS[i]);
      const hasZone = match !== null && r.Error[i] === "" && r.Failure[i] === "";
      const want = hasZone ? [Number(match[1]), match[2] >= "N" ? "N" : "S"] : [0, ""];
      assert.deepEqual([r.UtmZone[i], r.Hemisphere[i]], want, `${kind} ${JSON.stringify(points[i])}`);
    }
  }
});
