#!/usr/bin/python3
"""Times ezdxf loading and saving a drawing, as the yardstick for our reader and writer.

Usage: ezdxf_io.py FILE [--out OUT]

Loads FILE with ezdxf.readfile and saves it with doc.saveas (to OUT, by default a temporary file
that is removed afterwards). Prints seconds and MB/s for each (MB is 10^6 bytes) and ends with one
"key=value ..." line for scripts. Run it under /usr/bin/time -v for the peak memory: that is the
peak of one load and one save, the same thing dxf_io_bench --once measures for us.
"""

import argparse
import os
import sys
import tempfile
import time

import ezdxf


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("file")
    ap.add_argument("--out", help="where to save (default: a temporary file, removed afterwards)")
    args = ap.parse_args()

    mb = os.path.getsize(args.file) / 1e6
    start = time.perf_counter()
    doc = ezdxf.readfile(args.file)
    read_s = time.perf_counter() - start
    print(f"{args.file}: {mb:.1f} MB, ezdxf {ezdxf.__version__}")
    print(f"  read  {read_s:.2f} s  {mb / read_s:7.2f} MB/s", flush=True)

    out = args.out
    if out is None:
        fd, out = tempfile.mkstemp(suffix=".dxf")
        os.close(fd)
    try:
        start = time.perf_counter()
        doc.saveas(out)
        write_s = time.perf_counter() - start
        out_mb = os.path.getsize(out) / 1e6
    finally:
        if args.out is None:
            os.unlink(out)
    print(f"  write {write_s:.2f} s  {mb / write_s:7.2f} MB/s (wrote {out_mb:.1f} MB)")
    print(f"file_mb={mb:.3f} read_s={read_s:.3f} read_mbps={mb / read_s:.3f} "
          f"write_s={write_s:.3f} write_mbps={mb / write_s:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
