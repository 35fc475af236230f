#!/usr/bin/env bash
# Selection benchmark: kxedSSGet("X") with three filters against ezdxf's queries on one drawing.
#
#   bench/run_selection.sh [--count N] [--fresh]
#
# Makes $BUILD/bench-data/selection_N.dxf with selection_bench if it is missing (a million
# entities by default, about 134 MB), brings selection_bench up to date, runs it (best of 5) and
# ezdxf_select.py (best of 3 after one load, which takes minutes), and prints the table that
# bench/README.md records. The ezdxf result is kept beside the drawing and reused until the
# drawing changes or --fresh is given. BUILD defaults to the release tree, build/.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

count=1000000
fresh=0
while [[ $# -gt 0 ]]; do
  case "$1" in
    --count) count="$2"; shift 2 ;;
    --fresh) fresh=1; shift ;;
    *) echo "usage: $0 [--count N] [--fresh]" >&2; exit 2 ;;
  esac
done

$python -c 'import ezdxf' 2>/dev/null ||
  { echo "needs ezdxf for $python (apt-get install python3-ezdxf)" >&2; exit 1; }

mkdir -p "$data"
drawing="$data/selection_$count.dxf"

echo "== building selection_bench"
if [[ "$build" == "$root/build" ]]; then
  [[ -f "$build/build.ninja" ]] || (cd "$root" && cmake --preset release >/dev/null)
  (cd "$root" && cmake --build --preset release --target selection_bench -j 2) \
    >"$data/selection-build.log" 2>&1 ||
    { cat "$data/selection-build.log"; echo "building selection_bench failed" >&2; exit 1; }
else
  cmake --build "$build" --target selection_bench -j 2 >"$data/selection-build.log" 2>&1 ||
    { cat "$data/selection-build.log"; echo "building selection_bench failed" >&2; exit 1; }
fi
bench="$build/bin/selection_bench"

load="$(cut -d' ' -f1-3 /proc/loadavg)"
prio=()
if [[ $EUID == 0 ]]; then prio=(nice -n -20); fi

ours="$data/selection_$count.ours.txt"
make=()
[[ -f "$drawing" ]] || make=(--make "$count")
echo "== kxhost: kxedSSGet(\"X\"), best of 5"
"${prio[@]}" "$bench" "$drawing" "${make[@]}" --runs 5 | tee "$ours"

theirs="$data/selection_$count.ezdxf.txt"
if [[ $fresh == 1 || ! -f "$theirs" || "$theirs" -ot "$drawing" ]]; then
  echo "== ezdxf: one load, then each query best of 3 (the load takes minutes)"
  "${prio[@]}" $python "$here/ezdxf_select.py" "$drawing" --runs 3 | tee "$theirs.part"
  mv "$theirs.part" "$theirs"
else
  echo "== ezdxf: reusing $theirs (--fresh runs it again)"
  cat "$theirs"
fi

# One value of the line for case $2 in file $3.
value() { grep "^case=$2 " "$3" | grep -o "\b$1=[^ ]*" | cut -d= -f2; }

printf '\nDrawing: %s entities, %d cores, load average before the run: %s\n\n' \
  "$(value entities type "$ours")" "$(nproc)" "$load"
printf '| selection | selected | kxhost (ms) | kxhost (entities/s) | ezdxf (ms) | ezdxf (entities/s) | kxhost vs ezdxf |\n'
printf '|---|---:|---:|---:|---:|---:|---:|\n'
for c in type texts layered; do
  awk -v c="$c" -v n="$(value selected "$c" "$ours")" -v a="$(value best_s "$c" "$ours")" \
      -v b="$(value best_s "$c" "$theirs")" -v e="$(value entities "$c" "$ours")" \
      -v m="$(value selected "$c" "$theirs")" 'BEGIN {
    printf "| %s | %d%s | %.1f | %.2e | %.0f | %.2e | %.0f x faster |\n", c, n,
           (n == m ? "" : " (ezdxf: " m ")"), a * 1000, e / a, b * 1000, e / b, b / a
  }'
done
grep '^probe=' "$ours" | sed 's/^/  /' || true
