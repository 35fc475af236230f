#!/usr/bin/python3
"""The ezdxf side of the decoration benchmark.

  ezdxf_decorate.py make N OUT.dxf    N texts in a grid, turned 0 to 45 degrees
  ezdxf_decorate.py tcircle IN OUT    a slot around every text, 0.35 times its height away
  ezdxf_decorate.py textmask IN OUT   a wipeout below every text, half its height larger, each
                                      grouped with its text and drawn directly below it

The same geometry TCIRCLE and TEXTMASK make, with ezdxf's own API; ezdxf measures a text with its
built-in font metrics (ezdxf.tools.text_size), not its glyphs. Prints the seconds of read + change
+ write."""

import math
import random
import sys
import time

import ezdxf
from ezdxf.tools.text_size import text_size


def make(count, path):
    random.seed(1)
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    side = int(count ** 0.5) + 1
    alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 "
    for i in range(count):
        s = "".join(random.choice(alphabet) for _ in range(random.randint(5, 20)))
        msp.add_text(s, dxfattribs={"height": 2.5, "rotation": (i % 4) * 15,
                                    "insert": ((i % side) * 60.0, (i // side) * 12.0)})
    doc.saveas(path)


def corners(text, factor):
    """Lower left, lower right, upper right, upper left of the text's box grown by factor times
    its height, in the world."""
    size = text_size(text)
    m = factor * text.dxf.height
    descender = size.total_height - size.cap_height
    x0, y0, x1, y1 = -m, -descender - m, size.width + m, size.cap_height + m
    a = math.radians(text.dxf.rotation)
    c, s = math.cos(a), math.sin(a)
    ix, iy = text.dxf.insert.x, text.dxf.insert.y
    return [(ix + x * c - y * s, iy + x * s + y * c) for x, y in ((x0, y0), (x1, y0), (x1, y1), (x0, y1))]


def tcircle(doc):
    msp = doc.modelspace()
    for text in msp.query("TEXT"):
        p = corners(text, 0.35)
        msp.add_lwpolyline([(*p[0], 0, 0, -1), (*p[3], 0, 0, 0), (*p[2], 0, 0, -1), (*p[1], 0, 0, 0)],
                           format="xyseb", close=True)


def textmask(doc):
    msp = doc.modelspace()
    order = {}
    key = 0x100000
    for text in msp.query("TEXT"):
        mask = msp.add_wipeout(corners(text, 0.5))
        group = doc.groups.new()
        group.extend([text, mask])
        order[mask.dxf.handle] = f"{key:X}"
        order[text.dxf.handle] = f"{key + 1:X}"
        key += 2
    msp.set_redraw_order(order)
    doc.set_wipeout_variables(frame=0)


def main():
    if sys.argv[1] == "make":
        make(int(sys.argv[2]), sys.argv[3])
        return
    start = time.perf_counter()
    doc = ezdxf.readfile(sys.argv[2])
    {"tcircle": tcircle, "textmask": textmask}[sys.argv[1]](doc)
    doc.saveas(sys.argv[3])
    print(f"{time.perf_counter() - start:.2f}")


if __name__ == "__main__":
    main()
