// What JavaScript alone costs to hand back the result of a batch of a
// million points, whatever computes it: one string a point for a column
// of references (cut from one decoded text, the cheapest way there is),
// twelve numeric columns copied out of WebAssembly memory into typed
// arrays of their own, and two text columns that are empty.  The floor
// below which no package returning every output as JavaScript values can
// go, beside bench_convert.mjs's figures.
//
//   node bench/web/bench_js_floor.mjs [POINTS]
const N = Number(process.argv[2] ?? 1_000_000);
const WIDTH = 15;  // an MGRS reference
const RUNS = 5;

const bytes = new Uint8Array(N * WIDTH);
for (let i = 0; i < bytes.length; i++) bytes[i] = 65 + ((i * 7919) % 26);
const numbers = new Float64Array(N * 12);
const decoder = new TextDecoder();

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const timings = { strings: [], numbers: [], empty: [] };
for (let run = 0; run < RUNS; run++) {
  let t = performance.now();
  const whole = decoder.decode(bytes);
  const references = new Array(N);
  for (let i = 0; i < N; i++) references[i] = whole.substring(i * WIDTH, i * WIDTH + WIDTH);
  timings.strings.push(performance.now() - t);

  t = performance.now();
  const columns = [];
  for (let c = 0; c < 12; c++) {
    const column = new Float64Array(N);
    column.set(numbers.subarray(c * N, c * N + N));
    columns.push(column);
  }
  timings.numbers.push(performance.now() - t);

  t = performance.now();
  const errors = new Array(N).fill("");
  const failures = new Array(N).fill("");
  timings.empty.push(performance.now() - t);
  if (references.length + columns.length + errors.length + failures.length === 0) console.log("");
}
const ns = (ms) => (ms * 1e6) / N;
const strings = ns(median(timings.strings)), copies = ns(median(timings.numbers)), empty = ns(median(timings.empty));
console.log(`${N} points, medians of ${RUNS} runs, nanoseconds per point`);
console.log(`one string a point (a column of references)  ${strings.toFixed(0)}`);
console.log(`twelve numeric columns copied out             ${copies.toFixed(0)}`);
console.log(`two empty text columns                        ${empty.toFixed(0)}`);
console.log(`together                                      ${(strings + copies + empty).toFixed(0)}`);
