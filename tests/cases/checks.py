"""Checks of command cases that are not group values: each takes the case's context
(run_cases.Context) and keyword arguments from the case, and returns a list of problems."""

import math

# ---- texts in pictures ----------------------------------------------------------------------

ACI_RGB = {1: (255, 0, 0), 2: (255, 255, 0), 3: (0, 255, 0), 4: (0, 255, 255), 5: (0, 0, 255),
           6: (255, 0, 255)}


def _pixels(path):
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
    before, after = _pixels(ctx.picture("before")), _pixels(ctx.picture("after"))
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
