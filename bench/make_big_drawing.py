#!/usr/bin/python3
"""Writes a large generated R2018 drawing for the load/save benchmark.

The drawing starts from the host's new-drawing template and adds layers, block definitions with
attribute definitions, about 500,000 TEXT entities and 50,000 INSERTs (each with three ATTRIBs and
a SEQEND) at --scale 1, which comes to about 112 MB. The DXF text is written directly so that the
file is made in seconds and is the same byte for byte on every run (fixed random seed).

Usage: make_big_drawing.py OUT.dxf [--scale S] [--seed N]
"""

import argparse
import math
import os
import random
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TEMPLATE = os.path.join(HERE, "..", "host", "db", "template_r2018.dxf")

TEXTS_AT_SCALE_1 = 500_000
INSERTS_AT_SCALE_1 = 50_000
FIRST_HANDLE = 0x100  # well above the template's own handles

MODEL_SPACE_RECORD = "12"  # the template's *Model_Space BLOCK_RECORD
LAYER_TABLE = "7"
BLOCK_RECORD_TABLE = "11"
PLOT_STYLE_PLACEHOLDER = "1F"

LAYERS = [  # name, color
    ("NOTES", 2),
    ("TITLE", 1),
    ("ROOMS", 3),
    ("TAGS", 4),
    ("EQUIP", 5),
    ("DOORS", 6),
    ("GRID", 8),
    ("LEVELS", 30),
]

BLOCKS = [  # name, ((tag, prompt, default), ...)
    ("ROOM_TAG", (("NUMBER", "Room number", "000"), ("NAME", "Room name", "ROOM"),
                  ("AREA", "Floor area", "0.00 m2"))),
    ("DOOR_TAG", (("MARK", "Door mark", "D00"), ("TYPE", "Door type", "T1"),
                  ("FIRE", "Fire rating", "-"))),
    ("EQUIP_TAG", (("ID", "Equipment id", "EQ-0"), ("DESC", "Description", ""),
                   ("POWER", "Power", "0 kW"))),
    ("LEVEL_MARK", (("LEVEL", "Level name", "L0"), ("ELEV", "Elevation", "+0.000"),
                    ("NOTE", "Note", ""))),
]

WORDS = ("room office corridor stair lift plant store kitchen wc lobby meeting server riser "
         "shaft duct cable tray valve pump fan coil panel board socket switch light fitting "
         "door window wall slab beam column footing grid level datum north south east west "
         "existing new removed relocated provide install verify on site see detail typical "
         "note approx max min clear height width depth finish paint tile carpet concrete steel "
         "timber glass aluminium insulation membrane").split()
UNUSUAL_WORDS = ["\u00d8", "\u00b5m", "m\u00b2", "\u00b1", "%%c", "%%d", "%%p", "\u00e9tage",
            "Stra\u00dfe", "\u00c5", "\u00bd", "\u2264", "\u00b0C"]
HEIGHTS = [1.8, 2.0, 2.5, 2.5, 2.5, 3.5, 3.5, 5.0, 7.0, 10.0]
ROTATIONS = [0.0] * 6 + [90.0, 90.0, 180.0, 270.0, 45.0, 30.0]
# (72 horizontal, 73 vertical); most text is left on the baseline.
JUSTIFICATIONS = ([(0, 0)] * 40 + [(1, 0), (2, 0), (4, 0), (0, 1), (1, 1), (2, 1), (0, 2), (1, 2),
                                  (2, 2), (0, 3), (1, 3), (2, 3), (3, 0), (5, 0)])


def num(x):
    """A coordinate as DXF writers commonly put it: the shortest form of a 3-decimal value."""
    return repr(round(x, 3))


class Handles:
    def __init__(self, first):
        self.next = first

    def new(self):
        h = self.next
        self.next += 1
        return f"{h:X}"


def read_template():
    with open(TEMPLATE, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if len(lines) % 2:
        sys.exit("template has an odd number of lines")
    return [(lines[i], lines[i + 1]) for i in range(0, len(lines), 2)]


def groups(*pairs):
    """Formats (code, value) pairs with codes right-aligned in three columns, as the template."""
    return "".join(f"{code:>3}\n{value}\n" for code, value in pairs)


def layer_records(h):
    out = []
    for name, color in LAYERS:
        out.append(groups((0, "LAYER"), (5, h.new()), (330, LAYER_TABLE),
                          (100, "AcDbSymbolTableRecord"), (100, "AcDbLayerTableRecord"),
                          (2, name), (70, 0), (62, color), (6, "Continuous"), (370, -3),
                          (390, PLOT_STYLE_PLACEHOLDER)))
    return out


def block_definitions(h):
    """Returns (BLOCK_RECORD table entries, BLOCKS section text, {block name: attdefs})."""
    records, bodies = [], []
    for name, attdefs in BLOCKS:
        rec = h.new()
        records.append(groups((0, "BLOCK_RECORD"), (5, rec), (330, BLOCK_RECORD_TABLE),
                              (100, "AcDbSymbolTableRecord"), (100, "AcDbBlockTableRecord"),
                              (2, name), (340, 0), (70, 0), (280, 1), (281, 0)))
        body = [groups((0, "BLOCK"), (5, h.new()), (330, rec), (100, "AcDbEntity"), (8, "0"),
                       (100, "AcDbBlockBegin"), (2, name), (70, 2), (10, 0.0), (20, 0.0),
                       (30, 0.0), (3, name), (1, ""))]
        body.append(groups((0, "CIRCLE"), (5, h.new()), (330, rec), (100, "AcDbEntity"), (8, "0"),
                           (100, "AcDbCircle"), (10, 0.0), (20, 0.0), (30, 0.0), (40, 6.0)))
        body.append(groups((0, "LINE"), (5, h.new()), (330, rec), (100, "AcDbEntity"), (8, "0"),
                           (100, "AcDbLine"), (10, -6.0), (20, 0.0), (30, 0.0), (11, 6.0),
                           (21, 0.0), (31, 0.0)))
        for i, (tag, prompt, default) in enumerate(attdefs):
            body.append(groups((0, "ATTDEF"), (5, h.new()), (330, rec), (100, "AcDbEntity"),
                               (8, "0"), (100, "AcDbText"), (10, -5.0), (20, 2.0 - 3.0 * i),
                               (30, 0.0), (40, 2.0), (1, default),
                               (100, "AcDbAttributeDefinition"), (280, 0), (3, prompt), (2, tag),
                               (70, 0)))
        body.append(groups((0, "ENDBLK"), (5, h.new()), (330, rec), (100, "AcDbEntity"), (8, "0"),
                           (100, "AcDbBlockEnd")))
        bodies.append("".join(body))
    return records, bodies


def random_string(rng):
    n = rng.choice((1, 1, 1, 2, 2, 2, 3, 3, 4, 6))
    parts = []
    for _ in range(n):
        r = rng.random()
        if r < 0.12:
            parts.append(str(rng.randint(0, 9999)))
        elif r < 0.16:
            parts.append(rng.choice(UNUSUAL_WORDS))
        elif r < 0.2:
            parts.append(rng.choice(WORDS).upper())
        else:
            parts.append(rng.choice(WORDS))
    return " ".join(parts)


def text_entity(rng, h):
    x, y = rng.uniform(-5000, 5000), rng.uniform(-5000, 5000)
    height = rng.choice(HEIGHTS)
    rotation = rng.choice(ROTATIONS)
    halign, valign = rng.choice(JUSTIFICATIONS)
    layer = rng.choice(LAYERS)[0] if rng.random() < 0.9 else "0"
    pairs = [(0, "TEXT"), (5, h.new()), (330, MODEL_SPACE_RECORD), (100, "AcDbEntity"),
             (8, layer), (100, "AcDbText"), (10, num(x)), (20, num(y)), (30, 0.0), (40, height),
             (1, random_string(rng))]
    if rotation:
        pairs.append((50, rotation))
    if halign or valign:
        pairs.append((72, halign))
        if halign in (3, 5):  # aligned and fit texts run from the first point to the second
            length = height * rng.uniform(3, 20)
            a = math.radians(rotation)
            pairs += [(11, num(x + length * math.cos(a))), (21, num(y + length * math.sin(a))),
                      (31, 0.0)]
        else:
            pairs += [(11, num(x)), (21, num(y)), (31, 0.0)]
    pairs.append((100, "AcDbText"))
    if valign:
        pairs.append((73, valign))
    return groups(*pairs)


def insert_entity(rng, h, serial):
    name, attdefs = rng.choice(BLOCKS)
    x, y = rng.uniform(-5000, 5000), rng.uniform(-5000, 5000)
    rotation = rng.choice(ROTATIONS)
    scale = rng.choice((1.0, 1.0, 1.0, 0.5, 2.0))
    layer = rng.choice(LAYERS)[0]
    ins = h.new()
    pairs = [(0, "INSERT"), (5, ins), (330, MODEL_SPACE_RECORD), (100, "AcDbEntity"), (8, layer),
             (100, "AcDbBlockReference"), (66, 1), (2, name), (10, num(x)), (20, num(y)),
             (30, 0.0)]
    if scale != 1.0:
        pairs += [(41, scale), (42, scale), (43, scale)]
    if rotation:
        pairs.append((50, rotation))
    out = [groups(*pairs)]
    a = math.radians(rotation)
    values = [f"{serial:05d}", random_string(rng), f"{rng.uniform(1, 500):.2f}"]
    for i, (tag, _, _) in enumerate(attdefs):
        dx, dy = -5.0 * scale, (2.0 - 3.0 * i) * scale
        ax = x + dx * math.cos(a) - dy * math.sin(a)
        ay = y + dx * math.sin(a) + dy * math.cos(a)
        attr = [(0, "ATTRIB"), (5, h.new()), (330, ins), (100, "AcDbEntity"), (8, layer),
                (100, "AcDbText"), (10, num(ax)), (20, num(ay)), (30, 0.0), (40, 2.0 * scale),
                (1, values[i])]
        if rotation:
            attr.append((50, rotation))
        attr += [(100, "AcDbAttribute"), (280, 0), (2, tag), (70, 0)]
        out.append(groups(*attr))
    out.append(groups((0, "SEQEND"), (5, h.new()), (330, ins), (100, "AcDbEntity"), (8, layer)))
    return "".join(out)


def write_entities(f, rng, h, texts, inserts):
    """Interleaves TEXTs and INSERTs so the file looks like a drawing rather than two blocks."""
    total = texts + inserts
    done_inserts = 0
    chunk = []
    for i in range(total):
        # Place the inserts evenly among the texts.
        if done_inserts < inserts and (i + 1) * inserts >= (done_inserts + 1) * total:
            chunk.append(insert_entity(rng, h, done_inserts))
            done_inserts += 1
        else:
            chunk.append(text_entity(rng, h))
        if len(chunk) >= 4096:
            f.write("".join(chunk))
            chunk.clear()
    f.write("".join(chunk))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("out")
    ap.add_argument("--scale", type=float, default=1.0,
                    help="multiplies the entity counts (1 gives about 112 MB)")
    ap.add_argument("--seed", type=int, default=20240611)
    args = ap.parse_args()

    texts = max(1, round(TEXTS_AT_SCALE_1 * args.scale))
    inserts = max(1, round(INSERTS_AT_SCALE_1 * args.scale))
    rng = random.Random(args.seed)
    h = Handles(FIRST_HANDLE)
    layers = layer_records(h)
    block_records, block_bodies = block_definitions(h)

    template = read_template()
    tmp = args.out + ".part"
    with open(tmp, "w", encoding="utf-8", newline="\n") as f:
        section = table = None
        in_table_head = False
        seed_next = False
        saw_seed = False
        # Every TEXT takes one handle, every INSERT five (itself, three ATTRIBs, the SEQEND).
        handseed = h.next + texts + 5 * inserts
        for code, value in template:
            c = int(code)
            if c == 0:
                in_table_head = value == "TABLE"
                if value == "ENDTAB":
                    if table == "LAYER":
                        f.write("".join(layers))
                    elif table == "BLOCK_RECORD":
                        f.write("".join(block_records))
                    table = None
                elif value == "ENDSEC":
                    if section == "BLOCKS":
                        f.write("".join(block_bodies))
                    elif section == "ENTITIES":
                        write_entities(f, rng, h, texts, inserts)
                    section = None
            elif c == 2 and section is None:
                section = value
            elif c == 2 and in_table_head:
                table = value
            elif c == 70 and in_table_head and table in ("LAYER", "BLOCK_RECORD"):
                added = len(layers) if table == "LAYER" else len(block_records)
                value = str(int(value) + added)
            elif c == 9:
                seed_next = value == "$HANDSEED"
            elif c == 5 and seed_next:
                value = f"{handseed:X}"
                seed_next, saw_seed = False, True
            f.write(f"{code}\n{value}\n")
    if not saw_seed:
        sys.exit("the template has no $HANDSEED")
    if h.next != handseed:
        sys.exit(f"handle count is off: used up to {h.next:X}, $HANDSEED says {handseed:X}")
    os.replace(tmp, args.out)
    size = os.path.getsize(args.out)
    print(f"{args.out}: {size / 1e6:.1f} MB, {texts} TEXT, {inserts} INSERT, "
          f"handles {FIRST_HANDLE:X}..{h.next - 1:X}")


if __name__ == "__main__":
    main()
