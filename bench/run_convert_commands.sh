#!/usr/bin/env bash
# TXT2MTXT and TXTEXP over 10,000 texts and GB2BIG5 over 100,000 Chinese texts: kxhost (load,
# command, save) against an ezdxf script doing the same work with its own API and tools (load,
# change, save) on the same drawing.
#
#   bench/run_convert_commands.sh [--texts N] [--chinese N]
#
# Makes the drawings in $BUILD/bench-data with ezdxf if they are missing, then prints the least
# processor seconds of 3 runs (1 for the slow ezdxf scripts) and the ratios. TXTEXP's ezdxf script needs
# python3-matplotlib (ezdxf's text-to-path tool draws glyphs with it). BUILD defaults to build/.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
texts=10000
chinese=100000
while [[ $# -gt 0 ]]; do
  case "$1" in
    --texts) texts="$2"; shift 2 ;;
    --chinese) chinese="$2"; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

mkdir -p "$data"
script="$here/ezdxf_convert_commands.py"
plain="$data/convert_texts_$texts.dxf"
han="$data/convert_chinese_$chinese.dxf"
[[ -f "$plain" ]] || $python "$script" make-texts "$texts" "$plain"
[[ -f "$han" ]] || $python "$script" make-chinese "$chinese" "$han"
table="$build/host/generated/STCharacters.txt"

# kx DRAWING REPLY...: the least processor time of kxhost opening DRAWING, answering with the
# replies (none: open and save only) and saving.
kx() {
  local drawing=$1 replies="$data/convert_replies.scr"
  shift
  printf '%s\n' "$@" >"$replies"
  rm -rf "$data/convert_settings"
  best_cpu 3 "$build/bin/kxhost" "$drawing" -o "$data/convert_out.dxf" \
    --config "$data/convert_settings" -s "$replies"
}

open_plain=$(kx "$plain")
open_han=$(kx "$han")
txt2mtxt=$(kx "$plain" TXT2MTXT ALL "")
txtexp=$(kx "$plain" TXTEXP ALL "")
gb2big5=$(kx "$han" GB2BIG5 3513 OK)
ez_txt2mtxt=$(best_cpu 1 $python "$script" txt2mtxt "$plain" "$data/convert_ez.dxf")
ez_txtexp=$(best_cpu 1 $python "$script" txtexp "$plain" "$data/convert_ez.dxf")
ez_gb2big5=$(best_cpu 1 $python "$script" gb2big5 "$table" "$han" "$data/convert_ez.dxf")

row() {
  printf "%-9s kxhost %6s s (command alone %6.2f s)   ezdxf %7s s   %6.1f x\n" \
    "$1" "$2" "$(calc "$2 - $3")" "$4" "$(calc "$4 / max($2, 0.01)")"
}
echo "texts: $texts ($(du -h "$plain" | cut -f1)), Chinese texts: $chinese ($(du -h "$han" | cut -f1))"
echo "kxhost open + save, no command: $open_plain s and $open_han s"
row TXT2MTXT "$txt2mtxt" "$open_plain" "$ez_txt2mtxt"
row TXTEXP "$txtexp" "$open_plain" "$ez_txtexp"
row GB2BIG5 "$gb2big5" "$open_han" "$ez_gb2big5"
