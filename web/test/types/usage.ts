// Compiled with tsc --noEmit against the package's declarations: the
// examples of its README, and misuses the declarations must refuse.
import { load, MorvaneFailure, OriginalCoordinates, type ConvertResult, type Morvane } from "morvane";

async function main(): Promise<void> {
  const m: Morvane = await load();
  const z = new m.ZedizAdo();
  z.DatumFrom = m.mvWGS1984;
  z.DatumDest = m.InternalDatums.mvBelgium1972;
  z.OrigType = OriginalCoordinates.mvDeg;
  z.Latitude = 50.85;
  z.Longitude = 4.35;
  try {
    z.Conversion();
  } catch (error) {
    if (error instanceof MorvaneFailure) console.log(error.kind, error.code);
  }
  const x: number = z.X;
  const ifbl: string = z.IFBL;
  z.dispose();
  console.log(x, ifbl, z.disposed, m.version, m.memoryBytes);

  const r: ConvertResult = m.convert("deg", [50.85, null], new Float64Array([4.35, 4]), {
    datumFrom: "wgs84",
    datumTo: 2,
    mgrsPrecision: 100,
    ifblPrecision: 4,
  });
  const lat: Float64Array = r.Latitude;
  const deg: Int16Array = r.LatDmsDeg;
  const sec: Float32Array = r.LatDmsSec;
  const failures: string[] = r.Failure;
  m.convert("dms", [50], [30], [12.5], [4], [21], [0]);
  const path: "simd128" | "scalar" = m.batchPath();
  m.setBatchPath(path === "scalar" ? "" : "scalar");
  m.convert("ifbl", ["E4.25.43", undefined]);
  const zones: Int16Array = r.UtmZone;
  const hemisphere: "" | "N" | "S" = r.Hemisphere[0];
  const title: string = m.names.datums[0].title;
  console.log(lat, deg, sec, failures, zones, hemisphere, title);

  // Belgium's systems of today.
  await m.loadGrids();
  const loaded: boolean = m.gridsLoaded;
  const today = m.convert("lambert", [149186.41], [170810.74], { datumTo: "etrs89", method: "grid", extra: true });
  const x2008: Float64Array | undefined = today.X2008;
  const l8 = m.convert("lambert2008", [649186.04], [670811.17], { datumFrom: "etrs89", datumTo: "bd72" });
  const route: string = l8.Route[0];
  const accuracy: number = l8.Accuracy[0];
  m.convert("deg", [50.22], [4.66], { datumFrom: 5, heightKind: "ostend", height: new Float64Array([310.9]) });
  await load({ grids: new Uint8Array(0) }).catch(() => undefined);
  console.log(loaded, x2008, route, accuracy, m.names.steps[0].text, m.names.kinds[0].object);

  // Squares.
  const collection = m.squares(["E42544", null], { kind: "ifbl", datum: "etrs89", method: "grid", densify: 4 });
  const ring = collection.features[0].geometry?.coordinates[0];
  const uncertainty: number | undefined = collection.features[0].properties.coordinateUncertaintyInMeters;
  const s = m.square("31UGR19", { kind: "mgrs", codeDatum: "wgs84", datumKnown: false });
  const corners: Float64Array = s.cornerLongitude;
  const dwc: string = s.darwinCore;
  console.log(ring, uncertainty, corners, dwc, s.outline.latitude, s.cut);
  // @ts-expect-error squares need their kind
  m.squares(["E42544"], {});
  // @ts-expect-error degrees name no square
  m.squares(["E42544"], { kind: "deg" });

  // @ts-expect-error an unknown method
  m.convert("deg", [1], [2], { method: "helmert" });
  // @ts-expect-error heights are numbers
  m.convert("deg", [1], [2], { heightKind: "ostend", height: ["1"] });
  // @ts-expect-error Error is read-only
  z.Error = "x";
  // @ts-expect-error an unknown datum name
  m.convert("deg", [1], [2], { datumFrom: "wgs85" });
  // @ts-expect-error an unknown kind
  m.convert("utm", [1], [2]);
  // @ts-expect-error texts where numbers belong
  m.convert("lambert", ["1"], ["2"]);
  // @ts-expect-error enumerations are read-only
  m.OriginalCoordinates.mvDeg = 7;
}

void main();
