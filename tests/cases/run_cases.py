#!/usr/bin/python3
"""Runs command cases: each case builds a drawing, runs kxhost with the case's replies, and
checks what must hold after (tests/cases/README.md describes the format).

  run_cases.py --kxhost build/bin/kxhost tests/cases/tjust.toml [-k WORDS] [--keep DIR]
"""

import argparse
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import tomllib

import ezdxf
import ezdxf.tools.codepage

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)


class CaseFailure(Exception):
    pass


# ---- building the drawing -------------------------------------------------------------------

# Keys of an entity entry that are not DXF attributes; each is applied after the entity exists.
def _contents(e, value, ids, doc):
    e.text = value


def _points(e, value, ids, doc):
    e.set_points([tuple(p) for p in value])


def _closed(e, value, ids, doc):
    e.closed = bool(value)


def _boundary(e, value, ids, doc):
    e.paths.add_polyline_path([tuple(p) for p in value], is_closed=True)


def _fill(e, value, ids, doc):
    if value.upper() == "SOLID":
        e.set_solid_fill(color=e.dxf.get("color", 256))
    else:
        e.set_pattern_fill(value, scale=1.0)


def _field(e, value, ids, doc):
    if value:
        e.new_extension_dict().dictionary.add_new_dict("ACAD_FIELD")


def _mtext(e, value, ids, doc):
    """A multi-line ATTRIB or ATTDEF: { text, and the embedded MTEXT's attributes }."""
    value = dict(value)
    contents = value.pop("text")
    style = e.dxf.get("style")  # set_mtext puts the MTEXT's style in place of the entity's own
    embedded = ezdxf.entities.MText.new(dxfattribs=dict(value, insert=e.dxf.insert))
    embedded.text = contents
    e.set_mtext(embedded, graphic_properties=False)
    if style:
        e.dxf.style = style


def _attribs(e, value, ids, doc):
    for entry in value:
        entry = dict(entry)
        ident = entry.pop("id", None)
        tag, text = entry.pop("tag"), entry.pop("text", "")
        insert = tuple(entry.pop("insert", e.dxf.get("insert") or (0, 0, 0)))
        mtext = entry.pop("mtext", None)
        attrib = e.add_attrib(tag, text, insert, dxfattribs=entry)
        if mtext is not None:
            _mtext(attrib, mtext, ids, doc)
        if ident:
            ids[ident] = attrib.dxf.handle


def _vertices(e, value, ids, doc):
    e.set_vertices([tuple(p) for p in value])


def _reactors(e, value, ids, doc):
    if value:  # tied to the drawing's root dictionary, as objects tied to others are
        e.set_reactors([doc.rootdict.dxf.handle])


EXTRA_KEYS = {"text": _contents, "points": _points, "closed": _closed, "boundary": _boundary,
              "fill": _fill, "field": _field, "attribs": _attribs, "vertices": _vertices,
              "reactors": _reactors, "mtext": _mtext}


def repeated(entry):
    """An entity with `repeat = N` and `step = [dx, dy]` stands for N copies, each moved by one
    more step (its points and its attributes' points); only the first keeps the `id`."""
    count = entry.get("repeat", 1)
    step = entry.get("step", [0, 0])
    for k in range(count):
        copy = {key: v for key, v in entry.items() if key not in ("repeat", "step")}
        if k:
            copy.pop("id", None)

            def moved(p):
                return [p[0] + k * step[0], p[1] + k * step[1]] + list(p[2:])
            for key in ("insert", "start", "end", "center", "align_point"):
                if key in copy:
                    copy[key] = moved(copy[key])
            if "attribs" in copy:
                copy["attribs"] = [{name: moved(v) if name == "insert" else v
                                    for name, v in a.items() if name != "id"}
                                   for a in copy["attribs"]]
        yield copy


def add_entity(layout, entry, ids, doc):
    entry = dict(entry)
    kind = entry.pop("type").upper()
    ident = entry.pop("id", None)
    entry.pop("space", None)
    entity = layout.new_entity(kind, {})
    later = []
    for key, value in entry.items():
        if entity.dxf.is_supported(key):
            entity.dxf.set(key, tuple(value) if isinstance(value, list) else value)
        elif key in EXTRA_KEYS:
            later.append((EXTRA_KEYS[key], value))
        else:
            raise CaseFailure(f"{kind} has no attribute {key!r}")
    # Fills need the boundary first, attributes need the insertion point.
    for apply, value in sorted(later, key=lambda item: item[0] is _fill):
        apply(entity, value, ids, doc)
    if ident:
        ids[ident] = entity.dxf.handle
    return entity


def build_drawing(case, path, ids):
    """Writes the case's drawing to `path`; fills `ids` with id -> handle."""
    if "file" in case:
        source = case["file"] if os.path.isabs(case["file"]) else os.path.join(HERE, case["file"])
        shutil.copyfile(source, path)
        ids.update(case.get("ids", {}))
        return
    if "dxf_text" in case:
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(case["dxf_text"].lstrip("\n"))
        ids.update(case.get("ids", {}))
        return
    doc = ezdxf.new(case.get("version", "R2018"))
    for name, value in case.get("header", {}).items():
        doc.header[name] = tuple(value) if isinstance(value, list) else value
        if name == "$DWGCODEPAGE":  # ezdxf writes the code page of its encoding
            doc.encoding = ezdxf.tools.codepage.toencoding(value)
    for name, attrs in case.get("layers", {}).items():
        attrs = dict(attrs)
        lock, freeze = attrs.pop("lock", False), attrs.pop("freeze", False)
        layer = doc.layers.get(name) if doc.layers.has_entry(name) else doc.layers.add(name)
        for key, value in attrs.items():
            layer.dxf.set(key, value)
        if lock:
            layer.lock()
        if freeze:
            layer.freeze()
    for name, attrs in case.get("styles", {}).items():
        style = doc.styles.get(name) if doc.styles.has_entry(name) else doc.styles.new(name)
        for key, value in attrs.items():
            style.dxf.set(key, value)
    for name, attrs in case.get("ucs", {}).items():
        doc.ucs.new(name, dxfattribs={k: tuple(v) for k, v in attrs.items()})
    for name, block in case.get("blocks", {}).items():
        definition = doc.blocks.new(name, base_point=tuple(block.get("base", (0, 0, 0))))
        for key, value in block.items():
            if key == "record":  # BLOCK_RECORD attributes: { explode = 0 }
                for rkey, rvalue in value.items():
                    definition.block_record.dxf.set(rkey, rvalue)
            elif key not in ("base", "entities"):
                definition.block.dxf.set(key, value)
        for entry in block.get("entities", []):
            add_entity(definition, entry, ids, doc)
    paper = doc.layouts.get("Layout1")
    for entry in case.get("entities", []):
        layout = paper if entry.get("space") == "paper" else doc.modelspace()
        for copy in repeated(entry):
            add_entity(layout, copy, ids, doc)
    for name, group in case.get("groups", {}).items():
        made = doc.groups.new(name, selectable=group.get("selectable", True))
        made.extend([doc.entitydb[ids[member]] for member in group["members"]])
        if "id" in group:
            ids[group["id"]] = made.dxf.handle
    doc.saveas(path)


# ---- reading DXF records as they are in the file --------------------------------------------

POINT_CODES = set(range(10, 19)) | {110, 111, 112, 210}


def folded(code):
    """The code of the point a coordinate group belongs to (20 and 30 belong to 10)."""
    for base in POINT_CODES:
        if code in (base + 10, base + 20):
            return base
    return code


class Record:
    """One object of the file (or one header variable) with its groups as written."""

    def __init__(self, section, kind):
        self.section, self.kind, self.tags, self.code_texts = section, kind, [], []
        self.leader = None  # the INSERT or POLYLINE an ATTRIB, VERTEX or SEQEND follows

    def handle(self):
        for code, value in self.tags:
            if code in (5, 105):
                return value.strip()
        return None

    def values(self, code):
        return [value for c, value in self.tags if folded(c) == code]


def text_encoding(data):
    """Drawings before R2007 (AC1021) hold their texts in the code page $DWGCODEPAGE names."""
    version = re.search(rb"\$ACADVER\s*\r?\n\s*1\r?\n(AC\d+)", data)
    if version and version.group(1) >= b"AC1021":
        return "utf-8"
    page = re.search(rb"\$DWGCODEPAGE\s*\r?\n\s*3\r?\n\s*ANSI_(\d+)", data)
    return f"cp{page.group(1).decode()}" if page else "cp1252"


def read_records(path):
    """Every record of a DXF file keyed by its handle, header variable or position."""
    with open(path, "rb") as f:
        data = f.read()
    lines = data.decode(text_encoding(data), "surrogateescape").split("\n")
    lines = [line[:-1] if line.endswith("\r") else line for line in lines]
    ordered, section, current, opening = [], None, None, False
    for i in range(0, len(lines) - 1, 2):
        try:
            code = int(lines[i])
        except ValueError:
            raise CaseFailure(f"{path}: line {i + 1} is not a group code: {lines[i]!r}")
        value = lines[i + 1]
        if code == 999 and current is None:
            continue  # a comment before the first record
        if code == 0 or (section == "HEADER" and code == 9):
            current = Record(section, value if code == 0 else "HEADER")
            opening = code == 0 and value == "SECTION"
            ordered.append(current)
        elif opening and code == 2:
            section = current.section = value
            opening = False
        if current is None:
            raise CaseFailure(f"{path}: groups before the first record")
        current.tags.append((code, value))
        current.code_texts.append(lines[i])
    keyed, ordinal, leader = {}, {}, None
    for record in ordered:
        if record.kind in ("ATTRIB", "VERTEX", "SEQEND"):
            record.leader = leader
        else:
            leader = record.handle() if record.kind in ("INSERT", "POLYLINE") else None
        key = record.tags[0][1].strip() if record.kind == "HEADER" else record.handle()
        if key is None:
            slot = (record.section, record.kind)
            ordinal[slot] = ordinal.get(slot, 0) + 1
            key = f"{record.section}/{record.kind}#{ordinal[slot]}"
        keyed[key] = record
    return keyed


# ---- comparing ------------------------------------------------------------------------------

def number(text):
    try:
        return float(text)
    except ValueError:
        return None


def close(a, b, tolerance):
    return a is not None and math.isclose(a, b, rel_tol=tolerance, abs_tol=tolerance)


def matches(code, expected, actual, tolerance):
    """Whether the values of one code (a point code takes its 20 and 30 along) in the output
    are what the case expects: a value, a list of values in order, a point [x, y(, z)] or a
    list of points, "*" for any value."""
    if expected == "*":
        return bool(actual)
    if expected in ("<removed>", "<absent>"):
        return not actual
    if code in POINT_CODES:
        points = expected if expected and isinstance(expected[0], list) else [expected]
        flat = [number(v) for v in actual]
        wanted = [c for p in points for c in p]
        return len(flat) == len(wanted) and all(close(a, b, tolerance)
                                                for a, b in zip(flat, wanted))
    wanted = expected if isinstance(expected, list) else [expected]
    if len(actual) != len(wanted):
        return False
    for want, got in zip(wanted, actual):
        if isinstance(want, (bool, int, float)):
            if not close(number(got), float(want), tolerance):
                return False
        elif got != want and unescaped(got) != want:
            return False
    return True


def unescaped(text):
    """A value with the \\U+XXXX escapes that drawings before R2007 use for characters outside
    their code page, as the characters."""
    return re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), text)


def changed_codes(before, after):
    """Codes (points folded) whose groups differ as written, and whether only the order of
    the groups changed."""
    codes = {folded(c) for c, _ in before.tags + after.tags}
    changed = {c for c in codes if before.values(c) != after.values(c)}
    if not changed and len(before.tags) == len(after.tags):
        # A code written differently ("  8" for "8") is a change of that group.
        changed = {folded(c) for (c, _), x, y in zip(before.tags, before.code_texts,
                                                     after.code_texts) if x != y}
    reordered = not changed and before.tags != after.tags
    return changed, reordered


def codes_padded(records):
    """Whether the file writes codes below 100 right-aligned ("  8"); None when it has none."""
    for record in records.values():
        for text in record.code_texts:
            if text.strip().isdigit() and int(text) < 100:
                return len(text) > len(text.strip())
    return None


def shown(record, codes):
    return ", ".join(f"{c}={record.values(c)}" for c in sorted(codes))


def expectations(run, ids):
    """The case's expected changes by handle (or header variable) with codes as numbers."""
    out = {}
    for key, wanted in run.get("changed", {}).items():
        if key.startswith(("any ", "every ")):
            continue
        if not isinstance(wanted, dict):
            wanted = {"*value": wanted}  # a header variable's value
        out[ids.get(key, key)] = (key, wanted)
    return out


def compare_drawings(before_path, after_path, run, ids, tolerance):
    before, after = read_records(before_path), read_records(after_path)
    problems = []
    expected = expectations(run, ids)
    loose = {key[4:] for key in run.get("changed", {}) if key.startswith("any ")}
    every = {key[6:]: wanted for key, wanted in run.get("changed", {}).items()
             if key.startswith("every ")}
    padded = codes_padded(before)
    erased = {ids.get(key, key) for key in run.get("erased", [])}
    names = {handle: ident for ident, handle in ids.items()}
    added = [(key, r) for key, r in after.items() if key not in before]
    for key, record in before.items():
        # An erased reference takes its attributes and end of sequence with it.
        gone = key in erased or (record.leader is not None and record.leader in erased)
        if gone or record.kind in loose:
            if gone and key in after:
                problems.append(f"{record.kind} {key} was not erased")
            continue
        if key not in after:
            problems.append(f"{record.kind} {key} is gone from the saved drawing")
            continue
        other = after[key]
        changed, reordered = changed_codes(record, other)
        if key == "$HANDSEED" and added:
            continue
        name, wanted = expected.pop(key, (names.get(key, key), every.get(record.kind, {})))
        if "*value" in wanted:  # a header variable: its one value group, whatever its code
            wanted = {folded(record.tags[1][0]): wanted["*value"]}
        wanted = {int(c): v for c, v in wanted.items()}
        if reordered and not wanted:
            problems.append(f"{record.kind} {name}: its groups were reordered")
        if changed and padded is not None:
            for text in other.code_texts:
                if text.strip().isdigit() and (len(text) > len(text.strip())) != padded \
                        and int(text) < 100:
                    problems.append(f"{record.kind} {name}: group code {text!r} written in "
                                    f"another layout than the file's")
                    break
        unexpected = changed - set(wanted)
        if unexpected:
            problems.append(f"{record.kind} {name}: unexpected change {shown(record, unexpected)}"
                            f" -> {shown(other, unexpected)}")
        for code, value in wanted.items():
            if value == "?" or (value == "*" and code in changed):
                continue
            if value == "*":
                problems.append(f"{record.kind} {name}: group {code} did not change")
            elif not matches(code, value, other.values(code), tolerance):
                problems.append(f"{record.kind} {name}: group {code} is {other.values(code)}, "
                                f"wanted {value!r}")
    for key, (name, _) in expected.items():
        problems.append(f"no record {name} in the drawing to change")
    problems += match_added(added, run.get("added", []), loose, tolerance, ids)
    return problems


def check_undone(before_path, after_path, run):
    """Replies that end with UNDO (and its count) or U and name no change must give back the
    very bytes read."""
    replies = [r.strip() for r in flat(run.get("replies", []))]
    while replies and (not replies[-1] or replies[-1].isdigit()):  # UNDO's count, or Enter
        replies.pop()
    if not replies or replies[-1].strip().upper() not in ("U", "UNDO") or \
            any(run.get(key) for key in ("changed", "added", "erased")):
        return []
    with open(before_path, "rb") as a, open(after_path, "rb") as b:
        before, after = a.read(), b.read()
    if before == after:
        return []
    at = next(i for i in range(min(len(before), len(after)) + 1)
              if i == min(len(before), len(after)) or before[i] != after[i])
    return [f"the undone drawing differs from the input from byte {at}: "
            f"{before[at:at + 60]!r} -> {after[at:at + 60]!r}"]


def match_added(added, specs, loose, tolerance, ids):
    """Each new record must be one the case expects ("added" entries, each with a type, groups
    to match and a count), and each expected one must be there."""
    problems, quota = [], []
    for entry in specs:
        entry = dict(entry)
        quota.append([entry.pop("count", 1), entry.pop("id", None), entry.pop("type").upper(),
                      {int(c): v for c, v in entry.items()}])
    for key, record in added:
        for slot in quota:
            count, ident, kind, groups = slot
            if count > 0 and kind == record.kind and all(
                    matches(c, v, record.values(c), tolerance) for c, v in groups.items()):
                slot[0] -= 1
                if ident:
                    ids[ident] = key
                break
        else:
            if record.kind not in loose:
                codes = {folded(c) for c, _ in record.tags}
                problems.append(f"unexpected new {record.kind} {key}: {shown(record, codes)}")
    for count, _, kind, groups in quota:
        if count > 0:
            problems.append(f"{count} more new {kind} with {groups} expected")
    return problems


# ---- the settings folder --------------------------------------------------------------------

def read_settings(folder):
    path = os.path.join(folder, "settings.txt")
    values, where = {}, ""
    if not os.path.exists(path):
        return values
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            head = re.match(r'\[(key|profile) "(.*)"\]$', line)
            if head:
                where = head.group(2).replace("\\\\", "\\")
                continue
            item = re.match(r'"((?:[^"\\]|\\.)*)" (\w+) (.*)$', line)
            if item:
                name, kind, value = item.groups()
                if kind in ("sz", "str"):
                    value = value[1:-1].replace('\\"', '"').replace("\\\\", "\\")
                values[f"\\{where}\\{name}".lower()] = value
    return values


def check_settings(folder, wanted):
    got = read_settings(folder)
    problems = []
    for name, value in wanted.items():
        suffix = "\\" + name.replace("/", "\\").lower()
        found = [v for k, v in got.items() if k.endswith(suffix)]
        if value == "<absent>":
            if found:
                problems.append(f"setting {name} is {found[0]!r}, wanted none")
        elif not found or found[0] != str(value):
            problems.append(f"setting {name} is {found[0] if found else 'missing'}, "
                            f"wanted {value!r}")
    return problems


def seed_settings(folder, seeds):
    """Profile entries ("Section/Entry" = int or string) and registry values ("Key\\Path/Name")
    written as kxhost keeps them, before the first run."""
    os.makedirs(folder, exist_ok=True)
    keys, profiles = {}, {}
    for name, value in seeds.items():
        place, entry = name.rsplit("/", 1)
        if "\\" in place:
            kind = "dword" if isinstance(value, int) else "sz"
            keys.setdefault(place, []).append((entry, kind, value))
        else:
            kind = "int" if isinstance(value, int) else "str"
            profiles.setdefault(place, []).append((entry, kind, value))

    def quote(text):
        return '"' + str(text).replace("\\", "\\\\").replace('"', '\\"') + '"'

    def show(kind, value):
        return str(value) if kind in ("int", "dword") else quote(value)

    out = ["kxhost settings 1"]
    for place, items in keys.items():
        out.append(f"[key {quote(place)}]")
        out += [f"{quote(e)} {k} {show(k, v)}" for e, k, v in items]
    for place, items in profiles.items():
        out.append(f"[profile {quote(place)}]")
        out += [f"{quote(e)} {k} {show(k, v)}" for e, k, v in items]
    out.append("end")
    with open(os.path.join(folder, "settings.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


# ---- pictures -------------------------------------------------------------------------------

def differing_pixels(a, b):
    from PIL import Image, ImageChops
    first, second = Image.open(a).convert("RGB"), Image.open(b).convert("RGB")
    if first.size != second.size:
        return None
    difference = ImageChops.difference(first, second).convert("L").point(
        lambda v: 255 if v > 32 else 0)
    return difference.histogram()[255]


# ---- running --------------------------------------------------------------------------------

class Context:
    """What a named check sees of a case after its runs."""

    def __init__(self, case, work, ids):
        self.case, self.work, self.ids = case, work, ids
        self.inputs, self.outputs, self.transcripts, self.pictures = [], [], [], {}
        self._docs = {}

    def doc(self, path):
        if path not in self._docs:
            self._docs[path] = ezdxf.readfile(path)
        return self._docs[path]

    def entity(self, path, ident):
        return self.doc(path).entitydb[self.ids.get(ident, ident)]

    def picture(self, which):
        """Path of the picture "before" (the drawing the case built) or "after" (the last run's
        result), rendered when first asked."""
        if which not in self.pictures:
            source = self.inputs[0] if which == "before" else self.outputs[-1]
            path = os.path.join(self.work, f"{which}.png")
            run_kxhost(self, source, [], None, path, {})
            self.pictures[which] = path
        return self.pictures[which]


def flat(replies):
    for reply in replies:
        if isinstance(reply, list):
            yield from flat(reply)
        else:
            yield reply


def run_kxhost(ctx, drawing, replies, output, picture, run):
    script = os.path.join(ctx.work, "replies.scr")
    with open(script, "w", encoding="utf-8") as f:
        names = dict(ctx.ids, work=ctx.work)
        f.write("".join(substitute(line, names) + "\n" for line in flat(replies)))
    command = [ctx.kxhost, drawing, "-s", script, "--config", os.path.join(ctx.work, "settings")]
    if output:
        command += ["-o", output]
    if picture:
        command += ["--render", picture]
    command += run.get("options", [])
    # The language of the resource module follows the locale: the one running the tests must not
    # choose it, a case may.
    env = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES", "LANG")}
    env.update(run.get("env", {}))
    result = subprocess.run(command, capture_output=True, timeout=ctx.timeout, cwd=ctx.work,
                            env=env)
    return (result.returncode, result.stdout.decode("utf-8", "replace"),
            result.stderr.decode("utf-8", "replace"))


def check_values(doc, run, ids, tolerance):
    """Attributes as ezdxf reads them, defaults included: `values.ID = { halign = 1 }`; "text"
    of an MTEXT is its contents, "layer" and the like are plain attributes."""
    problems = []
    for ident, wanted in run.get("values", {}).items():
        handle = ids.get(ident, ident)
        entity = doc.entitydb.get(handle)
        if entity is None:
            problems.append(f"ezdxf finds no entity {ident} ({handle})")
            continue
        for name, want in wanted.items():
            if name == "text" and entity.dxftype() == "MTEXT":
                got = entity.text
            else:
                got = entity.dxf.get(name, entity.dxf.get_default(name))
            if isinstance(want, list):
                ok = got is not None and len(want) <= len(got) and all(
                    close(float(a), b, tolerance) for a, b in zip(got, want))
            elif isinstance(want, (int, float)) and not isinstance(want, bool):
                ok = isinstance(got, (int, float)) and close(float(got), want, tolerance)
            else:
                ok = got == want
            if not ok:
                problems.append(f"ezdxf reads {ident}.{name} as {got!r}, wanted {want!r}")
    return problems


def check_transcript(transcript, run, ids):
    problems, position = [], 0
    run = substitute({key: run.get(key, []) for key in ("output", "not_output")}, ids)
    for text in run["output"]:
        found = transcript.find(text, position)
        if found < 0:
            where = "at all" if transcript.find(text) < 0 else "in that order"
            problems.append(f"the transcript does not show {text!r} {where}")
        else:
            position = found + len(text)
    for text in run["not_output"]:
        if text in transcript:
            problems.append(f"the transcript shows {text!r}")
    return problems


def new_audit_errors(ctx, source, output):
    """Errors ezdxf's audit finds in the saved drawing that it did not find in the input (each
    read afresh: the audit mends what it finds)."""
    def errors(path):
        try:
            auditor = ezdxf.readfile(path).audit()
        except Exception:  # an input ezdxf cannot read has no errors to compare with
            return set()
        return {(e.code, e.entity.dxf.handle if getattr(e.entity, "dxf", None) else None)
                for e in auditor.errors}
    new = errors(output) - errors(source)
    return [f"ezdxf's audit finds new errors: {sorted(new)[:5]}"] if new else []


def run_case(case, kxhost, keep, timeout):
    work = tempfile.mkdtemp(prefix="kxcase-")
    ids = {}
    ctx = Context(case, work, ids)
    ctx.kxhost, ctx.timeout = kxhost, timeout
    problems = []
    try:
        drawing = os.path.join(work, "drawing.dxf")
        build_drawing(case, drawing, ids)
        if "config" in case:
            seed_settings(os.path.join(work, "settings"), case["config"])
        for name, text in case.get("files", {}).items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(file_bytes(text, dict(ids, work=work)))
        runs = case.get("run", [case])
        tolerance = case.get("tolerance", 1e-6)
        source = drawing
        for number_, run in enumerate(runs, 1):
            label = f"run {number_}: " if len(runs) > 1 else ""
            output = os.path.join(work, f"after-{number_}.dxf")
            ctx.inputs.append(source)
            after_png = os.path.join(work, f"after-{number_}.png") if run.get("picture") else None
            status, transcript, errors = run_kxhost(ctx, source, run.get("replies", []), output,
                                                    after_png, run)
            ctx.outputs.append(output)
            ctx.transcripts.append(transcript)
            local = []
            if status != run.get("exit", 0):
                local.append(f"kxhost exited {status}, wanted {run.get('exit', 0)}; "
                             f"stderr: {errors.strip()[-400:]}")
            for text in run.get("errors", []):
                if text not in errors:
                    local.append(f"standard error does not show {text!r}: {errors.strip()}")
            local += check_transcript(transcript, run, ids)
            if os.path.exists(output):
                local += compare_drawings(source, output, run, ids, tolerance)
                local += check_undone(source, output, run)
                try:
                    doc = ezdxf.readfile(output)
                except Exception as error:  # any reader failure is the case's failure
                    local.append(f"ezdxf cannot read the saved drawing: {error}")
                    doc = None
                if doc is not None:
                    local += check_values(doc, run, ids, tolerance)
                    if case.get("audit", True):
                        local += new_audit_errors(ctx, source, output)
            elif run.get("exit", 0) == 0:
                local.append("kxhost saved no drawing")
            local += check_settings(os.path.join(work, "settings"), run.get("settings", {}))
            for name, text in run.get("expect_files", {}).items():
                path = os.path.join(work, name)
                if not os.path.exists(path):
                    local.append(f"no file {name}")
                elif text != "*":
                    with open(path, "rb") as f:
                        got = f.read()
                    want = file_bytes(text, dict(ids, work=work))
                    if got != want:
                        local.append(f"{name} holds {got!r}, wanted {want!r}")
            if after_png:
                ctx.pictures["after"] = after_png
            else:  # drawn when a check asks for it, of this run's drawing
                ctx.pictures.pop("after", None)
            if run.get("picture") in ("same", "changed"):
                changed = differing_pixels(ctx.picture("before"), after_png)
                allowed = run.get("picture_tolerance", 12)
                if run["picture"] == "same" and (changed is None or changed > allowed):
                    local.append(f"the picture changed ({changed} pixels differ, "
                                 f"{allowed} allowed)")
                if run["picture"] == "changed" and changed == 0:
                    local.append("the picture did not change")
            for check in run.get("checks", []):
                local += run_named_check(check, ctx)
            problems += [label + p for p in local]
            if local and transcript:
                problems.append(label + "transcript:\n    " +
                                "\n    ".join(transcript.strip().splitlines()[-25:]))
            if os.path.exists(output):
                source = output
    except CaseFailure as error:
        problems.append(str(error))
    finally:
        if keep:
            target = os.path.join(keep, re.sub(r"\W+", "-", case["name"]).strip("-"))
            shutil.rmtree(target, ignore_errors=True)
            shutil.copytree(work, target)
        shutil.rmtree(work, ignore_errors=True)
    return problems


def file_bytes(entry, names):
    """The bytes of a file the case gives or expects: its text with "{id}" replaced by handles,
    in UTF-8, or `{ text = "...", encoding = "gbk" }` (any Python codec: "utf-8-sig" and "utf-16"
    write a byte-order mark), or a list of byte values."""
    if isinstance(entry, list):
        return bytes(entry)
    if isinstance(entry, dict):
        return substitute(entry["text"], names).encode(entry.get("encoding", "utf-8"))
    return substitute(entry, names).encode("utf-8")


def run_named_check(check, ctx):
    import checks
    if isinstance(check, str):
        check = {"name": check}
    check = dict(check)
    function = getattr(checks, check.pop("name"))
    try:
        return list(function(ctx, **check) or [])
    except CaseFailure as error:
        return [str(error)]


def substitute(value, row):
    if isinstance(value, str):
        whole = re.fullmatch(r"\{(\w+)\}", value)
        if whole and whole.group(1) in row:
            return row[whole.group(1)]
        return re.sub(r"\{(\w+)\}", lambda m: str(row.get(m.group(1), m.group(0))), value)
    if isinstance(value, list):
        return [substitute(v, row) for v in value]
    if isinstance(value, dict):
        return {substitute(k, row): substitute(v, row) for k, v in value.items()}
    return value


def expand(case):
    """A case with `each = { name = [values...], ... }` stands for one case per position, with
    "{name}" in its strings (keys included) replaced by that position's value."""
    if "each" not in case:
        return [case]
    columns = case["each"]
    rows = [dict(zip(columns, values)) for values in zip(*columns.values())]
    body = {k: v for k, v in case.items() if k != "each"}
    return [substitute(body, row) for row in rows]


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--kxhost", required=True)
    parser.add_argument("files", nargs="+")
    parser.add_argument("-k", help="run only cases whose name holds these words")
    parser.add_argument("--keep", help="copy each case's folder here")
    parser.add_argument("--timeout", type=int, default=120)
    args = parser.parse_args()
    kxhost = os.path.abspath(args.kxhost)
    failed = total = 0
    for path in args.files:
        with open(path, "rb") as f:
            cases = [c for case in tomllib.load(f).get("case", []) for c in expand(case)]
        for case in cases:
            if args.k and args.k.lower() not in case["name"].lower():
                continue
            total += 1
            started = time.monotonic()
            problems = run_case(case, kxhost, args.keep, args.timeout)
            if "fails_with" in case:  # the runner's own checks, shown to catch what they must
                caught = any(case["fails_with"] in p for p in problems)
                problems = [] if caught else [f"not caught: {case['fails_with']!r}"] + problems
            took = time.monotonic() - started
            mark = "ok  " if not problems else "FAIL"
            print(f"{mark} {os.path.basename(path)}: {case['name']} ({took:.1f} s)")
            for problem in problems:
                print("     " + problem)
            failed += bool(problems)
    print(f"{total - failed} of {total} cases hold")
    return 1 if failed or not total else 0


if __name__ == "__main__":
    sys.exit(main())
