#!/usr/bin/env bash
# The text commands over many texts: kxhost (load, command, save) against ezdxf making the same
# group changes with its own API (load, change, save) on the same drawing.
#
#   bench/run_text_commands.sh [--count N] [COMMAND...]
#
# Makes $BUILD/bench-data/text_commands_N.dxf with ezdxf if it is missing (100,000 texts by
# default), then prints the best seconds of 5 runs (3 for ezdxf), wall clock and processor time, of
# kxhost opening and saving the drawing with no command, and for each command (all of them when
# none is named): kxhost running it, the command alone (less the plain open and save), the ezdxf
# script and the ratio. BUILD defaults to the release tree, build/.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
count=100000
if [[ "${1:-}" == --count ]]; then
  count="$2"
  shift 2
fi

mkdir -p "$data"
drawing="$data/text_commands_$count.dxf"
[[ -f "$drawing" ]] || $python "$here/ezdxf_text_commands.py" make "$count" "$drawing"
first=$(cat "$drawing.handle")
: >"$data/no_replies.scr"


# best_of RUNS COMMAND...: the best wall-clock and the best processor seconds (user + system)
# of RUNS runs, as "WALL CPU". This machine's wall clock varies from run to run by a fifth, and
# by several times when other work shares its cores; processor time much less.
best_of() {
  local runs=$1 wall="" cpu=""
  shift
  for ((run = 0; run < runs; run++)); do
    /usr/bin/time -f "%e %U %S" -o "$data/time.txt" "$@" >/dev/null 2>"$data/stderr.txt"
    read -r e u s <"$data/time.txt"
    local c
    c=$(calc "$u + $s")
    if [[ -z "$wall" ]] || [[ $(calc "int($e < $wall)") == 1 ]]; then wall=$e; fi
    if [[ -z "$cpu" ]] || [[ $(calc "int($c < $cpu)") == 1 ]]; then cpu=$c; fi
  done
  printf "%.2f %.2f" "$wall" "$cpu"
}

kx=("$build/bin/kxhost" "$drawing" -o "$data/out.dxf" --config "$data/settings"
  -s "$data/no_replies.scr")

# The replies of each command, one -c each; the ezdxf script does the same change.
declare -A replies=(
  [TJUST]="TJUST|ALL||MC"
  [TCOUNT]="TCOUNT|ALL||X|1,1|Prefix"
  [CHGTHEI]="CHGTHEI|ALL||5"
  [MATHEI]="MATHEI|H $first|ALL|"
  [CURSTYLE]="CURSTYLE|H $first"
  [TXTULINE]="TXTULINE|ALL|"
  [DELULINE]="DELULINE|ALL|"
  [TORIENT_READABLE]="TORIENT|ALL||"
  [TORIENT_ZERO]="TORIENT|ALL||0"
  [TXTALIGN]="TXTALIGN|ALL||Middle|0,0"
  [TEXTFIT]="TEXTFIT|H $first|100"
)
order=(TJUST TCOUNT CHGTHEI MATHEI CURSTYLE TXTULINE DELULINE TORIENT_READABLE TORIENT_ZERO
  TXTALIGN TEXTFIT)
(($# > 0)) && order=("$@")

read -r plain plain_cpu <<<"$(best_of 5 "${kx[@]}")"
echo "texts: $count ($(du -h "$drawing" | cut -f1)), load average $(cut -d' ' -f1 /proc/loadavg)"
echo "kxhost open + save, no command: ${plain} s (processor ${plain_cpu} s)"
echo "seconds: wall clock (processor time); ratio: ezdxf over kxhost"
for name in "${order[@]}"; do
  args=()
  rest="${replies[$name]}|"  # an empty reply, Enter, is a reply too: none is dropped
  while [[ -n "$rest" ]]; do
    args+=(-c "${rest%%|*}")
    rest="${rest#*|}"
  done
  read -r ours ours_cpu <<<"$(best_of 5 "${kx[@]}" "${args[@]}")"
  read -r theirs theirs_cpu <<<"$(best_of 3 $python "$here/ezdxf_text_commands.py" "$name" "$drawing" "$data/ez.dxf")"
  printf "%-17s kxhost %s (%s), command alone %.2f (%.2f), ezdxf %s (%s), ratio %.1fx (%.1fx)\n" \
    "$name" "$ours" "$ours_cpu" "$(calc "$ours - $plain")" "$(calc "$ours_cpu - $plain_cpu")" \
    "$theirs" "$theirs_cpu" "$(calc "$theirs / max($ours, 0.01)")" "$(calc "$theirs_cpu / max($ours_cpu, 0.01)")"
done
