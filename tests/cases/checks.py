"""Checks of command cases that are not group values: each takes the case's context
(run_cases.Context) and keyword arguments from the case, and returns a list of problems."""


def attribute_texts(ctx, tag, text, count):
    """`count` attributes tagged `tag` show `text` in the saved drawing, and no other of that
    tag does."""
    found = [a.dxf.text for insert in ctx.doc(ctx.outputs[-1]).modelspace().query("INSERT")
             for a in insert.attribs if a.dxf.tag == tag]
    showing = sum(1 for value in found if value == text)
    if showing != count or len(found) != count:
        return [f"{showing} of {len(found)} attributes {tag} show {text!r}, wanted {count} of {count}"]
    return []
