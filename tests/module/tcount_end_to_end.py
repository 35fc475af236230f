#!/usr/bin/python3
"""TCOUNT through kxhost on a drawing made by ezdxf, checked by ezdxf after saving: each order,
each placement and each form of the start reply on TEXT, MTEXT and ATTDEF.
Usage: tcount_end_to_end.py KXHOST WORKDIR"""

import os
import shutil
import subprocess
import sys

import ezdxf

KXHOST, WORK = sys.argv[1:3]


def make(path):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    # Picked by handle in the order right, left, middle; the MTEXT is topmost.
    msp.add_text("right").set_placement((30, 0))
    msp.add_text("left").set_placement((10, 5))
    msp.add_attdef("PART", (20, 2), "default", dxfattribs={"prompt": "Which part"})
    msp.add_mtext("a\\Pb", dxfattribs={"insert": (40, 20), "char_height": 2.5})
    doc.saveas(path)
    return [e.dxf.handle for e in msp]


def run(source, replies, output):
    script = os.path.join(WORK, "tcount.scr")
    with open(script, "w") as f:
        f.write("\n".join(["TCOUNT"] + replies) + "\n")
    result = subprocess.run([KXHOST, source, "-s", script, "-o", output], capture_output=True,
                            text=True, timeout=60)
    if result.returncode != 0:
        sys.exit(f"kxhost failed: {result.stderr}")
    doc = ezdxf.readfile(output)
    values = {}
    for e in doc.modelspace():
        if e.dxftype() == "TEXT":
            values[e.dxf.insert[0]] = e.dxf.text
        elif e.dxftype() == "ATTDEF":
            values["attdef"] = (e.dxf.tag, e.dxf.text, e.dxf.prompt)
        else:
            values["mtext"] = e.text
    return values, result.stdout


def expect(values, wanted, what):
    for key, value in wanted.items():
        if values.get(key) != value:
            sys.exit(f"{what}: {key} is {values.get(key)!r}, wanted {value!r}")


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
source = os.path.join(WORK, "texts.dxf")
right, left, attdef, mtext = make(source)
picks = [f"H {h}" for h in (right, left, attdef, mtext)] + [""]
out = os.path.join(WORK, "out.dxf")

# By x, start and increment "5,-1", prefix: left 5, ATTDEF 4, right 3, MTEXT paragraphs 2 and 1.
values, _ = run(source, picks + ["X", "5,-1", "Prefix"], out)
expect(values, {10: "5 left", "attdef": ("4 PART", "default", "Which part"), 30: "3 right",
                "mtext": "2 a\\P1 b"}, "by x")

# By y (topmost first), one number "7", suffix.
values, _ = run(source, picks + ["Y", "7", "Suffix"], out)
expect(values, {"mtext": "a 7\\Pb 8", 10: "left 9", "attdef": ("PART 10", "default",
                                                                "Which part"), 30: "right 11"},
       "by y")

# In picking order, Enter for start and placement (1,1 and prefix), then overwrite.
values, _ = run(source, picks + ["Select-order", "", ""], out)
expect(values, {30: "1 right", 10: "2 left", "attdef": ("3 PART", "default", "Which part"),
                "mtext": "4 a\\P5 b"}, "picking order")
values, _ = run(source, picks + ["Select-order", "", "Overwrite"], out)
expect(values, {30: "1", 10: "2", "attdef": ("3", "default", "Which part"), "mtext": "4\\P5"},
       "overwrite")

# Find and replace: only texts holding the search string change, and they are counted.
values, transcript = run(source, picks + ["Select-order", "", "Find-replace", "ef"], out)
expect(values, {30: "right", 10: "l2t", "attdef": ("PART", "default", "Which part")},
       "find and replace")
if " 1 object" not in transcript:
    sys.exit(f"the replacement count is missing:\n{transcript}")
