#!/usr/bin/python3
"""The same work as selection_remove_bench in ezdxf: all entities of model space as a selection,
then those inside the window taken out of it. ezdxf has no selection prompt; this is what a
script with it does. Best of R runs after one load.

Usage: ezdxf_select_remove.py FILE [--runs R]
Prints one "key=value ..." line."""

import argparse
import time

import ezdxf

parser = argparse.ArgumentParser()
parser.add_argument("file")
parser.add_argument("--runs", type=int, default=3)
args = parser.parse_args()

start = time.perf_counter()
doc = ezdxf.readfile(args.file)
load = time.perf_counter() - start
msp = doc.modelspace()
# The window of selection_remove_bench: x from -1 to 1001, y from -1 to the top of the grid.
top = max(p.dxf.location.y for p in msp if p.dxf.location.x < 2000) + 1

best_select = best_remove = float("inf")
for _ in range(args.runs):
    start = time.perf_counter()
    selection = list(msp)
    selected = time.perf_counter() - start
    start = time.perf_counter()
    inside = {id(e) for e in selection
              if -1 <= e.dxf.location.x <= 1001 and -1 <= e.dxf.location.y <= top}
    selection = [e for e in selection if id(e) not in inside]
    removed = time.perf_counter() - start
    best_select = min(best_select, selected)
    best_remove = min(best_remove, removed)

print(f"load_s={load:.2f} removed={len(inside)} left={len(selection)} "
      f"select_s={best_select:.4f} remove_s={best_remove:.4f}")
