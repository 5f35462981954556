#!/usr/bin/env bash
# CSV mode against text mode of `morvane batch`, on one thread, on the same
# generated points in Belgium with the same outputs (degree input on WGS
# 1984 to the Belgian datum 1972, every output column).
#
#   bench/cli/run_csv_bench.sh [MORVANE] [RUNS] [POINTS]
#
# MORVANE defaults to build/tools/morvane, RUNS to 5 (median reported; the
# three commands are timed in turn, so that the machine's drift falls on all
# of them), POINTS to 1000000.  Two CSV files hold the points: a plain one
# ("lat,lon") and one as a Belgian spreadsheet saves it (byte-order mark,
# semicolons, decimal commas, CRLF, an id column before and a quoted text
# column after the coordinates).  The value columns of every output are
# checked to be those of text mode before anything is timed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
morvane=${1:-$here/../../build/tools/morvane}
runs=${2:-5}
points=${3:-1000000}
for tool in /usr/bin/time "$morvane"; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "generating $points points ..." >&2
awk -v n="$points" -v text="$work/points.txt" -v plain="$work/plain.csv" -v sheet="$work/sheet.csv" 'BEGIN {
  srand(3)
  print "lat,lon" > plain
  printf "\357\273\277Waarneming;Breedte;Lengte;Opmerking\r\n" > sheet
  for (i = 0; i < n; i++) {
    lat = sprintf("%.7f", 49.5 + 2.0 * rand()); lon = sprintf("%.7f", 2.5 + 3.9 * rand())
    print lat, lon > text
    print lat "," lon > plain
    gsub(/\./, ",", lat); gsub(/\./, ",", lon)
    printf "%d;%s;%s;\"plot %d\"\r\n", i + 1, lat, lon, i % 97 > sheet
  }
}'

convert=(batch --from wgs84 --to bd72 --output all -q -j 1)
declare -A input=([text]="$work/points.txt" [csv]="$work/plain.csv" [spreadsheet]="$work/sheet.csv")
declare -A extra=([text]="" [csv]="--csv" [spreadsheet]="--csv")
names=(text csv spreadsheet)

# The same value columns (16) in every mode: text mode's, with the comma
# for the decimal point in the spreadsheet's.
"$morvane" "${convert[@]}" "${input[text]}" | cut -f1-16 | tr '\t' ',' > "$work/values.text"
"$morvane" "${convert[@]}" --csv "${input[csv]}" | tail -n +2 | cut -d, -f3-18 > "$work/values.csv"
"$morvane" "${convert[@]}" --csv "${input[spreadsheet]}" | tail -n +2 | tr -d '\r' |
  cut -d';' -f5-20 | tr ',;' '.,' > "$work/values.spreadsheet"
for name in csv spreadsheet; do
  cmp -s "$work/values.text" "$work/values.$name" || { echo "$name: values differ from text mode" >&2; exit 1; }
done

declare -A times
for ((r = 0; r < runs; r++)); do
  for name in "${names[@]}"; do
    echo "run $((r + 1))/$runs: $name ..." >&2
    # shellcheck disable=SC2086
    /usr/bin/time -o "$work/time" -f "%e" "$morvane" "${convert[@]}" ${extra[$name]} "${input[$name]}" \
      > "$work/out" 2>/dev/null
    times[$name]+="$(tail -1 "$work/time") "
  done
done

median() { printf '%s\n' $1 | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'; }
echo
echo "$points points, one thread, every output, median of $runs runs (in turn)"
printf '%-34s %12s %14s %10s\n' mode seconds "points/s" "vs text"
text_rate=$(awk -v n="$points" -v t="$(median "${times[text]}")" 'BEGIN { print n / t }')
for name in "${names[@]}"; do
  t=$(median "${times[$name]}")
  case $name in
    text) label="text mode (LAT LON)" ;;
    csv) label="CSV mode, lat,lon" ;;
    spreadsheet) label="CSV mode, spreadsheet (; , CRLF)" ;;
  esac
  awk -v l="$label" -v n="$points" -v t="$t" -v ref="$text_rate" \
    'BEGIN { printf "%-34s %12.2f %14.0f %9.2fx\n", l, t, n / t, n / t / ref }'
done
