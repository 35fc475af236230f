#!/usr/bin/env bash
# TJUST and TCOUNT over many texts: kxhost (load, command, save) against ezdxf making the same
# group changes with its own API (load, change, save) on the same drawing.
#
#   bench/run_text_commands.sh [--count N]
#
# Makes $BUILD/bench-data/texts_N.dxf with ezdxf if it is missing (100,000 texts by default),
# then prints the best seconds of 5 runs (3 for ezdxf) for: kxhost opening and saving the drawing with no command,
# kxhost running TJUST (all texts to middle centre) and TCOUNT (numbered by x, in front), and
# the ezdxf script for each. BUILD defaults to the release tree, build/.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="${BUILD:-$root/build}"
data="$build/bench-data"
python=/usr/bin/python3
count=100000
if [[ "${1:-}" == --count ]]; then count="$2"; fi

mkdir -p "$data"
drawing="$data/texts_$count.dxf"
[[ -f "$drawing" ]] || $python "$here/ezdxf_text_commands.py" make "$count" "$drawing"

calc() { $python -c "print($1)"; }

# best_of RUNS COMMAND...: this machine's timings vary from run to run by a fifth.
best_of() {
  local runs=$1 best=""
  shift
  for ((run = 0; run < runs; run++)); do
    local start end t
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(calc "$end - $start")
    if [[ -z "$best" ]] || [[ $(calc "int($t < $best)") == 1 ]]; then best=$t; fi
  done
  printf "%.2f" "$best"
}

kx() { "$build/bin/kxhost" "$drawing" -o "$data/out.dxf" --config "$data/settings" "$@"; }
plain=$(best_of 5 kx -s /dev/null)
tjust=$(best_of 5 kx -c TJUST -c ALL -c "" -c MC -s /dev/null)
tcount=$(best_of 5 kx -c TCOUNT -c ALL -c "" -c X -c 1,1 -c Prefix -s /dev/null)
ez_tjust=$(best_of 3 $python "$here/ezdxf_text_commands.py" tjust "$drawing" "$data/ez.dxf")
ez_tcount=$(best_of 3 $python "$here/ezdxf_text_commands.py" tcount "$drawing" "$data/ez.dxf")

echo "texts: $count ($(du -h "$drawing" | cut -f1))"
echo "kxhost open + save, no command: ${plain} s"
printf "TJUST  kxhost %s s (command alone %.2f s), ezdxf %s s, ratio %.1fx\n" \
  "$tjust" "$(calc "$tjust - $plain")" "$ez_tjust" "$(calc "$ez_tjust / $tjust")"
printf "TCOUNT kxhost %s s (command alone %.2f s), ezdxf %s s, ratio %.1fx\n" \
  "$tcount" "$(calc "$tcount - $plain")" "$ez_tcount" "$(calc "$ez_tcount / $tcount")"
