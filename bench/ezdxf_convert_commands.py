#!/usr/bin/python3
"""The conversion commands' work done with ezdxf's own API, to time kxhost against, and the
drawings both run on.

  ezdxf_convert_commands.py make-texts N OUT.dxf     N single-line texts in a column of lines
  ezdxf_convert_commands.py make-chinese N OUT.dxf   N simplified Chinese TEXTs and MTEXTs
  ezdxf_convert_commands.py txt2mtxt IN.dxf OUT.dxf  every TEXT joined into one MTEXT
  ezdxf_convert_commands.py txtexp IN.dxf OUT.dxf    every TEXT outlined (text2path) and erased
  ezdxf_convert_commands.py gb2big5 TABLE IN.dxf OUT.dxf  simplified to traditional characters

Each does what the command does, the way an ezdxf user would: load, change, save.
"""

import random
import re
import sys

import ezdxf

WORDS = ["Wall", "Door", "Room", "Level", "Grid", "Note", "Detail", "Section", "Plan", "Beam"]
CHINESE = "这是简体中文图纸说明发展经济会议门窗楼梯墙体结构设计标高轴线详图剖面"


def make_texts(count, path):
    doc = ezdxf.new("R2018")
    space = doc.modelspace()
    rng = random.Random(17)
    for i in range(count):
        words = " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 4)))
        space.add_text(f"{words} {i}", dxfattribs={
            "insert": ((i // 1000) * 200.0, -(i % 1000) * 4.2), "height": 2.5 if i % 7 else 3.5,
            "color": 256 if i % 11 else 1})
    doc.saveas(path)


def make_chinese(count, path):
    doc = ezdxf.new("R2018")
    space = doc.modelspace()
    rng = random.Random(17)
    for i in range(count):
        text = "".join(rng.choice(CHINESE) for _ in range(rng.randint(4, 16)))
        at = ((i // 1000) * 100.0, (i % 1000) * 4.0)
        if i % 10:
            space.add_text(text, dxfattribs={"insert": at, "height": 2.5})
        else:
            space.add_mtext("{\\f宋体|b0|i0|c134|p2;" + text + "}\\P" + text,
                            dxfattribs={"insert": at, "char_height": 2.5})
    doc.saveas(path)


def txt2mtxt(source, target):
    """Texts sorted top to bottom into one paragraph, with height and colour codes where they
    change, their x extent as the width; the texts erased."""
    from ezdxf import bbox
    doc = ezdxf.readfile(source)
    space = doc.modelspace()
    texts = sorted(space.query("TEXT"), key=lambda t: -t.dxf.insert.y)
    first = texts[0]
    height, color = first.dxf.height, first.dxf.get("color", 256)
    parts, left, right = [first.dxf.text], None, None
    for text in texts[1:]:
        prefix = ""
        if text.dxf.height != height:
            height = text.dxf.height
            prefix += f"\\H{height:f};"
        if text.dxf.get("color", 256) != color:
            color = text.dxf.get("color", 256)
            prefix += f"\\C{color};"
        parts.append(prefix + text.dxf.text)
    for box in (bbox.extents([t]) for t in texts):
        left = box.extmin.x if left is None else min(left, box.extmin.x)
        right = box.extmax.x if right is None else max(right, box.extmax.x)
    insert = first.dxf.insert
    space.add_mtext(" ".join(parts), dxfattribs={
        "insert": (insert.x, insert.y + first.dxf.height), "char_height": first.dxf.height,
        "width": right - left, "layer": first.dxf.layer, "style": first.dxf.style})
    for text in texts:
        space.delete_entity(text)
    doc.saveas(target)


def txtexp(source, target):
    """ezdxf's text-to-path tool: each text's glyph outlines as polylines, the text erased."""
    from ezdxf import path
    from ezdxf.addons import text2path
    doc = ezdxf.readfile(source)
    space = doc.modelspace()
    for text in list(space.query("TEXT MTEXT")):
        paths = text2path.make_paths_from_entity(text)
        path.render_lwpolylines(space, paths, distance=0.01,
                                dxfattribs={"layer": text.dxf.layer,
                                            "color": text.dxf.get("color", 256)})
        space.delete_entity(text)
    doc.saveas(target)


def gb2big5(table, source, target):
    """Every character of texts mapped one for one through the simplified to traditional table
    (the first candidate of each line of an opencc_dict text dump), MTEXT font names kept."""
    mapping = {}
    with open(table, encoding="utf-8") as f:
        for line in f:
            key, values = line.rstrip("\n").split("\t")
            if len(key) == 1:
                mapping[ord(key)] = values.split(" ")[0]
    fonts = re.compile(r"(\\f[^|;]*)")
    doc = ezdxf.readfile(source)
    for entity in doc.modelspace().query("TEXT MTEXT ATTDEF"):
        if entity.dxftype() == "MTEXT":
            pieces = fonts.split(entity.text)
            entity.text = "".join(p if p.startswith("\\f") else p.translate(mapping)
                                  for p in pieces)
        else:
            entity.dxf.text = entity.dxf.text.translate(mapping)
    doc.saveas(target)


def main():
    action = sys.argv[1]
    if action == "make-texts":
        make_texts(int(sys.argv[2]), sys.argv[3])
    elif action == "make-chinese":
        make_chinese(int(sys.argv[2]), sys.argv[3])
    elif action == "txt2mtxt":
        txt2mtxt(sys.argv[2], sys.argv[3])
    elif action == "txtexp":
        txtexp(sys.argv[2], sys.argv[3])
    elif action == "gb2big5":
        gb2big5(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
