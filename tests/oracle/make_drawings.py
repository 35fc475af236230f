#!/usr/bin/python3
"""Writes the oracle sample drawings, one per DXF version, made with ezdxf.

Usage: make_drawings.py OUTDIR [EXPECTED_NAME ...]

Each sample_<VERSION>.dxf holds every entity type that the version can carry
(see build_sample).  For R12, R2000 and R2004 two more drawings test the code
page handling of the older versions: sample_<VERSION>_ANSI_936.dxf (Chinese,
GBK bytes in the file) and sample_<VERSION>_ANSI_1252.dxf (Western European).

With EXPECTED_NAME arguments (file names without .dxf) it fails unless it
makes exactly those drawings.

The output is the same on every run: ezdxf's fixed metadata mode pins the
GUIDs and time stamps, and handles are handed out in creation order.
"""

import codecs
import os
import sys

import ezdxf
from ezdxf import units
from ezdxf.lldxf import const
from ezdxf.math import Vec2, Vec3
from ezdxf.render import mleader

VERSIONS = ["R12", "R2000", "R2004", "R2007", "R2010", "R2013", "R2018"]
CODEPAGE_VERSIONS = ["R12", "R2000", "R2004"]
CODEPAGES = {"ANSI_936": "gbk", "ANSI_1252": "cp1252"}

APPID = "KXORACLE"
LATIN = "äöü é ß €"
CHINESE = "中文字体 测试"
LATIN_LAYER = "Ebene äöü ß €"
CHINESE_LAYER = "图层 中文字体"

# Every inline code the MTEXT parser has to carry through untouched.  The
# text is padded past 250 characters so that ezdxf splits it into group 3
# continuation chunks followed by the closing group 1.
MTEXT_CODES = (
    r"{\fArial|b1|i0|c0|p34;Bold Arial} {\fSimSun|b0|i1|c134|p2;宋体斜体}\P"
    r"{\H2.5x;Twice the height} {\H0.7;Absolute height}\P"
    r"{\C1;Red} \C256;bylayer {\FSimplex.shx;SHX font} {\Fromans|c0;roman}\P"
    r"{\W0.8;Narrow} {\W1.5;Wide} {\Q15;Oblique} {\T1.5;Tracked}\P"
    r"\A0;bottom \A1;centre \A2;top\P"
    r"\Lunderlined\l plain \Ooverlined\o plain\P"
    r"Stacked \S1/2; \S3#4; \S1^2; \S+0.01^-0.02;\P"
    r"Non\~breaking\~spaces, back\\slash, \{escaped braces\}, {nested {group}}\P"
    f"Latin {LATIN} and Chinese {CHINESE}\\P"
)
MTEXT_FILLER = (
    "The quick brown fox jumps over the lazy dog, again and again, so that the "
    "text runs on for several hundred characters. "
)
MTEXT_LONG = MTEXT_CODES + MTEXT_FILLER * 4 + "Ende."


def valid_justifications():
    """(halign, valign) pairs a TEXT entity can have.

    Baseline (valign 0) takes every halign 0-5; bottom, middle and top take
    left, centre and right only.
    """
    pairs = [(h, 0) for h in range(6)]
    pairs += [(h, v) for v in (1, 2, 3) for h in (0, 1, 2)]
    return pairs


def add_texts(layout, origin: Vec2, layer: str, chinese_layer: str):
    """One TEXT per valid justification, then some special strings."""
    x0, y0 = origin
    for n, (h, v) in enumerate(valid_justifications()):
        p1 = Vec3(x0 + (n % 5) * 40, y0 - (n // 5) * 10)
        attribs = {
            "layer": layer,
            "height": 2.5,
            "insert": p1,
            "halign": h,
            "valign": v,
        }
        if h in (3, 5):  # aligned and fit run between two points
            attribs["align_point"] = p1 + Vec3(30, 0)
        elif (h, v) != (0, 0):
            attribs["align_point"] = p1
        if h == 5:
            attribs["width"] = 0.8
        if (h, v) == (1, 2):
            attribs["rotation"] = 30.0
        if (h, v) == (2, 3):
            attribs["oblique"] = 15.0
        layout.add_text(f"TEXT h={h} v={v} {LATIN}", dxfattribs=attribs)
    y = y0 - 40
    layout.add_text(
        f"{CHINESE} 中文", dxfattribs={"layer": chinese_layer, "insert": (x0, y), "height": 3}
    )
    layout.add_text(
        "%%uunderlined%%u 45%%d %%c10 %%p0.1 100%%%",
        dxfattribs={"layer": layer, "insert": (x0 + 60, y), "height": 2},
    )
    layout.add_text(
        "mirrored", dxfattribs={"insert": (x0 + 120, y), "height": 2, "text_generation_flag": 2}
    )


def add_mtexts(layout, origin: Vec2, layer: str, chinese_layer: str):
    x0, y0 = origin
    layout.add_mtext(
        MTEXT_LONG,
        dxfattribs={
            "layer": layer,
            "insert": (x0, y0),
            "char_height": 2.5,
            "width": 120,
            "attachment_point": const.MTEXT_TOP_LEFT,
            "line_spacing_factor": 1.25,
        },
    )
    layout.add_mtext(
        f"{CHINESE}\\P{LATIN}",
        dxfattribs={
            "layer": chinese_layer,
            "insert": (x0 + 140, y0),
            "char_height": 3,
            "rotation": 15,
            "attachment_point": const.MTEXT_MIDDLE_CENTER,
        },
    )
    layout.add_mtext(
        "short", dxfattribs={"insert": (x0 + 140, y0 - 30), "attachment_point": 9}
    )


def add_title_block(doc, multiline: bool):
    """Block with ATTDEFs; on R2018 one of them is a multi-line attribute."""
    blk = doc.blocks.new("TITLE", base_point=(0, 0))
    frame = [(0, 0), (80, 0), (80, 20), (0, 20)]
    if doc.dxfversion > const.DXF12:
        blk.add_lwpolyline(frame, close=True)
    else:
        blk.add_polyline2d(frame, close=True)
    blk.add_line((0, 10), (80, 10))
    blk.add_attdef("NAME", (2, 12), "name", dxfattribs={"height": 2.5, "prompt": "Name?"})
    blk.add_attdef(
        "DATE",
        (2, 2),
        "2000-01-01",
        dxfattribs={"height": 2.0, "halign": 2, "valign": 1, "align_point": (78, 2)},
    )
    blk.add_attdef("HIDDEN", (40, 2), "secret", dxfattribs={"height": 2.0, "flags": 1})
    if multiline:
        attdef = blk.add_attdef("NOTES", (2, 18), "", dxfattribs={"height": 1.5})
        mtext = blk.add_mtext(
            "First line\\PSecond line äöü\\P中文字体",
            dxfattribs={"char_height": 1.5, "width": 60},
        )
        mtext.dxf.insert = (2, 18)
        attdef.embed_mtext(mtext)
    return blk


def add_inserts(doc, layout, origin: Vec2, multiline: bool):
    x0, y0 = origin
    ref = layout.add_blockref("TITLE", (x0, y0))
    ref.add_auto_attribs({"NAME": f"Müller {LATIN}", "DATE": "2024-02-29", "HIDDEN": "x"})
    ref2 = layout.add_blockref(
        "TITLE", (x0 + 100, y0), dxfattribs={"xscale": 0.5, "yscale": 0.5, "rotation": 90}
    )
    ref2.add_auto_attribs({"NAME": CHINESE, "DATE": "1999-12-31", "HIDDEN": "y"})
    if multiline:
        # add_auto_attribs made a single-line NOTES; turn it into a
        # multi-line one.
        attrib = ref.get_attrib("NOTES")
        mtext = layout.add_mtext(
            "Row one\\PRow two 中文\\PRow three ß", dxfattribs={"char_height": 1.5, "width": 60}
        )
        mtext.dxf.insert = (x0 + 2, y0 + 18)
        attrib.embed_mtext(mtext)
    return ref, ref2


def add_geometry(doc, layout, origin: Vec2, layer: str):
    """Plain geometry; returns the entities in creation order."""
    x0, y0 = origin
    made = []
    made.append(layout.add_line((x0, y0), (x0 + 50, y0 + 20), dxfattribs={"layer": layer}))
    made.append(layout.add_circle((x0 + 70, y0 + 10), 10, dxfattribs={"color": 1}))
    made.append(layout.add_arc((x0 + 100, y0 + 10), 8, 30, 240))
    bulged = [(x0, y0 - 20, 0.5), (x0 + 20, y0 - 20, 0), (x0 + 20, y0 - 35, -1), (x0, y0 - 35, 0)]
    if doc.dxfversion > const.DXF12:
        made.append(
            layout.add_lwpolyline(
                [(x, y, 0, 0, b) for x, y, b in bulged],
                format="xyseb",
                close=True,
                dxfattribs={"const_width": 0.25},
            )
        )
    pl2 = layout.add_polyline2d([(x, y) for x, y, _ in bulged], close=True)
    for vertex, (_, _, b) in zip(pl2.vertices, bulged):
        vertex.dxf.bulge = b
    pl2.translate(40, 0, 0)
    made.append(pl2)
    def at(points):
        return [(x0 + x, y0 + y, z) for x, y, z in points]

    made.append(layout.add_polyline3d(at([(80, -20, 0), (90, -30, 5), (100, -20, 10)])))
    made.append(layout.add_solid(at([(110, -20, 0), (125, -20, 0), (110, -35, 0), (125, -35, 0)])))
    made.append(layout.add_3dface(at([(130, -20, 0), (145, -20, 1), (145, -35, 2), (130, -35, 3)])))
    made.append(layout.add_point((x0 + 150, y0 - 25, 0)))
    return made


def add_r2000_entities(doc, layout, origin: Vec2):
    """Entities that R12 cannot hold."""
    x0, y0 = origin
    made = []
    made.append(layout.add_wipeout([(x0, y0), (x0 + 20, y0), (x0 + 20, y0 + 10), (x0, y0 + 10)]))
    hatch = layout.add_hatch(color=3)
    hatch.paths.add_polyline_path(
        [(x0 + 30, y0), (x0 + 50, y0), (x0 + 50, y0 + 10), (x0 + 30, y0 + 10)], is_closed=True
    )
    edge = hatch.paths.add_edge_path()
    edge.add_line((x0 + 35, y0 + 2), (x0 + 45, y0 + 2))
    edge.add_arc((x0 + 40, y0 + 2), 5, 0, 180)
    hatch.set_seed_points([(x0 + 31, y0 + 1)])
    made.append(hatch)
    made.append(
        layout.add_leader(
            [(x0 + 60, y0), (x0 + 70, y0 + 10), (x0 + 80, y0 + 10)], dimstyle="EZDXF"
        )
    )
    builder = layout.add_multileader_mtext("Standard")
    builder.set_content(f"Multileader {LATIN}", char_height=2.0)
    builder.add_leader_line(mleader.ConnectionSide.left, [Vec2(x0 + 90, y0)])
    builder.add_leader_line(mleader.ConnectionSide.left, [Vec2(x0 + 92, y0 + 15)])
    builder.build(insert=Vec2(x0 + 105, y0 + 8))
    made.append(builder.multileader)
    return made


def add_dimension(layout, origin: Vec2):
    x0, y0 = origin
    dim = layout.add_linear_dim(
        base=(x0, y0 + 10), p1=(x0, y0), p2=(x0 + 40, y0), dimstyle="EZDXF"
    )
    dim.render()
    return dim.dimension


def set_xdata(entity, n: int, ref_handle: str):
    entity.set_xdata(
        APPID,
        [
            (1000, f"xdata {n} {LATIN}"),
            (1002, "{"),
            (1070, n),
            (1040, 3.25),
            (1010, (1.0, 2.0, 3.0)),
            (1005, ref_handle),
            (1002, "}"),
            (1071, 123456),
        ],
    )


def add_extension_dict(entity, n: int):
    xdict = entity.new_extension_dict()
    xrec = xdict.add_xrecord("KX_DATA")
    xrec.reset([(1, f"record {n}"), (40, 1.5), (70, n), (10, (n, n, 0))])
    xdict.add_dictionary_var("KX_VAR", f"value {n}")


def build_sample(version: str):
    doc = ezdxf.new(version, setup=True, units=units.MM)
    r12 = doc.dxfversion <= const.DXF12
    multiline_attribs = doc.dxfversion >= const.DXF2018
    doc.appids.new(APPID)
    doc.layers.add("Annotations", color=2)
    doc.layers.add("Locked", color=5).lock()
    doc.layers.add(LATIN_LAYER, color=3)
    # Before R2007 the file's code page (1252 here) cannot spell Chinese, and
    # an escaped \\U+ layer name is not a valid name.
    chinese_layer = CHINESE_LAYER if doc.dxfversion >= const.DXF2007 else "0"
    if chinese_layer != "0":
        doc.layers.add(chinese_layer, color=4)
    msp = doc.modelspace()

    add_texts(msp, Vec2(0, 200), "Annotations", chinese_layer)
    add_title_block(doc, multiline_attribs)
    refs = add_inserts(doc, msp, Vec2(0, 100), multiline_attribs)
    geometry = add_geometry(doc, msp, Vec2(0, 60), LATIN_LAYER)
    msp.add_line((0, 0), (30, 0), dxfattribs={"layer": "Locked"})
    msp.add_circle((40, 0), 5, dxfattribs={"layer": "Locked"})
    dim = add_dimension(msp, Vec2(200, 60))
    extra = []
    if not r12:
        add_mtexts(msp, Vec2(200, 200), LATIN_LAYER, chinese_layer)
        extra = add_r2000_entities(doc, msp, Vec2(200, 0))

    for n, entity in enumerate([geometry[0], geometry[1], refs[0], dim]):
        set_xdata(entity, n, geometry[2].dxf.handle)

    psp = doc.layout("Layout1")
    psp.add_text(f"Paper space {LATIN}", dxfattribs={"insert": (10, 10), "height": 3.5})
    psp.add_line((5, 5), (200, 5))
    psp.add_blockref("TITLE", (100, 20)).add_auto_attribs({"NAME": "paper", "DATE": "now"})
    if not r12:
        psp.add_mtext(f"{CHINESE}\\P{MTEXT_FILLER}", dxfattribs={"insert": (10, 100), "width": 80})
        psp.add_viewport(
            center=(150, 100), size=(100, 80), view_center_point=(100, 100), view_height=200
        )

        # Everything below lives in the OBJECTS section, which R12 lacks.
        for n, entity in enumerate([geometry[0], refs[1], extra[0]]):
            add_extension_dict(entity, n)
        named = doc.groups.new("PARTS")
        named.set_data(geometry[:3])
        named.dxf.description = f"named group {LATIN}"
        anonymous = doc.groups.new()  # gets a *A name
        anonymous.set_data([extra[1], dim])
        unselectable = doc.groups.new("FIXED", selectable=False)
        unselectable.set_data([refs[0]])
        # Draw the hatch first and the circle last.
        msp.set_redraw_order(
            {extra[1].dxf.handle: "1", geometry[1].dxf.handle: "FFFF"}
        )
        second = doc.layouts.new(f"Blatt {LATIN}")
        second.add_circle((50, 50), 20)
        second.add_text(CHINESE, dxfattribs={"insert": (20, 20), "height": 5})
        line = second.add_line((0, 0), (100, 0))
        second.set_redraw_order({line.dxf.handle: "2"})
        blk = doc.blocks.get("TITLE")
        blk.set_redraw_order({e.dxf.handle: "1" for e in blk.query("LINE")})
    return doc


def build_codepage(version: str, codepage: str):
    """A drawing whose strings exercise the file's code page.

    Characters outside the code page (Latin in GBK, Chinese in 1252) end up
    as \\U+XXXX escapes in the file.
    """
    doc = ezdxf.new(version, setup=False, units=units.MM)
    doc.encoding = CODEPAGES[codepage]
    if codepage == "ANSI_936":
        words = [CHINESE, "简体中文 繁體中文", "标注 文字 图层", "混合 ABC 123 äöü €"]
        layer = CHINESE_LAYER
        block = "图块"
    else:
        words = [
            LATIN,
            "Größe Ärger Ölfaß",
            "€ ‚ „ … † ‡ ‰ Š Œ Ž ‘ ’ “ ” • – — ™ š œ ž Ÿ",  # 1252's own, not Latin-1
            f"mixed {CHINESE}",
        ]
        layer = LATIN_LAYER
        block = "Blöcke"
    doc.layers.add(layer, color=1)
    doc.styles.add("Schrift", font="simsun.ttf" if codepage == "ANSI_936" else "arial.ttf")
    blk = doc.blocks.new(block)
    blk.add_attdef("WERT", (0, 0), words[0], dxfattribs={"prompt": words[1], "height": 2})
    msp = doc.modelspace()
    for n, text in enumerate(words):
        attribs = {"insert": (0, -10 * n), "height": 2.5, "layer": layer, "style": "Schrift"}
        msp.add_text(text, dxfattribs=attribs)
    ref = msp.add_blockref(block, (100, 0))
    ref.add_auto_attribs({"WERT": words[2]})
    if doc.dxfversion > const.DXF12:
        content = "\\P".join(words + [MTEXT_FILLER * 3])
        msp.add_mtext(content, dxfattribs={"insert": (0, 50), "layer": layer})
    doc.appids.new(APPID)
    ref.set_xdata(APPID, [(1000, words[3])])
    return doc


def escape_unencodable(exc):
    """Writes characters the code page lacks as \\U+XXXX, as DXF expects.

    ezdxf 0.18.1's own handler writes \\xNN for code points below 256 and
    lower-case hex digits, which its own reader does not decode.
    """
    if not isinstance(exc, UnicodeEncodeError):
        raise exc
    chars = exc.object[exc.start : exc.end]
    return "".join(f"\\U+{ord(c):04X}" for c in chars), exc.end


def main(argv):
    # ezdxf emits the CLASSES section in set order; pin the hash seed so the
    # files come out the same on every run.
    if os.environ.get("PYTHONHASHSEED") != "0":
        os.environ["PYTHONHASHSEED"] = "0"
        os.execv(sys.executable, [sys.executable] + argv)
    codecs.register_error("dxfreplace", escape_unencodable)
    if len(argv) < 2:
        print("usage: make_drawings.py OUTDIR [EXPECTED_NAME ...]", file=sys.stderr)
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    ezdxf.options.write_fixed_meta_data_for_testing = True
    jobs = [(f"sample_{v}", lambda v=v: build_sample(v)) for v in VERSIONS]
    for v in CODEPAGE_VERSIONS:
        for cp in CODEPAGES:
            jobs.append((f"sample_{v}_{cp}", lambda v=v, cp=cp: build_codepage(v, cp)))
    # The build lists the drawings it tests; a drawing added here but not
    # there would go untested.
    expected = argv[2:]
    if expected and sorted(expected) != sorted(name for name, _ in jobs):
        print(
            f"make_drawings: the build expects {sorted(expected)}, "
            f"this script makes {sorted(name for name, _ in jobs)}",
            file=sys.stderr,
        )
        return 1
    for name, build in jobs:
        doc = build()
        path = os.path.join(outdir, name + ".dxf")
        doc.saveas(path)
        check = ezdxf.readfile(path)
        auditor = check.audit()
        if auditor.has_errors:
            for e in auditor.errors:
                print(f"{name}: audit error {e.code} {e.message}", file=sys.stderr)
            return 1
    print(f"make_drawings: wrote {len(jobs)} drawings to {outdir}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
