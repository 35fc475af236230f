#!/usr/bin/python3
"""Checks the drawing make_sdk_drawing made through kxdbEntMake.

Usage: check_sdk_drawing.py FILE

ezdxf must read it, its audit must find no error, and each entity must hold
the values its list gave (angles in the lists were radians, ezdxf gives
degrees).  Exit status 0 with "check_sdk_drawing: OK", else 1 with reasons.
"""

import math
import sys

import ezdxf

failures = []


def expect(what, got, wanted, tol=1e-9):
    if isinstance(wanted, (int, float)) and not isinstance(wanted, bool):
        ok = math.isclose(got, wanted, abs_tol=tol)
    elif isinstance(wanted, tuple):
        ok = len(got) >= len(wanted) and all(
            math.isclose(g, w, abs_tol=tol) for g, w in zip(got, wanted))
    else:
        ok = got == wanted
    if not ok:
        failures.append(f"{what}: {got!r}, wanted {wanted!r}")


def one(layout, kind):
    found = layout.query(kind)
    if len(found) != 1:
        failures.append(f"{kind}: {len(found)} found, wanted 1")
        return None
    return found[0]


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    doc = ezdxf.readfile(argv[1])
    auditor = doc.audit()
    for e in auditor.errors:
        failures.append(f"audit error {e.code}: {e.message}")
    msp = doc.modelspace()

    if (e := one(msp, "LINE")) is not None:
        expect("LINE start", tuple(e.dxf.start), (1, 2, 0))
        expect("LINE end", tuple(e.dxf.end), (11, 7, 0))
        expect("LINE layer", e.dxf.layer, "Lines")
        expect("LINE color", e.dxf.color, 1)
        expect("layer Lines made", doc.layers.has_entry("Lines"), True)
    circles = [c for c in msp.query("CIRCLE")]
    expect("model CIRCLE count", len(circles), 1)
    if circles:
        expect("CIRCLE radius", circles[0].dxf.radius, 2.5)
    if (e := one(msp, "ARC")) is not None:
        expect("ARC end angle", e.dxf.end_angle, 90.0)
        expect("ARC radius", e.dxf.radius, 3.0)
    if (e := one(msp, "TEXT")) is not None:
        expect("TEXT string", e.dxf.text, "Grüße")
        expect("TEXT rotation", e.dxf.rotation, 45.0)
        expect("TEXT halign", e.dxf.halign, 1)
        expect("TEXT align point", tuple(e.dxf.align_point), (11, 12, 0))
    if (e := one(msp, "MTEXT")) is not None:
        expect("MTEXT text", e.text, "first chunk of a long text, and its end")
        expect("MTEXT attachment", e.dxf.attachment_point, 5)
        expect("MTEXT width", e.dxf.width, 30.0)
    if (e := one(msp, "LWPOLYLINE")) is not None:
        pts = e.get_points("xyb")
        expect("LWPOLYLINE count", len(pts), 4)
        expect("LWPOLYLINE closed", e.closed, True)
        if len(pts) == 4:
            expect("LWPOLYLINE bulges", tuple(p[2] for p in pts), (0.5, 0, -1.0, 0))
            expect("LWPOLYLINE third", tuple(pts[2][:2]), (11, 12))
    if (e := one(msp, "SOLID")) is not None:
        expect("SOLID corner 3", tuple(e.dxf.vtx2), (1, 12, 0))
    if (e := one(msp, "3DFACE")) is not None:
        expect("3DFACE corner 4", tuple(e.dxf.vtx3), (1, 12, 0))
        expect("3DFACE flags", e.dxf.invisible, 1)
    if (e := one(msp, "POINT")) is not None:
        expect("POINT", tuple(e.dxf.location), (20, 0, 0))
    if (e := one(msp, "INSERT")) is not None:
        expect("INSERT block", e.dxf.name, "MARK")
        expect("INSERT scale", e.dxf.xscale, 2.0)
        expect("INSERT rotation", e.dxf.rotation, 30.0)
    if (e := one(msp, "ATTDEF")) is not None:
        expect("ATTDEF tag", e.dxf.tag, "TAG1")
        expect("ATTDEF prompt", e.dxf.prompt, "Value?")
        expect("ATTDEF default", e.dxf.text, "default")
    paper = doc.layouts.active_layout()
    if (e := one(paper, "CIRCLE")) is not None:
        expect("paper CIRCLE radius", e.dxf.radius, 1.0)

    if failures:
        for f in failures:
            print(f"check_sdk_drawing: {f}", file=sys.stderr)
        return 1
    print("check_sdk_drawing: OK")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
