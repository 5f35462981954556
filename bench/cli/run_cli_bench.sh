#!/usr/bin/env bash
# Whole-command benchmark of `morvane batch` beside cs2cs (PROJ) and
# GeoConvert (GeographicLib) on the same generated points in Belgium.
#
#   bench/cli/run_cli_bench.sh [MORVANE] [RUNS]
#
# MORVANE defaults to build/tools/morvane, RUNS (per command, median
# reported) to 3.  Needs proj-bin, geographiclib-tools and GNU time.
# Degree input on WGS 1984 to the Belgian datum 1972 with every output
# (degrees, DMS, Lambert 72, UTM, MGRS, IFBL) for morvane, Lambert 72 alone
# for cs2cs and MGRS alone for GeoConvert.  Output goes to a file in the
# temporary directory, as a user's would (SINK=/dev/null to leave out the
# cost of writing).  Peak memory (maximum resident set) on one and ten
# million points.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
morvane=${1:-$here/../../build/tools/morvane}
runs=${2:-3}
cores=$(nproc)

for tool in cs2cs GeoConvert /usr/bin/time "$morvane"; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sink=${SINK:-$work/out.txt}

# Uniform points over Belgium, latitude then longitude, 7 decimals.
generate() {
  awk -v n="$1" -v seed="$2" 'BEGIN {
    srand(seed)
    for (i = 0; i < n; i++) printf "%.7f %.7f\n", 49.5 + 2.0 * rand(), 2.5 + 3.9 * rand()
  }' > "$3"
}
echo "generating points ..." >&2
generate 1000000 1 "$work/1m.txt"
generate 10000000 2 "$work/10m.txt"

# Runs a command RUNS times on a file; prints "median-wall-seconds max-rss-KiB".
measure() {
  local input=$1; shift
  local times=() rss=0 wall kib
  for ((r = 0; r < runs; r++)); do
    /usr/bin/time -o "$work/time" -f "%e %M" "$@" < "$input" > "$sink" 2>/dev/null || true
    read -r wall kib < <(tail -1 "$work/time")
    times+=("$wall")
    (( kib > rss )) && rss=$kib
  done
  printf '%s\n' "${times[@]}" | sort -g | awk -v rss="$rss" '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)], rss }'
}

declare -A wall peak
run() {
  local name=$1 input=$2; shift 2
  echo "running $name ..." >&2
  local result
  result=$(measure "$input" "$@")
  wall[$name]=${result% *}
  peak[$name]=${result#* }
}

all_outputs=(batch --from wgs84 --to bd72 --input deg --output all -q)
run "morvane -j 1"      "$work/1m.txt" "$morvane" "${all_outputs[@]}" -j 1
run "morvane -j $cores" "$work/1m.txt" "$morvane" "${all_outputs[@]}" -j "$cores"
run "cs2cs"             "$work/1m.txt" cs2cs EPSG:4326 EPSG:31370
run "GeoConvert -m"     "$work/1m.txt" GeoConvert -m
run "morvane -j 1 (10M)"      "$work/10m.txt" "$morvane" "${all_outputs[@]}" -j 1
run "morvane -j $cores (10M)" "$work/10m.txt" "$morvane" "${all_outputs[@]}" -j "$cores"

echo
echo "$cores cores, $runs runs per command, median wall time; output to $sink"
printf '%-26s %10s %14s %10s %10s\n' command points "points/s" "vs cs2cs" "peak MiB"
cs2cs_rate=$(awk -v t="${wall[cs2cs]}" 'BEGIN { print 1000000 / t }')
for name in "morvane -j 1" "morvane -j $cores" "cs2cs" "GeoConvert -m" \
            "morvane -j 1 (10M)" "morvane -j $cores (10M)"; do
  points=1000000
  [[ $name == *10M* ]] && points=10000000
  awk -v name="$name" -v n="$points" -v t="${wall[$name]}" -v kib="${peak[$name]}" -v ref="$cs2cs_rate" \
    'BEGIN { rate = n / t; printf "%-26s %10d %14.0f %9.2fx %10.1f\n", name, n, rate, rate / ref, kib / 1024 }'
done
