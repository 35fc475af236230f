#!/usr/bin/python3
"""One CTest test of kxhost against the oracle scripts.

Usage:
  roundtrip.py KXHOST INPUT OUTPUT
      kxhost INPUT -o OUTPUT; OUTPUT must equal INPUT byte for byte apart
      from line endings: with no command run, kxhost must write back what it
      read, which is all any reader can ask of it.
  roundtrip.py --new KXHOST OUTPUT
      kxhost -o OUTPUT (a new drawing from the built-in template), then
      check_new_drawing.py OUTPUT.
"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
KXHOST_SECONDS = 300


def run_kxhost(kxhost, args, output):
    """Returns None when kxhost saved OUTPUT, else the reason."""
    if not os.access(kxhost, os.X_OK):
        return f"{kxhost} is not built"
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    if os.path.exists(output):
        os.remove(output)  # a stale file must not pass for a fresh save
    command = [kxhost] + args + ["-o", output]
    print("+", " ".join(command), flush=True)
    try:
        proc = subprocess.run(command, stdin=subprocess.DEVNULL, timeout=KXHOST_SECONDS)
    except subprocess.TimeoutExpired:
        return f"kxhost did not finish in {KXHOST_SECONDS} s"
    if proc.returncode != 0:
        return f"kxhost exited with status {proc.returncode}"
    if not os.path.isfile(output):
        return f"kxhost exited 0 but wrote no {output}"
    return None


def run_script(name, *args):
    command = [sys.executable, os.path.join(HERE, name), *args]
    print("+", " ".join(command), flush=True)
    return subprocess.run(command, stdin=subprocess.DEVNULL).returncode == 0


def same_bytes(input_path, output_path):
    """Returns None when equal apart from CRLF/LF, else where they differ."""
    with open(input_path, "rb") as f:
        a = f.read().replace(b"\r\n", b"\n").split(b"\n")
    with open(output_path, "rb") as f:
        b = f.read().replace(b"\r\n", b"\n").split(b"\n")
    if a == b:
        return None
    for n, (x, y) in enumerate(zip(a, b), start=1):
        if x != y:
            return f"line {n}: INPUT {x[:120]!r} != OUTPUT {y[:120]!r}"
    shorter = "OUTPUT" if len(b) < len(a) else "INPUT"
    return f"{shorter} ends early: {len(a)} lines in INPUT, {len(b)} in OUTPUT"


def roundtrip(kxhost, input_path, output_path):
    reason = run_kxhost(kxhost, [input_path], output_path)
    if reason:
        return [reason]
    diff = same_bytes(input_path, output_path)
    return [f"OUTPUT is not a byte copy of INPUT: {diff}"] if diff else []


def new_drawing(kxhost, output_path):
    reason = run_kxhost(kxhost, [], output_path)
    if reason:
        return [reason]
    if not run_script("check_new_drawing.py", output_path):
        return ["check_new_drawing.py failed (reason above)"]
    return []


def main(argv):
    if len(argv) == 4 and argv[1] == "--new":
        what = f"new drawing {argv[3]}"
        faults = new_drawing(argv[2], argv[3])
    elif len(argv) == 4:
        what = f"round trip of {os.path.basename(argv[2])}"
        faults = roundtrip(argv[1], argv[2], argv[3])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for fault in faults:
        print(f"roundtrip: {fault}")
    print(f"roundtrip: {'FAIL' if faults else 'OK'}: {what}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
