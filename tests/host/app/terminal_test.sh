#!/usr/bin/env bash
# kxhost typed at a terminal, in a detached tmux session: a typo mended with editing keys, a prompt
# answered, a command recalled with Up, Ctrl-C at a prompt, Tab on a command name, QUIT with
# changes not saved, which asks whether to save them; then a second run that finds the history of
# the first and ends with Ctrl-D, and a third whose Ctrl-D with changes asks too; a fourth shows
# the banner, HELP NAME, a dialog answered by the start of a caption, Enter repeating a command
# and U taking both back, with a history it cannot write; a fifth undoes a step after a SAVE and
# is asked to save at QUIT, answered by Ctrl-D; a sixth, on a new drawing, is asked where to save
# it. The screen must show each prompt once, with no empty line between a reply and the next
# prompt.
#
# Usage: terminal_test.sh KXHOST DRAWING WORKDIR   (exit 77: skipped, tmux is missing)
set -euo pipefail

kxhost=$(realpath "$1")
drawing=$(realpath "$2")
work=$(realpath -m "$3")

if ! command -v tmux >/dev/null 2>&1; then
  echo "SKIPPED: tmux is not installed (scripts/setup installs it); the terminal test needs it"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work/config"
given=$(sha256sum <"$drawing")
# A server of our own for each run: one being killed may still hold its socket for a moment.
run=0
socket="kxterm-$$-$run"
tmuxc() { tmux -L "$socket" -f /dev/null "$@"; }
cleanup() {
  tmuxc kill-server >/dev/null 2>&1 || true
  rm -f "${TMUX_TMPDIR:-/tmp}/tmux-$(id -u)/kxterm-$$-"*
}
trap cleanup EXIT

fail() {
  echo "FAILED: $1" >&2
  echo "--- screen:" >&2
  whole_screen >&2 || true
  exit 1
}

# The screen with what scrolled off it, trailing blanks and the empty lines at the end dropped.
whole_screen() {
  tmuxc capture-pane -p -S - -t kx | sed -e 's/[[:space:]]*$//' | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
}
# The same from the first prompt on (a module may say something as it loads).
screen() {
  whole_screen | sed -n '/^Command:/,$p'
}

# Waits until the screen's last non-empty line is exactly $1 (10 s at most, for slow builds).
wait_last_line() {
  local want=$1 last
  for _ in $(seq 200); do
    last=$(whole_screen | tail -n 1)
    [[ "$last" == "$want" ]] && return 0
    [[ "$last" == "kxhost ended:"* ]] && fail "kxhost ended while waiting for '$want'"
    sleep 0.05
  done
  fail "the last line never became '$want' (it is '$last')"
}

# Starts kxhost on $1 (default: the drawing, saved as out.dxf; "": a new drawing, saved nowhere
# yet) in a fresh tmux session; its exit status ends up on the screen.
start() {
  local open=${1-$drawing}
  tmuxc kill-server >/dev/null 2>&1 || true
  run=$((run + 1))
  socket="kxterm-$$-$run"
  tmuxc new-session -d -s kx -x 100 -y 30 \
    "cd '$work' && INPUTRC=/dev/null '$kxhost' ${open:+"'$open' -o out.dxf"} --config '$work/config'; \
     echo \"kxhost ended: \$?\"; sleep 30"
}

keys() { tmuxc send-keys -t kx "$@"; }
# Types the keys given and waits until the last line is the last argument.
step() {
  keys "${@:1:$#-1}"
  wait_last_line "${!#}"
}
layer="Enter an option [?/Make/Set/New/Lock/Unlock]:"
save="Save changes to out.dxf? [Yes/No] <Yes>:"

# --- First run ---------------------------------------------------------------------------------
start
wait_last_line "Command:"
# "LAUER": back over "ER", rub out the U, type Y: LAYER.
step L A U E R Left Left BSpace Y Enter "$layer"
step M Enter "Enter layer name:"
step W a l l s Enter "$layer"
step Enter "Command:"
# The history holds commands only: Up brings back LAYER, not the layer name.
step Up "Command: LAYER"
step Enter "$layer"
step L o "$layer Lo"
step C-c "Command:"
# Tab completes a command name, also after a blank.
step Space S E T V Tab "Command:  SETVAR"
step Enter "Enter variable name or [?]:"
step C-c "Command:"
keys Q U I T Enter
# The layer made is not saved yet. ^C goes back to the command line; QUIT asks again, and Enter
# saves.
wait_last_line "$save"
step C-c "Command:"
step Q U I T Enter "$save"
step Enter "kxhost ended: 0"

expected="Command: LAYER
Enter an option [?/Make/Set/New/Lock/Unlock]: M
Enter layer name: Walls
Enter an option [?/Make/Set/New/Lock/Unlock]:
LAYER: 2 objects changed, 1 added.
Command: LAYER
Enter an option [?/Make/Set/New/Lock/Unlock]: Lo^C
*Cancel*
LAYER: nothing changed.
Command:  SETVAR
Enter variable name or [?]: ^C
*Cancel*
SETVAR: nothing changed.
Command: QUIT
Save changes to out.dxf? [Yes/No] <Yes>: ^C
*Cancel*
Command: QUIT
Save changes to out.dxf? [Yes/No] <Yes>:
Saved out.dxf.
kxhost ended: 0"
[[ "$(screen)" == "$expected" ]] || fail "the screen is not the expected transcript:
$expected"

# The history: commands only, no empty line, and the recalled LAYER once since it followed itself.
history=$(cat "$work/config/history")
[[ "$history" == $'LAYER\n SETVAR\nQUIT' ]] ||
  fail "history file: $(printf '%q' "$history")"
grep -q '^Walls$' "$work/out.dxf" || fail "the layer made is not in the saved drawing"

# --- Second run: the history is back; Ctrl-D on an empty line ends the input ------------------
rm -f "$work/out.dxf"
start
wait_last_line "Command:"
step Up Up "Command:  SETVAR"
step C-u "Command:"
step C-d "kxhost ended: 0"
[[ "$(screen)" == $'Command:\nkxhost ended: 0' ]] || fail "Ctrl-D did not end the input cleanly"
[[ -s "$work/out.dxf" ]] || fail "the drawing was not saved at the end of the input"
[[ "$(cat "$work/config/history")" == "$history" ]] || fail "a run with nothing typed changed the history"

# --- Third run: Ctrl-D with a change not saved asks; No leaves the file as it was --------------
rm -f "$work/out.dxf"
start
wait_last_line "Command:"
step L A Y E R Enter "$layer"
step M Enter "Enter layer name:"
step T h r o w n Enter "$layer"
step Enter "Command:"
step C-d "$save"
step N o Enter "kxhost ended: 0"
[[ ! -e "$work/out.dxf" ]] || fail "changes the user chose not to save were saved"

# --- Fourth run: banner, HELP NAME, a caption's start, Enter repeats, U takes both back; the ----
# history cannot be written, which is said once
rm -f "$work/config/history" && mkdir "$work/config/history"
start
wait_last_line "Command:"
whole_screen | grep -qx "kxhost [0-9.]*, $(basename "$drawing"): [0-9]* commands (HELP lists them, U takes one back)" ||
  fail "no banner naming the drawing and the number of commands"
step H E L P Space T C A S E Enter "Command:"
step T C A S E Enter "Select objects:"
step A L L Enter "Select objects:"
keys Enter
dialog="Dialog 2366 (caption or its start, #id, ID=VALUE, OK, Cancel):"
wait_last_line "$dialog"
step u p p e r Enter "$dialog"
step O K Enter "Command:"
# Enter runs TCASE again: its first prompt comes.
step Enter "Select objects:"
step C-c "Command:"
step U Enter "Command:"
step U Enter "Command:"
# Back where it started: nothing to save, so QUIT does not ask.
step Q U I T Enter "kxhost ended: 0"
screen | grep -q "^TCASE: Changes the letter case of texts$" || fail "HELP TCASE did not describe it"
screen | grep -q "^  (\*) UPPER CASE #2021$" || fail "\"upper\" did not choose UPPER CASE"
[[ "$(screen | grep -c '^Undone: TCASE$')" == 2 ]] || fail "U did not take back both TCASE runs"
cmp -s "$work/out.dxf" "$drawing" || fail "after U the saved drawing is not the one opened"
[[ "$(whole_screen | grep -c '^kxhost: the command history is not kept: ')" == 1 ]] ||
  fail "a history that cannot be written was not said once"

# --- Fifth run: a step undone after a SAVE differs from the file again, so QUIT asks -----------
# SAVE writes the drawing's own file: a copy of it.
cp "$drawing" "$work/copy.dxf"
start "$work/copy.dxf"
wait_last_line "Command:"
step L A Y E R Space M Space K e p t Enter "$layer"
step Enter "Command:"
step S A V E Enter "Command:"
# SAVE is a step of its own; the second U takes the layer back, which the file still has.
step U Enter "Command:"
step U Enter "Command:"
step Q U I T Enter "$save"
# Ctrl-D there leaves as the end of the input does, without an error.
step C-d "kxhost ended: 0"
grep -q '^Kept$' "$work/copy.dxf" || fail "SAVE did not save the layer made before it"

# --- Sixth run: a new drawing has no file yet, so Yes asks where to save it --------------------
start ""
wait_last_line "Command:"
step L A Y E R Space M Space N a m e d Enter "$layer"
step Enter "Command:"
step Q U I T Enter "Save changes to the new drawing? [Yes/No] <Yes>:"
step Enter "Save drawing as:"
step n e w . d x f Enter "kxhost ended: 0"
grep -q '^Named$' "$work/new.dxf" || fail "the new drawing was not saved where the user said"
[[ "$(sha256sum <"$drawing")" == "$given" ]] || fail "the test changed the drawing it was given"

echo "terminal test passed"
