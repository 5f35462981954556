// convert(): the batch call against the object, columns of every form,
// bad arguments.
import test from "node:test";
import assert from "node:assert/strict";

import {
  COLUMNS, DATUMS, DATUM_NUMBER, IFBL_PRECISIONS, KINDS, MGRS_PRECISIONS, NUMBER_OUTPUTS,
  ORIG_TYPE, TEXT_OUTPUTS, conversionOf, generator, loadPackage, randomPoint, sameBits,
} from "./helpers.mjs";

const m = await loadPackage();

// What a fresh object gives for one point with these settings.
function viaObject(kind, point, settings) {
  const z = new m.ZedizAdo();
  try {
    z.DatumFrom = DATUM_NUMBER[settings.datumFrom];
    z.DatumDest = DATUM_NUMBER[settings.datumTo];
    z.mgrsPrecision = settings.mgrsPrecision;
    z.IfblPrecision = settings.ifblPrecision;
    z.OrigType = ORIG_TYPE[kind];
    COLUMNS[kind].forEach((name, i) => { z[name] = point[i]; });
    const out = conversionOf(m, z, [...NUMBER_OUTPUTS, ...TEXT_OUTPUTS]);
    return out;
  } finally {
    z.dispose();
  }
}

test("convert gives, point by point, the bits of a fresh object on every kind and pair of datums", () => {
  const rng = generator(20240915);
  let points = 0;
  for (const kind of KINDS) {
    for (const datumFrom of DATUMS) {
      for (const datumTo of DATUMS) {
        const settings = { datumFrom, datumTo, mgrsPrecision: rng.pick(MGRS_PRECISIONS),
                           ifblPrecision: rng.pick(IFBL_PRECISIONS) };
        const batch = Array.from({ length: 40 }, () => randomPoint(rng, kind, m));
        const columns = COLUMNS[kind].map((_, i) => batch.map((p) => p[i]));
        const result = m.convert(kind, ...columns, settings);
        batch.forEach((point, i) => {
          const want = viaObject(kind, point, settings);
          for (const name of [...NUMBER_OUTPUTS, ...TEXT_OUTPUTS, "Failure"]) {
            assert.ok(sameBits(result[name][i], want[name]),
                      `${kind} ${datumFrom}->${datumTo} point ${i} ${name}: ${result[name][i]} instead of ${want[name]}`);
          }
          points++;
        });
      }
    }
  }
  assert.equal(points, 5 * 16 * 40);
});

test("outputs have the interface's types", () => {
  const r = m.convert("deg", [50.8], [4.35], { datumFrom: "wgs84", datumTo: "bd72" });
  const types = {
    Latitude: Float64Array, Longitude: Float64Array, X: Float64Array, Y: Float64Array,
    Northing: Float64Array, Easting: Float64Array, LatDmsDeg: Int16Array, LatDmsMin: Int16Array,
    LonDmsDeg: Int16Array, LonDmsMin: Int16Array, LatDmsSec: Float32Array, LonDmsSec: Float32Array,
    UtmZone: Int16Array,
  };
  for (const [name, type] of Object.entries(types)) assert.ok(r[name] instanceof type, name);
  for (const name of ["MGRS", "IFBL", "Error", "Failure", "Hemisphere"]) {
    assert.ok(Array.isArray(r[name]) && typeof r[name][0] === "string", name);
  }
  assert.equal(r.X[0], 148678.0375659443);
  assert.equal(r.IFBL[0], "E44521");
  assert.deepEqual([r.UtmZone[0], r.Hemisphere[0]], [31, "N"]);
});

test("columns may be arrays or typed arrays of any numeric kind, with the same results", () => {
  const lat = [50.5, 51.25, 49.75];
  const lon = [4.5, 3.25, 5.75];
  const want = m.convert("deg", lat, lon, { datumTo: "bd72" });
  for (const make of [Float64Array, Float32Array]) {
    const got = m.convert("deg", make.from(lat), make.from(lon), { datumTo: "bd72" });
    const exact = make === Float64Array;
    if (exact) assert.deepEqual(got.X, want.X);
    else assert.equal(got.X.length, 3);
  }
  const dms = m.convert("dms", new Int16Array([50, 50]), [30, 30], new Float32Array([12.5, 12.5]),
                        [4, 4], new Int8Array([21, 21]), [0, 0], { datumFrom: "bd72", datumTo: "wgs84" });
  assert.equal(dms.Error.join(""), "");
  assert.equal(dms.Latitude[0], dms.Latitude[1]);
});

test("more points than one chunk of the batch call keep their order", () => {
  const n = 70000;  // past the 65 536 points of one call
  const x = new Float64Array(n);
  const y = new Float64Array(n);
  for (let i = 0; i < n; i++) {
    x[i] = 20000 + (i % 1000) * 250;
    y[i] = 30000 + Math.floor(i / 1000) * 2500;
  }
  x[n - 1] = -5;  // the last point names no position
  const r = m.convert("lambert", x, y, { ifblPrecision: 4 });
  assert.equal(r.X.length, n);
  for (const i of [0, 65535, 65536, 69998]) {
    const one = m.convert("lambert", [x[i]], [y[i]], { ifblPrecision: 4 });
    assert.equal(r.Latitude[i], one.Latitude[0], `point ${i}`);
    assert.equal(r.IFBL[i], one.IFBL[0], `point ${i}`);
    assert.equal(r.UtmZone[i], one.UtmZone[0], `point ${i}`);
    assert.equal(r.Hemisphere[i], one.Hemisphere[0], `point ${i}`);
  }
  assert.deepEqual(new Set(r.UtmZone.subarray(65536, n - 1)), new Set([31, 32]));
  assert.deepEqual([r.UtmZone[n - 1], r.Hemisphere[n - 1]], [0, ""]);
  assert.equal(r.Error[n - 1], "Coordonnées Lambert incorrectes");
  assert.equal(r.Error[n - 2], "");
});

test("IFBL codes of every length, found again from call to call, are the object's", () => {
  // A 3 km grid over the IFBL grid and past its edges, twice in one call.
  const xs = [];
  const ys = [];
  for (let x = 15000; x <= 300000; x += 3000) {
    for (let y = 15000; y <= 250000; y += 3000) {
      xs.push(x);
      ys.push(y);
    }
  }
  const x = [...xs, ...xs];
  const y = [...ys, ...ys];
  const z = new m.ZedizAdo();
  for (const ifblPrecision of [2, 4, 6, 2, 6]) {
    const r = m.convert("lambert", x, y, { ifblPrecision });
    for (let i = 0; i < xs.length; i += 7) {
      z.Reset();
      z.DatumFrom = m.mvBelgium1972;
      z.DatumDest = m.mvBelgium1972;
      z.IfblPrecision = ifblPrecision;
      z.OrigType = m.mvLambert72;
      z.X = x[i];
      z.Y = y[i];
      z.Conversion();
      assert.equal(r.IFBL[i], z.IFBL, `precision ${ifblPrecision}, point ${i}`);
      assert.equal(r.IFBL[i + xs.length], z.IFBL, `precision ${ifblPrecision}, point ${i}, again`);
    }
  }
  z.dispose();
});

test("texts of any characters come back whole, wherever they are in a column", () => {
  const good = "31UES9521533649";
  const batches = [
    ["mgrs", ["é".repeat(9)]],                          // two bytes a character throughout
    ["mgrs", [good, "31UÉS952153364é", good]],          // one entry of several bytes a character
    ["mgrs", [good, good, "€"]],                         // the last entry, three bytes
    ["mgrs", ["\uFEFF" + good, good]],                  // a byte-order mark opens the column
    ["mgrs", [good, "\uFEFF" + good]],                  // ... or an entry
    ["mgrs", ["𝔸31UES", good, "x".repeat(40)]],         // four bytes (two UTF-16 units)
    ["mgrs", [good, "", "\u0080\u00ff", "ÿ".repeat(30)]], // Latin-1 characters are two bytes
    // IFBL columns six bytes wide, the codes' own width, and wider.
    ["ifbl", ["Ä1", "E42543", "ÿÿ", "E4", "", "Ä1", "€", "\uFEFF"]],
    ["ifbl", ["E42543", "Ä1", "E4.25.43", "E4"]],
  ];
  const settings = { datumFrom: "wgs84", datumTo: "wgs84", mgrsPrecision: 1, ifblPrecision: 6 };
  for (const [kind, texts] of batches) {
    const r = m.convert(kind, texts, settings);
    const property = kind === "mgrs" ? "MGRS" : "IFBL";
    texts.forEach((text, i) => {
      const want = viaObject(kind, [text], settings);
      assert.equal(r[property][i], want[property], `${JSON.stringify(texts)}[${i}]`);
      assert.equal(r.Error[i], want.Error, `${JSON.stringify(texts)}[${i}]`);
      // A refused text is kept as written, character for character.
      if (r.Error[i] !== "") assert.equal(r[property][i], text);
    });
  }
});

test("points that name no position get their message, the others convert", () => {
  const r = m.convert("deg", [50.8, NaN, 91, Infinity, 50.8], [4.35, 4, 4, 4, 4.35]);
  assert.deepEqual(r.Error, ["", "Coordonnées DEG incorrectes", "Coordonnées DEG incorrectes",
                             "Coordonnées DEG incorrectes", ""]);
  assert.deepEqual(r.Failure, ["", "", "", "", ""]);
  const t = m.convert("mgrs", ["31UES9521533649", "x".repeat(200), "", "31UES"], { datumFrom: "wgs84" });
  assert.equal(t.Error[0], "");
  assert.equal(t.Error[1], `Coordonnées MGRS erronées (${"x".repeat(200)})`);
  assert.equal(t.Error[2], "Coordonnées MGRS erronées ()");
  const i = m.convert("ifbl", ["E4.25.43", "e42543", "Z9", "Ä"]);
  assert.deepEqual(i.IFBL.slice(0, 2), ["E42543", "E42543"]);
  assert.deepEqual(i.Error.slice(2), ["Coordonnée IFBL incorrecte", "Coordonnée IFBL incorrecte"]);
});

test("missing values (null, undefined) are points that name no position", () => {
  const r = m.convert("deg", [50.8, null, 50.8], [4.35, 4.35, undefined], { datumTo: "bd72" });
  assert.deepEqual(r.Error, ["", "Coordonnées DEG incorrectes", "Coordonnées DEG incorrectes"]);
  const t = m.convert("ifbl", ["E4", null, undefined]);
  assert.deepEqual(t.Error, ["", "Coordonnée IFBL incorrecte", "Coordonnée IFBL incorrecte"]);
  const d = m.convert("dms", [50], [30], [null], [4], [21], [0]);
  assert.deepEqual(d.Error, ["Coordonnées DMS incorrectes"]);
});

test("a missing value in any DMS column is a point that names no position; the others convert", () => {
  const settings = { datumFrom: "bd72", datumTo: "wgs84", mgrsPrecision: 1, ifblPrecision: 6 };
  const good = [[50, 30, 12.5, 4, 21, 0], [51, 2, 0.25, 3, 59, 59.5]];
  for (let column = 0; column < 6; column++) {
    for (const hole of [null, undefined, "sparse"]) {
      const columns = COLUMNS.dms.map((_, c) => [good[0][c], 0, good[1][c]]);
      columns.forEach((values, c) => { values[1] = good[1][c]; });
      if (hole === "sparse") delete columns[column][1];
      else columns[column][1] = hole;
      const r = m.convert("dms", ...columns, settings);
      const what = `${COLUMNS.dms[column]} ${String(hole)}`;
      assert.deepEqual(r.Error, ["", "Coordonnées DMS incorrectes", ""], what);
      assert.equal(r.Failure.join(""), "", what);
      for (const i of [0, 2]) {
        const want = viaObject("dms", columns.map((values) => values[i]), settings);
        for (const name of [...NUMBER_OUTPUTS, ...TEXT_OUTPUTS]) {
          assert.ok(sameBits(r[name][i], want[name]), `${what}: point ${i}, ${name}`);
        }
      }
    }
  }
});

test("no points give empty columns", () => {
  const r = m.convert("ifbl", []);
  assert.equal(r.Latitude.length, 0);
  assert.deepEqual(r.MGRS, []);
});

test("bad arguments throw a TypeError or RangeError naming the problem", () => {
  const rows = [
    [() => m.convert("utm", [1], [2]), TypeError, /kind/],
    [() => m.convert(2, [1], [2]), TypeError, /kind/],
    [() => m.convert("deg", [1]), TypeError, /2 column/],
    [() => m.convert("deg", [1], [2], [3]), TypeError, /2 column/],
    [() => m.convert("deg", [1, 2], [3]), RangeError, /Longitude has 1 points/],
    [() => m.convert("deg", "50", [3]), TypeError, /Latitude must be an array/],
    [() => m.convert("deg", [50, "4"], [3, 4]), TypeError, /Latitude\[1\]/],
    [() => m.convert("deg", [50], [{}]), TypeError, /Longitude\[0\]/],
    [() => m.convert("dms", [50], [NaN], [0], [4], [0], [0]), RangeError, /LatDmsMin\[0\]/],
    [() => m.convert("dms", [50], ["30"], [0], [4], [0], [0]), TypeError, /LatDmsMin\[0\]/],
    [() => m.convert("dms", [50], [0], [1e39], [4], [0], [0]), RangeError, /LatDmsSec\[0\].*32-bit float/],
    [() => m.convert("dms", [50, 50], [0, 0], new Float64Array([0, -1e39]), [4, 4], [0, 0], [0, 0]), RangeError,
     /LatDmsSec\[1\].*32-bit float/],
    [() => m.convert("deg", new BigInt64Array(1), [3]), TypeError, /big integers/],
    [() => m.convert("deg", [1], [2], { datumFrom: "wgs85" }), RangeError, /datumFrom.*unknown datum/],
    [() => m.convert("deg", [1], [2], { datumTo: 6 }), RangeError, /datumTo/],
    [() => m.convert("deg", [1], [2], { datumTo: {} }), TypeError, /datumTo/],
    [() => m.convert("deg", [1], [2], { datumfrom: "wgs84" }), TypeError, /unknown option "datumfrom"/],
    [() => m.convert("deg", [1], [2], { mgrsPrecision: 1.5 }), RangeError, /mgrsPrecision/],
    [() => m.convert("deg", [1], [2], { ifblPrecision: 1e6 }), RangeError, /ifblPrecision/],
    [() => m.convert("dms", [50], [70000], [0], [4], [0], [0]), RangeError, /LatDmsMin\[0\]/],
    [() => m.convert("dms", [50.5], [0], [0], [4], [0], [0]), RangeError, /LatDmsDeg\[0\]/],
    [() => m.convert("dms", new Float64Array([50.5]), [0], [0], [4], [0], [0]), RangeError, /LatDmsDeg\[0\]/],
    [() => m.convert("mgrs", ["31UES9521533649", 5]), TypeError, /MGRS\[1\]/],
    [() => m.convert("ifbl", ["E5\0"]), TypeError, /IFBL\[0\].*NUL/],
  ];
  for (const [call, type, pattern] of rows) {
    assert.throws(call, (error) => error instanceof type && pattern.test(error.message), String(call));
  }
});

test("datums are taken by name in any case or by number, with wgs84 the default", () => {
  const byName = m.convert("deg", [50.8], [4.35], { datumFrom: "WGS84", datumTo: "Bd72" });
  const byNumber = m.convert("deg", [50.8], [4.35], { datumFrom: m.mvWGS1984, datumTo: 2 });
  assert.equal(byName.Latitude[0], byNumber.Latitude[0]);
  const defaults = m.convert("deg", [50.8], [4.35]);
  assert.equal(defaults.Latitude[0], 50.8);  // wgs84 to wgs84
});

test("a call into the module from a column's or an option's getter is refused; the outer call is right", () => {
  const z = new m.ZedizAdo();
  z.MGRS = "31UES9521533649";
  const spare = new m.ZedizAdo();
  const inner = [
    ["convert", () => m.convert("lambert", [100000], [100000])],
    ["new ZedizAdo", () => new m.ZedizAdo()],
    ["text get", () => z.MGRS],
    ["text put", () => { z.MGRS = "31UFS0000000000"; }],
    ["number get", () => z.Latitude],
    ["number put", () => { z.Latitude = 12; }],
    ["Conversion", () => z.Conversion()],
    ["Reset", () => z.Reset()],
    ["dispose", () => spare.dispose()],
  ];
  const settings = { datumFrom: "wgs84", datumTo: "bd72" };
  const wantDeg = m.convert("deg", [50.8, 50.9], [4.3, 4.4], settings);
  const wantText = m.convert("mgrs", ["31UES9521533649", "31UFS0000000000"], settings);
  for (const [what, call] of inner) {
    const refused = [];
    const attempt = () => {
      try {
        call();
        refused.push("ran");
      } catch (error) {
        refused.push(error.constructor === Error && /do not nest/.test(error.message) ? "refused" : String(error));
      }
    };
    const proxy = (values) => new Proxy(values, {
      get(target, key, receiver) {
        if (key === "0") attempt();
        return Reflect.get(target, key, receiver);
      },
    });
    const accessor = (values) => {
      const column = [...values];
      Object.defineProperty(column, 1, { get() { attempt(); return values[1]; } });
      return column;
    };
    const calls = [
      ["deg", () => m.convert("deg", proxy([50.8, 50.9]), [4.3, 4.4], settings), wantDeg],
      ["deg, accessor", () => m.convert("deg", [50.8, 50.9], accessor([4.3, 4.4]), settings), wantDeg],
      ["mgrs", () => m.convert("mgrs", proxy(["31UES9521533649", "31UFS0000000000"]), settings), wantText],
      ["option", () => m.convert("deg", [50.8, 50.9], [4.3, 4.4],
                                  { get datumFrom() { attempt(); return "wgs84"; }, datumTo: "bd72" }), wantDeg],
    ];
    for (const [how, outer, want] of calls) {
      const got = outer();
      assert.ok(refused.length > 0 && refused.every((r) => r === "refused"), `${what} in ${how}: ${refused}`);
      refused.length = 0;
      for (const name of [...NUMBER_OUTPUTS, ...TEXT_OUTPUTS]) {
        assert.deepEqual(got[name], want[name], `${what} in ${how}: ${name}`);
      }
    }
  }
  // Nothing reached the objects, and the module works as before.
  assert.equal(z.MGRS, "31UES9521533649");
  assert.equal(z.Latitude, 0);
  assert.equal(spare.disposed, false);
  assert.deepEqual(m.convert("deg", [50.8, 50.9], [4.3, 4.4], settings).X, wantDeg.X);
  z.dispose();
  spare.dispose();
});

test("long texts in large text columns: chunks by bytes, every point its object's, the module sound", () => {
  const keep = new m.ZedizAdo();
  keep.MGRS = "31UES9521533649-kept";
  const good = "31UES9521533649";
  const settings = { datumFrom: "wgs84", datumTo: "bd72", mgrsPrecision: 1, ifblPrecision: 6 };
  // [kind, rows, where the long texts are, the long text]; rows times the
  // widest text passes 2^31 bytes in the first three.
  const cases = [
    ["mgrs", 65536, [0], "9".repeat(32769)],
    ["mgrs", 65536, [65535], "31UES" + "9".repeat(32764)],
    ["mgrs", 70000, [3, 65536, 69999], "é".repeat(17000)],
    ["ifbl", 66000, [1, 40000], "E".repeat(40000)],
    ["mgrs", 3, [1], "€".repeat(400000)],  // one point past the chunk's bytes
  ];
  for (const [kind, rows, where, long] of cases) {
    const column = new Array(rows).fill(kind === "mgrs" ? good : "E42543");
    for (const i of where) column[i] = long;
    const r = m.convert(kind, column, settings);
    assert.equal(r.Error.length, rows);
    const checked = new Set([0, 1, 2, rows - 1, ...where, ...where.map((i) => i + 1).filter((i) => i < rows)]);
    for (const i of checked) {
      const want = viaObject(kind, [column[i]], settings);
      for (const name of [...NUMBER_OUTPUTS, ...TEXT_OUTPUTS, "Failure"]) {
        assert.ok(sameBits(r[name][i], want[name]), `${kind} ${rows} rows, point ${i}, ${name}`);
      }
    }
    assert.equal(keep.MGRS, "31UES9521533649-kept");
  }
  const known = m.convert("mgrs", [good], settings);
  assert.equal(known.IFBL[0], viaObject("mgrs", [good], settings).IFBL);
  assert.equal(keep.Latitude, 0);
  keep.dispose();
});

test("a lone surrogate in a text is written as U+FFFD, by the object and by convert()", () => {
  const rows = [
    ["31UES\uD800", "31UES\uFFFD"],            // a high surrogate alone, last
    ["\uDC0031UES", "\uFFFD31UES"],            // a low one alone, first
    ["31\uDC00\uD800UES", "31\uFFFD\uFFFDUES"], // a pair the wrong way round
    ["\uD835\uDD38\uD835", "\uD835\uDD38\uFFFD"], // after a whole pair
  ];
  const settings = { datumFrom: "wgs84", datumTo: "wgs84", mgrsPrecision: 1, ifblPrecision: 6 };
  for (const [text, written] of rows) {
    const z = new m.ZedizAdo();
    z.MGRS = text;
    assert.equal(z.MGRS, written, JSON.stringify(text));
    z.IFBL = text;
    assert.equal(z.IFBL, written, JSON.stringify(text));
    z.dispose();
    const r = m.convert("mgrs", [text, "31UES9521533649"], settings);
    assert.equal(r.MGRS[0], written, JSON.stringify(text));
    assert.equal(r.Error[0], `Coordonnées MGRS erronées (${written})`);
    assert.equal(r.Error[1], "");
    const i = m.convert("ifbl", [text], settings);
    assert.equal(i.IFBL[0], written, JSON.stringify(text));
  }
});

test("a typed array column is read from its own memory, whatever its class says", () => {
  const lat = [50.8, 50.9, 51];
  const lon = [4.3, 4.4, 4.5];
  const want = m.convert("deg", lat, lon);
  class ShortPart extends Float64Array {
    subarray(begin) { return super.subarray(begin, begin + 1); }
  }
  class LongLength extends Float64Array {
    get length() { return 5; }
  }
  class OtherKind extends Float64Array {
    subarray(begin, end) { return Int8Array.from(super.subarray(begin, end)); }
  }
  const disguised = Float64Array.from(lat);
  Object.setPrototypeOf(disguised, Int8Array.prototype);
  const view = new DataView(new ArrayBuffer(24));
  Object.setPrototypeOf(view, Float64Array.prototype);
  for (const [what, column] of [["subarray", ShortPart.from(lat)], ["length", LongLength.from(lat)],
                                ["kind", OtherKind.from(lat)], ["prototype", disguised]]) {
    const r = m.convert("deg", column, lon);
    assert.deepEqual(r.Latitude, want.Latitude, what);
    assert.deepEqual(r.MGRS, want.MGRS, what);
  }
  assert.throws(() => m.convert("deg", view, lon), TypeError);
});

test("the batch path is simd128 by default, can be chosen by name, and refuses other names", () => {
  assert.equal(m.batchPath(), "simd128");
  const cases = [
    ["scalar", "scalar"], ["simd128", "simd128"], ["", "simd128"],
    ["avx2", RangeError], ["sse2", RangeError], ["SCALAR", RangeError], [2, RangeError], [undefined, RangeError],
  ];
  try {
    for (const [name, expected] of cases) {
      m.setBatchPath("scalar");
      if (expected === RangeError) {
        assert.throws(() => m.setBatchPath(name), RangeError, String(name));
        assert.equal(m.batchPath(), "scalar", "a refused name changes nothing");
      } else {
        m.setBatchPath(name);
        assert.equal(m.batchPath(), expected, String(name));
      }
    }
  } finally {
    m.setBatchPath("");
  }
});
