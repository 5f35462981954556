// One million random points in Belgium, WGS 1984 degrees to the Belgian
// datum 1972, in one run:
//   - m.convert("deg", ...) of the WebAssembly package, every output;
//   - proj4 (EPSG:4326 to Lambert 72 with the same three-parameter shift)
//     plus mgrs.forward, point by point: Lambert 72 and MGRS only;
//   - the native batch call on one thread (bench/web/native_batch.cpp,
//     linked with build/libmorvane.a), and the same program compiled to
//     WebAssembly (the arithmetic alone, without the JavaScript texts),
//     each on its best batch path and one point at a time.
// Prints times per point and their ratios, and the size of the .wasm.
//
//   node bench/web/bench_convert.mjs [POINTS]
// Needs scripts/build-web, the CMake build in build/ and `npm ci` in web/.
import { createRequire } from "node:module";
import { execFileSync } from "node:child_process";
import { existsSync, mkdirSync, statSync, writeFileSync } from "node:fs";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
const OUT = path.join(ROOT, "build-web/bench");
const N = Number(process.argv[2] ?? 1_000_000);
const RUNS = 3;

const require = createRequire(path.join(ROOT, "web/package.json"));
const proj4 = require("proj4");
const mgrs = require("mgrs");
const { load } = await import(pathToFileURL(path.join(ROOT, "build-web/npm/index.js")).href);

mkdirSync(OUT, { recursive: true });

// The points: a seeded generator, uniform over Belgium's bounding box.
const { generator } = await import(pathToFileURL(path.join(ROOT, "web/test/helpers.mjs")).href);
const random = generator(12345).next;
const lat = new Float64Array(N);
const lon = new Float64Array(N);
for (let i = 0; i < N; i++) {
  lat[i] = 49.5 + 2.0 * random();
  lon[i] = 2.55 + 3.85 * random();
}

// Wall time and processor time of a call, in nanoseconds per point.  The
// machine is shared: processor time is the steadier of the two.
function timed(call, points) {
  const cpu = process.cpuUsage();
  const start = performance.now();
  const value = call();
  const wall = performance.now() - start;
  const used = process.cpuUsage(cpu);
  return { value, wall: (wall * 1e6) / points, cpu: ((used.user + used.system) * 1e3) / points };
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

// ---- The native batch call --------------------------------------------
function nativeNsPerPoint() {
  const library = path.join(ROOT, "build/libmorvane.a");
  if (!existsSync(library)) return null;
  const program = path.join(OUT, "native_batch");
  execFileSync("g++", ["-std=c++20", "-O2", "-flto=auto", "-ffp-contract=off", "-fno-fast-math",
    "-march=x86-64-v2", `-I${path.join(ROOT, "include")}`, path.join(ROOT, "bench/web/native_batch.cpp"),
    library, "-lpthread", "-o", program]);
  const file = path.join(OUT, "points.bin");
  const data = new Float64Array(1 + 2 * N);
  data[0] = N;
  data.set(lat, 1);
  data.set(lon, 1 + N);
  writeFileSync(file, data);
  const run = (...batchPath) => JSON.parse(execFileSync(program, [file, ...batchPath], { encoding: "utf8" }));
  return { ...run(), scalar: run("scalar") };
}

// ---- The same batch call compiled to WebAssembly, without JavaScript ------
// native_batch.cpp built with Emscripten against the package's core: the
// cost of the arithmetic in WebAssembly alone, before any texts are made.
function wasmBatchNsPerPoint() {
  const library = path.join(ROOT, "build-web/cmake/libmorvane_core_wasm.a");
  if (!existsSync(library)) return null;
  const program = path.join(OUT, "wasm_batch.js");
  execFileSync("em++", ["-std=c++20", "-O3", "-flto", "-fno-math-errno", "-fwasm-exceptions", "-mbulk-memory",
    "-mnontrapping-fptoint", "-msimd128", "-ffp-contract=off", "-Wl,-mllvm,-inline-threshold=5000",
    "-include", path.join(ROOT, "web/compat/bit_cast.hpp"),
    `-I${path.join(ROOT, "include")}`, path.join(ROOT, "bench/web/native_batch.cpp"), library,
    "-sALLOW_MEMORY_GROWTH=1", "-sNODERAWFS=1", "-sENVIRONMENT=node", "-sSINGLE_FILE=1", "-o", program],
  { env: { ...process.env, NODE_PATH: "/usr/share/nodejs" } });
  const run = (...batchPath) =>
    JSON.parse(execFileSync("node", [program, path.join(OUT, "points.bin"), ...batchPath], { encoding: "utf8" }));
  return { ...run(), scalar: run("scalar") };
}

// ---- WebAssembly ----------------------------------------------------------
const m = await load();
const options = { datumFrom: "wgs84", datumTo: "bd72" };
m.convert("deg", lat.subarray(0, 100000), lon.subarray(0, 100000), options);  // warm-up
const wasmRuns = [];
let result;
for (let run = 0; run < RUNS; run++) {
  const t = timed(() => m.convert("deg", lat, lon, options), N);
  result = t.value;
  wasmRuns.push(t);
}
const wasm = median(wasmRuns.map((r) => r.wall));
const wasmCpu = median(wasmRuns.map((r) => r.cpu));

// ---- proj4 + mgrs, point by point ----------------------------------------
const lambert72 = "+proj=lcc +lat_0=90 +lon_0=4.36748666666667 +lat_1=51.1666672333333 " +
  "+lat_2=49.8333339 +x_0=150000.013 +y_0=5400088.438 +ellps=intl " +
  "+towgs84=-125.8,79.9,-100.5,0,0,0,0 +units=m +no_defs";
const toLambert = proj4("EPSG:4326", lambert72);
function peer(count) {
  const x = new Float64Array(count);
  const y = new Float64Array(count);
  const refs = new Array(count);
  for (let i = 0; i < count; i++) {
    const p = toLambert.forward([lon[i], lat[i]]);
    x[i] = p[0];
    y[i] = p[1];
    refs[i] = mgrs.forward([lon[i], lat[i]], 5);
  }
  return { x, y, refs };
}
peer(50000);  // warm-up
const peerRuns = [];
let peerResult;
for (let run = 0; run < RUNS; run++) {
  const t = timed(() => peer(N), N);
  peerResult = t.value;
  peerRuns.push(t);
}
const peerNs = median(peerRuns.map((r) => r.wall));
const peerCpu = median(peerRuns.map((r) => r.cpu));

// The same points: Lambert 72 of both within a metre or so.
let largestLambert = 0;
for (let i = 0; i < N; i += 97) {
  largestLambert = Math.max(largestLambert, Math.hypot(result.X[i] - peerResult.x[i], result.Y[i] - peerResult.y[i]));
}

const native = nativeNsPerPoint();
// Emscripten's clock() is wall time: this one has wall time only.
const wasmBatch = native ? wasmBatchNsPerPoint() : null;
const nativeNs = native?.nsPerPoint ?? null;
const nativeCpu = native?.cpuNsPerPoint ?? null;
const wasmBytes = statSync(path.join(ROOT, "build-web/npm/morvane_wasm.wasm")).size;

const round = (v) => (v === null ? null : Number(v.toFixed(1)));
const ratio = (a, b) => (a === null || b === null ? null : Number((a / b).toFixed(2)));
const report = {
  points: N,
  wall: {
    wasm: round(wasm), peer: round(peerNs), native: round(nativeNs),
    nativeScalar: round(native?.scalar.nsPerPoint ?? null),
    wasmBatchCall: round(wasmBatch?.nsPerPoint ?? null),
    wasmBatchCallScalar: round(wasmBatch?.scalar.nsPerPoint ?? null),
  },
  cpu: { wasm: round(wasmCpu), peer: round(peerCpu), native: round(nativeCpu) },
  peerOverWasm: { wall: ratio(peerNs, wasm), cpu: ratio(peerCpu, wasmCpu) },
  wasmOverNative: { wall: ratio(wasm, nativeNs), cpu: ratio(wasmCpu, nativeCpu) },
  wasmBatchCallOverNative: { wall: ratio(wasmBatch?.nsPerPoint ?? null, nativeNs) },
  wasmBytes,
  largestLambertDifferenceToPeerMetres: Number(largestLambert.toFixed(3)),
};
writeFileSync(path.join(OUT, "convert.json"), JSON.stringify(report, null, 2) + "\n");
const row = (name, key) =>
  console.log(`${name.padEnd(44)}${String(report.wall[key]).padStart(8)} ns${String(report.cpu[key]).padStart(10)} ns`);
console.log(`${N} points, WGS 1984 degrees to the Belgian datum 1972     wall       processor (per point, medians)`);
row('m.convert("deg"), every output', "wasm");
row("proj4 + mgrs.forward (Lambert 72, MGRS)", "peer");
row("native batch call, one thread", "native");
const wallRow = (name, key) => console.log(`${name.padEnd(44)}${String(report.wall[key]).padStart(8)} ns`);
wallRow("  the same, one point at a time", "nativeScalar");
wallRow("the batch call in WebAssembly, no JavaScript", "wasmBatchCall");
wallRow("  the same, one point at a time", "wasmBatchCallScalar");
console.log(`proj4 + mgrs against the package: ${report.peerOverWasm.wall}x (wall), ${report.peerOverWasm.cpu}x (processor)`);
console.log(`package against the native batch call: ${report.wasmOverNative.wall}x (wall), ${report.wasmOverNative.cpu}x (processor)`);
console.log(`the batch call in WebAssembly against native: ${report.wasmBatchCallOverNative.wall}x (wall)`);
console.log(`morvane_wasm.wasm: ${wasmBytes} bytes`);
console.log(`Lambert 72, package against proj4: largest difference ${report.largestLambertDifferenceToPeerMetres} m`);
