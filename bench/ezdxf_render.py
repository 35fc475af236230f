#!/usr/bin/python3
"""Draws model space of a drawing with ezdxf's drawing add-on and matplotlib, as the independent
tool the renderer's bench compares with: the picture 1600 pixels wide (PNG at 100 dpi, 16 inches),
or the same figure as SVG or PDF.

Usage: ezdxf_render.py DRAWING.dxf OUT.png|OUT.svg|OUT.pdf
Prints the seconds spent reading, drawing into the figure and saving it.
"""

import logging
import sys
import time

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import ezdxf  # noqa: E402
from ezdxf.addons.drawing import Frontend, RenderContext  # noqa: E402
from ezdxf.addons.drawing.matplotlib import MatplotlibBackend  # noqa: E402


def main():
    # Every text in a style whose font matplotlib lacks would log a line.
    logging.getLogger("matplotlib.font_manager").setLevel(logging.ERROR)
    source, out = sys.argv[1], sys.argv[2]
    start = time.perf_counter()
    doc = ezdxf.readfile(source)
    read = time.perf_counter()
    fig = plt.figure(figsize=(16, 16))
    ax = fig.add_axes([0, 0, 1, 1])
    Frontend(RenderContext(doc), MatplotlibBackend(ax)).draw_layout(doc.modelspace(), finalize=True)
    drawn = time.perf_counter()
    fig.savefig(out, dpi=100)
    saved = time.perf_counter()
    print(f"read {read - start:.2f} s, draw {drawn - read:.2f} s, save {saved - drawn:.2f} s")


if __name__ == "__main__":
    main()
