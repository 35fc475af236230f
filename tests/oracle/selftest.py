#!/usr/bin/python3
"""Makes sure compare.py catches what a faulty save would do.

Usage: selftest.py DRAWINGS_DIR

Takes sample drawings from make_drawings.py, damages copies of them the way a
broken writer could (a changed string, a lost entity, a moved owner, ...) and
expects compare.py to fail on each; a copy with CRLF line endings and an
untouched copy must pass.
"""

import contextlib
import io
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compare  # noqa: E402


def read_pairs(path):
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return [[lines[i], lines[i + 1]] for i in range(0, len(lines) - 1, 2)]


def write_pairs(path, pairs, eol=b"\n"):
    with open(path, "wb") as f:
        for code, value in pairs:
            f.write(code.rstrip(b"\r") + eol + value.rstrip(b"\r") + eol)


def entities(pairs):
    """(start, end, section, type) of every record that starts with group 0."""
    result = []
    section = None
    starts = [i for i, (c, _) in enumerate(pairs) if c.strip() == b"0"] + [len(pairs)]
    for start, end in zip(starts, starts[1:]):
        kind = pairs[start][1].strip().decode("latin-1")
        if kind == "SECTION":
            section = pairs[start + 1][1].strip().decode("latin-1")
        result.append((start, end, section, kind))
    return result


def find(pairs, kind, section=None, where=None):
    for start, end, sec, k in entities(pairs):
        if k == kind and (section is None or sec == section):
            if where is None or where(pairs[start:end]):
                return start, end
    raise LookupError(f"no {kind} in {section}")


def group(pairs, start, end, code, nth=0):
    hits = [i for i in range(start, end) if pairs[i][0].strip() == str(code).encode()]
    return hits[nth]


def has(code, value):
    return lambda rec: any(c.strip() == str(code).encode() and v.strip() == value for c, v in rec)


def handle_of(pairs, start, end):
    return pairs[group(pairs, start, end, 5)][1].strip()


# Each mutation edits the pairs in place; the name says what it simulates.
def change_text(p):
    s, e = find(p, "TEXT", "ENTITIES")
    i = group(p, s, e, 1)
    p[i][1] = p[i][1].replace(b"TEXT", b"TXET")


def delete_circle(p):
    s, e = find(p, "CIRCLE", "ENTITIES")
    del p[s:e]


def reown_arc_to_block(p):
    bs, be = find(p, "BLOCK_RECORD", "TABLES", has(2, b"TITLE"))
    s, e = find(p, "ARC", "ENTITIES")
    p[group(p, s, e, 330)][1] = handle_of(p, bs, be)


def unlock_layer(p):
    s, e = find(p, "LAYER", "TABLES", has(2, b"Locked"))
    p[group(p, s, e, 70)][1] = b"0"


def change_attrib_value(p):
    s, e = find(p, "ATTRIB", "ENTITIES", has(2, b"DATE"))
    p[group(p, s, e, 1)][1] = b"1970-01-01"


def change_mtext_chunk(p):
    s, e = find(p, "MTEXT", "ENTITIES")
    i = group(p, s, e, 3)
    p[i][1] = p[i][1].replace(b"Bold", b"Bald")


def drop_group_member(p):
    s, e = find(p, "GROUP", "OBJECTS")
    del p[group(p, s, e, 340)]


def change_sort_handle(p):
    s, e = find(p, "SORTENTSTABLE", "OBJECTS")
    p[group(p, s, e, 5, 1)][1] = b"7"


def change_xdata(p):
    s, e = find(p, "LINE", "ENTITIES", has(1001, b"KXORACLE"))
    p[group(p, s, e, 1070)][1] = b"99"


def swap_entities(p):
    recs = [(s, e) for s, e, sec, k in entities(p) if sec == "ENTITIES" and k in ("LINE", "CIRCLE")]
    (s1, e1), (s2, e2) = recs[0], recs[1]
    assert e1 <= s2
    p[s1:e2] = p[s2:e2] + p[e1:s2] + p[s1:e1]


def change_handle(p):
    s, e = find(p, "POINT", "ENTITIES")
    p[group(p, s, e, 5)][1] = b"FFFFF"


def move_vertex(p):
    s, e = find(p, "VERTEX", "ENTITIES")
    p[group(p, s, e, 20)][1] = b"-1.5"


def change_justification(p):
    s, e = find(p, "TEXT", "ENTITIES", has(72, b"4"))
    p[group(p, s, e, 72)][1] = b"1"


def change_insert_name(p):
    s, e = find(p, "INSERT", "ENTITIES", has(2, b"TITLE"))
    p[group(p, s, e, 2)][1] = b"_ARCHTICK"


def change_dictionary_entry(p):
    s, e = find(p, "DICTIONARY", "OBJECTS", has(3, b"KX_DATA"))
    i = group(p, s, e, 3)
    p[i][1] = b"KX_RENAMED"


def invalid_layer_name(p):
    s, e = find(p, "CIRCLE", "ENTITIES")
    p[group(p, s, e, 8)][1] = b"bad<name>"


# What compare.py must say about a mutation beyond failing.
EXPECTED_OUTPUT = {invalid_layer_name: "audit: OUTPUT has error"}

MUTATIONS_R2000 = [
    change_text, delete_circle, reown_arc_to_block, unlock_layer, change_attrib_value,
    change_mtext_chunk, drop_group_member, change_sort_handle, change_xdata, swap_entities,
    change_handle, move_vertex, change_justification, change_insert_name, change_dictionary_entry,
    invalid_layer_name,
]
MUTATIONS_R12 = [
    change_text, delete_circle, unlock_layer, change_attrib_value, change_xdata, swap_entities,
    change_handle, move_vertex, change_justification, change_insert_name,
]


def run_compare(a, b):
    """compare.py's exit status and what it printed."""
    captured = io.StringIO()
    with contextlib.redirect_stdout(captured):
        status = compare.main(["compare.py", a, b])
    return status, captured.getvalue()


def main(argv):
    if len(argv) != 2:
        print("usage: selftest.py DRAWINGS_DIR", file=sys.stderr)
        return 2
    failures = []
    checked = 0
    with tempfile.TemporaryDirectory() as tmp:
        samples = (("sample_R2018.dxf", MUTATIONS_R2000), ("sample_R12.dxf", MUTATIONS_R12))
        for name, mutations in samples:
            original = os.path.join(argv[1], name)
            pairs = read_pairs(original)
            crlf = os.path.join(tmp, "crlf_" + name)
            write_pairs(crlf, pairs, b"\r\n")
            for path in (original, crlf):
                checked += 1
                status, output = run_compare(original, path)
                if status != 0:
                    failures.append(f"{name}: {os.path.basename(path)} should match but:\n{output}")
            for mutate in mutations:
                checked += 1
                damaged = [list(p) for p in pairs]
                mutate(damaged)
                out = os.path.join(tmp, f"{mutate.__name__}_{name}")
                write_pairs(out, damaged)
                status, output = run_compare(original, out)
                if status == 0:
                    failures.append(f"{name}: compare.py missed {mutate.__name__}")
                elif EXPECTED_OUTPUT.get(mutate, "") not in output:
                    failures.append(
                        f"{name}: {mutate.__name__}: no {EXPECTED_OUTPUT[mutate]!r} in:\n{output}"
                    )
    for line in failures:
        print(line)
    passed = checked - len(failures)
    print(f"selftest: {passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
