"""Checks of command cases that are not group values: each takes the case's context
(run_cases.Context) and keyword arguments from the case, and returns a list of problems."""


def shows_colors(ctx, colors, which="after"):
    """The picture shows each of `colors` ([r, g, b], within 40 on each channel) somewhere."""
    from PIL import Image
    pixels = set(Image.open(ctx.picture(which)).convert("RGB").getdata())
    problems = []
    for wanted in colors:
        if not any(all(abs(a - b) <= 40 for a, b in zip(p, wanted)) for p in pixels):
            problems.append(f"the {which} picture shows no pixel of colour {wanted}")
    return problems
