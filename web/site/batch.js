// Lines of points to columns for convert(), and results to CSV rows.
// Shared by the page's worker and its tests.

// The fields of a line as the command-line tool names them in its
// messages, by the property each gives.
const FIELD_NAMES = {
  Latitude: "LAT", Longitude: "LON",
  LatDmsDeg: "LATD", LatDmsMin: "LATM", LatDmsSec: "LATS",
  LonDmsDeg: "LOND", LonDmsMin: "LONM", LonDmsSec: "LONS",
  X: "X", Y: "Y", MGRS: "MGRS", IFBL: "IFBL", Height: "H",
};

const NUMBER = /^[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?$/;

/**
 * The fields of a line of one kind, from the package's tables of names
 * (m.names): the properties the kind reads, with their types, and with
 * `height` the point's height after them (convert()'s input Height).
 */
export function kindFields(names, kind, height = false) {
  const entry = names.kinds.find((k) => k.key === kind);
  if (!entry) throw new TypeError(`unknown kind ${kind}`);
  const inputs = height ? [...entry.inputs, ...names.properties.filter((p) => p.input).map((p) => p.name)]
                        : entry.inputs;
  return inputs.map((property) => {
    const { type } = names.properties.find((p) => p.name === property);
    return { property, name: FIELD_NAMES[property] ?? property, type };
  });
}

/**
 * Reads the points of `text`, one a line, each with the `fields` of its
 * kind (kindFields).  Blank lines and lines whose first non-blank
 * character is "#" are skipped.  Returns the columns for convert(), and
 * for every point line its number, its text and, when it cannot be read,
 * the reason (such lines are not converted).
 */
export function parsePoints(text, fields) {
  const names = fields.map((f) => f.name);
  const whole = fields.map((f) => f.type === "int16");
  const numeric = fields.map((f) => f.type !== "text");
  const columns = names.map(() => []);
  const rows = [];  // { line, text, point (index into columns) or -1, problem }
  const lines = text.split(/\r\n|\n|\r/);
  if (lines.length > 0 && lines[lines.length - 1] === "") lines.pop();
  for (let i = 0; i < lines.length; i++) {
    const line = lines[i];
    const trimmed = line.trim();
    if (trimmed === "" || trimmed.startsWith("#")) continue;
    const fields = trimmed.split(/\s*,\s*|\s+/);
    // The first field that cannot be read is the one named.
    let problem = "";
    for (let f = 0; f < names.length && !problem; f++) {
      const field = fields[f];
      if (field === undefined) problem = `cannot read ${names[f]}: missing`;
      else if (!numeric[f]) continue;
      else if (!NUMBER.test(field)) problem = `cannot read ${names[f]} '${field}': not a number`;
      else if (whole[f] && (!Number.isInteger(Number(field)) || Math.abs(Number(field)) > 32767)) {
        problem = `cannot read ${names[f]} '${field}': not a whole number from -32767 to 32767`;
      }
    }
    if (problem) {
      rows.push({ line: i + 1, text: line, point: -1, problem });
      continue;
    }
    for (let f = 0; f < names.length; f++) columns[f].push(numeric[f] ? Number(fields[f]) : fields[f]);
    rows.push({ line: i + 1, text: line, point: columns[0].length - 1, problem: "" });
  }
  return { columns, rows };
}

// The shortest text that reads back to the same 32-bit float (the
// command-line tool prints seconds so).  The nearest decimal of p + 1
// digits is at least as near as that of p digits, so once some number of
// digits reads back every larger one does.  Most floats need 7 to 9: the
// search starts at 7.
export function floatText(value) {
  if (!Number.isFinite(value)) return String(value);
  const readsBack = (digits) => Math.fround(Number(value.toPrecision(digits))) === value;
  let digits = 7;
  if (readsBack(7)) {
    while (digits > 1 && readsBack(digits - 1)) digits--;
  } else {
    digits = readsBack(8) ? 8 : 9;
  }
  return plainDecimal(value.toPrecision(digits));
}

// toPrecision's text without the zeros it pads with ("12.50000" is 12.5).
function plainDecimal(text) {
  if (text.includes("e")) return String(Number(text));
  if (!text.includes(".")) return text;
  let end = text.length;
  while (text.charCodeAt(end - 1) === 48) end--;  // "0"
  if (text.charCodeAt(end - 1) === 46) end--;  // "."
  const result = text.slice(0, end);
  return result === "-0" ? "-0" : result;
}

/**
 * The CSV header, with the datum of each output: `to`, the title of the
 * datum the outputs are on, and `bd72`, the Belgian datum's; with
 * `etrs89`, ETRS89's title, the columns of today's systems too (rows of a
 * convert() result with them: rowCells and csvRow with `today` true).
 */
export function csvHeader(to, bd72, etrs89 = "") {
  const today = etrs89 ? [`Lambert 2008 X (${etrs89})`, `Lambert 2008 Y (${etrs89})`,
    `Ellipsoidal height (${etrs89})`, "Ostend height", "Route", "Accuracy (m)"] : [];
  return ["Line", "Input", `Latitude (${to})`, `Longitude (${to})`, `LatDmsDeg (${to})`,
    `LatDmsMin (${to})`, `LatDmsSec (${to})`, `LonDmsDeg (${to})`, `LonDmsMin (${to})`,
    `LonDmsSec (${to})`, `Lambert 72 X (${bd72})`, `Lambert 72 Y (${bd72})`, `UTM zone (${to})`,
    "Hemisphere", `Easting (${to})`, `Northing (${to})`, `MGRS (${to})`, `IFBL (${bd72})`, ...today, "Error"];
}

// The cells of today's columns of point i: Lambert 2008, the heights
// (empty without), the route and its accuracy.
const TODAY_COLUMNS = 6;
function todayCells(result, i) {
  const height = (value) => (Number.isNaN(value) ? "" : String(value));
  return [String(result.X2008[i]), String(result.Y2008[i]), height(result.EllipsoidalHeight[i]),
    height(result.OstendHeight[i]), result.Route[i], String(result.Accuracy[i])];
}

/** The cells of one row: a point's results, or its problem; `today` as in csvHeader. */
export function rowCells(row, result, today = false) {
  const blanks = 16 + (today ? TODAY_COLUMNS : 0);
  if (row.point < 0) return [String(row.line), row.text, ...new Array(blanks).fill(""), row.problem];
  const i = row.point;
  const error = result.Failure[i] ? `Failure: ${result.Failure[i]}` : result.Error[i];
  if (error) return [String(row.line), row.text, ...new Array(blanks).fill(""), error];
  const zone = result.UtmZone[i];
  const hasUtm = zone !== 0;
  return [
    String(row.line), row.text,
    String(result.Latitude[i]), String(result.Longitude[i]),
    String(result.LatDmsDeg[i]), String(result.LatDmsMin[i]), floatText(result.LatDmsSec[i]),
    String(result.LonDmsDeg[i]), String(result.LonDmsMin[i]), floatText(result.LonDmsSec[i]),
    String(result.X[i]), String(result.Y[i]),
    hasUtm ? String(zone) : "", result.Hemisphere[i],
    hasUtm ? String(result.Easting[i]) : "", hasUtm ? String(result.Northing[i]) : "",
    result.MGRS[i], result.IFBL[i], ...(today ? todayCells(result, i) : []), "",
  ];
}

/** One CSV line; fields with a comma, a quote or a line break are quoted. */
export function csvLine(cells) {
  return cells.map(csvField).join(",") + "\r\n";
}

function csvField(cell) {
  return /[",\r\n]/.test(cell) ? `"${cell.replaceAll('"', '""')}"` : cell;
}

/** The CSV line of one row, as csvLine(rowCells(row, result, today)) but faster. */
export function csvRow(row, result, today = false) {
  const head = `${row.line},${csvField(row.text)},`;
  const blanks = today ? ",,,,,,,,,,,,,,,,,,,,,," : ",,,,,,,,,,,,,,,,";
  if (row.point < 0) return `${head}${blanks}${csvField(row.problem)}\r\n`;
  const i = row.point;
  const error = result.Failure[i] ? `Failure: ${result.Failure[i]}` : result.Error[i];
  if (error) return `${head}${blanks}${csvField(error)}\r\n`;
  const mgrs = result.MGRS[i];
  const zone = result.UtmZone[i];
  const utm = zone ? `${zone},${result.Hemisphere[i]},${result.Easting[i]},${result.Northing[i]}` : ",,,";
  return `${head}${result.Latitude[i]},${result.Longitude[i]},${result.LatDmsDeg[i]},${result.LatDmsMin[i]},` +
    `${floatText(result.LatDmsSec[i])},${result.LonDmsDeg[i]},${result.LonDmsMin[i]},` +
    `${floatText(result.LonDmsSec[i])},${result.X[i]},${result.Y[i]},${utm},${csvField(mgrs)},` +
    `${csvField(result.IFBL[i])},${today ? `${todayCells(result, i).map(csvField).join(",")},` : ""}\r\n`;
}
