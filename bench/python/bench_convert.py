#!/usr/bin/env python3
"""Speed and memory of morvane.convert beside pyproj, in one run.

One million random points in Belgium (WGS 1984 degrees), converted by
    morvane.convert("deg", lat, lon, datum_from="wgs84", datum_to="bd72")
with every output (degrees and DMS on the Belgian datum 1972, Lambert 72,
UTM, MGRS and IFBL texts, messages), on one thread and on two, and by
    pyproj.Transformer.from_crs(4326, 31370, always_xy=True).transform(lon, lat)
(Lambert 72 only) on the same arrays.  The calls are timed in turn, round
after round, and the medians compared: ratios, measured in the same run,
are what to read; absolute rates follow the machine's other work.

CPU s is the process's processor time for the call (all its threads): on
a busy machine it shows the single-thread costs better than the wall time.
Peak memory is measured in a fresh process per call: the growth of the
peak resident set over the call, beside the bytes of the arrays it returns.

    bench/python/bench_convert.py [--points N] [--rounds R]
"""

from __future__ import annotations

import argparse
import statistics
import subprocess
import sys
import time

import numpy as np

CALLS = ("pyproj", "morvane threads=1", "morvane threads=2")


def points(n: int, seed: int = 1972) -> tuple[np.ndarray, np.ndarray]:
    """Random points in Belgium's bounding box, WGS 1984 degrees."""
    rng = np.random.default_rng(seed)
    return rng.uniform(49.50, 51.50, n), rng.uniform(2.55, 6.40, n)


def make_call(name: str):
    import morvane

    if name == "pyproj":
        from pyproj import Transformer

        transformer = Transformer.from_crs(4326, 31370, always_xy=True)
        return lambda lat, lon: transformer.transform(lon, lat)
    threads = int(name.rsplit("=", 1)[1])
    return lambda lat, lon: morvane.convert(
        "deg", lat, lon, datum_from="wgs84", datum_to="bd72", threads=threads
    )


def result_bytes(result) -> int:
    if isinstance(result, tuple):
        return sum(np.asarray(a).nbytes for a in result)
    return sum(a.nbytes for a in result.to_dict().values())


def peak_kib() -> int:
    """The process's peak resident set, KiB.  (Not getrusage: on Linux its
    peak carries over from the parent through fork and exec.)"""
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def peak_in_fresh_process(name: str, n: int) -> tuple[float, float]:
    """(growth of the peak RSS over one call, bytes of its result), in MiB."""
    code = f"""
import sys
sys.path.insert(0, {str(__file__.rsplit('/', 1)[0])!r})
from bench_convert import make_call, peak_kib, points, result_bytes
lat, lon = points({n})
call = make_call({name!r})
call(lat[:1000], lon[:1000])
before = peak_kib()
result = call(lat, lon)
after = peak_kib()
print((after - before) / 1024, result_bytes(result) / 2**20)
"""
    out = subprocess.run([sys.executable, "-c", code], check=True, capture_output=True, text=True)
    growth, size = out.stdout.split()
    return float(growth), float(size)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--points", type=int, default=1_000_000)
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()

    lat, lon = points(args.points)
    calls = {name: make_call(name) for name in CALLS}
    for call in calls.values():  # first use: PROJ's database, the pages of the code
        call(lat[:1000], lon[:1000])
    seconds: dict[str, list[float]] = {name: [] for name in CALLS}
    cpu: dict[str, list[float]] = {name: [] for name in CALLS}
    for _ in range(args.rounds):
        for name, call in calls.items():
            start, start_cpu = time.perf_counter(), time.process_time()
            result = call(lat, lon)
            seconds[name].append(time.perf_counter() - start)
            cpu[name].append(time.process_time() - start_cpu)
            del result

    median = {name: statistics.median(s) for name, s in seconds.items()}
    median_cpu = {name: statistics.median(s) for name, s in cpu.items()}
    print(f"{args.points} points in Belgium, median of {args.rounds} rounds")
    print("| call | outputs | s | points/s | vs pyproj | vs 1 thread | CPU s | peak growth MiB | result MiB |")
    print("|---|---|---:|---:|---:|---:|---:|---:|---:|")
    for name in CALLS:
        growth, size = peak_in_fresh_process(name, args.points)
        outputs = "Lambert 72 X, Y" if name == "pyproj" else "all 16, texts included"
        vs_one = "" if name == "pyproj" else f"{median['morvane threads=1'] / median[name]:.2f}x"
        print(
            f"| {name} | {outputs} | {median[name]:.3f} | {args.points / median[name]:,.0f} "
            f"| {median['pyproj'] / median[name]:.2f}x | {vs_one} | {median_cpu[name]:.3f} "
            f"| {growth:.1f} | {size:.1f} |"
        )


if __name__ == "__main__":
    main()
