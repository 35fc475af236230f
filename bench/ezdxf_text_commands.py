#!/usr/bin/python3
"""The ezdxf side of the text-command benchmark.

  ezdxf_text_commands.py make N OUT.dxf    N texts in a grid, in four justifications and eight
                                           rotations (half of them reading upside down), every
                                           fifth narrowed; writes the first text's handle to
                                           OUT.dxf.handle
  ezdxf_text_commands.py COMMAND IN OUT    the change COMMAND makes, on every text (TEXTFIT and
                                           CURSTYLE: on the first one)

Each change is what the command writes into the groups, done with ezdxf's own API. ezdxf has no
real text measure: where a command needs a text's size (TORIENT's box centre, TXTALIGN's width,
TEXTFIT's length) it takes ezdxf's estimate, ezdxf.tools.text_size, and TJUST keeps the
alignment point at the insertion point. Prints the seconds of read + change + write."""

import math
import sys
import time

import ezdxf
from ezdxf.enums import TextEntityAlignment

# ezdxf's estimate from its own font metrics, about 6 microseconds a text: with matplotlib
# installed it looks each text's font up and lays it out, about 1 millisecond a text, which would
# flatter the comparison.
ezdxf.options.use_matplotlib = False
from ezdxf.tools.text_size import text_size

ALIGNMENTS = [TextEntityAlignment.LEFT, TextEntityAlignment.MIDDLE_CENTER,
              TextEntityAlignment.BOTTOM_RIGHT, TextEntityAlignment.TOP_LEFT]


def make(count, path):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    side = int(count ** 0.5) + 1
    first = None
    for i in range(count):
        x, y = (i % side) * 30.0, (i // side) * 10.0
        attribs = {"height": 2.5, "rotation": (i % 8) * 45}
        if i % 5 == 0:
            attribs["width"] = 0.8  # some texts narrowed, the first one among them
        text = msp.add_text(f"Text {i}", dxfattribs=attribs)
        text.set_placement((x, y), align=ALIGNMENTS[i % 4])
        first = first or text.dxf.handle
    doc.saveas(path)
    with open(path + ".handle", "w") as f:
        f.write(first + "\n")


def texts(doc):
    return doc.modelspace().query("TEXT")


def tjust(doc):
    for text in texts(doc):
        insert = text.dxf.insert
        text.dxf.halign, text.dxf.valign = 1, 2
        text.dxf.align_point = insert


def tcount(doc):
    for n, text in enumerate(sorted(texts(doc), key=lambda t: t.dxf.insert[0]), 1):
        text.dxf.text = f"{n} {text.dxf.text}"


def chgthei(doc):
    for text in texts(doc):
        text.dxf.height = 5


def mathei(doc):
    height = texts(doc).first.dxf.height * 2
    for text in texts(doc):
        text.dxf.height = height


def curstyle(doc):
    doc.header["$TEXTSTYLE"] = texts(doc).first.dxf.get("style", "Standard")


def leading_codes(s):
    n = 0
    while s[3 * n:3 * n + 3].lower() == "%%u":
        n += 1
    return n


def txtuline(doc):
    for text in texts(doc):
        s = text.dxf.text
        text.dxf.text = "%%u" + s[3 * leading_codes(s):]


def deluline(doc):
    for text in texts(doc):
        s = text.dxf.text
        n = leading_codes(s)
        if n % 2:
            text.dxf.text = s[3 * n:]


def box_centre(text):
    """The middle of the text's estimated box, in its own coordinates."""
    size = text_size(text)
    a = math.radians(text.dxf.get("rotation", 0))
    x, y = text.dxf.insert[0], text.dxf.insert[1]
    along, up = size.width / 2, size.cap_height / 2
    return x + along * math.cos(a) - up * math.sin(a), y + along * math.sin(a) + up * math.cos(a)


def turn(point, centre, angle):
    dx, dy = point[0] - centre[0], point[1] - centre[1]
    c, s = math.cos(angle), math.sin(angle)
    return centre[0] + dx * c - dy * s, centre[1] + dx * s + dy * c, point[2]


def turn_text(text, centre, angle):
    text.dxf.insert = turn(text.dxf.insert, centre, angle)
    if text.dxf.hasattr("align_point"):
        text.dxf.align_point = turn(text.dxf.align_point, centre, angle)


def torient_readable(doc):
    for text in texts(doc):
        r = math.radians(text.dxf.get("rotation", 0)) % (2 * math.pi)
        if math.pi / 2 + 1e-6 < r < 3 * math.pi / 2 + 1e-6:
            turn_text(text, box_centre(text), math.pi)
            r = r + math.pi if r < math.pi + 1e-6 else r - math.pi
        text.dxf.rotation = math.degrees(r)


def torient_zero(doc):
    for text in texts(doc):
        turn_text(text, box_centre(text), -math.radians(text.dxf.get("rotation", 0)))
        text.dxf.rotation = 0


def txtalign(doc):
    for text in texts(doc):
        width = text_size(text).width
        insert, align = text.dxf.insert, text.dxf.get("align_point", text.dxf.insert)
        text.dxf.halign = 4
        text.dxf.insert = (-width / 2, insert[1], insert[2])
        text.dxf.align_point = (0, align[1], align[2])


def textfit(doc):
    text = texts(doc).first
    text.dxf.width = max(1e-6, text.dxf.get("width", 1) * 100 / text_size(text).width)


def main():
    if sys.argv[1] == "make":
        make(int(sys.argv[2]), sys.argv[3])
        return
    start = time.perf_counter()
    doc = ezdxf.readfile(sys.argv[2])
    globals()[sys.argv[1].lower()](doc)
    doc.saveas(sys.argv[3])
    print(f"{time.perf_counter() - start:.2f}")


if __name__ == "__main__":
    main()
