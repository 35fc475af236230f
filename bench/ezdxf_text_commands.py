#!/usr/bin/python3
"""The ezdxf side of the text-command benchmark.

  ezdxf_text_commands.py make N OUT.dxf    N texts in a grid, in four justifications
  ezdxf_text_commands.py tjust IN OUT      every text to middle centre, anchored where it starts
  ezdxf_text_commands.py tcount IN OUT     every text numbered left to right, number in front

The two changes are what TJUST and TCOUNT write into the groups, done with ezdxf's own API
(ezdxf does not measure text, so the alignment point stays at the insertion point). Prints the
seconds of read + change + write."""

import sys
import time

import ezdxf


def make(count, path):
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    side = int(count ** 0.5) + 1
    for i in range(count):
        x, y = (i % side) * 30.0, (i // side) * 10.0
        text = msp.add_text(f"Text {i}", dxfattribs={"height": 2.5, "rotation": (i % 4) * 15})
        text.set_placement((x, y), align=[ezdxf.enums.TextEntityAlignment.LEFT,
                                          ezdxf.enums.TextEntityAlignment.MIDDLE_CENTER,
                                          ezdxf.enums.TextEntityAlignment.BOTTOM_RIGHT,
                                          ezdxf.enums.TextEntityAlignment.TOP_LEFT][i % 4])
    doc.saveas(path)


def tjust(doc):
    for text in doc.modelspace().query("TEXT"):
        insert = text.dxf.insert
        text.dxf.halign, text.dxf.valign = 1, 2
        text.dxf.align_point = insert


def tcount(doc):
    texts = sorted(doc.modelspace().query("TEXT"), key=lambda t: t.dxf.insert[0])
    for n, text in enumerate(texts, 1):
        text.dxf.text = f"{n} {text.dxf.text}"


def main():
    if sys.argv[1] == "make":
        make(int(sys.argv[2]), sys.argv[3])
        return
    start = time.perf_counter()
    doc = ezdxf.readfile(sys.argv[2])
    {"tjust": tjust, "tcount": tcount}[sys.argv[1]](doc)
    doc.saveas(sys.argv[3])
    print(f"{time.perf_counter() - start:.2f}")


if __name__ == "__main__":
    main()
