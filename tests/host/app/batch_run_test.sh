#!/usr/bin/env bash
# kxhost run without a terminal: the exit status and its one-line reason in the cases a caller
# relies on, and the progress bar of a big drawing's load and save (KX_PROGRESS=1 stands in for a
# terminal on standard error).
#
# Usage: batch_run_test.sh KXHOST DRAWING WORKDIR
set -euo pipefail

kxhost=$(realpath "$1")
drawing=$(realpath "$2")
work=$(realpath -m "$3")
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() {
  echo "FAILED: $1" >&2
  [[ -f err ]] && { echo "--- standard error:" >&2; cat -v err >&2; }
  exit 1
}

# run EXPECTED-STATUS ARGS... < input; standard output goes to out, standard error to err.
run() {
  local want=$1 rc=0
  shift
  "$kxhost" "$@" >out 2>err || rc=$?
  if [[ $want == 0 && $rc != 0 ]] || [[ $want != 0 && $rc == 0 ]]; then
    fail "kxhost $* ended with $rc"
  fi
}

one_line_error() {
  [[ $(wc -l <err) == 1 ]] && grep -q -- "$1" err || fail "expected one line with '$1'"
}

# Bad options: a one-line reason, not a page of usage.
run 2 --no-such-option </dev/null
one_line_error "kxhost: .*--no-such-option"
run 2 --render picture.gif </dev/null
one_line_error "kxhost: --render: must end in .png, .svg or .pdf"
run 2 "$drawing" another.dxf </dev/null
one_line_error "another.dxf"

# A script that cannot be read, a folder among them: nothing is run or saved.
run 1 -s "$work" -o never.dxf </dev/null
one_line_error "cannot read script"
[[ ! -e never.dxf ]] || fail "a script that could not be read still saved the drawing"

# A script that ends inside a prompt cancels it; the drawing is still saved and all is well.
for script in 'LAYER\nM' 'SELECT\nW 0,0 10,10' 'SETVAR\nTEXTSIZE'; do
  rm -f ended.dxf
  printf "$script" | run 0 "$drawing" -o ended.dxf
  [[ -s ended.dxf && ! -s err ]] || fail "script '$script' left no drawing or said something"
done

# A picture that cannot be drawn fails the run, but the drawing is saved first.
run 1 "$drawing" -o kept.dxf --render no/such/folder/picture.png </dev/null
one_line_error "picture.png"
[[ -s kept.dxf ]] || fail "a failed picture lost the drawing"

# --- Progress ----------------------------------------------------------------------------------
# A drawing of about 6 MB: a new one with LINEs added to its ENTITIES section.
"$kxhost" -o new.dxf </dev/null >/dev/null
/usr/bin/python3 - new.dxf big.dxf <<'EOF'
import sys
text = open(sys.argv[1], newline='').read()
at = text.index('ENDSEC', text.index('ENTITIES')) - 3
lines = ''.join(
    f'  0\nLINE\n  5\n{0x10000 + i:X}\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n'
    f' 10\n{i}\n 20\n0\n 30\n0\n 11\n{i + 1}\n 21\n1\n 31\n0\n' for i in range(60000))
open(sys.argv[2], 'w', newline='').write(text[:at] + lines + text[at:])
EOF

KX_PROGRESS=1 run 0 big.dxf -o big-out.dxf </dev/null
grep -q $'\rLoading big.dxf  \[' err || fail "no bar while loading"
grep -q $'\rSaving big-out.dxf  \[' err || fail "no bar while saving"
# Each bar is cleared: the last thing on standard error is a carriage return after blanks.
[[ $(tail -c 1 err | od -An -c | tr -d ' ') == '\r' ]] || fail "the bar was not cleared"
cmp -s big.dxf big-out.dxf || fail "the big drawing changed on its way through"

# Not on a terminal, or a small drawing: no bar.
run 0 big.dxf -o big-out.dxf </dev/null
[[ ! -s err ]] || fail "a bar on standard error that is no terminal"
KX_PROGRESS=1 run 0 new.dxf -o small-out.dxf </dev/null
[[ ! -s err ]] || fail "a bar for a small drawing"

echo "batch run test passed"
