#!/usr/bin/python3
"""TCASE through kxhost on a drawing made by ezdxf, checked by ezdxf after saving: texts of
every kind, a locked layer and a field-driven text left alone, the choice kept between runs,
the preselected path and Cancel."""

import os
import subprocess
import sys
import tempfile

import ezdxf

KXHOST = sys.argv[1]


def make_drawing(path):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    doc.layers.add("Fixed").lock()
    msp.add_text("hello. world", dxfattribs={"height": 2.5}).set_placement((0, 0))
    msp.add_mtext("{\\fArial|b0;one two}\\Pthree", dxfattribs={"char_height": 2.5,
                                                                  "insert": (0, 10)})
    msp.add_attdef("tag", (0, 20), "abc", dxfattribs={"prompt": "prompt", "height": 2.5})
    msp.add_text("on a locked layer", dxfattribs={"layer": "Fixed"}).set_placement((0, 30))
    field = msp.add_text("driven by a field").set_placement((0, 40))
    field.new_extension_dict().dictionary.add_new_dict("ACAD_FIELD")
    msp.add_text("picked later").set_placement((0, 50))
    doc.saveas(path)


def run(drawing, output, config, script):
    with tempfile.NamedTemporaryFile("w", suffix=".scr", delete=False) as f:
        f.write(script)
    result = subprocess.run([KXHOST, drawing, "-s", f.name, "-o", output, "--config", config],
                            capture_output=True, text=True, timeout=60)
    os.unlink(f.name)
    if result.returncode != 0:
        sys.exit(f"kxhost failed ({result.returncode}): {result.stderr}\n{result.stdout}")
    return result.stdout


def texts(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    if auditor.has_errors:
        sys.exit(f"{path}: ezdxf audit errors: {[str(e) for e in auditor.errors]}")
    out = {}
    for e in doc.modelspace():
        if e.dxftype() == "MTEXT":
            out["mtext"] = e.text
        elif e.dxftype() == "ATTDEF":
            out["attdef"] = (e.dxf.text, e.dxf.tag, e.dxf.prompt)
        elif e.dxftype() == "TEXT":
            out[e.dxf.insert[1]] = e.dxf.text
    return out, doc


def expect(actual, wanted, what):
    if actual != wanted:
        sys.exit(f"{what}: got {actual!r}, wanted {wanted!r}")


def main():
    with tempfile.TemporaryDirectory() as work:
        config = os.path.join(work, "settings")
        first = os.path.join(work, "first.dxf")
        make_drawing(first)
        # The locked text and the picked-later one are left out by picking a window around the
        # others; the locked one is in the window too, and must survive on its own.
        second = os.path.join(work, "second.dxf")
        run(first, second, config, "TCASE\nW -1,-5 100,45\n\n2021\nOK\n")
        t, doc = texts(second)
        expect(t[0], "HELLO. WORLD", "TEXT")
        expect(t["mtext"], "{\\fARIAL|B0;ONE TWO}\\PTHREE", "MTEXT")
        expect(t["attdef"], ("ABC", "tag", "prompt"), "ATTDEF")
        expect(t[30], "on a locked layer", "text on a locked layer")
        expect(t[40], "driven by a field", "field text")
        expect(t[50], "picked later", "text outside the window")

        # A new run: the text is preselected, and OK at once uses the remembered upper case.
        later = next(e for e in doc.modelspace()
                     if e.dxftype() == "TEXT" and e.dxf.text == "picked later")
        third = os.path.join(work, "third.dxf")
        run(second, third, config, f"SELECT\nH {later.dxf.handle}\n\nTCASE\nOK\n")
        t, _ = texts(third)
        expect(t[50], "PICKED LATER", "preselected text")

        # Cancel changes nothing and keeps the stored choice.
        fourth = os.path.join(work, "fourth.dxf")
        run(third, fourth, config, "TCASE\nALL\n\n2006\nCancel\nTCASE\nALL\n\nOK\n")
        t, _ = texts(fourth)
        expect(t[0], "HELLO. WORLD", "TEXT after Cancel then upper case")
        expect(t[30], "on a locked layer", "locked text after all")


if __name__ == "__main__":
    main()
