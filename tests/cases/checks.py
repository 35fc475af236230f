"""Checks of command cases that are not group values: each takes the case's context
(run_cases.Context) and keyword arguments from the case, and returns a list of problems."""

import functools
import math
import subprocess

import ezdxf


# ---- attributes ----------------------------------------------------------------------------

def attribute_texts(ctx, tag, text, count):
    """`count` attributes tagged `tag` show `text` in the saved drawing, and no other of that
    tag does."""
    found = [a.dxf.text for insert in ctx.doc(ctx.outputs[-1]).modelspace().query("INSERT")
             for a in insert.attribs if a.dxf.tag == tag]
    showing = sum(1 for value in found if value == text)
    if showing != count or len(found) != count:
        return [f"{showing} of {len(found)} attributes {tag} show {text!r}, wanted {count} of {count}"]
    return []


# ---- glyphs, measured apart from kxhost -----------------------------------------------------

@functools.lru_cache(maxsize=None)
def _font(family="Liberation Sans"):
    """The style's font at 512 pixels an em, and how many drawing units a pixel is for a text
    of height 1: the host makes a capital letter as tall as the text height."""
    from PIL import ImageFont
    path = subprocess.run(["fc-match", "-f", "%{file}", family], capture_output=True,
                          text=True, check=True).stdout
    font = ImageFont.truetype(path, 512)
    _, top, _, bottom = font.getmask2("H", anchor="ls")[0].getbbox()
    return font, 1.0 / (bottom - top)


def ink_box(text, height):
    """Ink of a one-line string in its own frame (origin on the baseline at its start, y up):
    (x0, y0, x1, y1), as Pillow's FreeType rendering draws it, not the host's layout."""
    font, unit = _font()
    mask, (dx, dy) = font.getmask2(text, anchor="ls")
    left, top, right, bottom = mask.getbbox()
    s = unit * height
    return (left + dx) * s, -(bottom + dy) * s, (right + dx) * s, -(top + dy) * s


class TextFrame:
    """Where a left-aligned TEXT or a one-line MTEXT draws: the box of its glyphs in the text's
    own frame (a TEXT's ink; an MTEXT's line) and the map from that frame to the world."""

    def __init__(self, entity):
        kind = entity.dxftype()
        if kind == "TEXT":
            if entity.dxf.get("halign", 0) or entity.dxf.get("valign", 0):
                raise ValueError("only left-aligned TEXTs are measured")
            self.height = entity.dxf.height
            self.box = ink_box(entity.dxf.text, self.height)
            # A TEXT's insertion point and angle are in its object coordinate system.
            from ezdxf.math import OCS, Vec3
            angle = math.radians(entity.dxf.get("rotation", 0))
            ocs = OCS(entity.dxf.get("extrusion", (0, 0, 1)))
            c, s = math.cos(angle), math.sin(angle)
            self.origin = Vec3(ocs.to_wcs(entity.dxf.insert))
            self.ux, self.uy = Vec3(ocs.to_wcs((c, s, 0))), Vec3(ocs.to_wcs((-s, c, 0)))
        elif kind == "MTEXT":
            if "\\P" in entity.text:
                raise ValueError("only one-line MTEXTs are measured")
            self.height = entity.dxf.char_height
            # Its box: from the pen's start to its end, from the top of the capitals down to the
            # lowest ink. The insertion point is the top left of a line as tall as the capitals,
            # or its middle or other end as the attachment says.
            text = entity.plain_text()
            font, unit = _font()
            y0 = ink_box(text, self.height)[1]
            length = font.getlength(text) * unit * self.height
            column, row = divmod(entity.dxf.get("attachment_point", 1) - 1, 3)[::-1]
            dx, dy = -column * length / 2, row * self.height / 2
            self.box = (dx, min(y0, 0) - self.height + dy, length + dx, dy)
            # ezdxf's frame: the insertion point, the text direction (or its rotation in the
            # plane of its extrusion) and the extrusion.
            ucs = entity.ucs()
            self.origin, self.ux, self.uy = ucs.origin, ucs.ux, ucs.uy
        else:
            raise ValueError(f"{kind} is no text")

    def world(self, x, y):
        p = self.origin + self.ux * x + self.uy * y
        return p[0], p[1]

    def local(self, x, y):
        d = (x - self.origin[0], y - self.origin[1])
        return (d[0] * self.ux[0] + d[1] * self.ux[1], d[0] * self.uy[0] + d[1] * self.uy[1])

    def rectangle(self, margin, width=0, height=0):
        """Corners (lower left, lower right, upper right, upper left, in the text's direction)
        of the ink box grown by `margin` on every side, or of that size about its centre."""
        x0, y0, x1, y1 = self.box
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        w = width or x1 - x0 + 2 * margin
        h = height or y1 - y0 + 2 * margin
        return [self.world(cx + sx * w / 2, cy + sy * h / 2)
                for sx, sy in ((-1, -1), (1, -1), (1, 1), (-1, 1))]


def _near(a, b, tolerance):
    return math.dist((a[0], a[1]), (b[0], b[1])) <= tolerance


def _added(ctx, kinds):
    before = ctx.doc(ctx.inputs[0]).entitydb
    return [e for e in ctx.doc(ctx.outputs[-1]).modelspace()
            if e.dxftype() in kinds and e.dxf.handle not in before]


def _frames(ctx, ids):
    after = ctx.doc(ctx.outputs[-1])
    return {ident: TextFrame(after.entitydb[ctx.ids[ident]]) for ident in ids}


# ---- TCIRCLE --------------------------------------------------------------------------------

def frames_enclose_glyphs(ctx, texts, factor, shape, common=None, tolerance=0.02):
    """Each text has one new frame of `shape` ("circles", "slots" or "rectangles") around its
    glyphs, `factor` times its height away from their ink; with `common` ("width", "height" or
    "both") the frames share the largest framed size in that direction. `tolerance` is a fraction
    of the text height."""
    problems = []
    measured = _frames(ctx, texts)
    frames = _added(ctx, {"CIRCLE", "LWPOLYLINE"})
    if len(frames) != len(texts):
        return [f"{len(frames)} frames for {len(texts)} texts"]
    sizes = {i: (f.box[2] - f.box[0] + 2 * factor * f.height,
                 f.box[3] - f.box[1] + 2 * factor * f.height) for i, f in measured.items()}
    common_w = max(w for w, _ in sizes.values()) if common in ("width", "both") else 0
    common_h = max(h for _, h in sizes.values()) if common in ("height", "both") else 0
    for ident, text in measured.items():
        tol = tolerance * text.height
        want = text.rectangle(factor * text.height, common_w, common_h)
        centre = ((want[0][0] + want[2][0]) / 2, (want[0][1] + want[2][1]) / 2)
        frame = min(frames, key=lambda f: math.dist(centre, _centre(f)))
        frames.remove(frame)
        points = frame.get_points("xyb") if frame.dxftype() == "LWPOLYLINE" else []
        slot = any(abs(b) > 1e-9 for _, _, b in points)
        if (kind := "slots" if slot else "rectangles" if points else "circles") != shape:
            problems.append(f"{ident}: framed by {kind}, wanted {shape}")
        if not points:
            radius = math.dist(want[0], want[2]) / 2
            if not _near(frame.dxf.center, centre, tol) or abs(frame.dxf.radius - radius) > tol:
                problems.append(f"{ident}: circle at {tuple(frame.dxf.center)[:2]} radius "
                                f"{frame.dxf.radius:.4f}, wanted {centre} radius {radius:.4f}")
            continue
        # A slot runs the other way round, its ends half circles bulging outward.
        order, bulges = ((0, 3, 2, 1), (-1, 0, -1, 0)) if slot else ((0, 1, 2, 3), (0, 0, 0, 0))
        if not frame.closed or len(points) != 4 or any(
                not _near(p, want[k], tol) or abs(p[2] - b) > 1e-9
                for p, k, b in zip(points, order, bulges)):
            problems.append(f"{ident}: {kind} {points}, wanted "
                            f"corners {[want[k] for k in order]} bulges {bulges}")
    return problems


def _centre(frame):
    if frame.dxftype() == "CIRCLE":
        return tuple(frame.dxf.center)[:2]
    points = frame.get_points("xy")
    return (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))


# ---- TEXTMASK -------------------------------------------------------------------------------

def _mask_corners(mask):
    """The mask's corners in the world."""
    from ezdxf.math import OCS
    kind = mask.dxftype()
    if kind == "WIPEOUT":
        return [tuple(p)[:2] for p in mask.boundary_path_wcs()][:4]
    ocs = OCS(mask.dxf.get("extrusion", (0, 0, 1)) if kind == "SOLID" else (0, 0, 1))
    return [tuple(ocs.to_wcs(mask.dxf.get(f"vtx{k}")))[:2] for k in range(4)]


def masks_below_texts(ctx, texts, kind, factor=0.5, color=None, tolerance=0.02):
    """Each text is masked once: the newest group that holds it is anonymous and holds the text
    and then its mask (of `kind`, in `color` when given) and nothing else, and no older group of
    it holds a mask any more; the mask covers the text's glyphs with a margin of `factor` times
    its height and lies directly below the text in the draw order, above every entity that is no
    text or mask. No group names an entity the drawing does not hold."""
    from run_cases import read_records
    problems = []
    doc = ctx.doc(ctx.outputs[-1])
    records = read_records(ctx.outputs[-1])
    order = [e.dxf.handle for e in doc.modelspace().entities_in_redraw_order()]
    # Members as the file lists them, in order, which ezdxf does not keep.
    groups = [(name, records[g.dxf.handle].values(340)) for name, g in doc.groups]
    for name, members in groups:
        if any(m not in doc.entitydb for m in members):
            problems.append(f"group {name} names entities the drawing does not hold")
    masked = set()
    for ident, text in _frames(ctx, texts).items():
        handle = ctx.ids[ident]
        holding = [(name, members) for name, members in groups if handle in members]
        if not holding:
            problems.append(f"{ident} is in no group")
            continue
        for name, members in holding[:-1]:
            if any(doc.entitydb[m].dxftype() in MASK_TYPES for m in members):
                problems.append(f"{ident}: its older group {name} still holds a mask")
        name, members = holding[-1]
        if len(members) != 2 or members[0] != handle or not name.startswith("*"):
            problems.append(f"{ident}: group {name} holds {members}")
            continue
        mask = doc.entitydb[members[1]]
        masked |= {handle, mask.dxf.handle}
        if mask.dxftype() != kind:
            problems.append(f"{ident} is masked by a {mask.dxftype()}, wanted {kind}")
            continue
        if color is not None and mask.dxf.get("color", 256) != color:
            problems.append(f"{ident}: mask colour {mask.dxf.get('color', 256)}, wanted {color}")
        want = text.rectangle(factor * text.height)
        got = _mask_corners(mask)
        tol = tolerance * text.height
        if len(got) != 4 or not all(any(_near(g, w, tol) for g in got) for w in want):
            problems.append(f"{ident}: mask corners {got}, wanted {want}")
        if order.index(mask.dxf.handle) != order.index(handle) - 1:
            problems.append(f"{ident}: its mask is not directly below it in the draw order")
    lowest = min((order.index(h) for h in masked), default=0)
    above = [h for h in order[lowest:] if h not in masked]
    if above:
        problems.append(f"entities {above} are drawn above the masks")
    return problems


MASK_TYPES = {"WIPEOUT", "SOLID", "3DFACE"}


# ---- pictures -------------------------------------------------------------------------------

COLORS = {"red": lambda r, g, b: r > 200 and g < 90 and b < 90,
          "green": lambda r, g, b: g > 200 and r < 90 and b < 90,
          "blue": lambda r, g, b: b > 200 and r < 90 and g < 90}


def _pixels(path):
    from PIL import Image
    image = Image.open(path).convert("RGB")
    return image.size, image.load()


def _where(path, color):
    """The bounding box (left, top, right, bottom) of the picture's pixels of `color`; None
    when it has none."""
    from PIL import Image, ImageMath
    r, g, b = Image.open(path).convert("RGB").split()
    test = {"red": "(r > 200) & (g < 90) & (b < 90)", "green": "(g > 200) & (r < 90) & (b < 90)",
            "blue": "(b > 200) & (r < 90) & (g < 90)"}[color]
    return ImageMath.eval(f"convert(({test}) * 255, 'L')", r=r, g=g, b=b).getbbox()


def shows_color(ctx, color, which="after", present=True):
    """Whether the picture (of the drawing the case built, or after the last run) shows any
    pixel of `color` ("red", "green", "blue")."""
    if (_where(ctx.picture(which), color) is not None) != present:
        return [f"the {which} picture {'shows no' if present else 'shows'} {color}"]
    return []


def hatch_cut_behind_texts(ctx, texts, hatch, text_color="blue", factor=0.5):
    """In the picture after the last run, a red hatch over `hatch` ([x0, y0, x1, y1], the
    extents of the drawing) is cut away inside each text's mask and nowhere else, and the text
    shows there."""
    path = ctx.picture("after")
    (w, h), pixels = _pixels(path)
    red, ink = COLORS["red"], COLORS[text_color]
    x0, y0, x1, y1 = hatch
    # Where the hatch lands: its red corners are the picture's extents.
    extent = _where(path, "red")
    if extent is None:
        return ["the picture shows no hatch"]
    left, top, right, _ = extent
    scale = (right - 1 - left) / (x1 - x0)

    def world(px, py):
        return x0 + (px - left) / scale, y1 - (py - top) / scale

    problems = []
    edge = 3 / scale  # kept clear of the mask's edge, which antialiasing blurs
    for ident, text in _frames(ctx, texts).items():
        margin = factor * text.height
        bx0, by0, bx1, by1 = text.box
        inside = ring = red_inside = clear_ring = glyphs = 0
        corners = text.rectangle(margin + 4 * edge)
        xs = [(c[0] - x0) * scale + left for c in corners]
        ys = [(y1 - c[1]) * scale + top for c in corners]
        for py in range(max(0, int(min(ys))), min(h, int(max(ys)) + 1)):
            for px in range(max(0, int(min(xs))), min(w, int(max(xs)) + 1)):
                u, v = text.local(*world(px + 0.5, py + 0.5))
                # How far outside the mask the pixel lies (negative inside).
                d = max(bx0 - margin - u, u - bx1 - margin, by0 - margin - v, v - by1 - margin)
                colour = pixels[px, py]
                if d < -edge:
                    inside += 1
                    red_inside += red(*colour)
                    glyphs += ink(*colour)
                elif edge < d < 3 * edge:
                    ring += 1
                    clear_ring += not red(*colour)
        if not inside or not ring:
            problems.append(f"{ident}: its mask is not in the picture")
            continue
        if red_inside:
            problems.append(f"{ident}: the hatch shows inside the mask ({red_inside} pixels)")
        if clear_ring > ring // 10:
            problems.append(f"{ident}: the hatch is cut beyond the mask ({clear_ring} of "
                            f"{ring} pixels around it)")
        if not glyphs:
            problems.append(f"{ident}: the text does not show over the mask")
    return problems


# ---- conversions ----------------------------------------------------------------------------

def _ink(path):
    from PIL import Image
    image = Image.open(path).convert("L")
    pixels = image.load()
    return image, {(x, y) for y in range(image.height) for x in range(image.width)
                   if pixels[x, y] < 160}


def _ink_near(points, others, reach):
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
        found = _ink_near(points, others, reach) / len(points)
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


# ---- texts in pictures ----------------------------------------------------------------------

ACI_RGB = {1: (255, 0, 0), 2: (255, 255, 0), 3: (0, 255, 0), 4: (0, 255, 255), 5: (0, 0, 255),
           6: (255, 0, 255)}


def _rgb_array(path):
    import numpy
    from PIL import Image
    return numpy.asarray(Image.open(path).convert("RGB"), dtype=numpy.int32)


def _direction(entity):
    """The text's direction in degrees as ezdxf reads it."""
    if entity.dxftype() == "MTEXT":
        return entity.get_rotation()
    return entity.dxf.get("rotation", 0.0)


def _ink_centre(pixels, rgb, degrees):
    """Centre, in pixels, of the box around the ink of one colour, the box lying along the text's
    direction; None when nothing has that colour."""
    import numpy
    distance = numpy.abs(pixels - numpy.array(rgb)).sum(axis=2)
    ys, xs = numpy.nonzero(distance < 96)
    if len(xs) == 0:
        return None
    x, y = xs + 0.5, ys + 0.5
    a = math.radians(degrees)
    ux, uy = math.cos(a), -math.sin(a)  # the picture's y runs down
    along, across = x * ux + y * uy, -x * uy + y * ux
    mid_along = (along.min() + along.max()) / 2
    mid_across = (across.min() + across.max()) / 2
    return (mid_along * ux - mid_across * uy, mid_along * uy + mid_across * ux)


def text_centres_kept(ctx, ids, within=1.0):
    """Each text named (drawn in a colour of its own, 1 to 6) shows its ink centred where it was,
    within `within` pixels: a text turned about the centre of its box stays where the user sees
    it."""
    before, after = _rgb_array(ctx.picture("before")), _rgb_array(ctx.picture("after"))
    problems = []
    for ident in ids:
        old, new = ctx.entity(ctx.inputs[0], ident), ctx.entity(ctx.outputs[-1], ident)
        rgb = ACI_RGB[old.dxf.color]
        first = _ink_centre(before, rgb, _direction(old))
        second = _ink_centre(after, rgb, _direction(new))
        if first is None or second is None:
            problems.append(f"{ident}: no ink of colour {old.dxf.color} in the picture")
            continue
        moved = math.hypot(second[0] - first[0], second[1] - first[1])
        if moved > within:
            problems.append(f"{ident}: its picture centre moved {moved:.2f} pixels, from "
                            f"({first[0]:.1f}, {first[1]:.1f}) to ({second[0]:.1f}, {second[1]:.1f})")
    return problems


def width_ratio(ctx, of, to, ratio, tolerance=1e-9):
    """The width factor (41) of text `of` is `ratio` times that of `to` after the last run."""
    def width(ident):
        return ctx.entity(ctx.outputs[-1], ident).dxf.width
    got = width(of) / width(to)
    if not math.isclose(got, ratio, rel_tol=tolerance):
        return [f"the width factor of {of} is {got!r} times that of {to}, wanted {ratio}"]
    return []
