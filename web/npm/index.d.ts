// Types of the morvane package.

/**
 * The input kinds (OrigType), made from the module's table of names by the
 * first load(): undefined until it resolves (the loaded API's
 * `OriginalCoordinates` is the same object).
 */
export declare const OriginalCoordinates: Readonly<{
  mvMgrs: 1;
  mvDeg: 2;
  mvIFBL: 3;
  mvLambert72: 4;
  mvDegMinSec: 5;
}>;

/** The datums (DatumFrom, DatumDest), made by the first load() as OriginalCoordinates. */
export declare const InternalDatums: Readonly<{
  mvEuropeanData1950: 1;
  mvBelgium1972: 2;
  mvWGS1984: 3;
  mvNTF: 4;
}>;

export type FailureKind =
  | "IndexOutOfRange"
  | "IntegerOverflow"
  | "InvalidOperation"
  | "DivisionByZero"
  | "FloatOverflow";

/**
 * A conversion that failed: an index outside a table, a 16-bit integer
 * overflow or a floating-point fault.  The object is left as it was.
 */
export declare class MorvaneFailure extends Error {
  readonly name: "MorvaneFailure";
  /** The failure's name. */
  readonly kind: FailureKind;
  /** Its number, 1 to 5. */
  readonly code: 1 | 2 | 3 | 4 | 5;
}

/**
 * One point in every representation.  Numbers set on 16-bit properties
 * must be whole numbers from -32768 to 32767 (RangeError otherwise);
 * 32-bit float properties keep the nearest float.
 */
export declare class ZedizAdo {
  constructor();
  /** Write-only: reading throws a TypeError. 1..4, see InternalDatums. */
  DatumFrom: number;
  /** Write-only: reading throws a TypeError. 1..4, see InternalDatums. */
  DatumDest: number;
  /** The input kind, see OriginalCoordinates. */
  OrigType: number;
  /** Decimal degrees, north positive. */
  Latitude: number;
  /** Decimal degrees, east positive. */
  Longitude: number;
  LatDmsDeg: number;
  LatDmsMin: number;
  LatDmsSec: number;
  LonDmsDeg: number;
  LonDmsMin: number;
  LonDmsSec: number;
  /** Belgian Lambert 1972, metres, always on the Belgian datum 1972. */
  X: number;
  Y: number;
  /** UTM, metres. */
  Northing: number;
  Easting: number;
  /** "ZZLLLEEEEENNNNN", cut to mgrsPrecision. */
  MGRS: string;
  /** "E5", "E535" or "E53541"; blanks, full stops and hyphens are removed on input. */
  IFBL: string;
  /** 2 or 4 characters; anything else 6. */
  IfblPrecision: number;
  /** 10000, 1000, 100, 10 metres; anything else 1 m. */
  mgrsPrecision: number;
  /** Read-only: the last message (French), empty when there is none. */
  readonly Error: string;
  /** Converts the input that OrigType names; throws a MorvaneFailure when the C++ object fails. */
  Conversion(): void;
  /** Empties Error and clears X, Y, OrigType, MGRS, IFBL, Latitude, Longitude, Northing, Easting. */
  Reset(): void;
  /** Frees the object's memory; using the object afterwards throws a TypeError. */
  dispose(): void;
  readonly disposed: boolean;
}

/**
 * A datum's short name or number.  At run time the name may be written in
 * any case, with blanks, or as the member name ("mvWGS1984") or the number
 * as text, as the module's morvane_datum_by_name reads it.
 */
export type Datum = "wgs84" | "bd72" | "ed50" | "ntf" | 1 | 2 | 3 | 4;

export interface ConvertOptions {
  /** Datum of degree, DMS and MGRS input (default "wgs84"). */
  datumFrom?: Datum;
  /** Datum of the degree, DMS, UTM and MGRS output (default "wgs84"). */
  datumTo?: Datum;
  /** 10000, 1000, 100, 10 or 1 metre (default 1). */
  mgrsPrecision?: number;
  /** 2, 4 or 6 characters (default 6). */
  ifblPrecision?: number;
}

/** null and undefined are missing values: points that name no position. */
export type NumberColumn =
  | readonly (number | null | undefined)[]
  | Float64Array | Float32Array | Int32Array | Int16Array | Uint16Array | Int8Array | Uint8Array | Uint32Array;

/** One array per output, one entry per point. */
export interface ConvertResult {
  Latitude: Float64Array;
  Longitude: Float64Array;
  LatDmsDeg: Int16Array;
  LatDmsMin: Int16Array;
  LatDmsSec: Float32Array;
  LonDmsDeg: Int16Array;
  LonDmsMin: Int16Array;
  LonDmsSec: Float32Array;
  X: Float64Array;
  Y: Float64Array;
  Northing: Float64Array;
  Easting: Float64Array;
  MGRS: string[];
  IFBL: string[];
  /** The point's message, empty when it converted. */
  Error: string[];
  /** The failure's name, empty when the conversion did not fail. */
  Failure: ("" | FailureKind)[];
  /** The UTM zone (1 to 60) of the point's MGRS reference, 0 without one. */
  UtmZone: Int16Array;
  /** Its hemisphere, "N" or "S"; empty without a reference. */
  Hemisphere: ("" | "N" | "S")[];
}

/** The module's tables of names (the same in every front end). */
export interface NameTables {
  readonly kinds: readonly Readonly<{
    number: number;
    /** "mvDeg" */
    member: string;
    /** "deg", convert()'s name of the kind */
    key: string;
    label: string;
    /** The properties it reads, in convert()'s column order. */
    inputs: readonly string[];
  }>[];
  readonly datums: readonly Readonly<{
    number: number;
    /** "mvWGS1984" */
    member: string;
    /** "wgs84" */
    key: string;
    /** Short label: "Belgian 1972". */
    label: string;
    /** Full name: "Belgian datum 1972". */
    title: string;
    /** EPSG code of its geographic system. */
    epsg: number;
  }>[];
  readonly properties: readonly Readonly<{
    name: string;
    type: "double" | "float" | "int16" | "int32" | "text";
    get: boolean;
    put: boolean;
    /** A column of convert()'s result. */
    output: boolean;
    /** The kinds (keys) that read it. */
    inputOf: readonly string[];
  }>[];
  readonly failures: readonly Readonly<{ code: number; name: FailureKind }>[];
  /** The messages a conversion leaves in Error (some with the input after them). */
  readonly messages: readonly string[];
}

export interface Morvane {
  /** The library's version, "0.2.0". */
  readonly version: string;
  /** Bytes of the module's WebAssembly memory (it grows, never shrinks). */
  readonly memoryBytes: number;
  readonly ZedizAdo: typeof ZedizAdo;
  readonly MorvaneFailure: typeof MorvaneFailure;
  readonly OriginalCoordinates: typeof OriginalCoordinates;
  readonly InternalDatums: typeof InternalDatums;
  /** The tables the enumerations, the properties and convert() are made from. */
  readonly names: NameTables;
  /** The instructions convert() works with: "simd128" (four points at a time) or "scalar". */
  batchPath(): "simd128" | "scalar";
  /** Chooses convert()'s path ("" the default); every path gives the same bits. */
  setBatchPath(name: "" | "scalar" | "simd128"): void;
  readonly mvMgrs: 1;
  readonly mvDeg: 2;
  readonly mvIFBL: 3;
  readonly mvLambert72: 4;
  readonly mvDegMinSec: 5;
  readonly mvEuropeanData1950: 1;
  readonly mvBelgium1972: 2;
  readonly mvWGS1984: 3;
  readonly mvNTF: 4;

  /** Converts columns of points in one call of the core's batch call. */
  convert(kind: "deg", latitude: NumberColumn, longitude: NumberColumn, options?: ConvertOptions): ConvertResult;
  convert(kind: "lambert", x: NumberColumn, y: NumberColumn, options?: ConvertOptions): ConvertResult;
  convert(
    kind: "dms",
    latDeg: NumberColumn,
    latMin: NumberColumn,
    latSec: NumberColumn,
    lonDeg: NumberColumn,
    lonMin: NumberColumn,
    lonSec: NumberColumn,
    options?: ConvertOptions,
  ): ConvertResult;
  convert(kind: "mgrs" | "ifbl", texts: readonly (string | null | undefined)[], options?: ConvertOptions): ConvertResult;
}

export interface LoadOptions {
  /** The bytes of morvane_wasm.wasm, when it is not beside index.js. */
  wasmBinary?: ArrayBuffer | Uint8Array;
}

/** Loads the WebAssembly module (once) and gives the API on it. */
export declare function load(options?: LoadOptions): Promise<Morvane>;
