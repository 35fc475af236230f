#!/usr/bin/python3
"""kxhost's saved drawings against readers we did not write.

Usage:
  roundtrip.py KXHOST INPUT OUTPUT
      kxhost INPUT -o OUTPUT; OUTPUT must equal INPUT byte for byte apart from line endings:
      with no command run, kxhost must write back what it read, which is all any reader can ask.
  roundtrip.py --new KXHOST OUTPUT
      kxhost -o OUTPUT, a new drawing from the built-in template: ezdxf must read it as an R2018
      drawing with no audit error, holding model space, a paper-space layout, layer "0" and text
      style "Standard"; then LibreCAD, a second reader, must print it to a whole PDF.
"""

import logging
import os
import shutil
import subprocess
import sys
import tempfile

import ezdxf
from ezdxf.lldxf import const
from ezdxf.lldxf.tagger import ascii_tags_loader


def save(kxhost, args, output):
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    if os.path.exists(output):
        os.remove(output)  # a stale file must not pass for a fresh save
    subprocess.run([kxhost, *args, "-o", output], stdin=subprocess.DEVNULL, timeout=300,
                   check=True)


def lines(path):
    with open(path, "rb") as f:
        return f.read().replace(b"\r\n", b"\n").split(b"\n")


def roundtrip(kxhost, input_path, output_path):
    save(kxhost, [input_path], output_path)
    a, b = lines(input_path), lines(output_path)
    for n, (x, y) in enumerate(zip(a, b), start=1):
        assert x == y, f"line {n}: input {x[:120]!r}, output {y[:120]!r}"
    assert len(a) == len(b), f"{len(a)} lines in the input, {len(b)} in the output"


def raw_names(path):
    """Table and layout names as the file holds them: on load ezdxf quietly adds layer "0",
    style "Standard" and a paper-space layout when a file lacks them."""
    names = {"LAYER": [], "STYLE": [], "BLOCK_RECORD": [], "LAYOUT": []}
    section = kind = subclass = None
    with open(path, encoding="utf-8", errors="replace") as f:
        for code, value in ascii_tags_loader(f):
            if code == 0:
                kind, subclass, taken = value, "", False
            elif code == 2 and kind == "SECTION":
                section = value
            elif code == 100:
                subclass = value
            elif not taken and kind in names and (
                    (section == "TABLES" and code == 2) or
                    (section == "OBJECTS" and subclass == "AcDbLayout" and code == 1)):
                names[kind].append(value)
                taken = True
    return names


def print_with_librecad(path):
    """LibreCAD 2.2's dxf2pdf takes -o without a value, so -t names the folder of the PDF. It
    writes settings under HOME and can wait forever on a file it cannot read."""
    with tempfile.TemporaryDirectory(prefix="kx-librecad-") as home:
        env = dict(os.environ, HOME=home, QT_QPA_PLATFORM="offscreen",
                   XDG_CONFIG_HOME=f"{home}/config", XDG_DATA_HOME=f"{home}/data",
                   XDG_CACHE_HOME=f"{home}/cache", XDG_RUNTIME_DIR=f"{home}/run")
        os.mkdir(env["XDG_RUNTIME_DIR"], 0o700)
        os.mkdir(f"{home}/pdf")
        subprocess.run([shutil.which("librecad") or "librecad", "dxf2pdf", "-a", "-t",
                        f"{home}/pdf", os.path.abspath(path)], env=env, cwd=home,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, timeout=120,
                       check=True)
        with open(f"{home}/pdf/{os.path.splitext(os.path.basename(path))[0]}.pdf", "rb") as f:
            data = f.read()
        assert data.startswith(b"%PDF-") and b"%%EOF" in data[-1024:], \
            f"LibreCAD wrote {len(data)} bytes that are not a whole PDF"


def new_drawing(kxhost, output_path):
    save(kxhost, [], output_path)
    logging.disable(logging.WARNING)
    doc = ezdxf.readfile(output_path)
    assert doc.dxfversion == const.DXF2018, f"version {doc.dxfversion}, not R2018"
    names = raw_names(output_path)
    assert "*Model_Space" in names["BLOCK_RECORD"] and "Model" in names["LAYOUT"], names
    assert any(n.startswith("*Paper_Space") for n in names["BLOCK_RECORD"]), names
    assert [n for n in names["LAYOUT"] if n != "Model"], names
    assert "0" in names["LAYER"] and "Standard" in names["STYLE"], names
    errors = doc.audit().errors
    assert not errors, [(e.code, e.message) for e in errors[:5]]
    print_with_librecad(output_path)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--new":
        new_drawing(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4:
        roundtrip(*sys.argv[1:])
    else:
        sys.exit(__doc__)
    print("roundtrip: OK")
