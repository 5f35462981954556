// Morvane for JavaScript: the core compiled to WebAssembly, behind the
// object of the interface (ZedizAdo) and one call that converts whole
// columns of points through the core's batch call.
//
//   import { load } from "morvane";
//   const m = await load();
//   const z = new m.ZedizAdo();
//
// Works in Node 20 and in current browsers (pages and workers); no
// dependencies.
import createMorvaneModule from "./morvane_wasm.mjs";

const WASM_URL = new URL("./morvane_wasm.wasm", import.meta.url);
// The national agency's grids (BD72 <-> ETRS89 and hBG18), which the
// module is handed at run time: the module itself does not carry them.
const GRIDS_URL = new URL("./morvane_grids.bin", import.meta.url);

// ---- Enumerations and names --------------------------------------------

// The enumerations of the interface, made from the module's table of names
// at the first load(): the same frozen objects as the loaded API's.
export let OriginalCoordinates;
export let InternalDatums;

const OPTION_NAMES = ["datumFrom", "datumTo", "mgrsPrecision", "ifblPrecision", "method", "heightKind",
  "height", "extra"];

// The table's property types as the heap views read them.
const PROPERTY_TYPES = { double: "f64", float: "f32", int32: "i32", int16: "i16", text: "text" };

// The module's tables of names (morvane_names_json): the input kinds with
// the properties each reads, the datums, the properties of the object and
// of the batch call with their types and access, the failure kinds, the
// methods, height kinds and steps of Belgium's systems of today.  Lookups
// are by number, or by name through the core (morvane_kind_by_name,
// morvane_datum_by_name, morvane_method_by_name,
// morvane_height_kind_by_name), so that nothing here writes a name out
// again.  The enumerations are the object's: the kinds and datums the
// tables mark `object` (Lambert 2008 and ETRS89 are convert()'s alone).
function nameTables(json) {
  const names = JSON.parse(json);
  const properties = names.properties.map((p) => Object.freeze({
    name: p.name, type: PROPERTY_TYPES[p.type], get: p.get, put: p.put, output: p.output,
    extra: p.extra, input: p.input,
  }));
  const propertyType = new Map(properties.map((p) => [p.name, p.type]));
  const kinds = new Map();
  for (const k of names.kinds) {
    kinds.set(k.number, Object.freeze({
      number: k.number, key: k.key, columns: Object.freeze([...k.inputs]), object: k.object,
      text: k.inputs.every((name) => propertyType.get(name) === "text"),
    }));
  }
  const datums = new Map(names.datums.map((d) => [d.number, d.key]));
  const objectDatums = new Set(names.datums.filter((d) => d.object).map((d) => d.number));
  const failures = new Map(names.failures.map((f) => [f.code, f.name]));
  const keyed = (rows) => new Map(rows.map((r) => [r.number, r.key]));
  const enumeration = (rows) => Object.freeze(Object.fromEntries(
    rows.filter((r) => r.object).map((r) => [r.member, r.number])));
  return {
    names: deepFreeze(names),
    properties,
    kinds,
    datums,
    objectDatums,
    failures,
    methods: keyed(names.methods),
    heightKinds: keyed(names.heightKinds),
    OriginalCoordinates: enumeration(names.kinds),
    InternalDatums: enumeration(names.datums),
  };
}

function deepFreeze(value) {
  if (value !== null && typeof value === "object") {
    for (const inner of Object.values(value)) deepFreeze(inner);
    Object.freeze(value);
  }
  return value;
}

const TYPES = {
  f64: { bytes: 8, array: Float64Array },
  f32: { bytes: 4, array: Float32Array },
  i32: { bytes: 4, array: Int32Array },
  i16: { bytes: 2, array: Int16Array },
};

// Points converted per call of the batch call: at most CHUNK, and no more
// than fit CHUNK_BYTES of the module's memory with their inputs and
// outputs, so that the working memory stays about that whatever the number
// of points and the length of their texts.  A point alone may take more:
// a text of up to MAX_TEXT_BYTES, which with the texts made of it (the MGRS
// reference kept, the message quoting it) stays well inside the module's
// 2 GiB.
const CHUNK = 65536;
const CHUNK_BYTES = 16 * 2 ** 20;
const MAX_TEXT_BYTES = 2 ** 28;

// ---- Errors -----------------------------------------------------------

// A conversion that failed: an index outside a table, a 16-bit integer
// overflow or a floating-point fault.  `kind` is the failure's name
// ("IndexOutOfRange", ...), `code` its number (1 to 5).  The object is
// left exactly as it was before the call.
export class MorvaneFailure extends Error {
  constructor(kind, code) {
    super(`Conversion failed: ${kind}`);
    this.name = "MorvaneFailure";
    this.kind = kind;
    this.code = code;
  }
}

function describe(value) {
  if (value === null) return "null";
  if (Array.isArray(value)) return "an array";
  if (ArrayBuffer.isView(value)) return `a ${value.constructor.name}`;
  if (typeof value === "string") return `the string ${JSON.stringify(value.slice(0, 40))}`;
  return typeof value === "object" ? "an object" : `${typeof value} ${String(value)}`;
}

function checkNumber(what, value) {
  if (typeof value !== "number") throw new TypeError(`${what} must be a number, not ${describe(value)}`);
  return value;
}

function checkInteger(what, value, low, high) {
  checkNumber(what, value);
  if (!Number.isInteger(value) || value < low || value > high) {
    throw new RangeError(`${what} must be a whole number from ${low} to ${high}, not ${value}`);
  }
  return value;
}

// A finite number that a 32-bit float cannot hold (it would become an
// infinity) is refused.
function checkFloat32(what, value) {
  if (Number.isFinite(value) && !Number.isFinite(Math.fround(value))) {
    throw new RangeError(`${what} must fit a 32-bit float, not ${value}`);
  }
  return value;
}

// The C interface's code for memory that could not be had
// (MORVANE_E_NO_MEMORY in morvane.h).
const MORVANE_E_NO_MEMORY = -8;
// The batch call's defaults, the object's: the three-parameter shifts and
// no heights (MORVANE_METHOD_SHIFT and MORVANE_HEIGHT_NONE in morvane.h).
const METHOD_SHIFT = 0;
const HEIGHT_NONE = 0;

// The built-in typed arrays, and their own getters of length, buffer,
// offset and name: a typed array column is read through these, so that a
// subclass's overrides (a length or a subarray that lies) change nothing.
const TYPED_ARRAYS = new Map([Float64Array, Float32Array, Int8Array, Uint8Array, Uint8ClampedArray,
  Int16Array, Uint16Array, Int32Array, Uint32Array, BigInt64Array, BigUint64Array]
  .map((Kind) => [Kind.name, Kind]));
const typedArrayGetter = (key) =>
  Object.getOwnPropertyDescriptor(Object.getPrototypeOf(Int8Array.prototype), key).get;
const typedLength = typedArrayGetter("length");
const typedBuffer = typedArrayGetter("buffer");
const typedOffset = typedArrayGetter("byteOffset");
const typedName = typedArrayGetter(Symbol.toStringTag);

// Elements [start, start + count) of a typed array, as a built-in typed
// array of its own kind on its memory.
function typedPart(column, start, count) {
  const Kind = TYPED_ARRAYS.get(typedName.call(column));
  return new Kind(typedBuffer.call(column), typedOffset.call(column) + start * Kind.BYTES_PER_ELEMENT, count);
}

// The length of a column: a typed array's own.
function columnLength(column) {
  return ArrayBuffer.isView(column) ? typedLength.call(column) : column.length;
}

const LIMITS = {
  i16: [-32768, 32767],
  i32: [-2147483648, 2147483647],
};

// ---- Loading ------------------------------------------------------------

const inNode = () => typeof process === "object" && process !== null && process.versions != null &&
                     process.versions.node != null;

// The bytes of a file: read from the disk in Node (whose fetch does not
// read files), fetched elsewhere.
async function fileBytes(url) {
  if (inNode() && url.protocol === "file:") {
    const { readFile } = await import("node:fs/promises");
    return readFile(url);
  }
  const response = await fetch(url);
  if (!response.ok) throw new Error(`morvane: cannot load ${url.href} (${response.status})`);
  return new Uint8Array(await response.arrayBuffer());
}

const wasmBytes = () => fileBytes(WASM_URL);

// Where grids may come from: true (the package's file), a URL or a text
// naming one (in Node a file path too), or the bytes themselves.
function checkGridSource(what, source) {
  const ok = source === true || typeof source === "string" || source instanceof URL ||
             source instanceof ArrayBuffer || ArrayBuffer.isView(source);
  if (!ok) {
    throw new TypeError(`${what}: the grids are true, a URL, a file path or the bytes of morvane_grids.bin, not ${describe(source)}`);
  }
  if (typeof source === "string" && (source === "" || source.includes("\0"))) {
    throw new TypeError(`${what}: ${describe(source)} names no file`);
  }
}

// The bytes of the grids from a source that checkGridSource took.
async function gridBytes(source) {
  if (source === undefined || source === true) return fileBytes(GRIDS_URL);
  if (source instanceof ArrayBuffer) return new Uint8Array(source);
  if (ArrayBuffer.isView(source)) return new Uint8Array(source.buffer, source.byteOffset, source.byteLength);
  if (source instanceof URL) return fileBytes(source);
  if (inNode() && !/^(?:file|https?|data|blob):/i.test(source)) {
    const { pathToFileURL } = await import("node:url");
    return fileBytes(pathToFileURL(source));
  }
  // A URL, relative to the page or worker (as fetch reads it).
  return fileBytes(new URL(source, globalThis.location?.href ?? import.meta.url));
}

let defaultInstance = null;

/**
 * Loads the WebAssembly module and gives the package's API on it.  The
 * first call loads; later calls without wasmBinary give the same instance.
 * `options.wasmBinary` hands the module's bytes in (when the package's
 * `.wasm` file is served from elsewhere).  `options.grids` loads the
 * national agency's grids too before it resolves (as loadGrids() does):
 * true for the package's morvane_grids.bin, or a URL, a file path (Node)
 * or the file's bytes.
 */
export function load(options = {}) {
  if (options === null || typeof options !== "object") {
    throw new TypeError(`load() takes an options object, not ${describe(options)}`);
  }
  const { wasmBinary, grids } = options;
  if (grids !== undefined && grids !== false) checkGridSource("load()", grids);
  let instance;
  if (wasmBinary === undefined) {
    defaultInstance ??= instantiate(undefined).catch((error) => {
      defaultInstance = null;
      throw error;
    });
    instance = defaultInstance;
  } else {
    instance = instantiate(wasmBinary);
  }
  if (grids === undefined || grids === false) return instance;
  return instance.then(async (api) => {
    await api.loadGrids(grids);
    return api;
  });
}

async function instantiate(binary) {
  const wasmBinary = binary ?? (await wasmBytes());
  const mod = await createMorvaneModule({ wasmBinary });
  return bind(mod, await heapStatistics());
}

// In Node, how full V8's heap is (node:v8), for convert() to refuse a
// result that cannot fit instead of ending the process; elsewhere nothing.
async function heapStatistics() {
  if (!inNode()) return null;
  try {
    const v8 = await import("node:v8");
    return typeof v8.getHeapStatistics === "function" ? v8.getHeapStatistics : null;
  } catch {
    return null;
  }
}

// ---- The API on one module instance -------------------------------------

function bind(mod, heapStatistics) {
  const encoder = new TextEncoder();
  // A byte-order mark at the start of a text is a character of it: kept.
  const utf8 = new TextDecoder("utf-8", { ignoreBOM: true });

  // The module's memory holds at most 2 GiB, and its malloc takes a
  // 32-bit size: every size is checked in full before it is asked for.
  const MEMORY_LIMIT = 2 ** 31;
  function allocate(bytes, what) {
    if (!Number.isSafeInteger(bytes) || bytes < 0 || bytes >= MEMORY_LIMIT) {
      throw new RangeError(`${what}: ${bytes} bytes do not fit in the module's memory (2 GiB)`);
    }
    const pointer = mod._malloc(bytes);
    if (!pointer) throw new RangeError(`${what}: out of memory`);
    return pointer;
  }

  // A failure of a call of the C interface (a negative code): running out
  // of memory is a RangeError, anything else an Error.
  function callFailed(what, code) {
    const text = `${what}: ${cString(mod._morvane_failure_name(code))}`;
    return code === MORVANE_E_NO_MEMORY ? new RangeError(text) : new Error(text);
  }

  // Scratch memory: a number read back, and texts in and out.  The text
  // slot is replaced only once the new one is had, so that a failed
  // allocation leaves it as it was; one grown past SCRATCH_KEPT for a long
  // text is given back after that use.
  const numberSlot = allocate(8, "morvane");
  let textSlot = allocate(256, "morvane");
  let textSlotSize = 256;
  const SCRATCH_KEPT = 2 ** 20;
  function textRoom(bytes) {
    if (bytes > textSlotSize) {
      const size = bytes < SCRATCH_KEPT ? Math.max(bytes, 2 * textSlotSize) : bytes;
      let pointer;
      try {
        pointer = allocate(size, "morvane");
      } catch (error) {
        // Perhaps there is room once the old slot is given back.
        if (!(error instanceof RangeError) || !textSlot || size >= MEMORY_LIMIT) throw error;
        mod._free(textSlot);
        textSlot = 0;
        textSlotSize = 0;
        pointer = allocate(size, "morvane");
      }
      if (textSlot) mod._free(textSlot);
      textSlot = pointer;
      textSlotSize = size;
    }
    return textSlot;
  }
  function shrinkTextRoom() {
    if (textSlotSize > SCRATCH_KEPT || !textSlot) {
      const pointer = mod._malloc(256);
      if (!pointer) return;
      if (textSlot) mod._free(textSlot);
      textSlot = pointer;
      textSlotSize = 256;
    }
  }

  function cString(pointer) {
    const heap = mod.HEAPU8;
    let end = pointer;
    while (heap[end] !== 0) end++;
    return utf8.decode(heap.subarray(pointer, end));
  }

  const version = cString(mod._morvane_version());
  const namesJson = mod._morvane_names_json();
  if (!namesJson) throw new RangeError("morvane: out of memory");
  const tables = nameTables(cString(namesJson));
  OriginalCoordinates ??= tables.OriginalCoordinates;
  InternalDatums ??= tables.InternalDatums;

  // convert() runs the caller's code while it reads its columns and
  // options (getters, Proxies), with the module's memory in use: no call
  // into the module may run inside it.  Calls that use the scratch memory
  // mark it in use too.
  let busy = false;
  function refuseNested(what) {
    if (busy) {
      throw new Error(`morvane: ${what} was called while convert() runs (from a column's or an option's getter); calls into the module do not nest`);
    }
  }

  // A text get: the full length first, then the text itself.
  function getText(what, getter, handle) {
    refuseNested(what);
    busy = true;
    try {
      const length = getter(handle, 0, 0);
      if (length < 0) throw callFailed(what, length);
      const slot = textRoom(length + 1);
      const again = getter(handle, slot, length + 1);
      if (again < 0) throw callFailed(what, again);
      if (again !== length) throw new Error(`${what}: the text changed while it was read`);
      return utf8.decode(mod.HEAPU8.subarray(slot, slot + length));
    } finally {
      shrinkTextRoom();
      busy = false;
    }
  }

  // A text put: the text in the scratch slot, then the setter; nothing is
  // stored when it fails.
  function putText(what, setter, handle, value) {
    if (typeof value !== "string") throw new TypeError(`${what} must be a string, not ${describe(value)}`);
    if (value.includes("\0")) throw new TypeError(`${what} must not contain a NUL character`);
    refuseNested(what);
    busy = true;
    try {
      const bytes = encoder.encode(value);
      const slot = textRoom(bytes.length + 1);
      mod.HEAPU8.set(bytes, slot);
      mod.HEAPU8[slot + bytes.length] = 0;
      const status = setter(handle, slot);
      if (status < 0) throw callFailed(what, status);
    } finally {
      shrinkTextRoom();
      busy = false;
    }
  }

  // Objects that are never disposed are freed when collected.
  const registry = new FinalizationRegistry((handle) => mod._morvane_free(handle));

  // The object's handle is a private field: a copy of an object
  // (Object.assign, a spread, Object.create of the prototype) has none, and
  // every use of one throws a TypeError instead of reading or freeing
  // another object's memory.
  let ownHandle;
  const handleOf = (object) => {
    const handle = ownHandle(object);
    if (!handle) throw new TypeError("ZedizAdo: the object was disposed");
    return handle;
  };

  class ZedizAdo {
    #handle = 0;

    static {
      // The handle, 0 once disposed; a TypeError for anything else.
      ownHandle = (object) => {
        if (object === null || typeof object !== "object" || !(#handle in object)) {
          throw new TypeError("ZedizAdo: not an object made by new ZedizAdo() (a copy has no memory of its own)");
        }
        return object.#handle;
      };
    }

    constructor() {
      refuseNested("new ZedizAdo()");
      const handle = mod._morvane_new();
      if (!handle) throw new RangeError("ZedizAdo: out of memory");
      this.#handle = handle;
      registry.register(this, handle, this);
    }

    /** Converts the input that OrigType names into every other representation. */
    Conversion() {
      refuseNested("Conversion()");
      const status = mod._morvane_conversion(handleOf(this));
      if (status === 0) return;
      if (status > 0) throw new MorvaneFailure(cString(mod._morvane_failure_name(status)), status);
      throw new Error(`ZedizAdo: ${cString(mod._morvane_failure_name(status))}`);
    }

    /** Empties Error and clears X, Y, OrigType, MGRS, IFBL, Latitude, Longitude, Northing, Easting. */
    Reset() {
      refuseNested("Reset()");
      mod._morvane_reset(handleOf(this));
    }

    /** Frees the object's memory; the object cannot be used afterwards. */
    dispose() {
      const handle = ownHandle(this);
      if (!handle) return;
      refuseNested("dispose()");
      this.#handle = 0;
      registry.unregister(this);
      mod._morvane_free(handle);
    }

    get disposed() {
      return !ownHandle(this);
    }
  }
  if (typeof Symbol.dispose === "symbol") ZedizAdo.prototype[Symbol.dispose] = ZedizAdo.prototype.dispose;

  // The properties of the table: numbers through the module's heap views,
  // texts through the scratch text; a property without get (DatumFrom,
  // DatumDest) is write-only, one without put (Error) read-only.
  const TEXT_SETTERS = {
    MGRS: (handle, text) => mod._morvane_set_MGRS(handle, text),
    IFBL: (handle, text) => mod._morvane_set_IFBL(handle, text, 0, 0),
  };
  // The object's properties only: the batch call's columns of today's
  // systems (extra outputs, the height input) are no property of it.
  for (const { name, type, get: readable, put: writable } of tables.properties.filter((p) => p.get || p.put)) {
    const get = mod[`_morvane_get_${name}`];
    const set = type === "text" ? TEXT_SETTERS[name] : mod[`_morvane_set_${name}`];
    let read;
    let write;
    if (type === "text") {
      read = (handle) => getText(name, get, handle);
      write = (handle, value) => putText(name, set, handle, value);
    } else {
      const shift = Math.log2(TYPES[type].bytes);
      const view = { f64: "HEAPF64", f32: "HEAPF32", i32: "HEAP32", i16: "HEAP16" }[type];
      const limits = LIMITS[type];
      read = (handle) => {
        refuseNested(name);
        get(handle, numberSlot);
        return mod[view][numberSlot >> shift];
      };
      write = (handle, value) => {
        if (limits) checkInteger(name, value, limits[0], limits[1]);
        else checkNumber(name, value);
        if (type === "f32") checkFloat32(name, value);
        refuseNested(name);
        set(handle, value);
      };
    }
    Object.defineProperty(ZedizAdo.prototype, name, {
      enumerable: true,
      get: readable && get ? function () { return read(handleOf(this)); }
                           : () => { throw new TypeError(`${name} is write-only`); },
      set: writable && set ? function (value) { write(handleOf(this), value); }
                           : () => { throw new TypeError(`${name} is read-only`); },
    });
  }

  // ---- convert() ----------------------------------------------------------

  // What convert() returns: every number the batch call writes, then its
  // texts, in the order of the table (the input kind and the precisions are
  // settings, not outputs).
  const OUTPUTS = tables.properties.filter((p) => p.output && p.type !== "text").map((p) => [p.name, p.type]);
  const TEXT_OUTPUTS = tables.properties.filter((p) => p.output && p.type === "text").map((p) => p.name);
  const propertyType = new Map(tables.properties.map((p) => [p.name, p.type]));
  // The columns of Belgium's systems of today (morvane_batch_extra's
  // version 2), in the order of the table: numbers but the Route, whose
  // steps are given as bits (RouteSteps) and as text (Route).
  const TODAY_OUTPUTS = tables.properties.filter((p) => p.extra && p.name !== "Route").map((p) => [p.name, p.type]);
  const HEIGHT_TYPE = propertyType.get("Height");

  // Offsets of the batch structs' fields in this module's memory, in the
  // order of layout.cpp.
  const layout = (() => {
    const names = ["OrigType", "DatumFrom", "DatumDest", "mgrsPrecision", "IfblPrecision",
      "Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg", "LonDmsMin",
      "LonDmsSec", "X", "Y", "Texts", "TextData", "TextWidth"];
    const outNames = ["Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg",
      "LonDmsMin", "LonDmsSec", "X", "Y", "Northing", "Easting", "MGRS.data", "MGRS.width",
      "IFBL.data", "IFBL.width", "Error.data", "Error.width", "Failure"];
    const extraNames = ["UtmZone", "Hemisphere", "Progress", "ProgressContext",
      "Method", "HeightKind", "Height", "X2008", "Y2008", "EllipsoidalHeight", "OstendHeight", "Route",
      "Accuracy"];
    // The squares' request and result (morvane_square_request, morvane_square).
    const requestNames = ["sizeField", "kind", "datum_code", "datum_known", "datum_out", "method", "densify"];
    const squareNames = ["zone", "hemisphere", "width", "height", "centre_x", "centre_y", "centre_latitude",
      "centre_longitude", "corner_count", "corner_x", "corner_y", "corner_latitude", "corner_longitude",
      "radius", "uncertainty", "cut", "route"];
    const at = mod._morvane_web_layout() >> 2;
    const v = mod.HEAP32.subarray(at, at + 6 + names.length + outNames.length + extraNames.length +
                                  requestNames.length + squareNames.length);
    let next = 0;
    const struct = (fields) => {
      const offsets = { size: v[next++] };
      for (const n of fields) offsets[n] = v[next++];
      return offsets;
    };
    const input = struct(names);
    const output = struct(outNames);
    const extra = struct(extraNames);
    // The request's own first field, its size, is "sizeField" here.
    const squareRequest = struct(requestNames);
    const square = struct(squareNames);
    square.maxCorners = v[next++];
    return { input, output, extra, squareRequest, square };
  })();

  // A kind's, datum's, method's or height kind's number from its name,
  // found by the core as the tool and the Python package find it (any
  // case, blanks ignored, member names too); `none` (what the core's
  // function gives) when nothing matches.
  function numberByName(find, text, none = 0) {
    if (text.includes("\0")) return none;
    try {
      const bytes = encoder.encode(text);
      const slot = textRoom(bytes.length + 1);
      mod.HEAPU8.set(bytes, slot);
      mod.HEAPU8[slot + bytes.length] = 0;
      return find(slot);
    } finally {
      shrinkTextRoom();
    }
  }

  const datumKeys = [...tables.datums.values()];
  const datumList = `${datumKeys.slice(0, -1).join(", ")} or ${datumKeys.at(-1)}`;
  const datumLow = Math.min(...tables.datums.keys());
  const datumHigh = Math.max(...tables.datums.keys());

  function datumNumber(what, value) {
    if (typeof value === "string") {
      const number = numberByName(mod._morvane_datum_by_name, value);
      if (!tables.datums.has(number)) {
        throw new RangeError(`${what}: unknown datum ${JSON.stringify(value)} (${datumList})`);
      }
      return number;
    }
    if (typeof value === "number") {
      checkInteger(what, value, datumLow, datumHigh);
      if (!tables.datums.has(value)) throw new RangeError(`${what}: no datum ${value}`);
      return value;
    }
    throw new TypeError(`${what} must be a datum name (${datumKeys.join(", ")}) or number, not ${describe(value)}`);
  }

  // A method or height kind: its key (or number as text) through the core,
  // or its number; `table` maps the numbers to the keys.
  function settingNumber(what, value, find, table) {
    const keys = [...table.values()];
    const list = `${keys.slice(0, -1).map((k) => `"${k}"`).join(", ")} or "${keys.at(-1)}"`;
    if (typeof value === "string") {
      const number = numberByName(find, value, -1);
      if (!table.has(number)) throw new RangeError(`${what}: unknown ${what} ${JSON.stringify(value)} (${list})`);
      return number;
    }
    if (typeof value === "number") {
      if (!table.has(value)) throw new RangeError(`${what}: no ${what} ${value} (${list})`);
      return value;
    }
    throw new TypeError(`${what} must be ${list}, not ${describe(value)}`);
  }

  // The kind of convert(): its name, as for datums.
  function kindOf(kind) {
    const entry = typeof kind === "string" ? tables.kinds.get(numberByName(mod._morvane_kind_by_name, kind)) : undefined;
    if (entry === undefined) {
      const keys = [...tables.kinds.values()].map((k) => k.key);
      throw new TypeError(`convert(): the kind must be one of ${keys.join(", ")}, not ${describe(kind)}`);
    }
    return entry;
  }

  // The options, each read once (a getter runs once).  Heights: a column
  // `height` with its `heightKind`, both or neither.
  function readOptions(options) {
    for (const key of Object.keys(options)) {
      if (!OPTION_NAMES.includes(key)) {
        throw new TypeError(`convert(): unknown option ${JSON.stringify(key)} (${OPTION_NAMES.join(", ")})`);
      }
    }
    const settings = {
      datumFrom: datumNumber("datumFrom", options.datumFrom ?? tables.InternalDatums.mvWGS1984),
      datumTo: datumNumber("datumTo", options.datumTo ?? tables.InternalDatums.mvWGS1984),
      mgrsPrecision: checkInteger("mgrsPrecision", options.mgrsPrecision ?? 1, LIMITS.i32[0], LIMITS.i32[1]),
      ifblPrecision: checkInteger("ifblPrecision", options.ifblPrecision ?? 6, LIMITS.i16[0], LIMITS.i16[1]),
      method: settingNumber("method", options.method ?? METHOD_SHIFT, mod._morvane_method_by_name, tables.methods),
      heightKind: settingNumber("heightKind", options.heightKind ?? HEIGHT_NONE, mod._morvane_height_kind_by_name,
                                tables.heightKinds),
      height: options.height ?? null,
      extra: options.extra,
    };
    if (settings.extra !== undefined && typeof settings.extra !== "boolean") {
      throw new TypeError(`extra must be true or false, not ${describe(settings.extra)}`);
    }
    if (settings.height !== null && !isColumn(settings.height)) {
      throw new TypeError(`height must be an array or a typed array of heights, not ${describe(settings.height)}`);
    }
    if (settings.heightKind !== HEIGHT_NONE && settings.height === null) {
      throw new TypeError(`convert(): heightKind "${tables.heightKinds.get(settings.heightKind)}" needs the heights, the option height`);
    }
    if (settings.heightKind === HEIGHT_NONE && settings.height !== null) {
      const kinds = [...tables.heightKinds].filter(([n]) => n !== HEIGHT_NONE).map(([, key]) => `"${key}"`);
      throw new TypeError(`convert(): the heights need their kind, the option heightKind (${kinds.join(" or ")})`);
    }
    return settings;
  }

  function isColumn(value) {
    return Array.isArray(value) || (ArrayBuffer.isView(value) && typedName.call(value) !== undefined);
  }

  // Copies points [start, start + count) of a numeric column into memory.
  // A missing value (null or undefined) in a column of doubles or floats is
  // a point that names no position (NaN); in a whole-number column it is
  // written 0 and its place in the chunk returned, for convert() to make
  // the point one that names no position.  Whole-number columns need whole
  // numbers, and seconds must fit a 32-bit float.
  function copyNumbers(name, column, type, start, count, pointer) {
    const Target = TYPES[type].array;
    const limits = LIMITS[type];
    const holes = [];
    if (ArrayBuffer.isView(column)) {
      const part = typedPart(column, start, count);
      if (part instanceof BigInt64Array || part instanceof BigUint64Array) {
        throw new TypeError(`${name} must hold numbers, not big integers`);
      }
      if (limits && !(part instanceof Target)) {
        for (let i = 0; i < count; i++) checkInteger(`${name}[${start + i}]`, part[i], limits[0], limits[1]);
      }
      if (type === "f32" && part instanceof Float64Array) {
        for (let i = 0; i < count; i++) checkFloat32(`${name}[${start + i}]`, part[i]);
      }
      new Target(mod.HEAPU8.buffer, pointer, count).set(part);
      return holes;
    }
    const view = new Target(mod.HEAPU8.buffer, pointer, count);
    for (let i = 0; i < count; i++) {
      let value = column[start + i];
      if (value == null) {
        if (limits) holes.push(i);
        value = limits ? 0 : NaN;
      } else if (limits) {
        checkInteger(`${name}[${start + i}]`, value, limits[0], limits[1]);
      } else if (typeof value !== "number") {
        checkNumber(`${name}[${start + i}]`, value);
      } else if (type === "f32") {
        checkFloat32(`${name}[${start + i}]`, value);
      }
      view[i] = value;
    }
    return holes;
  }

  // Encodes points of a text column from `start` on, as many as a chunk
  // takes: at most `most`, and no more than fit CHUNK_BYTES at the width of
  // the widest of them (`rowBytes(width)` a point); one point at least.
  // A missing value (null or undefined) is an empty text, which names no
  // point.  A text longer than MAX_TEXT_BYTES is refused.
  function encodeTexts(name, column, start, most, rowBytes) {
    const encoded = [];
    let width = 1;
    let total = 0;
    for (let i = 0; i < most; i++) {
      const value = column[start + i] ?? "";
      if (typeof value !== "string") {
        throw new TypeError(`${name}[${start + i}] must be a string, not ${describe(value)}`);
      }
      if (value.includes("\0")) throw new TypeError(`${name}[${start + i}] must not contain a NUL character`);
      const bytes = encoder.encode(value);
      if (bytes.length > MAX_TEXT_BYTES) {
        throw new RangeError(`${name}[${start + i}] is ${bytes.length} bytes long in UTF-8; a text of convert() has at most ${MAX_TEXT_BYTES}`);
      }
      const wider = Math.max(width, bytes.length);
      if (i > 0 && (i + 1) * rowBytes(wider) > CHUNK_BYTES) break;  // the next chunk's first
      width = wider;
      total += bytes.length;
      encoded.push(bytes);
    }
    return { encoded, width, bytes: total };
  }

  // IFBL squares repeat (some 60 000 squares of 1 km in the grid's extent):
  // each code is made once and found again by its six bytes, read as two
  // numbers, in a table of open addressing (a Map costs several times more
  // a point).  The table is emptied when three quarters full.  Only a
  // column six bytes wide is read so, the width of the codes the core
  // writes; a wider one holds texts given as input, read as any texts.
  const SQUARE_WIDTH = 6;
  const SQUARE_BITS = 17;
  const SQUARE_SLOTS = 1 << SQUARE_BITS;
  // Made at the first batch with IFBL codes (1.5 MB): objects alone need none.
  let squareKeys = null;
  let squareTexts = null;
  let squareCount = 0;
  const squareSlot = (high, low) =>
    Math.imul(high ^ Math.imul(low, 0x85ebca6b), 0x9e3779b1) >>> (32 - SQUARE_BITS);
  function squareText(high, low, base) {
    if (squareKeys === null) {
      squareKeys = new Float64Array(SQUARE_SLOTS).fill(-1);
      squareTexts = new Array(SQUARE_SLOTS).fill("");
    }
    const key = high * 65536 + low;  // the six bytes, exactly
    let slot = squareSlot(high, low);
    for (let k = squareKeys[slot]; k !== -1; k = squareKeys[slot]) {
      if (k === key) return squareTexts[slot];
      slot = (slot + 1) & (SQUARE_SLOTS - 1);
    }
    if (squareCount >= (SQUARE_SLOTS >> 2) * 3) {
      squareKeys.fill(-1);
      squareCount = 0;
      slot = squareSlot(high, low);
    }
    const heap = mod.HEAPU8;
    let length = 1;
    while (length < SQUARE_WIDTH && heap[base + length] !== 0) length++;
    const text = utf8.decode(heap.subarray(base, base + length));
    squareKeys[slot] = key;
    squareTexts[slot] = text;
    squareCount++;
    return text;
  }
  function readSquares(pointer, count, out, at) {
    const bytes = new DataView(mod.HEAPU8.buffer);
    for (let i = 0, base = pointer; i < count; i++, base += SQUARE_WIDTH) {
      const high = bytes.getUint32(base, true);
      out[at + i] = (high & 0xff) === 0 ? "" : squareText(high, bytes.getUint16(base + 4, true), base);
    }
  }

  // Texts of a fixed-width column, each up to its first null byte.  The
  // column is decoded at once; when that gives one character a byte (ASCII
  // texts: references, codes), its entries are slices of it.  Otherwise a
  // character spans bytes somewhere (or a byte-order mark was taken), and
  // each entry is decoded by itself.  An entry that fills its width (the
  // usual case: the width is that of the longest text) needs no search for
  // its end.
  function readTexts(pointer, width, count, out, at) {
    const heap = mod.HEAPU8;
    if (width === 0) {
      out.fill("", at, at + count);
      return;
    }
    let whole = null;
    let oneByteEach = true;
    for (let i = 0, base = pointer; i < count; i++, base += width) {
      if (heap[base] === 0) {
        out[at + i] = "";
        continue;
      }
      if (whole === null) {
        whole = utf8.decode(heap.subarray(pointer, pointer + count * width));
        oneByteEach = whole.length === count * width;
      }
      let length = width;
      if (heap[base + width - 1] === 0) {
        length = 1;
        while (heap[base + length] !== 0) length++;
      }
      out[at + i] = oneByteEach ? whole.substring(i * width, i * width + length)
                                : utf8.decode(heap.subarray(base, base + length));
    }
  }

  // Working memory of the batch call, kept between calls and grown as needed.
  let work = 0;
  let workSize = 0;
  function workRoom(bytes) {
    if (bytes > workSize) {
      if (work) mod._free(work);
      work = 0;
      workSize = 0;
      work = allocate(bytes, "convert()");
      workSize = bytes;
    }
    return work;
  }

  let textWork = 0;
  let textWorkSize = 0;
  function textOutputRoom(bytes) {
    if (bytes > textWorkSize) {
      if (textWork) mod._free(textWork);
      textWork = 0;
      textWorkSize = 0;
      textWork = allocate(Math.max(bytes, 8), "convert()");
      textWorkSize = Math.max(bytes, 8);
    }
    return textWork;
  }

  // Working memory grown past its usual size for a long text is given back
  // after the call.
  function shrinkWork() {
    if (workSize > 2 * CHUNK_BYTES) {
      mod._free(work);
      work = 0;
      workSize = 0;
    }
    if (textWorkSize > 2 * CHUNK_BYTES) {
      mod._free(textWork);
      textWork = 0;
      textWorkSize = 0;
    }
  }

  // What a result takes of V8's heap beyond its typed arrays (which lie
  // outside it): five arrays of strings, 8 bytes an entry, and a point's
  // MGRS reference and message, some 90 bytes a point in all in Node 20;
  // a text given as input may come back twice (kept, and quoted in the
  // message), in UTF-16 at worst.  In Node a result that would not fit in
  // what is left of the heap, with some room to spare, is refused before
  // it is made: V8 ends the process when its heap is full.  Browsers tell
  // nothing of their heap: there the call converts chunk by chunk, and the
  // memory it takes beyond the result stays about one chunk's.
  const HEAP_POINT_BYTES = 96;
  const HEAP_SPARE = 32 * 2 ** 20;
  function checkHeap(points, textBytes) {
    if (!heapStatistics) return;
    const needed = points * HEAP_POINT_BYTES + 4 * textBytes;
    const { heap_size_limit: limit, used_heap_size: used } = heapStatistics();
    if (used + needed + HEAP_SPARE > limit) {
      const mb = (bytes) => Math.round(bytes / 2 ** 20);
      throw new RangeError(`convert(): the results of ${points} points need about ${mb(needed)} MB of the JavaScript heap, and ${mb(Math.max(0, limit - used))} MB of it are left (node --max-old-space-size sets its size); convert fewer points at a time`);
    }
  }

  // The text of a Route's steps, as the core writes it (morvane_route_text,
  // from its table of steps); at most one text for each of the few routes.
  const routeTexts = new Map();
  function routeText(route) {
    let text = routeTexts.get(route);
    if (text === undefined) {
      const length = mod._morvane_route_text(route, 0, 0);
      if (length < 0) throw callFailed("convert()", length);
      const slot = textRoom(length + 1);
      mod._morvane_route_text(route, slot, length + 1);
      text = utf8.decode(mod.HEAPU8.subarray(slot, slot + length));
      routeTexts.set(route, text);
    }
    return text;
  }

  // ---- The national agency's grids ----------------------------------------

  // The module is handed the grids once, by the first loadGrids() that
  // succeeds; later calls find them there.  A load that fails leaves the
  // module without grids, and the next call tries again.
  const gridsLoaded = () => mod._morvane_grids_loaded() === 1;
  let gridsLoading = null;

  /**
   * Loads the national agency's grids (BD72 <-> ETRS89 and the hBG18
   * quasi-geoid) into the module, which convert() needs for the method
   * "grid" and for heights: from the package's morvane_grids.bin beside
   * index.js, or from `source` (a URL, a file path in Node, or the file's
   * bytes).  Resolves once they are there; the first grids loaded stay.
   */
  function loadGrids(source) {
    if (source !== undefined) checkGridSource("loadGrids()", source);
    if (gridsLoaded()) return Promise.resolve();
    gridsLoading ??= (async () => {
      const bytes = await gridBytes(source);
      refuseNested("loadGrids()");
      if (gridsLoaded()) return;
      const pointer = allocate(Math.max(1, bytes.length), "loadGrids()");
      let status;
      try {
        mod.HEAPU8.set(bytes, pointer);
        status = mod._morvane_load_grids(pointer, bytes.length);
      } finally {
        mod._free(pointer);
      }
      if (status === MORVANE_E_NO_MEMORY) throw callFailed("loadGrids()", status);
      if (status !== 0) {
        throw new Error(`loadGrids(): these ${bytes.length} bytes are not the grids of the package (morvane_grids.bin)`);
      }
    })().finally(() => {
      gridsLoading = null;
    });
    return gridsLoading;
  }

  // Sizes are whole numbers of bytes computed in full (never in 32 bits).
  const align8 = (n) => Math.ceil(n / 8) * 8;

  /**
   * Converts columns of points of one kind: convert("deg", latitudes,
   * longitudes, { datumFrom: "wgs84", datumTo: "bd72" }).  Returns one
   * array per output, named as the object's properties.
   */
  function convert(kind, ...args) {
    refuseNested("convert()");
    busy = true;
    try {
      return convertColumns(kind, args);
    } finally {
      shrinkWork();
      busy = false;
    }
  }

  function convertColumns(kind, args) {
    const kindLayout = kindOf(kind);
    let options = {};
    const last = args[args.length - 1];
    if (args.length > kindLayout.columns.length && last !== null && typeof last === "object" && !isColumn(last)) {
      options = args.pop();
    } else if (args.length > kindLayout.columns.length && last === undefined) {
      args.pop();
    }
    if (args.length !== kindLayout.columns.length) {
      throw new TypeError(`convert("${kind}") takes ${kindLayout.columns.length} column(s) (${kindLayout.columns.join(", ")}) and options, not ${args.length} argument(s)`);
    }
    const settings = readOptions(options);
    args.forEach((column, i) => {
      if (!isColumn(column)) {
        throw new TypeError(`${kindLayout.columns[i]} must be an array or a typed array, not ${describe(column)}`);
      }
    });
    const lengths = args.map(columnLength);
    const n = lengths[0];
    lengths.forEach((length, i) => {
      if (length !== n) {
        throw new RangeError(`${kindLayout.columns[i]} has ${length} points, ${kindLayout.columns[0]} ${n}`);
      }
    });
    const heights = settings.heightKind !== HEIGHT_NONE;
    if (heights && columnLength(settings.height) !== n) {
      throw new RangeError(`height has ${columnLength(settings.height)} points, ${kindLayout.columns[0]} ${n}`);
    }
    // Belgium's systems of today: a kind or datum that the object does
    // not take, the agency's grid or heights.  Their columns come with
    // them, or when asked for (extra: true); without, the result is the
    // object's alone.
    const today = !kindLayout.object || !tables.objectDatums.has(settings.datumFrom) ||
                  !tables.objectDatums.has(settings.datumTo) || settings.method !== METHOD_SHIFT || heights;
    const extra = settings.extra ?? today;
    if ((settings.method !== METHOD_SHIFT || heights) && !gridsLoaded()) {
      const needs = [settings.method !== METHOD_SHIFT ? `the method "${tables.methods.get(settings.method)}"` : "",
                     heights ? "heights" : ""].filter(Boolean).join(" and ");
      throw new Error(`convert(): ${needs} need the national agency's grids, which are not loaded yet: await m.loadGrids() first (or load({ grids: true }))`);
    }

    checkHeap(n, 0);
    const result = {};
    for (const [name, type] of OUTPUTS) result[name] = new TYPES[type].array(n);
    for (const name of TEXT_OUTPUTS) result[name] = new Array(n);
    result.Failure = new Array(n);
    result.UtmZone = new Int16Array(n);
    result.Hemisphere = new Array(n);
    if (extra) {
      for (const [name, type] of TODAY_OUTPUTS) result[name] = new TYPES[type].array(n);
      result.Route = new Array(n);
      result.RouteSteps = new Int32Array(n);
    }

    // What one point takes of the working memory, but its texts: its
    // number outputs, failure, zone and hemisphere, its number inputs, and
    // today's columns and its height when the call has them.
    let pointBytes = 4 + 2 + 1;
    for (const [, type] of OUTPUTS) pointBytes += TYPES[type].bytes;
    if (!kindLayout.text) {
      for (const name of kindLayout.columns) pointBytes += TYPES[propertyType.get(name)].bytes;
    }
    if (extra) pointBytes += 4 + TODAY_OUTPUTS.reduce((sum, [, type]) => sum + TYPES[type].bytes, 0);
    if (heights) pointBytes += TYPES[HEIGHT_TYPE].bytes;
    // With its texts: a text input of `width` bytes, and output texts no
    // wider than it or than the longest reference, code or message.
    const TEXT_ALLOWANCE = 256;
    const rowBytes = kindLayout.text ? (width) => pointBytes + 4 * width + TEXT_ALLOWANCE
                                     : () => pointBytes + TEXT_ALLOWANCE;
    const structBytes = align8(layout.input.size) + align8(layout.output.size) + align8(layout.extra.size) + 16;
    const numberChunk = Math.max(1, Math.min(CHUNK, Math.floor(CHUNK_BYTES / rowBytes(0))));

    let most = CHUNK;
    for (let start = 0; start < n;) {
      let count = Math.min(kindLayout.text ? most : numberChunk, most, n - start);

      // Input columns.
      let texts = null;
      let inputBytes = 0;
      if (kindLayout.text) {
        texts = encodeTexts(kindLayout.columns[0], args[0], start, count, rowBytes);
        count = texts.encoded.length;
        checkHeap(n - start, texts.bytes);
        inputBytes = align8(count * texts.width);
      } else {
        for (const name of kindLayout.columns) inputBytes += align8(count * TYPES[propertyType.get(name)].bytes);
      }
      // Output columns without the texts, whose widths come from the core.
      let numberBytes = 0;
      for (const [, type] of OUTPUTS) numberBytes += align8(count * TYPES[type].bytes);
      numberBytes += align8(count * 4);  // Failure
      numberBytes += align8(count * 2) + align8(count);  // UtmZone, Hemisphere
      if (extra) {
        for (const [, type] of TODAY_OUTPUTS) numberBytes += align8(count * TYPES[type].bytes);
        numberBytes += align8(count * 4);  // Route
      }
      if (heights) numberBytes += align8(count * TYPES[HEIGHT_TYPE].bytes);

      // First the input and the structs, to ask for the widths.
      const base = workRoom(structBytes + inputBytes + numberBytes);
      const inputStruct = base;
      const outputStruct = base + align8(layout.input.size);
      const extraStruct = outputStruct + align8(layout.output.size);
      const widthSlots = extraStruct + align8(layout.extra.size);
      let cursor = widthSlots + 16;
      const fill = (pointer, value) => (mod.HEAPU8.fill(0, pointer, pointer + value));
      fill(inputStruct, widthSlots - inputStruct);

      const in32 = (field, value) => (mod.HEAP32[(inputStruct + layout.input[field]) >> 2] = value);
      in32("OrigType", kindLayout.number);
      in32("DatumFrom", settings.datumFrom);
      in32("DatumDest", settings.datumTo);
      in32("mgrsPrecision", settings.mgrsPrecision);
      mod.HEAP16[(inputStruct + layout.input.IfblPrecision) >> 1] = settings.ifblPrecision;
      if (kindLayout.text) {
        const data = cursor;
        fill(data, count * texts.width);
        for (let i = 0; i < count; i++) mod.HEAPU8.set(texts.encoded[i], data + i * texts.width);
        in32("TextData", data);
        in32("TextWidth", texts.width);
        cursor += inputBytes;
      } else {
        // A missing whole number (a DMS degree or minute) makes its point
        // name no position: the seconds after it (those of its half) are
        // then missing too, NaN, as a missing seconds value is.
        const pointers = [];
        const missing = [];
        kindLayout.columns.forEach((name, i) => {
          const type = propertyType.get(name);
          const holes = copyNumbers(name, args[i], type, start, count, cursor);
          if (holes.length > 0) missing.push([i, holes]);
          pointers.push(cursor);
          in32(name, cursor);
          cursor += align8(count * TYPES[type].bytes);
        });
        for (const [i, holes] of missing) {
          const j = kindLayout.columns.findIndex((name, k) => k > i && !LIMITS[propertyType.get(name)]);
          if (j < 0) throw new Error(`convert(): no column after ${kindLayout.columns[i]} to mark its missing values in`);
          const Type = TYPES[propertyType.get(kindLayout.columns[j])].array;
          const view = new Type(mod.HEAPU8.buffer, pointers[j], count);
          for (const k of holes) view[k] = NaN;
        }
      }
      const outputs = {};
      for (const [name, type] of OUTPUTS) {
        outputs[name] = cursor;
        cursor += align8(count * TYPES[type].bytes);
      }
      outputs.Failure = cursor;
      cursor += align8(count * 4);
      // The UTM zone and hemisphere of each point's MGRS reference.
      const utmZones = cursor;
      cursor += align8(count * 2);
      const hemispheres = cursor;
      cursor += align8(count);
      const extra32 = (field, value) => (mod.HEAP32[(extraStruct + layout.extra[field]) >> 2] = value);
      mod.HEAP32[extraStruct >> 2] = layout.extra.size;  // its first field
      extra32("UtmZone", utmZones);
      extra32("Hemisphere", hemispheres);
      // Today's settings and columns; zeros (the object's defaults, no
      // column) otherwise.
      extra32("Method", settings.method);
      extra32("HeightKind", settings.heightKind);
      if (heights) {
        copyNumbers("height", settings.height, HEIGHT_TYPE, start, count, cursor);
        extra32("Height", cursor);
        cursor += align8(count * TYPES[HEIGHT_TYPE].bytes);
      }
      if (extra) {
        for (const [name, type] of TODAY_OUTPUTS) {
          outputs[name] = cursor;
          extra32(name, cursor);
          cursor += align8(count * TYPES[type].bytes);
        }
        outputs.Route = cursor;
        extra32("Route", cursor);
        cursor += align8(count * 4);
      }

      // The widths with the messages of today's systems when the call has them.
      const status = mod._morvane_batch_widths_extra(inputStruct, extraStruct, count, widthSlots, widthSlots + 4,
                                                     widthSlots + 8);
      if (status !== 0) throw new Error(`convert(): ${cString(mod._morvane_failure_name(status))}`);
      const widths = {
        MGRS: mod.HEAPU32[widthSlots >> 2],
        IFBL: mod.HEAPU32[(widthSlots + 4) >> 2],
        Error: mod.HEAPU32[(widthSlots + 8) >> 2],
      };
      // The text columns in a region of their own: growing it leaves the
      // rest where it is (memory grows in place; only the views change).
      const textBytes = TEXT_OUTPUTS.reduce((sum, name) => sum + align8(count * widths[name]), 0);
      if (count > 1 && textBytes > CHUNK_BYTES) {
        // Wider than foreseen: the same points again in smaller chunks.
        most = Math.ceil(count / 2);
        continue;
      }
      let textCursor = textOutputRoom(textBytes);
      for (const name of TEXT_OUTPUTS) {
        outputs[name] = textCursor;
        textCursor += align8(count * widths[name]);
      }

      const out32 = (field, value) => (mod.HEAP32[(outputStruct + layout.output[field]) >> 2] = value);
      for (const [name] of OUTPUTS) out32(name, outputs[name]);
      out32("Failure", outputs.Failure);
      for (const name of TEXT_OUTPUTS) {
        out32(`${name}.data`, outputs[name]);
        out32(`${name}.width`, widths[name]);
      }

      const done = mod._morvane_convert_batch_extra(inputStruct, outputStruct, extraStruct, count, 1);
      if (done !== 0) throw new Error(`convert(): ${cString(mod._morvane_failure_name(done))}`);

      const buffer = mod.HEAPU8.buffer;
      for (const [name, type] of OUTPUTS) {
        const Type = TYPES[type].array;
        result[name].set(new Type(buffer, outputs[name], count), start);
      }
      readTexts(outputs.MGRS, widths.MGRS, count, result.MGRS, start);
      if (widths.IFBL === SQUARE_WIDTH) readSquares(outputs.IFBL, count, result.IFBL, start);
      else readTexts(outputs.IFBL, widths.IFBL, count, result.IFBL, start);
      readTexts(outputs.Error, widths.Error, count, result.Error, start);
      const failures = new Int32Array(buffer, outputs.Failure, count);
      for (let i = 0; i < count; i++) {
        const code = failures[i];
        result.Failure[start + i] = code === 0 ? "" : (tables.failures.get(code) ?? `Failure ${code}`);
      }
      result.UtmZone.set(new Int16Array(buffer, utmZones, count), start);
      const hemisphereBytes = new Uint8Array(buffer, hemispheres, count);
      for (let i = 0; i < count; i++) {
        const byte = hemisphereBytes[i];
        result.Hemisphere[start + i] = byte === 0 ? "" : String.fromCharCode(byte);
      }
      if (extra) {
        for (const [name, type] of TODAY_OUTPUTS) {
          result[name].set(new TYPES[type].array(buffer, outputs[name], count), start);
        }
        const steps = new Int32Array(buffer, outputs.Route, count);
        result.RouteSteps.set(steps, start);
        // The route's text, "" for a point with a message or a failure
        // (which has no route).
        for (let i = 0, k = start; i < count; i++, k++) {
          result.Route[k] = result.Error[k] !== "" || result.Failure[k] !== "" ? "" : routeText(steps[i]);
        }
      }
      start += count;
      most = CHUNK;
    }
    return result;
  }

  // ---- Squares ------------------------------------------------------------

  // The squares IFBL codes and MGRS references name, through the core's
  // morvane_square_of, _outline, _darwin_core and _geojson: their numbers
  // read from the struct, their texts (GeoJSON, Darwin Core) as the core
  // writes them.
  const SQUARE_OPTION_NAMES = ["kind", "datum", "codeDatum", "datumKnown", "method", "densify"];
  // Points added along each edge of an outline (morvane_square_request's densify).
  const MAX_DENSIFY = 1000;
  // Room for a square's message (the longest quotes the code).
  const SQUARE_ERROR_BYTES = 256;

  // The options of squares() and square(), each read once, checked before
  // any work: the kind (IFBL or MGRS) by its name through the core, the
  // datums, the method, the points along each edge.
  function readSquareOptions(what, options) {
    if (options === null || typeof options !== "object" || Array.isArray(options)) {
      throw new TypeError(`${what} takes an options object with the kind ("ifbl" or "mgrs"), not ${describe(options)}`);
    }
    for (const key of Object.keys(options)) {
      if (!SQUARE_OPTION_NAMES.includes(key)) {
        throw new TypeError(`${what}: unknown option ${JSON.stringify(key)} (${SQUARE_OPTION_NAMES.join(", ")})`);
      }
    }
    const { kind, datum, codeDatum, datumKnown, method, densify } = options;
    const { mvIFBL, mvMgrs } = tables.OriginalCoordinates;
    const entry = typeof kind === "string" ? tables.kinds.get(numberByName(mod._morvane_kind_by_name, kind)) : undefined;
    if (entry === undefined) {
      throw new TypeError(`${what}: the option kind must be "ifbl" or "mgrs", not ${describe(kind)}`);
    }
    if (entry.number !== mvIFBL && entry.number !== mvMgrs) {
      throw new RangeError(`${what}: squares are named by IFBL codes ("ifbl") or MGRS references ("mgrs"), not by "${entry.key}"`);
    }
    const ifbl = entry.number === mvIFBL;
    const belgian = tables.InternalDatums.mvBelgium1972;
    const settings = {
      kind: entry.number,
      key: entry.key,
      datum: datumNumber("datum", datum ?? tables.InternalDatums.mvWGS1984),
      codeDatum: datumNumber("codeDatum", codeDatum ?? (ifbl ? belgian : tables.InternalDatums.mvWGS1984)),
      datumKnown: datumKnown ?? true,
      method: settingNumber("method", method ?? METHOD_SHIFT, mod._morvane_method_by_name, tables.methods),
      densify: checkInteger("densify", densify ?? 0, 0, MAX_DENSIFY),
    };
    if (typeof settings.datumKnown !== "boolean") {
      throw new TypeError(`datumKnown must be true or false, not ${describe(settings.datumKnown)}`);
    }
    // IFBL codes are on the Belgian datum 1972, always.
    if (ifbl && settings.codeDatum !== belgian) {
      throw new RangeError(`${what}: IFBL codes are on the Belgian datum 1972 ("${tables.datums.get(belgian)}"); codeDatum is an MGRS reference's datum`);
    }
    if (ifbl && !settings.datumKnown) {
      throw new RangeError(`${what}: the datum of IFBL codes is known (the Belgian datum 1972); datumKnown: false is for MGRS references`);
    }
    if (settings.method !== METHOD_SHIFT && !gridsLoaded()) {
      throw new Error(`${what}: the method "${tables.methods.get(settings.method)}" needs the national agency's grids, which are not loaded yet: await m.loadGrids() first (or load({ grids: true }))`);
    }
    return settings;
  }

  // A code as UTF-8 bytes; a missing one (null, undefined) is the empty
  // code, which names no square.
  function squareCodeBytes(what, value) {
    const code = value ?? "";
    if (typeof code !== "string") throw new TypeError(`${what} must be a string, not ${describe(code)}`);
    if (code.includes("\0")) throw new TypeError(`${what} must not contain a NUL character`);
    const bytes = encoder.encode(code);
    if (bytes.length > MAX_TEXT_BYTES) {
      throw new RangeError(`${what} is ${bytes.length} bytes long in UTF-8; a code has at most ${MAX_TEXT_BYTES}`);
    }
    return bytes;
  }

  // Runs `body(request, code)` with the request filled in the module's
  // memory; `code(bytes)` puts a code in its own place there.  Everything
  // is given back after.
  function withSquareRequest(what, settings, body) {
    refuseNested(what);
    busy = true;
    const r = layout.squareRequest;
    const request = allocate(r.size, what);
    let code = 0;
    try {
      mod.HEAPU8.fill(0, request, request + r.size);
      // size_t is 32 bits in this module.
      mod.HEAPU32[(request + r.sizeField) >> 2] = r.size;
      mod.HEAP32[(request + r.kind) >> 2] = settings.kind;
      mod.HEAP32[(request + r.datum_code) >> 2] = settings.codeDatum;
      mod.HEAP32[(request + r.datum_known) >> 2] = settings.datumKnown ? 1 : 0;
      mod.HEAP32[(request + r.datum_out) >> 2] = settings.datum;
      mod.HEAP32[(request + r.method) >> 2] = settings.method;
      mod.HEAP32[(request + r.densify) >> 2] = settings.densify;
      const putCode = (bytes) => {
        if (code) mod._free(code);
        code = 0;
        code = allocate(bytes.length + 1, what);
        mod.HEAPU8.set(bytes, code);
        mod.HEAPU8[code + bytes.length] = 0;
        return code;
      };
      return body(request, putCode);
    } finally {
      if (code) mod._free(code);
      mod._free(request);
      shrinkTextRoom();
      busy = false;
    }
  }

  // A status of the squares' calls: a negative code (the request was
  // checked, so only memory may be missing) or a failure kind 1..5, which
  // no text is as short as.
  function squareStatus(what, status, code) {
    if (status < 0) throw callFailed(what, status);
    if (tables.failures.has(status)) {
      const failure = new MorvaneFailure(tables.failures.get(status), status);
      failure.message += ` (${what}, the code ${JSON.stringify(code.slice(0, 40))})`;
      throw failure;
    }
    return status;
  }

  // A text the core writes for a square (snprintf-like: the full length
  // back), in the scratch slot, again in a larger one when it did not fit.
  function squareJson(what, call, codePointer, request, code) {
    let slot = textRoom(4096);
    let room = textSlotSize;
    const length = squareStatus(what, call(codePointer, request, slot, room), code);
    if (length + 1 > room) {
      slot = textRoom(length + 1);
      room = textSlotSize;
      const again = squareStatus(what, call(codePointer, request, slot, room), code);
      if (again !== length) throw new Error(`${what}: the text changed while it was read`);
    }
    return utf8.decode(mod.HEAPU8.subarray(slot, slot + length));
  }

  /**
   * The squares that IFBL codes or MGRS references name, as a GeoJSON
   * FeatureCollection of the core's Features: squares(["E42544"], { kind:
   * "ifbl" }).  A code that names no square gives a Feature without
   * geometry and its message in the property Error.
   */
  function squares(codes, options) {
    if (!Array.isArray(codes)) {
      throw new TypeError(`squares() takes an array of codes, not ${describe(codes)}`);
    }
    const settings = readSquareOptions("squares()", options);
    const list = Array.from(codes, (value, i) => [String(value ?? ""), squareCodeBytes(`codes[${i}]`, value)]);
    const features = withSquareRequest("squares()", settings, (request, putCode) =>
      list.map(([text, bytes]) => JSON.parse(
        squareJson("squares()", mod._morvane_square_geojson, putCode(bytes), request, text))));
    return { type: "FeatureCollection", features };
  }

  /**
   * One square with its numbers (the core's morvane_square), its outline
   * and its Darwin Core text: square("E42544", { kind: "ifbl" }).  A code
   * that names no square gives its message in `error`, no corners and an
   * empty outline.
   */
  function square(code, options) {
    if (typeof code !== "string") throw new TypeError(`square() takes a code, a string, not ${describe(code)}`);
    const settings = readSquareOptions("square()", options);
    const bytes = squareCodeBytes("the code", code);
    return withSquareRequest("square()", settings, (request, putCode) => {
      const codePointer = putCode(bytes);
      const s = layout.square;
      const room = align8(s.size);
      const memory = allocate(room + SQUARE_ERROR_BYTES, "square()");
      let numbers;
      let error;
      try {
        squareStatus("square()", mod._morvane_square_of(codePointer, request, memory, memory + room, SQUARE_ERROR_BYTES), code);
        error = cString(memory + room);
        numbers = readSquare(memory);
      } finally {
        mod._free(memory);
      }
      // The outline: corner_count corners and densify points after each,
      // and the first again at the end.
      const points = error === "" ? numbers.cornerX.length * (settings.densify + 1) + 1 : 0;
      const longitude = new Float64Array(points);
      const latitude = new Float64Array(points);
      if (points > 0) {
        const outline = allocate(16 * points, "square()");
        try {
          // The count a ring of 3 or 4 corners has (4, 5) is also a failure
          // kind: the count foreseen is success, anything else is not.
          const n = mod._morvane_square_outline(codePointer, request, outline, outline + 8 * points, points);
          if (n !== points) {
            squareStatus("square()", n, code);
            throw new Error(`square(): the outline has ${n} points, not ${points}`);
          }
          longitude.set(new Float64Array(mod.HEAPU8.buffer, outline, points));
          latitude.set(new Float64Array(mod.HEAPU8.buffer, outline + 8 * points, points));
        } finally {
          mod._free(outline);
        }
      }
      const darwinCore = squareJson("square()", mod._morvane_square_darwin_core, codePointer, request, code);
      return {
        code, kind: settings.key, error, ...numbers,
        route: error === "" ? routeText(numbers.routeSteps) : "",
        outline: { longitude, latitude },
        darwinCore,
      };
    });
  }

  // The numbers of a morvane_square, by the offsets of layout.cpp.
  function readSquare(pointer) {
    const s = layout.square;
    const f64 = (field) => mod.HEAPF64[(pointer + s[field]) >> 3];
    const count = Math.max(0, Math.min(mod.HEAP32[(pointer + s.corner_count) >> 2], s.maxCorners));
    const corners = (field) => new Float64Array(mod.HEAPU8.buffer.slice(pointer + s[field], pointer + s[field] + 8 * count));
    const hemisphere = mod.HEAPU8[pointer + s.hemisphere];
    return {
      zone: mod.HEAP16[(pointer + s.zone) >> 1],
      hemisphere: hemisphere === 0 ? "" : String.fromCharCode(hemisphere),
      width: f64("width"),
      height: f64("height"),
      centreX: f64("centre_x"),
      centreY: f64("centre_y"),
      centreLatitude: f64("centre_latitude"),
      centreLongitude: f64("centre_longitude"),
      cornerX: corners("corner_x"),
      cornerY: corners("corner_y"),
      cornerLatitude: corners("corner_latitude"),
      cornerLongitude: corners("corner_longitude"),
      radius: f64("radius"),
      uncertainty: f64("uncertainty"),
      cut: mod.HEAP32[(pointer + s.cut) >> 2] !== 0,
      routeSteps: mod.HEAP32[(pointer + s.route) >> 2],
    };
  }

  const api = {
    version,
    ZedizAdo,
    MorvaneFailure,
    OriginalCoordinates,
    InternalDatums,
    // The tables of names the module was built with (kinds, datums,
    // properties, failures, messages, methods, height kinds, steps), frozen.
    names: tables.names,
    convert,
    loadGrids,
    squares,
    square,
    // The instructions convert() works with: "simd128" (four points at a
    // time) or "scalar" (one after another); the bits are the same.
    // setBatchPath(name) chooses ("" the default); for comparisons.
    batchPath: () => cString(mod._morvane_batch_path()),
    setBatchPath(name) {
      if (typeof name !== "string" || !["", "scalar", "simd128"].includes(name)) {
        throw new RangeError(`setBatchPath: "scalar", "simd128" or "", not ${describe(name)}`);
      }
      refuseNested("setBatchPath");
      const bytes = encoder.encode(name);
      const slot = textRoom(bytes.length + 1);
      mod.HEAPU8.set(bytes, slot);
      mod.HEAPU8[slot + bytes.length] = 0;
      const status = mod._morvane_set_batch_path(slot);
      shrinkTextRoom();
      if (status !== 0) throw new RangeError(`setBatchPath: this module has no path "${name}"`);
    },
    ...OriginalCoordinates,
    ...InternalDatums,
  };
  // The size of the module's memory, which grows and never shrinks.
  Object.defineProperty(api, "memoryBytes", { enumerable: true, get: () => mod.HEAPU8.buffer.byteLength });
  Object.defineProperty(api, "gridsLoaded", { enumerable: true, get: gridsLoaded });
  return Object.freeze(api);
}
