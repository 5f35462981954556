// The page's batch panel without the browser: reading lines of points,
// the seconds as the shortest float text, and the CSV rows.
import test from "node:test";
import assert from "node:assert/strict";
import path from "node:path";
import { pathToFileURL } from "node:url";

import { ROOT, generator, loadPackage } from "./helpers.mjs";

const batch = await import(pathToFileURL(path.join(ROOT, "web/site/batch.js")).href);
const m = await loadPackage();
const fields = (kind) => batch.kindFields(m.names, kind);

test("lines are read as the command-line tool reads them", () => {
  const text = "# a comment\n50.8 4.35\n\n  51.1,5.2 trailing text\n50.5;4\n50.5\n1e1\t-2.5e0\r\n.5 , -.25";
  const { columns, rows } = batch.parsePoints(text, fields("deg"));
  assert.deepEqual(columns, [[50.8, 51.1, 10, 0.5], [4.35, 5.2, -2.5, -0.25]]);
  assert.deepEqual(rows.map((r) => [r.line, r.point, r.problem]), [
    [2, 0, ""],
    [4, 1, ""],
    [5, -1, "cannot read LAT '50.5;4': not a number"],
    [6, -1, "cannot read LON: missing"],
    [7, 2, ""],
    [8, 3, ""],
  ]);
  const dms = batch.parsePoints("50 30 12.5 4 21 0\n50.5 30 0 4 0 0\n50 30 0 4 99999 0\n", fields("dms"));
  assert.deepEqual(dms.rows.map((r) => r.problem), ["",
    "cannot read LATD '50.5': not a whole number from -32767 to 32767",
    "cannot read LONM '99999': not a whole number from -32767 to 32767"]);
  const texts = batch.parsePoints("31UES9521533649 first\nE4.25.43\n", fields("mgrs"));
  assert.deepEqual(texts.columns, [["31UES9521533649", "E4.25.43"]]);
});

test("seconds are written as the shortest text of their 32-bit float", () => {
  const slow = (v) => {
    for (let p = 1; p <= 9; p++) {
      const t = v.toPrecision(p);
      if (Math.fround(Number(t)) === v) return String(Number(t));
    }
    return String(v);
  };
  const rng = generator(99);
  const bits = new Uint32Array(1);
  const float = new Float32Array(bits.buffer);
  for (let i = 0; i < 20000; i++) {
    bits[0] = Math.floor(rng.next() * 2 ** 32);
    const v = i % 2 ? float[0] : Math.fround(rng.uniform(-60, 60));
    if (Number.isFinite(v)) assert.equal(batch.floatText(v), slow(v), String(v));
  }
  assert.equal(batch.floatText(Math.fround(1.9628906)), "1.9628906");
  assert.equal(batch.floatText(12.5), "12.5");
  assert.equal(batch.floatText(0), "0");
});

test("CSV rows: quoting, messages, points outside the grids", () => {
  const text = '50.8,4.35\n91,4\n50.5 x,"y"\n-85,4\n60,4.35 "quoted, text"\n';
  const { columns, rows } = batch.parsePoints(text, fields("deg"));
  const result = m.convert("deg", ...columns, { datumFrom: "wgs84", datumTo: "bd72" });
  for (const row of rows) assert.equal(batch.csvRow(row, result), batch.csvLine(batch.rowCells(row, result)));
  const lines = rows.map((row) => batch.csvRow(row, result));
  assert.match(lines[0], /^1,"50\.8,4\.35",50\.80054449046\d*,/);
  assert.match(lines[1], /,Coordonnées DEG incorrectes\r\n$/);
  assert.match(lines[2], /^3,"50\.5 x,""y""",(,){16}cannot read LON 'x': not a number\r\n$/);
  assert.match(lines[3], /,,,,,,\r\n$/);  // no UTM, MGRS or IFBL beyond 80 S
  assert.match(lines[4], /"60,4\.35 ""quoted, text"""/);
  assert.equal(batch.csvHeader("WGS 1984", "Belgian datum 1972").length, batch.rowCells(rows[0], result).length);
});

test("a line's fields are the kind's properties, named as the tool names them", () => {
  assert.deepEqual(fields("dms").map((f) => [f.name, f.type]), [
    ["LATD", "int16"], ["LATM", "int16"], ["LATS", "float"], ["LOND", "int16"], ["LONM", "int16"], ["LONS", "float"],
  ]);
  assert.deepEqual(fields("lambert").map((f) => f.property), ["X", "Y"]);
  assert.deepEqual(fields("ifbl").map((f) => f.type), ["text"]);
  assert.throws(() => fields("utm"), TypeError);
  assert.throws(() => fields("constructor"), TypeError);
});

test("CSV rows: the UTM zone and hemisphere are the batch call's", () => {
  // [MGRS reference, zone, hemisphere]: "" where the row has a message.
  const rows = [
    ["31UES9504828627", "31", "N"],
    ["5QKA1234567890", "5", "N"],  // given without the blank before 5
    ["35JPM2056", "35", "S"],
    ["31UZZ123", "", ""],
  ];
  const { columns, rows: lines } = batch.parsePoints(rows.map(([text]) => text).join("\n"), fields("mgrs"));
  const result = m.convert("mgrs", ...columns, { datumFrom: "wgs84", datumTo: "wgs84" });
  const header = batch.csvHeader("WGS 1984", "Belgian datum 1972");
  const zone = header.indexOf("UTM zone (WGS 1984)");
  rows.forEach(([text, want, hemisphere], i) => {
    const cells = batch.rowCells(lines[i], result);
    assert.deepEqual([cells[zone], cells[zone + 1]], [want, hemisphere], text);
    assert.equal(batch.csvRow(lines[i], result), batch.csvLine(cells), text);
  });
});

test("CSV rows with today's columns: Lambert 2008, heights, route and accuracy before the message", async () => {
  await m.loadGrids();
  const text = "50.22054332 4.663484651 310.925\n91 4 0\n50.8 4.35 x\n50.8 4.35 NaN\n";
  const fieldsWithHeight = batch.kindFields(m.names, "deg", true);
  assert.deepEqual(fieldsWithHeight.map((f) => [f.name, f.type]), [["LAT", "double"], ["LON", "double"], ["H", "double"]]);
  const { columns, rows } = batch.parsePoints(text, fieldsWithHeight);
  const result = m.convert("deg", columns[0], columns[1], { datumFrom: "etrs89", datumTo: "bd72", method: "grid",
                                                           heightKind: "ostend", height: columns[2], extra: true });
  const header = batch.csvHeader("Belgian datum 1972", "Belgian datum 1972", "ETRS89");
  assert.deepEqual(header.slice(-7), ["Lambert 2008 X (ETRS89)", "Lambert 2008 Y (ETRS89)", "Ellipsoidal height (ETRS89)",
                                      "Ostend height", "Route", "Accuracy (m)", "Error"]);
  for (const row of rows) {
    const cells = batch.rowCells(row, result, true);
    assert.equal(cells.length, header.length, row.text);
    assert.equal(batch.csvRow(row, result, true), batch.csvLine(cells), row.text);
  }
  const first = batch.rowCells(rows[0], result, true);
  assert.equal(first[header.indexOf("Ostend height")], "310.925");
  assert.equal(first[header.indexOf("Route")], result.Route[0]);
  assert.equal(batch.rowCells(rows[1], result, true).at(-1), "Coordonnées DEG incorrectes");
  assert.equal(batch.rowCells(rows[2], result, true).at(-1), "cannot read H 'x': not a number");
  assert.equal(batch.rowCells(rows[3], result, true).at(-1), "cannot read H 'NaN': not a number");
});
