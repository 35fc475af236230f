#!/usr/bin/env bash
# TCIRCLE and TEXTMASK over many texts: kxhost (load, command, save) against bench/ezdxf_decorate.py
# making the same geometry with ezdxf's own API (load, change, save) on the same drawing.
#
#   bench/run_decorate.sh [--count N]
#
# Makes $BUILD/bench-data/decorate_N.dxf with ezdxf if it is missing (10,000 texts by default),
# then prints the least processor seconds (user + system) of 3 runs (1 of the slow ezdxf scripts)
# of: kxhost opening and saving the drawing with no command, kxhost running TCIRCLE (slots, 0.35)
# and TEXTMASK (wipeouts, 0.5), and the ezdxf script for each. BUILD defaults to build/.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
count=10000
if [[ "${1:-}" == --count ]]; then count="$2"; fi

mkdir -p "$data"
drawing="$data/decorate_$count.dxf"
[[ -f "$drawing" ]] || $python "$here/ezdxf_decorate.py" make "$count" "$drawing"

# kx REPLY...: kxhost opening the drawing, answering with the replies (none: open and save only)
# and saving it, with settings of its own.
kx() {
  local replies="$data/decorate_replies.scr"
  printf '%s\n' "$@" >"$replies"
  rm -rf "$data/decorate_settings"
  best_cpu 3 "$build/bin/kxhost" "$drawing" -o "$data/decorate_out.dxf" \
    --config "$data/decorate_settings" -s "$replies"
}

plain=$(kx)
tcircle=$(kx TCIRCLE ALL "" "" S "")
textmask=$(kx TEXTMASK ALL "")
ez_tcircle=$(best_cpu 1 $python "$here/ezdxf_decorate.py" tcircle "$drawing" "$data/decorate_ez.dxf")
ez_textmask=$(best_cpu 1 $python "$here/ezdxf_decorate.py" textmask "$drawing" "$data/decorate_ez.dxf")

row() {
  printf "%-8s kxhost %6s s (command alone %5.2f s)   ezdxf %6s s   %6.1f x\n" \
    "$1" "$2" "$(calc "$2 - $plain")" "$3" "$(calc "$3 / max($2, 0.01)")"
}
echo "texts: $count ($(du -h "$drawing" | cut -f1))"
echo "kxhost open + save, no command: $plain s"
row TCIRCLE "$tcircle" "$ez_tcircle"
row TEXTMASK "$textmask" "$ez_textmask"
