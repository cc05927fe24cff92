#!/usr/bin/env bash
# Big-archive benchmarks. Makes archives of 100 000 and 1 000 000 varied,
# valid connections and runs each work beside its reference on the same
# machine, several rounds with the order swapped each round:
#   archive list, archive list --csv   beside  cat of the same output
#   archive reprice (every record)     beside  cp + sync of the archive
#   deleting every row in one change   beside  cp + sync of the archive
#   loading the whole archive into a selection (no reference: its memory
#   is what counts, against the bytes of the records it holds)
#   the archive window reading the whole archive (offscreen): time to the
#   first rows painted, to the whole list, the longest the event loop was
#   kept waiting (a 1 ms timer), peak memory
#   laying out the printed report of the whole selection a page at a time,
#   reading the selection in place beside reading a decoded copy of it (as
#   the report once did): time, peak memory and the part of it the report adds
# Every output goes to a new file in the same folder, the reference's too.
# Prints the median times, their ratio and the peak resident memory.
#
#   bash bench/archive-bench.sh                  # build first: scripts/build.sh
#   TARVELO_BENCH_RUNS=3 TARVELO_BENCH_SIZES=100000 bash bench/archive-bench.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVELO_BUILD_DIR:-$root/build}
runs=${TARVELO_BENCH_RUNS:-5}
sizes=${TARVELO_BENCH_SIZES:-"100000 1000000"}
cli=$build/tools/tarvelo-cli
tool=$build/bench/tarvelo-archive-bench
window=$build/bench/tarvelo-window-bench

[ -x /usr/bin/time ] || bash "$root/scripts/install-deps.sh"
if [ ! -x "$cli" ] || [ ! -x "$tool" ] || [ ! -x "$window" ]; then
  echo "tarvelo-cli, tarvelo-archive-bench or tarvelo-window-bench missing in $build: run bash scripts/build.sh" >&2
  exit 1
fi

work=$(mktemp -d "${TARVELO_BENCH_DIR:-/var/tmp}/tarvelo-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
results=$work/results
mkdir -p "$results"

# timed KEY OUT COMMAND...: runs COMMAND with its output in the new file OUT
# and adds "seconds peak-KB" to the results of KEY. The time is taken around
# the run to the microsecond (/usr/bin/time gives hundredths); both a work
# and its reference pay the same small overhead of /usr/bin/time.
timed() {
  local key=$1 out=$2 start end
  shift 2
  rm -f "$out"
  start=$EPOCHREALTIME
  /usr/bin/time -f "%M" -o "$work/time" "$@" >"$out"
  end=$EPOCHREALTIME
  echo "$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.6f", b - a}') $(cat "$work/time")" \
    >>"$results/$key"
}

# The reference of the works that rewrite the archive.
cpsync() { cp "$1/Archivio.sto" "$1/copia.sto" && sync "$1/copia.sto"; }
export -f cpsync

for n in $sizes; do
  d=$work/$n
  mkdir -p "$d/Trf" "$d/del"
  "$tool" make "$n" "$d/Archivio.sto"
  cp "$root/data/Trf/Telecom Urbana 50%.trf" "$d/Trf/Prova A.trf"
  cp "$root/data/Trf/Telecom Urbana 50%.trf" "$d/Trf/Prova B.trf"
  sync
done

for n in $sizes; do
  d=$work/$n
  for mode in plain csv; do
    opt=()
    [ "$mode" = csv ] && opt=(--csv)
    "$cli" --folder "$d" archive list "${opt[@]}" >"$d/list.ref" # warms the cache
    for ((r = 1; r <= runs; r++)); do
      if ((r % 2)); then
        timed "list-$mode-$n" "$d/list.out" "$cli" --folder "$d" archive list "${opt[@]}"
        timed "cat-$mode-$n" "$d/cat.out" cat "$d/list.ref"
      else
        timed "cat-$mode-$n" "$d/cat.out" cat "$d/list.ref"
        timed "list-$mode-$n" "$d/list.out" "$cli" --folder "$d" archive list "${opt[@]}"
      fi
      cmp -s "$d/list.out" "$d/list.ref" || { echo "list output changed between runs" >&2; exit 1; }
    done
    rm -f "$d/list.out" "$d/cat.out" "$d/list.ref"
  done
done

for n in $sizes; do
  d=$work/$n
  for ((r = 1; r <= runs; r++)); do
    # Every round prices every record with the other profile, so each
    # record really changes.
    profile="Prova A"
    ((r % 2)) || profile="Prova B"
    rm -f "$d/copia.sto"
    if ((r % 2)); then
      timed "reprice-$n" "$work/reprice.out" "$cli" --folder "$d" archive reprice "$profile" --iva 20
      timed "cpsync-$n" "$work/out" bash -c 'cpsync "$0"' "$d"
    else
      timed "cpsync-$n" "$work/out" bash -c 'cpsync "$0"' "$d"
      timed "reprice-$n" "$work/reprice.out" "$cli" --folder "$d" archive reprice "$profile" --iva 20
    fi
    grep -q "^ricalcolate=$n$" "$work/reprice.out" || { echo "reprice failed" >&2; exit 1; }
    rm -f "$d/copia.sto"
    cp "$d/Archivio.sto" "$d/del/Archivio.sto" && sync "$d/del/Archivio.sto"
    if ((r % 2)); then
      timed "erase-$n" "$work/out" "$tool" erase "$d/del/Archivio.sto"
      timed "cpsync2-$n" "$work/out" bash -c 'cpsync "$0"' "$d"
    else
      timed "cpsync2-$n" "$work/out" bash -c 'cpsync "$0"' "$d"
      timed "erase-$n" "$work/out" "$tool" erase "$d/del/Archivio.sto"
    fi
    rm -f "$d/copia.sto" "$d/del/Archivio.sto"
    timed "select-$n" "$work/out" "$tool" select "$d/Archivio.sto"
  done
done

for n in $sizes; do
  d=$work/$n
  for ((r = 1; r <= runs; r++)); do
    QT_QPA_PLATFORM=offscreen /usr/bin/time -f "%M" -o "$work/time" "$window" "$d" \
      >"$work/window.out" 2>/dev/null
    grep -q "rows=$n " "$work/window.out" || { echo "the window did not list $n rows" >&2; exit 1; }
    echo "$(cat "$work/window.out") peak=$(cat "$work/time")" >>"$results/window-$n"
  done
done

for n in $sizes; do
  d=$work/$n
  for ((r = 1; r <= runs; r++)); do
    for mode in place copy; do
      arg=()
      [ "$mode" = copy ] && arg=(copy)
      start=$EPOCHREALTIME
      "$tool" report "$d/Archivio.sto" "${arg[@]}" >"$work/report.out"
      end=$EPOCHREALTIME
      grep -q "blocchi=$n " "$work/report.out" || { echo "the report did not lay out $n blocks" >&2; exit 1; }
      echo "$(cat "$work/report.out") secondi=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.6f", b - a}')" \
        >>"$results/report-$mode-$n"
    done
  done
done

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
col() { awk -v c="$2" '{print $c}' "$results/$1"; }
peak() { col "$1" 2 | sort -n | tail -1 | awk '{printf "%.1f", $1 / 1024}'; }

echo
echo "Archives of varied connections; $runs rounds each, medians; ratio = work / reference."
printf '%-24s %9s %10s %-12s %10s %7s %10s\n' work records "time (s)" reference "ref. (s)" ratio "peak MB"
line() { # line LABEL N KEY REFLABEL REFKEY
  local t ref
  t=$(col "$3-$2" 1 | median)
  if [ -n "$5" ]; then
    ref=$(col "$5-$2" 1 | median)
    printf '%-24s %9s %10.3f %-12s %10.3f %7.1f %10s\n' "$1" "$2" "$t" "$4" "$ref" \
      "$(awk -v a="$t" -v b="$ref" 'BEGIN {print (b > 0) ? a / b : 0}')" "$(peak "$3-$2")"
  else
    printf '%-24s %9s %10.3f %-12s %10s %7s %10s\n' "$1" "$2" "$t" "$4" - - "$(peak "$3-$2")"
  fi
}
for n in $sizes; do
  line "archive list" "$n" list-plain "cat" cat-plain
  line "archive list --csv" "$n" list-csv "cat" cat-csv
  line "archive reprice (all)" "$n" reprice "cp+sync" cpsync
  line "delete every row" "$n" erase "cp+sync" cpsync2
  line "selection of all" "$n" select \
    "$(awk -v n="$n" 'BEGIN {printf "<=%.0fMB", 1.1 * n * 308 / 1048576 + 50}')" ""
done

# field KEY NAME: the values of NAME=... in the results of KEY.
field() { grep -o "$2=[0-9.]*" "$results/$1" | cut -d= -f2; }
echo
echo "The archive window reading every record (offscreen); $runs rounds, medians (stall: the worst)."
printf '%-9s %15s %14s %18s %10s %10s\n' records "first rows (s)" "all rows (s)" "longest stall (ms)" "peak MB" limit
for n in $sizes; do
  printf '%-9s %15.3f %14.3f %18s %10.1f %10s\n' "$n" "$(field "window-$n" first | median)" \
    "$(field "window-$n" loaded | median)" "$(field "window-$n" stall | sort -n | tail -1)" \
    "$(field "window-$n" peak | sort -n | tail -1 | awk '{print $1 / 1024}')" \
    "$(awk -v n="$n" 'BEGIN {printf "<=%.0fMB", 1.1 * n * 308 / 1048576 + 50}')"
done

echo
echo "The printed report of every record laid out a page at a time; $runs rounds, medians (memory: the most)."
printf '%-9s %-26s %10s %10s %14s\n' records "report reads" "time (s)" "peak MB" "report adds MB"
for n in $sizes; do
  for mode in place copy; do
    label="the selection in place"
    [ "$mode" = copy ] && label="a decoded copy (before)"
    printf '%-9s %-26s %10.3f %10.1f %14.1f\n' "$n" "$label" \
      "$(field "report-$mode-$n" secondi | median)" \
      "$(field "report-$mode-$n" picco_kb | sort -n | tail -1 | awk '{print $1 / 1024}')" \
      "$(field "report-$mode-$n" stampa_kb | sort -n | tail -1 | awk '{print $1 / 1024}')"
  done
done
