#!/usr/bin/python3
"""kxhost run the way users and batch jobs run it, one concern per call:

  arguments    what the command line takes, and what it refuses before reading or writing
  saving       messages that cannot be written, links, permissions, devices, an interrupted
               save, a drawing given as a pipe, pictures and progress bars
  exit_status  the status a batch run can trust, --strict, what the script may look like
  replies      lines that are not text, paths beyond ASCII
  repairs      a drawing cut off anywhere opens in other readers once kxhost has repaired it
  batch        many drawings with one script: a folder, a list, --jobs, the JSON lines, and the
               same lines from the GNU parallel recipe of the README

Usage: batch_run_test.py KXHOST SOURCE_DIR WORKDIR CONCERN
KX_SAMPLED=1 cuts the repairs drawing at fewer points; KX_CUTS=N sets how many."""

import fcntl
import json
import os
import re
import shutil
import signal
import stat
import subprocess
import sys
import time

import ezdxf

KXHOST, SOURCE, WORK, CONCERN = sys.argv[1:5]
KXHOST = os.path.realpath(KXHOST)
SAMPLE = os.path.join(SOURCE, "examples", "sample.dxf")

# Exit statuses, as the README lists them.
OK, FAILED, BAD_OPTION, REPAIRED, UNKNOWN_COMMAND, COMMAND_FAILED, REFUSED, ENDED_IN_PROMPT = (
    0, 1, 2, 3, 4, 5, 6, 7)


class Run:
    def __init__(self, result):
        self.status = result.returncode
        self.out = result.stdout.decode("utf-8", "replace")
        self.err = result.stderr.decode("utf-8", "replace")


def fail(why, run=None):
    text = f"FAILED: {why}"
    if run:
        text += f"\n--- status {run.status}\n--- stdout\n{run.out}\n--- stderr\n{run.err}"
    sys.exit(text)


def kxhost(*args, script=b"", status=OK, **options):
    """Runs kxhost with `script` on standard input (unless `stdin` says otherwise) and expects
    `status` (None: any)."""
    if "stdin" not in options:
        options["input"] = script
    result = subprocess.run([KXHOST, *args], capture_output=True, timeout=120, cwd=WORK,
                            **options)
    run = Run(result)
    if status is not None and run.status != status:
        shown = " ".join(map(repr, args))
        fail(f"kxhost {shown} ended with {run.status}, not {status}", run)
    return run


def one_line_error(run, pattern):
    lines = run.err.splitlines()
    if len(lines) != 1 or not re.search(pattern, lines[0]):
        fail(f"expected one line on standard error matching {pattern!r}", run)


def path(name):
    return os.path.join(WORK, name)


def read(name):
    with open(path(name), "rb") as f:
        return f.read()


def write(name, data):
    with open(path(name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def temporary_files():
    return [n for n in os.listdir(WORK) if n.startswith(".") and ".dxf." in n]


def cut_sample(name):
    """The sample drawing cut short, which kxhost repairs and says so on standard error."""
    write(name, read("sample.dxf")[:20000])


def big_drawing(name, lines):
    """A new drawing with `lines` LINEs added to its model space."""
    kxhost("-o", "new-for-big.dxf")
    text = read("new-for-big.dxf").decode()
    at = text.index("ENDSEC", text.index("ENTITIES")) - 3
    added = "".join(
        f"  0\nLINE\n  5\n{0x10000 + i:X}\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n"
        f" 10\n{i}\n 20\n0\n 30\n0\n 11\n{i + 1}\n 21\n1\n 31\n0\n" for i in range(lines))
    write(name, text[:at] + added + text[at:])


# --- arguments --------------------------------------------------------------------------------
def arguments():
    # A drawing named after -c lines is the drawing, not one more reply: TJUST runs on it and
    # saves it in place.
    write("plan.dxf", read("sample.dxf"))
    run = kxhost("-c", "TJUST", "-c", "ALL", "-c", "", "-c", "MC", "plan.dxf", "-o", "plan.dxf")
    if "Drawing: plan.dxf" not in run.out or "text(s) changed" not in run.out:
        fail("the drawing after the -c lines was not the one worked on", run)
    doc = ezdxf.readfile(path("plan.dxf"))
    texts = [e for e in doc.modelspace() if e.dxftype() == "TEXT"]
    if not texts or any(t.dxf.halign != 1 or t.dxf.valign != 2 for t in texts):
        fail("TJUST did not leave every text middle-centred in plan.dxf", run)
    # -m too takes one value each time.
    one_line_error(kxhost("-m", "a.nrx", "b.dxf", "c.dxf", status=BAD_OPTION), "c.dxf")
    # An option with its value left out is refused rather than taken as the value.
    one_line_error(kxhost("-c", "", "-c", "-o", "plan.dxf", status=BAD_OPTION),
                   r"^kxhost: -c needs a value, but -o follows it")
    # A flag takes no value, so an option after it is an option.
    kxhost("--strict", "-q", "-o", "flagged.dxf", "-c", "REDRAW")
    run = kxhost("-c", "SETVAR", "-c", "TEXTSIZE", "--command=-5", status=REFUSED)
    if "Enter new value for TEXTSIZE <2.500000>: -5" not in run.out:
        fail("a reply starting with '-' given as --command=-5 did not reach the prompt", run)

    # An -o the drawing cannot be saved as: refused before anything is read or written.
    os.mkdir(path("folder"))
    for output, pattern in [("", "no file name"), ("folder", "it is a folder"),
                            ("folder/", "names a folder"), ("plan.dwg", r"\.dxf file"),
                            ("plan.txt", r"\.dxf file"), ("no/such/dir/out.dxf", "is not there")]:
        run = kxhost("plan.dxf", "-c", "TCASE", "-o", output, status=BAD_OPTION)
        one_line_error(run, r"^kxhost: -o .*" + pattern)
        if run.out:
            fail(f"-o {output!r} was refused only after the run started", run)
    kxhost("-o", "UPPER.DXF")  # the extension in capitals is still .dxf

    # Bad options and a second drawing: a one-line reason, not a page of usage.
    one_line_error(kxhost("--no-such-option", status=BAD_OPTION), "kxhost: .*--no-such-option")
    one_line_error(kxhost("--render", "picture.gif", status=BAD_OPTION),
                   "kxhost: --render: must end in .png, .svg or .pdf")
    one_line_error(kxhost("sample.dxf", "another.dxf", status=BAD_OPTION), "another.dxf")

    # A script that cannot be read, a folder among them: nothing is run or saved.
    for script in ["no-such.scr", "folder"]:
        run = kxhost("-s", script, "-o", "never.dxf", status=FAILED)
        one_line_error(run, "cannot read script")
        if os.path.exists(path("never.dxf")):
            fail("a script that could not be read still saved the drawing", run)

    # --version is one line; -q keeps standard output empty and still saves.
    if not re.fullmatch(r"kxhost \d+\.\d+\.\d+\n", kxhost("--version").out):
        fail("--version is not one line naming the version")
    tcase = ["-c", "TCASE", "-c", "ALL", "-c", "", "-c", "upper case", "-c", "OK"]
    run = kxhost("-q", "sample.dxf", "-o", "quiet.dxf", *tcase)
    loud = kxhost("sample.dxf", "-o", "loud.dxf", *tcase)
    if run.out or not loud.out or read("quiet.dxf") != read("loud.dxf") or \
            read("quiet.dxf") == read("sample.dxf"):
        fail("-q printed a transcript or ran otherwise than without it", run)

    # Without --config the settings live in the user's configuration folder, so the next run
    # starts with the choice made in this one.
    xdg = dict(os.environ, XDG_CONFIG_HOME=path("xdg"))
    kxhost("sample.dxf", *tcase[:6], "-c", "lower", "-c", "OK", env=xdg)
    run = kxhost("sample.dxf", "-c", "TCASE", "-c", "ALL", "-c", "", "-c", "Cancel", env=xdg)
    if "(*) lower case #" not in run.out or not os.path.exists(path("xdg/kxhost/settings.txt")):
        fail("the choice was not kept in $XDG_CONFIG_HOME/kxhost for the next run", run)

    # Commands typed at the command line: a layer made current and locked, a variable set, and a
    # script file after the -c lines.
    write("typed.scr", "LAYER\nM\nWalls\nL\nWalls\n\n; a comment line\nSETVAR\nTEXTSIZE\n3.5\n")
    kxhost("-o", "typed.dxf", "-c", "REDRAW", "-s", "typed.scr")
    doc = ezdxf.readfile(path("typed.dxf"))
    if not doc.layers.get("Walls").is_locked() or doc.header["$CLAYER"] != "Walls" or \
            doc.header["$TEXTSIZE"] != 3.5:
        fail("typed commands did not land in the drawing")


# --- saving -----------------------------------------------------------------------------------
def saving():
    # A new drawing from the template, saved and opened again, comes back the same.
    kxhost("-o", "new.dxf")
    kxhost("new.dxf", "-o", "again.dxf")
    if read("new.dxf") != read("again.dxf"):
        fail("a new drawing changed when opened and saved again")

    # Messages that cannot be written (standard error closed, full, or a pipe nobody reads; the
    # transcript the same) lose nothing: the repaired drawing is saved, none of them in it.
    cut_sample("cut.dxf")
    reference = kxhost("cut.dxf", "-o", "fixed.dxf", status=REPAIRED)
    if "cut.dxf: repaired" not in reference.err:
        fail("no repair notice for a cut-off drawing", reference)
    expected = read("fixed.dxf")
    full_read, full_write = os.pipe()
    fcntl.fcntl(full_write, fcntl.F_SETFL, fcntl.fcntl(full_write, fcntl.F_GETFL) | os.O_NONBLOCK)
    try:
        while True:
            os.write(full_write, b"x" * 4096)
    except BlockingIOError:
        pass
    gone_read, gone_write = os.pipe()
    os.close(gone_read)
    for how, streams in [("closed", dict(stdout=subprocess.DEVNULL, stderr=None, close=True)),
                         ("full", dict(stdout=full_write, stderr=full_write)),
                         ("a pipe nobody reads", dict(stdout=gone_write, stderr=gone_write))]:
        os.remove(path("fixed.dxf"))
        if streams.pop("close", False):
            # 2>&- and >&- as a shell would leave them.
            command = f"exec '{KXHOST}' cut.dxf -o fixed.dxf <&- >&- 2>&-"
            status = subprocess.run(["/bin/sh", "-c", command], cwd=WORK, timeout=60).returncode
        else:
            status = subprocess.run([KXHOST, "cut.dxf", "-o", "fixed.dxf"], cwd=WORK,
                                    stdin=subprocess.DEVNULL, timeout=60, **streams).returncode
        if status != REPAIRED or read("fixed.dxf") != expected:
            fail(f"with standard error {how} the run ended with {status} or saved another drawing")
    for fd in (full_read, full_write, gone_write):
        os.close(fd)

    # Through a symbolic link the drawing it leads to is saved, and the link stays a link.
    write("target.dxf", read("sample.dxf"))
    os.mkdir(path("links"))
    os.symlink("../target.dxf", path("links/link.dxf"))
    kxhost("links/link.dxf", "-c", "LAYER", "-c", "M", "-c", "ThroughLink", "-c", "",
           "-o", "links/link.dxf")
    if not os.path.islink(path("links/link.dxf")) or b"ThroughLink" not in read("target.dxf"):
        fail("saving through a symbolic link did not write its target or replaced the link")
    # A hard link is not split: both names still show one file, with the change.
    os.link(path("target.dxf"), path("second-name.dxf"))
    inode = os.stat(path("target.dxf")).st_ino
    kxhost("target.dxf", "-c", "LAYER", "-c", "M", "-c", "BothNames", "-c", "",
           "-o", "target.dxf")
    if os.stat(path("second-name.dxf")).st_ino != inode or \
            os.stat(path("target.dxf")).st_ino != inode or b"BothNames" not in \
            read("second-name.dxf") or os.stat(path("target.dxf")).st_nlink != 2:
        fail("saving a file with two names split them")
    if temporary_files():
        fail(f"temporary files left behind: {temporary_files()}")

    # A 640 file keeps its permissions, and its owner (someone else's, here) where we may give it.
    write("shared.dxf", read("sample.dxf"))
    os.chmod(path("shared.dxf"), 0o640)
    if os.geteuid() == 0:
        os.chown(path("shared.dxf"), 4321, 4321)
    kxhost("shared.dxf", "-o", "shared.dxf", "-c", "LAYER", "-c", "M", "-c", "Kept", "-c", "")
    info = os.stat(path("shared.dxf"))
    if stat.S_IMODE(info.st_mode) != 0o640 or b"Kept" not in read("shared.dxf"):
        fail(f"a 640 file came back as {oct(stat.S_IMODE(info.st_mode))}")
    if os.geteuid() == 0 and (info.st_uid, info.st_gid) != (4321, 4321):
        fail(f"the owner of a saved file changed to {info.st_uid}:{info.st_gid}")
    # A read-only file is not replaced, whether named by -o or typed at SAVEAS.
    write("read-only.dxf", read("sample.dxf"))
    os.chmod(path("read-only.dxf"), 0o444)
    one_line_error(kxhost("sample.dxf", "-o", "read-only.dxf", status=BAD_OPTION), "read-only")
    run = kxhost("-c", "SAVEAS", "-c", "read-only.dxf", status=COMMAND_FAILED)
    if "Cannot save read-only.dxf: the file is read-only" not in run.out or \
            read("read-only.dxf") != read("sample.dxf"):
        fail("a read-only file was replaced or the refusal not said", run)

    # A device is never replaced, by -o or SAVEAS (a node made here, never the system's own).
    if os.geteuid() == 0:
        os.mknod(path("device"), 0o666 | stat.S_IFCHR, os.makedev(1, 3))
        one_line_error(kxhost("-o", "device", status=BAD_OPTION), "character device")
        kxhost("-c", "SAVEAS", "-c", "device", status=COMMAND_FAILED)
        if not stat.S_ISCHR(os.stat(path("device")).st_mode):
            fail("the device node was replaced")
        # Nor is it read as a drawing: kxhost says what it is.
        one_line_error(kxhost("device", status=FAILED), "it is a character device")
    os.mkfifo(path("fifo.dxf"))
    one_line_error(kxhost("-o", "fifo.dxf", status=BAD_OPTION), "it is a pipe")

    # A drawing given as a pipe is read: a process substitution and a named pipe.
    run = subprocess.run(["/bin/bash", "-c", f"'{KXHOST}' <(cat sample.dxf) -o from-pipe.dxf"],
                         cwd=WORK, capture_output=True, timeout=60, stdin=subprocess.DEVNULL)
    if run.returncode != 0 or read("from-pipe.dxf") != read("sample.dxf"):
        fail(f"a drawing from a process substitution was not read ({run.stderr!r})")
    writer = subprocess.Popen(["/bin/sh", "-c", "cat sample.dxf > fifo.dxf"], cwd=WORK)
    kxhost("fifo.dxf", "-o", "from-fifo.dxf")
    writer.wait(timeout=60)
    if read("from-fifo.dxf") != read("sample.dxf"):
        fail("a drawing from a named pipe was not read whole")

    # A picture that cannot be drawn fails the run, but the drawing is saved first.
    run = kxhost("sample.dxf", "-o", "kept.dxf", "--render", "no/such/folder/picture.png",
                 status=FAILED)
    one_line_error(run, "picture.png")
    if not os.path.getsize(path("kept.dxf")):
        fail("a failed picture lost the drawing", run)

    # Progress bars, on a drawing of about 6 MB (KX_PROGRESS=1 stands in for a terminal).
    big_drawing("big.dxf", 60000)
    env = dict(os.environ, KX_PROGRESS="1")
    run = kxhost("big.dxf", "-o", "big-out.dxf", env=env)
    if "\rLoading big.dxf  [" not in run.err or "\rSaving big-out.dxf  [" not in run.err:
        fail("no bar while loading or saving", run)
    if not run.err.endswith("\r"):
        fail("the bar was not cleared", run)
    if read("big.dxf") != read("big-out.dxf"):
        fail("the big drawing changed on its way through")
    if kxhost("big.dxf", "-o", "big-out.dxf").err:
        fail("a bar on standard error that is no terminal")
    if kxhost("new.dxf", "-o", "small-out.dxf", env=env).err:
        fail("a bar for a small drawing")

    # SIGTERM while a large drawing is being saved: the old file stays as it was and no
    # temporary file is left. kxhost is stopped once its save bar shows, so the signal surely
    # comes during the save; should the save have ended before the stop, the run is tried again.
    big_drawing("huge.dxf", 300000)
    for attempt in range(5):
        write("old.dxf", b"the drawing as it was\n")
        process = subprocess.Popen([KXHOST, "huge.dxf", "-o", "old.dxf"], cwd=WORK, env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE)
        said = b""
        while b"Saving" not in said:
            piece = os.read(process.stderr.fileno(), 256)
            if not piece:
                break
            said += piece
        if b"Saving" in said:
            process.send_signal(signal.SIGSTOP)
        in_flight = bool(temporary_files())
        process.send_signal(signal.SIGTERM)
        process.send_signal(signal.SIGCONT)
        process.stderr.read()
        status = process.wait(timeout=60)
        if in_flight:
            if status != -signal.SIGTERM:
                fail(f"SIGTERM during a save ended kxhost with {status}")
            if read("old.dxf") != b"the drawing as it was\n":
                fail("SIGTERM during a save changed the old file")
            if temporary_files():
                fail(f"SIGTERM during a save left {temporary_files()}")
            break
    else:
        fail("no SIGTERM came during a save in five tries")


# --- exit_status ------------------------------------------------------------------------------
def exit_status():
    # 0: every line taken as meant, saved where asked. The transcript names the drawing.
    run = kxhost("sample.dxf", "-o", "ok.dxf", script=b"LAYER\nM\nA\n\nSETVAR\nTEXTSIZE\n2\n")
    if not run.out.startswith("Drawing: sample.dxf\n"):
        fail("the transcript does not name the drawing", run)
    if not kxhost(script=b"REDRAW\n").out.startswith("Drawing: a new drawing"):
        fail("the transcript does not say the drawing is new")

    # 1: the drawing, the script or the save fails. A script that cannot be read to its end is
    # not taken as ended: nothing is saved.
    one_line_error(kxhost("missing.dxf", "-o", "out.dxf", status=FAILED), "missing.dxf: cannot open")
    write("letter.dxf", "Dear reader,\nthis is no drawing.\n")
    one_line_error(kxhost("letter.dxf", "-o", "out.dxf", status=FAILED),
                   "letter.dxf:1: not a DXF file")
    os.mkdir(path("folder"))
    folder = os.open(path("folder"), os.O_RDONLY)
    run = kxhost("-c", "REDRAW", "-o", "never.dxf", stdin=folder, status=FAILED)
    os.close(folder)
    one_line_error(run, r"cannot read standard input: .*; the drawing was not saved")
    if os.path.exists(path("out.dxf")) or os.path.exists(path("never.dxf")):
        fail("a failed run left an output file")

    # 3 to 7: the drawing repaired on reading, an unknown command, a failed command, a refused
    # reply, the input ending inside a prompt. The run goes on and saves; the first one counts.
    cut_sample("cut.dxf")
    cases = [
        ("cut.dxf", b"REDRAW\n", REPAIRED),
        ("sample.dxf", b"NOSUCHCMD\nLAYER\nM\nX\n\n", UNKNOWN_COMMAND),
        ("sample.dxf", b"SAVEAS\nfolder\nLAYER\nM\nX\n\n", COMMAND_FAILED),
        ("sample.dxf", b"SETVAR\nNOSUCHVAR\nLAYER\nM\nX\n\n", REFUSED),
        ("sample.dxf", b"LAYER\nM\nX\n\nLAYER\nM", ENDED_IN_PROMPT),
        ("sample.dxf", b"LAYER\nM\nX\n\nSELECT\nW 0,0 10,10", ENDED_IN_PROMPT),
        ("sample.dxf", b"LAYER\nM\nX\n\nSETVAR\nTEXTSIZE", ENDED_IN_PROMPT),
        ("cut.dxf", b"NOSUCHCMD\n", REPAIRED),
    ]
    for drawing, script, status in cases:
        for name in ("saved.dxf", "strict.dxf"):
            if os.path.exists(path(name)):
                os.remove(path(name))
        run = kxhost(drawing, "-o", "saved.dxf", script=script, status=status)
        if not os.path.getsize(path("saved.dxf")):
            fail(f"status {status}: the drawing was not saved", run)
        # --strict: stops there, nothing after it runs and nothing is saved.
        more = b"" if status == ENDED_IN_PROMPT else b"LAYER\nM\nLate\n\n"
        run = kxhost(drawing, "-o", "strict.dxf", "--strict", script=script + more,
                     status=status)
        if os.path.exists(path("strict.dxf")) or "Late" in run.out:
            fail(f"--strict went on after the event of status {status}", run)
        if not re.search(r"kxhost: stopped at .* \(--strict\); the drawing was not saved$",
                         run.err.strip()):
            fail("--strict did not say why it stopped", run)
    # A cancel the script asks for is meant: status 0.
    kxhost("sample.dxf", script=b"LAYER\nM\n^C\n\n")


# --- replies ----------------------------------------------------------------------------------
def replies():
    # A zero byte or bytes that are not UTF-8 are refused with a message, the line echoed whole;
    # the prompt asks again and takes the next line.
    run = kxhost("sample.dxf", "-o", "out.dxf",
                 script=b"LAYER\nM\nbad\x00name\nlat\xe9n\nGood\n\n", status=REFUSED)
    for line in ["Enter layer name: bad\\0name", "The line is not taken: it holds a zero byte.",
                 "Enter layer name: lat\\xE9n", "Enter layer name: Good"]:
        if line not in run.out:
            fail(f"expected {line!r} in the transcript", run)
    layers = [layer.dxf.name for layer in ezdxf.readfile(path("out.dxf")).layers]
    if "Good" not in layers or any(name.startswith(("bad", "lat")) for name in layers):
        fail(f"the layers made are {layers}", run)
    # A -c line is checked the same way.
    kxhost("-c", "LAYER", "-c", "M", "-c", b"caf\xe9", status=REFUSED)


# --- repairs ----------------------------------------------------------------------------------
def repairs():
    subprocess.run(["/usr/bin/python3", os.path.join(SOURCE, "bench", "make_big_drawing.py"),
                    path("bench.dxf"), "--scale", "0.002"], check=True, capture_output=True)
    whole = read("bench.dxf")
    # Points all through the file (mostly inside a line), and at the line ends after the start of
    # records where a piece cut off there is one other readers refuse: a header variable, a
    # section name, a table entry without its name, a block, attributes without their SEQEND, an
    # object without its subclass, a layout without its block.
    count = int(os.environ.get("KX_CUTS", "30" if os.environ.get("KX_SAMPLED") else "150"))
    points = {len(whole) * i // count for i in range(1, count)}
    line_ends = [i + 1 for i, byte in enumerate(whole) if byte == ord("\n")]
    follow = 3 if os.environ.get("KX_SAMPLED") else 14
    for marker in (b"$LIMMIN\n", b"$HANDSEED\n", b"\nSECTION\n  2\nBLOCKS", b"\nVPORT\n  5\n",
                   b"\nENDTAB\n  0\nTABLE", b"\nBLOCK\n", b"\nINSERT\n", b"\nATTRIB\n",
                   b"\nMLINESTYLE\n", b"\nLAYOUT\n"):
        at = whole.index(marker)
        points.update({at + 2, at + len(marker) // 2})
        after = next(i for i, end in enumerate(line_ends) if end > at)
        points.update(line_ends[after:after + follow])
    failures = []
    for point in sorted(points):
        write("cut.dxf", whole[:point])
        run = kxhost("cut.dxf", "-o", "repaired.dxf", status=None)
        if run.status != REPAIRED or "cut.dxf: repaired" not in run.err:
            failures.append(f"cut at {point}: kxhost ended with {run.status}: {run.err.strip()}")
            continue
        try:
            ezdxf.readfile(path("repaired.dxf"))
        except Exception as e:  # what ezdxf refuses comes in many types
            failures.append(f"cut at {point}: ezdxf: {type(e).__name__}: {e}")
    if failures:
        fail(f"{len(failures)} of {len(points)} cut drawings were not repaired for other "
             "readers:\n" + "\n".join(failures[:20]))

    # A group inside a header variable that belongs to none goes, with a notice; the rest of the
    # drawing comes back byte for byte.
    write("stray.dxf", whole.replace(b"$ACADVER\n  1\nAC1032\n", b"$ACADVER\n  1\nAC1032\n 70\n5\n",
                                     1))
    run = kxhost("stray.dxf", "-o", "repaired.dxf", status=REPAIRED)
    one_line_error(run, r"stray.dxf: repaired groups in the header that belong to no variable, "
                        r"dropped: 1, first at line 10 \(group 70 after \$ACADVER\)")
    if read("repaired.dxf") != whole:
        fail("dropping a stray header group changed more than that group")
    ezdxf.readfile(path("repaired.dxf"))


# --- batch ------------------------------------------------------------------------------------
def batch():
    os.mkdir(path("in"))
    shutil.copy(SAMPLE, path("in/a.dxf"))
    shutil.copy("/usr/share/librecad/library/sheets/A4_1_text.dxf", path("in/c.dxf"))
    write("in/b.dxf", "Dear reader,\nthis is no drawing.\n")
    cut_sample("in/d.dxf")
    write("in/notes.txt", "not a drawing, and not taken as one\n")
    write("fix.scr", "TCASE\nALL\n\nupper\nOK\nLAYER\nM\nChecked\n\n")

    def lines(run):
        got = [json.loads(line) for line in run.out.splitlines()]
        return {os.path.basename(d["drawing"]): d for d in got}

    # A folder: each drawing saved in --out-dir, one line each, the first failure's status. A file
    # refused at its first line can take under the millisecond the seconds are rounded to.
    run = kxhost("-s", "fix.scr", "in", "--out-dir", "out", "--jobs", "2", status=FAILED)
    told = lines(run)
    if sorted(told) != ["a.dxf", "b.dxf", "c.dxf", "d.dxf"]:
        fail("a batch over a folder did not tell of each drawing once", run)
    a, b, c, d = (told[n] for n in ("a.dxf", "b.dxf", "c.dxf", "d.dxf"))
    if (a["status"], b["status"], c["status"], d["status"]) != (OK, FAILED, OK, REPAIRED) or \
            b["output"] is not None or d["repairs"] < 1 or a["commands"] != 2 or \
            c["texts_changed"] != 25 or not all(x["seconds"] > 0 for x in (a, c, d)) or \
            b["seconds"] < 0:
        fail(f"the summary lines are wrong: {told}", run)
    if sorted(os.listdir(path("out"))) != ["a.dxf", "c.dxf", "d.dxf"] or \
            b"Checked" not in read("out/c.dxf"):
        fail("the batch did not save each drawing it could read into --out-dir", run)
    if not re.search(r"4 drawing\(s\) in .* with 2 job\(s\): 2 ended with 0; not: "
                     r"b.dxf \(1\), d.dxf \(3\)$", run.err.strip()):
        fail("the batch's last line does not name the drawings that failed", run)

    # The same drawings through the GNU parallel recipe on two local "machines" (':' is this
    # one): the same lines, but for the seconds and where the output went.
    if shutil.which("parallel"):
        os.mkdir(path("out2"))
        recipe = subprocess.run(
            "parallel --will-cite -S 1/:,1/: kxhost {} -q --summary -s fix.scr -o out2/{/} "
            "::: in/*.dxf", shell=True, capture_output=True, cwd=WORK, timeout=120,
            env=dict(os.environ, PATH=os.path.dirname(KXHOST) + ":" + os.environ["PATH"]))
        theirs = lines(Run(recipe))
        for record in list(told.values()) + list(theirs.values()):
            record.pop("seconds")
            if record["output"]:
                record["output"] = os.path.basename(record["output"])
        if theirs != told:
            fail(f"GNU parallel's lines differ from the batch's: {theirs}", Run(recipe))
    else:
        print("GNU parallel is missing (scripts/setup installs it): its recipe was not run")

    # A list file and a drawing: duplicates by name and saving over the input are refused
    # before anything runs.
    write("list.txt", "; the drawings to fix\nin/a.dxf\n\nin/c.dxf\n")
    run = kxhost("-s", "fix.scr", "--list", "list.txt", "--out-dir", "out3")
    if sorted(lines(run)) != ["a.dxf", "c.dxf"]:
        fail("a list file did not name the drawings run", run)
    shutil.copy(SAMPLE, path("c.dxf"))
    for args, pattern in [(["--list", "list.txt", "c.dxf", "--out-dir", "o"], "both be saved as"),
                          (["in/a.dxf", "in/c.dxf", "--out-dir", "in"], "over itself"),
                          (["in/a.dxf", "in/c.dxf"], r"needs --out-dir"),
                          (["in/a.dxf", "--out-dir", "o", "-o", "x.dxf"], "-o and --render")]:
        one_line_error(kxhost("-s", "fix.scr", *args, status=BAD_OPTION), pattern)


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
shutil.copy(SAMPLE, path("sample.dxf"))
{"arguments": arguments, "saving": saving, "exit_status": exit_status, "replies": replies,
 "repairs": repairs, "batch": batch}[CONCERN]()
print(f"kxhost {CONCERN} test passed")
