// The batch panel's worker: reads the pasted or dropped points, converts
// them through the package's batch call and writes the CSV, off the page's
// thread so that the page stays responsive.  Every row has today's columns
// (Lambert 2008, the heights, the route and its accuracy); the agency's
// grids are loaded the first time a batch needs them.
import { load } from "./morvane/index.js";
import { csvHeader, csvLine, csvRow, kindFields, parsePoints, rowCells } from "./batch.js";

const ready = load();
const PREVIEW_ROWS = 10;
const CHUNK = 20000;  // points between two progress reports

self.onmessage = async ({ data }) => {
  const { id, text, kind, settings, heightKind } = data;
  try {
    const m = await ready;
    const started = performance.now();
    const heights = heightKind !== m.names.heightKinds[0].key;
    const options = { ...settings, extra: true, ...(heights ? { heightKind } : {}) };
    if (options.method !== m.names.methods[0].key || heights) await m.loadGrids();
    const { columns, rows } = parsePoints(text, kindFields(m.names, kind, heights));
    const total = rows.length;
    // The datums' titles: the outputs' datum (the page's settings name the
    // datums by their keys), the Belgian datum of Lambert 72 and IFBL, and
    // ETRS89 of Lambert 2008 and the ellipsoidal heights.
    const datums = m.names.datums;
    const header = csvHeader(datums.find((d) => d.key === settings.datumTo).title,
                             datums.find((d) => d.number === m.mvBelgium1972).title,
                             datums.find((d) => d.key === "etrs89").title);
    const parts = [csvLine(header)];
    const preview = [];
    let converted = 0;
    let refused = 0;
    let done = 0;
    // Rows in order, converted a chunk of points at a time.
    let next = 0;
    while (next < rows.length) {
      let end = next;
      let firstPoint = -1;
      let lastPoint = -1;
      while (end < rows.length && (lastPoint - firstPoint + 1 < CHUNK || rows[end].point < 0)) {
        if (rows[end].point >= 0) {
          if (firstPoint < 0) firstPoint = rows[end].point;
          lastPoint = rows[end].point;
        }
        end++;
      }
      let result = null;
      if (firstPoint >= 0) {
        const slice = columns.map((column) => column.slice(firstPoint, lastPoint + 1));
        result = heights ? m.convert(kind, ...slice.slice(0, -1), { ...options, height: slice.at(-1) })
                         : m.convert(kind, ...slice, options);
      }
      const lines = [];
      for (let r = next; r < end; r++) {
        const row = rows[r];
        const local = row.point < 0 ? row : { line: row.line, text: row.text, point: row.point - firstPoint };
        if (preview.length < PREVIEW_ROWS) preview.push(rowCells(local, result, true));
        const line = csvRow(local, result, true);
        if (line.endsWith(",\r\n")) converted++;
        else refused++;
        lines.push(line);
      }
      parts.push(lines.join(""));
      done = end;
      next = end;
      self.postMessage({ id, type: "progress", done, total });
    }
    const csv = new Blob(parts, { type: "text/csv;charset=utf-8" });
    self.postMessage({
      id, type: "done", header, preview, csv, total, converted, refused,
      milliseconds: performance.now() - started,
    });
  } catch (error) {
    self.postMessage({ id, type: "error", message: error?.message ?? String(error) });
  }
};
