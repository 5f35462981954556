// Types of the morvane package.

/**
 * The input kinds (OrigType) of the object, made from the module's table of
 * names by the first load(): undefined until it resolves (the loaded API's
 * `OriginalCoordinates` is the same object).  Lambert 2008 is convert()'s
 * alone ("lambert2008") and is not among them.
 */
export declare const OriginalCoordinates: Readonly<{
  mvMgrs: 1;
  mvDeg: 2;
  mvIFBL: 3;
  mvLambert72: 4;
  mvDegMinSec: 5;
}>;

/**
 * The datums of the object (DatumFrom, DatumDest), made by the first load()
 * as OriginalCoordinates.  ETRS89 is convert()'s alone ("etrs89").
 */
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
export type Datum = "wgs84" | "bd72" | "ed50" | "ntf" | "etrs89" | 1 | 2 | 3 | 4 | 5;

/**
 * How positions move between the Belgian datum 1972 and the others: the
 * object's three-parameter shifts through WGS 1984 ("shift", 0, the
 * default) or the national agency's grid BD72 <-> ETRS89 ("grid", 1),
 * which needs the grids loaded (loadGrids()).
 */
export type Method = "shift" | "grid" | 0 | 1;

/** What the heights hold: ETRS89 ellipsoidal heights or Ostend heights (EPSG:5710), metres. */
export type HeightKind = "none" | "ellipsoidal" | "ostend" | 0 | 1 | 2;

export interface ConvertOptions {
  /** Datum of degree, DMS and MGRS input (default "wgs84"). */
  datumFrom?: Datum;
  /** Datum of the degree, DMS, UTM and MGRS output (default "wgs84"). */
  datumTo?: Datum;
  /** 10000, 1000, 100, 10 or 1 metre (default 1). */
  mgrsPrecision?: number;
  /** 2, 4 or 6 characters (default 6). */
  ifblPrecision?: number;
  /** "shift" (default) or "grid"; "grid" needs the grids loaded. */
  method?: Method;
  /** What `height` holds; given with it (heights need the grids loaded). */
  heightKind?: HeightKind;
  /** One height per point, metres; NaN or a missing value is that point's message. */
  height?: NumberColumn;
  /**
   * Whether the result has today's columns (X2008, Y2008, the heights,
   * Route, RouteSteps, Accuracy).  By default it has them exactly when the
   * call uses Lambert 2008, ETRS89, the grid or heights.
   */
  extra?: boolean;
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
  // Belgium's systems of today: present when the call uses Lambert 2008,
  // ETRS89, the grid or heights, or asks for them (extra: true).  NaN
  // (Route "") for a point with a message or a failure.
  /** Belgian Lambert 2008 (EPSG:3812) X, metres. */
  X2008?: Float64Array;
  /** Belgian Lambert 2008 Y, metres. */
  Y2008?: Float64Array;
  /** ETRS89 ellipsoidal height, metres (with heights; NaN without). */
  EllipsoidalHeight?: Float64Array;
  /** Ostend height (EPSG:5710), metres (with heights; NaN without). */
  OstendHeight?: Float64Array;
  /** The steps of the point's datum changes, as text: "grid BD72→ETRS89 (EPSG:8369)". */
  Route?: string[];
  /** The same steps as bits (names.steps). */
  RouteSteps?: Int32Array;
  /** The accuracy the steps' sources state, metres. */
  Accuracy?: Float64Array;
}

/** A convert() result with today's columns (extra: true, or today's systems used). */
export type ConvertResultToday = ConvertResult & Required<Pick<ConvertResult,
  "X2008" | "Y2008" | "EllipsoidalHeight" | "OstendHeight" | "Route" | "RouteSteps" | "Accuracy">>;

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
    /** Whether the object takes it (Lambert 2008 is convert()'s alone). */
    object: boolean;
    /** EPSG code of its coordinate system, 0 for none. */
    epsg: number;
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
    /** Whether the object takes it (ETRS89 is convert()'s alone). */
    object: boolean;
  }>[];
  readonly properties: readonly Readonly<{
    name: string;
    type: "double" | "float" | "int16" | "int32" | "text";
    get: boolean;
    put: boolean;
    /** A column of convert()'s result. */
    output: boolean;
    /** A column of today's systems in convert()'s result. */
    extra: boolean;
    /** An input of convert() beside the kind's columns (Height). */
    input: boolean;
    /** The kinds (keys) that read it. */
    inputOf: readonly string[];
  }>[];
  readonly failures: readonly Readonly<{ code: number; name: FailureKind }>[];
  /** The messages a conversion leaves in Error (some with the input after them). */
  readonly messages: readonly string[];
  /** convert()'s methods: "shift", "grid". */
  readonly methods: readonly Readonly<{ number: number; key: string; label: string }>[];
  /** convert()'s height kinds: "none", "ellipsoidal", "ostend". */
  readonly heightKinds: readonly Readonly<{ number: number; key: string; label: string }>[];
  /** The steps a Route may take, with their text and stated accuracy (metres). */
  readonly steps: readonly Readonly<{ bit: number; key: string; text: string; accuracy: number }>[];
}

/** The kinds of codes that name squares. */
export type SquareKind = "ifbl" | "mgrs";

export interface SquareOptions {
  /** "ifbl" (IFBL codes, on the Belgian datum 1972) or "mgrs" (MGRS references). */
  kind: SquareKind;
  /** The datum of the latitudes and longitudes given (default "wgs84"). */
  datum?: Datum;
  /** MGRS: the datum the references are on (default "wgs84"); IFBL: "bd72" or absent. */
  codeDatum?: Datum;
  /**
   * MGRS: false when the references' datum is not known; the uncertainty
   * then adds the spread of their centre over the datums (default true).
   */
  datumKnown?: boolean;
  /** "shift" (default) or "grid"; "grid" needs the grids loaded. */
  method?: Method;
  /** Points added along each edge of the outline, 0 (default) to 1000. */
  densify?: number;
}

/** The Darwin Core terms of a square, as the core writes them, with the code's message. */
export interface SquareTerms {
  decimalLatitude?: number;
  decimalLongitude?: number;
  /** "EPSG:4326" */
  geodeticDatum?: string;
  /** From the centre to the farthest corner on the ellipsoid, rounded up (708 for a 1 km IFBL square). */
  coordinateUncertaintyInMeters?: number;
  /** "POLYGON ((lon lat, ...))" */
  footprintWKT?: string;
  footprintSRS?: string;
  /** The code as given. */
  verbatimCoordinates: string;
  verbatimCoordinateSystem: "IFBL" | "MGRS";
  verbatimSRS: string;
  georeferenceProtocol?: string;
  /** The code's message (French), empty when it names a square. */
  Error: string;
  /** MGRS: the UTM zone and hemisphere. */
  zone?: number;
  hemisphere?: "N" | "S";
  /** Metres in the grid. */
  width?: number;
  height?: number;
}

/** A square as a GeoJSON Feature: a counter-clockwise ring, longitude first; null geometry for a code with a message. */
export interface SquareFeature {
  type: "Feature";
  geometry: { type: "Polygon"; coordinates: [number, number][][] } | null;
  properties: SquareTerms;
}

export interface SquareCollection {
  type: "FeatureCollection";
  features: SquareFeature[];
}

/** One square's numbers (the core's morvane_square), outline and Darwin Core text. */
export interface Square {
  /** The code as given. */
  code: string;
  kind: SquareKind;
  /** The code's message (French), empty when it names a square (the numbers are then 0). */
  error: string;
  /** MGRS: the UTM zone (0 for IFBL) and hemisphere ("" for IFBL). */
  zone: number;
  hemisphere: "" | "N" | "S";
  /** Metres in the grid (Lambert 72 for IFBL, UTM for MGRS). */
  width: number;
  height: number;
  centreX: number;
  centreY: number;
  /** Degrees on the datum asked for. */
  centreLatitude: number;
  centreLongitude: number;
  /** The corners counter-clockwise from the south-west: 4, more (or 3) when an MGRS square is cut by its grid zone. */
  cornerX: Float64Array;
  cornerY: Float64Array;
  cornerLatitude: Float64Array;
  cornerLongitude: Float64Array;
  /** Metres from the centre to the farthest corner on the ellipsoid, rounded up. */
  radius: number;
  /** coordinateUncertaintyInMeters. */
  uncertainty: number;
  /** Whether the square is cut by its grid zone's edges. */
  cut: boolean;
  /** The steps of the datum change, as text and as bits (names.steps). */
  route: string;
  routeSteps: number;
  /** The closed ring, densified (empty for a code with a message). */
  outline: { longitude: Float64Array; latitude: Float64Array };
  /** The Darwin Core terms and Error as the core writes them: one JSON object. */
  darwinCore: string;
}

export interface Morvane {
  /** The library's version, "0.3.0". */
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
  /**
   * Loads the national agency's grids (BD72 <-> ETRS89, hBG18) that the
   * method "grid" and heights need: the package's morvane_grids.bin, or
   * `source` (a URL, a file path in Node, the file's bytes).  Once; the
   * first grids loaded stay.
   */
  loadGrids(source?: GridSource): Promise<void>;
  /** Whether the grids are loaded. */
  readonly gridsLoaded: boolean;
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
  /** Belgian Lambert 2008 (EPSG:3812) X and Y on ETRS89: today's columns come with the result (unless extra: false). */
  convert(kind: "lambert2008", x: NumberColumn, y: NumberColumn, options?: ConvertOptions): ConvertResultToday;
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

  /**
   * The squares IFBL codes or MGRS references name, as a GeoJSON
   * FeatureCollection of the core's Features; a missing code is the empty
   * code, which names none.
   */
  squares(codes: readonly (string | null | undefined)[], options: SquareOptions): SquareCollection;
  /** One square: its numbers, outline and Darwin Core text. */
  square(code: string, options: SquareOptions): Square;
}

/** Where grids come from: true for the package's file, a URL, a file path (Node) or the bytes. */
export type GridSource = true | string | URL | ArrayBuffer | ArrayBufferView;

export interface LoadOptions {
  /** The bytes of morvane_wasm.wasm, when it is not beside index.js. */
  wasmBinary?: ArrayBuffer | Uint8Array;
  /** Load the grids too before load() resolves (see Morvane.loadGrids); false or absent: not. */
  grids?: GridSource | false;
}

/** Loads the WebAssembly module (once) and gives the API on it. */
export declare function load(options?: LoadOptions): Promise<Morvane>;
