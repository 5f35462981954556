// Converts a request set (tests/data/requests.jsonl, one request per line)
// as a user of the package would: requests of one kind, datums and
// precisions together through convert(), the others (kinds and datums the
// object does not know, among them those of convert() alone: the requests
// are the object's) each on a fresh object.  Lines the native tool refused as a whole
// (`refused[i]` true) are left out.
//
// The function uses nothing but the package `m` it is given, so the page
// test runs its very text in the browser.
export function convertRequestSet(m, requests, refused) {
  const kindOf = new Map(m.names.kinds.filter((k) => k.object).map((k) => [k.number, k]));
  const datumNumbers = new Set(m.names.datums.filter((d) => d.object).map((d) => d.number));
  const getters = m.names.properties.filter(({ get }) => get).map(({ name }) => name);
  const viaObject = (request) => {
    const z = new m.ZedizAdo();
    try {
      for (const [name, value] of Object.entries(request)) z[name] = value;
      let failure = "";
      try {
        z.Conversion();
      } catch (error) {
        if (!(error instanceof m.MorvaneFailure)) throw error;
        failure = error.kind;
      }
      const out = { Failure: failure };
      for (const name of getters) out[name] = z[name];
      return out;
    } finally {
      z.dispose();
    }
  };

  const results = new Array(requests.length);
  const groups = new Map();
  let byObject = 0;
  requests.forEach((request, i) => {
    if (refused[i]) return;
    const kind = kindOf.get(request.OrigType);
    if (!kind || !datumNumbers.has(request.DatumFrom) || !datumNumbers.has(request.DatumDest)) {
      results[i] = viaObject(request);
      byObject++;
      return;
    }
    const settings = { datumFrom: request.DatumFrom, datumTo: request.DatumDest,
                       mgrsPrecision: request.mgrsPrecision, ifblPrecision: request.IfblPrecision };
    const key = JSON.stringify([kind.key, settings]);
    if (!groups.has(key)) groups.set(key, { kind, settings, members: [] });
    groups.get(key).members.push(i);
  });

  let converted = 0;
  for (const { kind, settings, members } of groups.values()) {
    const columns = kind.inputs.map((name) => members.map((i) => requests[i][name]));
    const r = m.convert(kind.key, ...columns, settings);
    members.forEach((i, k) => {
      const out = { OrigType: kind.number, mgrsPrecision: settings.mgrsPrecision,
                    IfblPrecision: settings.ifblPrecision };
      for (const name of Object.keys(r)) out[name] = r[name][k];
      results[i] = out;
    });
    converted += members.length;
  }
  return { results, converted, groups: groups.size, byObject };
}

const SETTINGS = ["OrigType", "mgrsPrecision", "IfblPrecision"];
const DOUBLES = ["Latitude", "Longitude", "X", "Y", "Northing", "Easting"];
const WHOLE = ["LatDmsDeg", "LatDmsMin", "LonDmsDeg", "LonDmsMin"];
const SECONDS = ["LatDmsSec", "LonDmsSec"];
const TEXTS = ["MGRS", "IFBL", "Error", "Failure"];

// The differences of one point's outputs from its answer: a list of
// texts, empty when they agree.  `counts` tallies the doubles compared.
export function differences(got, want, counts) {
  const problems = [];
  for (const name of TEXTS) {
    const expected = want[name] ?? "";
    if (got[name] !== expected) problems.push(`${name} ${JSON.stringify(got[name])} instead of ${JSON.stringify(expected)}`);
  }
  for (const name of SETTINGS) {
    if (got[name] !== want[name]) problems.push(`${name} ${got[name]} instead of ${want[name]}`);
  }
  for (const name of WHOLE) {
    if (got[name] !== want[name]) problems.push(`${name} ${got[name]} instead of ${want[name]}`);
  }
  // The seconds are 32-bit floats, written with the digits that name them.
  for (const name of SECONDS) {
    const expected = Math.fround(want[name]);
    if (!Object.is(got[name], expected)) problems.push(`${name} ${got[name]} instead of ${expected}`);
  }
  for (const name of DOUBLES) {
    counts.numbers++;
    if (!Object.is(got[name], want[name])) problems.push(`${name} ${got[name]} instead of ${want[name]}`);
  }
  return problems;
}
