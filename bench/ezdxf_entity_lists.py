#!/usr/bin/python3
"""The entity-list bench done with ezdxf, for the ratio in bench/README.md.

    ezdxf_entity_lists.py [N]

Makes the same N entities as entity_list_bench (lines, circles, texts and closed 8-vertex
polylines with bulges in turn) in a new ezdxf drawing, then times reading every entity's
attributes, writing them back unchanged, and moving each entity's first point. Thread CPU time.
"""
import sys
import time

import ezdxf


def make(msp, i):
    x, y = i % 1000, i // 1000
    kind = i % 4
    if kind == 0:
        return msp.add_line((x, y, 0), (x + 0.5, y + 0.25, 0), dxfattribs={"layer": "Lines"})
    if kind == 1:
        return msp.add_circle((x, y, 0), 0.3, dxfattribs={"color": 1 + i % 7})
    if kind == 2:
        return msp.add_text("Label 1234", dxfattribs={"insert": (x, y, 0), "height": 0.2,
                                                      "rotation": 5.73})
    points = [(x + 0.1 * v, y + 0.05 * (v % 2), 0, 0, 0.25 if v % 3 == 0 else 0.0)
              for v in range(8)]
    return msp.add_lwpolyline(points, format="xyseb", close=True)


def first_point_moved(e):
    t = e.dxftype()
    if t == "LWPOLYLINE":
        points = list(e.get_points())
        x, y, s, w, b = points[0]
        points[0] = (x + 100, y, s, w, b)
        e.set_points(points)
    elif t == "LINE":
        e.dxf.start = e.dxf.start + (100, 0, 0)
    elif t == "CIRCLE":
        e.dxf.center = e.dxf.center + (100, 0, 0)
    else:
        e.dxf.insert = e.dxf.insert + (100, 0, 0)


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 200000
    doc = ezdxf.new("R2018")
    msp = doc.modelspace()
    t0 = time.thread_time()
    entities = [make(msp, i) for i in range(count)]
    make_s = time.thread_time() - t0

    t0 = time.thread_time()
    # An entity list holds a polyline's vertices too.
    attribs = [(e.dxfattribs(), list(e.get_points()) if e.dxftype() == "LWPOLYLINE" else None)
               for e in entities]
    get_s = time.thread_time() - t0

    t0 = time.thread_time()
    for e, (a, points) in zip(entities, attribs):
        e.update_dxf_attribs(a)
        if points is not None:
            e.set_points(points)
    mod_same_s = time.thread_time() - t0

    t0 = time.thread_time()
    for e in entities:
        first_point_moved(e)
    mod_s = time.thread_time() - t0

    print(f"ezdxf entities={count} make_per_s={count / make_s:.0f} get_per_s={count / get_s:.0f} "
          f"mod_same_per_s={count / mod_same_s:.0f} mod_per_s={count / mod_s:.0f}")


if __name__ == "__main__":
    main()
