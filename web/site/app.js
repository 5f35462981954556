// The converter page: one point in every representation with its squares
// (squares.js), and a batch panel whose conversions run in a worker.  The point goes through the
// package's convert() with today's columns (Lambert 2008, heights, the
// route and its accuracy): for the object's kinds and datums its other
// columns are the object's, bit for bit.
import { load } from "./morvane/index.js";
import { floatText } from "./batch.js";
import { clearSquares, showSquares, wireSquares } from "./squares.js";

const $ = (id) => document.getElementById(id);

const PAUSE_MS = 600;  // typing pause before a conversion

// The page's input field of each property the kinds read; each field's
// fieldset names its group, the kind.
const FIELD_IDS = {
  Latitude: "lat", Longitude: "lon",
  LatDmsDeg: "lat-d", LatDmsMin: "lat-m", LatDmsSec: "lat-s",
  LonDmsDeg: "lon-d", LonDmsMin: "lon-m", LonDmsSec: "lon-s",
  X: "x", Y: "y", MGRS: "mgrs", IFBL: "ifbl",
};
// Lambert 2008 reads X and Y too, from fields of its own.
const GROUP_FIELD_IDS = { lambert2008: { X: "x08", Y: "y08" } };
const OUTPUT_ONLY = {
  Zone: "zone", Easting: "easting", Northing: "northing",
  EllipsoidalHeight: "ellipsoidal-height", OstendHeight: "ostend-height",
};

// Made from the package's tables of names once it is loaded: each group
// (kind) with its number, whether it reads a text, and its fields by
// property; the datums by key; the Belgian datum's key.
let GROUPS = {};
let DATUMS = new Map();
let BELGIAN = "";
let ETRS89 = "";
const HEIGHT_NONE = "none";

let m = null;
let source = "deg";  // the group the point was last given in
let timer = 0;
let edits = 0;  // fields typed in so far

function settings() {
  return {
    datumFrom: $("datum-from").value,
    datumTo: $("datum-to").value,
    mgrsPrecision: Number($("mgrs-precision").value),
    ifblPrecision: Number($("ifbl-precision").value),
    method: $("method").value,
  };
}

// Whether convert() needs the national agency's grids with these settings.
function needsGrids(s, withHeight) {
  return s.method !== m.names.methods[0].key || withHeight;
}

function makeTables() {
  const textProperties = new Set(m.names.properties.filter((p) => p.type === "text").map((p) => p.name));
  GROUPS = Object.create(null);
  for (const kind of m.names.kinds) {
    GROUPS[kind.key] = {
      type: kind.number,
      text: kind.inputs.every((name) => textProperties.has(name)),
      fields: Object.fromEntries(kind.inputs.map((name) => [name, (GROUP_FIELD_IDS[kind.key] ?? FIELD_IDS)[name]])),
    };
  }
  DATUMS = new Map(m.names.datums.map((d) => [d.key, d]));
  BELGIAN = m.names.datums.find((d) => d.number === m.mvBelgium1972).key;
  ETRS89 = m.names.datums.find((d) => d.key === "etrs89").key;
}

// The settings' datums and the batch panel's kinds, from the tables; the
// page's choices stay selected (data-default before the first fill).
function fillChoices() {
  for (const id of ["datum-from", "datum-to"]) {
    const select = $(id);
    const chosen = select.value || select.dataset.default;
    select.replaceChildren(...m.names.datums.map((d) => new Option(d.title, d.key, false, d.key === chosen)));
  }
  const kinds = $("batch-kind");
  const chosen = kinds.value || kinds.dataset.default;
  kinds.replaceChildren(...m.names.kinds.map((k) => {
    const text = k.inputs.length > 1 ? `${k.inputs.join(" ")} (${k.label})` : k.label;
    return new Option(text, k.key, false, k.key === chosen);
  }));
  const fillTable = (id, rows) => {
    const select = $(id);
    const selected = select.value || select.dataset.default;
    select.replaceChildren(...rows.map((r) => new Option(r.label, r.key, false, r.key === selected)));
  };
  fillTable("method", m.names.methods);
  fillTable("height-kind", m.names.heightKinds.filter((h) => h.key !== HEIGHT_NONE));
  fillTable("batch-height-kind", m.names.heightKinds);
}

// What each group is on, as the command-line tool states it.
function showDatums() {
  const { datumFrom, datumTo } = settings();
  const on = (datum, input) => `(${input ? "input, " : ""}on ${DATUMS.get(datum).title})`;
  for (const group of ["deg", "dms", "mgrs"]) {
    document.querySelector(`[data-datum-of="${group}"]`).textContent =
      source === group ? on(datumFrom, true) : on(datumTo, false);
  }
  // UTM comes with an MGRS reference, on the datum it was read on.
  document.querySelector('[data-datum-of="utm"]').textContent = on(source === "mgrs" ? datumFrom : datumTo, false);
  for (const group of ["lambert", "ifbl"]) {
    document.querySelector(`[data-datum-of="${group}"]`).textContent = on(BELGIAN, source === group);
  }
  document.querySelector('[data-datum-of="lambert2008"]').textContent = on(ETRS89, source === "lambert2008");
}

// A number as typed: blanks around it, and a decimal comma, are allowed.
function readNumber(text) {
  const t = text.trim().replace(",", ".");
  if (!/^[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?$/.test(t)) return NaN;
  return Number(t);
}

function setMessage(group, text) {
  for (const g of Object.keys(GROUPS)) $(`message-${g}`).textContent = g === group ? text : "";
}

function clearOutputs(except) {
  for (const [group, { fields }] of Object.entries(GROUPS)) {
    if (group === except) continue;
    for (const id of Object.values(fields)) $(id).value = "";
  }
  for (const id of Object.values(OUTPUT_ONLY)) $(id).value = "";
  $("route").textContent = "";
}

// The height given with the point, if any: [its kind, the height].
function givenHeight() {
  const text = $("height").value;
  return text.trim() === "" ? null : [$("height-kind").value, readNumber(text)];
}

// The grids, once: the first conversion that needs them waits for them.
let gridsLoading = null;
function loadGrids() {
  gridsLoading ??= m.loadGrids().catch((error) => {
    gridsLoading = null;
    throw error;
  });
  return gridsLoading;
}

function convertFrom(group) {
  if (!m) return;
  clearTimeout(timer);
  source = group;
  showDatums();
  const kindLayout = GROUPS[group];
  const values = Object.entries(kindLayout.fields).map(([name, id]) => [name, $(id).value]);
  if (values.some(([, text]) => text.trim() === "")) {
    setMessage(group, "");
    return;  // not all of the point is there yet
  }
  const s = settings();
  const height = givenHeight();
  if (needsGrids(s, height !== null) && !m.gridsLoaded) {
    // The grids' file is fetched once; the point is converted when it is
    // in, unless a field was typed in meanwhile (that edit converts).
    $("route").textContent = "Loading the national agency's grids…";
    const at = edits;
    loadGrids().then(() => {
      if (edits === at) convertFrom(source);
    }, (error) => {
      $("route").textContent = `Could not load the grids: ${error.message}`;
    });
    return;
  }
  try {
    const point = values.map(([, text]) => (kindLayout.text ? text.trim() : readNumber(text)));
    const options = { ...s, extra: true };
    if (height !== null) Object.assign(options, { heightKind: height[0], height: [height[1]] });
    const r = m.convert(group, ...point.map((value) => [value]), options);
    const message = r.Failure[0] ? `Failure: ${r.Failure[0]}` : r.Error[0];
    if (message) {
      setMessage(group, message);
      clearOutputs(group);
      clearSquares();
      return;
    }
    setMessage(group, "");
    fill(r, group);
    showSquares(m, r, s);
  } catch (error) {
    // A value a column cannot hold (a DMS field that is not a whole
    // number): the package names the column's entry, here the field.
    setMessage(group, error.message.replace("[0]", ""));
    clearOutputs(group);
    clearSquares();
  }
}

// The fields from point 0 of a result of convert().
function fill(r, except) {
  const put = (id, value) => { $(id).value = value; };
  const number = (value) => (Number.isNaN(value) ? "" : String(value));
  if (except !== "deg") {
    put("lat", String(r.Latitude[0]));
    put("lon", String(r.Longitude[0]));
  }
  if (except !== "dms") {
    put("lat-d", String(r.LatDmsDeg[0]));
    put("lat-m", String(r.LatDmsMin[0]));
    put("lat-s", floatText(r.LatDmsSec[0]));
    put("lon-d", String(r.LonDmsDeg[0]));
    put("lon-m", String(r.LonDmsMin[0]));
    put("lon-s", floatText(r.LonDmsSec[0]));
  }
  if (except !== "lambert") {
    put("x", String(r.X[0]));
    put("y", String(r.Y[0]));
  }
  if (except !== "lambert2008") {
    put("x08", number(r.X2008[0]));
    put("y08", number(r.Y2008[0]));
  }
  if (except !== "mgrs") put("mgrs", r.MGRS[0].trim());
  const zone = r.UtmZone[0];
  put("zone", zone ? `${zone} ${r.Hemisphere[0]}` : "");
  put("easting", zone ? String(r.Easting[0]) : "");
  put("northing", zone ? String(r.Northing[0]) : "");
  if (except !== "ifbl") put("ifbl", r.IFBL[0]);
  $("ifbl").placeholder = r.IFBL[0] || except === "ifbl" ? "E4.25.43" : "outside the grid";
  put("ellipsoidal-height", number(r.EllipsoidalHeight[0]));
  put("ostend-height", number(r.OstendHeight[0]));
  // The accuracy statement of the datum changes the point went through.
  $("route").textContent = `Route: ${r.Route[0]}; stated accuracy ${r.Accuracy[0]} m.`;
}

function wireForm() {
  for (const [group, { fields }] of Object.entries(GROUPS)) {
    for (const id of Object.values(fields)) {
      const input = $(id);
      input.addEventListener("input", () => {
        edits++;
        clearTimeout(timer);
        timer = setTimeout(() => convertFrom(group), PAUSE_MS);
      });
      input.addEventListener("keydown", (event) => {
        if (event.key === "Enter") {
          event.preventDefault();
          convertFrom(group);
        }
      });
    }
  }
  $("point").addEventListener("submit", (event) => event.preventDefault());
  for (const id of ["datum-from", "datum-to", "mgrs-precision", "ifbl-precision", "method", "height-kind"]) {
    $(id).addEventListener("change", () => convertFrom(source));
  }
  // The height goes with the point given: editing it converts that point again.
  $("height").addEventListener("input", () => {
    edits++;
    clearTimeout(timer);
    timer = setTimeout(() => convertFrom(source), PAUSE_MS);
  });
  $("height").addEventListener("keydown", (event) => {
    if (event.key === "Enter") {
      event.preventDefault();
      convertFrom(source);
    }
  });
  for (const button of document.querySelectorAll("button.copy[data-copy]")) {
    button.addEventListener("click", () => copy($(button.dataset.copy), button));
  }
}

async function copy(input, button) {
  const label = document.querySelector(`label[for="${input.id}"]`).textContent;
  try {
    await navigator.clipboard.writeText(input.value);
  } catch {
    input.select();
    document.execCommand("copy");
  }
  $("copied").textContent = `${label} copied: ${input.value}`;
  button.focus();
}

// ---- Batch panel ----------------------------------------------------------

const worker = new Worker(new URL("./worker.js", import.meta.url), { type: "module" });
let fileText = null;  // a file read, until the text box is edited
let job = 0;
let download = null;

function wireBatch() {
  const input = $("batch-input");
  input.addEventListener("input", () => { fileText = null; });
  $("batch-file").addEventListener("change", async (event) => {
    const file = event.target.files[0];
    if (file) await readFile(file);
  });
  input.addEventListener("dragover", (event) => {
    event.preventDefault();
    input.classList.add("dragging");
  });
  input.addEventListener("dragleave", () => input.classList.remove("dragging"));
  input.addEventListener("drop", async (event) => {
    event.preventDefault();
    input.classList.remove("dragging");
    const file = event.dataTransfer.files[0];
    if (file) await readFile(file);
  });
  $("batch-convert").addEventListener("click", startBatch);
  $("batch-download").addEventListener("click", () => {
    if (!download) return;
    const a = document.createElement("a");
    a.href = download;
    a.download = "morvane-points.csv";
    document.body.append(a);
    a.click();
    a.remove();
  });
  worker.onmessage = ({ data }) => {
    if (data.id !== job) return;
    if (data.type === "progress") {
      $("batch-progress").max = Math.max(1, data.total);
      $("batch-progress").value = data.done;
      $("batch-status").textContent = `${data.done} of ${data.total} lines`;
    } else if (data.type === "done") {
      finishBatch(data);
    } else {
      $("batch-status").textContent = `Could not convert: ${data.message}`;
      $("batch-convert").disabled = false;
    }
  };
}

async function readFile(file) {
  const text = await file.text();
  const lines = text.split(/\r\n|\n|\r/).length;
  if (text.length <= 1 << 20) {
    $("batch-input").value = text;
    fileText = null;
  } else {
    // A large file is kept as read rather than shown.
    fileText = text;
    $("batch-input").value = "";
  }
  $("batch-status").textContent = `${file.name}: ${lines} lines read; press Convert.`;
}

function startBatch() {
  const text = fileText ?? $("batch-input").value;
  job++;
  $("batch-convert").disabled = true;
  $("batch-download").disabled = true;
  if (download) URL.revokeObjectURL(download);
  download = null;
  $("batch-progress").hidden = false;
  $("batch-progress").value = 0;
  $("batch-status").textContent = "Converting…";
  worker.postMessage({ id: job, text, kind: $("batch-kind").value, settings: settings(),
                       heightKind: $("batch-height-kind").value });
}

function finishBatch(data) {
  $("batch-convert").disabled = false;
  $("batch-progress").value = $("batch-progress").max;
  download = URL.createObjectURL(data.csv);
  $("batch-download").disabled = data.total === 0;
  $("batch-status").textContent =
    `${data.total} lines: ${data.converted} converted, ${data.refused} with a message ` +
    `(${(data.milliseconds / 1000).toFixed(2)} s).`;
  const table = $("batch-preview");
  const head = table.querySelector("thead");
  const body = table.querySelector("tbody");
  head.replaceChildren(row("th", data.header));
  body.replaceChildren(...data.preview.map((cells) => row("td", cells)));
  table.hidden = data.preview.length === 0;
  document.body.dataset.batch = "done";
}

function row(cell, cells) {
  const tr = document.createElement("tr");
  for (const text of cells) {
    const c = document.createElement(cell);
    if (cell === "th") c.scope = "col";
    c.textContent = text;
    tr.append(c);
  }
  return tr;
}

// ---- Start ----------------------------------------------------------------

m = await load();
makeTables();
fillChoices();
wireForm();
wireBatch();
wireSquares();
clearSquares();
showDatums();
// A first point: the Grand-Place in Brussels, in WGS 1984.
if ($("lat").value === "" && $("lon").value === "") {
  $("lat").value = "50.8467";
  $("lon").value = "4.3525";
}
convertFrom(source);
document.body.dataset.ready = "true";
