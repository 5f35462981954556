// What the tests share: the built package, a seeded generator and random
// requests of every input kind.
import { fileURLToPath } from "node:url";
import path from "node:path";

export const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
export const PACKAGE = path.join(ROOT, "build-web/npm/index.js");

export async function loadPackage() {
  const { load } = await import(PACKAGE);
  return load();
}

// A small seeded generator (mulberry32): the same requests on every run.
export function generator(seed) {
  let state = seed >>> 0;
  const next = () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  return {
    next,
    uniform: (low, high) => low + (high - low) * next(),
    integer: (low, high) => low + Math.floor((high - low + 1) * next()),
    pick: (list) => list[Math.floor(list.length * next())],
  };
}

export const KINDS = ["deg", "dms", "lambert", "mgrs", "ifbl"];
export const ORIG_TYPE = { mgrs: 1, deg: 2, ifbl: 3, lambert: 4, dms: 5 };
export const DATUMS = ["ed50", "bd72", "wgs84", "ntf"];
export const DATUM_NUMBER = { ed50: 1, bd72: 2, wgs84: 3, ntf: 4 };
export const MGRS_PRECISIONS = [1, 10, 100, 1000, 10000];
export const IFBL_PRECISIONS = [2, 4, 6];

const IFBL_ROWS = "ABCDEFGHJKLM";

// One random point of a kind, as the columns convert() takes.  Most are
// in and around Belgium; some are anywhere, some outside every range and
// some texts are not references at all.
export function randomPoint(rng, kind, m) {
  const far = rng.next() < 0.1;
  switch (kind) {
    case "deg":
      if (rng.next() < 0.03) return [rng.uniform(-95, 95), rng.uniform(-190, 190)];
      return far ? [rng.uniform(-89.9, 89.9), rng.uniform(-179.9, 179.9)]
                 : [rng.uniform(49.3, 51.7), rng.uniform(2.3, 6.6)];
    case "dms": {
      const lat = far ? rng.uniform(-89.9, 89.9) : rng.uniform(49.3, 51.7);
      const lon = far ? rng.uniform(-179.9, 179.9) : rng.uniform(2.3, 6.6);
      const fields = (v) => {
        const a = Math.abs(v);
        const d = Math.trunc(a);
        const mins = Math.trunc((a - d) * 60);
        const s = Math.fround((a - d - mins / 60) * 3600);
        return v < 0 ? (d > 0 ? [-d, mins, s] : mins > 0 ? [0, -mins, s] : [0, 0, -s]) : [d, mins, s];
      };
      const out = [...fields(lat), ...fields(lon)];
      if (rng.next() < 0.03) out[rng.integer(0, 5)] = rng.integer(-200, 200);
      return out;
    }
    case "lambert":
      return far ? [rng.uniform(-5000, 320000), rng.uniform(-5000, 270000)]
                 : [rng.uniform(0, 310000), rng.uniform(0, 260000)];
    case "ifbl": {
      if (rng.next() < 0.05) return [rng.pick(["", "Z9", "E", "E5.2", "e4.25.43", "A0", "M9.58.44", "E5-35 41", "N1", "E9.99"])];
      let code = rng.pick(IFBL_ROWS) + rng.integer(0, 9);
      const length = rng.pick([2, 4, 6]);
      if (length >= 4) code += `${rng.integer(1, 5)}${rng.integer(1, 8)}`;
      if (length === 6) code += `${rng.integer(1, 4)}${rng.integer(1, 4)}`;
      return [rng.next() < 0.3 ? code.toLowerCase() : code];
    }
    case "mgrs": {
      if (rng.next() < 0.05) return [rng.pick(["", "31UES", "31UES9521533649X", "61UES9521533649", "31IES9521533649", " 5QKA1234567890", "5QKA1234567890", "31UES95 33", "31ues9521533649"])];
      const lat = far ? rng.uniform(-79, 83) : rng.uniform(49.3, 51.7);
      const lon = far ? rng.uniform(-179.9, 179.9) : rng.uniform(2.3, 6.6);
      const r = m.convert("deg", [lat], [lon], { datumFrom: "wgs84", datumTo: "wgs84",
                                                 mgrsPrecision: rng.pick(MGRS_PRECISIONS) });
      return [r.MGRS[0]];
    }
    default:
      throw new Error(kind);
  }
}

// The property names a kind's columns set on the object.
export const COLUMNS = {
  deg: ["Latitude", "Longitude"],
  dms: ["LatDmsDeg", "LatDmsMin", "LatDmsSec", "LonDmsDeg", "LonDmsMin", "LonDmsSec"],
  lambert: ["X", "Y"],
  mgrs: ["MGRS"],
  ifbl: ["IFBL"],
};

export const NUMBER_OUTPUTS = ["Latitude", "Longitude", "LatDmsDeg", "LatDmsMin", "LatDmsSec",
  "LonDmsDeg", "LonDmsMin", "LonDmsSec", "X", "Y", "Northing", "Easting"];
export const TEXT_OUTPUTS = ["MGRS", "IFBL", "Error"];

// The same bits: NaN equals NaN, 0 and -0 differ.
export function sameBits(a, b) {
  return Object.is(a, b);
}

// Runs an object's Conversion and reads back the named properties, with
// the failure's kind (or "") as Failure: what a fresh object gives.
export function conversionOf(m, z, names) {
  let failure = "";
  try {
    z.Conversion();
  } catch (error) {
    if (!(error instanceof m.MorvaneFailure)) throw error;
    failure = error.kind;
  }
  const out = { Failure: failure };
  for (const name of names) out[name] = z[name];
  return out;
}
