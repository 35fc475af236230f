#!/usr/bin/python3
"""A user session driven by scripts through a test module that asks everything a module can:
replies accepted, refused and asked again, cancelled by the end of the script; a dialog, a
message box, the file dialog and the colour dialog; settings that are still there in the next
kxhost run, a damaged settings file set aside (a second one beside the first), and one of a later
kxhost left alone. Usage: session_test.py KXHOST SESSION_MODULE WORKDIR"""

import os
import re
import shutil
import subprocess
import sys

import ezdxf

KXHOST, MODULE, WORK = sys.argv[1:4]


def run(script, *extra):
    path = os.path.join(WORK, "script.scr")
    with open(path, "w") as f:
        f.write(script)
    result = subprocess.run([KXHOST, DRAWING, "-m", MODULE, "--config", CONFIG, "-s", path,
                             *extra], capture_output=True, text=True, timeout=60)
    return result


def expect_lines(output, *lines):
    for line in lines:
        if not re.search("^" + re.escape(line) + "$", output, re.MULTILINE):
            sys.exit(f"expected the line {line!r} in:\n{output}")


def fail(why, result):
    sys.exit(f"{why}\n--- stdout\n{result.stdout}\n--- stderr\n{result.stderr}")


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
CONFIG = os.path.join(WORK, "settings")
DRAWING = os.path.join(WORK, "drawing.dxf")
doc = ezdxf.new("R2010")
block = doc.blocks.new("WHEEL")
circle = block.add_circle((0, 0), 5)
msp = doc.modelspace()
line = msp.add_line((0, -20), (50, -20))
msp.add_blockref("WHEEL", (100, 0))
doc.saveas(DRAWING)

report = os.path.join(WORK, "report")
first = run("\n".join([
    "KXASK", "maybe", "No", "-3", "0", "2.5", "abc", "7", "Hello world", "Center", "5", "0,10",
    f"H {line.dxf.handle}", "105,0", "ALL", "",
    "KXSETTINGS", "2025=0", "2006", "OK", "maybe", "Yes", report, "2", "300", "1",
    "KXFAULT",
    "KXASK"]) + "\n", "-o", os.path.join(WORK, "saved.dxf"))
# Refused replies were asked again and the run went on; its status says one was refused.
if first.returncode != 6:
    fail(f"the first run ended with status {first.returncode}, not 6 (a refused reply)", first)
out = first.stdout
expect_lines(out, "Keyword: No", "Number: 2.5", "Whole number: 7", "Title: Hello world",
             "Input: Center", "Distance: 5", "Angle: 90", f"Picked: {line.dxf.handle}",
             f"Nested: {circle.dxf.handle} in 1 block(s)", "Selected: 2",
             "Run 1, stored choice: <none>", "Stored: join=0 order=0",
             f"Report written: {report}.csv", "Colour: 1", "Cancelled at keyword.")
# Each refused reply was explained once and asked again.
if out.count("Positive number: ") != 3 or out.count("Whole number: ") < 2:
    fail("refused numbers were not asked again", first)
if out.count("[Yes/No]") < 4:  # the keyword prompt twice, the message box twice
    fail("a refused message box reply was not asked again", first)
if "KX_SESSION_FAULT" not in first.stderr:
    fail("the module's fault report did not reach standard error", first)
if not os.path.exists(os.path.join(WORK, "saved.dxf")):
    fail("a script that ended inside a prompt did not save the drawing", first)
with open(report + ".csv", "rb") as f:
    if f.read() != b"setting,join=0 order=0\r\n":
        fail("the report file is not the CSV line written in text mode", first)

second = run("KXSETTINGS\nOK\nNo\n\n")
if second.returncode != 0:
    fail(f"the second run ended with status {second.returncode}", second)
expect_lines(second.stdout, "Run 2, stored choice: join=0 order=0", "Stored: join=0 order=0",
             "Colour: 7")

# A damaged settings store is reported, set aside and replaced; the run goes on. A second damaged
# store is set aside beside the first, which stays as it was.
SETTINGS = os.path.join(CONFIG, "settings.txt")
for damage, aside in [(b"\x00\xffnot settings at all\n", "settings.txt.damaged"),
                      (b"kxhost settings 1\n[nonsense\n", "settings.txt.damaged.2")]:
    with open(SETTINGS, "wb") as f:
        f.write(damage)
    third = run("KXSETTINGS\nCancel\n")
    if third.returncode != 0 or "Run 1, stored choice: <none>" not in third.stdout:
        fail("a damaged settings store stopped the run or was not replaced", third)
    if len(third.stderr.strip().splitlines()) != 1 or not third.stderr.strip().endswith(aside):
        fail(f"a damaged settings store was not reported in one line naming {aside}", third)
    with open(os.path.join(CONFIG, aside), "rb") as f:
        if f.read() != damage:
            fail(f"{aside} does not hold the damaged store", third)
with open(os.path.join(CONFIG, "settings.txt.damaged"), "rb") as f:
    if f.read() != b"\x00\xffnot settings at all\n":
        fail("the second damaged store replaced the first one set aside", third)

# Settings of a later kxhost are kept as they are: this run keeps its own in memory.
later = b"kxhost settings 7\nwhatever that format holds\n"
with open(SETTINGS, "wb") as f:
    f.write(later)
fourth = run("KXSETTINGS\n2025=0\nOK\nNo\n\n")
with open(SETTINGS, "rb") as f:
    kept = f.read()
if fourth.returncode != 0 or kept != later or "later kxhost (format 7)" not in fourth.stderr:
    fail("the settings of a later kxhost were not left alone, or not said", fourth)
