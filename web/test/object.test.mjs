// The object of the package: properties, enumerations, failures, bad
// values and disposal.
import test from "node:test";
import assert from "node:assert/strict";

import { loadPackage } from "./helpers.mjs";

const m = await loadPackage();

function wgs84ToBd72() {
  const z = new m.ZedizAdo();
  z.DatumFrom = m.mvWGS1984;
  z.DatumDest = m.mvBelgium1972;
  z.OrigType = m.mvDeg;
  z.Latitude = 50.8;
  z.Longitude = 4.35;
  return z;
}

test("a WGS 1984 point in Brussels fills every representation on the Belgian datum", () => {
  const z = wgs84ToBd72();
  z.Conversion();
  assert.equal(z.Error, "");
  // The values the native build gives for the same point (README example).
  assert.equal(z.Latitude, 50.8005444904614);
  assert.equal(z.Longitude, 4.348734630115332);
  assert.equal(z.X, 148678.0375659443);
  assert.equal(z.Y, 165504.64180452004);
  assert.equal(z.IFBL, "E44521");
  assert.equal(z.MGRS, "31UES9504828627");
  assert.deepEqual([z.LatDmsDeg, z.LatDmsMin, z.LatDmsSec], [50, 48, Math.fround(1.9628906)]);
  assert.deepEqual([z.LonDmsDeg, z.LonDmsMin], [4, 20]);
  z.dispose();
});

test("enumerations are frozen and their members are on the module", () => {
  assert.ok(Object.isFrozen(m.OriginalCoordinates));
  assert.ok(Object.isFrozen(m.InternalDatums));
  assert.deepEqual({ ...m.OriginalCoordinates },
                   { mvMgrs: 1, mvDeg: 2, mvIFBL: 3, mvLambert72: 4, mvDegMinSec: 5 });
  assert.deepEqual({ ...m.InternalDatums },
                   { mvEuropeanData1950: 1, mvBelgium1972: 2, mvWGS1984: 3, mvNTF: 4 });
  for (const [name, value] of Object.entries({ ...m.OriginalCoordinates, ...m.InternalDatums })) {
    assert.equal(m[name], value, name);
  }
  assert.throws(() => { m.OriginalCoordinates.mvDeg = 7; }, TypeError);
  assert.equal(m.version, "0.3.0");
});

test("every property reads back what was put, in the interface's types", () => {
  const z = new m.ZedizAdo();
  const rows = [
    ["Latitude", 50.123456789012, 50.123456789012],
    ["Longitude", -4.5, -4.5],
    ["X", 150000.25, 150000.25],
    ["Y", 170000.5, 170000.5],
    ["Northing", 5.5e6, 5.5e6],
    ["Easting", 123.25, 123.25],
    ["LatDmsDeg", -32768, -32768],
    ["LatDmsMin", 32767, 32767],
    ["LonDmsDeg", 4, 4],
    ["LonDmsMin", 59, 59],
    ["LatDmsSec", 12.345678901, Math.fround(12.345678901)],  // a 32-bit float
    ["LonDmsSec", -0.1, Math.fround(-0.1)],
    ["OrigType", 6, 6],  // stored; the conversion fails on it
    ["mgrsPrecision", 100, 100],
    ["IfblPrecision", 4, 4],
    ["MGRS", "  31UES9521533649 ", "31UES9521533649"],  // blanks trimmed
    ["IFBL", "e4.25-43 ", "e42543"],  // blanks, full stops and hyphens removed
  ];
  for (const [name, put, want] of rows) {
    z[name] = put;
    assert.ok(Object.is(z[name], want), `${name}: ${z[name]} instead of ${want}`);
  }
  assert.equal(z.MGRS.length, 15);
  z.dispose();
});

test("the MGRS and IFBL texts carry UTF-8 both ways", () => {
  const z = new m.ZedizAdo();
  z.MGRS = "31UÉS952153364é";
  assert.equal(z.MGRS, "31UÉS952153364é");
  z.DatumFrom = 3;
  z.DatumDest = 3;
  z.OrigType = m.mvMgrs;
  z.Conversion();
  assert.equal(z.Error, "Coordonnées MGRS erronées (31UÉS952153364é)");
  // A byte-order mark is a character like any other, first or not.
  for (const text of ["\uFEFF31UES", "31\uFEFFUES"]) {
    z.MGRS = text;
    assert.equal(z.MGRS, text);
  }
  z.dispose();
});

test("messages: input that names no point leaves a French message and nothing else", () => {
  const cases = [
    ["Latitude", 91, m.mvDeg, "Coordonnées DEG incorrectes"],
    ["Latitude", NaN, m.mvDeg, "Coordonnées DEG incorrectes"],
    ["X", -1, m.mvLambert72, "Coordonnées Lambert incorrectes"],
    ["IFBL", "Z9", m.mvIFBL, "Coordonnée IFBL incorrecte"],
    ["MGRS", "31UES", m.mvMgrs, "Coordonnées MGRS erronées (31UES)"],
    ["LatDmsSec", 61, m.mvDegMinSec, "Coordonnées DMS incorrectes"],
  ];
  for (const [property, value, kind, message] of cases) {
    const z = wgs84ToBd72();
    z.OrigType = kind;
    z[property] = value;
    const before = z.X;
    z.Conversion();
    assert.equal(z.Error, message, property);
    assert.ok(Object.is(z.X, before));
    z.Reset();
    assert.equal(z.Error, "");
    z.dispose();
  }
  const z = new m.ZedizAdo();
  z.DatumFrom = 0;
  z.OrigType = m.mvDeg;
  z.Conversion();
  assert.equal(z.Error, "Datum non initialisé");
  z.dispose();
});

test("a failing conversion throws a MorvaneFailure and leaves the object as it was", () => {
  const rows = [
    [(z) => { z.OrigType = 6; }, "IndexOutOfRange", 1],
    [(z) => { z.OrigType = -2; }, "IndexOutOfRange", 1],
    [(z) => { z.DatumFrom = 5; }, "IndexOutOfRange", 1],
    [(z) => { z.DatumDest = 9; }, "IndexOutOfRange", 1],
  ];
  for (const [spoil, kind, code] of rows) {
    const z = wgs84ToBd72();
    z.Conversion();
    spoil(z);  // a put outside the table may leave its own message
    const before = { X: z.X, Y: z.Y, MGRS: z.MGRS, IFBL: z.IFBL, Latitude: z.Latitude, Error: z.Error };
    assert.throws(() => z.Conversion(), (error) => {
      assert.ok(error instanceof m.MorvaneFailure);
      assert.ok(error instanceof Error);
      assert.equal(error.kind, kind);
      assert.equal(error.code, code);
      return true;
    });
    assert.deepEqual({ X: z.X, Y: z.Y, MGRS: z.MGRS, IFBL: z.IFBL, Latitude: z.Latitude, Error: z.Error }, before);
    z.dispose();
  }
});

test("bad values are refused with a TypeError or RangeError that names the property", () => {
  const z = new m.ZedizAdo();
  const rows = [
    ["Latitude", "50.8", TypeError],
    ["Latitude", undefined, TypeError],
    ["X", null, TypeError],
    ["X", 10n, TypeError],
    ["LatDmsDeg", 32768, RangeError],
    ["LatDmsMin", 1.5, RangeError],
    ["LonDmsDeg", NaN, RangeError],
    ["IfblPrecision", -40000, RangeError],
    ["mgrsPrecision", 2 ** 31, RangeError],
    ["OrigType", "deg", TypeError],
    ["DatumFrom", 1.5, RangeError],
    ["DatumDest", "wgs84", TypeError],
    ["MGRS", 31, TypeError],
    ["IFBL", "E5\0x", TypeError],
    ["LatDmsSec", 1e39, RangeError],  // no 32-bit float holds it
    ["LonDmsSec", -1e39, RangeError],
  ];
  for (const [name, value, type] of rows) {
    assert.throws(() => { z[name] = value; }, (error) => error instanceof type && error.message.includes(name),
                  `${name} = ${String(value)}`);
  }
  assert.throws(() => z.DatumFrom, /write-only/);
  assert.throws(() => { z.Error = "x"; }, /read-only/);
  // Nothing was stored by the refused puts.
  assert.equal(z.Latitude, 0);
  assert.equal(z.IFBL, "");
  z.dispose();
});

test("dispose frees the object; using it afterwards throws, disposing again does nothing", () => {
  const z = wgs84ToBd72();
  assert.equal(z.disposed, false);
  z.dispose();
  assert.equal(z.disposed, true);
  z.dispose();
  assert.throws(() => z.Conversion(), /disposed/);
  assert.throws(() => z.Latitude, /disposed/);
  assert.throws(() => { z.Latitude = 1; }, /disposed/);
});

test("objects that are never disposed do not grow memory without bound", { timeout: 60000 }, async (t) => {
  if (typeof globalThis.gc !== "function") {
    t.skip("needs node --expose-gc");
    return;
  }
  const rounds = 40;
  const perRound = 5000;
  const sizes = [];
  for (let round = 0; round < rounds; round++) {
    for (let i = 0; i < perRound; i++) {
      const z = new m.ZedizAdo();
      z.IFBL = "E53541";
    }
    globalThis.gc();
    // Finalization callbacks run after the collection, on later turns.
    await new Promise((resolve) => setTimeout(resolve, 5));
    sizes.push(m.memoryBytes);
  }
  // 200 000 objects of about a kilobyte each would need 200 MB or more.
  const last = sizes[sizes.length - 1];
  t.diagnostic(`module memory after ${rounds * perRound} undisposed objects: ${(last / 2 ** 20).toFixed(1)} MiB`);
  assert.ok(last < 64 * 2 ** 20, `memory grew to ${last} bytes`);
});

test("a copy of an object, or anything else given as one, has no memory: every use throws a TypeError", () => {
  const a = wgs84ToBd72();
  a.MGRS = "31UES9521533649";
  const proto = m.ZedizAdo.prototype;
  const copies = [
    ["Object.assign", Object.assign(Object.create(proto), a)],
    ["spread", Object.setPrototypeOf({ ...a }, proto)],
    ["Object.create of the object", Object.create(a)],
    ["Proxy", new Proxy(a, {})],
    ["plain object", Object.create(proto)],
  ];
  const uses = [
    ["get", (o) => o.MGRS],
    ["put", (o) => { o.Latitude = 1; }],
    ["text put", (o) => { o.IFBL = "E5"; }],
    ["Conversion", (o) => o.Conversion()],
    ["Reset", (o) => o.Reset()],
    ["disposed", (o) => o.disposed],
    ["dispose", (o) => o.dispose()],
  ];
  const other = new m.ZedizAdo();
  for (const round of ["while the original lives", "after it is disposed"]) {
    for (const [how, copy] of copies) {
      for (const [what, use] of uses) {
        assert.throws(() => use(copy), TypeError, `${how}, ${what}, ${round}`);
      }
    }
    if (round === "while the original lives") {
      assert.equal(a.MGRS, "31UES9521533649");
      a.dispose();
      other.MGRS = "31UFS0000000000";  // may take the memory a had
    }
  }
  assert.equal(other.MGRS, "31UFS0000000000");
  // The prototype's accessors and methods called on anything else.
  const { get } = Object.getOwnPropertyDescriptor(proto, "MGRS");
  for (const thing of [5, "x", null, undefined, {}, [], () => 0]) {
    assert.throws(() => get.call(thing), TypeError);
    assert.throws(() => proto.dispose.call(thing), TypeError);
  }
  other.dispose();
});
