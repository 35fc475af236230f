#!/usr/bin/env bash
# Pictures of a big drawing: kxhost --render as PNG, SVG and PDF against ezdxf's drawing add-on
# with matplotlib on the same drawing, time and peak memory of each.
#
#   bench/run_render.sh [--scale S] [--no-ezdxf]
#
# Makes $BUILD/bench-data/render_S.dxf with make_big_drawing.py if it is missing (scale 0.4:
# 200,000 TEXTs and 20,000 INSERTs with three ATTRIBs each), then for each format prints the
# wall-clock and processor seconds (user + system) and the peak resident set of one kxhost run
# (open, draw, no save) and of one bench/ezdxf_render.py run. BUILD defaults to build/.
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
scale=0.4
ezdxf=1
while [[ $# -gt 0 ]]; do
  case "$1" in
    --scale) scale="$2"; shift 2 ;;
    --no-ezdxf) ezdxf=0; shift ;;
    *) echo "usage: $0 [--scale S] [--no-ezdxf]" >&2; exit 2 ;;
  esac
done

mkdir -p "$data"
drawing="$data/render_$scale.dxf"
[[ -f "$drawing" ]] || $python "$here/make_big_drawing.py" "$drawing" --scale "$scale" >/dev/null
out=$(mktemp -d "$data/render.XXXXXX")
trap 'rm -rf "$out"' EXIT

# measure NAME COMMAND...: one run under /usr/bin/time; prints wall, processor time and peak RSS.
measure() {
  local name=$1
  shift
  if /usr/bin/time -f "%e %U %S %M" -o "$out/time.txt" "$@" >"$out/stdout.txt" 2>"$out/stderr.txt"; then
    read -r wall user sys rss <"$out/time.txt"
    printf "%-14s %8.1f s wall %8.1f s cpu %8.0f MB peak\n" "$name" "$wall" \
      "$($python -c "print($user + $sys)")" "$($python -c "print($rss / 1024)")"
  else
    printf "%-14s failed: %s\n" "$name" "$(tail -n 1 "$out/stderr.txt")"
  fi
}

echo "$(basename "$drawing"): $(grep -c '^TEXT$' "$drawing") TEXT, $(grep -c '^INSERT$' "$drawing") INSERT"
measure "kxhost open" "$build/bin/kxhost" "$drawing" -c QUIT
for format in png svg pdf; do
  measure "kxhost $format" "$build/bin/kxhost" "$drawing" -c QUIT --render "$out/kx.$format"
  printf "%-14s %8.1f MB\n" "  file" "$($python -c "print($(stat -c %s "$out/kx.$format") / 1e6)")"
  if [[ $ezdxf == 1 ]]; then
    measure "ezdxf $format" $python "$here/ezdxf_render.py" "$drawing" "$out/ez.$format"
  fi
done
