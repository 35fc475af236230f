#!/usr/bin/python3
"""Times selection_bench's three whole-drawing selections with ezdxf's entity queries.

The entities are those of model space and the active paper space (the drawing's ENTITIES
section), gathered once after loading; each query runs over them (best of --runs):
  type     'TEXT'
  texts    'TEXT MTEXT ATTDEF'
  layered  'TEXT MTEXT[layer ? "X.*"]i' without reactors (ezdxf's queries cannot test group 102,
           so the last part is a Python filter on the result)
Prints one "key=value ..." line per query, like selection_bench.

Usage: ezdxf_select.py DRAWING.dxf [--runs N]
"""

import argparse
import time

import ezdxf
from ezdxf.query import EntityQuery


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("drawing")
    ap.add_argument("--runs", type=int, default=3)
    args = ap.parse_args()

    start = time.perf_counter()
    doc = ezdxf.readfile(args.drawing)
    load_s = time.perf_counter() - start
    entities = list(doc.modelspace()) + list(doc.layouts.active_layout())
    print(f"ezdxf {ezdxf.__version__}: loaded {len(entities)} entities in {load_s:.1f} s",
          flush=True)

    cases = [
        ("type", lambda: EntityQuery(entities, "TEXT")),
        ("texts", lambda: EntityQuery(entities, "TEXT MTEXT ATTDEF")),
        ("layered", lambda: EntityQuery(entities, 'TEXT MTEXT[layer ? "X.*"]i')
         .filter(lambda e: not e.reactors)),
    ]
    for name, run in cases:
        best_s, best_cpu = float("inf"), float("inf")
        selected = 0
        for _ in range(max(1, args.runs)):
            cpu0 = time.thread_time()
            t0 = time.perf_counter()
            selected = len(run())
            best_s = min(best_s, time.perf_counter() - t0)
            best_cpu = min(best_cpu, time.thread_time() - cpu0)
        print(f"case={name} entities={len(entities)} selected={selected} best_s={best_s:.4f} "
              f"cpu_s={best_cpu:.4f} eps={len(entities) / best_s:.0f} "
              f"cpu_eps={len(entities) / best_cpu:.0f}", flush=True)


if __name__ == "__main__":
    main()
