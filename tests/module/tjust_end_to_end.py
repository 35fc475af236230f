#!/usr/bin/python3
"""TJUST through kxhost on a drawing made by ezdxf: for each of the thirteen choices the picture
after the command matches the picture before it pixel for pixel (texts do not move), and ezdxf
reads back the justification groups the choice sets; a text in another plane is left out with
its report. Usage: tjust_end_to_end.py KXHOST WORKDIR"""

import math
import os
import shutil
import struct
import subprocess
import sys
import zlib

import ezdxf

KXHOST, WORK = sys.argv[1:3]

# reply: (TEXT horizontal 72, vertical 73/74, MTEXT attachment 71)
CHOICES = {"": (0, 0, 1), "Start": (0, 0, 1), "Center": (1, 0, 2), "Middle": (4, 0, 5),
           "Right": (2, 0, 3), "TL": (0, 3, 1), "TC": (1, 3, 2), "TR": (2, 3, 3),
           "ML": (0, 2, 4), "MC": (1, 2, 5), "MR": (2, 2, 6), "BL": (0, 1, 7), "BC": (1, 1, 8),
           "BR": (2, 1, 9)}


def png_pixels(path):
    """RGBA rows of a non-interlaced 8-bit PNG as cairo writes it."""
    with open(path, "rb") as f:
        data = f.read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), "unexpected PNG format"
            channels = 4 if colour == 6 else 3
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 0xFF
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def differing_pixels(a, b):
    wa, ha, ra = png_pixels(a)
    wb, hb, rb = png_pixels(b)
    if (wa, ha) != (wb, hb):
        return None
    return sum(1 for x, y in zip(b"".join(ra), b"".join(rb)) if abs(x - y) > 96)


def run(drawing, script, output, picture=None):
    path = os.path.join(WORK, "tjust.scr")
    with open(path, "w") as f:
        f.write(script)
    command = [KXHOST, drawing, "-s", path, "-o", output]
    if picture:
        command += ["--render", picture]
    result = subprocess.run(command, capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        sys.exit(f"kxhost failed: {result.stderr}\n{result.stdout}")
    return result.stdout


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
drawing = os.path.join(WORK, "texts.dxf")
doc = ezdxf.new("R2010")
msp = doc.modelspace()
msp.add_text("Plain text", dxfattribs={"height": 5}).set_placement((0, 0))
msp.add_text("Turned text", dxfattribs={"height": 5, "rotation": 30}).set_placement((80, 0))
msp.add_attdef("TAG", (0, 40), "Default value", dxfattribs={"height": 5})
# One line: with several, a centred attachment also centres each line in the box, which moves
# the shorter lines on the sheet as it should.
msp.add_mtext("Rotated multi-line text", dxfattribs={
    "char_height": 4, "insert": (160, 0), "rotation": 90, "attachment_point": 1})
doc.saveas(drawing)

before = os.path.join(WORK, "before.png")
run(drawing, "", os.path.join(WORK, "same.dxf"), before)
for reply, (horizontal, vertical, attachment) in CHOICES.items():
    out = os.path.join(WORK, f"after-{reply or 'enter'}.dxf")
    picture = out.replace(".dxf", ".png")
    transcript = run(drawing, f"TJUST\nALL\n\n{reply}\n", out, picture)
    if "4 text(s) changed" not in transcript:
        sys.exit(f"{reply!r}: no closing message for four texts:\n{transcript}")
    changed = differing_pixels(before, picture)
    if changed is None or changed > 40:
        sys.exit(f"{reply!r}: the picture changed ({changed} channel values) - texts moved")
    result = ezdxf.readfile(out)
    texts = {e.dxf.text: e for e in result.modelspace().query("TEXT")}
    attdef = result.modelspace().query("ATTDEF")[0]
    mtext = result.modelspace().query("MTEXT")[0]
    for e in (texts["Plain text"], texts["Turned text"], attdef):
        got = (e.dxf.get("halign", 0), e.dxf.get("valign", 0))
        if got != (horizontal, vertical):
            sys.exit(f"{reply!r}: {e.dxftype()} justification {got}, wanted {(horizontal, vertical)}")
    if mtext.dxf.attachment_point != attachment:
        sys.exit(f"{reply!r}: MTEXT attachment {mtext.dxf.attachment_point}, wanted {attachment}")
    plain = texts["Plain text"]
    if (horizontal, vertical) != (0, 0) and math.dist(plain.dxf.align_point, (0, 0, 0)) < 1e-6:
        sys.exit(f"{reply!r}: the alignment point was not moved to the new anchor")

# A text in another plane than the UCS is left out and reported; the others still change.
doc = ezdxf.new("R2010")
msp = doc.modelspace()
msp.add_text("Flat").set_placement((0, 0))
msp.add_text("Standing", dxfattribs={"extrusion": (1, 0, 0)}).set_placement((0, 0))
doc.saveas(drawing)
transcript = run(drawing, "TJUST\nALL\n\nMC\n", os.path.join(WORK, "planes.dxf"))
if "1 text(s) changed" not in transcript or "not parallel" not in transcript:
    sys.exit(f"the text in another plane was not reported:\n{transcript}")
result = ezdxf.readfile(os.path.join(WORK, "planes.dxf"))
standing = [e for e in result.modelspace() if e.dxf.text == "Standing"][0]
if standing.dxf.get("halign", 0) != 0:
    sys.exit("the text in another plane was changed")
