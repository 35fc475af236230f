#!/usr/bin/env bash
# Load/save benchmark: our reader and writer against ezdxf on the same generated drawing.
#
#   bench/run_dxf_io.sh [--scale S] [--fresh]
#
# Makes build/bench-data/big_drawing[_S].dxf if it is missing (about 110 MB at scale 1), brings
# dxf_io_bench up to date, runs it (speed: best of 3 in memory; memory: one load+save under
# /usr/bin/time -v) and ezdxf (one load+save under /usr/bin/time -v), and prints the table that
# bench/README.md records. ezdxf takes minutes and gigabytes on the full drawing, so its result is
# kept next to the drawing and reused until the drawing changes or --fresh is given.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="$root/build"
data="$build/bench-data"
python=/usr/bin/python3

scale=1
fresh=0
while [[ $# -gt 0 ]]; do
  case "$1" in
    --scale) scale="$2"; shift 2 ;;
    --fresh) fresh=1; shift ;;
    *) echo "usage: $0 [--scale S] [--fresh]" >&2; exit 2 ;;
  esac
done

[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }
$python -c 'import ezdxf' 2>/dev/null ||
  { echo "needs ezdxf for $python (apt-get install python3-ezdxf)" >&2; exit 1; }

mkdir -p "$data"
if [[ "$scale" == 1 ]]; then name=big_drawing; else name="big_drawing_$scale"; fi
drawing="$data/$name.dxf"
if [[ ! -f "$drawing" ]]; then
  echo "== making $drawing"
  $python "$here/make_big_drawing.py" "$drawing" --scale "$scale"
fi

bench="$build/bin/dxf_io_bench"
# Always let ninja bring it up to date: libkxhost is shared, and a bench binary built against older
# headers than the library it loads can crash or measure the wrong thing.
echo "== building dxf_io_bench"
[[ -f "$build/build.ninja" ]] || (cd "$root" && cmake --preset release >/dev/null)
(cd "$root" && cmake --build --preset release --target dxf_io_bench -j 2) >"$data/build.log" 2>&1 ||
  { cat "$data/build.log"; echo "building dxf_io_bench failed" >&2; exit 1; }

# Pulls key=value out of the last line that has it.
field() { grep -o "\b$1=[^ ]*" "$2" | tail -1 | cut -d= -f2; }
peak_mb() { awk '/Maximum resident set size/ { printf "%.1f", $NF * 1024 / 1e6 }' "$1"; }

ours_speed="$data/$name.ours-speed.txt"
ours_once="$data/$name.ours-once.txt"
# Other work on the machine skews wall-clock numbers: say how busy it was, and where we may (as
# root) run the timed programs, ours and ezdxf alike, ahead of it.
load="$(cut -d' ' -f1-3 /proc/loadavg)"
prio=()
if [[ $EUID == 0 ]]; then prio=(nice -n -20); fi
echo "== kxhost: in-memory read and write, best of 3"
"${prio[@]}" "$bench" "$drawing" | tee "$ours_speed"
echo "== kxhost: one load (readDxfFile) and save (saveDxfFile)"
saved="$(mktemp -d)"
trap 'rm -rf "$saved"' EXIT
"${prio[@]}" /usr/bin/time -v "$bench" --once "$drawing" "$saved/out.dxf" >"$ours_once" 2>&1 ||
  { cat "$ours_once"; exit 1; }
grep -v '^\s' "$ours_once"
cmp -s "$drawing" "$saved/out.dxf" ||
  { echo "the saved drawing differs from the input" >&2; exit 1; }
rm -f "$saved/out.dxf"

theirs="$data/$name.ezdxf.txt"
if [[ $fresh == 1 || ! -f "$theirs" || "$theirs" -ot "$drawing" ]]; then
  echo "== ezdxf: one load and save (takes minutes on the full drawing)"
  "${prio[@]}" /usr/bin/time -v $python "$here/ezdxf_io.py" "$drawing" --out "$saved/ezdxf.dxf" \
    >"$theirs.part" 2>&1 || { cat "$theirs.part"; exit 1; }
  mv "$theirs.part" "$theirs"
else
  echo "== ezdxf: reusing $theirs (--fresh runs it again)"
fi
grep -v '^\s' "$theirs" | grep -v '^Command being timed' || true

file_mb="$(field file_mb "$ours_speed")"
our_read="$(field read_mbps "$ours_speed")"
our_write="$(field write_mbps "$ours_speed")"
our_read_cpu="$(field read_cpu_mbps "$ours_speed")"
our_write_cpu="$(field write_cpu_mbps "$ours_speed")"
our_peak="$(peak_mb "$ours_once")"
our_load_s="$(field load_s "$ours_once")"
our_save_s="$(field save_s "$ours_once")"
their_read_s="$(field read_s "$theirs")"
their_write_s="$(field write_s "$theirs")"
their_read="$(field read_mbps "$theirs")"
their_write="$(field write_mbps "$theirs")"
their_peak="$(peak_mb "$theirs")"

awk -v f="$file_mb" -v r="$our_read" -v w="$our_write" -v m="$our_peak" \
    -v R="$their_read" -v W="$their_write" -v M="$their_peak" -v cpu="$(nproc)" \
    -v load="$load" -v nice="${prio:+ (timed runs at nice -20)}" \
    -v rc="$our_read_cpu" -v wc="$our_write_cpu" -v ls="$our_load_s" -v ss="$our_save_s" \
    -v LS="$their_read_s" -v SS="$their_write_s" '
BEGIN {
  printf "\nDrawing: %.1f MB, %d cores, load average before the run: %s%s\n\n", f, cpu, load, nice
  printf "| | kxhost | ezdxf 0.18.1 | kxhost vs ezdxf |\n"
  printf "|---|---:|---:|---:|\n"
  printf "| read (MB/s) | %.1f | %.2f | %.0f x faster |\n", r, R, r / R
  printf "| write (MB/s) | %.1f | %.2f | %.0f x faster |\n", w, W, w / W
  printf "| read, by CPU time (MB/s) | %.1f | | |\n", rc
  printf "| write, by CPU time (MB/s) | %.1f | | |\n", wc
  printf "| one load from file (s) | %.2f | %.1f | %.0f x faster |\n", ls, LS, LS / ls
  printf "| one save to file (s) | %.2f | %.1f | %.0f x faster |\n", ss, SS, SS / ss
  printf "| peak memory, load+save (MB) | %.0f | %.0f | %.1f x less |\n", m, M, M / m
  printf "| peak memory / file size | %.2f x | %.1f x | |\n", m / f, M / f
  printf "\nGoals:\n"
  printf "  read >= 30 x ezdxf:       %s (%.0f x)\n", (r / R >= 30 ? "met" : "NOT met"), r / R
  printf "  read >= 200 MB/s:         %s (%.1f MB/s)\n", (r >= 200 ? "met" : "NOT met"), r
  printf "  peak <= 2.5 x file size:  %s (%.2f x)\n", (m / f <= 2.5 ? "met" : "NOT met"), m / f
}'
