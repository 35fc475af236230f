#!/usr/bin/python3
"""Checks a drawing that kxhost saved from its built-in template.

Usage: check_new_drawing.py FILE

ezdxf must open it without help, find no audit errors, and see an R2018
(AC1032) drawing; the file itself must hold model space, at least one
paper-space layout, layer "0" and text style "Standard".  Then LibreCAD, a
second independent reader, must print it to a non-empty PDF.

LibreCAD 2.2.0's dxf2pdf declares -o/--outfile without a value, so
"-o OUT.pdf FILE" does not name the output; -t DIR does, and the PDF is
DIR/<stem>.pdf.  LibreCAD writes settings under HOME and can wait forever on
a file it cannot read, so it runs with a scratch HOME and a time limit.

Exit status 0 with "check_new_drawing: OK ..." or 1 with the reason.
"""

import logging
import os
import shutil
import signal
import subprocess
import sys
import tempfile

import ezdxf
from ezdxf.lldxf import const

LIBRECAD_SECONDS = 120


def raw_names(path):
    """{"LAYER": [...], "STYLE": [...], "BLOCK_RECORD": [...], "LAYOUT": [...]}

    Read from the group codes: on load ezdxf quietly adds layer "0",
    style "Standard" and a paper-space layout when a file lacks them.
    """
    with open(path, "rb") as f:
        lines = f.read().decode("utf-8", errors="replace").splitlines()
    names = {"LAYER": [], "STYLE": [], "BLOCK_RECORD": [], "LAYOUT": []}
    section = kind = None
    subclass = ""
    taken = False
    for i in range(0, len(lines) - 1, 2):
        code, value = lines[i].strip(), lines[i + 1].strip()
        if code == "0":
            kind, subclass, taken = value, "", False
        elif code == "2" and kind == "SECTION":
            section = value
        elif code == "100":
            subclass = value
        elif taken or kind not in names:
            continue
        elif section == "TABLES" and code == "2":
            names[kind].append(value)
            taken = True
        elif section == "OBJECTS" and subclass == "AcDbLayout" and code == "1":
            names[kind].append(value)
            taken = True
    return names


def check_with_ezdxf(path):
    """Returns None when fine, else the reason."""
    try:
        doc = ezdxf.readfile(path)
    except Exception as error:  # any failure to read is the verdict
        return f"ezdxf cannot read it: {type(error).__name__}: {error}"
    if doc.dxfversion != const.DXF2018:
        return f"version is {doc.dxfversion}, expected AC1032 (R2018)"
    names = raw_names(path)
    if "*Model_Space" not in names["BLOCK_RECORD"] or "Model" not in names["LAYOUT"]:
        return "no model space (block record *Model_Space and layout Model)"
    if not any(n.startswith("*Paper_Space") for n in names["BLOCK_RECORD"]):
        return "no paper-space block record"
    if not [n for n in names["LAYOUT"] if n != "Model"]:
        return "no paper-space layout"
    if "0" not in names["LAYER"]:
        return 'no layer "0"'
    if "Standard" not in names["STYLE"]:
        return 'no text style "Standard"'
    auditor = doc.audit()
    if auditor.has_errors:
        first = auditor.errors[0]
        handle = first.entity.dxf.get("handle") if first.entity is not None else "-"
        return (
            f"audit found {len(auditor.errors)} errors, "
            f"first: {first.code} on {handle}: {first.message}"
        )
    return None


def print_with_librecad(path):
    """Returns (None, pdf size) when fine, else (reason, 0)."""
    librecad = shutil.which("librecad")
    if librecad is None:
        return "librecad is not installed", 0
    with tempfile.TemporaryDirectory(prefix="kx-librecad-") as home:
        outdir = os.path.join(home, "pdf")
        os.mkdir(outdir)
        env = dict(os.environ)
        env.update(
            HOME=home,
            XDG_CONFIG_HOME=os.path.join(home, "config"),
            XDG_DATA_HOME=os.path.join(home, "data"),
            XDG_CACHE_HOME=os.path.join(home, "cache"),
            XDG_RUNTIME_DIR=os.path.join(home, "run"),
            QT_QPA_PLATFORM="offscreen",
        )
        os.mkdir(env["XDG_RUNTIME_DIR"], 0o700)
        command = [librecad, "dxf2pdf", "-a", "-t", outdir, os.path.abspath(path)]
        proc = subprocess.Popen(
            command,
            env=env,
            cwd=home,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT,
            start_new_session=True,
        )
        try:
            output, _ = proc.communicate(timeout=LIBRECAD_SECONDS)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.communicate()
            return f"librecad dxf2pdf did not finish in {LIBRECAD_SECONDS} s", 0
        last = output.decode(errors="replace").strip().splitlines()[-1:] or [""]
        if proc.returncode != 0:
            return f"librecad dxf2pdf exited {proc.returncode}: {last[0]}", 0
        stem = os.path.splitext(os.path.basename(path))[0]
        pdf = os.path.join(outdir, stem + ".pdf")
        if not os.path.exists(pdf):
            return f"librecad dxf2pdf wrote no {stem}.pdf: {last[0]}", 0
        with open(pdf, "rb") as f:
            data = f.read()
        if not data.startswith(b"%PDF-") or b"%%EOF" not in data[-1024:]:
            return f"librecad dxf2pdf wrote {len(data)} bytes that are not a whole PDF", 0
        return None, len(data)


def main(argv):
    if len(argv) != 2:
        print("usage: check_new_drawing.py FILE", file=sys.stderr)
        return 2
    logging.disable(logging.WARNING)
    path = argv[1]
    if not os.path.isfile(path):
        print(f"check_new_drawing: FAIL: {path}: no such file")
        return 1
    reason = check_with_ezdxf(path)
    if reason is None:
        reason, size = print_with_librecad(path)
    if reason is not None:
        print(f"check_new_drawing: FAIL: {path}: {reason}")
        return 1
    print(
        f"check_new_drawing: OK: {path} is a clean R2018 drawing; "
        f"LibreCAD printed {size} bytes of PDF"
    )
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
