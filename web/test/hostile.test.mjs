// Property-based tests of the package under hostile use: generated
// columns of every form and value (typed arrays of every kind, arrays
// mixing numbers, missing values, texts and objects, sparse arrays,
// Proxies, texts of any characters and length) and sequences of calls on
// objects.  Every point convert() gives is compared with a fresh object
// given the same inputs; every refused call must be a TypeError or a
// RangeError (never an error of WebAssembly), and the module must give a
// known conversion afterwards.
//
// MORVANE_PROPERTY_RUNS sets the runs of each property (the default keeps
// the suite short); MORVANE_PROPERTY_SEED replays a seed (a run with
// MORVANE_PROPERTY_RUNS set and no seed takes a new one, printed).
import test from "node:test";
import assert from "node:assert/strict";
import fc from "fast-check";

import { COLUMNS, NUMBER_OUTPUTS, ORIG_TYPE, TEXT_OUTPUTS, conversionOf, loadPackage, sameBits } from "./helpers.mjs";

const m = await loadPackage();

const LONG_RUN = process.env.MORVANE_PROPERTY_RUNS !== undefined;
const RUNS = LONG_RUN ? Number(process.env.MORVANE_PROPERTY_RUNS) : 0;
const SEED = process.env.MORVANE_PROPERTY_SEED !== undefined ? Number(process.env.MORVANE_PROPERTY_SEED)
           : LONG_RUN ? Date.now() % 2 ** 31 : 20261208;
const runs = (normal) => (LONG_RUN ? RUNS : normal);

// What the runs tried, for the report.
const tally = new Map();
const count = (what, by = 1) => tally.set(what, (tally.get(what) ?? 0) + by);

function check(t, property, numRuns) {
  tally.clear();
  const started = Date.now();
  const outcome = fc.check(property, { numRuns, seed: SEED, endOnFailure: false });
  t.diagnostic(`seed ${SEED}: ${outcome.numRuns} runs, ${outcome.numSkips} skipped, ` +
               `${((Date.now() - started) / 1000).toFixed(1)} s${outcome.failed ? ", FAILED" : ""}; ` +
               [...tally].map(([what, n]) => `${what} ${n}`).join(", "));
  if (outcome.failed) {
    assert.fail(`${fc.defaultReportMessage(outcome)}\n${outcome.errorInstance?.message ?? ""}`);
  }
}

// A refusal of the package: a TypeError or a RangeError, nothing else (a
// WebAssembly.RuntimeError is a TypeError of neither kind).
function isRefusal(error) {
  return (error instanceof TypeError || error instanceof RangeError) &&
         !(error instanceof WebAssembly.RuntimeError);
}

// A known conversion still gives its known result: the module is sound.
function assertSound() {
  const r = m.convert("deg", [50.8], [4.3], { datumTo: "bd72" });
  assert.equal(r.IFBL[0], "E44422");
  assert.equal(r.MGRS[0], "31UES9152528564");
  const z = new m.ZedizAdo();
  z.MGRS = "31UES9521533649";
  assert.equal(z.MGRS, "31UES9521533649");
  z.dispose();
}

// ---- Generated values ----------------------------------------------------

const OUTPUT_NAMES = [...NUMBER_OUTPUTS, ...TEXT_OUTPUTS];
const READABLE = m.names.properties.filter((p) => p.get).map((p) => p.name);
const WRITABLE = m.names.properties.filter((p) => p.put).map((p) => p.name);
const TYPE_OF = new Map(m.names.properties.map((p) => [p.name, p.type]));
const TEXT_PROPERTIES = new Set(m.names.properties.filter((p) => p.type === "text").map((p) => p.name));

// Anything a column or a property may be handed.
const oddValue = fc.constantFrom("50", "", "x\0", true, false, {}, [], [1], 10n, Symbol("s"), () => 1,
                                 new Date(0), { valueOf: () => 1 }, new Float64Array(1));
const numberValue = fc.oneof(
  { weight: 5, arbitrary: fc.double() },  // NaN, infinities, -0, the tiniest and the largest
  { weight: 4, arbitrary: fc.integer({ min: -40000, max: 40000 }) },
  { weight: 4, arbitrary: fc.double({ min: -100, max: 400000, noNaN: true }) },
  { weight: 3, arbitrary: fc.integer({ min: 0, max: 90 }) },
  { weight: 1, arbitrary: fc.constantFrom(2 ** 31, -(2 ** 31) - 1, 3.4028235677973366e38, 1e39, 5e-324) },
);
const realValue = fc.oneof({ weight: 3, arbitrary: numberValue },
                          { weight: 2, arbitrary: fc.double({ min: -92, max: 92, noNaN: true }) });
const anyValue = fc.oneof(
  { weight: 12, arbitrary: numberValue },
  { weight: 2, arbitrary: fc.constantFrom(null, undefined) },
  { weight: 1, arbitrary: oddValue },
);

const TYPED_LENGTH = Object.getOwnPropertyDescriptor(Object.getPrototypeOf(Int8Array.prototype), "length").get;
const ALL_TYPED = [Float64Array, Float32Array, Int8Array, Uint8Array, Uint8ClampedArray, Int16Array,
                   Uint16Array, Int32Array, Uint32Array, BigInt64Array, BigUint64Array];

// A column of n entries in one of the forms convert() takes, or pretends
// to take.
const wholeValue = fc.oneof({ weight: 8, arbitrary: fc.integer({ min: -100, max: 100 }) },
                           { weight: 1, arbitrary: numberValue });
const clean = (values) => fc.oneof({ weight: 12, arbitrary: values },
                                   { weight: 1, arbitrary: fc.constantFrom(null, undefined) });
function numberColumn(n, name) {
  const whole = TYPE_OF.get(name).startsWith("int");
  const numberValue = whole ? wholeValue : realValue;
  return fc.oneof(
    { weight: 4, arbitrary: fc.array(clean(numberValue), { minLength: n, maxLength: n }) },
    fc.array(anyValue, { minLength: n, maxLength: n }),
    fc.record({ values: fc.array(numberValue, { minLength: n, maxLength: n }), type: fc.constantFrom(...ALL_TYPED) })
      .map(({ values, type }) => (type === BigInt64Array || type === BigUint64Array
        ? type.from(values, (v) => (Number.isFinite(v) ? BigInt(Math.trunc(Math.abs(v))) : 0n))
        : type.from(values))),
    fc.record({ values: fc.array(anyValue, { minLength: n, maxLength: n }),
                holes: fc.array(fc.nat(Math.max(0, n - 1)), { maxLength: 3 }) })
      .map(({ values, holes }) => {
        const sparse = [...values];
        for (const i of holes) delete sparse[i];
        return sparse;
      }),
    fc.array(anyValue, { minLength: n, maxLength: n }).map((values) => new Proxy(values, {})),
    fc.array(clean(numberValue), { minLength: n, maxLength: n }).map(reentrant),
    fc.record({ values: fc.array(numberValue, { minLength: n, maxLength: n }),
                type: fc.constantFrom(Float64Array, Float32Array, Int16Array, Int32Array),
                lie: fc.constantFrom("length", "subarray") })
      .map(({ values, type, lie }) => lying(type, lie).from(values)),
  );
}

// A column whose elements call into the module as they are read: each
// such call must be refused, and the outer call be right all the same.
const nested = [];
let converting = false;
function reentrant(values) {
  return new Proxy(values, {
    get(target, key, receiver) {
      if (key === "0" && converting) {
        try {
          m.convert("lambert", [100000], [100000]);
          nested.push("ran");
        } catch (error) {
          nested.push(error.constructor === Error && /do not nest/.test(error.message) ? "refused" : String(error));
        }
      }
      return Reflect.get(target, key, receiver);
    },
  });
}

// A typed array whose class lies about its length or its parts.
function lying(type, lie) {
  return lie === "length"
    ? class extends type { get length() { return super.length + 3; } }
    : class extends type { subarray(begin) { return super.subarray(begin, begin); } };
}

// Characters of every width, lone surrogates, byte-order marks and the
// letters of references; texts of them, references that convert, missing
// values, very long entries and things that are no text.
const character = fc.oneof(
  { weight: 4, arbitrary: fc.constantFrom(..."31UESFTABCDEFGHJKLMNPQRVWXYZ0123456789 .-") },
  { weight: 2, arbitrary: fc.string({ unit: "binary", minLength: 1, maxLength: 1 }) },
  { weight: 1, arbitrary: fc.constantFrom("\uD800", "\uDBFF", "\uDC00", "\uDFFF", "\uFEFF", "é", "€", "𝔸", "\u0080") },
);
const REFERENCES = ["31UES9521533649", "31UFS0000000000", "31UES95213364", "31ues9521533649", "E42543",
                    "e4.25.43", "E4", "M9", "31UES", "5QKA1234567890"];
const textValue = fc.oneof(
  { weight: 6, arbitrary: fc.string({ unit: character, maxLength: 24 }) },
  { weight: 6, arbitrary: fc.constantFrom(...REFERENCES) },
  { weight: 1, arbitrary: fc.constantFrom(null, undefined) },
  { weight: 1, arbitrary: fc.record({ c: character, n: fc.integer({ min: 1000, max: 300000 }) })
                           .map(({ c, n }) => c.repeat(n)) },
  { weight: 1, arbitrary: fc.oneof(fc.constantFrom(5, true, {}, "E4\0", "\0"), oddValue) },
);
const cleanText = fc.oneof(
  { weight: 6, arbitrary: fc.string({ unit: character, maxLength: 24 }) },
  { weight: 6, arbitrary: fc.constantFrom(...REFERENCES) },
  { weight: 1, arbitrary: fc.constantFrom(null, undefined) },
);
function textColumn(n) {
  return fc.oneof(
    { weight: 4, arbitrary: fc.array(cleanText, { minLength: n, maxLength: n }) },
    { weight: 4, arbitrary: fc.array(textValue, { minLength: n, maxLength: n }) },
    { weight: 1, arbitrary: fc.array(textValue, { minLength: n, maxLength: n }).map((v) => new Proxy(v, {})) },
  );
}

// Options: [value given, the number the object gets (undefined: refused)].
const datumOption = fc.oneof(
  { weight: 30, arbitrary: fc.constantFrom([undefined, 3], [null, 3], ["wgs84", 3], [" BD 72 ", 2], ["ED50", 1],
                                          ["mvNTF", 4], [1, 1], [2, 2], [3, 3], [4, 4], ["ntf", 4]) },
  { weight: 1, arbitrary: fc.constantFrom(["wgs85", undefined], [0, undefined], [6, undefined], [1.5, undefined],
                                          ["__proto__", undefined], [{}, undefined], ["", undefined]) },
);
const precisionOption = (limit) => fc.oneof(
  { weight: 30, arbitrary: fc.constantFrom(1, 10, 100, 1000, 10000, 2, 4, 6, 0, -3, 7).map((v) => [v, v]) },
  { weight: 1, arbitrary: fc.constantFrom([1.5, undefined], ["6", undefined], [limit, undefined], [NaN, undefined]) },
);
const options = fc.record({
  datumFrom: datumOption,
  datumTo: datumOption,
  mgrsPrecision: fc.oneof(fc.constant([undefined, 1]), precisionOption(2 ** 31)),
  ifblPrecision: fc.oneof(fc.constant([undefined, 6]), precisionOption(2 ** 15)),
});

// ---- The oracle: a fresh object per point ---------------------------------

function settingsOf(chosen) {
  const given = {};
  const numbers = {};
  for (const [key, [value, number]] of Object.entries(chosen)) {
    if (value !== undefined) given[key] = value;
    numbers[key] = number;
  }
  return { given, numbers, valid: Object.values(numbers).every((v) => v !== undefined) };
}

// What a fresh object makes of one point, with the package's reading of
// missing values; undefined when a value is refused (a put throws).
function viaObject(kind, values, numbers) {
  const z = new m.ZedizAdo();
  try {
    z.DatumFrom = numbers.datumFrom;
    z.DatumDest = numbers.datumTo;
    z.mgrsPrecision = numbers.mgrsPrecision;
    z.IfblPrecision = numbers.ifblPrecision;
    z.OrigType = ORIG_TYPE[kind];
    const names = COLUMNS[kind];
    const whole = (name) => TYPE_OF.get(name).startsWith("int");
    // The values given, each of which must be one a put takes ...
    try {
      names.forEach((name, i) => {
        const value = values[i];
        z[name] = value != null ? value : TEXT_PROPERTIES.has(name) ? "" : whole(name) ? 0 : NaN;
      });
    } catch (error) {
      if (isRefusal(error)) return undefined;
      throw error;
    }
    // ... then for a missing whole number, the seconds after it missing.
    names.forEach((name, i) => {
      if (values[i] == null && whole(name)) z[names.find((after, k) => k > i && !whole(after))] = NaN;
    });
    const out = conversionOf(m, z, OUTPUT_NAMES);
    return out;
  } finally {
    z.dispose();
  }
}

// convert() on generated columns against the oracle: it throws a refusal
// exactly when some point or option is refused, and otherwise gives each
// point its fresh object's bits.
function agreesWithObjects(kind, columns, chosen) {
  const { given, numbers, valid } = settingsOf(chosen);
  // A typed array's own length, whatever its class says.
  const lengthOf = (c) => (ArrayBuffer.isView(c) ? TYPED_LENGTH.call(c) : c.length);
  const n = lengthOf(columns[0]);
  const sameLength = columns.every((c) => lengthOf(c) === n);
  let result;
  let thrown;
  try {
    converting = true;
    result = m.convert(kind, ...columns, given);
  } catch (error) {
    thrown = error;
  } finally {
    converting = false;
  }
  if (thrown !== undefined && !isRefusal(thrown)) throw thrown;
  count(thrown ? "calls refused" : "calls converted");
  if (!valid || !sameLength) {
    assert.ok(thrown, "convert() took options or columns it should refuse");
    return;
  }
  const points = [];
  let refused = false;
  for (let i = 0; i < n && !refused; i++) {
    const want = viaObject(kind, columns.map((c) => c[i]), numbers);
    if (want === undefined) refused = true;
    points.push(want);
  }
  if (refused) {
    assert.ok(thrown, "convert() took a value a put refuses");
    return;
  }
  if (thrown) throw new Error(`convert() refused what the object takes: ${thrown.message}`);
  count("points compared", n);
  points.forEach((want, i) => {
    for (const name of [...OUTPUT_NAMES, "Failure"]) {
      assert.ok(sameBits(result[name][i], want[name]),
                `point ${i} ${name}: ${String(result[name][i])} instead of ${String(want[name])}`);
    }
  });
}

test("number columns of every form and value: each point its fresh object's, or a TypeError or RangeError", (t) => {
  const call = fc.record({ kind: fc.constantFrom("deg", "dms", "lambert"), n: fc.integer({ min: 0, max: 12 }),
                           odd: fc.integer({ min: 0, max: 19 }) })
    .chain(({ kind, n, odd }) => fc.record({
      kind: fc.constant(kind),
      // Now and then a column of another length.
      columns: fc.tuple(...COLUMNS[kind].map((name, i) => numberColumn(odd === 0 && i === 1 ? n + 1 : n, name))),
      options,
    }));
  check(t, fc.property(call, ({ kind, columns, options: chosen }) => {
    nested.length = 0;
    agreesWithObjects(kind, columns, chosen);
    count("calls from a getter", nested.length);
    assert.ok(nested.every((r) => r === "refused"), `a call from a getter: ${nested}`);
    assertSound();
  }), runs(4000));
});

test("text columns of any characters and length: each point its fresh object's, or a TypeError or RangeError", (t) => {
  const call = fc.record({
    kind: fc.constantFrom("mgrs", "ifbl"),
    columns: fc.integer({ min: 0, max: 12 }).chain((n) => fc.tuple(textColumn(n))),
    options,
  });
  check(t, fc.property(call, ({ kind, columns, options: chosen }) => {
    agreesWithObjects(kind, columns, chosen);
    assertSound();
  }), runs(2000));
});

// ---- Sequences of calls on objects -----------------------------------------

const propertyValue = fc.oneof(anyValue, textValue);
const operation = fc.oneof(
  { weight: 6, arbitrary: fc.record({ who: fc.nat(1), name: fc.constantFrom(...WRITABLE) }).chain(({ who, name }) =>
      fc.record({ op: fc.constant("put"), who: fc.constant(who), name: fc.constant(name),
                  value: fc.oneof({ weight: 4, arbitrary: TEXT_PROPERTIES.has(name) ? cleanText : numberValue },
                                  { weight: 1, arbitrary: propertyValue }) })) },
  { weight: 2, arbitrary: fc.record({ op: fc.constant("get"), who: fc.nat(1), name: fc.constantFrom(...READABLE, "DatumFrom") }) },
  { weight: 3, arbitrary: fc.record({ op: fc.constant("Conversion"), who: fc.nat(1) }) },
  { weight: 1, arbitrary: fc.record({ op: fc.constant("Reset"), who: fc.nat(1) }) },
  { weight: 1, arbitrary: fc.record({ op: fc.constant("dispose"), who: fc.nat(1) }) },
  { weight: 1, arbitrary: fc.record({ op: fc.constant("copy"), who: fc.nat(1), use: fc.constantFrom("get", "put", "Conversion", "dispose", "Reset") }) },
);

function snapshot(z) {
  if (z.disposed) return "disposed";
  return READABLE.map((name) => z[name]);
}

function sameSnapshot(a, b) {
  return a === b || (Array.isArray(a) && Array.isArray(b) && a.every((v, i) => Object.is(v, b[i])));
}

test("sequences of puts, gets, conversions, resets, disposals and copies on objects", (t) => {
  check(t, fc.property(fc.array(operation, { maxLength: 30 }), (operations) => {
    const objects = [new m.ZedizAdo(), new m.ZedizAdo()];
    const datums = objects.map(() => ({}));  // the write-only datums each object was given
    try {
      for (const step of operations) {
        const z = objects[step.who];
        const before = objects.map(snapshot);
        const other = 1 - step.who;
        const dead = z.disposed;
        const what = JSON.stringify(step, (k, v) => (typeof v === "bigint" || typeof v === "symbol" ? String(v) : v));
        let thrown;
        let value;
        count(`${step.op}s`);
        try {
          switch (step.op) {
            case "put": z[step.name] = step.value; break;
            case "get": value = z[step.name]; break;
            case "Conversion": {
              // The object's inputs as they are, given to a fresh object.
              const fresh = dead ? null : new m.ZedizAdo();
              let want;
              if (fresh) {
                for (const [name, v] of Object.entries(datums[step.who])) fresh[name] = v;
                for (const name of WRITABLE) if (READABLE.includes(name)) fresh[name] = z[name];
                const quiet = fresh.Error === "" && z.Error === "";
                try { fresh.Conversion(); want = ""; } catch (error) {
                  if (!(error instanceof m.MorvaneFailure)) throw error;
                  want = error.kind;
                }
                want = { failure: want, out: snapshot(fresh), quiet };
                fresh.dispose();
              }
              let failure = "";
              try { z.Conversion(); } catch (error) {
                if (!(error instanceof m.MorvaneFailure)) throw error;
                failure = error.kind;
              }
              const out = snapshot(z);
              assert.equal(failure, want.failure, what);
              if (failure !== "") {
                // A failed conversion leaves the object as it was.
                assert.ok(sameSnapshot(out, before[step.who]), `${what}: a failure changed the object`);
                break;
              }
              READABLE.forEach((name, i) => {
                if (name === "Error" && !want.quiet) return;
                assert.ok(Object.is(out[i], want.out[i]), `${what}: ${name} ${String(out[i])} instead of ${String(want.out[i])}`);
              });
              break;
            }
            case "Reset": z.Reset(); break;
            case "dispose": z.dispose(); break;
            case "copy": {
              const copy = Object.assign(Object.create(m.ZedizAdo.prototype), z);
              assert.throws(() => {
                switch (step.use) {
                  case "get": return copy.MGRS;
                  case "put": copy.Latitude = 1; return undefined;
                  default: return copy[step.use]();
                }
              }, TypeError, what);
              break;
            }
            default: throw new Error(step.op);
          }
        } catch (error) {
          if (error instanceof assert.AssertionError) throw error;
          thrown = error;
        }
        if (thrown !== undefined) {
          count("refused");
          assert.ok(isRefusal(thrown), `${what}: ${thrown}`);
          if (dead) assert.ok(thrown instanceof TypeError, what);
          // A refused call changes nothing.
          objects.forEach((o, i) => assert.ok(sameSnapshot(snapshot(o), before[i]), `${what} changed object ${i}`));
        } else {
          assert.ok(!dead || step.op === "dispose" || step.op === "copy", `${what} on a disposed object`);
          // Nothing reaches the other object.
          assert.ok(sameSnapshot(snapshot(objects[other]), before[other]), `${what} changed the other object`);
          if (step.op === "put" && (step.name === "DatumFrom" || step.name === "DatumDest")) {
            datums[step.who][step.name] = step.value;
          }
          if (step.op === "put" && READABLE.includes(step.name) && !TEXT_PROPERTIES.has(step.name)) {
            const type = TYPE_OF.get(step.name);
            // A whole number has no -0.
            const want = type === "float" ? Math.fround(step.value) : type === "double" ? step.value : step.value + 0;
            assert.ok(Object.is(z[step.name], want), `${what}: reads ${z[step.name]}`);
          }
          if (step.op === "get") assert.ok(step.name !== "DatumFrom", what);
        }
      }
    } finally {
      for (const z of objects) z.dispose();
    }
    assertSound();
  }), runs(3000));
});
