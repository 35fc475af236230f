#!/usr/bin/env bash
# Checks the built-in new-drawing template with independent readers.
# The template is edited by hand, so every edit can break a handle, an owner
# pointer or $HANDSEED; run this after touching it.
#   tests/oracle/check_template.sh [path/to/template_r2018.dxf]
set -euo pipefail

here="$(cd "$(dirname "$0")/../.." && pwd)"
dxf="$(realpath "${1:-$here/host/db/template_r2018.dxf}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# 1. Layout of the file and handle graph, without any DXF library.
/usr/bin/python3 - "$dxf" <<'EOF'
import sys
raw = open(sys.argv[1], newline="").read()
assert "\r" not in raw, "line endings must be LF"
assert raw.endswith("  0\nEOF\n"), "file must end with '  0\\nEOF\\n'"
lines = raw.split("\n")[:-1]
assert len(lines) % 2 == 0, "odd number of lines"
pairs = []
for i in range(0, len(lines), 2):
    code = lines[i]
    assert code == code.strip().rjust(3), f"line {i + 1}: code not right-aligned: {code!r}"
    pairs.append((int(code), lines[i + 1]))

handles, seed, kind = {}, None, None
for i, (code, value) in enumerate(pairs):
    if code == 0:
        kind = value
    if code == 9 and value == "$HANDSEED":
        seed = int(pairs[i + 1][1], 16)
    elif code in (5, 105) and pairs[i - 1] != (9, "$HANDSEED"):
        h = int(value, 16)
        assert h not in handles, f"handle {value} used twice"
        handles[h] = kind
assert seed is not None and seed > max(handles), "$HANDSEED must exceed every handle"

pointer_codes = {330, 331, 340, 345, 346, 347, 348, 350, 360, 390}
dangling = [(c, v) for c, v in pairs
            if c in pointer_codes and int(v, 16) != 0 and int(v, 16) not in handles]
assert not dangling, f"pointers to missing objects: {dangling}"
print(f"structure ok: {len(handles)} handles, max {max(handles):X}, seed {seed:X}")
EOF

# 2. ezdxf: audit must be clean and the standard records must be there;
#    then a drawing started from the template must take new content and save.
/usr/bin/python3 - "$dxf" "$work/roundtrip.dxf" <<'EOF'
import sys
import ezdxf

src, out = sys.argv[1], sys.argv[2]
doc = ezdxf.readfile(src)
assert doc.dxfversion == "AC1032", doc.dxfversion
audit = doc.audit()
problems = [str(e) for e in audit.errors] + [str(f) for f in audit.fixes]
assert not problems, "audit: " + "; ".join(problems)
assert "Layout1" in doc.layouts.names(), "no Layout1"
assert doc.layouts.get("Layout1").dxf_layout.dxf.taborder == 1
assert doc.modelspace().dxf_layout.dxf.taborder == 0
assert "0" in doc.layers and "Standard" in doc.styles and "Standard" in doc.dimstyles
assert doc.header["$INSUNITS"] == 4 and doc.header["$MEASUREMENT"] == 1

msp = doc.modelspace()
msp.add_text("probe", dxfattribs={"height": 2.5}).set_placement((10, 10))
block = doc.blocks.new("PROBE_BLOCK")
block.add_line((0, 0), (10, 5))
msp.add_blockref("PROBE_BLOCK", (50, 50))
doc.saveas(out)

again = ezdxf.readfile(out)
audit = again.audit()
assert not audit.errors and not audit.fixes, "audit after save failed"
types = sorted(e.dxftype() for e in again.modelspace())
assert types == ["INSERT", "TEXT"], types
print("ezdxf ok")
EOF

# 3. LibreCAD, when installed. It pops up a dialog (and so never returns) on
#    files it cannot read, hence the timeout. -t keeps the PDF out of the tree.
if command -v librecad >/dev/null; then
  mkdir -p "$work/home" "$work/run" "$work/pdf"
  chmod 700 "$work/run"
  HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen \
    timeout 120 librecad dxf2pdf -t "$work/pdf" "$dxf" "$work/roundtrip.dxf" \
    >"$work/librecad.log" 2>&1 || { cat "$work/librecad.log"; exit 1; }
  test -s "$work/pdf/$(basename "${dxf%.dxf}").pdf"
  test -s "$work/pdf/roundtrip.pdf"
  echo "librecad ok"
fi
echo "template ok"
