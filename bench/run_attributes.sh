#!/usr/bin/env bash
# ATTOUT, ATTIN and BURST on many block references: kxhost (load, command, save) against ezdxf
# doing the same with its own API (load, work, save) on the same drawing.
#
#   bench/run_attributes.sh [--refs N] [--burst M] [--ezdxf-runs K]
#
# Makes $BUILD/bench-data/attributes_N.dxf (50,000 references with five attributes each by
# default) and attributes_M.dxf (10,000, for BURST) with ezdxf if they are missing, then prints
# the best seconds (wall clock and CPU) of 5 kxhost runs and K ezdxf runs (3 by default) for:
# kxhost opening the drawing with no command; ATTOUT of every reference; ATTIN of a file with
# every value changed, then saving; BURST of every reference, then saving. BUILD defaults to
# build/.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
refs=50000
bursts=10000
ez_runs=3
while [[ $# -gt 0 ]]; do
  case "$1" in
    --refs) refs="$2"; shift 2 ;;
    --burst) bursts="$2"; shift 2 ;;
    --ezdxf-runs) ez_runs="$2"; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

mkdir -p "$data"
drawing="$data/attributes_$refs.dxf"
small="$data/attributes_$bursts.dxf"
[[ -f "$drawing" ]] || $python "$here/ezdxf_attributes.py" make "$refs" "$drawing"
[[ -f "$small" ]] || $python "$here/ezdxf_attributes.py" make "$bursts" "$small"
: > "$data/empty.scr"

# best_of RUNS COMMAND...: "WALL CPU", the best wall-clock and the best CPU seconds (user +
# system) of the runs; this machine's wall clock varies from run to run by a fifth or more when
# others build on it, its CPU time much less.
best_of() {
  local runs=$1 wall="" cpu=""
  shift
  for ((run = 0; run < runs; run++)); do
    /usr/bin/time -f "%e %U %S" -o "$data/time.txt" "$@" >/dev/null
    read -r e u s < <(tail -n 1 "$data/time.txt")
    local c
    c=$(calc "$u + $s")
    if [[ -z "$wall" ]] || [[ $(calc "int($e < $wall)") == 1 ]]; then wall=$e; fi
    if [[ -z "$cpu" ]] || [[ $(calc "int($c < $cpu)") == 1 ]]; then cpu=$c; fi
  done
  printf "%.2f %.2f" "$wall" "$cpu"
}

# kxhost on a drawing with replies given as options; an array, not a function, so that
# /usr/bin/time can run it.
kx=("$build/bin/kxhost" --config "$data/settings" -s "$data/empty.scr")

# The file ATTIN reads: what ATTOUT writes, every value changed.
"${kx[@]}" "$drawing" -c ATTOUT -c "$data/attout.txt" -c 1 -c ALL -c "" >/dev/null
$python "$here/ezdxf_attributes.py" edit "$data/attout.txt" "$data/attin.txt"

open_only=$(best_of 5 "${kx[@]}" "$drawing")
attout=$(best_of 5 "${kx[@]}" "$drawing" -c ATTOUT -c "$data/out.txt" -c 1 -c ALL -c "")
attin=$(best_of 5 "${kx[@]}" "$drawing" -c ATTIN -c "$data/attin.txt" -c 1 -o "$data/attin.dxf")
open_small=$(best_of 5 "${kx[@]}" "$small")
burst=$(best_of 5 "${kx[@]}" "$small" -c BURST -c ALL -c "" -o "$data/burst.dxf")
ez_attout=$(best_of "$ez_runs" $python "$here/ezdxf_attributes.py" attout "$drawing" "$data/ez.txt")
ez_attin=$(best_of "$ez_runs" $python "$here/ezdxf_attributes.py" attin "$drawing" "$data/attin.txt" \
  "$data/ez.dxf")
ez_burst=$(best_of "$ez_runs" $python "$here/ezdxf_attributes.py" burst "$small" "$data/ez.dxf")

row() {  # NAME "KXHOST_WALL KXHOST_CPU" "EZDXF_WALL EZDXF_CPU"
  read -r kw kc <<<"$2"
  read -r ew ec <<<"$3"
  printf "%-6s kxhost %6.2f s (CPU %6.2f s), ezdxf %6.2f s (CPU %6.2f s), ratio %5.1fx (CPU %5.1fx)\n" \
    "$1" "$kw" "$kc" "$ew" "$ec" "$(calc "$ew / max($kw, 0.01)")" "$(calc "$ec / max($kc, 0.01)")"
}

echo "references: $refs ($(du -h "$drawing" | cut -f1)), for BURST $bursts ($(du -h "$small" | cut -f1))"
echo "kxhost open, no command: ${open_only} s (BURST drawing ${open_small} s), wall and CPU"
row ATTOUT "$attout" "$ez_attout"
row ATTIN "$attin" "$ez_attin"
row BURST "$burst" "$ez_burst"
