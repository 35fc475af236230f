"""Checks of command cases that are not group values: each takes the case's context
(run_cases.Context) and keyword arguments from the case, and returns a list of problems."""

import ezdxf


def _ink(path):
    from PIL import Image
    image = Image.open(path).convert("L")
    pixels = image.load()
    return image, {(x, y) for y in range(image.height) for x in range(image.width)
                   if pixels[x, y] < 160}


def _near(points, others, reach):
    """How many of `points` have a point of `others` within `reach` pixels."""
    return sum(any((x + dx, y + dy) in others for dx in range(-reach, reach + 1)
                   for dy in range(-reach, reach + 1)) for x, y in points)


def ink_matches(ctx, reach=2, share=0.97):
    """The picture after shows its ink where the picture before had it and the other way round
    (within `reach` pixels): the same shapes in the same places, drawn another way (outlines
    for filled glyphs, say)."""
    _, before = _ink(ctx.picture("before"))
    _, after = _ink(ctx.picture("after"))
    if not before or not after:
        return [f"a picture is blank: {len(before)} ink pixels before, {len(after)} after"]
    problems = []
    for name, points, others in (("after", after, before), ("before", before, after)):
        found = _near(points, others, reach) / len(points)
        if found < share:
            problems.append(f"only {found:.1%} of the ink {name} lies where the other picture "
                            f"has ink ({share:.0%} wanted)")
    return problems


def mtext_shows_texts(ctx, texts, spacing=1.0):
    """ezdxf's own explode of the new MTEXT shows the words of the erased texts `texts` (ids, in
    the order the contents hold them), each text's first word with its baseline within `spacing`
    line spacings of that text's baseline."""
    from ezdxf.addons import MTextExplode
    before = ctx.doc(ctx.inputs[0])
    after = ezdxf.readfile(ctx.outputs[-1])
    space = after.modelspace()
    old = {e.dxf.handle for e in before.modelspace().query("MTEXT")}
    with MTextExplode(space) as explode:
        for mtext in space.query("MTEXT"):
            if mtext.dxf.handle not in old:
                explode.explode(mtext)
    pieces = sorted(((-e.dxf.insert.y, e.dxf.insert.x, e.dxf.text, e.dxf.insert.y)
                     for e in space.query("TEXT")))
    shown = [word for piece in pieces for word in piece[2].split()]
    sources = [before.entitydb[ctx.ids[ident]] for ident in texts]
    wanted = [word for text in sources for word in text.plain_text().replace("%%%", "%").split()]
    problems = [] if shown == wanted else [f"ezdxf's explode shows {shown}, wanted {wanted}"]
    for text in sources:
        first = text.plain_text().split()[0]
        line = text.dxf.height * 5 / 3
        ys = [p[3] for p in pieces if p[2].split() and p[2].split()[0] == first]
        if not any(abs(y - text.dxf.insert.y) <= spacing * line for y in ys):
            problems.append(f"{first!r} stands at y {ys}, the text stood at {text.dxf.insert.y}")
    return problems


def new_outlines(ctx, layer, color=None):
    """The drawing gained closed LWPOLYLINEs on `layer` (in colour `color` where given)."""
    before = {e.dxf.handle for e in ctx.doc(ctx.inputs[0]).entitydb.values()}
    made = [e for e in ezdxf.readfile(ctx.outputs[-1]).modelspace().query("LWPOLYLINE")
            if e.dxf.handle not in before]
    if not made:
        return ["no new LWPOLYLINE"]
    wrong = [e.dxf.handle for e in made if e.dxf.layer != layer or
             (color is not None and e.dxf.get("color", 256) != color)]
    open_ = [e.dxf.handle for e in made if not e.closed]
    return ([f"outlines {wrong[:5]} not on layer {layer} in colour {color}"] if wrong else []) + \
        ([f"outlines {open_[:5]} are open"] if open_ else [])
