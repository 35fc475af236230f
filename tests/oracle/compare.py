#!/usr/bin/python3
"""Checks with ezdxf that a saved drawing holds what the loaded one held.

Usage: compare.py INPUT OUTPUT

Both files are read with ezdxf (ezdxf.readfile, and ezdxf.recover.readfile
when that fails) and boiled down to a snapshot:

  * header: DXF version and code page;
  * tables: every entry by name, with its handle and attributes (layer
    flags, style fonts, ...);
  * blocks and layouts: the entity handles in file order for every block
    (model and paper space included), the layout names and tab order;
  * entities, with their attached ATTRIB, VERTEX and SEQEND: type, owner,
    container, every DXF attribute ezdxf knows, and the data that lives
    outside plain attributes (MTEXT content, polyline points, hatch paths,
    leader vertices, multileader context, embedded multi-line attributes,
    xdata, extension dictionary, reactors);
  * objects: dictionaries with their entries, groups with their members,
    sort tables, xrecords, layouts, everything else by attributes;
  * a raw pass over the group codes themselves: every handle's type,
    section, owner (group 330) and handle references, because ezdxf quietly
    re-owns entities to the block it finds them in.

The two snapshots must match.  Then doc.audit() runs on both, and any error
(code, entity handle) that OUTPUT has and INPUT had not is a failure.

Exit status 0 when they match, 1 with the list of differences otherwise.
"""

import array
import enum
import logging
import math
import re
import sys
import traceback

import ezdxf
from ezdxf import recover
from ezdxf.document import Drawing
from ezdxf.entities import DXFEntity
from ezdxf.lldxf import const
from ezdxf.lldxf.tags import Tags
from ezdxf.lldxf.types import DXFTag

MAX_LISTED = 200
MAX_VALUE_CHARS = 160

# Data that ezdxf keeps beside the DXF attributes, by entity type.
EXTRA_DATA = {
    "MTEXT": ["text"],
    "HATCH": ["paths", "pattern", "gradient", "seeds"],
    "MPOLYGON": ["paths", "pattern", "gradient", "seeds"],
    "LEADER": ["vertices"],
    "MULTILEADER": ["context", "arrow_heads", "block_attribs"],
    "WIPEOUT": ["boundary_path"],
    "IMAGE": ["boundary_path"],
    "SPLINE": ["control_points", "fit_points", "knots", "weights"],
    "MLINE": ["vertices"],
    "MESH": ["vertices", "faces", "edges", "creases"],
}

ADDRESS = re.compile(r" at 0x[0-9a-fA-F]+")

# Group codes whose values are handles of other objects.
POINTER_CODES = set(range(320, 370)) | set(range(390, 400)) | {480, 481, 1005}


def plain(value, depth=0):
    """ezdxf values as comparable Python data (tuples, dicts, numbers, str)."""
    if depth > 8:
        return "<too deep>"
    if value is None or isinstance(value, (bool, int, float, str)):
        return value
    if isinstance(value, enum.Enum):
        return value.value
    if isinstance(value, DXFEntity):
        return f"#{value.dxf.handle}"
    if isinstance(value, Drawing):
        return "<doc>"
    if isinstance(value, DXFTag):
        return (value.code, plain(value.value, depth + 1))
    if hasattr(value, "isclose") and hasattr(value, "x") and hasattr(value, "y"):
        return tuple(float(c) for c in value)  # Vec2 / Vec3
    if isinstance(value, dict):
        return {str(k): plain(v, depth + 1) for k, v in value.items()}
    if isinstance(value, (list, tuple, array.array, Tags)):
        return [plain(v, depth + 1) for v in value]
    if hasattr(value, "__dict__") or hasattr(value, "__slots__"):
        fields = {}
        names = list(getattr(value, "__dict__", {}).keys())
        for cls in type(value).__mro__:
            names += [n for n in getattr(cls, "__slots__", ()) if n not in names]
        for name in names:
            if name.startswith("_"):
                continue
            try:
                fields[name] = plain(getattr(value, name), depth + 1)
            except AttributeError:
                pass
        return {"<class>": type(value).__name__, **fields}
    try:
        return [plain(v, depth + 1) for v in value]
    except TypeError:
        return ADDRESS.sub("", repr(value))  # two loads differ in addresses only


def same(a, b) -> bool:
    if isinstance(a, float) or isinstance(b, float):
        if isinstance(a, (int, float)) and isinstance(b, (int, float)):
            return math.isclose(a, b, rel_tol=1e-9, abs_tol=1e-9)
        return False
    if isinstance(a, (list, tuple)) and isinstance(b, (list, tuple)):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    if isinstance(a, dict) and isinstance(b, dict):
        return a.keys() == b.keys() and all(same(a[k], b[k]) for k in a)
    return a == b


def load(path):
    """Returns (doc, how, recover_auditor) or raises with a clear reason."""
    try:
        return ezdxf.readfile(path), "readfile", None
    except Exception as first:  # ezdxf raises several kinds; recover decides.
        try:
            doc, auditor = recover.readfile(path)
        except Exception as second:
            raise RuntimeError(
                f"ezdxf cannot read {path}: {type(first).__name__}: {first}; "
                f"recover: {type(second).__name__}: {second}"
            ) from None
        return doc, f"recover ({type(first).__name__}: {first})", auditor


class Snapshot:
    def __init__(self, doc: Drawing):
        self.doc = doc
        self.r12 = doc.dxfversion <= const.DXF12
        self.items = {}
        self.counts = {"entities": 0, "table entries": 0, "objects": 0}

    def owner(self, handle):
        """Owner as the block it names when it is a block record.

        R12 files have no block records; ezdxf makes them up on load, with
        handles that depend on the handle seed.
        """
        if handle is None:
            return None
        owner = self.doc.entitydb.get(handle)
        if owner is not None and owner.dxftype() == "BLOCK_RECORD":
            return f"BLOCK_RECORD {owner.dxf.name}"
        if self.r12:
            return owner.dxftype() if owner is not None else None
        return handle

    def attribs(self, entity):
        values = entity.dxf.all_existing_dxf_attribs()
        values.pop("handle", None)
        owner = values.pop("owner", None)
        if entity.dxftype() in ("LAYOUT", "SORTENTSTABLE"):
            for key in ("block_record_handle", "block_record"):
                if key in values:
                    values[key] = self.owner(values[key])
        return {k: plain(v) for k, v in values.items()}, self.owner(owner)

    def common(self, entity):
        info = {}
        if entity.xdata is not None:
            info["xdata"] = {appid: plain(tags) for appid, tags in entity.xdata.data.items()}
        if entity.has_extension_dict:
            info["xdict"] = entity.extension_dict.dictionary.dxf.handle
        if entity.reactors is not None:
            reactors = entity.reactors.get()
            if reactors:
                info["reactors"] = sorted(reactors)
        if type(entity).__name__ == "DXFTagStorage" or entity.dxftype() == "ACAD_PROXY_ENTITY":
            # Types ezdxf does not know: all their groups, past the common ones.
            info["tags"] = [plain(tag) for sub in entity.xtags.subclasses[1:] for tag in sub]
        return info

    def add_entity(self, entity, container: str):
        attribs, owner = self.attribs(entity)
        info = {"type": entity.dxftype(), "container": container, "owner": owner}
        info["dxf"] = attribs
        info.update(self.common(entity))
        kind = entity.dxftype()
        for name in EXTRA_DATA.get(kind, []):
            if hasattr(entity, name):
                info[name] = plain(getattr(entity, name))
        if kind == "LWPOLYLINE":
            info["points"] = plain(list(entity.get_points("xyseb")))
        if kind in ("ATTRIB", "ATTDEF") and entity.has_embedded_mtext_entity:
            info["embedded_mtext"] = entity.virtual_mtext_entity().text
        self.items[f"entity {entity.dxf.handle}"] = info
        self.counts["entities"] += 1
        children = []
        if kind == "INSERT":
            children = list(entity.attribs)
        elif kind == "POLYLINE":
            children = list(entity.vertices)
        if children:
            info["children"] = [c.dxf.handle for c in children]
        for child in children:
            self.add_entity(child, f"{kind} {entity.dxf.handle}")
        seqend = getattr(entity, "seqend", None)
        if seqend is not None:
            info["seqend"] = seqend.dxf.handle
            self.add_entity(seqend, f"{kind} {entity.dxf.handle}")

    def take_header(self):
        for name in ("$ACADVER", "$DWGCODEPAGE"):
            self.items[f"header {name}"] = self.doc.header.get(name)

    def take_tables(self):
        doc = self.doc
        tables = [
            ("LAYER", doc.layers),
            ("LTYPE", doc.linetypes),
            ("STYLE", doc.styles),
            ("DIMSTYLE", doc.dimstyles),
            ("APPID", doc.appids),
            ("UCS", doc.ucs),
            ("VIEW", doc.views),
            ("VPORT", doc.viewports),
            ("BLOCK_RECORD", doc.block_records),
        ]
        for table_name, table in tables:
            seen = {}
            for entry in table:
                name = entry.dxf.name
                seen[name] = seen.get(name, 0) + 1
                key = f"table {table_name} {name!r}"
                if seen[name] > 1:
                    key += f" #{seen[name]}"
                attribs, owner = self.attribs(entry)
                info = {"dxf": attribs}
                info.update(self.common(entry))
                if table_name == "BLOCK_RECORD" and self.r12:
                    attribs.clear()  # made up by ezdxf, see owner()
                else:
                    info["handle"] = entry.dxf.handle
                    if not self.r12:
                        info["owner"] = owner
                self.items[key] = info
                self.counts["table entries"] += 1

    def take_blocks(self):
        for block in self.doc.blocks:
            name = block.name
            container = f"block {name!r}"
            handles = []
            for part in (block.block, block.endblk):
                if part is not None:
                    self.add_entity(part, container)
            for entity in block:
                handles.append(entity.dxf.handle)
                self.add_entity(entity, container)
            self.items[container] = {
                "BLOCK": block.block.dxf.handle if block.block else None,
                "ENDBLK": block.endblk.dxf.handle if block.endblk else None,
                "entities": handles,
            }

    def take_layouts(self):
        for name in self.doc.layouts.names_in_taborder():
            layout = self.doc.layouts.get(name)
            self.items[f"layout {name!r}"] = {
                "block": layout.block_record.dxf.name,
                "taborder": layout.dxf_layout.dxf.get("taborder"),
            }

    def take_objects(self):
        if self.r12:
            return  # no OBJECTS section; ezdxf invents the ones it needs
        for obj in self.doc.objects:
            kind = obj.dxftype()
            attribs, owner = self.attribs(obj)
            info = {"type": kind, "owner": owner, "dxf": attribs}
            info.update(self.common(obj))
            if kind in ("DICTIONARY", "ACDBDICTIONARYWDFLT"):
                info["entries"] = {k: plain(v) for k, v in obj.items()}
            elif kind == "GROUP":
                # ezdxf loads the members through a set; their order is
                # checked by the raw pass.
                info["members"] = sorted(e.dxf.handle for e in obj)
            elif kind == "SORTENTSTABLE":
                info["table"] = list(obj.table.items())
            elif kind == "XRECORD":
                info["tags"] = plain(obj.tags)
            self.items[f"object {obj.dxf.handle}"] = info
            self.counts["objects"] += 1

    def take_raw(self, path):
        for handle, info in raw_structure(path).items():
            self.items[f"raw {handle}"] = info

    @classmethod
    def of(cls, doc: Drawing, path: str):
        snap = cls(doc)
        snap.take_header()
        snap.take_tables()
        snap.take_blocks()
        snap.take_layouts()
        snap.take_objects()
        snap.take_raw(path)
        return snap


def raw_structure(path):
    """handle -> {type, section, block, owner, refs} from the group codes.

    Strings are decoded as Latin-1: only ASCII values (types, handles,
    section names) are used here, and those read the same in every code page.
    """
    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").splitlines()
    result = {}
    section = block = None
    current = None
    in_app_group = False
    expect_section_name = False

    def finish():
        if current is not None and current.get("handle") is not None:
            handle = current.pop("handle")
            key = handle
            n = 2
            while key in result:  # a repeated handle must show up as a difference
                key = f"{handle} (repeated #{n})"
                n += 1
            result[key] = current

    for i in range(0, len(lines) - 1, 2):
        try:
            code = int(lines[i].strip())
        except ValueError:
            break  # ezdxf already had its say about a broken file
        value = lines[i + 1].strip()
        if code == 0:
            finish()
            current = None
            in_app_group = False
            if value == "SECTION":
                expect_section_name = True
            elif value == "ENDSEC":
                section = None
            elif value not in ("EOF",):
                current = {"type": value, "section": section, "owner": None, "refs": []}
                if section == "BLOCKS":
                    current["block"] = block
            continue
        if expect_section_name and code == 2:
            section = value
            expect_section_name = False
            continue
        if current is None:
            continue
        if code == 102:
            in_app_group = value.startswith("{")
            continue
        if code == 2 and current["type"] == "BLOCK":
            block = value
            current["block"] = value
        if code == 5 or (code == 105 and current["type"] == "DIMSTYLE"):
            current.setdefault("handle", value)
        elif code == 330 and not in_app_group and current["owner"] is None:
            current["owner"] = value
        elif code in POINTER_CODES:
            current["refs"].append((code, value))
    finish()
    return result


def audit_errors(doc, recover_auditor):
    errors = set()
    auditors = [doc.audit()]
    if recover_auditor is not None:
        auditors.append(recover_auditor)
    for auditor in auditors:
        for error in auditor.errors:
            entity = error.entity
            handle = None
            if entity is not None:
                handle = entity.dxf.get("handle") if hasattr(entity, "dxf") else str(entity)
            errors.add((error.code, handle, error.message if handle is None else ""))
    return errors


def short(value):
    text = repr(value)
    if len(text) > MAX_VALUE_CHARS:
        text = text[: MAX_VALUE_CHARS - 3] + "..."
    return text


def diff_values(key, a, b, out):
    if isinstance(a, dict) and isinstance(b, dict):
        for k in list(a) + [k for k in b if k not in a]:
            if k not in b:
                out.append(f"{key}: {k} {short(a[k])} missing in OUTPUT")
            elif k not in a:
                out.append(f"{key}: {k} {short(b[k])} added in OUTPUT")
            elif not same(a[k], b[k]):
                diff_values(f"{key}: {k}", a[k], b[k], out)
        return
    if isinstance(a, list) and isinstance(b, list) and len(a) > 4:
        # Long lists (entity order, points): show where they part.
        first = next(
            (i for i, (x, y) in enumerate(zip(a, b)) if not same(x, y)), min(len(a), len(b))
        )
        lo = max(0, first - 2)
        out.append(
            f"{key}: differ from index {first} (lengths {len(a)} and {len(b)}): "
            f"INPUT [{lo}:] {short(a[lo:lo + 6])} != OUTPUT [{lo}:] {short(b[lo:lo + 6])}"
        )
        return
    out.append(f"{key}: INPUT {short(a)} != OUTPUT {short(b)}")


def compare(snap_in: Snapshot, snap_out: Snapshot):
    out = []
    a, b = snap_in.items, snap_out.items
    for key in a:
        if key not in b:
            out.append(f"{key}: missing in OUTPUT ({short(a[key])})")
        elif not same(a[key], b[key]):
            diff_values(key, a[key], b[key], out)
    for key in b:
        if key not in a:
            out.append(f"{key}: added in OUTPUT ({short(b[key])})")
    return out


def main(argv):
    if len(argv) != 3:
        print("usage: compare.py INPUT OUTPUT", file=sys.stderr)
        return 2
    logging.disable(logging.WARNING)  # ezdxf's load notes are not our verdict
    in_path, out_path = argv[1], argv[2]
    try:
        doc_in, how_in, rec_in = load(in_path)
        doc_out, how_out, rec_out = load(out_path)
    except (RuntimeError, OSError) as error:
        print(f"compare: FAIL: {error}")
        return 1

    problems = []
    if how_in == "readfile" and how_out != "readfile":
        problems.append(f"OUTPUT needs ezdxf's recover mode, INPUT did not: {how_out}")

    snaps = []
    for doc, path in ((doc_in, in_path), (doc_out, out_path)):
        try:
            snaps.append(Snapshot.of(doc, path))
        except Exception:  # a drawing ezdxf loads but we cannot walk is a finding
            traceback.print_exc(file=sys.stdout)
            print(f"compare: FAIL: cannot take the contents of {path} (traceback above)")
            return 1
    snap_in, snap_out = snaps
    problems += compare(snap_in, snap_out)

    new_errors = audit_errors(doc_out, rec_out) - audit_errors(doc_in, rec_in)
    for code, handle, message in sorted(new_errors, key=repr):
        problems.append(f"audit: OUTPUT has error {code} on {handle or message} that INPUT had not")

    counts = ", ".join(f"{n} {what}" for what, n in snap_in.counts.items())
    if problems:
        for line in problems[:MAX_LISTED]:
            print(line)
        if len(problems) > MAX_LISTED:
            print(f"... and {len(problems) - MAX_LISTED} more")
        print(f"compare: FAIL: {len(problems)} differences between {in_path} and {out_path}")
        return 1
    print(f"compare: OK: {out_path} matches {in_path} ({doc_in.dxfversion}; {counts})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
