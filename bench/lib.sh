# Shared by the bench scripts (sourced, not run): where things are, and timing on a shared
# machine, where processor time follows the others' load much less than wall-clock time does.

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="${BUILD:-$root/build}"
data="$build/bench-data"
python=/usr/bin/python3

calc() { $python -c "print($1)"; }

# best_cpu RUNS COMMAND...: the least processor time (user + system) of RUNS runs, in seconds.
best_cpu() {
  local runs=$1 best="" times="$data/best_cpu_$$"
  shift
  for ((run = 0; run < runs; run++)); do
    local t
    /usr/bin/time -o "$times" -f "%U %S" "$@" >/dev/null 2>&1
    t=$(calc "$(sed 's/ / + /' "$times")")
    if [[ -z "$best" ]] || [[ $(calc "int($t < $best)") == 1 ]]; then best=$t; fi
  done
  rm -f "$times"
  printf "%.2f" "$best"
}
